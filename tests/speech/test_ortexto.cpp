#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "console/OrCrt.h"
#include "diphone/ordifone.h"
#include "diphone/orsintpar.h"
#include "engines/orengine.h"
#include "numbers/orlenum.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/headless.h"
#include "platform/trace.h"
#include "speech/orfala.h"
#include "speech/ormensag.h"
#include "speech/ortexto.h"

namespace {

class TextSpeaking : public testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless("");
    dir = testing::TempDir() + "ortexto_" + std::to_string(getpid());
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/w'").c_str());
    setenv("ORALIS_WINDIR", (dir + "/w").c_str(), 1);
    LettersDir = SynthLettersDir = dir + "/";
    MessageDir = dir + "/msg/";
    platform::CaptureTrace(&trace);
  }
  void TearDown() override { platform::CaptureTrace(nullptr); }

  // The recordings asked for, by their names without folder and extension, and the other
  // sounds: "tick" for a tick.
  std::vector<std::string> Sounds() const {
    std::vector<std::string> out;
    for (const auto& line : trace) {
      std::string event = line.substr(line.find(' ') + 1);
      if (event.rfind("play-file ", 0) == 0) {
        std::string path = event.substr(10);
        path = path.substr(path.find_last_of('/') + 1);
        out.push_back(path.substr(0, path.find(".wav")));
      } else if (event.rfind("synth ", 0) == 0) {
        out.push_back("synth");
      } else if (event.rfind("wave-block 256 ", 0) == 0) {
        out.push_back("tick");
      } else if (event.rfind("engine-speak", 0) == 0 || event.rfind("shell", 0) == 0) {
        out.push_back(event);
      }
    }
    return out;
  }

  std::uint64_t TimeOf(const std::string& sound) const {
    for (const auto& line : trace)
      if (line.find(sound) != std::string::npos) return std::stoull(line);
    return 0;
  }

  std::string dir;
  std::vector<std::string> trace;
};

using Sequence = std::vector<std::string>;

// The fragments of a number read aloud (their names are tested with the number words).
Sequence Number(int n) { return NumberFragmentKeys(NumberToWords(n), false); }

