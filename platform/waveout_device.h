// What a wave-output device supplies to the WaveOut* functions. Only platform/ includes this.
#pragma once
#include <string>

#include "platform/waveout.h"

namespace platform {

struct WaveDeviceOps {
  int (*open)(WaveDevice& device, const WaveFormat& format, WindowHandle notify);
  int (*prepare)(WaveDevice device, WaveHeader* header);
  int (*write)(WaveDevice device, WaveHeader* header);
  int (*unprepare)(WaveDevice device, WaveHeader* header);
  int (*reset)(WaveDevice device);
  int (*close)(WaveDevice device);
};

// The CRC-32 of a block's bytes as 8 hex digits, for the trace.
std::string WaveBlockCrc(const WaveHeader& header);

// The virtual-clock device of the headless backend.
extern const WaveDeviceOps HeadlessWaveOps;
// The sdl and tty backends: an SDL audio device, or the null device that only keeps time.
extern const WaveDeviceOps HostWaveOps;

}  // namespace platform
