// The wave-output functions, handed to the device of the backend in use.
#include "platform/backend.h"
#include "platform/waveout_device.h"

namespace platform {

namespace {

int failCode = WaveOk, failCount = 0;

const WaveDeviceOps& Device() {
  return CurrentBackend() == Backend::Headless ? HeadlessWaveOps : HostWaveOps;
}

}  // namespace

int WaveOutOpen(WaveDevice& device, const WaveFormat& format, WindowHandle notify) {
  if (failCount > 0) {
    --failCount;
    return failCode;
  }
  return Device().open(device, format, notify);
}

int WaveOutPrepare(WaveDevice device, WaveHeader* header) { return Device().prepare(device, header); }
int WaveOutWrite(WaveDevice device, WaveHeader* header) { return Device().write(device, header); }
int WaveOutUnprepare(WaveDevice device, WaveHeader* header) {
  return Device().unprepare(device, header);
}
int WaveOutReset(WaveDevice device) { return Device().reset(device); }
int WaveOutClose(WaveDevice device) { return Device().close(device); }

void FailNextWaveOpens(int code, int count) {
  failCode = code;
  failCount = count;
}

}  // namespace platform
