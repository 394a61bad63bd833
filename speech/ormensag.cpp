// Recorded messages, character sounds, tick and beep, and the turns of recordings and engine.
#include "speech/ormensag.h"

#include <algorithm>

#include "console/OrCrt.h"
#include "diphone/orsintpar.h"
#include "engines/orengine.h"

std::string MessageDir;
std::string LettersDir;
bool EngineActive = false;
// True from the start: the first recording waits for whatever the engine may already say.
bool EngineSpeechPending = true;
bool SpeechStopped = false;

namespace {

constexpr std::uint32_t TickSamples = 256;
constexpr std::uint32_t TickNoiseSamples = 64;
constexpr std::uint32_t BeepSamples = 512;
constexpr std::uint8_t Silence = 128;  // 8-bit unsigned samples

// A linear congruential generator: 0 to range - 1 from the high bits of the state. The seed
// is fixed, so the tick is the same in every run.
std::uint32_t NextNoise(std::uint32_t& state, std::uint32_t range) {
  state = state * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * range) >> 32);
}

WaveBuffer MakeTick() {
  WaveBuffer tick(WaveHeaderBytes + TickSamples, Silence);
  std::uint32_t seed = 0;
  for (std::uint32_t i = 0; i < TickNoiseSamples; ++i)
    tick[WaveHeaderBytes + i] = static_cast<std::uint8_t>(Silence + NextNoise(seed, 60));
  return tick;
}

WaveBuffer tickSound = MakeTick();

void Put16(WaveBuffer& buffer, std::size_t at, std::uint32_t value) {
  buffer[at] = static_cast<std::uint8_t>(value);
  buffer[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(WaveBuffer& buffer, std::size_t at, std::uint32_t value) {
  Put16(buffer, at, value);
  Put16(buffer, at + 2, value >> 16);
}

void PutTag(WaveBuffer& buffer, std::size_t at, const char* tag) {
  std::copy(tag, tag + 4, buffer.begin() + static_cast<std::ptrdiff_t>(at));
}

// About 1,378 Hz at 11,025 samples per second: one period is 8 samples.
WaveBuffer MakeBeep() {
  static const std::uint8_t period[] = {128, 112, 96, 80, 64, 80, 96, 112};
  WaveBuffer beep(WaveHeaderBytes + BeepSamples);
  for (std::uint32_t i = 0; i < BeepSamples; ++i) beep[WaveHeaderBytes + i] = period[i % 8];
  beep.back() = Silence;
  MakeWaveHeader(beep, BeepSamples, BufferRate, 8, 1);
  return beep;
}

}  // namespace

std::string MessageFileName(const std::string& key) {
  return (key.starts_with('_') ? LettersDir : MessageDir) + key + ".wav";
}

std::string CharSoundFileName(std::uint8_t code) {
  return SynthLettersDir + "_" + std::to_string(code) + ".wav";
}

void SpeakMessage(const std::string& key) {
  if (key.empty()) return;  // no recording has an empty name
  WaitSpeech();
  PlayWaveFile(MessageFileName(key));  // a missing recording is silent
}

void SpeakCharSound(std::uint8_t code) {
  WaitSpeech();
  PlayWaveFile(CharSoundFileName(code));
}

void SpellText(const std::string& text) {
  for (char c : text) {
    if (KeyWaiting()) return;
    SpeakCharSound(static_cast<std::uint8_t>(c));
  }
}

bool SpeechBusy() {
  if (KeyWaiting()) {
    StopSpeech();
    return false;
  }
  // The engine is asked only when no wave plays.
  if (EngineActive) return WavePlaying() || EngineBusy(false);
  return WavePlaying();
}

void WaitSpeechEnd() {
  while (SpeechBusy()) platform::WaitMessage();
}

void WaitSpeech() {
  if (!EngineSpeechPending) return;
  WaitSpeechEnd();
  EngineSpeechPending = false;
}

void StopSpeech() {
  StopWave();
  SpeechStopped = true;
  // The type-3 engine may still be synthesizing while its queue looks empty.
  if (EngineActive && (EngineBusy(false) || SpeechEngineType == 3)) EngineStop();
  platform::PostMessage(ConsoleWindow(), MsgSpeechStopped, 0, 0);
}

void PlayWaveBufferAndWait(WaveBuffer& buffer) {
  WaitSpeech();
  PlayWaveMemory(buffer);
  WaitSpeechEnd();
}

void PlayTick() {
  WaitSpeech();
  // The cut would drop most of 256 samples; the fast rate is kept, so the tick follows it.
  const bool cut = WaveCutPeriods;
  WaveCutPeriods = false;
  MakeWaveHeader(tickSound, TickSamples, BufferRate, 8, 1);
  PlayWaveMemory(tickSound);
  WaitSpeechEnd();
  WaveCutPeriods = cut;
}

void PlayBeep() {
  WaitSpeech();
  while (KeyWaiting()) ReadKeyCode();
  WaveBuffer beep = MakeBeep();
  PlayWaveMemory(beep);
  WaitSpeechEnd();
}

void MakeWaveHeader(WaveBuffer& buffer, std::uint32_t length, std::uint32_t rate, int bits,
                    int channels) {
  if (buffer.size() < WaveHeaderBytes) buffer.resize(WaveHeaderBytes);
  const std::uint32_t sampleBytes = static_cast<std::uint32_t>(bits / 8);
  const std::uint32_t channelCount = static_cast<std::uint32_t>(channels);
  PutTag(buffer, 0, "RIFF");
  Put32(buffer, 4, length + 36);
  PutTag(buffer, 8, "WAVE");
  PutTag(buffer, 12, "fmt ");
  Put32(buffer, 16, 16);
  Put16(buffer, 20, 1);  // PCM
  Put16(buffer, 22, channelCount);
  Put32(buffer, 24, rate);
  Put32(buffer, 28, rate * channelCount * sampleBytes);
  Put16(buffer, 32, channelCount * sampleBytes);
  Put16(buffer, 34, static_cast<std::uint32_t>(bits));
  PutTag(buffer, 36, "data");
  Put32(buffer, 40, length);
}

std::uint8_t ReadKeyEchoed() {
  const std::uint8_t code = ReadKeyCode();
  StopSpeech();
  SpeakCharSound(code);
  return code;
}
