#include <string>
#include <vector>

#include "engines/orsapi4.h"
#include "platform/clock.h"
#include "sound/orwav.h"
#include "test_sapi_support.h"

namespace {

using Strings = std::vector<std::string>;

class OlderVoices : public SystemVoices {};

TEST_F(OlderVoices, TypesWithoutADriverOfTheirOwnSpeakThroughTheOlderVoices) {
  for (int type : {7, 0, 4}) {
    trace.clear();
    ASSERT_TRUE(EngineStart(1, 0, 0, type)) << type;
    EXPECT_EQ(SpeechEngineType, type);
    EngineSpeak("oi");
    EXPECT_TRUE(EngineBusy(true)) << "the text's start has been reported";
    bool heard = false;
    while (EngineBusy(false)) {
      heard = heard || Sapi4AudioPlaying();
      platform::WaitMessage();
    }
    EXPECT_TRUE(heard) << type;
    EXPECT_EQ(Sapi4PendingTexts(), 0);
    EXPECT_EQ(Sent(), Strings{"oi"});
    EXPECT_FALSE(Events("wave-block").empty());
    EXPECT_EQ(Events("wave-close").size(), 1u) << "the device is given back at the end";
    EngineClose();
  }
}

TEST_F(OlderVoices, WhatReachesTheEngine) {
  const struct {
    const char* text;
    Strings sent;
  } cases[] = {
      {"7", {"7."}},
      {"  ", {}},
      {"", {}},
      {"\x01\t\r\n", {}},
      {" \t ol\xE1 \r\n", {"ol\xC3\xA1"}},  // trimmed; the trace is UTF-8
      {"77", {"77"}},
      {" 7 ", {"7."}},
      {"a", {"a"}},
  };
  ASSERT_TRUE(Sapi4Start(1, 0, 0));
  for (const auto& c : cases) {
    trace.clear();
    Sapi4Speak(c.text);
    WaitUntilQuiet();
    EXPECT_EQ(Sent(), c.sent) << c.text;
  }
  Sapi4Close();
}

TEST_F(OlderVoices, NoTextIsSentWhileAKeyWaits) {
  ASSERT_TRUE(Sapi4Start(1, 0, 0));
  EnsureConsole();
  platform::PostKeyMessage(ConsoleWindow(), platform::MsgChar, 'k', 0);
  Sapi4Speak("oi");
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(KeyWaiting()) << "the key stays for the caller";
  WaveStopOnKey = false;
  Sapi4Speak("oi");
  EXPECT_EQ(Sent(), Strings{"oi"});
  Sapi4Close();
}

TEST_F(OlderVoices, TheCountersFollowTheReports) {
  auto* notify = new TTSNotifySink;
  auto* texts = new TTSBufNotifySink;
  notify->AddRef();
  texts->AddRef();
  notify->AudioStart(0);
  EXPECT_FALSE(Sapi4Busy(true)) << "queue only ignores the sound";
  EXPECT_TRUE(Sapi4Busy(false));
  texts->TextDataStarted(0);
  EXPECT_TRUE(Sapi4Busy(true));
  notify->AudioStop(0);
  EXPECT_TRUE(Sapi4Busy(false));
  texts->TextDataDone(0, 0);
  texts->TextDataDone(0, 0);  // one report too many
  EXPECT_EQ(Sapi4PendingTexts(), 0);
  EXPECT_FALSE(Sapi4Busy(false));
  texts->TextDataStarted(0);
  EXPECT_EQ(Sapi4PendingTexts(), 1);
  notify->Release();
  texts->Release();
}

TEST_F(OlderVoices, StopWithoutSoundOnlyClearsTheCounters) {
  ASSERT_TRUE(Sapi4Start(1, 0, 0));
  auto* texts = new TTSBufNotifySink;
  texts->AddRef();
  texts->TextDataStarted(0);
  texts->TextDataStarted(0);
  std::uint64_t before = platform::Milliseconds();
  Sapi4Stop();
  EXPECT_EQ(Sapi4PendingTexts(), 0);
  EXPECT_EQ(platform::Milliseconds(), before) << "no pause without sound";
  EXPECT_TRUE(Events("wave-reset").empty());
  texts->Release();
  Sapi4Close();
}

TEST_F(OlderVoices, StopWhileSpeakingCutsTheSoundAndLateReportsStayHarmless) {
  ASSERT_TRUE(Sapi4Start(1, 0, 0));
  Sapi4Speak("uma frase um pouco mais longa para ouvir");
  EngineBusy(false);
  ASSERT_TRUE(Sapi4AudioPlaying());
  std::uint64_t before = platform::Milliseconds();
  Sapi4Stop();
  EXPECT_EQ(platform::Milliseconds() - before, 200u) << "50 ms before the reset, 150 after";
  EXPECT_EQ(Events("wave-reset").size(), 1u);
  EXPECT_FALSE(Sapi4Busy(false));
  PumpMessages();  // the engine's reports of the dropped text come now
  EXPECT_EQ(Sapi4PendingTexts(), 0);
  EXPECT_FALSE(Sapi4Busy(false));
  Sapi4Close();
}

// Speed and pitch 0 leave the engine's own: 175 words a minute and 150 Hz (50 on the
// synthesizer's scale). Voice 0 counts as 1, the Brazilian Portuguese voice.
TEST_F(OlderVoices, SpeedAndPitchAreSetOnlyWhenNotZero) {
  const struct {
    int voice, speed, pitch;
    const char* settings;
  } cases[] = {
      {1, 0, 0, "roa/pt-BR 175 50"},   {0, 0, 0, "roa/pt-BR 175 50"},
      {1, 300, 0, "roa/pt-BR 300 50"}, {1, 0, 210, "roa/pt-BR 175 70"},
      {1, 120, 90, "roa/pt-BR 120 30"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(EngineStart(c.voice, c.speed, c.pitch, 4));
    EXPECT_EQ(SettingsOf("bom dia"), c.settings) << c.voice << " " << c.speed << " " << c.pitch;
    EngineClose();
  }
  ASSERT_TRUE(EngineStart(2, 0, 0, 4));
  EXPECT_NE(SettingsOf("bom dia").rfind("roa/pt-BR ", 0), 0u) << "the second mode is another voice";
  EngineClose();
}

TEST_F(OlderVoices, StartFailsWithoutAModeAndCloseUndoesTheStart) {
  EXPECT_FALSE(Sapi4Start(-1, 0, 0)) << "no mode fetched, none to select";
  ASSERT_TRUE(Sapi4Start(1000, 0, 0)) << "past the last mode the record keeps the last one";
  Sapi4Close();
  Sapi4Speak("oi");
  EXPECT_TRUE(Sent().empty()) << "nothing is sent after the close";
  platform::UninitializeCom();
  EXPECT_FALSE(Sapi4Start(1, 0, 0)) << "no objects without COM";
}

}  // namespace
