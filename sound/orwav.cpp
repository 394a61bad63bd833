#include "sound/orwav.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "console/OrCrt.h"
#include "platform/files.h"
#include "platform/trace.h"
#include "platform/waveout.h"

bool WaveStopOnKey = true;
bool WaveFastRate = false;
bool WaveCutPeriods = false;

namespace {

constexpr int SlotCount = 4;
constexpr std::size_t MinimumDeviceBytes = 256;

struct BlockSlot {
  std::vector<std::uint8_t> data = std::vector<std::uint8_t>(WaveBlockBytes);
  platform::WaveHeader header;
};

std::array<BlockSlot, SlotCount> slots;
std::vector<std::uint8_t> scratch(WaveBlockBytes);
int lastSlot = 0;           // 1-4, 0 before the first block
int blocksInDevice = 0;
bool deviceOpen = false;
platform::WaveDevice device = 0;
platform::WaveFormat current{0, 0, 0};

bool KeyStops() { return WaveStopOnKey && KeyWaiting(); }

bool TagIs(const std::uint8_t* p, const char* tag) {
  for (int i = 0; i < 4; ++i)
    if (std::tolower(p[i]) != tag[i]) return false;
  return true;
}

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
int Le16(const std::uint8_t* p) { return p[0] | p[1] << 8; }

// Channels at body offset 2, rate at 4, bits at 14; a body too short to hold them is refused.
bool ReadFmtBody(const std::uint8_t* body, std::size_t size, ParsedWave& wave) {
  if (size < 16) return false;
  wave.channels = Le16(body + 2);
  wave.rate = static_cast<int>(Le32(body + 4));
  wave.bits = Le16(body + 14);
  return true;
}

// 1.5 times the rate, halves to the even neighbour (11,025 gives 16,538).
int FastRate(int rate) {
  long long triple = 3LL * rate, half = triple / 2;
  if (triple % 2 && half % 2) ++half;
  return static_cast<int>(half);
}

// The silence of the current format, to pad blocks shorter than the device minimum.
std::uint8_t SilenceByte() { return current.bits == 8 ? 128 : 0; }

void WaitForEnd() {
  while (WavePlaying()) platform::WaitMessage();
}

// The earliest position of the largest byte above 0 in [a, b], clamped to the block; no such
// byte gives the end of the range, so every walk moves forward.
std::size_t Peak(const std::uint8_t* block, std::size_t n, std::size_t a, std::size_t b) {
  b = std::min(b, n - 1);
  std::size_t best = b;
  std::uint8_t top = 0;
  for (std::size_t i = a; i <= b; ++i)
    if (block[i] > top) top = block[i], best = i;
  return best;
}

struct FileCloser {
  platform::FileHandle file;
  ~FileCloser() { platform::CloseFile(file); }
};

bool ReadExactly(platform::FileHandle file, void* buffer, std::size_t count) {
  return platform::ReadFile(file, buffer, count) == static_cast<std::int64_t>(count);
}

// Reads the header and walks to the data chunk; false on any short read or bad tag.
bool ReadWaveLayout(platform::FileHandle file, ParsedWave& wave, std::uint32_t& dataSize) {
  std::uint8_t head[12], chunk[8];
  if (!ReadExactly(file, head, 12) || !TagIs(head, "riff")) return false;
  if (!ReadExactly(file, chunk, 8) || !TagIs(chunk, "fmt ")) return false;
  std::uint32_t fmtSize = Le32(chunk + 4);
  std::size_t kept = std::min<std::size_t>(fmtSize, scratch.size());
  if (!ReadExactly(file, scratch.data(), kept) || !ReadFmtBody(scratch.data(), kept, wave)) return false;
  std::int64_t position = 20 + static_cast<std::int64_t>(fmtSize);
  if (kept < fmtSize && !platform::SeekFile(file, position)) return false;
  std::int64_t size = platform::FileSize(file);
  for (;;) {
    if (!ReadExactly(file, chunk, 8)) return false;
    position += 8;
    dataSize = Le32(chunk + 4);
    if (TagIs(chunk, "data")) return true;
    position += dataSize;
    if (position > size || !platform::SeekFile(file, position)) return false;
  }
}

}  // namespace

