// Recorded messages and the speech queue, through the trace: the files asked for, the wave
// device's blocks and the engine's calls.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/OrCrt.h"
#include "diphone/orsintpar.h"
#include "engines/orengine.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "speech/ormensag.h"
#include "tests/support/wave_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

// A test engine: busy for a number of questions, each busy answer posted as a wake-up, as a
// real engine posts when its speech moves on. Its calls go to the trace.
int busyAnswers = 0;
bool Start(int, int, int) { return true; }
void Close() {}
void Speak(const std::string&) {}
bool Busy(bool) {
  platform::Trace("test-engine busy");
  if (busyAnswers <= 0) return false;
  --busyAnswers;
  platform::PostMessage(ConsoleWindow(), platform::MsgUser + 1);
  return true;
}
void Stop() { busyAnswers = 0; }
const EngineDriver testEngine{Start, Close, Speak, Busy, Stop};

class RecordedMessages : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::path(testing::TempDir()) /
          ("oralis_messages_" + std::to_string(getpid()));
    // Three folders, so that a name built in the wrong one shows.
    for (const char* sub : {"msg", "letras", "sint"}) std::filesystem::create_directories(dir / sub);
    MessageDir = Windows(dir / "msg");
    LettersDir = Windows(dir / "letras");
    SynthLettersDir = Windows(dir / "sint");
    platform::StartHeadless("");
    platform::CaptureTrace(&trace);
    EnsureConsole();
    trace.clear();
  }
  void TearDown() override {
    platform::CaptureTrace(nullptr);
    SetEngineDriver(SpeechEngineType, nullptr);
    std::filesystem::remove_all(dir);
  }

  static std::string Windows(const std::filesystem::path& path) {
    std::string name = path.string() + "/";
    for (char& c : name)
      if (c == '/') c = '\\';
    return name;
  }

  // An 8-bit mono wave file at 11,025 samples per second.
  void Recording(const std::string& sub, const std::string& key, std::size_t samples) {
    WaveBuffer wave(WaveHeaderBytes + samples, 128);
    MakeWaveHeader(wave, static_cast<std::uint32_t>(samples), BufferRate, 8, 1);
    std::ofstream((dir / sub / (key + ".wav")).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(wave.data()), static_cast<std::streamsize>(wave.size()));
  }

  void StartTestEngine(int type) {
    SetEngineDriver(type, &testEngine);
    SpeechEngineType = type;
    EngineActive = true;
  }

  Names Events() const {
    Names out;
    for (const std::string& line : trace) out.push_back(line.substr(line.find(' ') + 1));
    return out;
  }
  Names Events(const std::string& prefix) const {
    Names out;
    for (const std::string& event : Events())
      if (event.rfind(prefix, 0) == 0) out.push_back(event);
    return out;
  }
  // The files asked for, relative to the fixture folder.
  Names Played() const {
    Names out;
    const std::string root = dir.string() + "/";
    for (const std::string& event : Events("play-file ")) {
      std::string path = event.substr(10);
      out.push_back(path.rfind(root, 0) == 0 ? path.substr(root.size()) : path);
    }
    return out;
  }
  bool Happened(const std::string& event) const {
    for (const std::string& e : Events())
      if (e == event) return true;
    return false;
  }

  std::filesystem::path dir;
  Names trace;
};

TEST_F(RecordedMessages, StartUpState) {
  EXPECT_FALSE(EngineActive);
  EXPECT_TRUE(EngineSpeechPending);
  EXPECT_FALSE(SpeechStopped);
}

TEST_F(RecordedMessages, FileNamesOfRecordings) {
  Recording("msg", "TXNOMORG", 300);
  Recording("letras", "_hora", 300);
  Recording("sint", "_65", 300);
  Recording("sint", "_0", 300);
  Recording("sint", "_255", 300);
  const struct {
    void (*speak)();
    const char* played;
  } cases[] = {
      {[] { SpeakMessage("TXNOMORG"); }, "msg/TXNOMORG.wav"},
      {[] { SpeakMessage("_hora"); }, "letras/_hora.wav"},
      {[] { SpeakMessage("NADA"); }, "msg/NADA.wav missing"},
      {[] { SpeakCharSound(65); }, "sint/_65.wav"},
      {[] { SpeakCharSound(0); }, "sint/_0.wav"},
      {[] { SpeakCharSound(255); }, "sint/_255.wav"},
      {[] { SpeakCharSound('x'); }, "sint/_120.wav missing"},
  };
  for (const auto& c : cases) {
    trace.clear();
    c.speak();
    EXPECT_EQ(Played(), Names{c.played});
    // A recording plays to its end before the caller goes on; a missing one plays nothing.
    EXPECT_EQ(Events("wave-block").size(), std::string(c.played).ends_with("missing") ? 0u : 1u)
        << c.played;
    EXPECT_FALSE(WavePlaying());
  }
  trace.clear();
  SpeakMessage("");
  EXPECT_TRUE(Played().empty());
}

