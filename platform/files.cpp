// Files and directories under Windows-style names, over POSIX calls. Names inside are in 1252;
// host paths are UTF-8, except host names that are not UTF-8, which are kept as they are found.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

int lastError = 0;
std::set<int> openFiles;  // descriptors handed out by OpenFile

struct Search {
  std::vector<FindData> entries;
  std::size_t next = 0;
};
std::vector<std::optional<Search>> searches;  // indexed by FindHandle

int Fail(int code) {
  lastError = code;
  return -1;
}

bool Failed(int code) {
  lastError = code;
  return false;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& name) {
  if (name.size() < 2 || name[1] != ':') return false;
  const char d = name[0];
  return (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z');
}

// The host names in a directory ("" is the current one), without "." and "..".
bool ReadDirectory(const std::string& hostDir, std::vector<std::string>& names) {
  DIR* dir = opendir(hostDir.empty() ? "." : hostDir.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return true;
}

// The host name of component in hostParent: itself when it exists with that exact case, else
// the first entry (in byte order) equal to it without regard to case, else "".
std::string FindComponent(const std::string& hostParent, const std::string& component) {
  const std::string exact = AnsiToUtf8(component);
  struct stat st;
  if (lstat((hostParent + exact).c_str(), &st) == 0) return exact;
  std::vector<std::string> names;
  if (!ReadDirectory(hostParent, names)) return "";
  std::sort(names.begin(), names.end());
  const std::string wanted = AnsiUpperCase(component);
  for (const std::string& name : names)
    if (AnsiUpperCase(Utf8ToAnsi(name)) == wanted) return name;
  return "";
}

// Wildcards "*" (any run) and "?" (any one character), on names already upper-cased.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
  const std::size_t none = std::string::npos;
  std::size_t p = 0, n = 0, star = none, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++, resume = n;
    } else if (star != none) {
      p = star + 1, n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool PatternMatches(const std::string& pattern, const std::string& name) {
  const std::string p = AnsiUpperCase(pattern), n = AnsiUpperCase(name);
  if (WildcardMatch(p, n)) return true;
  // A final ".*" also takes names without a dot, so "*.*" is every name.
  return p.size() >= 2 && p.ends_with(".*") && WildcardMatch(p.substr(0, p.size() - 2), n);
}

bool Valid83Char(char c) {
  return c != 0 && static_cast<unsigned char>(c) < 0x80 &&
         (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("!#$%&'()-@^_`{}~", c));
}

// At most 8 characters, a dot and at most 3 more, all of them valid in 8.3 names, in any case.
bool IsValid83(const std::string& name) {
  if (name == "." || name == "..") return true;
  const std::size_t dot = name.find('.');
  if (dot != name.rfind('.')) return false;
  const std::string base = name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3 || (dot != std::string::npos && ext.empty()))
    return false;
  return std::all_of(base.begin(), base.end(), Valid83Char) &&
         std::all_of(ext.begin(), ext.end(), Valid83Char);
}

// The first limit characters of an alias part: capitals, accents dropped, blanks and dots left
// out, anything not valid in 8.3 names as "_".
std::string AliasPart(const std::string& text, std::size_t limit) {
  std::string out;
  for (char c : AnsiUpperCase(text)) {
    if (out.size() == limit) break;
    if (c == ' ' || c == '.') continue;
    char plain = AnsiBaseLetter(c);
    if (plain >= 'a' && plain <= 'z') plain = static_cast<char>(plain - 'a' + 'A');
    out += Valid83Char(plain) ? plain : '_';
  }
  return out;
}

// The 8.3 aliases of the names of one directory, given in sorted order: "" for a valid 8.3
// name, else BASE~N.EXT with N counting from 1 for each BASE.EXT and skipping names in use.
std::vector<std::string> ShortNames(const std::vector<std::string>& names) {
  std::set<std::string> taken;
  for (const std::string& name : names)
    if (IsValid83(name)) taken.insert(AnsiUpperCase(name));
  std::map<std::string, int> nextNumber;  // by BASE.EXT
  std::vector<std::string> aliases;
  for (const std::string& name : names) {
    if (IsValid83(name)) {
      aliases.emplace_back();
      continue;
    }
    const std::size_t start = name.find_first_not_of('.');  // leading dots are dropped
    const std::string stem = start == std::string::npos ? "" : name.substr(start);
    const std::size_t dot = stem.rfind('.');
    std::string base = AliasPart(stem.substr(0, dot), 8);
    const std::string ext = dot == std::string::npos ? "" : AliasPart(stem.substr(dot + 1), 3);
    if (base.empty()) base = "_";
    int& number = nextNumber[base + "." + ext];
    std::string alias;
    do {
      const std::string tail = "~" + std::to_string(++number);
      alias = base.substr(0, 8 - std::min<std::size_t>(tail.size(), 8)) + tail +
              (ext.empty() ? "" : "." + ext);
    } while (!taken.insert(alias).second);
    aliases.push_back(alias);
  }
  return aliases;
}

FindData Describe(const std::string& hostPath, const std::string& name) {
  FindData data;
  data.name = name;
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) {
    data.attributes = AttrSystem;  // a dangling link: nothing to open
    return data;
  }
  data.modified = st.st_mtime;
  if (S_ISDIR(st.st_mode)) {
    data.attributes = AttrDirectory;
  } else {
    data.size = static_cast<std::uint64_t>(st.st_size);
    // Devices, FIFOs and sockets count as system files, which the file chooser leaves out.
    data.attributes = S_ISREG(st.st_mode) ? AttrArchive : AttrSystem;
  }
  // The owner's write bit too, since access() lets root write anything.
  if (!(st.st_mode & S_IWUSR) || access(hostPath.c_str(), W_OK) != 0) data.attributes |= AttrReadOnly;
  if (name[0] == '.' && name != "." && name != "..") data.attributes |= AttrHidden;
  return data;
}

