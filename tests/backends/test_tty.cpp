// The tty backend driven through a pseudo-terminal: a child process runs the backend on the
// terminal side; the test reads what it writes and types escape sequences at it.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>

#include "platform/backend.h"
#include "platform/keyboard.h"
#include "tests/backends/common.h"

using namespace platform;
using namespace backends_test;

namespace {

const char Leave[] = "\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l";

struct Child {
  pid_t pid = -1;
  int terminal = -1;  // the master side
  int results = -1;   // key messages, one "id wparam modifiers" line each
  std::string output;
};

// Key messages go to the results pipe; "z" draws one more cell; "q" ends the program.
int resultsPipe = -1;
std::intptr_t Report(WindowHandle w, unsigned id, std::uintptr_t wp, std::intptr_t lp) {
  if (id == MsgKeyDown || id == MsgChar || id == MsgSysKeyDown || id == MsgKeyUp) {
    std::string line = std::to_string(id) + " " + std::to_string(wp) + " " +
                       std::to_string(CurrentModifiers()) + "\n";
    (void)!write(resultsPipe, line.data(), line.size());
  }
  if (id == MsgChar && wp == 'z') DrawText(w, 0, 5 * 2, 1, "Z", {0, 255, 0}, {0, 0, 0});
  if (id == MsgChar && wp == 'q') ExitProgram(0);
  if (id == MsgChar && wp == 's') raise(SIGSEGV);
  return DefaultWindowProc(w, id, wp, lp);
}

[[noreturn]] void RunConsole() {
  setenv("ORALIS_BACKEND", "tty", 1);
  setenv("ORALIS_AUDIO", "null", 1);
  if (CurrentBackend() != Backend::Tty) _exit(90);
  RegisterWindowClass({"Tty", Report, {0, 0, 0}});
  // A cell is 2 x 1 pixels: 80 x 25 cells inside the frame and caption.
  WindowHandle w = CreateWindow("Tty", "tty", 2 * 80 + 8, 25 + 28);
  ShowWindow(w, ShowMode::Normal);
  UpdateWindow(w);
  FontHandle font = CreateFont({16, 8, 0, "Lucida Console"});
  DrawText(w, font, 0, 0, "Ol\xE1", {255, 255, 0}, {0, 0, 255});  // "Olá" yellow on blue
  for (;;) {
    Message m;
    while (PeekMessage(m)) DispatchMessage(m);
    WaitMessage();
  }
}

Child Start(unsigned short columns, unsigned short rows) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  winsize size{rows, columns, 0, 0};
  Child child;
  child.pid = forkpty(&child.terminal, nullptr, nullptr, &size);
  if (child.pid == 0) {
    close(pipeEnds[0]);
    resultsPipe = pipeEnds[1];
    RunConsole();
  }
  close(pipeEnds[1]);
  child.results = pipeEnds[0];
  return child;
}

