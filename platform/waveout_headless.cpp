// The headless wave device: nothing sounds; each block ends after its playing time on the
// virtual clock, and every block is written to the trace with its CRC.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"
#include "platform/trace.h"
#include "platform/waveout_device.h"

namespace platform {

std::string WaveBlockCrc(const WaveHeader& header) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < header.length; ++i) {
    crc ^= header.data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08x", ~crc);
  return hex;
}

namespace {

struct Device {
  bool open = false;
  WaveFormat format;
  WindowHandle notify = NoWindow;
  std::deque<std::pair<WaveHeader*, headless::TimerId>> queue;
  std::uint64_t busyUntil = 0;  // virtual ms when the last queued block ends
} device;

constexpr WaveDevice TheDevice = 1;

std::uint64_t PlayingMs(const WaveFormat& f, std::uint32_t bytes) {
  std::uint64_t perSecond = static_cast<std::uint64_t>(f.rate) * f.channels * (f.bits / 8);
  return perSecond ? (bytes * 1000ull + perSecond - 1) / perSecond : 0;
}

void Return(WaveHeader* header) {
  header->queued = false;
  PostMessage(device.notify, MsgWaveDone, TheDevice, reinterpret_cast<std::intptr_t>(header));
}

void BlockEnded() {
  WaveHeader* header = device.queue.front().first;
  device.queue.pop_front();
  Return(header);
}

bool Valid(WaveDevice d) { return d == TheDevice && device.open; }

int Open(WaveDevice& handle, const WaveFormat& format, WindowHandle notify) {
  if (device.open) return WaveAllocated;
  bool supported = (format.bits == 8 || format.bits == 16) &&
                   (format.channels == 1 || format.channels == 2) && format.rate > 0;
  if (!supported) return WaveBadFormat;
  device = Device{true, format, notify, {}, 0};
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
  Trace("wave-block " + std::to_string(header->length) + " " + WaveBlockCrc(*header));
  std::uint64_t start = std::max(device.busyUntil, headless::Now());
  device.busyUntil = start + PlayingMs(device.format, header->length);
  header->queued = true;
  device.queue.emplace_back(header, headless::AddTimer(device.busyUntil, BlockEnded));
  return WaveOk;
}

int Unprepare(WaveDevice d, WaveHeader* header) {
  if (!Valid(d)) return WaveInvalidHandle;
  if (header->queued) return WaveStillPlaying;
  header->prepared = false;
  return WaveOk;
}

int Reset(WaveDevice d) {
  if (!Valid(d)) return WaveInvalidHandle;
  Trace("wave-reset");
  for (auto& [header, timer] : device.queue) {
    headless::CancelTimer(timer);
    Return(header);
  }
  device.queue.clear();
  device.busyUntil = headless::Now();
  return WaveOk;
}

int Close(WaveDevice d) {
  if (!Valid(d)) return WaveInvalidHandle;
  if (!device.queue.empty()) return WaveStillPlaying;
  device.open = false;
  Trace("wave-close");
  return WaveOk;
}

}  // namespace

const WaveDeviceOps HeadlessWaveOps = {Open, Prepare, Write, Unprepare, Reset, Close};

}  // namespace platform