TEST_F(RecordedMessages, SpellTextStopsAtAKey) {
  Recording("sint", "_97", 11025);  // one second each
  Recording("sint", "_98", 11025);
  SpellText("ab");
  EXPECT_EQ(Played(), (Names{"sint/_97.wav", "sint/_98.wav"}));

  platform::StartHeadless("@+100 type q\n");
  trace.clear();
  SpellText("ab");
  EXPECT_EQ(Played(), Names{"sint/_97.wav"});
  EXPECT_TRUE(Happened("wave-reset"));
  ASSERT_TRUE(KeyWaiting());
  EXPECT_EQ(ReadKeyCode(), 'q');
}

TEST_F(RecordedMessages, RecordingWaitsForPendingEngineSpeechOnce) {
  Recording("msg", "TXNOMORG", 300);
  StartTestEngine(4);
  busyAnswers = 3;
  SpeakMessage("TXNOMORG");
  SpeakMessage("TXNOMORG");
  Names seen;
  for (const std::string& e : Events())
    if (e == "test-engine busy") seen.push_back(e);
    else if (e.rfind("play-file ", 0) == 0) seen.push_back("play-file");
  EXPECT_EQ(seen, (Names{"test-engine busy", "test-engine busy", "test-engine busy",
                         "test-engine busy", "play-file", "play-file"}));
  EXPECT_FALSE(EngineSpeechPending);
}

TEST_F(RecordedMessages, WaitingKeyStopsEverythingAndStays) {
  StartTestEngine(4);
  busyAnswers = 1000;
  WaveBuffer sound(WaveHeaderBytes + 3 * 11025, 128);  // three seconds
  MakeWaveHeader(sound, 3 * 11025, BufferRate, 8, 1);
  PlayWaveMemory(sound);
  platform::PostMessage(ConsoleWindow(), platform::MsgChar, 'k');
  EXPECT_FALSE(SpeechBusy());
  EXPECT_TRUE(Happened("wave-reset"));
  EXPECT_TRUE(Happened("engine-stop"));
  EXPECT_EQ(Events("wave-close").size(), 1u);
  EXPECT_FALSE(WavePlaying());
  EXPECT_EQ(busyAnswers, 0);  // the engine was stopped
  EXPECT_TRUE(SpeechStopped);
  ASSERT_TRUE(KeyWaiting());
  EXPECT_EQ(ReadKeyCode(), 'k');
}

TEST_F(RecordedMessages, StopSpeechStopsTheEngineWhenItSpeaksOrIsType3) {
  const struct {
    bool active;
    int type;
    int busy;
    bool stopped;
  } cases[] = {
      {false, 4, 5, false},
      {true, 4, 0, false},
      {true, 4, 5, true},
      {true, 5, 5, true},
      {true, 3, 0, true},  // its queue may look empty while it still synthesizes
  };
  for (const auto& c : cases) {
    StartTestEngine(c.type);
    EngineActive = c.active;
    busyAnswers = c.busy;
    trace.clear();
    StopSpeech();
    EXPECT_EQ(Happened("engine-stop"), c.stopped) << c.active << " " << c.type << " " << c.busy;
    // The wake-up for a loop asleep in WaitMessage.
    platform::Message message;
    bool woken = false;
    while (platform::PeekMessage(message))
      woken = woken || (message.id == 1123 && message.window == ConsoleWindow() &&
                        message.wparam == 0 && message.lparam == 0);
    EXPECT_TRUE(woken);
    EXPECT_TRUE(SpeechStopped);
    SpeechStopped = false;
    SetEngineDriver(c.type, nullptr);
  }
}

