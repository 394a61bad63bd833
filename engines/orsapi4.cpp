#include "engines/orsapi4.h"

#include <algorithm>
#include <vector>

#include "console/OrCrt.h"
#include "platform/files.h"
#include "sound/orwav.h"

using namespace platform;

namespace {

// In-process server, in-process handler and local server.
constexpr std::uint32_t ClassContext = ContextInprocServer | ContextInprocHandler | ContextLocalServer;
constexpr std::size_t TextBufferBytes = 64000;  // the text and its zero byte

AudioDestinationInterface* audioDestination = nullptr;
TtsEnumeratorInterface* enumerator = nullptr;
TtsCentralInterface* central = nullptr;
TtsNotifySinkInterface* notifySink = nullptr;
TtsBufNotifySinkInterface* bufNotifySink = nullptr;
std::uint32_t registrationKey = 0;
int pendingTexts = 0;
bool audioPlaying = false;
std::vector<char> textBuffer(TextBufferBytes);

template <class Interface>
void ReleaseAndClear(Interface*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Engines may change the current directory while they load.
struct KeepCurrentDirectory {
  std::string saved = CurrentDirectory();
  ~KeepCurrentDirectory() { SetCurrentDirectory(saved); }
};

void ReleaseAudioAndEnumerator() {
  ReleaseAndClear(audioDestination);
  if (enumerator) enumerator->Release();  // its extra reference
  ReleaseAndClear(enumerator);
}

void ReleaseEngine() {
  ReleaseAudioAndEnumerator();
  ReleaseAndClear(central);
}

// The mode of the given ordinal, selected into the audio destination; false leaves nothing.
bool SelectMode(int voice) {
  void* object = nullptr;
  if (Failed(CreateInstance(ClassAudioDestination, nullptr, ClassContext, IidAudioDestination, &object)))
    return false;
  audioDestination = static_cast<AudioDestinationInterface*>(object);
  object = nullptr;
  CreateInstance(ClassTtsEnumerator, nullptr, ClassContext, IidTtsEnumerator, &object);
  enumerator = static_cast<TtsEnumeratorInterface*>(object);
  bool ok = enumerator != nullptr;
  if (ok) {
    enumerator->AddRef();
    enumerator->Reset();
  }
  TtsModeInfo mode{};
  for (int i = 0; ok && i < voice; ++i) ok = !Failed(enumerator->Next(1, &mode, nullptr));
  ok = ok && !Failed(enumerator->Select(mode.modeId, &central, audioDestination)) && central;
  if (!ok) ReleaseEngine();
  return ok;
}

bool RegisterSinks() {
  bufNotifySink = new TTSBufNotifySink;
  bufNotifySink->AddRef();
  notifySink = new TTSNotifySink;
  notifySink->AddRef();
  if (!Failed(central->Register(notifySink, IidTtsNotifySink, &registrationKey))) return true;
  ReleaseAndClear(notifySink);
  ReleaseAndClear(bufNotifySink);
  return false;
}

void ApplySpeedAndPitch(int speed, int pitch) {
  void* object = nullptr;
  if (Failed(central->QueryInterface(IidTtsAttributes, &object))) return;
  auto* attributes = static_cast<TtsAttributesInterface*>(object);
  if (speed != 0) attributes->SpeedSet(static_cast<std::uint32_t>(speed));
  if (pitch != 0) attributes->PitchSet(static_cast<std::uint16_t>(pitch & 0xFFFF));
  attributes->Release();
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

bool Sapi4Start(int voice, int speed, int pitch) {
  if (voice == 0) voice = 1;
  KeepCurrentDirectory keep;
  if (!SelectMode(voice)) return false;
  if (!RegisterSinks()) {
    ReleaseEngine();
    return false;
  }
  ApplySpeedAndPitch(speed, pitch);
  return true;
}

void Sapi4Speak(const std::string& text) {
  auto first = std::find_if_not(text.begin(), text.end(), IsBlankOrControl);
  auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlankOrControl).base();
  if (first >= last) return;
  std::string trimmed(first, last);
  if (trimmed.size() == 1 && trimmed[0] >= '0' && trimmed[0] <= '9') trimmed += '.';
  if (!central || (WaveStopOnKey && KeyWaiting())) return;
  // A longer text keeps what fits before the zero byte.
  std::size_t length = std::min(trimmed.size(), TextBufferBytes - 1);
  std::copy_n(trimmed.begin(), length, textBuffer.begin());
  textBuffer[length] = '\0';
  if (pendingTexts > 0) PauseMs(20);
  Result r = central->TextData(TtsCharacterSetText, 0, textBuffer.data(),
                               static_cast<std::uint32_t>(length + 1), bufNotifySink,
                               IidTtsBufNotifySink);
  if (Failed(r)) Sapi4Stop();
}

bool Sapi4Busy(bool queueOnly) { return pendingTexts > 0 || (!queueOnly && audioPlaying); }

void Sapi4Stop() {
  if (audioPlaying && central) {
    PauseMs(50);
    central->AudioReset();
    PauseMs(150);
  }
  audioPlaying = false;
  pendingTexts = 0;
}

void Sapi4Close() {
  ReleaseAudioAndEnumerator();
  ReleaseAndClear(bufNotifySink);
  if (notifySink) {
    if (central) central->UnRegister(registrationKey);
    ReleaseAndClear(notifySink);
  }
  ReleaseAndClear(central);
}

int Sapi4PendingTexts() { return pendingTexts; }
bool Sapi4AudioPlaying() { return audioPlaying; }

Result TTSNotifySink::AttribChanged(std::uint32_t) { return ResultOk; }
Result TTSNotifySink::AudioStart(std::uint64_t) {
  audioPlaying = true;
  return ResultOk;
}
Result TTSNotifySink::AudioStop(std::uint64_t) {
  audioPlaying = false;
  return ResultOk;
}
Result TTSNotifySink::Visual(std::uint64_t, char, char, std::uint32_t, const void*) { return ResultOk; }

Result TTSBufNotifySink::TextDataDone(std::uint64_t, std::uint32_t) {
  pendingTexts = std::max(pendingTexts - 1, 0);
  return ResultOk;
}
Result TTSBufNotifySink::TextDataStarted(std::uint64_t) {
  ++pendingTexts;
  return ResultOk;
}
Result TTSBufNotifySink::BookMark(std::uint64_t, std::uint32_t) { return ResultOk; }
Result TTSBufNotifySink::WordPosition(std::uint64_t, std::uint32_t) { return ResultOk; }