std::size_t FileBlockLength(std::size_t remaining) {
  if (remaining > WaveBlockBytes && remaining < 65790) return 65278;
  return std::min(remaining, WaveBlockBytes);
}

int PlayWaveFile(const std::string& name) {
  if (KeyStops()) return 0;
  platform::FileHandle file = platform::OpenFile(name, platform::OpenMode::Read);
  platform::Trace("play-file " + platform::HostPath(name) + (file < 0 ? " missing" : ""));
  if (file < 0) return -1;
  int result = 0;
  {
    FileCloser closer{file};
    ParsedWave wave;
    std::uint32_t remaining = 0;
    if (!ReadWaveLayout(file, wave, remaining)) {
      result = -1;
      remaining = 0;
    }
    while (remaining > 0) {
      std::size_t length = FileBlockLength(remaining);
      remaining -= static_cast<std::uint32_t>(length);
      std::int64_t got = platform::ReadFile(file, scratch.data(), length);
      if (got <= 0) {
        result = -1;
        break;
      }
      result = PlayPcm(scratch.data(), static_cast<std::size_t>(got), wave.rate, wave.bits, wave.channels);
      if (result == 0 && static_cast<std::size_t>(got) < length) result = -1;
      if (result != 0 || KeyStops()) break;
    }
  }
  WaitForEnd();
  return result;
}

ParsedWave ParseWaveBuffer(WaveBuffer& buffer) {
  ParsedWave wave;
  if (buffer.size() < 20 || !TagIs(buffer.data(), "riff") || !TagIs(buffer.data() + 12, "fmt ")) return wave;
  // The RIFF size bounds the walk as well as the buffer itself.
  std::size_t end = std::min<std::size_t>(buffer.size(), 8 + static_cast<std::size_t>(Le32(buffer.data() + 4)));
  std::size_t fmtSize = Le32(buffer.data() + 16);
  if (20 + fmtSize > end || !ReadFmtBody(buffer.data() + 20, fmtSize, wave)) return wave;
  for (std::size_t at = 20 + fmtSize; at + 8 <= end;) {
    std::size_t size = Le32(buffer.data() + at + 4);
    if (TagIs(buffer.data() + at, "data")) {
      wave.found = true;
      wave.data = buffer.data() + at + 8;
      wave.dataLength = std::min(size, end - (at + 8));
      return wave;
    }
    if (size > end - (at + 8)) break;
    at += 8 + size;
  }
  return wave;
}

void PlayWaveMemory(WaveBuffer& buffer) {
  ParsedWave wave = ParseWaveBuffer(buffer);
  if (wave.found) PlayPcm(wave.data, wave.dataLength, wave.rate, wave.bits, wave.channels);
}

bool WavePlaying() {
  PumpMessages();
  if (KeyStops() || blocksInDevice == 0) StopWave();
  return blocksInDevice > 0;
}

void StopWave() {
  if (!deviceOpen) return;
  if (blocksInDevice > 0) {
    platform::WaveOutReset(device);
    PumpMessages();
  }
  platform::WaveOutClose(device);
  deviceOpen = false;
  PumpMessages();
}

void WaveDoneHandler(platform::WindowHandle, std::uintptr_t, std::intptr_t headerAddress) {
  auto* header = reinterpret_cast<platform::WaveHeader*>(headerAddress);
  if (!header) return;
  int code = platform::WaveOutUnprepare(device, header);
  if (code != platform::WaveOk) {
    static const struct { int code; const char* text; } texts[] = {
        {platform::WaveInvalidHandle, "Specified device handle is invalid."},
        {platform::WaveNoDriver, "No device driver is present."},
        {platform::WaveNoMemory, "Unable to allocate or lock memory."},
        {platform::WaveStillPlaying, "The data block pointed to by the pwh parameter is still in queue"},
    };
    for (const auto& t : texts)
      if (t.code == code) WriteBytes(t.text);
    char line[128];
    ReadEchoLine(line, sizeof line);
  }
  if (blocksInDevice > 0) --blocksInDevice;
}

