// What the system-voice tests share: a headless run with COM, the trace captured, and waits
// that let the virtual clock run until the voice is quiet.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/OrCrt.h"
#include "engines/orengine.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "platform/voices.h"

class SystemVoices : public testing::Test {
 protected:
  void SetUp() override {
    platform::StartHeadless("");
    platform::InitializeCom();
    platform::CaptureTrace(&trace);
  }
  void TearDown() override { platform::CaptureTrace(nullptr); }

  // The arguments of every trace line of one event, without the time.
  std::vector<std::string> Events(const std::string& event) const {
    std::vector<std::string> found;
    for (const std::string& line : trace) {
      std::size_t space = line.find(' ');
      std::string rest = line.substr(space + 1);
      if (rest == event) found.push_back("");
      else if (rest.rfind(event + " ", 0) == 0) found.push_back(rest.substr(event.size() + 1));
    }
    return found;
  }

  // Until the engine has neither text nor sound; each question pumps messages.
  static void WaitUntilQuiet() {
    while (EngineBusy(false)) platform::WaitMessage();
  }

  // The texts handed to the synthesizer, and the voice, words a minute and pitch of each.
  std::vector<std::string> Sent() const { return Split(true); }
  std::vector<std::string> SentSettings() const { return Split(false); }

  // Speaks one text to its end; the settings it was spoken with.
  std::string SettingsOf(const std::string& text) {
    trace.clear();
    EngineSpeak(text);
    WaitUntilQuiet();
    std::vector<std::string> settings = SentSettings();
    EXPECT_EQ(settings.size(), 1u) << text;
    EXPECT_FALSE(Events("wave-block").empty()) << text;
    return settings.empty() ? std::string() : settings[0];
  }

  std::vector<std::string> trace;

 private:
  // "voice-text VOICE WPM PITCH TEXT": the text, or the three settings.
  std::vector<std::string> Split(bool text) const {
    std::vector<std::string> parts;
    for (const std::string& line : Events("voice-text")) {
      std::size_t end = line.find(' ', line.find(' ', line.find(' ') + 1) + 1);
      parts.push_back(text ? line.substr(end + 1) : line.substr(0, end));
    }
    return parts;
  }
};