TEST_F(RecordedMessages, BeepDiscardsWaitingKeysAndPlaysInFull) {
  for (char key : {'a', 'b', 'c'}) platform::PostMessage(ConsoleWindow(), platform::MsgChar, key);
  PlayBeep();
  const std::uint8_t period[] = {128, 112, 96, 80, 64, 80, 96, 112};
  Bytes beep;
  for (int i = 0; i < 512; ++i) beep.push_back(period[i % 8]);
  beep.back() = 128;
  EXPECT_EQ(Events("wave-"), (Names{"wave-open 11025 8 1", "wave-block 512 " + Hex8(Crc32(beep)),
                                    "wave-close"}));
  EXPECT_FALSE(KeyWaiting());
}

TEST_F(RecordedMessages, TickIsANoiseBurstPlayedWithoutCuttingAtTheCurrentSpeed) {
  WaveCutPeriods = true;
  PlayTick();
  PlayTick();
  EXPECT_TRUE(WaveCutPeriods);
  const Names blocks = Events("wave-block ");
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0], blocks[1]);  // the same noise every time
  EXPECT_EQ(blocks[0].substr(0, 15), "wave-block 256 ");
  EXPECT_NE(blocks[0], "wave-block 256 " + Hex8(Crc32(Bytes(256, 128))));

  WaveFastRate = true;
  trace.clear();
  PlayTick();
  EXPECT_EQ(Events("wave-open ").front(), "wave-open 16538 8 1");
  WaveFastRate = false;
}

TEST_F(RecordedMessages, BufferWaitsForTheEngineThenPlaysToItsEnd) {
  StartTestEngine(5);
  busyAnswers = 2;
  WaveBuffer sound(WaveHeaderBytes + 2000, 100);
  MakeWaveHeader(sound, 2000, BufferRate, 8, 1);
  PlayWaveBufferAndWait(sound);
  Names events = Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0], "test-engine busy");
  EXPECT_EQ(events[2], "test-engine busy");
  EXPECT_EQ(events[3], "wave-open 11025 8 1");
  // While the wave plays the engine is not asked; once it ends, once more.
  EXPECT_EQ(Events("test-engine busy").size(), 4u);
  EXPECT_EQ(events.back(), "test-engine busy");
  EXPECT_FALSE(WavePlaying());
  EXPECT_FALSE(EngineSpeechPending);
}

TEST_F(RecordedMessages, WaveHeaderBytes) {
  WaveBuffer buffer(2, 0xEE);  // grows to the header
  MakeWaveHeader(buffer, 300, 11025, 8, 1);
  const Bytes expected = {'R', 'I', 'F', 'F', 0x50, 0x01, 0, 0, 'W', 'A', 'V', 'E',
                          'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                          0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0,
                          'd', 'a', 't', 'a', 0x2C, 0x01, 0, 0};
  EXPECT_EQ(buffer, expected);

  // 16-bit stereo at 22,050: 88,200 bytes a second, 4 a frame; the samples stay.
  WaveBuffer stereo(WaveHeaderBytes + 4, 0x77);
  MakeWaveHeader(stereo, 4, 22050, 16, 2);
  EXPECT_EQ(stereo.size(), WaveHeaderBytes + 4);
  EXPECT_EQ(Bytes(stereo.begin() + 22, stereo.begin() + 36),
            (Bytes{2, 0, 0x22, 0x56, 0, 0, 0x88, 0x58, 1, 0, 4, 0, 16, 0}));
  EXPECT_EQ(Bytes(stereo.begin() + 44, stereo.end()), Bytes(4, 0x77));
}

TEST_F(RecordedMessages, KeyEchoedByItsSound) {
  platform::StartHeadless("type A\nkey Up\n");
  EXPECT_EQ(ReadKeyEchoed(), 'A');
  // An extended key comes as 0, then its code; while the code waits, the sound of 0 is cut
  // before it starts.
  EXPECT_EQ(ReadKeyEchoed(), 0);
  EXPECT_EQ(ReadKeyEchoed(), 72);
  EXPECT_EQ(Played(), (Names{"sint/_65.wav missing", "sint/_72.wav missing"}));
  EXPECT_TRUE(SpeechStopped);
}

}  // namespace