// Reads from fd until text holds needle (after from) or the child is silent for 10 s.
bool ReadUntil(int fd, std::string& text, const std::string& needle, std::size_t from = 0) {
  while (text.find(needle, from) == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return false;
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

void Type(const Child& c, const std::string& bytes) {
  ASSERT_EQ(write(c.terminal, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

int Finish(Child& c) {
  ReadUntil(c.terminal, c.output, Leave);
  int status = 0;
  waitpid(c.pid, &status, 0);
  return status;
}

std::string Sgr(const char* which, int r, int g, int b) {
  return std::string("\x1b[") + which + ";2;" + std::to_string(r) + ";" + std::to_string(g) + ";" +
         std::to_string(b) + "m";
}

}  // namespace

TEST(TtyBackend, ALineIsWrittenInItsColoursAndLaterOnlyChangedCells) {
  Child c = Start(80, 25);
  ASSERT_GT(c.pid, 0);
  // The alternate screen, then the whole grid once: the coloured run in 24-bit colours.
  std::string run = "\x1b[1;1H" + Sgr("38", 255, 255, 0) + Sgr("48", 0, 0, 255) + "Ol\xC3\xA1" +
                    Sgr("38", 0, 0, 0) + Sgr("48", 0, 0, 0) + " ";
  ASSERT_TRUE(ReadUntil(c.terminal, c.output, run));
  ASSERT_TRUE(ReadUntil(c.terminal, c.output, "\x1b[?25l", c.output.find(run)));
  EXPECT_EQ(c.output.find("\x1b[?1049h"), 0u);
  // One cell changed: one cell written.
  std::size_t mark = c.output.size();
  Type(c, "z");
  ASSERT_TRUE(ReadUntil(c.terminal, c.output, "\x1b[?25l", mark));
  EXPECT_EQ(c.output.substr(mark), "\x1b[2;6H" + Sgr("38", 0, 255, 0) + Sgr("48", 0, 0, 0) + "Z\x1b[?25l");
  Type(c, "q");
  int status = Finish(c);
  // The exit code is the test guard's (the child is a fork of the test program).
  EXPECT_TRUE(WIFEXITED(status)) << "status " << std::hex << status;
}

TEST(TtyBackend, EscapeSequencesBecomeKeysOfTheKeyTable) {
  Child c = Start(80, 25);
  ASSERT_GT(c.pid, 0);
  ASSERT_TRUE(ReadUntil(c.terminal, c.output, "\x1b[25;1H"));
  const struct {
    const char* bytes;
    std::vector<std::string> messages;  // "id wparam modifiers"
  } cases[] = {
      {"a", {"256 65 0", "258 97 0"}},
      {"B", {"256 66 1", "258 66 1"}},
      {"\r", {"256 13 0", "258 13 0"}},
      {"\n", {"256 13 2", "258 13 2"}},  // Ctrl+Enter
      {"\x7f", {"256 8 0", "258 8 0"}},
      {"\x03", {"256 67 2", "258 3 2"}},  // Ctrl+C stays a key: the copy key
      {"\x1c", {"256 3 2"}},              // Ctrl+\ stands for Ctrl+Break
      {"\t", {"256 9 0", "258 9 0"}},
      {"\x1b[Z", {"256 9 1", "258 9 1"}},
      {"\x1b[A", {"256 38 0"}},
      {"\x1bOB", {"256 40 0"}},
      {"\x1b[1;5D", {"256 37 2"}},
      {"\x1b[1;3C", {"260 39 4"}},  // Alt+Right: a system key
      {"\x1b[H", {"256 36 0"}},
      {"\x1b[4~", {"256 35 0"}},
      {"\x1b[5~", {"256 33 0"}},
      {"\x1b[6;5~", {"256 34 2"}},
      {"\x1b[2~", {"256 45 0"}},
      {"\x1b[2;2~", {"256 45 1"}},
      {"\x1b[2;5~", {"256 45 2"}},
      {"\x1b[3~", {"256 46 0"}},
      {"\x1bOP", {"256 112 0"}},
      {"\x1b[[B", {"256 113 0"}},  // the Linux console's F2
      {"\x1b[1;5R", {"256 114 2"}},
      {"\x1b[15~", {"256 116 0"}},
      {"\x1b[21~", {"260 121 0"}},  // F10: a system key
      {"\x1b[24;5~", {"256 123 2"}},
      {"\x1bx", {"256 88 4"}},  // Alt+letter: the key, no character
      {"\x1b" "5", {"256 53 4"}},
      {"\xC3\xA3", {"258 227 0"}},  // "ã" in the Windows code page
      {"\xE2\x82\xAC", {"258 128 0"}},
      {"%", {"258 37 0"}},
  };
  std::string got;
  for (const auto& k : cases) {
    got.clear();
    Type(c, k.bytes);
    std::string expected;
    for (const std::string& m : k.messages) expected += m + "\n";
    ReadUntil(c.results, got, expected);
    EXPECT_EQ(got, expected) << "keys " << testing::PrintToString(std::string(k.bytes));
  }
  // A lone Escape is the Escape key once no sequence follows.
  got.clear();
  Type(c, "\x1b");
  EXPECT_TRUE(ReadUntil(c.results, got, "256 27 0\n258 27 0\n")) << got;
  Type(c, "q");
  Finish(c);
}

TEST(TtyBackend, TheTerminalIsRestoredOnEveryWayOut) {
  const struct {
    const char* name;
    std::function<void(Child&)> end;
    int signal;  // 0: a normal exit
  } ways[] = {
      {"normal end", [](Child& c) { Type(c, "q"); }, 0},
      {"SIGINT", [](Child& c) { kill(c.pid, SIGINT); }, SIGINT},
      {"SIGTERM", [](Child& c) { kill(c.pid, SIGTERM); }, SIGTERM},
      {"a crash", [](Child& c) { Type(c, "s"); }, SIGSEGV},
  };
  for (const auto& way : ways) {
    Child c = Start(80, 25);
    ASSERT_GT(c.pid, 0);
    termios before{};
    ASSERT_TRUE(ReadUntil(c.terminal, c.output, "\x1b[25;1H"));
    ASSERT_EQ(tcgetattr(c.terminal, &before), 0);
    EXPECT_FALSE(before.c_lflag & (ICANON | ECHO)) << way.name;  // raw while running
    way.end(c);
    int status = Finish(c);
    if (way.signal) EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == way.signal) << way.name;
    else EXPECT_TRUE(WIFEXITED(status)) << way.name;
    termios after{};
    ASSERT_EQ(tcgetattr(c.terminal, &after), 0);
    EXPECT_TRUE((after.c_lflag & ICANON) && (after.c_lflag & ECHO) && (after.c_lflag & ISIG)) << way.name;
    EXPECT_NE(c.output.rfind(Leave), std::string::npos) << way.name;
    close(c.terminal);
    close(c.results);
  }
}

TEST(TtyBackend, ASmallTerminalGetsAClearMessage) {
  Child c = Start(60, 20);
  ASSERT_GT(c.pid, 0);
  EXPECT_TRUE(ReadUntil(c.terminal, c.output, "precisa de 80 colunas e 25 linhas; este tem 60 x 20."))
      << c.output;
  EXPECT_EQ(c.output.find("Ol\xC3\xA1"), std::string::npos);  // no grid on it
  Type(c, "q");
  Finish(c);
}
