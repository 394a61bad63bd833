// The wave-output device: blocks of PCM queued in order, each reported back when played with
// MsgWaveDone (wparam the device, lparam the block's header) posted to the window given at open.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace platform {

struct WaveFormat {
  int rate = 0;  // samples per second
  int bits = 0;  // 8 (unsigned) or 16 (signed)
  int channels = 0;
  bool operator==(const WaveFormat&) const = default;
};

// One block given to the device; the caller owns the memory until the block comes back.
struct WaveHeader {
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;  // bytes
  std::uintptr_t user = 0;
  bool prepared = false;
  bool queued = false;  // in the device, not yet returned
};

// Result codes of the device, in the numbering callers already test for.
enum : int {
  WaveOk = 0,
  WaveError = 1,
  WaveBadDevice = 2,
  WaveAllocated = 4,
  WaveInvalidHandle = 5,
  WaveNoDriver = 6,
  WaveNoMemory = 7,
  WaveBadFormat = 32,
  WaveStillPlaying = 33,
  WaveUnprepared = 34,
};

using WaveDevice = int;

int WaveOutOpen(WaveDevice& device, const WaveFormat& format, WindowHandle notify);
int WaveOutPrepare(WaveDevice device, WaveHeader* header);
int WaveOutWrite(WaveDevice device, WaveHeader* header);
// WaveStillPlaying while the block is in the device.
int WaveOutUnprepare(WaveDevice device, WaveHeader* header);
// Stops at once and returns every queued block (each with its MsgWaveDone).
int WaveOutReset(WaveDevice device);
// WaveStillPlaying while blocks are queued.
int WaveOutClose(WaveDevice device);

// Tests: make the next opens fail with a code (WaveAllocated, for example) count times.
void FailNextWaveOpens(int code, int count);

}  // namespace platform
