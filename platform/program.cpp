#include "platform/program.h"

#include <unistd.h>

#include <vector>

#include "platform/codepage.h"

namespace platform {

std::string ProgramPath() {
  std::vector<char> path(4096);
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return "";
  return Utf8ToAnsi(std::string(path.data(), static_cast<std::size_t>(length)));
}

}  // namespace platform
