#include "platform/trace.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/codepage.h"

namespace platform {

namespace {

std::FILE* Sink() {
  static std::FILE* sink = [] {
    const char* path = std::getenv("ORALIS_TRACE");
    return path && *path ? std::fopen(path, "w") : nullptr;
  }();
  return sink;
}

std::vector<std::string>* capture = nullptr;

std::string Escaped(const std::string& ansi) {
  std::string out;
  for (unsigned char c : ansi) {
    if (c < 32 || c == 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return AnsiToUtf8(out);
}

}  // namespace

bool TraceOn() { return capture || Sink(); }

void CaptureTrace(std::vector<std::string>* lines) { capture = lines; }

void Trace(const std::string& event) {
  if (!TraceOn()) return;
  std::string line = std::to_string(Milliseconds()) + " " + event;
  if (capture) capture->push_back(line);
  if (std::FILE* sink = Sink()) {
    std::fprintf(sink, "%s\n", line.c_str());
    std::fflush(sink);
  }
}

void Trace(const std::string& event, const std::string& text) {
  if (TraceOn()) Trace(event + " " + Escaped(text));
}

}  // namespace platform
