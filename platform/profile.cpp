// Profile files: "[Section]" lines and "key=value" lines, in the Windows code page.
#include "platform/profile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {
namespace {

// Lines are read in chunks and scanned once, so a file of any size costs one pass and at
// most kLineLimit bytes of memory a line; a longer line (a binary file) keeps its start.
constexpr std::size_t kChunk = 64 * 1024;       // bytes
constexpr std::size_t kLineLimit = 1024 * 1024;  // bytes

struct LineReader {
  int fd = -1;
  std::string chunk;
  std::size_t position = 0;
  bool atEnd = false;
};

// The next line without its CR LF or LF; false at the end of the file.
bool NextLine(LineReader& reader, std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (reader.position == reader.chunk.size()) {
      if (reader.atEnd) return any;
      reader.chunk.resize(kChunk);
      ssize_t n;
      do n = read(reader.fd, reader.chunk.data(), kChunk);
      while (n < 0 && errno == EINTR);
      reader.chunk.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
      reader.position = 0;
      reader.atEnd = n <= 0;
      continue;
    }
    any = true;
    const char c = reader.chunk[reader.position++];
    if (c == '\n') break;
    if (line.size() < kLineLimit) line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

// The value of key in the first section of that name; false when there is none.
bool FindValue(LineReader& reader, const std::string& section, const std::string& key,
               std::string& value) {
  const std::string wantedSection = AnsiUpperCase(section);
  const std::string wantedKey = AnsiUpperCase(key);
  bool inSection = false;
  bool first = true;
  std::string line;
  while (NextLine(reader, line)) {
    if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // an editor's UTF-8 mark
    first = false;
    const std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      if (inSection) return false;  // the end of the first matching section
      inSection = AnsiUpperCase(Trim(text.substr(1, text.find(']') - 1))) == wantedSection;
      continue;
    }
    const std::size_t equals = text.find('=');
    if (!inSection || equals == std::string::npos) continue;
    if (AnsiUpperCase(Trim(text.substr(0, equals))) == wantedKey) {
      value = Unquote(Trim(text.substr(equals + 1)));
      return true;
    }
  }
  return false;
}

std::string NoTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string ProfilePath(const std::string& file) {
  if (file.find_first_of("\\/") != std::string::npos) return HostPath(file);
  return HostPath(WindowsDirectory() + "/" + file);
}

}  // namespace

std::string WindowsDirectory() {
  const char* windir = std::getenv("ORALIS_WINDIR");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string dir;
  if (windir && *windir) {
    dir = NoTrailingSlash(windir);
  } else if (config && *config) {
    dir = NoTrailingSlash(config) + "/oralis";
  } else {
    const passwd* user = home && *home ? nullptr : getpwuid(getuid());
    dir = NoTrailingSlash(user ? user->pw_dir : home ? home : "") + "/.config/oralis";
  }
  return Utf8ToAnsi(dir);
}

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, std::size_t bufferSize,
                             const std::string& file) {
  std::string value = defaultValue;
  LineReader reader;
  // O_NONBLOCK so that a FIFO in the file's place cannot hang the open; only plain files count.
  reader.fd = open(ProfilePath(file).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (reader.fd >= 0) {
    struct stat st;
    std::string found;
    if (fstat(reader.fd, &st) == 0 && S_ISREG(st.st_mode) && FindValue(reader, section, key, found))
      value = found;
    close(reader.fd);
  }
  return value.substr(0, bufferSize > 0 ? bufferSize - 1 : 0);
}

}  // namespace platform
