// Helpers shared by the backend tests: a window that records the messages it gets.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/window.h"

namespace backends_test {

struct Seen {
  unsigned id;
  std::uintptr_t wparam;
  std::intptr_t lparam;
  unsigned modifiers;
  bool operator==(const Seen&) const = default;
};

inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

inline platform::MinMaxInfo& Limits() {
  static platform::MinMaxInfo limits;
  return limits;
}

// Records input and wave messages, answers the size limits, and leaves the rest to the default.
inline std::intptr_t Recorder(platform::WindowHandle w, unsigned id, std::uintptr_t wp,
                              std::intptr_t lp) {
  using namespace platform;
  bool input = (id >= MsgKeyDown && id <= MsgSysChar) || id == MsgMouseMove ||
               id == MsgRButtonDown || id == MsgRButtonUp || id == MsgSetFocus ||
               id == MsgKillFocus || id == MsgClose || id == MsgWaveDone;
  if (input) Log().push_back({id, wp, lp, CurrentModifiers()});
  if (id == MsgGetMinMaxInfo && Limits().minTrackWidth > 0) {
    *reinterpret_cast<MinMaxInfo*>(lp) = Limits();
    return 0;
  }
  if (id == MsgClose) return 0;  // recorded only: the test goes on with its window
  return DefaultWindowProc(w, id, wp, lp);
}

inline platform::WindowHandle MakeWindow(int outerWidth, int outerHeight) {
  platform::RegisterWindowClass({"Test", Recorder, {0, 0, 0}});
  return platform::CreateWindow("Test", "Janela de teste", outerWidth, outerHeight);
}

// Takes and dispatches every pending message.
inline void Pump() {
  platform::Message m;
  while (platform::PeekMessage(m)) platform::DispatchMessage(m);
}

// The SDL window shown for the platform's window: the one whose title is given.
inline SDL_Window* SdlWindow(const std::string& title) {
  for (Uint32 id = 1; id < 64; ++id)
    if (SDL_Window* w = SDL_GetWindowFromID(id))
      if (title == SDL_GetWindowTitle(w)) return w;
  return nullptr;
}

}  // namespace backends_test
