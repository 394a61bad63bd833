// The sdl backend under SDL's dummy video driver and its disk audio driver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/backend.h"
#include "platform/clipboard.h"
#include "platform/keyboard.h"
#include "platform/sound.h"
#include "platform/waveout.h"
#include "tests/backends/common.h"

using namespace platform;
using namespace backends_test;

namespace {

void UseDummySdl() {
  setenv("ORALIS_BACKEND", "sdl", 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("ORALIS_AUDIO", "null", 1);
  ASSERT_EQ(CurrentBackend(), Backend::Sdl);
}

SDL_Event Key(Uint32 type, SDL_Keycode sym, Uint16 mod, Uint32 window) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = window;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = sym;
  e.key.keysym.mod = mod;
  return e;
}

SDL_Event Text(const char* utf8, Uint32 window) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = window;
  std::snprintf(e.text.text, sizeof e.text.text, "%s", utf8);
  return e;
}

SDL_Event WindowEvent(Uint8 what, Uint32 window) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = window;
  e.window.event = what;
  return e;
}

SDL_Event Mouse(Uint32 type, int x, int y, Uint32 window) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion.windowID = window;
    e.motion.x = x;
    e.motion.y = y;
  } else {
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = x;
    e.button.y = y;
  }
  return e;
}

}  // namespace

