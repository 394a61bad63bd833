// The headless backend: no window and no sound card. Pixels go to a framebuffer, sounds and
// the clipboard to the trace, and time is virtual.
#include <cstdio>

#include "platform/backend_internal.h"
#include "platform/headless.h"
#include "platform/trace.h"

namespace platform {

DateTime VirtualNow();  // clock_headless.cpp

namespace {

std::optional<std::string> clipboard;

void NoEvents() {}

// Idle: the earliest due event wins, then the next key of the script.
void WaitIdle() {
  if (!headless::FireNextTimer()) headless::DeliverNextScriptEvent();
}

std::uint64_t VirtualMilliseconds() { return headless::Now(); }

void VirtualSleep(unsigned ms) { headless::AdvanceTo(headless::Now() + ms); }

// A cell font of the size asked: the metrics are what a monospace face of that size gives.
FontMetrics CellMetrics(const FontRequest& f) {
  FontMetrics m;
  m.height = f.height;
  m.averageWidth = f.width > 0 ? f.width : (f.height + 1) / 2;
  m.ascent = f.height * 4 / 5;
  return m;
}

// Glyphs are a fixed pattern per character code, so tests can tell text from background.
void DrawCells(std::uint32_t* pixels, int stride, int height, const FontRequest& f, int x, int y,
               const std::string& bytes, Rgb fg, Rgb bg) {
  FontMetrics m = CellMetrics(f);
  std::uint32_t fore = (fg.red << 16) | (fg.green << 8) | fg.blue;
  std::uint32_t back = (bg.red << 16) | (bg.green << 8) | bg.blue;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    int left = x + static_cast<int>(i) * m.averageWidth;
    for (int py = 0; py < m.height; ++py)
      for (int px = 0; px < m.averageWidth; ++px) {
        int ax = left + px, ay = y + py;
        if (ax < 0 || ay < 0 || ax >= stride || ay >= height) continue;
        bool inked = c != ' ' && px > 0 && py > 1 && px < m.averageWidth - 1 &&
                     py < m.ascent && ((px + py + c) % 3 == 0);
        pixels[ay * stride + ax] = inked ? fore : back;
      }
  }
}

void NoPresent(WindowHandle, const Rect&) {}
void NoWindowChange(WindowHandle, const std::string&, int, int) {}
void NoDestroy(WindowHandle) {}

bool SetClip(const std::string& text) {
  clipboard = text;
  Trace("clipboard", text);
  return true;
}

std::optional<std::string> GetClip() { return clipboard ? clipboard : std::string(); }

void TraceTone(const std::vector<std::uint8_t>&, int frequency) {
  if (frequency > 0) Trace("tone " + std::to_string(frequency));
}

void TraceToneStop() { Trace("tone-stop"); }
void TraceBeep() { Trace("beep"); }

void MessageBoxLine(const std::string& text, const std::string&) {
  Trace("message-box", text);
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

const BackendOps HeadlessOps = {
    NoEvents,   WaitIdle,       VirtualMilliseconds, VirtualNow, VirtualSleep, CellMetrics,
    DrawCells,  NoPresent,      NoWindowChange,      NoDestroy,  SetClip,      GetClip,
    TraceTone,  TraceToneStop,  TraceBeep,           MessageBoxLine,
};

}  // namespace platform
