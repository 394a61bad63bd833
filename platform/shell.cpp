#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/trace.h"

extern char** environ;

namespace platform {

namespace {

bool IsWebAddress(const std::string& name) {
  return name.rfind("http://", 0) == 0 || name.rfind("https://", 0) == 0 || name.rfind("www.", 0) == 0;
}

// Starts the command in the background, in its own process group, and forgets it; a child of
// ours that ends is reaped by the middle process, so nothing is left behind.
bool Spawn(std::vector<std::string> args, const std::string& directory) {
  pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    setsid();
    if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child;
    _exit(posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? 0 : 127);
  }
  int status = 0;
  waitpid(middle, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A program named with a path must be an executable file; a bare name is looked up on PATH.
bool IsProgram(const std::string& hostName) {
  if (hostName.find('/') != std::string::npos) return access(hostName.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + hostName;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

bool ShellOpen(const std::string& program, const std::string& params, const std::string& directory) {
  Trace("shell", program + " " + params);
  if (CurrentBackend() == Backend::Headless) return true;
  std::string dir = HostPath(directory);
  std::string target = IsWebAddress(program) ? AnsiToUtf8(program) : HostPath(program);
  if (IsWebAddress(program) || !IsProgram(target)) return Spawn({"xdg-open", target}, dir);
  std::vector<std::string> args{target};
  if (!params.empty()) args.push_back(IsWebAddress(params) ? AnsiToUtf8(params) : HostPath(params));
  return Spawn(args, dir);
}

}  // namespace platform