TEST(SdlBackend, HostEventsBecomeWindowsStyleMessages) {
  UseDummySdl();
  WindowHandle w = MakeWindow(400, 300);
  ShowWindow(w, ShowMode::Normal);
  Pump();
  Log().clear();
  SDL_Window* host = SdlWindow("Janela de teste");
  ASSERT_NE(host, nullptr);
  Uint32 id = SDL_GetWindowID(host);
  const struct {
    std::vector<SDL_Event> events;
    std::vector<Seen> expected;
  } cases[] = {
      // A letter: key-down, its character from the text, key-up.
      {{Key(SDL_KEYDOWN, SDLK_a, 0, id), Text("a", id), Key(SDL_KEYUP, SDLK_a, 0, id)},
       {{MsgKeyDown, VkA, 0, 0}, {MsgChar, 'a', 0, 0}, {MsgKeyUp, VkA, 0, 0}}},
      // Ctrl+letter gives no text: the control code comes from the key-down.
      {{Key(SDL_KEYDOWN, SDLK_b, KMOD_LCTRL, id)},
       {{MsgKeyDown, VkA + 1, 0, ModCtrl}, {MsgChar, 2, 0, ModCtrl}}},
      // Alt+letter: the text SDL sends is dropped; the console takes the Alt code from the key.
      {{Key(SDL_KEYDOWN, SDLK_x, KMOD_LALT, id), Text("x", id)}, {{MsgKeyDown, VkA + 23, 0, ModAlt}}},
      {{Key(SDL_KEYDOWN, SDLK_3, KMOD_LALT, id)}, {{MsgKeyDown, Vk0 + 3, 0, ModAlt}}},
      // Enter, Backspace, Tab and Escape make their characters; Ctrl stays with them.
      {{Key(SDL_KEYDOWN, SDLK_RETURN, 0, id)}, {{MsgKeyDown, VkReturn, 0, 0}, {MsgChar, 13, 0, 0}}},
      {{Key(SDL_KEYDOWN, SDLK_BACKSPACE, KMOD_RCTRL, id)},
       {{MsgKeyDown, VkBack, 0, ModCtrl}, {MsgChar, 8, 0, ModCtrl}}},
      {{Key(SDL_KEYDOWN, SDLK_TAB, 0, id)}, {{MsgKeyDown, VkTab, 0, 0}, {MsgChar, 9, 0, 0}}},
      {{Key(SDL_KEYDOWN, SDLK_ESCAPE, 0, id)}, {{MsgKeyDown, VkEscape, 0, 0}, {MsgChar, 27, 0, 0}}},
      // Keys of the key table, with their modifiers.
      {{Key(SDL_KEYDOWN, SDLK_F1, KMOD_LCTRL, id)}, {{MsgKeyDown, VkF1, 0, ModCtrl}}},
      {{Key(SDL_KEYDOWN, SDLK_INSERT, KMOD_LSHIFT, id)}, {{MsgKeyDown, VkInsert, 0, ModShift}}},
      {{Key(SDL_KEYDOWN, SDLK_PAGEDOWN, 0, id)}, {{MsgKeyDown, VkNext, 0, 0}}},
      {{Key(SDL_KEYDOWN, SDLK_KP_8, 0, id)}, {{MsgKeyDown, VkUp, 0, 0}}},
      {{Key(SDL_KEYDOWN, SDLK_PAUSE, KMOD_LCTRL, id)}, {{MsgKeyDown, VkCancel, 0, ModCtrl}}},
      // System keys: Alt with a key that is not a letter or digit, and F10.
      {{Key(SDL_KEYDOWN, SDLK_LEFT, KMOD_LALT, id), Key(SDL_KEYUP, SDLK_LEFT, KMOD_LALT, id)},
       {{MsgSysKeyDown, VkLeft, 0, ModAlt}, {MsgSysKeyUp, VkLeft, 0, ModAlt}}},
      {{Key(SDL_KEYDOWN, SDLK_F10, 0, id)}, {{MsgSysKeyDown, VkF1 + 9, 0, 0}}},
      // Alt+F4: a system key whose default handling closes the window.
      {{Key(SDL_KEYDOWN, SDLK_F4, KMOD_LALT, id), Key(SDL_KEYUP, SDLK_LALT, 0, id)},
       {{MsgSysKeyDown, VkF1 + 3, 0, ModAlt}, {MsgKeyUp, VkMenu, 0, 0}, {MsgClose, 0, 0, 0}}},
      // Text with no key (a character off the keymap) arrives in the Windows code page.
      {{Text("\xC3\xA7", id)}, {{MsgChar, 0xE7, 0, 0}}},
      // Auto-repeat: key-downs with no key-up between.
      {{Key(SDL_KEYDOWN, SDLK_DOWN, 0, id), Key(SDL_KEYDOWN, SDLK_DOWN, 0, id)},
       {{MsgKeyDown, VkDown, 0, 0}, {MsgKeyDown, VkDown, 0, 0}}},
      // The magnifier's mouse messages carry x | y << 16.
      {{Mouse(SDL_MOUSEBUTTONDOWN, 10, 20, id), Mouse(SDL_MOUSEMOTION, 30, 40, id),
        Mouse(SDL_MOUSEBUTTONUP, 31, 41, id)},
       {{MsgRButtonDown, 0, 10 | (20 << 16), 0}, {MsgMouseMove, 0, 30 | (40 << 16), 0},
        {MsgRButtonUp, 0, 31 | (41 << 16), 0}}},
      {{WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST, id), WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, id)},
       {{MsgKillFocus, 0, 0, 0}, {MsgSetFocus, 0, 0, 0}}},
      {{WindowEvent(SDL_WINDOWEVENT_CLOSE, id)}, {{MsgClose, 0, 0, 0}}},
  };
  int n = 0;
  for (const auto& c : cases) {
    Log().clear();
    for (SDL_Event e : c.events) SDL_PushEvent(&e);
    Pump();
    EXPECT_EQ(Log(), c.expected) << "case " << n;
    ++n;
  }
}

