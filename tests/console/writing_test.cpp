// Writing on the screen: the cursor, control bytes, scrolling and the standard streams.
#include "console_fixture.h"

#include <iostream>
#include <vector>

#include "platform/messages.h"
#include "platform/window.h"

using namespace console_test;
using namespace platform;

namespace {

struct WriteCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> rows;  // rows 1, 2, ... as they must read
  int column, row;                // the cursor afterwards
};

const WriteCase writeCases[] = {
    {"plain", "abc", {"abc"}, 4, 1},
    {"80 characters leave column 81", std::string(80, 'x'), {std::string(80, 'x'), ""}, 81, 1},
    {"then one line feed breaks once", std::string(80, 'x') + "\n", {std::string(80, 'x'), "", ""}, 1, 2},
    {"the 81st character breaks the line", std::string(81, 'x'), {std::string(80, 'x'), "x"}, 2, 2},
    {"backspace in column 1 does nothing", "\b", {""}, 1, 1},
    {"backspace blanks the cell left", "abc\b", {"ab"}, 3, 1},
    {"backspace from column 81", std::string(80, 'x') + "\b", {std::string(79, 'x')}, 80, 1},
    {"tab and other control bytes print nothing", "a\tb\x01\x1B\x0C", {"ab"}, 3, 1},
    {"carriage return", "abc\rX", {"Xbc"}, 2, 1},
    {"line feed goes to column 1", "ab\ncd", {"ab", "cd"}, 3, 2},
    {"bytes of the Windows code page", "\xE1\xE7\xFF", {"\xE1\xE7\xFF"}, 4, 1},
};

// Every pixel of the client area.
std::vector<std::uint32_t> Picture() {
  Rect client = ClientRect(ConsoleWindow());
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) pixels.push_back(PixelAt(ConsoleWindow(), x, y));
  return pixels;
}

std::vector<std::uint32_t> Repainted() {
  InvalidateRect(ConsoleWindow(), nullptr, true);
  UpdateWindow(ConsoleWindow());
  return Picture();
}

// True when the picture is what the screen buffer gives when painted afresh.
bool PictureMatchesBuffer() {
  std::vector<std::uint32_t> drawn = Picture();
  return drawn == Repainted();
}

}  // namespace

TEST(Writing, TableOfBytes) {
  StartConsole();
  for (const WriteCase& c : writeCases) {
    SCOPED_TRACE(c.name);
    MoveCursor(1, 1);
    for (int row = 1; row <= 3; ++row) ClearToLineEnd(), MoveCursor(1, row + 1);
    MoveCursor(1, 1);
    WriteBytes(c.bytes);
    for (std::size_t i = 0; i < c.rows.size(); ++i) EXPECT_EQ(Row(static_cast<int>(i) + 1), c.rows[i]);
    EXPECT_EQ(CursorColumn(), c.column);
    EXPECT_EQ(CursorRow(), c.row);
  }
}

TEST(Writing, EachCellKeepsTheAttributeItWasWrittenIn) {
  StartConsole();
  SetBackground(1);
  WriteBytes("ab");
  SetBackground(4);
  WriteBytes("cd\b");
  EXPECT_EQ(ScreenAttrAt(2, 1), 0x1F);
  EXPECT_EQ(ScreenAttrAt(3, 1), 0x4F);
  EXPECT_EQ(ScreenAttrAt(4, 1), 0x4F);  // blanked by the backspace in the current attribute
  EXPECT_EQ(Row(1), "abc");
  // The picture is what the buffer gives: runs of one attribute, each in its colours.
  EXPECT_TRUE(PictureMatchesBuffer());
  EXPECT_EQ(PixelAt(ConsoleWindow(), 13 + 0, 0), 0x0000FFu);       // cell 2: blue background
  EXPECT_EQ(PixelAt(ConsoleWindow(), 2 * 13 + 0, 0), 0xFF0000u);   // cell 3: red background
}

TEST(Writing, CarriageReturnRedrawsCellsLeftOfTheStart) {
  StartConsole();
  WriteBytes("abcdef");
  std::vector<std::uint32_t> before = Picture();
  WriteBytes("\rZ");  // a glyph unlike the one it replaces
  EXPECT_EQ(Row(1), "Zbcdef");
  EXPECT_NE(Picture(), before);
  EXPECT_TRUE(PictureMatchesBuffer());
}

