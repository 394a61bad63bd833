#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "platform/window.h"

using namespace platform;

namespace {

std::vector<std::string> log;

std::string Describe(unsigned id, std::uintptr_t wp) {
  switch (id) {
    case MsgKeyDown: return "down " + std::to_string(wp);
    case MsgKeyUp: return "up " + std::to_string(wp);
    case MsgSysKeyDown: return "sysdown " + std::to_string(wp);
    case MsgSysKeyUp: return "sysup " + std::to_string(wp);
    case MsgChar: return "char " + std::to_string(wp);
    case MsgClose: return "close";
    default: return "";
  }
}

std::intptr_t Logger(WindowHandle w, unsigned id, std::uintptr_t wp, std::intptr_t lp) {
  std::string what = Describe(id, wp);
  if (!what.empty()) {
    unsigned mods = CurrentModifiers();
    if (id == MsgClose) mods = 0;
    log.push_back(std::to_string(Milliseconds()) + " " + what +
                  (mods ? " m" + std::to_string(mods) : ""));
  }
  if (id == MsgClose) return 0;  // keep the window: the test ends the run itself
  return DefaultWindowProc(w, id, wp, lp);
}

// Runs a message loop until the window is closed, with a sound-like timer due at soundEnd.
std::vector<std::string> RunScript(const std::string& script, std::uint64_t soundEnd) {
  log.clear();
  StartHeadless(script);
  RegisterWindowClass({"Log", Logger, {}});
  WindowHandle w = CreateWindow("Log", "log", 100, 100);
  ShowWindow(w, ShowMode::Normal);
  if (soundEnd) headless::AddTimer(soundEnd, [] { log.push_back(std::to_string(Milliseconds()) + " sound-end"); });
  // Until the script's end closes the window (an Alt+F4 in the script closes it once before).
  auto closes = [] { return std::count_if(log.begin(), log.end(), [](const std::string& e) {
                       return e.find("close") != std::string::npos; }); };
  while (closes() < (script.find("alt+F4") != std::string::npos ? 2 : 1)) {
    WaitMessage();
    Message m;
    while (PeekMessage(m)) DispatchMessage(m);
  }
  return log;
}

}  // namespace

TEST(KeyScript, KeysWaitForTheSoundAndDelayedKeysInterruptIt) {
  auto events = RunScript(
      "# comment\n"
      "\n"
      "type aB\n"
      "@+100 key ctrl+F1\n"
      "wait 50\n"
      "key alt+x\n"
      "key alt+F4\n"
      "chord f space\n"
      "key Enter\n",
      30);
  std::vector<std::string> expected = {
      "30 sound-end",  // the first key waits for the sound to end
      "30 down 65", "30 char 97", "30 up 65",
      "30 down 66 m1", "30 char 66 m1", "30 up 66 m1",
      "130 down 112 m2", "130 up 112 m2",  // 100 ms after the previous event
      // wait 50
      "180 down 88 m4", "180 up 88 m4",  // Alt with a letter is an ordinary key, no character
      "180 sysdown 115 m4", "180 sysup 115 m4", "180 close",  // Alt+F4 is the system's
      "180 down 70", "180 char 102", "180 down 32", "180 char 32", "180 up 70", "180 up 32",
      "180 down 13", "180 char 13", "180 up 13",
      "180 close",  // the script is used up: the window is closed
  };
  EXPECT_EQ(events, expected);
}

TEST(KeyScript, DelayedEventComesEvenWhileTheProgramIsBusy) {
  // The sound lasts until 500; the key interrupts it at 100.
  auto events = RunScript("@+100 key Esc\n", 500);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], "100 down 27");
  EXPECT_EQ(events[1], "100 char 27");
}

TEST(KeyScript, MalformedLineStopsTheRunNamingTheLine) {
  EXPECT_EXIT(StartHeadless("type ok\nkey Nonsense\n"), testing::ExitedWithCode(2),
              "line 2: unknown key \"Nonsense\"");
  EXPECT_EXIT(StartHeadless("\n\nfrobnicate\n"), testing::ExitedWithCode(2), "line 3");
  EXPECT_EXIT(StartHeadless("@+x key a\n"), testing::ExitedWithCode(2), "line 1");
  EXPECT_EXIT(StartHeadless("wait soon\n"), testing::ExitedWithCode(2), "line 1");
}

TEST(KeyScript, AProgramThatIgnoresTheCloseStillEnds) {
  StartHeadless("");
  EXPECT_EXIT(
      {
        for (;;) {
          WaitMessage();
          Message m;
          while (PeekMessage(m)) {}
        }
      },
      testing::ExitedWithCode(3), "still waits");
}

TEST(VirtualClock, SleepFiresTimersInOrderAndDatesFollow) {
  StartHeadless("");
  SetClockStart(1999, 12, 31, 23, 59, 59);
  std::vector<int> fired;
  headless::AddTimer(700, [&] { fired.push_back(2); });
  headless::AddTimer(300, [&] { fired.push_back(1); });
  headless::AddTimer(300, [&] { fired.push_back(11); });  // same time: order of adding
  Sleep(500);
  EXPECT_EQ(fired, (std::vector<int>{1, 11}));
  EXPECT_EQ(Milliseconds(), 500u);
  Sleep(1000);
  EXPECT_EQ(fired, (std::vector<int>{1, 11, 2}));
  DateTime t = Now();  // 1.5 s after the start: the new millennium's first second
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.weekday, t.hour, t.minute, t.second,
                              t.millisecond}),
            (std::vector<int>{2000, 1, 1, 6, 0, 0, 0, 500}));
  SetClockStart(2024, 2, 29, 12, 0, 0);
  EXPECT_EQ(Now().weekday, 4);  // a Thursday
}

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string TempName(const std::string& stem) {
  return testing::TempDir() + "oralis_" + stem + "_" + std::to_string(getpid());
}

[[noreturn]] void TracedRun(const std::string& tracePath, const std::string& screenPath) {
  setenv("ORALIS_TRACE", tracePath.c_str(), 1);
  setenv("ORALIS_SCREEN", screenPath.c_str(), 1);
  RunScript("type x\n@+40 key Esc\n", 25);
  Trace("clipboard", "linha\r\nn\xE3o");
  SetScreenSource([](int row) { return row == 1 ? std::string("Ol\xE1") : std::string(); });
  ExitProgram(7);
}

}  // namespace

TEST(Trace, RepeatedRunsGiveIdenticalTracesAndTheScreenDump) {
  std::string a = TempName("a.trace"), b = TempName("b.trace"), screen = TempName("screen");
  EXPECT_EXIT(TracedRun(a, screen), testing::ExitedWithCode(7), "");
  EXPECT_EXIT(TracedRun(b, screen), testing::ExitedWithCode(7), "");
  std::string first = ReadFile(a);
  EXPECT_EQ(first, ReadFile(b));
  EXPECT_EQ(first, "65 clipboard linha\\x0D\\x0An\xC3\xA3o\n65 exit 7\n");
  std::string dump = ReadFile(screen);
  std::string row1 = "Ol\xC3\xA1" + std::string(77, ' ') + "\n";
  EXPECT_EQ(dump.substr(0, row1.size()), row1);
  EXPECT_EQ(dump.size(), row1.size() + 24 * 81);
  for (const auto& p : {a, b, screen}) std::remove(p.c_str());
}
