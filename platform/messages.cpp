#include "platform/messages.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/backend_internal.h"
#include "platform/window.h"

namespace platform {

// Defined in window.cpp: a window waiting for its paint, served when nothing is posted.
bool TakePaintMessage(WindowHandle filter, Message& message, bool remove);

namespace {

std::mutex queueLock;
std::condition_variable queueSignal;
std::deque<Message> queue;
unsigned modifierState = 0;

// Message-only windows, numbered apart from the windows of window.cpp.
std::map<WindowHandle, WindowProc> messageWindows;
WindowHandle nextMessageWindow = 0x40000000;

bool Matches(const Message& m, WindowHandle filter) {
  return filter == NoWindow || m.window == filter || m.id == MsgQuit;
}

bool TakePosted(Message& message, WindowHandle filter, bool remove) {
  std::lock_guard<std::mutex> hold(queueLock);
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!Matches(*it, filter)) continue;
    message = *it;
    if (remove) queue.erase(it);
    return true;
  }
  return false;
}

bool IsKeyboardMessage(unsigned id) { return id >= MsgKeyDown && id <= MsgSysChar; }

}  // namespace

void PostMessage(WindowHandle window, unsigned id, std::uintptr_t wparam, std::intptr_t lparam) {
  {
    std::lock_guard<std::mutex> hold(queueLock);
    queue.push_back(Message{window, id, wparam, lparam, 0});
  }
  queueSignal.notify_all();
}

void PostKeyMessage(WindowHandle window, unsigned id, std::uintptr_t key, unsigned modifiers) {
  {
    std::lock_guard<std::mutex> hold(queueLock);
    queue.push_back(Message{window, id, key, 0, modifiers});
  }
  queueSignal.notify_all();
}

void PostQuitMessage(int code) { PostMessage(NoWindow, MsgQuit, static_cast<std::uintptr_t>(code)); }

bool PeekMessage(Message& message, WindowHandle window, bool remove) {
  Ops().pollEvents();
  bool found = TakePosted(message, window, remove) || TakePaintMessage(window, message, remove);
  if (found && remove && IsKeyboardMessage(message.id)) modifierState = message.modifiers;
  return found;
}

bool MessagesPending() {
  Message ignored;
  return PeekMessage(ignored, NoWindow, false);
}

void WaitMessage() {
  while (!MessagesPending()) Ops().waitEvents();
}

// Backends that block on host events call this to sleep until another thread posts.
void WaitForPost(unsigned timeoutMs) {
  std::unique_lock<std::mutex> hold(queueLock);
  if (!queue.empty()) return;
  queueSignal.wait_for(hold, std::chrono::milliseconds(timeoutMs));
}

std::intptr_t DispatchMessage(const Message& message) {
  if (message.window == NoWindow) return 0;
  auto only = messageWindows.find(message.window);
  if (only != messageWindows.end())
    return only->second(message.window, message.id, message.wparam, message.lparam);
  return SendMessage(message.window, message.id, message.wparam, message.lparam);
}

WindowHandle CreateMessageWindow(WindowProc procedure) {
  WindowHandle handle = nextMessageWindow++;
  messageWindows[handle] = procedure;
  return handle;
}

void DestroyMessageWindow(WindowHandle window) { messageWindows.erase(window); }

unsigned CurrentModifiers() { return modifierState; }

}  // namespace platform