TEST(Writing, CursorMovesAreClamped) {
  StartConsole();
  struct {
    int column, row, wantColumn, wantRow;
  } moves[] = {{0, 30, 1, 25}, {100, -3, 80, 1}, {40, 12, 40, 12}};
  for (const auto& m : moves) {
    MoveCursor(m.column, m.row);
    EXPECT_EQ(CursorColumn(), m.wantColumn);
    EXPECT_EQ(CursorRow(), m.wantRow);
  }
}

TEST(Writing, ClearToLineEndBlanksFromTheCursorAndStays) {
  StartConsole();
  WriteBytes("abcdef\nnext");
  MoveCursor(3, 1);
  SetBackground(2);
  ClearToLineEnd();
  EXPECT_EQ(Row(1), "ab");
  EXPECT_EQ(Row(2), "next");
  EXPECT_EQ(ScreenAttrAt(3, 1), 0x2F);
  EXPECT_EQ(ScreenAttrAt(80, 1), 0x2F);
  EXPECT_EQ(ScreenAttrAt(2, 1), 0x0F);
  EXPECT_EQ(CursorColumn(), 3);
  EXPECT_EQ(CursorRow(), 1);
  EXPECT_TRUE(PictureMatchesBuffer());
}

// Past row 25 the screen moves up a row, by repainting or by copying pixels ("LENTO"). One
// process a way, each with a console made from its own settings.
class Scrolling : public testing::TestWithParam<const char*> {};

TEST_P(Scrolling, PastTheLastRow) {
  {
    StartConsole("", GetParam());
    ASSERT_EQ(CurrentVideoSettings().scrollByCopy, std::string(GetParam()).find("=S") != std::string::npos);
    MoveCursor(1, 1);
    for (int row = 1; row <= 25; ++row) ClearToLineEnd(), WriteBytes("\n");
    MoveCursor(1, 1);
    for (int line = 1; line <= 26; ++line) {
      if (line == 26) SetBackground(1);  // the new bottom row is blank in this attribute
      WriteBytes("linha " + std::to_string(line) + "\n");
    }
    EXPECT_EQ(Row(1), "linha 3");
    EXPECT_EQ(Row(24), "linha 26");
    EXPECT_EQ(Row(25), "");
    EXPECT_EQ(ScreenAttrAt(1, 25), 0x1F);
    EXPECT_EQ(CursorRow(), 25);
    EXPECT_EQ(CursorColumn(), 1);
    EXPECT_TRUE(PictureMatchesBuffer());
  }
}

INSTANTIATE_TEST_SUITE_P(BothWays, Scrolling,
                         testing::Values("[VIDEO]\nLENTO=N\n", "[VIDEO]\nLENTO=S\n"),
                         [](const auto& info) {
                           return std::string(info.index == 0 ? "Repainting" : "CopyingPixels");
                         });

TEST(Writing, StandardOutputDrawsEachStatementAndPumpsMessages) {
  StartConsole();
  PostKeyMessage(ConsoleWindow(), MsgChar, 'q', 0);
  std::cout << "Ol\xE1 " << 42 << '!';
  EXPECT_FALSE(MessagesPending());  // the statement ended in a pass over the messages
  EXPECT_EQ(Row(1), "Ol\xE1 42!");
  std::cout << std::string(200, 'z') << std::endl;  // more than the 128-byte buffer
  EXPECT_EQ(Row(1), "Ol\xE1 42!" + std::string(73, 'z'));
  EXPECT_EQ(Row(3), std::string(47, 'z'));
  EXPECT_EQ(CursorRow(), 4);
  EXPECT_EQ(TakeQueued(), "q");
}

TEST(Writing, StandardInputReadsEchoedLines) {
  StartConsole("type Maria\nkey Enter\ntype 42\nkey Enter\n");
  std::cout << "Nome: ";
  std::string name;
  std::getline(std::cin, name);
  EXPECT_EQ(name, "Maria");
  int number = 0;
  std::cin >> number;
  EXPECT_EQ(number, 42);
  EXPECT_EQ(Row(1), "Nome: Maria");
  EXPECT_EQ(Row(2), "42");
  EXPECT_EQ(CursorRow(), 3);
  EXPECT_EQ(CursorColumn(), 1);
}
