// The older system voices: engine type 4 and every type without a driver of its own. Texts go
// to the selected engine mode; whether speech goes on is learnt only from the engine's
// notifications, which arrive while messages are pumped.
#pragma once
#include <cstdint>
#include <string>

#include "platform/voices.h"

// voice: ordinal of the engine mode, 1 for the first (0 counts as 1); speed and pitch are set
// only when not 0.
bool Sapi4Start(int voice, int speed, int pitch);
void Sapi4Close();
void Sapi4Speak(const std::string& text);
// queueOnly: texts the engine has not finished; otherwise also sound still playing.
bool Sapi4Busy(bool queueOnly);
void Sapi4Stop();

// The engine's notifications: audio playing between AudioStart and AudioStop.
class TTSNotifySink final
    : public platform::RefCounted<platform::TtsNotifySinkInterface, platform::IidTtsNotifySink> {
 public:
  platform::Result AttribChanged(std::uint32_t attribute) override;
  platform::Result AudioStart(std::uint64_t time) override;
  platform::Result AudioStop(std::uint64_t time) override;
  platform::Result Visual(std::uint64_t time, char phoneme, char enginePhoneme, std::uint32_t hints,
                          const void* mouth) override;
};

// The text notifications: the count of texts started and not done, never below 0.
class TTSBufNotifySink final
    : public platform::RefCounted<platform::TtsBufNotifySinkInterface, platform::IidTtsBufNotifySink> {
 public:
  platform::Result TextDataDone(std::uint64_t time, std::uint32_t flags) override;
  platform::Result TextDataStarted(std::uint64_t time) override;
  platform::Result BookMark(std::uint64_t time, std::uint32_t mark) override;
  platform::Result WordPosition(std::uint64_t time, std::uint32_t byteOffset) override;
};

// Tests: the driver's counters.
int Sapi4PendingTexts();
bool Sapi4AudioPlaying();