TEST(SdlBackend, TextIsDrawnWithAMonospaceFontMeasuredFromTheFontOpened) {
  UseDummySdl();
  WindowHandle w = MakeWindow(400, 200);
  ShowWindow(w, ShowMode::Normal);
  FontHandle font = CreateFont({20, 0, 0, "Lucida Console"});
  FontMetrics m = MeasureFont(font);
  ASSERT_GT(m.averageWidth, 4);
  ASSERT_LE(m.height, 20);  // the largest size whose cell fits the height asked
  ASSERT_GT(m.height, 12);
  EXPECT_LT(m.averageWidth, m.height);
  FontMetrics narrow = MeasureFont(CreateFont({20, 7, 0, "Lucida Console"}));
  EXPECT_LE(narrow.averageWidth, 7);  // a width asked is never exceeded
  const Rgb yellow{255, 255, 0}, blue{0, 0, 255};
  DrawText(w, font, 0, 0, "MiW", yellow, blue);
  DrawText(w, font, 0, m.height, "   ", yellow, blue);
  // Each character keeps to its cell: a narrow "i" leaves no gap, and blanks hold no ink.
  for (int cell = 0; cell < 3; ++cell) {
    int ink = 0;
    for (int y = 0; y < m.height; ++y)
      for (int x = cell * m.averageWidth; x < (cell + 1) * m.averageWidth; ++x)
        ink += PixelAt(w, x, y) == 0xFFFF00u;
    EXPECT_GT(ink, 3) << "cell " << cell;
  }
  for (int y = m.height; y < 2 * m.height; ++y)
    for (int x = 0; x < 3 * m.averageWidth; ++x) ASSERT_EQ(PixelAt(w, x, y), 0x0000FFu);
  EXPECT_EQ(PixelAt(w, 3 * m.averageWidth, 0), 0u);  // past the run: the black background
  // What the window shows is the framebuffer.
  Pump();
  SDL_Renderer* renderer = SDL_GetRenderer(SdlWindow("Janela de teste"));
  ASSERT_NE(renderer, nullptr);
  int width = 3 * m.averageWidth, height = 2 * m.height;
  std::vector<Uint32> shown(static_cast<std::size_t>(width * height));
  SDL_Rect area{0, 0, width, height};
  ASSERT_EQ(SDL_RenderReadPixels(renderer, &area, SDL_PIXELFORMAT_RGB888, shown.data(), width * 4), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(shown[static_cast<std::size_t>(y * width + x)] & 0xFFFFFFu, PixelAt(w, x, y)) << x << "," << y;
}

TEST(SdlBackend, TheWindowFollowsTheFramebufferAndTheSizeLimits) {
  UseDummySdl();
  Limits() = {};
  Limits().maxWidth = Limits().maxTrackWidth = 648;
  Limits().maxHeight = Limits().maxTrackHeight = 428;
  Limits().minTrackWidth = 208;
  Limits().minTrackHeight = 128;
  WindowHandle w = MakeWindow(308, 228);
  Pump();
  SDL_Window* host = SdlWindow("Janela de teste");
  ASSERT_NE(host, nullptr);
  int frameW = 2 * SystemMetric(Metric::FrameWidth);
  int frameH = 2 * SystemMetric(Metric::FrameHeight) + SystemMetric(Metric::CaptionHeight);
  int width = 0, height = 0;
  SDL_GetWindowSize(host, &width, &height);
  EXPECT_EQ(width, ClientRect(w).Width());
  EXPECT_EQ(height, ClientRect(w).Height());
  SDL_GetWindowMinimumSize(host, &width, &height);
  EXPECT_EQ(width, 208 - frameW);
  EXPECT_EQ(height, 128 - frameH);
  SDL_GetWindowMaximumSize(host, &width, &height);
  EXPECT_EQ(width, 648 - frameW);
  EXPECT_EQ(height, 428 - frameH);
  ShowWindow(w, ShowMode::Maximised);
  SetWindowTitle(w, "Programa terminado");
  Pump();
  SDL_GetWindowSize(host, &width, &height);
  EXPECT_EQ(width, 648 - frameW);
  EXPECT_EQ(height, 428 - frameH);
  EXPECT_STREQ(SDL_GetWindowTitle(host), "Programa terminado");
}

TEST(SdlBackend, TheClipboardIsUtf8OnTheHostAndTheWindowsCodePageInside) {
  UseDummySdl();
  ASSERT_TRUE(SetClipboardText("a\xE7\xE3o"));  // "ação" in 1252
  char* host = SDL_GetClipboardText();
  EXPECT_STREQ(host, "a\xC3\xA7\xC3\xA3o");
  SDL_free(host);
  SDL_SetClipboardText("\xE2\x82\xAC \xE4\xB8\x80");  // the euro sign, and a character off 1252
  EXPECT_EQ(GetClipboardText(), std::optional<std::string>("\x80 ?"));
}

namespace {

struct Pcm {
  WaveFormat format;
  std::vector<std::uint8_t> first, second;
};

std::vector<std::uint8_t> Pattern(std::size_t length, unsigned seed) {
  std::vector<std::uint8_t> bytes(length);
  // 1-126: never the silence of either format
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 126 + 1);
  return bytes;
}

// Waits (in the backend's own wait) until count blocks have come back.
std::vector<Seen> WaitForBlocks(std::size_t count) {
  std::vector<Seen> done;
  while (done.size() < count) {
    WaitMessage();
    Message m;
    while (PeekMessage(m))
      if (m.id == MsgWaveDone) done.push_back({m.id, m.wparam, m.lparam, 0});
      else DispatchMessage(m);
  }
  return done;
}

}  // namespace

