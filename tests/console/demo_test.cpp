// The demo program as a person would see it: its last screen and its trace.
#include "console_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Padded(const std::string& utf8Row, std::size_t characters) {
  return utf8Row + std::string(80 - characters, ' ') + "\n";
}

}  // namespace

TEST(Demo, WritesScrollsReadsALineAndEnds) {
  std::string folder = console_test::TestFolder();
  std::string keys = folder + "/keys.txt", trace = folder + "/trace.txt", screen = folder + "/screen.txt";
  std::ofstream(keys) << "# the user types a name\ntype Maria\nkey Enter\n";
  std::string command = "env ORALIS_BACKEND=headless ORALIS_WINDIR='" + folder + "' ORALIS_KEYS='" +
                        keys + "' ORALIS_TRACE='" + trace + "' ORALIS_SCREEN='" + screen + "' '" +
                        CONSOLE_DEMO_PROGRAM + "' </dev/null >/dev/null 2>&1";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  // 30 lines, the prompt and the greeting: the first eight lines have scrolled away.
  std::string expected;
  for (int line = 8; line <= 30; ++line) {
    std::string text = "Linha " + std::to_string(line);
    expected += Padded(text, text.size());
  }
  expected += Padded("Nome: Maria", 11);
  expected += Padded("Ol\xC3\xA1, Maria!", 11);
  EXPECT_EQ(ReadAll(screen), expected);
  EXPECT_EQ(ReadAll(trace), "0 beep\n1500 exit 0\n");
}
