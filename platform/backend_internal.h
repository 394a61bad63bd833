// What a backend supplies to the shared services. Only platform/ includes this.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace platform {

struct BackendOps {
  // Turns pending host events into posted messages, without waiting.
  void (*pollEvents)();
  // Blocks until a message may have been posted (host event, other thread, or due time).
  void (*waitEvents)();
  std::uint64_t (*milliseconds)();
  DateTime (*now)();
  void (*sleep)(unsigned milliseconds);
  // Fonts and glyphs: the backend measures and draws characters into the framebuffer.
  FontMetrics (*fontMetrics)(const FontRequest& request);
  void (*drawGlyphs)(std::uint32_t* pixels, int stride, int height, const FontRequest& font,
                     int x, int y, const std::string& bytes, Rgb foreground, Rgb background);
  // A window's framebuffer changed in the given rectangle; show it.
  void (*present)(WindowHandle window, const Rect& changed);
  void (*windowCreated)(WindowHandle window, const std::string& title, int width, int height);
  void (*windowDestroyed)(WindowHandle window);
  bool (*setClipboard)(const std::string& ansi);
  std::optional<std::string> (*getClipboard)();
  void (*playLoop)(const std::vector<std::uint8_t>& waveImage, int frequency);
  void (*stopSounds)();
  void (*beep)();
  void (*messageBox)(const std::string& text, const std::string& caption);
};

const BackendOps& Ops();

// For backends that block: sleeps until another thread posts a message, or the time-out ends.
void WaitForPost(unsigned timeoutMs);
extern const BackendOps HeadlessOps;

// Framebuffer access for backends that show it.
const std::vector<std::uint32_t>& Framebuffer(WindowHandle window, int& width, int& height);

}  // namespace platform
