// Numbered messages posted to windows and handled by window procedures, one queue per program.
#pragma once
#include <cstdint>

namespace platform {

using WindowHandle = int;  // 0 is no window
constexpr WindowHandle NoWindow = 0;

// Message numbers, in the numbering the system's modules already use.
enum : unsigned {
  MsgCreate = 0x0001,
  MsgDestroy = 0x0002,
  MsgSetFocus = 0x0007,
  MsgKillFocus = 0x0008,
  MsgPaint = 0x000F,
  MsgClose = 0x0010,
  MsgQuit = 0x0012,
  MsgGetMinMaxInfo = 0x0024,
  MsgKeyDown = 0x0100,
  MsgKeyUp = 0x0101,
  MsgChar = 0x0102,
  MsgSysKeyDown = 0x0104,
  MsgSysKeyUp = 0x0105,
  MsgSysChar = 0x0106,
  MsgMouseMove = 0x0200,
  MsgRButtonDown = 0x0204,
  MsgRButtonUp = 0x0205,
  MsgWaveDone = 957,  // a wave-output block has finished
  MsgUser = 0x0400,
};

// Key state carried with every keyboard message: the state of the modifiers when the key
// event happened, made current when the message is taken from the queue.
enum : unsigned { ModShift = 1, ModCtrl = 2, ModAlt = 4 };

struct Message {
  WindowHandle window = NoWindow;
  unsigned id = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
  unsigned modifiers = 0;
};

using WindowProc = std::intptr_t (*)(WindowHandle, unsigned id, std::uintptr_t wparam,
                                     std::intptr_t lparam);

// Safe from any thread; wakes a thread blocked in WaitMessage.
void PostMessage(WindowHandle window, unsigned id, std::uintptr_t wparam = 0,
                 std::intptr_t lparam = 0);
void PostKeyMessage(WindowHandle window, unsigned id, std::uintptr_t key, unsigned modifiers);
void PostQuitMessage(int code);

// Takes (remove) or looks at the first pending message; window NoWindow means any window.
// Before looking, the backend turns pending host events into messages.
bool PeekMessage(Message& message, WindowHandle window = NoWindow, bool remove = true);

// Sleeps until a message is pending. Never spins. In headless this is where virtual time moves.
void WaitMessage();

std::intptr_t DispatchMessage(const Message& message);
std::intptr_t SendMessage(WindowHandle window, unsigned id, std::uintptr_t wparam = 0,
                          std::intptr_t lparam = 0);

// A window that only receives messages and is never shown: DispatchMessage hands its messages
// to the procedure. For the platform's own services (the voices' sound and notifications).
WindowHandle CreateMessageWindow(WindowProc procedure);
void DestroyMessageWindow(WindowHandle window);

// Modifier state as of the last keyboard message taken from the queue.
unsigned CurrentModifiers();

// True while messages are queued (posted, or a window waiting for its paint).
bool MessagesPending();

}  // namespace platform
