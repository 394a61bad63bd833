#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "console/OrCrt.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/trace.h"
#include "platform/waveout.h"
#include "sound/orwav.h"
#include "tests/support/wave_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, int v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(tag[i]));
}

struct Chunk {
  const char* tag;
  Bytes body;
};

Bytes FmtBody(int rate, int bits, int channels) {
  Bytes b;
  Put16(b, 1);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * bits / 8);
  Put16(b, channels * bits / 8);
  Put16(b, bits);
  return b;
}

// A RIFF image of the chunks in order; dataSizeLie replaces the size field of "data".
Bytes Riff(const std::vector<Chunk>& chunks, long dataSizeLie = -1) {
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 0);
  PutTag(b, "WAVE");
  for (const Chunk& c : chunks) {
    PutTag(b, c.tag);
    bool lie = dataSizeLie >= 0 && std::string(c.tag) == "data";
    Put32(b, lie ? static_cast<std::uint32_t>(dataSizeLie) : static_cast<std::uint32_t>(c.body.size()));
    b.insert(b.end(), c.body.begin(), c.body.end());
  }
  std::uint32_t size = static_cast<std::uint32_t>(b.size() - 8);
  for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
  return b;
}

Bytes Wave(int rate, int bits, int channels, const Bytes& samples) {
  return Riff({{"fmt ", FmtBody(rate, bits, channels)}, {"data", samples}});
}

Bytes Ramp(std::size_t n) {
  Bytes s(n);
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint8_t>(i * 7);
  return s;
}

class WavePlayer : public testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless("");
    platform::CaptureTrace(&trace);
    EnsureConsole();
    trace.clear();
  }
  void TearDown() override {
    platform::CaptureTrace(nullptr);
    for (const auto& f : files) std::remove(f.c_str());
  }

  std::string File(const Bytes& bytes) {
    // Per process: the tests of this program run side by side.
    std::string name = testing::TempDir() + "orwav_" + std::to_string(getpid()) + "_" +
                       std::to_string(files.size()) + ".wav";
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    files.push_back(name);
    return name;
  }

  // The trace without times, and only the lines of the wave device.
  std::vector<std::string> Device() const {
    std::vector<std::string> out;
    for (const auto& line : trace) {
      std::string event = line.substr(line.find(' ') + 1);
      if (event.rfind("wave-", 0) == 0) out.push_back(event);
    }
    return out;
  }

  std::vector<std::size_t> BlockSizes() const {
    std::vector<std::size_t> sizes;
    for (const auto& e : Device())
      if (e.rfind("wave-block ", 0) == 0) sizes.push_back(std::stoul(e.substr(11)));
    return sizes;
  }

  std::vector<std::string> trace;
  std::vector<std::string> files;
};

std::string BlockLine(const Bytes& deviceBytes) {
  return "wave-block " + std::to_string(deviceBytes.size()) + " " + Hex8(Crc32(deviceBytes));
}

}  // namespace

TEST_F(WavePlayer, FileDataIsCutIntoBlocksThatLeaveTheLastOneLongEnough) {
  const struct {
    std::size_t data;
    std::vector<std::size_t> blocks;
  } cases[] = {
      {65600, {65278, 322}},
      {65534, {65534}},
      {65535, {65278, 257}},
      {65790, {65534, 256}},
      {200000, {65534, 65534, 65534, 3398}},
  };
  for (const auto& c : cases) {
    trace.clear();
    EXPECT_EQ(PlayWaveFile(File(Wave(11025, 8, 1, Ramp(c.data)))), 0);
    EXPECT_EQ(BlockSizes(), c.blocks) << c.data;
    EXPECT_EQ(Device().back(), "wave-close");  // the poll that found the end closed it
  }
}

TEST_F(WavePlayer, ShortEightBitBlockIsPaddedWithSilenceAndEndsOnIt) {
  Bytes samples = Ramp(100);
  EXPECT_EQ(PlayWaveFile(File(Wave(11025, 8, 1, samples))), 0);
  Bytes device = samples;
  device[99] = 128;
  device.resize(256, 128);
  EXPECT_EQ(Device(), (std::vector<std::string>{"wave-open 11025 8 1", BlockLine(device), "wave-close"}));
}

