#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/window.h"

using namespace platform;

namespace {

std::intptr_t Limits(WindowHandle w, unsigned id, std::uintptr_t wp, std::intptr_t lp) {
  if (id == MsgGetMinMaxInfo) {
    auto* info = reinterpret_cast<MinMaxInfo*>(lp);
    info->maxWidth = info->maxTrackWidth = 300;
    info->maxHeight = 200;
    info->maxTrackHeight = 250;
    return 0;
  }
  return DefaultWindowProc(w, id, wp, lp);
}

WindowHandle Make(int width, int height) {
  StartHeadless("");
  RegisterWindowClass({"W", Limits, {0, 0, 0}});
  return CreateWindow("W", "title", width, height);
}

constexpr std::uint32_t Red = 0xFF0000, Blue = 0x0000FF;

}  // namespace

TEST(Window, ClientAreaIsTheOuterSizeLessFrameAndCaption) {
  WindowHandle w = Make(208, 128);
  int frame = SystemMetric(Metric::FrameWidth), caption = SystemMetric(Metric::CaptionHeight);
  Rect c = ClientRect(w);
  EXPECT_EQ(c.Width(), 208 - 2 * frame);
  EXPECT_EQ(c.Height(), 128 - 2 * frame - caption);
  ShowWindow(w, ShowMode::Maximised);  // the procedure's limits decide the size
  EXPECT_EQ(WindowRect(w).Width(), 300);
  EXPECT_EQ(WindowRect(w).Height(), 200);
  EXPECT_EQ(FocusWindow(), w);
}

TEST(Window, TextRunsFillTheirCellsInTheirColours) {
  WindowHandle w = Make(400, 200);
  FontHandle f = CreateFont({16, 8, 0, "Lucida Console"});
  FontMetrics m = MeasureFont(f);
  ASSERT_EQ(m.averageWidth, 8);
  ASSERT_EQ(m.height, 16);
  DrawText(w, f, 8, 16, "  ", {255, 0, 0}, {0, 0, 255});
  DrawText(w, f, 24, 16, "M", {255, 0, 0}, {0, 0, 255});
  bool red = false;
  for (int y = 16; y < 32; ++y)
    for (int x = 8; x < 32; ++x) {
      std::uint32_t p = PixelAt(w, x, y);
      EXPECT_TRUE(p == Blue || (p == Red && x >= 24)) << x << "," << y;
      red = red || p == Red;
    }
  EXPECT_TRUE(red);  // the letter left ink, the blanks none
  EXPECT_EQ(PixelAt(w, 7, 16), 0u);
  EXPECT_EQ(PixelAt(w, 32, 16), 0u);
}

TEST(Window, PixelCopyAndStretchedSnapshot) {
  WindowHandle w = Make(200, 200);
  FillRect(w, {0, 10, 20, 20}, {255, 0, 0});
  CopyPixels(w, {0, 10, 20, 30}, 0, 0);  // up by ten rows
  EXPECT_EQ(PixelAt(w, 5, 0), Red);
  EXPECT_EQ(PixelAt(w, 5, 9), Red);
  EXPECT_EQ(PixelAt(w, 5, 10), 0u);
  Snapshot s = TakeSnapshot(w, 40, 40);
  FillRect(w, {0, 0, 200, 200}, {0, 0, 255});
  StretchSnapshot(w, s, {0, 0, 20, 20}, {0, 0, 80, 80});  // four times larger
  EXPECT_EQ(PixelAt(w, 79, 39), Red);
  EXPECT_EQ(PixelAt(w, 79, 40), 0u);
  EXPECT_EQ(PixelAt(w, 80, 0), Blue);
  FreeSnapshot(s);
}

TEST(Window, DesktopSizeIsSettableForTheFontRules) {
  StartHeadless("");
  SetDesktopSize(1920, 1080, 1920, 1040);
  EXPECT_EQ(DesktopWorkArea().Width(), 1920);
  EXPECT_EQ(DesktopWorkArea().Height(), 1040);
  EXPECT_EQ(SystemMetric(Metric::ScreenHeight), 1080);
}
