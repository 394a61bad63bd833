// The console's small services: the tone, the clipboard, the magnifier, the wave-done hook and
// the date and time.
#include "console_fixture.h"

#include <cstdlib>
#include <sstream>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/window.h"

using namespace console_test;
using namespace platform;

namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& image, std::size_t at) {
  return image[at] | image[at + 1] << 8 | image[at + 2] << 16 | static_cast<std::uint32_t>(image[at + 3]) << 24;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

// ---- Tone ----

struct ToneCase {
  int frequency;
  std::uint32_t length;  // samples (bytes) of data
  int period, half;      // samples
};

const ToneCase toneCases[] = {
    {440, 10974, 25, 12}, {1000, 10980, 11, 5}, {100, 10914, 110, 55},
    {11025, 10981, 1, 0}, {2, 5512, 5512, 2756},
};

TEST(Tone, SamplesAndLengths) {
  for (const ToneCase& c : toneCases) {
    SCOPED_TRACE(c.frequency);
    std::vector<std::uint8_t> image = MakeToneBuffer(c.frequency);
    ASSERT_EQ(image.size(), 44 + c.length);
    EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "RIFF");
    EXPECT_EQ(Read32(image, 4), c.length + 36);
    EXPECT_EQ(std::string(image.begin() + 8, image.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Read32(image, 20), 0x00010001u);  // PCM, mono
    EXPECT_EQ(Read32(image, 24), 11025u);       // samples per second
    EXPECT_EQ(Read32(image, 28), 11025u);       // bytes per second
    EXPECT_EQ(Read32(image, 32), 0x00080001u);  // one byte a sample, 8 bits
    EXPECT_EQ(std::string(image.begin() + 36, image.begin() + 40), "data");
    EXPECT_EQ(Read32(image, 40), c.length);
    const std::uint8_t* samples = image.data() + 44;
    // The first period, and the start of the second at 1 * 11025 / f.
    int second = 11025 / c.frequency;
    for (int i = 0; i < c.period && i + 1 < static_cast<int>(c.length); ++i)
      EXPECT_EQ(samples[i], i < c.half ? 96 : 160) << i;
    if (second + 1 < static_cast<int>(c.length)) {
      EXPECT_EQ(samples[second], c.half > 0 ? 96 : 160);
    }
    EXPECT_EQ(samples[c.length - 1], 128);
  }
}

TEST(Tone, PeriodsStartAtTheRoundedPositions) {
  // 3000 Hz: periods of 3 samples starting at 0, 3, 7, 11, 14 (k * 3.675 rounded down).
  std::vector<std::uint8_t> image = MakeToneBuffer(3000);
  std::string wave;
  for (int i = 44; i < 44 + 15; ++i) wave += image[i] == 96 ? 'L' : image[i] == 160 ? 'H' : '?';
  EXPECT_EQ(wave, "LHHLHHHLHHHLHHL");
}

TEST(Tone, OneHertzHasNoSamplesAndNothingIsWrittenBeforeThem) {
  std::vector<std::uint8_t> image = MakeToneBuffer(1);
  ASSERT_EQ(image.size(), 44u);
  EXPECT_EQ(Read32(image, 40), 0u);
}

TEST(Tone, BrailleModeSignalsAreTonesOf200Ms) {
  std::string trace = TestFolder() + "/trace.txt";
  setenv("ORALIS_TRACE", trace.c_str(), 1);
  StartConsole();
  SetBrailleMode(2);
  SetBrailleMode(5);  // above 2 is 1
  SetBrailleMode(0);
  SetBrailleMode(0);  // already off: silent
  PlayTone(0);        // no such tone: nothing plays
  EXPECT_EQ(ReadAll(trace),
            "0 tone 800\n200 tone-stop\n200 tone 400\n400 tone-stop\n"
            "400 tone 800\n600 tone-stop\n600 tone 1600\n800 tone-stop\n"
            "800 tone 100\n1000 tone-stop\n");
  EXPECT_EQ(BrailleMode(), 0);
}

// ---- Clipboard ----

struct PasteCase {
  std::string clipboard;
  std::size_t size;
  std::string buffer;  // what the buffer holds afterwards, up to its zero
};

const PasteCase pasteCases[] = {
    {"abcdef", 4, "abc"}, {"abcdef", 7, "abcdef"}, {"abcdef", 100, "abcdef"},
    {"abcdef", 1, ""},    {"", 5, ""},             {"\xE1\xE7", 3, "\xE1\xE7"},
};

TEST(Clipboard, PasteCutsToTheBuffer) {
  StartConsole();
  for (const PasteCase& c : pasteCases) {
    SCOPED_TRACE(c.clipboard + " / " + std::to_string(c.size));
    CopyToClipboard(c.clipboard);
    std::vector<char> buffer(c.size + 4, '#');
    PasteFromClipboard(buffer.data(), c.size);
    EXPECT_EQ(std::string(buffer.data()), c.buffer);
    EXPECT_EQ(buffer[c.size], '#');  // nothing past the buffer
  }
}

TEST(Clipboard, BusyOrSizeZeroLeavesTheBufferAndTheClipboard) {
  StartConsole();
  CopyToClipboard(std::string("one\0two", 7));
  EXPECT_EQ(GetClipboardText(), "one");  // up to the first zero
  char buffer[8] = "keep";
  PasteFromClipboard(buffer, 0);
  EXPECT_STREQ(buffer, "keep");
  SetClipboardBusy(true);
  PasteFromClipboard(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "keep");
  CopyToClipboard("other");
  SetClipboardBusy(false);
  EXPECT_EQ(GetClipboardText(), "one");
}

// ---- Magnifier ----

struct MagnifierCase {
  const char* name;
  const char* ini;
  int factor;
  int x, y;                // mouse position, client pixels
  int sourceX, sourceY;    // top-left of the source rectangle
};

const MagnifierCase magnifierCases[] = {
    {"Twice", "", 2, 100, 60, 50, 30},
    {"ThreeTimes", "[VIDEO]\nAMPLIF=3\n", 3, 100, 61, 67, 41},
    {"LeftOfTheWindow", "", 2, -7, 9, 0, 5},  // negative results are taken as 0
};

void PrintTo(const MagnifierCase& c, std::ostream* out) { *out << c.name; }

// One process a case: each needs a console made from its own settings.
class Magnifier : public testing::TestWithParam<MagnifierCase> {};

TEST_P(Magnifier, FramesStretchTheSourceRectangleOverTheWindow) {
  {
    const MagnifierCase& c = GetParam();
    StartConsole("", c.ini);
    WindowHandle w = ConsoleWindow();
    SetBackground(1);
    for (int row = 0; row < 25; ++row) WriteBytes(std::string(80, static_cast<char>('A' + row)));
    Rect client = ClientRect(w);
    std::vector<std::uint32_t> before;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) before.push_back(PixelAt(w, x, y));
    auto Before = [&](int x, int y) { return before[y * client.right + x]; };

    // The window's size as made from the font (13 x 28 pixel cells), whatever it is now.
    Rect outer{0, 0, 2 * SystemMetric(Metric::FrameWidth) + 80 * 13,
               2 * SystemMetric(Metric::FrameHeight) + 25 * 28 + SystemMetric(Metric::CaptionHeight)};
    int width = outer.Width() / c.factor, height = outer.Height() / c.factor;
    // Every sampled pixel of the frame comes from the source rectangle at (left, top).
    auto ExpectFrameFrom = [&](int left, int top) {
      for (int dy = 0; dy < client.bottom; dy += 37)
        for (int dx = 0; dx < client.right; dx += 41) {
          int sx = left + dx * width / outer.Width(), sy = top + dy * height / outer.Height();
          ASSERT_EQ(PixelAt(w, dx, dy), Before(sx, sy)) << dx << "," << dy;
        }
    };
    SendMessage(w, MsgRButtonDown, 0, MousePosition(c.x, c.y));
    ExpectFrameFrom(c.sourceX, c.sourceY);

    // Writing goes on underneath; moving draws a new frame from the snapshot.
    WriteBytes("\n");
    SendMessage(w, MsgMouseMove, 0, MousePosition(0, 0));
    ExpectFrameFrom(0, 0);

    // Releasing the button brings the text screen back.
    SendMessage(w, MsgRButtonUp, 0, MousePosition(0, 0));
    PumpMessages();
    EXPECT_EQ(Row(1), std::string(80, 'B'));
    EXPECT_EQ(PixelAt(w, 1, 1), 0x0000FFu);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Magnifier, testing::ValuesIn(magnifierCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Wave-done hook ----

namespace {
struct {
  int calls = 0;
  WindowHandle window = NoWindow;
  std::uintptr_t device = 0;
  std::intptr_t header = 0;
} hookSeen;

void RecordWaveDone(WindowHandle window, std::uintptr_t device, std::intptr_t header) {
  ++hookSeen.calls;
  hookSeen.window = window;
  hookSeen.device = device;
  hookSeen.header = header;
}
}  // namespace

TEST(WaveDoneHook, OnlyWhileTheSwitchIsOn) {
  StartConsole();
  WaveDoneHook().routine = RecordWaveDone;
  PostMessage(ConsoleWindow(), MsgWaveDone, 3, 1234);
  PumpMessages();
  EXPECT_EQ(hookSeen.calls, 0);
  WaveDoneHook().on = true;
  PostMessage(ConsoleWindow(), MsgWaveDone, 3, 1234);
  PumpMessages();
  EXPECT_EQ(hookSeen.calls, 1);
  EXPECT_EQ(hookSeen.window, ConsoleWindow());
  EXPECT_EQ(hookSeen.device, 3u);
  EXPECT_EQ(hookSeen.header, 1234);
}

// ---- Date and time ----

TEST(Clock, DateAndTimeParts) {
  StartHeadless("");
  SetClockStart(2024, 2, 29, 23, 59, 58);  // a Thursday
  Sleep(1234);
  std::uint16_t year, month, day, weekday, hour, minute, second, hundredths;
  GetDateParts(year, month, day, weekday);
  GetTimeParts(hour, minute, second, hundredths);
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(month, 2);
  EXPECT_EQ(day, 29);
  EXPECT_EQ(weekday, 4);
  EXPECT_EQ(hour, 23);
  EXPECT_EQ(minute, 59);
  EXPECT_EQ(second, 59);
  EXPECT_EQ(hundredths, 23);
}
