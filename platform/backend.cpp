// Backend choice at start-up, and the one way the program ends.
#include "platform/backend.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/backend_internal.h"
#include "platform/codepage.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/trace.h"

namespace platform {

namespace {

bool chosen = false;
Backend backend = Backend::Headless;
const BackendOps* ops = &HeadlessOps;
std::function<std::string(int)> screenSource;
std::vector<std::function<void(int)>> exitHandlers;

Backend DefaultBackend() {
  const char* name = std::getenv("ORALIS_BACKEND");
  std::string wanted = name ? name : "";
  if (wanted == "sdl") return Backend::Sdl;
  if (wanted == "tty") return Backend::Tty;
  if (wanted == "headless") return Backend::Headless;
  if (!wanted.empty())
    std::fprintf(stderr, "oralis: ORALIS_BACKEND=%s is not sdl, tty or headless\n", name);
  if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) return Backend::Sdl;
  if (isatty(0) && isatty(1)) return Backend::Tty;
  return Backend::Headless;
}

std::string ReadKeyScriptFile() {
  const char* path = std::getenv("ORALIS_KEYS");
  if (!path || !*path) return "";
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ReportFatal(std::string("key script ") + path + " cannot be read");
    ExitProgram(2);
  }
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Choose() {
  if (chosen) return;
  chosen = true;
  backend = DefaultBackend();
  ops = &HeadlessOps;
  if (backend == Backend::Sdl) {
    if (const BackendOps* sdl = StartSdlBackend()) ops = sdl;
    else if (isatty(0) && isatty(1)) backend = Backend::Tty;
    else backend = Backend::Headless;
    if (ops == &HeadlessOps)
      std::fprintf(stderr, "oralis: no window can be opened here; running %s\n",
                   backend == Backend::Tty ? "in the terminal" : "headless");
  }
  if (backend == Backend::Tty) {
    if (const BackendOps* tty = StartTtyBackend()) {
      ops = tty;
    } else {
      std::fprintf(stderr, "oralis: standard input and output are not a terminal; running headless\n");
      backend = Backend::Headless;
    }
  }
  const char* path = std::getenv("ORALIS_KEYS");
  headless::LoadKeyScript(ReadKeyScriptFile(), path && *path ? path : "(none)");
}

void WriteScreenDump() {
  const char* path = std::getenv("ORALIS_SCREEN");
  if (!path || !*path) return;
  std::FILE* out = std::fopen(path, "w");
  if (!out) return;
  for (int row = 1; row <= 25; ++row) {
    std::string text = screenSource ? screenSource(row) : std::string();
    text.resize(80, ' ');
    std::fprintf(out, "%s\n", AnsiToUtf8(text).c_str());
  }
  std::fclose(out);
}

}  // namespace

const BackendOps& Ops() {
  Choose();
  return *ops;
}

Backend CurrentBackend() {
  Choose();
  return backend;
}

void StartHeadless(const std::string& keyScript) {
  chosen = true;
  backend = Backend::Headless;
  ops = &HeadlessOps;
  headless::ResetClock();
  headless::LoadKeyScript(keyScript, "(test)");
}

void SetScreenSource(std::function<std::string(int row)> rowText) { screenSource = std::move(rowText); }

void AddExitHandler(std::function<void(int code)> handler) { exitHandlers.push_back(std::move(handler)); }

void ExitProgram(int code) {
  static bool exiting = false;
  if (!exiting) {
    exiting = true;
    for (auto it = exitHandlers.rbegin(); it != exitHandlers.rend(); ++it) (*it)(code);
    Trace("exit " + std::to_string(code));
    WriteScreenDump();
  }
  std::fflush(nullptr);
  std::_Exit(code);
}

void ReportFatal(const std::string& text) {
  std::fprintf(stderr, "oralis: %s\n", text.c_str());
}

}  // namespace platform
