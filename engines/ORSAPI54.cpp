#include "engines/ORSAPI54.h"

#include "engines/orSapi5.h"

namespace {

SystemVoice sapi54;

}  // namespace

bool Sapi54Start(int voice, int speed, int) {
  return SystemVoiceStart(sapi54, platform::ClassSpeechVoice54, voice, speed);
}
void Sapi54Close() { SystemVoiceClose(sapi54); }
void Sapi54Speak(const std::string& text) { SystemVoiceSpeak(sapi54, text); }
bool Sapi54Busy(bool) { return SystemVoiceBusy(sapi54); }
void Sapi54Stop() { SystemVoiceStop(sapi54); }
