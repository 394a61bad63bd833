// A real window on an X server: the test runs itself again under xvfb-run when there is no
// display, and reads the pixels back from the X server.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/backend.h"
#include "tests/backends/common.h"
// Last: the X headers define macros that clash with the ones above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace platform;
using namespace backends_test;

namespace {

std::string SelfPath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "";
}

// The screen's pixels of the window's client area, 0xRRGGBB.
std::vector<std::uint32_t> Screenshot(SDL_Window* window, int width, int height) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return {};
  int x = 0, y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  std::vector<std::uint32_t> pixels;
  if (image) {
    for (int py = 0; py < height; ++py)
      for (int px = 0; px < width; ++px)
        pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, px, py)) & 0xFFFFFFu);
    XDestroyImage(image);
  }
  XCloseDisplay(display);
  return pixels;
}

}  // namespace

TEST(XvfbBackend, ARealWindowShowsTheTextInItsColours) {
  if (!std::getenv("DISPLAY")) {
    if (std::getenv("ORALIS_UNDER_XVFB")) GTEST_SKIP() << "xvfb-run gave no display";
    if (system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run here";
    std::string command = "ORALIS_UNDER_XVFB=1 xvfb-run -a -s '-screen 0 1024x768x24' '" + SelfPath() +
                          "' --gtest_filter=XvfbBackend.ARealWindowShowsTheTextInItsColours";
    EXPECT_EQ(system(command.c_str()), 0);
    return;
  }
  setenv("ORALIS_BACKEND", "sdl", 1);
  setenv("ORALIS_AUDIO", "null", 1);
  unsetenv("SDL_VIDEODRIVER");
  ASSERT_EQ(CurrentBackend(), Backend::Sdl);
  WindowHandle w = MakeWindow(400, 200);
  ShowWindow(w, ShowMode::Normal);
  UpdateWindow(w);
  FontHandle font = CreateFont({24, 0, 0, "Lucida Console"});
  FontMetrics m = MeasureFont(font);
  DrawText(w, font, 0, 0, "Oralis", {255, 255, 0}, {0, 0, 255});
  SDL_Window* host = SdlWindow("Janela de teste");
  ASSERT_NE(host, nullptr);
  int width = 6 * m.averageWidth + 4, height = m.height + 4;
  std::vector<std::uint32_t> shot;
  // The X server shows the window once it is mapped; look a bounded number of times.
  for (int tries = 0; tries < 100; ++tries) {
    Pump();
    SDL_Delay(20);
    shot = Screenshot(host, width, height);
    if (!shot.empty() && shot[0] == 0x0000FFu) break;
  }
  ASSERT_EQ(shot.size(), static_cast<std::size_t>(width * height));
  int yellow = 0, mismatches = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint32_t p = shot[static_cast<std::size_t>(y * width + x)];
      yellow += p == 0xFFFF00u;
      mismatches += p != PixelAt(w, x, y);
    }
  EXPECT_EQ(mismatches, 0);  // the screen shows the framebuffer as it is
  EXPECT_GT(yellow, 6 * 10);  // ink of six letters
  EXPECT_EQ(shot[0], 0x0000FFu);
  EXPECT_EQ(shot[static_cast<std::size_t>(6 * m.averageWidth + 1)], 0u);  // past the run: black
}
