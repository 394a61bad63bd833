// The key queue: key codes, characters, line reading, Braille chords, the caret and the ends of
// the program that keys and window messages cause.
#include "console_fixture.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"

using namespace console_test;
using namespace platform;

namespace {

std::string Bytes(std::initializer_list<int> codes) {
  std::string s;
  for (int c : codes) s += static_cast<char>(c);
  return s;
}

// The key codes a script gives, read as a program reads them.
std::string CodesOf(const std::string& script, std::size_t count) {
  headless::LoadKeyScript(script, "(case)");
  std::string codes;
  while (codes.size() < count) codes += static_cast<char>(ReadKeyCode());
  return codes + TakeQueued();
}

struct KeyCase {
  const char* script;
  std::string codes;
};

const KeyCase keyCases[] = {
    {"key F1", Bytes({0, 59})},           {"key ctrl+F1", Bytes({0, 94})},
    {"key F12", Bytes({0, 70})},          {"key ctrl+F12", Bytes({0, 105})},
    {"key shift+F5", Bytes({0, 63})},     {"key ctrl+F10", Bytes({0, 103})},
    {"key Ins", Bytes({0, 82})},          {"key ctrl+Ins", Bytes({0, 255})},
    {"key shift+Ins", Bytes({0, 254})},   {"key ctrl+shift+Ins", Bytes({0, 255})},
    {"key Del", Bytes({0, 83})},          {"key ctrl+Del", Bytes({0, 83})},
    {"key Home", Bytes({0, 71})},         {"key ctrl+Home", Bytes({0, 119})},
    {"key End", Bytes({0, 79})},          {"key ctrl+End", Bytes({0, 117})},
    {"key PgUp", Bytes({0, 73})},         {"key ctrl+PgUp", Bytes({0, 132})},
    {"key PgDn", Bytes({0, 81})},         {"key ctrl+PgDn", Bytes({0, 118})},
    {"key Up", Bytes({0, 72})},           {"key ctrl+Up", Bytes({0, 113})},
    {"key Down", Bytes({0, 80})},         {"key shift+Down", Bytes({0, 80})},
    {"key ctrl+Down", Bytes({0, 114})},   {"key Left", Bytes({0, 75})},
    {"key ctrl+Left", Bytes({0, 115})},   {"key Right", Bytes({0, 77})},
    {"key ctrl+Right", Bytes({0, 116})},  {"key alt+Left", Bytes({0, 75})},
    {"key alt+Right", Bytes({0, 77})},    {"key alt+a", Bytes({0, 30})},
    {"key alt+m", Bytes({0, 50})},        {"key alt+q", Bytes({0, 16})},
    {"key alt+z", Bytes({0, 44})},        {"key ctrl+alt+b", Bytes({0, 48})},
    {"key alt+1", Bytes({0, 120})},       {"key alt+9", Bytes({0, 128})},
    {"key alt+0", Bytes({0, 129})},       {"key Backspace", Bytes({8})},
    {"key ctrl+Backspace", Bytes({127})}, {"key Enter", Bytes({13})},
    {"key ctrl+Enter", Bytes({10})},      {"key Esc", Bytes({27})},
    {"key Tab", Bytes({9})},              {"key ctrl+c", Bytes({3})},
    {"type aZ 9", "aZ 9"},                {"type \xC3\xA7;", "\xE7;"},
    // Alone, F10 is a system key, and an Alt combination off the letters gives nothing.
    {"key F10\nkey alt+F5\nkey F2", Bytes({0, 60})},
};

}  // namespace

TEST(Keys, TableOfCodes) {
  StartConsole();
  for (const KeyCase& c : keyCases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(CodesOf(c.script, c.codes.size()), c.codes);
  }
}

TEST(Keys, FullQueueDropsKeysAndTakesExtendedKeysOnlyWhole) {
  StartConsole();
  WindowHandle w = ConsoleWindow();
  for (int i = 0; i < 63; ++i) PostKeyMessage(w, MsgChar, 'x', 0);
  PostKeyMessage(w, MsgKeyDown, VkF1, 0);  // needs two places, one is left
  PostKeyMessage(w, MsgChar, 'y', 0);
  PostKeyMessage(w, MsgChar, 'z', 0);      // the queue is full
  PumpMessages();
  EXPECT_EQ(TakeQueued(), std::string(63, 'x') + "y");
}

TEST(Keys, PauseSleepsThenTakesTheKeys) {
  StartConsole();
  PostKeyMessage(ConsoleWindow(), MsgChar, 'k', 0);
  std::uint64_t before = Milliseconds();
  PauseMs(250);
  EXPECT_EQ(Milliseconds() - before, 250u);
  EXPECT_FALSE(MessagesPending());
  EXPECT_EQ(TakeQueued(), "k");
}

TEST(Keys, CaretUnderlinesTheCursorOnlyWhileAKeyIsAwaited) {
  StartConsole("wait 10\ntype x\n");
  WriteBytes("ab\ncd");
  int x = -1, y = -1;
  bool shownDuringWait = false;
  headless::AddTimer(headless::Now() + 5, [&] { shownDuringWait = CaretShown(x, y); });
  EXPECT_EQ(ReadKeyCode(), 'x');
  EXPECT_TRUE(shownDuringWait);
  EXPECT_EQ(x, 2 * 13);           // column 3
  EXPECT_EQ(y, 28 + 28 * 4 / 5);  // row 2, at the font's ascent
  EXPECT_FALSE(CaretShown(x, y));
}

struct LineCase {
  const char* script;
  std::size_t size;
  std::string line;  // stored, CR LF included
  std::string echo;  // row 1 afterwards
};

