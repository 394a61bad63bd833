#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/OrCrt.h"
#include "engines/orengine.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/trace.h"

namespace {

// A driver that records its calls and stays busy for a number of questions.
std::vector<std::string> calls;
int busyAnswers = 0;
bool startResult = true;

bool Start(int voice, int speed, int pitch) {
  calls.push_back("start " + std::to_string(voice) + " " + std::to_string(speed) + " " + std::to_string(pitch));
  return startResult;
}
void Close() { calls.push_back("close"); }
void Speak(const std::string& text) { calls.push_back("speak " + text); }
bool Busy(bool queueOnly) {
  calls.push_back(queueOnly ? "busy queue" : "busy all");
  return busyAnswers-- > 0;
}
void Stop() { calls.push_back("stop"); }

const EngineDriver recorder{Start, Close, Speak, Busy, Stop};

class Engines : public testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless("");
    calls.clear();
    busyAnswers = 0;
    startResult = true;
  }
};

}  // namespace

TEST_F(Engines, EveryTypeWithoutADriverOfItsOwnGoesToTheOlderVoices) {
  SetEngineDriver(4, &recorder);
  for (int type : {4, 7, 0, -1}) {
    calls.clear();
    EXPECT_TRUE(EngineStart(1, 2, 3, type));
    EXPECT_EQ(SpeechEngineType, type);
    EngineSpeak("ola");
    EXPECT_FALSE(EngineBusy(false));
    EngineStop();
    EngineClose();
    EXPECT_EQ(calls, (std::vector<std::string>{"start 1 2 3", "busy queue", "speak ola", "busy all", "stop", "close"}))
        << type;
  }
  for (int type : {3, 5, 54}) EXPECT_NE(EngineDriverFor(type), EngineDriverFor(4)) << type;
}

TEST_F(Engines, EachTypeReachesItsOwnDriver) {
  for (int type : {3, 5, 54}) {
    SetEngineDriver(type, &recorder);
    calls.clear();
    EXPECT_TRUE(EngineStart(0, 0, 0, type));
    EXPECT_FALSE(calls.empty());
    SetEngineDriver(type, nullptr);
  }
}

TEST_F(Engines, StartWaitsUntilTheFreshEngineHasNothingQueued) {
  SetEngineDriver(5, &recorder);
  busyAnswers = 3;
  EXPECT_TRUE(EngineStart(1, 0, 0, 5));
  EXPECT_EQ(calls, (std::vector<std::string>{"start 1 0 0", "busy queue", "busy queue", "busy queue", "busy queue"}));
  EXPECT_EQ(platform::Milliseconds(), 150u);  // three pauses of 50 ms
}

TEST_F(Engines, FailedStartReturnsAtOnceAndMissingDriversFailHonestly) {
  std::vector<std::string> trace;
  platform::CaptureTrace(&trace);
  SetEngineDriver(5, &recorder);
  startResult = false;
  busyAnswers = 5;
  EXPECT_FALSE(EngineStart(1, 0, 0, 5));
  EXPECT_EQ(calls, std::vector<std::string>{"start 1 0 0"});
  EXPECT_FALSE(EngineStart(1, 0, 0, 54));  // no driver in this build
  EXPECT_EQ(SpeechEngineType, 54);
  EXPECT_EQ(trace, (std::vector<std::string>{"0 engine-start 5 fail", "0 engine-start 54 fail"}));
  platform::CaptureTrace(nullptr);
}

TEST_F(Engines, BusyPumpsMessagesEvenWhenTheAnswerIsNo) {
  SetEngineDriver(4, &recorder);
  EnsureConsole();
  platform::PostMessage(ConsoleWindow(), platform::MsgChar, 'x');
  EXPECT_FALSE(EngineBusy(false));
  EXPECT_TRUE(platform::MessagesPending() == false);
  EXPECT_EQ(ReadKeyCode(), 'x');  // the character was taken into the key queue
}