Sequence Join(Sequence a, const Sequence& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST_F(TextSpeaking, NumbersAndOtherCharacters) {
  const struct {
    const char* text;
    Sequence sounds;
  } cases[] = {
      {"007", Join({"_zero", "_zero"}, Number(7))},
      {"2024", {"_dois", "_mil", "_e", "_vinte", "_e", "_quatro"}},
      {"12-34", {"_49", "_50", "_45", "_51", "_52"}},
      {"1234567", {"_49", "_50", "_51", "_52", "_53", "_54", "_55"}},
      {"123456", Number(123456)},
      {"-5", Join({"_MENOS"}, Number(5))},
      {"==========", {"_61", "_61", "_61", "_61", "tick", "tick", "tick", "tick", "tick", "tick"}},
      {"----------", {"_45", "_45", "_45", "_45", "tick", "_45", "tick", "_45", "tick", "_45", "tick", "_45",
                      "tick", "_45", "tick", "_45"}},
      {"://", {"_58", "_47", "_47"}},
  };
  for (const auto& c : cases) {
    trace.clear();
    SpeakText(c.text);
    EXPECT_EQ(Sounds(), c.sounds) << c.text;
  }
}

TEST_F(TextSpeaking, PunctuationPausesOnlyBeforeABlank) {
  SpeakText(",x");
  std::uint64_t afterTight = platform::Milliseconds();
  trace.clear();
  std::uint64_t start = platform::Milliseconds();
  SpeakPunctuation(", ");
  EXPECT_EQ(platform::Milliseconds() - start, 150u);  // CommaPause by default
  start = platform::Milliseconds();
  SpeakPunctuation(". ");
  EXPECT_EQ(platform::Milliseconds() - start, 250u);
  start = platform::Milliseconds();
  SpeakPunctuation(":x");
  EXPECT_EQ(platform::Milliseconds() - start, 200u);
  start = platform::Milliseconds();
  SpeakPunctuation(".x");
  EXPECT_EQ(platform::Milliseconds() - start, 0u);
  EXPECT_EQ(Sounds(), (Sequence{"_44", "_46", "_58", "_46"}));
  (void)afterTight;
}

TEST_F(TextSpeaking, KeyWaitingSilencesPausesAndStopsTheText) {
  EnsureConsole();
  platform::PostMessage(ConsoleWindow(), platform::MsgChar, 'k');
  std::uint64_t start = platform::Milliseconds();
  PauseUnlessKey(500);
  EXPECT_EQ(platform::Milliseconds(), start);
  SpeakText("12345 e mais");
  EXPECT_TRUE(Sounds().empty());
  EXPECT_EQ(ReadKeyCode(), 'k');
}

TEST_F(TextSpeaking, UpperTextRaisesLettersAndTheAccentedCodes) {
  EXPECT_EQ(UpperText("abc xyz \xE7\xE3\xFF\xDF 1"), "ABC XYZ \xC7\xC3\xDF\xDF 1");
}

TEST_F(TextSpeaking, TelephoneTonesWithTheirPauses) {
  PlayDtmfDigits("12,3*#a");
  EXPECT_EQ(Sounds(), (Sequence{"dtmf_1", "dtmf_2", "dtmf_3", "dtmf_X", "dtmf_#"}));
  EXPECT_EQ(TimeOf("dtmf_2"), 100u);
  EXPECT_EQ(TimeOf("dtmf_3"), 1200u);  // 100 after 2, then a second for the comma
}

TEST_F(TextSpeaking, DocumentsProgramsAndWebAddressesThroughTheShell) {
  std::string cwd = platform::CurrentDirectory();
  const struct {
    const char* ini;
    const char* target;
    std::string shell;
  } cases[] = {
      {"", "carta.txt", "shell carta.txt "},
      {"[ORALIS]\nPROG.TXT=editor\n", "carta.txt", "shell editor carta.txt"},
      {"[ORALIS]\nPROG.HTM=navegador\n", "https://exemplo.br", "shell navegador https://exemplo.br"},
      {"", "www.exemplo.br", "shell www.exemplo.br "},
      {"", "c:\\jogo.exe", "shell c:\\jogo.exe "},
      {"", "jogo.com", "shell " + cwd + "\\jogo.com "},
  };
  for (const auto& c : cases) {
    std::ofstream(dir + "/w/ORALIS.INI") << c.ini;
    trace.clear();
    OpenDocument(c.target);
    EXPECT_EQ(Sounds(), Sequence{c.shell}) << c.target;
  }
}

namespace {

std::vector<std::string>* synthSink = nullptr;
// The synthesizer's buffers, marked in the trace where they would sound.
void CaptureSynth(WaveBuffer& buffer) {
  synthSink->push_back(std::to_string(platform::Milliseconds()) + " synth " + std::to_string(buffer.size()));
}

}  // namespace

TEST_F(TextSpeaking, WordRunsGoToTheSynthesizerBetweenTheirPunctuation) {
  // An empty database and a rule a letter: words still reach the synthesizer (as its fallbacks).
  for (const char* f : {"V.IND", "V.DIF", "portug.exc"}) std::ofstream(dir + "/" + f) << "";
  std::ofstream rules(dir + "/regras.rgr");
  for (char c = 'a'; c <= 'z'; ++c) rules << "(" << char(c - 32) << ")=" << c << "|\n";
  rules.close();
  std::ofstream(dir + "/w/ORALIS.INI") << "[TRADUTOR]\nDIRLETRAS=" << dir << "\nDIRDIFONES=" << dir
                                       << "\n[SINTETIZADOR]\nDIFONES3=V\n";
  LoadSpeedSettings(3);
  ASSERT_EQ(LoadSynthData(), 0);
  synthSink = &trace;
  SetSynthPlayer(CaptureSynth);
  const struct {
    const char* text;
    Sequence sounds;
  } cases[] = {
      {"Sim, claro.", {"synth", "_44", "synth", "_46"}},
      {"www", {"_119", "_119", "_119"}},
      {"www.sim", {"_119", "_119", "_119", "_46", "synth"}},
      {"guarda-chuva", {"synth", "synth"}},
  };
  for (const auto& c : cases) {
    trace.clear();
    SpeakText(c.text);
    EXPECT_EQ(Sounds(), c.sounds) << c.text;
  }
  SetSynthPlayer(nullptr);
  FreeSynthData();
}

namespace {
// An engine that speaks for 300 ms of virtual time after each text, and says so with a message
// to the console window as a real one does.
bool speaking = false;
bool Start(int, int, int) { return true; }
void Nothing() {}
void Speak(const std::string&) {
  speaking = true;
  platform::headless::AddTimer(platform::Milliseconds() + 300, [] {
    speaking = false;
    platform::PostMessage(ConsoleWindow(), platform::MsgUser);
  });
}
bool Busy(bool) { return speaking; }
const EngineDriver talker{Start, Nothing, Speak, Busy, Nothing};
}  // namespace

TEST_F(TextSpeaking, EngineTakesTheWholeTextAndTheNextRecordingWaitsForIt) {
  SetEngineDriver(5, &talker);
  EngineActive = EngineStart(1, 0, 0, 5);
  ASSERT_TRUE(EngineActive);
  EngineSpeechPending = false;
  SpeakText("Sim, 12 claro.");
  EXPECT_TRUE(EngineSpeechPending);
  EXPECT_TRUE(speaking);  // still speaking when SpeakText returned
  SpeakMessage("TXFIM");
  EXPECT_FALSE(speaking);
  EXPECT_EQ(Sounds(), (Sequence{"engine-speak Sim, 12 claro.", "TXFIM"}));
  EXPECT_EQ(TimeOf("TXFIM"), 300u);  // the recording waited for the engine
}