const LineCase lineCases[] = {
    {"type abc\nkey Enter", 128, "abc\r\n", "abc"},
    {"type a\nkey F1\ntype b\nkey Enter", 128, "a;b\r\n", "a;b"},
    {"key Up\nkey Enter", 128, "H\r\n", "H"},
    {"type abc\nkey Backspace\ntype d\nkey Enter", 128, "abd\r\n", "abd"},
    {"key Backspace\ntype a\nkey Enter", 128, "a\r\n", "a"},
    {"type a\nkey Esc\nkey Tab\nkey ctrl+b\nkey Enter", 128, "a\r\n", "a"},
    {"type abcdef\nkey Enter", 5, "abc\r\n", "abc"},
    {"type ab\nkey Enter", 2, "\r\n", ""},
    {"type ab\nkey Enter", 1, "\r", ""},
};

TEST(Keys, ReadEchoLineTable) {
  StartConsole();
  for (const LineCase& c : lineCases) {
    SCOPED_TRACE(c.script);
    MoveCursor(1, 1);
    ClearToLineEnd();
    headless::LoadKeyScript(c.script, "(case)");
    std::vector<char> buffer(c.size + 8, '#');
    std::size_t count = ReadEchoLine(buffer.data(), c.size);
    EXPECT_EQ(std::string(buffer.data(), count), c.line);
    EXPECT_EQ(buffer[c.size], '#');  // nothing past the buffer
    EXPECT_EQ(Row(1), c.echo);
    EXPECT_EQ(CursorRow(), 2);
    EXPECT_EQ(CursorColumn(), 1);
  }
}

struct BrailleCase {
  int mode;
  const char* script;
  std::string codes;
};

// Chord keys: F dot 1, D dot 2, S dot 3, J dot 4, K dot 5, L dot 6, and the space bar.
const BrailleCase brailleCases[] = {
    {2, "chord S J K L\nchord F\nchord F D", "12"},                         // number sign, a, b
    {2, "chord S J K L\nchord F J\nchord K\nchord F", "3~a"},               // tilde ends numbers
    {2, "chord S J K L\nchord S\nchord F K", ".5"},                          // apostrophe, e
    {2, "chord J L\nchord J L\nchord F J\nchord F J K\nchord Space\nchord F J", "CD c"},
    {2, "chord J L\nchord F\nchord F", "Aa"},                               // capital, once
    {2, "chord J L\nchord F D S J L\nchord F", "\xE7" "a"},                // accents stay, capital off
    {1, "chord S J K L", "#"},
    {1, "chord J L\nchord F", "{a"},
    {1, "chord F D S J K L", "\xE9"},
    {1, "chord Space F", Bytes({1})},                                       // a control character
    {1, "chord Space", " "},
    {1, "key a", " "},  // a letter off the chord keys is a chord of no dots
    {1, "type ;", ";"},
    {1, "key ctrl+f\nkey F1", Bytes({6, 0, 59})},
};

TEST(Keys, BrailleChordTable) {
  StartConsole();
  for (const BrailleCase& c : brailleCases) {
    SCOPED_TRACE(c.script);
    SetBrailleMode(0);
    SetBrailleMode(c.mode);
    EXPECT_EQ(CodesOf(c.script, c.codes.size()), c.codes);
  }
}

TEST(Keys, CtrlAltF11AndF12SwitchTheBrailleMode) {
  StartConsole();
  struct {
    const char* key;
    int mode;
  } steps[] = {{"key ctrl+alt+F11", 1}, {"key ctrl+alt+F11", 2}, {"key ctrl+alt+F11", 1},
               {"key ctrl+alt+F11", 2}, {"key ctrl+alt+F12", 0}, {"key ctrl+alt+F12", 0}};
  for (const auto& step : steps) {
    headless::LoadKeyScript(std::string(step.key) + "\ntype ;", "(case)");
    EXPECT_EQ(ReadKeyCode(), ';');  // the switch itself queues nothing
    EXPECT_EQ(BrailleMode(), step.mode);
  }
}

// ---- The ends of the program ----

namespace {

// Runs after the console's own exit procedure (exit handlers run last installed first).
void ReportTitleAtExit() {
  AddExitHandler([](int) {
    std::fprintf(stderr, "title=[%s]\n", WindowTitle(ConsoleWindow()).c_str());
  });
}

[[noreturn]] void AwaitKeyAndReport(const std::string& script) {
  ReportTitleAtExit();
  StartConsole(script);
  ReadKeyCode();
  std::fprintf(stderr, "returned\n");
  std::_Exit(99);
}

}  // namespace

TEST(Ending, CtrlBreakEndsWith255AndSaysSoInTheTitle) {
  EXPECT_EXIT(AwaitKeyAndReport("key ctrl+break"), testing::ExitedWithCode(255),
              "title=\\[Programa terminado\\]");
}

TEST(Ending, ClosingTheWindowWhileAKeyIsAwaitedEndsNormally) {
  for (const char* script : {"close", "key alt+F4", ""}) {
    SCOPED_TRACE(script);
    // Returning from the wait would end with 99.
    EXPECT_EXIT(AwaitKeyAndReport(script), testing::ExitedWithCode(0), "");
  }
}

TEST(Ending, QuitMessageWhilePumpingEndsWith255) {
  EXPECT_EXIT(
      {
        StartConsole();
        PostQuitMessage(0);
        PumpMessages();
        std::_Exit(99);
      },
      testing::ExitedWithCode(255), "");
}

TEST(Ending, CloseConsoleDiscardsKeysAndEndsNormally) {
  EXPECT_EXIT(
      {
        ReportTitleAtExit();
        StartConsole();
        PostKeyMessage(ConsoleWindow(), MsgChar, 'x', 0);
        PumpMessages();
        CloseConsole();
      },
      testing::ExitedWithCode(0), "title=\\[\\]");  // the window is gone
}