int PlayPcm(std::uint8_t* samples, std::size_t length, int rate, int bits, int channels) {
  if (WaveFastRate) rate = FastRate(rate);
  bool cut = WaveCutPeriods && channels == 1;
  int opened = cut && bits == 16 ? SetWaveFormat(rate, 8, 1) : SetWaveFormat(rate, bits, channels);
  if (opened != 0) return opened;
  while (length > 0) {
    while (blocksInDevice >= SlotCount) {
      if (KeyStops()) {
        StopWave();
        return 0;
      }
      PauseMs(10);
    }
    if (KeyStops()) {
      StopWave();
      return 0;
    }
    std::size_t n = std::min(length, WaveBlockBytes);
    std::size_t m = cut ? CutPitchPeriods(samples, n, bits, rate) : n;
    QueueBlock(samples, m);
    samples += n;
    length -= n;
  }
  return 0;
}

int SetWaveFormat(int rate, int bits, int channels) {
  platform::WaveFormat wanted{rate, bits, channels};
  if (!(wanted == current)) {
    while (WavePlaying()) platform::WaitMessage();
    current = wanted;
  }
  return OpenWaveDevice();
}

int OpenWaveDevice() {
  if (deviceOpen) return 0;
  // The window must exist to receive the finished blocks.
  EnsureConsole();
  WaveDoneHook() = WaveDoneHookState{true, WaveDoneHandler};
  int result = platform::WaveAllocated;
  for (int attempt = 0; attempt < 100; ++attempt) {
    result = platform::WaveOutOpen(device, current, ConsoleWindow());
    if (result != platform::WaveAllocated) break;
    PauseMs(100);
  }
  deviceOpen = result == 0;
  return result;
}

bool QueueBlock(const std::uint8_t* samples, std::size_t n) {
  if (n == 0) return false;  // nothing left of the block (a 16-bit block of one byte)
  for (int tries = 0; blocksInDevice >= SlotCount && tries < 40; ++tries) {
    PumpMessages();
    PauseMs(50);
  }
  if (blocksInDevice >= SlotCount) return false;
  n = std::min(n, WaveBlockBytes);
  ++blocksInDevice;
  lastSlot = lastSlot % SlotCount + 1;
  BlockSlot& slot = slots[lastSlot - 1];
  std::size_t deviceLength = std::max(n, MinimumDeviceBytes);
  bool eightBitMono = current.bits == 8 && current.channels == 1;
  std::fill(slot.data.begin() + n, slot.data.begin() + deviceLength, SilenceByte());
  std::memmove(slot.data.data(), samples, n);
  if (eightBitMono && n != WaveBlockBytes) slot.data[n - 1] = 128;  // end on the silence level
  slot.header = platform::WaveHeader{slot.data.data(), static_cast<std::uint32_t>(deviceLength),
                                     static_cast<std::uintptr_t>(lastSlot), false, false};
  if (platform::WaveOutPrepare(device, &slot.header) != platform::WaveOk) {
    --blocksInDevice;  // the device will never return it
    return false;
  }
  platform::WaveOutWrite(device, &slot.header);
  return true;
}

std::size_t CutPitchPeriods(std::uint8_t* block, std::size_t n, int bits, int rate) {
  if (bits == 16) {
    n /= 2;
    for (std::size_t i = 0; i < n; ++i) block[i] = block[2 * i + 1] ^ 128;
  }
  if (n < 1000) return n;
  std::size_t start = rate == 11025 ? 200 : 800, skip = rate == 11025 ? 80 : 320;
  std::size_t window = rate == 11025 ? 50 : 200;
  std::size_t p = Peak(block, n, start, start + skip + window), w = p;
  while (p + 2 * (skip + window) < n) {
    std::size_t q1 = Peak(block, n, p + skip, p + skip + window);
    std::size_t q2 = Peak(block, n, q1 + skip, q1 + skip + window);
    std::memmove(block + w, block + q1, q2 - q1 + 1);
    w += q2 - q1 + 1;
    p = q2;
  }
  while (w < n && p < n && std::abs(block[w] - 128) > 20) block[w++] = block[p++];
  return w;
}
