#include <string>
#include <vector>

#include "engines/ORSAPI54.h"
#include "engines/orSapi5.h"
#include "test_sapi_support.h"

namespace {

using Strings = std::vector<std::string>;

class NewerVoices : public SystemVoices {};

// Voice 0 or past the installed ones gives voice 1 at rate 0, whatever the speed; rates -10
// to 10 run from a third of 175 words a minute to three times, within the synthesizer's 80-450.
TEST_F(NewerVoices, VoiceAndRate) {
  const struct {
    int voice, speed;
    const char* settings;
  } cases[] = {
      {1, 0, "roa/pt-BR 175 50"},      {1, 5, "roa/pt-BR 303 50"},
      {1, -5, "roa/pt-BR 101 50"},     {1, -10, "roa/pt-BR 80 50"},
      {1, 10, "roa/pt-BR 450 50"},     {0, 5, "roa/pt-BR 175 50"},
      {100000, -7, "roa/pt-BR 175 50"}, {-3, 10, "roa/pt-BR 175 50"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(EngineStart(c.voice, c.speed, 0, 5));
    EXPECT_EQ(SettingsOf("bom dia"), c.settings) << c.voice << " " << c.speed;
    EngineClose();
  }
  ASSERT_TRUE(EngineStart(1, 11, 0, 5)) << "a rate the voice refuses is ignored";
  EXPECT_EQ(SettingsOf("oi"), "roa/pt-BR 175 50");
  EngineClose();
  ASSERT_TRUE(EngineStart(2, 0, 0, 5));
  EXPECT_NE(SettingsOf("oi").rfind("roa/pt-BR ", 0), 0u) << "the second voice is another";
  EngineClose();
}

TEST_F(NewerVoices, AnEmptyTextIsSpokenAsABlank) {
  ASSERT_TRUE(EngineStart(1, 0, 0, 5));
  EngineSpeak("");
  EXPECT_EQ(Sent(), Strings{" "});
  EngineClose();
}

TEST_F(NewerVoices, BusyIsTheSameWhateverItsArgumentAndWakesTheWaits) {
  ASSERT_TRUE(EngineStart(1, 0, 0, 5));
  EngineSpeak("bom dia");
  EXPECT_TRUE(Sapi5Busy(true));
  EXPECT_TRUE(Sapi5Busy(false));
  EXPECT_TRUE(platform::MessagesPending()) << "the wake-up message for a sleeping loop";
  WaitUntilQuiet();
  EXPECT_FALSE(Sapi5Busy(true));
  EXPECT_FALSE(Sapi5Busy(false));
  EngineClose();
}

TEST_F(NewerVoices, CloseWaitsForTheEndOfTheSpeech) {
  ASSERT_TRUE(EngineStart(1, 0, 0, 5));
  EngineSpeak("bom dia a todos");
  EngineClose();
  EXPECT_TRUE(Events("wave-reset").empty()) << "nothing is cut";
  EXPECT_EQ(Events("wave-close").size(), 1u) << "the whole sound has played";
  EXPECT_FALSE(Sapi5Busy(false));
}

TEST_F(NewerVoices, StopPurgesTheVoice) {
  ASSERT_TRUE(EngineStart(1, 0, 0, 5));
  EngineSpeak("uma frase um pouco mais longa para ouvir");
  ASSERT_TRUE(EngineBusy(false));
  EngineStop();
  EXPECT_EQ(Events("wave-reset").size(), 1u);
  EXPECT_FALSE(EngineBusy(false));
  EngineClose();
}

// Each type makes a voice of its own class; the rest is the same driver.
TEST_F(NewerVoices, EachTypeCreatesItsOwnVoiceClass) {
  const struct {
    int type;
    platform::Guid made, notMade;
  } cases[] = {
      {54, platform::ClassSpeechVoice54, platform::ClassSpeechVoice},
      {5, platform::ClassSpeechVoice, platform::ClassSpeechVoice54},
  };
  for (const auto& c : cases) {
    int made = platform::InstancesCreated(c.made), notMade = platform::InstancesCreated(c.notMade);
    trace.clear();
    ASSERT_TRUE(EngineStart(1, 0, 0, c.type)) << c.type;
    EXPECT_EQ(platform::InstancesCreated(c.made), made + 1) << c.type;
    EXPECT_EQ(platform::InstancesCreated(c.notMade), notMade) << c.type;
    EXPECT_EQ(SettingsOf("oi"), "roa/pt-BR 175 50") << c.type;
    EngineClose();
  }
}

TEST_F(NewerVoices, StartFailsWithoutCom) {
  platform::UninitializeCom();
  EXPECT_FALSE(Sapi5Start(1, 0, 0));
  EXPECT_FALSE(Sapi54Start(1, 0, 0));
  EXPECT_FALSE(Sapi5Busy(false)) << "a driver that never started is not busy";
}

}  // namespace
