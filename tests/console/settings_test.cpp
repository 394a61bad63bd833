// The settings of sections VIDEO and BRAILLE, and what the window makes of them.
#include "console_fixture.h"

#include "platform/window.h"

using namespace console_test;
using namespace platform;

namespace {

struct Expected {
  std::uint8_t attribute = 0x0F;
  std::array<std::uint8_t, 16> map{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  int fontWidth = 13, fontHeight = 28;
  int factor = 2;
  int braille = 0;
  bool locked = false, scrollByCopy = false, maximised = true;
  std::string face = "Lucida Console";
};

struct SettingsCase {
  const char* name;
  std::optional<std::string> ini;
  int workWidth, workHeight;
  Expected expected;
};

Expected With(void (*change)(Expected&)) {
  Expected e;
  change(e);
  return e;
}

const SettingsCase settingsCases[] = {
    {"no ORALIS.INI", std::nullopt, 1024, 734, {}},
    {"empty VIDEO section", "[VIDEO]\n", 1024, 734, {}},
    {"CORLETRA empty keeps 7", "[VIDEO]\nCORLETRA=\n", 1024, 734, With([](Expected& e) { e.attribute = 0x07; })},
    {"colours", "[video]\ncorfundo=1\ncorletra=14\n", 1024, 734, With([](Expected& e) { e.attribute = 0x1E; })},
    {"CORFUNDO not a number keeps 0", "[VIDEO]\nCORFUNDO=azul\nCORLETRA=2\n", 1024, 734,
     With([](Expected& e) { e.attribute = 0x02; })},
    {"TABCORES of 15 entries", "[VIDEO]\nTABCORES=15,14,13,12,11,10,9,8,7,6,5,4,3,2,1\n", 1024, 734,
     With([](Expected& e) { e.map = {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 15}; })},
    {"TABCORES bad entry keeps its digits and stops", "[VIDEO]\nTABCORES=4,5,9x,7\n", 1024, 734,
     With([](Expected& e) { e.map[0] = 4, e.map[1] = 5, e.map[2] = 9; })},
    {"TABCORES blank after a comma ends after that entry", "[VIDEO]\nTABCORES=4, 5,6\n", 1024, 734,
     With([](Expected& e) { e.map[0] = 4, e.map[1] = 5; })},
    {"TABCORES keeps the low byte", "[VIDEO]\nTABCORES=0,257\n", 1024, 734,
     With([](Expected& e) { e.map[1] = 1; })},
    {"AMPLIF 12 is 1", "[VIDEO]\nAMPLIF=12\n", 1024, 734, With([](Expected& e) { e.factor = 1; })},
    {"AMPLIF 8 is 0, which is 2", "[VIDEO]\nAMPLIF=8\n", 1024, 734, {}},
    {"AMPLIF 3", "[VIDEO]\nAMPLIF=3\n", 1024, 734, With([](Expected& e) { e.factor = 3; })},
    {"font from a 1920 x 1040 work area", std::nullopt, 1920, 1040,
     With([](Expected& e) { e.fontWidth = 24, e.fontHeight = 39; })},
    {"font size keys", "[VIDEO]\nLARGURALETRA=10\nALTURALETRA=20\nFONTE=Courier New\n", 1920, 1040,
     With([](Expected& e) { e.fontWidth = 10, e.fontHeight = 20, e.face = "Courier New"; })},
    {"empty font size keys", "[VIDEO]\nLARGURALETRA=\nALTURALETRA=\n", 1024, 734, {}},
    {"switches", "[VIDEO]\nCORESFIXAS=sim\nLENTO=S\nCANTOTELA=NAO\n", 1024, 734,
     With([](Expected& e) { e.locked = e.scrollByCopy = true, e.maximised = false; })},
    {"switches that aren't yes", "[VIDEO]\nCORESFIXAS=N\nLENTO=x\n", 1024, 734, {}},
    {"Braille mode 2", "[BRAILLE]\nMODO=2\n", 1024, 734, With([](Expected& e) { e.braille = 2; })},
    {"Braille mode 7 keeps two bits", "[BRAILLE]\nMODO=7\n", 1024, 734, With([](Expected& e) { e.braille = 3; })},
};

}  // namespace

TEST(Settings, TableOfKeys) {
  StartHeadless("");
  for (const SettingsCase& c : settingsCases) {
    SCOPED_TRACE(c.name);
    UseIni(c.ini);
    SetDesktopSize(std::max(1024, c.workWidth), c.workHeight + 34, c.workWidth, c.workHeight);
    VideoSettings s = ReadVideoSettings();
    const Expected& e = c.expected;
    EXPECT_EQ(s.textAttribute, e.attribute);
    EXPECT_EQ(s.colourMap, e.map);
    EXPECT_EQ(s.fontWidth, e.fontWidth);
    EXPECT_EQ(s.fontHeight, e.fontHeight);
    EXPECT_EQ(s.magnifyFactor, e.factor);
    EXPECT_EQ(s.brailleMode, e.braille);
    EXPECT_EQ(s.coloursLocked, e.locked);
    EXPECT_EQ(s.scrollByCopy, e.scrollByCopy);
    EXPECT_EQ(s.startMaximised, e.maximised);
    EXPECT_EQ(s.fontFace, e.face);
  }
}

TEST(Settings, WindowIsSizedFromTheMeasuredFont) {
  StartConsole("", "[VIDEO]\nCANTOTELA=N\n");
  int frame = SystemMetric(Metric::FrameWidth), caption = SystemMetric(Metric::CaptionHeight);
  Rect outer = WindowRect(ConsoleWindow());
  EXPECT_EQ(outer.Width(), 2 * frame + 80 * 13);
  EXPECT_EQ(outer.Height(), 2 * frame + 25 * 28 + caption);
  EXPECT_NE(WindowTitle(ConsoleWindow()).find("test_console"), std::string::npos);
  EXPECT_EQ(ScreenCharAt(1, 1), ' ');
  EXPECT_EQ(ScreenAttrAt(1, 1), 0x0F);
  EXPECT_EQ(FocusWindow(), ConsoleWindow());
}

TEST(Settings, MaximisedWindowIsOnlyAsLargeAsTheGridOrTheScreen) {
  StartConsole("", "[VIDEO]\nLARGURALETRA=8\nALTURALETRA=16\n");
  int frame = SystemMetric(Metric::FrameWidth), caption = SystemMetric(Metric::CaptionHeight);
  Rect outer = WindowRect(ConsoleWindow());
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  EXPECT_EQ(outer.Width(), 80 * 8 + 2 * frame);
  EXPECT_EQ(outer.Height(), caption + 25 * 16 + 2 * frame);

  MinMaxInfo limits;
  SendMessage(ConsoleWindow(), MsgGetMinMaxInfo, 0, reinterpret_cast<std::intptr_t>(&limits));
  EXPECT_EQ(limits.minTrackWidth, 2 * frame + 16 * 8);
  EXPECT_EQ(limits.minTrackHeight, 2 * frame + 4 * 16 + caption);
  EXPECT_EQ(limits.maxTrackWidth, limits.maxWidth);

  // A grid wider than the screen is cut to the screen.
  SetDesktopSize(600, 400, 600, 380);
  SendMessage(ConsoleWindow(), MsgGetMinMaxInfo, 0, reinterpret_cast<std::intptr_t>(&limits));
  EXPECT_EQ(limits.maxWidth, 600 + 2 * frame);
  EXPECT_EQ(limits.maxHeight, 400 + 2 * frame);
}

TEST(Settings, ColoursGoThroughTheMapAndThePalette) {
  StartConsole("", "[VIDEO]\nTABCORES=4,200,1\n");
  EXPECT_EQ(ConsoleColour(0), (Rgb{255, 0, 0}));  // index 0 -> entry 4
  EXPECT_EQ(ConsoleColour(1), (Rgb{0, 0, 0}));    // entry 200 is black
  EXPECT_EQ(ConsoleColour(2), (Rgb{0, 0, 255}));
  EXPECT_EQ(ConsoleColour(5), (Rgb{142, 0, 142}));
  EXPECT_EQ(ConsoleColour(6), (Rgb{68, 34, 34}));
  // The blank screen shows the background of the attribute (index 0, drawn red).
  EXPECT_EQ(PixelAt(ConsoleWindow(), 5, 5), 0xFF0000u);
  SetBackground(2);
  SetForeground(7);
  WriteBytes(" ");
  EXPECT_EQ(ScreenAttrAt(1, 1), 0x27);
  EXPECT_EQ(PixelAt(ConsoleWindow(), 5, 5), 0x0000FFu);
}

TEST(Settings, LockedColoursIgnoreTheSetters) {
  StartConsole("", "[VIDEO]\nCORESFIXAS=S\nCORFUNDO=1\nCORLETRA=14\n");
  SetForeground(2);
  SetBackground(4);
  EXPECT_EQ(TextAttribute(), 0x1E);
  TextAttribute() = 0x70;  // callers restore a saved attribute by assigning it
  WriteBytes("x");
  EXPECT_EQ(ScreenAttrAt(1, 1), 0x70);
}

TEST(Settings, SettersReplaceTheirFourBits) {
  StartConsole();
  SetBackground(0x13);  // only the low four bits count
  EXPECT_EQ(TextAttribute(), 0x3F);
  SetForeground(4);
  EXPECT_EQ(TextAttribute(), 0x34);
}
