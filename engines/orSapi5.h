// The newer system voices, engine type 5, through the automation voice. The type-54 driver
// (ORSAPI54) is the same driver over another voice class, with state of its own.
#pragma once
#include <string>

#include "platform/voices.h"

// voice: 1-based index in the installed voices (out of range: the first, at rate 0); speed:
// the voice's rate, -10 to 10; pitch is not used.
bool Sapi5Start(int voice, int speed, int pitch);
void Sapi5Close();
void Sapi5Speak(const std::string& text);
// The same answer whatever queueOnly; waits up to 20 ms for the voice to finish.
bool Sapi5Busy(bool queueOnly);
void Sapi5Stop();

// One driver's state and the operations over it.
struct SystemVoice {
  platform::SpeechVoiceInterface* voice = nullptr;
  platform::EventHandle completion = 0;
};
bool SystemVoiceStart(SystemVoice& v, const platform::Guid& voiceClass, int voice, int speed);
void SystemVoiceClose(SystemVoice& v);
void SystemVoiceSpeak(SystemVoice& v, const std::string& text);
bool SystemVoiceBusy(SystemVoice& v);
void SystemVoiceStop(SystemVoice& v);

// Posted to the console window while a voice speaks: it wakes a loop that sleeps until the
// next message.
constexpr unsigned MsgVoiceSpeaking = 2980;
