// RIFF parsing of memory images and of files, on arbitrary bytes: nothing may read past the
// data or crash, and playing must end.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/backend.h"
#include "sound/orwav.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (platform::StartHeadless(""), true);
  (void)started;
  WaveBuffer image(data, data + size);
  ParsedWave wave = ParseWaveBuffer(image);
  if (wave.found && wave.data + wave.dataLength > image.data() + image.size()) __builtin_trap();
  static const std::string file = "/tmp/fuzz_wave_" + std::to_string(getpid()) + ".wav";
  if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    PlayWaveFile(file);
  }
  return 0;
}
