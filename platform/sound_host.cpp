// The simple sound of the sdl and tty backends: a wave image from memory played in a loop on
// an SDL audio device of its own, and the default beep. With no sound only the trace shows it.
#include <SDL.h>

#include <cstring>
#include <mutex>

#include "platform/host.h"
#include "platform/trace.h"

namespace platform {

namespace {

struct Sound {
  std::mutex lock;
  std::vector<std::uint8_t> samples;
  std::size_t position = 0;
  bool loop = false;
  std::uint8_t silence = 0;
  SDL_AudioDeviceID device = 0;
};
Sound& sound = *new Sound;  // never destroyed: the audio thread may use it to the end

struct PcmImage {
  int rate = 0, bits = 0, channels = 0;
  std::size_t offset = 0, length = 0;  // of the samples in the image
};

std::uint32_t Little(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | b[at + static_cast<std::size_t>(i)];
  return value;
}

// "RIFF", "fmt " as the first chunk, then the first "data" chunk; false for anything else.
bool ParseImage(const std::vector<std::uint8_t>& b, PcmImage& pcm) {
  if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(&b[12], "fmt ", 4) != 0)
    return false;
  std::size_t fmtSize = Little(b, 16, 4);
  if (fmtSize < 16 || 20 + fmtSize > b.size()) return false;
  pcm.channels = static_cast<int>(Little(b, 22, 2));
  pcm.rate = static_cast<int>(Little(b, 24, 4));
  pcm.bits = static_cast<int>(Little(b, 34, 2));
  for (std::size_t at = 20 + fmtSize; at + 8 <= b.size();) {
    std::size_t size = Little(b, at + 4, 4);
    if (std::memcmp(&b[at], "data", 4) == 0) {
      pcm.offset = at + 8;
      pcm.length = std::min(size, b.size() - pcm.offset);
      return (pcm.bits == 8 || pcm.bits == 16) && (pcm.channels == 1 || pcm.channels == 2) &&
             pcm.rate > 0 && pcm.length > 0;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

void Callback(void*, Uint8* out, int length) {
  std::lock_guard<std::mutex> hold(sound.lock);
  while (length > 0 && sound.position < sound.samples.size()) {
    std::size_t n = std::min(sound.samples.size() - sound.position, static_cast<std::size_t>(length));
    std::memcpy(out, &sound.samples[sound.position], n);
    out += n;
    length -= static_cast<int>(n);
    sound.position += n;
    if (sound.loop && sound.position == sound.samples.size()) sound.position = 0;
  }
  if (length > 0) std::memset(out, sound.silence, static_cast<std::size_t>(length));
}

void Stop() {
  if (sound.device) SDL_CloseAudioDevice(sound.device);
  sound.device = 0;
}

void Play(const std::vector<std::uint8_t>& image, bool loop) {
  Stop();
  PcmImage pcm;
  if (!SdlAudioReady() || !ParseImage(image, pcm)) return;
  sound.samples.assign(image.begin() + static_cast<long>(pcm.offset),
                       image.begin() + static_cast<long>(pcm.offset + pcm.length));
  sound.position = 0;
  sound.loop = loop;
  sound.silence = pcm.bits == 8 ? 128 : 0;
  SDL_AudioSpec want{}, have{};
  want.freq = pcm.rate;
  want.format = pcm.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(pcm.channels);
  want.samples = 256;
  want.callback = Callback;
  sound.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (sound.device == 0) {
    SdlAudioFailed(SDL_GetError());
    return;
  }
  SDL_PauseAudioDevice(sound.device, 0);
}

// 100 ms of an 880 Hz square wave, 8-bit mono at 11,025 samples per second.
std::vector<std::uint8_t> BeepImage() {
  constexpr std::uint32_t rate = 11025, length = rate / 10;
  std::vector<std::uint8_t> image = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                     'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0};
  auto put = [&image](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) image.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put(rate, 4);
  put(rate, 4);
  put(1, 2);
  put(8, 2);
  image.insert(image.end(), {'d', 'a', 't', 'a'});
  put(length, 4);
  for (std::uint32_t i = 0; i < length; ++i) image.push_back((i * 880 * 2 / rate) % 2 ? 96 : 160);
  return image;
}

}  // namespace

void HostPlayLoop(const std::vector<std::uint8_t>& waveImage, int frequency) {
  if (frequency > 0) Trace("tone " + std::to_string(frequency));
  Play(waveImage, true);
}

void HostStopSounds() {
  Trace("tone-stop");
  Stop();
}

void HostBeep() {
  Trace("beep");
  static const std::vector<std::uint8_t> image = BeepImage();
  Play(image, false);
}

}  // namespace platform