bool IsOpen(FileHandle file) { return openFiles.count(file) != 0; }

}  // namespace

std::string HostPath(const std::string& name) {
  const std::string text = name.substr(0, name.find('\0'));  // a name ends at its first NUL
  std::string host;
  std::size_t i = 0;
  if (HasDrive(text)) {
    host = "/";
    i = 2;
  } else if (!text.empty() && IsSeparator(text[0])) {
    host = "/";
  }
  bool resolving = true;  // false below a missing component: nothing there can exist
  while (i < text.size()) {
    if (IsSeparator(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    const std::string component = text.substr(i, end - i);
    i = end;
    if (!host.empty() && host.back() != '/') host += '/';
    std::string found = resolving ? FindComponent(host, component) : "";
    if (found.empty()) {
      resolving = false;
      found = AnsiToUtf8(component);
    }
    host += found;
  }
  if (!text.empty() && IsSeparator(text.back()) && !host.empty() && host.back() != '/') host += '/';
  return host;
}

bool FileExists(const std::string& name) {
  struct stat st;
  return stat(HostPath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FindHandle FindFirst(const std::string& pattern, FindData& found) {
  std::size_t cut = pattern.find_last_of("\\/");
  if (cut == std::string::npos && HasDrive(pattern)) cut = 1;
  const std::string dirPart = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
  const std::string filePart = pattern.substr(dirPart.size());
  if (filePart.empty()) return Fail(ENOENT);
  std::string hostDir = HostPath(dirPart);
  std::vector<std::string> hostNames;
  if (!ReadDirectory(hostDir, hostNames)) return Fail(errno);
  if (!hostDir.empty() && hostDir.back() != '/') hostDir += '/';

  std::vector<std::pair<std::string, std::string>> names;  // 1252 name, host name
  for (const std::string& host : hostNames) names.emplace_back(Utf8ToAnsi(host), host);
  std::sort(names.begin(), names.end());
  std::vector<std::string> sorted;
  for (const auto& n : names) sorted.push_back(n.first);
  const std::vector<std::string> aliases = ShortNames(sorted);

  Search search;
  for (const char* dots : {".", ".."})  // first, as Windows lists them
    if (PatternMatches(filePart, dots)) search.entries.push_back(Describe(hostDir + dots, dots));
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!PatternMatches(filePart, names[k].first)) continue;
    search.entries.push_back(Describe(hostDir + names[k].second, names[k].first));
    search.entries.back().shortName = aliases[k];
  }
  if (search.entries.empty()) return Fail(ENOENT);

  found = search.entries[0];
  search.next = 1;
  auto slot = std::find(searches.begin(), searches.end(), std::nullopt);
  if (slot == searches.end()) slot = searches.insert(slot, std::nullopt);
  *slot = std::move(search);
  return static_cast<FindHandle>(slot - searches.begin());
}

bool FindNext(FindHandle handle, FindData& found) {
  if (handle < 0 || static_cast<std::size_t>(handle) >= searches.size() || !searches[handle])
    return Failed(EBADF);
  Search& search = *searches[handle];
  if (search.next >= search.entries.size()) return Failed(ENOENT);
  found = search.entries[search.next++];
  return true;
}

void FindClose(FindHandle handle) {
  if (handle >= 0 && static_cast<std::size_t>(handle) < searches.size()) searches[handle].reset();
}

std::string CurrentDirectory() {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) {
    Fail(errno);
    return "";
  }
  const std::string result = Utf8ToAnsi(cwd);
  std::free(cwd);
  return result;
}

bool SetCurrentDirectory(const std::string& name) {
  if (chdir(HostPath(name).c_str()) != 0) return Failed(errno);
  return true;
}

FileHandle OpenFile(const std::string& name, OpenMode mode) {
  int flags = O_RDONLY;
  if (mode == OpenMode::Write) flags = O_WRONLY;
  if (mode == OpenMode::Create) flags = O_WRONLY | O_CREAT | O_TRUNC;
  // O_NONBLOCK so that opening a FIFO with no one at the other end cannot hang; cleared below.
  const int fd = open(HostPath(name).c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(errno);
  struct stat st;
  const int error = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (error != 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    const int code = error != 0 ? error : errno;
    close(fd);
    return Fail(code);
  }
  openFiles.insert(fd);
  return fd;
}

// Reads until count bytes or the end of the file, so a short count means the end was reached.
std::int64_t ReadFile(FileHandle file, void* buffer, std::size_t count) {
  if (!IsOpen(file)) return Fail(EBADF);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = read(file, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t WriteFile(FileHandle file, const void* buffer, std::size_t count) {
  if (!IsOpen(file)) return Fail(EBADF);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = write(file, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

bool SeekFile(FileHandle file, std::int64_t position) {
  if (!IsOpen(file)) return Failed(EBADF);
  if (position < 0) return Failed(EINVAL);
  if (lseek(file, static_cast<off_t>(position), SEEK_SET) < 0) return Failed(errno);
  return true;
}

std::int64_t FileSize(FileHandle file) {
  struct stat st;
  if (!IsOpen(file)) return Fail(EBADF);
  if (fstat(file, &st) != 0) return Fail(errno);
  return st.st_size;
}

bool CloseFile(FileHandle file) {
  if (!IsOpen(file)) return Failed(EBADF);
  openFiles.erase(file);
  if (close(file) != 0) return Failed(errno);
  return true;
}

int LastFileError() { return lastError; }

bool SameFile(const std::string& first, const std::string& second) {
  struct stat a, b;
  return stat(HostPath(first).c_str(), &a) == 0 && stat(HostPath(second).c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace platform
