#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/backend_internal.h"
#include "platform/messages.h"
#include "platform/window.h"

using namespace platform;

namespace {

std::vector<unsigned> seen;

std::intptr_t Recorder(WindowHandle w, unsigned id, std::uintptr_t wp, std::intptr_t lp) {
  seen.push_back(id);
  return DefaultWindowProc(w, id, wp, lp);
}

WindowHandle MakeWindow() {
  RegisterWindowClass({"Test", Recorder, {}});
  WindowHandle w = CreateWindow("Test", "t", 200, 100);
  ShowWindow(w, ShowMode::Normal);
  return w;
}

}  // namespace

TEST(Messages, PostFromAnotherThreadWakesTheWaitingThread) {
  StartHeadless("");
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(7, MsgUser + 1, 42);
  });
  Message m;
  // A generous time-out: the post, not the time-out, must end the wait.
  while (!PeekMessage(m)) WaitForPost(60000);
  poster.join();
  EXPECT_EQ(m.window, 7);
  EXPECT_EQ(m.id, MsgUser + 1u);
  EXPECT_EQ(m.wparam, 42u);
}

TEST(Messages, FilterByWindowKeepsOrderAndLetsQuitThrough) {
  StartHeadless("");
  PostMessage(1, MsgUser);
  PostMessage(2, MsgUser + 2);
  PostQuitMessage(5);
  Message m;
  ASSERT_TRUE(PeekMessage(m, 2));
  EXPECT_EQ(m.id, MsgUser + 2u);
  ASSERT_TRUE(PeekMessage(m, 2));
  EXPECT_EQ(m.id, static_cast<unsigned>(MsgQuit));
  EXPECT_EQ(m.wparam, 5u);
  EXPECT_FALSE(PeekMessage(m, 2));
  ASSERT_TRUE(PeekMessage(m, NoWindow, false));  // peek without taking
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.window, 1);
  EXPECT_FALSE(MessagesPending());
}

TEST(Messages, ModifiersBecomeCurrentWhenTheKeyMessageIsTaken) {
  StartHeadless("");
  PostKeyMessage(1, MsgKeyDown, 'A', ModCtrl | ModShift);
  PostKeyMessage(1, MsgKeyUp, 'A', 0);
  EXPECT_EQ(CurrentModifiers(), 0u);
  Message m;
  PeekMessage(m);
  EXPECT_EQ(CurrentModifiers(), unsigned(ModCtrl | ModShift));
  PeekMessage(m, NoWindow, false);  // looking is not taking
  EXPECT_EQ(CurrentModifiers(), unsigned(ModCtrl | ModShift));
  PeekMessage(m);
  EXPECT_EQ(CurrentModifiers(), 0u);
}

TEST(Messages, InvalidWindowGetsOnePaintOnceNothingIsPosted) {
  StartHeadless("");
  WindowHandle w = MakeWindow();
  Message m;
  while (PeekMessage(m)) DispatchMessage(m);  // the first paint after creation
  seen.clear();
  Rect r{0, 0, 10, 10};
  InvalidateRect(w, &r, false);
  PostMessage(w, MsgUser);
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.id, static_cast<unsigned>(MsgUser));  // posted messages come before paints
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.id, static_cast<unsigned>(MsgPaint));
  DispatchMessage(m);  // the default handling validates
  EXPECT_FALSE(PeekMessage(m));
  EXPECT_EQ(seen, std::vector<unsigned>{MsgPaint});
}

TEST(Messages, DefaultHandlingOfCloseDestroysTheWindow) {
  StartHeadless("");
  WindowHandle w = MakeWindow();
  seen.clear();
  SendMessage(w, MsgClose);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(seen, (std::vector<unsigned>{MsgClose, MsgDestroy}));
}