TEST_F(WavePlayer, LayoutsThatPlayAndLayoutsThatFail) {
  Bytes fmt = FmtBody(11025, 8, 1), data = Ramp(300);
  EXPECT_EQ(PlayWaveFile(File(Riff({{"fmt ", fmt}, {"LIST", Bytes(33, 'x')}, {"data", data}}))), 0);
  EXPECT_EQ(BlockSizes(), std::vector<std::size_t>{300});

  Bytes longFmt = fmt;
  longFmt.resize(70000, 0);  // a fmt body larger than the scratch buffer is read past
  trace.clear();
  EXPECT_EQ(PlayWaveFile(File(Riff({{"fmt ", longFmt}, {"data", data}}))), 0);
  EXPECT_EQ(BlockSizes(), std::vector<std::size_t>{300});

  const Bytes failing[] = {
      Riff({{"LIST", Bytes(4)}, {"fmt ", fmt}, {"data", data}}),  // first chunk not "fmt "
      Riff({{"fmt ", fmt}, {"LIST", Bytes(4)}}),                  // no data chunk
      Riff({{"fmt ", Bytes(10)}, {"data", data}}),                 // fmt too short to read
      Bytes{'R', 'I', 'F', 'F', 0, 0},                             // truncated header
  };
  for (const Bytes& bad : failing) {
    trace.clear();
    EXPECT_EQ(PlayWaveFile(File(bad)), -1);
    EXPECT_TRUE(Device().empty());
  }
  trace.clear();
  EXPECT_EQ(PlayWaveFile(testing::TempDir() + "no-such.wav"), -1);
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_NE(trace[0].find("play-file "), std::string::npos);
  EXPECT_NE(trace[0].find("no-such.wav missing"), std::string::npos);
}

TEST_F(WavePlayer, DataShorterThanItsSizePlaysWhatIsThereAndFails) {
  EXPECT_EQ(PlayWaveFile(File(Riff({{"fmt ", FmtBody(11025, 8, 1)}, {"data", Ramp(500)}}, 1000))), -1);
  EXPECT_EQ(BlockSizes(), std::vector<std::size_t>{500});
  // Every truncation of a valid file is refused or played within its bytes, never read past.
  Bytes whole = Wave(11025, 16, 1, Ramp(400));
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    Bytes part(whole.begin(), whole.begin() + static_cast<long>(cut));
    EXPECT_EQ(PlayWaveFile(File(part)), -1) << cut;
  }
}

TEST_F(WavePlayer, WaitingKeyStopsBeforeAnythingPlaysAndStaysQueued) {
  platform::PostMessage(ConsoleWindow(), platform::MsgChar, 'a');
  EXPECT_EQ(PlayWaveFile(File(Wave(11025, 8, 1, Ramp(5000)))), 0);
  EXPECT_TRUE(Device().empty());
  ASSERT_TRUE(KeyWaiting());
  EXPECT_EQ(ReadKeyCode(), 'a');
}

TEST_F(WavePlayer, KeyDuringPlaybackResetsTheDevice) {
  platform::StartHeadless("@+100 type q\n");
  WaveBuffer sound = Wave(11025, 8, 1, Bytes(11025 * 3, 128));  // three seconds
  PlayWaveMemory(sound);
  while (WavePlaying()) platform::WaitMessage();
  EXPECT_EQ(Device().back(), "wave-close");
  EXPECT_NE(std::find(Device().begin(), Device().end(), "wave-reset"), Device().end());
  EXPECT_EQ(platform::Milliseconds(), 100u);
  EXPECT_EQ(ReadKeyCode(), 'q');
}

TEST_F(WavePlayer, SpeedSettingsChangeTheDeviceFormat) {
  WaveFastRate = true;
  EXPECT_EQ(PlayWaveFile(File(Wave(11025, 8, 1, Ramp(300)))), 0);
  EXPECT_EQ(Device().front(), "wave-open 16538 8 1");
  WaveFastRate = false;

  // A voiced 16-bit sound: a pulse every 400 samples at 22,050 per second.
  const std::size_t samples = 44100;
  Bytes pcm;
  for (std::size_t i = 0; i < samples; ++i)
    Put16(pcm, static_cast<int>(8000 * std::exp(-double(i % 400) / 40.0) * std::cos(i * 0.3)));
  WaveCutPeriods = true;
  trace.clear();
  EXPECT_EQ(PlayWaveFile(File(Wave(22050, 16, 1, pcm))), 0);
  EXPECT_EQ(Device().front(), "wave-open 22050 8 1");
  std::size_t played = 0;
  for (std::size_t s : BlockSizes()) played += s;
  EXPECT_GT(played, samples * 4 / 10);  // about half of the 8-bit samples
  EXPECT_LT(played, samples * 6 / 10);
}

