#include "engines/orSapi5.h"

#include "console/OrCrt.h"
#include "platform/sound.h"

using namespace platform;

namespace {

constexpr std::uint32_t ClassContext = ContextInprocServer | ContextInprocHandler | ContextLocalServer;
constexpr std::uint32_t BusyWaitMs = 20;

SystemVoice sapi5;

template <class Interface>
void ReleaseAndClear(Interface*& object) {
  if (object) object->Release();
  object = nullptr;
}

// The token of a 1-based voice number, the number moved to 1 (and the speed to 0) when it is
// out of range; nullptr when no voice is installed.
SpeechObjectTokenInterface* PickVoice(SpeechVoiceInterface* voice, int& number, int& speed) {
  SpeechObjectTokensInterface* tokens = nullptr;
  if (Failed(voice->GetVoices(u"", u"", &tokens)) || !tokens) return nullptr;
  std::int32_t count = 0;
  tokens->GetCount(&count);
  SpeechObjectTokenInterface* token = nullptr;
  if (count > 0) {
    if (number < 1 || number > count) {
      number = 1;
      speed = 0;
    }
    tokens->Item(number - 1, &token);
  }
  tokens->Release();
  return token;
}

}  // namespace

bool SystemVoiceStart(SystemVoice& v, const Guid& voiceClass, int voice, int speed) {
  void* object = nullptr;
  if (Failed(CreateInstance(voiceClass, nullptr, ClassContext, IidSpeechVoice, &object)) || !object)
    return false;
  v.voice = static_cast<SpeechVoiceInterface*>(object);
  v.voice->SetEventInterests(SpeechAllEvents);
  SpeechObjectTokenInterface* token = PickVoice(v.voice, voice, speed);
  // A true result needs a voice and its completion event.
  bool ready = token && !Failed(v.voice->SetVoice(token));
  if (ready) {
    v.voice->SetRate(speed);  // a rate the voice refuses leaves its own
    ready = !Failed(v.voice->SpeakCompleteEvent(&v.completion)) && v.completion != 0;
  }
  ReleaseAndClear(token);
  if (!ready) ReleaseAndClear(v.voice);
  return ready;
}

void SystemVoiceSpeak(SystemVoice& v, const std::string& text) {
  if (!v.voice) return;
  std::u16string wide = AnsiToUtf16(text.empty() ? std::string(" ") : text);
  if (Failed(v.voice->Speak(wide, SpeakAsync | SpeakIsNotXml, nullptr))) Beep();
}

bool SystemVoiceBusy(SystemVoice& v) {
  if (!v.voice || WaitForSingleObject(v.completion, BusyWaitMs) != WaitTimeout) return false;
  PostMessage(ConsoleWindow(), MsgVoiceSpeaking);
  return true;
}

void SystemVoiceStop(SystemVoice& v) {
  if (v.voice) v.voice->Speak(u" ", SpeakPurgeBeforeSpeak, nullptr);
  PauseMs(50);
}

void SystemVoiceClose(SystemVoice& v) {
  while (SystemVoiceBusy(v)) PauseMs(300);
  ReleaseAndClear(v.voice);
  v.completion = 0;
}

bool Sapi5Start(int voice, int speed, int) { return SystemVoiceStart(sapi5, ClassSpeechVoice, voice, speed); }
void Sapi5Close() { SystemVoiceClose(sapi5); }
void Sapi5Speak(const std::string& text) { SystemVoiceSpeak(sapi5, text); }
bool Sapi5Busy(bool) { return SystemVoiceBusy(sapi5); }
void Sapi5Stop() { SystemVoiceStop(sapi5); }