TEST(SdlBackend, WaveBlocksReachTheAudioDeviceInTheirFormatByteForByte) {
  char dir[] = "/tmp/oralis-disk-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string file = std::string(dir) + "/audio.raw";
  UseDummySdl();
  setenv("ORALIS_AUDIO", "sdl", 1);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  const Pcm cases[] = {
      {{11025, 8, 1}, Pattern(1000, 1), Pattern(333, 2)},
      {{16538, 8, 1}, Pattern(700, 3), Pattern(256, 4)},
      {{16000, 16, 1}, Pattern(2000, 5), Pattern(640, 6)},
      {{22050, 16, 2}, Pattern(4000, 7), Pattern(1200, 8)},
  };
  WindowHandle w = MakeWindow(200, 100);
  for (const Pcm& c : cases) {
    WaveDevice device = 0;
    ASSERT_EQ(WaveOutOpen(device, c.format, w), WaveOk);
    WaveHeader a{c.first.data(), static_cast<std::uint32_t>(c.first.size())};
    WaveHeader b{c.second.data(), static_cast<std::uint32_t>(c.second.size())};
    ASSERT_EQ(WaveOutPrepare(device, &a), WaveOk);
    ASSERT_EQ(WaveOutPrepare(device, &b), WaveOk);
    ASSERT_EQ(WaveOutWrite(device, &a), WaveOk);
    ASSERT_EQ(WaveOutWrite(device, &b), WaveOk);
    std::vector<Seen> done = WaitForBlocks(2);
    EXPECT_EQ(done[0].lparam, reinterpret_cast<std::intptr_t>(&a));  // in order, to the window
    EXPECT_EQ(done[1].lparam, reinterpret_cast<std::intptr_t>(&b));
    EXPECT_EQ(done[0].wparam, static_cast<std::uintptr_t>(device));
    EXPECT_EQ(WaveOutUnprepare(device, &a), WaveOk);
    EXPECT_EQ(WaveOutUnprepare(device, &b), WaveOk);
    ASSERT_EQ(WaveOutClose(device), WaveOk);  // closes the file too
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(in)), {});
    // The device runs from its opening, so silence may come before and between the blocks;
    // the blocks themselves arrive whole, unconverted: the device runs in the format asked.
    std::uint8_t silence = c.format.bits == 8 ? 128 : 0;
    std::size_t at = 0;
    for (const std::vector<std::uint8_t>* block : {&c.first, &c.second}) {
      while (at < written.size() && written[at] == silence) ++at;
      ASSERT_LE(at + block->size(), written.size()) << c.format.rate;
      EXPECT_TRUE(std::equal(block->begin(), block->end(), written.begin() + static_cast<long>(at)))
          << c.format.rate;
      at += block->size();
    }
    for (; at < written.size(); ++at) ASSERT_EQ(written[at], silence) << c.format.rate << " byte " << at;
  }
  std::remove(file.c_str());
  rmdir(dir);
}