TEST_F(WavePlayer, FormatsBackToBackWaitForEachOther) {
  WaveBuffer first = Wave(11025, 8, 1, Bytes(11025, 128));  // one second
  WaveBuffer second = Wave(22050, 16, 2, Bytes(400, 0));
  PlayWaveMemory(first);
  PlayWaveMemory(second);
  while (WavePlaying()) platform::WaitMessage();
  std::vector<std::string> expected = {"wave-open 11025 8 1", "wave-close", "wave-open 22050 16 2", "wave-close"};
  std::vector<std::string> opensAndCloses;
  std::uint64_t secondOpen = 0;
  for (const auto& line : trace) {
    std::string event = line.substr(line.find(' ') + 1);
    if (event.rfind("wave-open", 0) == 0 || event == "wave-close") opensAndCloses.push_back(event);
    if (event == "wave-open 22050 16 2") secondOpen = std::stoull(line);
  }
  EXPECT_EQ(opensAndCloses, expected);
  EXPECT_GE(secondOpen, 1000u);  // after the first sound's whole second
}

TEST_F(WavePlayer, AllocatedDeviceIsRetriedAndOtherErrorsAreReturned) {
  platform::FailNextWaveOpens(platform::WaveAllocated, 3);
  EXPECT_EQ(PlayWaveFile(File(Wave(11025, 8, 1, Ramp(300)))), 0);
  EXPECT_EQ(Device().front(), "wave-open 11025 8 1");
  EXPECT_GE(platform::Milliseconds(), 300u);  // three pauses of 100 ms
  platform::FailNextWaveOpens(platform::WaveBadFormat, 1);
  trace.clear();
  EXPECT_EQ(PlayWaveFile(File(Wave(11025, 8, 1, Ramp(300)))), platform::WaveBadFormat);
  EXPECT_TRUE(Device().empty());
  EXPECT_FALSE(WavePlaying());
}

TEST(WaveParsing, MemoryImageWalkStaysInsideTheBufferAndItsRiffSize) {
  WaveBuffer noData = Riff({{"fmt ", FmtBody(11025, 8, 1)}, {"LIST", Bytes(4)}});
  EXPECT_FALSE(ParseWaveBuffer(noData).found);
  WaveBuffer hugeChunk = Riff({{"fmt ", FmtBody(11025, 8, 1)}, {"LIST", Bytes(4)}});
  hugeChunk[40] = 0xFF, hugeChunk[41] = 0xFF, hugeChunk[42] = 0xFF, hugeChunk[43] = 0x7F;
  EXPECT_FALSE(ParseWaveBuffer(hugeChunk).found);
  WaveBuffer lying = Riff({{"fmt ", FmtBody(11025, 8, 1)}, {"data", Ramp(50)}}, 1u << 30);
  ParsedWave wave = ParseWaveBuffer(lying);
  ASSERT_TRUE(wave.found);
  EXPECT_EQ(wave.dataLength, 50u);  // no further than the buffer holds
  WaveBuffer riffBound = Riff({{"fmt ", FmtBody(11025, 8, 1)}, {"data", Ramp(50)}});
  riffBound[4] = 36 + 10;  // the RIFF size says only ten data bytes belong to it
  EXPECT_EQ(ParseWaveBuffer(riffBound).dataLength, 10u);
  WaveBuffer tiny{'R', 'I', 'F', 'F'};
  EXPECT_FALSE(ParseWaveBuffer(tiny).found);
}

TEST(PitchPeriods, CutStaysInsideTheBlockAndAlwaysMovesOn) {
  const struct {
    std::size_t length;
    int bits, rate;
    std::uint8_t fill;
  } cases[] = {
      {999, 8, 11025, 200},  {1000, 8, 11025, 0},  {1100, 8, 16000, 0},  {1320, 8, 16000, 255},
      {5000, 8, 11025, 0},   {65534, 8, 11025, 7}, {1, 16, 11025, 9},    {3000, 16, 22050, 0},
  };
  for (const auto& c : cases) {
    Bytes block(c.length, c.fill);
    std::size_t cut = CutPitchPeriods(block.data(), block.size(), c.bits, c.rate);
    EXPECT_LE(cut, c.bits == 16 ? c.length / 2 : c.length) << c.length;
    if (c.length == 999) {
      EXPECT_EQ(cut, 999u);  // too short to cut
    }
    if (c.length == 1) {
      EXPECT_EQ(cut, 0u);  // a 16-bit block of one byte is nothing
    }
  }
}
