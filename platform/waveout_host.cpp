// The wave device of the sdl and tty backends. Blocks play in order from one queue; an SDL
// audio callback (or, with no sound, a pacing thread that keeps real time) takes the bytes,
// and each finished block goes back to the notify window as MsgWaveDone from that thread.
#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/host.h"
#include "platform/trace.h"
#include "platform/waveout_device.h"

namespace platform {

namespace {

constexpr WaveDevice TheDevice = 1;
constexpr int PacerSliceMs = 10;  // the null device hands out time in slices of this length

struct Device {
  std::mutex lock;
  std::condition_variable wake;  // the pacer: a block came, or the device closes
  bool open = false;
  WaveFormat format;
  WindowHandle notify = NoWindow;
  std::deque<WaveHeader*> queue;
  std::size_t played = 0;  // bytes of the first block already played
  SDL_AudioDeviceID sdl = 0;
  std::thread pacer;
  bool closing = false;
};
Device& device = *new Device;  // never destroyed: audio threads may use it to the end

std::uint8_t Silence(const WaveFormat& f) { return f.bits == 8 ? 128 : 0; }

int BytesPerSecond(const WaveFormat& f) { return f.rate * f.channels * (f.bits / 8); }

// With the lock held: hands back the block and tells the notify window.
void Return(WaveHeader* header) {
  header->queued = false;
  PostMessage(device.notify, MsgWaveDone, TheDevice, reinterpret_cast<std::intptr_t>(header));
}

// Fills out with the next bytes of the queue, then silence; finished blocks go back.
void Take(std::uint8_t* out, int length) {
  std::lock_guard<std::mutex> hold(device.lock);
  while (length > 0 && !device.queue.empty()) {
    WaveHeader* header = device.queue.front();
    std::size_t left = header->length - device.played;
    std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(length));
    std::memcpy(out, header->data + device.played, n);
    out += n;
    length -= static_cast<int>(n);
    device.played += n;
    if (device.played == header->length) {
      device.queue.pop_front();
      device.played = 0;
      Return(header);
    }
  }
  if (length > 0) std::memset(out, Silence(device.format), static_cast<std::size_t>(length));
}

void AudioCallback(void*, Uint8* stream, int length) { Take(stream, length); }

// The null device: sleeps while nothing is queued, else takes one slice of bytes a slice.
void Pace() {
  int slice = std::max(1, BytesPerSecond(device.format) * PacerSliceMs / 1000);
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(slice));
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(device.lock);
      if (device.queue.empty()) {
        device.wake.wait(hold, [] { return device.closing || !device.queue.empty(); });
        next = std::chrono::steady_clock::now();
      }
      if (device.closing) return;
    }
    next += std::chrono::milliseconds(PacerSliceMs);
    std::this_thread::sleep_until(next);
    Take(scratch.data(), slice);
  }
}

// Device buffers of a power of two samples, at most 20 ms: a reset is heard within that.
Uint16 BufferSamples(int rate) {
  int samples = 64;
  while (samples * 2 <= rate / 50) samples *= 2;
  return static_cast<Uint16>(samples);
}

bool OpenSdl(const WaveFormat& f) {
  SDL_AudioSpec want{}, have{};
  want.freq = f.rate;
  want.format = f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(f.channels);
  want.samples = BufferSamples(f.rate);
  want.callback = AudioCallback;
  device.sdl = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device.sdl == 0) {
    SdlAudioFailed(SDL_GetError());
    return false;
  }
  SDL_PauseAudioDevice(device.sdl, 0);
  return true;
}

bool Valid(WaveDevice d) { return d == TheDevice && device.open; }

int Open(WaveDevice& handle, const WaveFormat& format, WindowHandle notify) {
  if (device.open) return WaveAllocated;
  bool supported = (format.bits == 8 || format.bits == 16) &&
                   (format.channels == 1 || format.channels == 2) && format.rate > 0 &&
                   format.rate <= 384000;
  if (!supported) return WaveBadFormat;
  device.format = format;
  device.notify = notify;
  device.queue.clear();
  device.played = 0;
  device.closing = false;
  device.sdl = 0;
  if (!SdlAudioReady() || !OpenSdl(format)) device.pacer = std::thread(Pace);
  device.open = true;
  handle = TheDevice;
  Trace("wave-open " + std::to_string(format.rate) + " " + std::to_string(format.bits) + " " +
        std::to_string(format.channels));
  return WaveOk;
}

int Prepare(WaveDevice d, WaveHeader* header) {
  if (!Valid(d)) return WaveInvalidHandle;
  header->prepared = true;
  return WaveOk;
}

int Write(WaveDevice d, WaveHeader* header) {
  if (!Valid(d)) return WaveInvalidHandle;
  if (!header->prepared) return WaveUnprepared;
  if (TraceOn()) Trace("wave-block " + std::to_string(header->length) + " " + WaveBlockCrc(*header));
  {
    std::lock_guard<std::mutex> hold(device.lock);
    header->queued = true;
    if (header->length == 0) Return(header);
    else device.queue.push_back(header);
  }
  device.wake.notify_all();
  return WaveOk;
}

int Unprepare(WaveDevice d, WaveHeader* header) {
  if (!Valid(d)) return WaveInvalidHandle;
  std::lock_guard<std::mutex> hold(device.lock);
  if (header->queued) return WaveStillPlaying;
  header->prepared = false;
  return WaveOk;
}

int Reset(WaveDevice d) {
  if (!Valid(d)) return WaveInvalidHandle;
  Trace("wave-reset");
  std::lock_guard<std::mutex> hold(device.lock);
  for (WaveHeader* header : device.queue) Return(header);
  device.queue.clear();
  device.played = 0;
  return WaveOk;
}

int Close(WaveDevice d) {
  if (!Valid(d)) return WaveInvalidHandle;
  {
    std::lock_guard<std::mutex> hold(device.lock);
    if (!device.queue.empty()) return WaveStillPlaying;
    device.closing = true;
  }
  device.wake.notify_all();
  if (device.sdl) SDL_CloseAudioDevice(device.sdl);
  if (device.pacer.joinable()) device.pacer.join();
  device.open = false;
  Trace("wave-close");
  return WaveOk;
}

bool audioChecked = false, audioReady = false;

}  // namespace

const WaveDeviceOps HostWaveOps = {Open, Prepare, Write, Unprepare, Reset, Close};

void SdlAudioFailed(const std::string& why) {
  if (audioChecked && !audioReady) return;
  audioChecked = true;
  audioReady = false;
  std::fprintf(stderr, "oralis: no sound device (%s); sound keeps its time but is not heard\n",
               why.c_str());
}

bool SdlAudioReady() {
  if (audioChecked) return audioReady;
  const char* wanted = std::getenv("ORALIS_AUDIO");
  std::string name = wanted ? wanted : "sdl";
  if (name == "null") {
    audioChecked = true;
    return false;
  }
  if (name != "sdl" && !name.empty())
    std::fprintf(stderr, "oralis: ORALIS_AUDIO=%s is not sdl or null; using sdl\n", name.c_str());
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    SdlAudioFailed(SDL_GetError());
    return false;
  }
  audioChecked = audioReady = true;
  return true;
}

}  // namespace platform