TEST(SdlBackend, ResetReturnsEveryQueuedBlockAtOnce) {
  UseDummySdl();  // the null device: it keeps time, so 10 s blocks are still queued
  WindowHandle w = MakeWindow(200, 100);
  std::vector<std::uint8_t> samples(110250, 128);
  WaveHeader blocks[3];
  WaveDevice device = 0;
  ASSERT_EQ(WaveOutOpen(device, {11025, 8, 1}, w), WaveOk);
  WaveDevice second = 0;
  EXPECT_EQ(WaveOutOpen(second, {11025, 8, 1}, w), WaveAllocated);
  EXPECT_EQ(WaveOutOpen(second, {11025, 12, 1}, w), WaveAllocated);
  for (WaveHeader& h : blocks) {
    h.data = samples.data();
    h.length = static_cast<std::uint32_t>(samples.size());
    EXPECT_EQ(WaveOutWrite(device, &h), WaveUnprepared);
    ASSERT_EQ(WaveOutPrepare(device, &h), WaveOk);
    ASSERT_EQ(WaveOutWrite(device, &h), WaveOk);
  }
  EXPECT_EQ(WaveOutUnprepare(device, &blocks[2]), WaveStillPlaying);
  EXPECT_EQ(WaveOutClose(device), WaveStillPlaying);
  Log().clear();
  ASSERT_EQ(WaveOutReset(device), WaveOk);
  Pump();  // no wait: the blocks are back already
  ASSERT_EQ(Log().size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Log()[static_cast<std::size_t>(i)].lparam, reinterpret_cast<std::intptr_t>(&blocks[i]));
    EXPECT_FALSE(blocks[i].queued);
    EXPECT_EQ(WaveOutUnprepare(device, &blocks[i]), WaveOk);
  }
  EXPECT_EQ(WaveOutClose(device), WaveOk);
  EXPECT_EQ(WaveOutClose(device), WaveInvalidHandle);
  EXPECT_EQ(WaveOutOpen(device, {8000, 16, 3}, w), WaveBadFormat);
  FailNextWaveOpens(WaveAllocated, 1);
  EXPECT_EQ(WaveOutOpen(device, {11025, 8, 1}, w), WaveAllocated);
  EXPECT_EQ(WaveOutOpen(device, {11025, 8, 1}, w), WaveOk);
  EXPECT_EQ(WaveOutClose(device), WaveOk);
}

TEST(SdlBackend, NoSoundDeviceFallsBackToTheNullDeviceWithOneLine) {
  UseDummySdl();
  setenv("ORALIS_AUDIO", "sdl", 1);
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  WindowHandle w = MakeWindow(200, 100);
  testing::internal::CaptureStderr();
  std::vector<std::uint8_t> samples(441, 128);  // 40 ms at 11,025 a second
  for (int round = 0; round < 2; ++round) {
    WaveDevice device = 0;
    ASSERT_EQ(WaveOutOpen(device, {11025, 8, 1}, w), WaveOk);
    WaveHeader h{samples.data(), static_cast<std::uint32_t>(samples.size())};
    ASSERT_EQ(WaveOutPrepare(device, &h), WaveOk);
    ASSERT_EQ(WaveOutWrite(device, &h), WaveOk);
    std::vector<Seen> done = WaitForBlocks(1);  // the null device still ends the block
    EXPECT_EQ(done[0].lparam, reinterpret_cast<std::intptr_t>(&h));
    ASSERT_EQ(WaveOutClose(device), WaveOk);
  }
  PlayLoopingSound({}, 440);
  StopSounds();
  Beep();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("no sound device"), std::string::npos) << said;
}
