// Speaks a file of phoneme lines with the synthesizer library into a 16-bit mono WAV file.
//
//   render_pho VOICE.vox INPUT.pho OUTPUT.wav
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/mbrola/mbrola_api.h"

namespace {

void PutLe(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Drain(std::vector<short>& samples) {
  short buffer[4096];
  for (int n; (n = read_MBR(buffer, 4096)) > 0;) samples.insert(samples.end(), buffer, buffer + n);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: render_pho VOICE.vox INPUT.pho OUTPUT.wav\n";
    return 2;
  }
  if (init_MBR(argv[1]) < 0) {
    char why[256];
    lastErrorStr_MBR(why, sizeof why);
    std::cerr << "render_pho: " << why << "\n";
    return 1;
  }
  std::ifstream in(argv[2]);
  if (!in) {
    std::cerr << "render_pho: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::vector<short> samples;
  int line_number = 0;
  for (std::string line; std::getline(in, line);) {
    ++line_number;
    if (write_MBR((line + "\r\n").c_str()) < 0) {
      char why[256];
      lastErrorStr_MBR(why, sizeof why);
      std::cerr << "render_pho: line " << line_number << ": " << why << "\n";
      return 1;
    }
    Drain(samples);
  }
  flush_MBR();
  Drain(samples);
  const int rate = getFreq_MBR();
  close_MBR();

  std::string wav = "RIFF";
  const auto data_bytes = static_cast<uint32_t>(samples.size() * 2);
  PutLe(wav, 36 + data_bytes, 4);
  wav += "WAVEfmt ";
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);  // mono
  PutLe(wav, static_cast<uint32_t>(rate), 4);
  PutLe(wav, static_cast<uint32_t>(rate * 2), 4);
  PutLe(wav, 2, 2);
  PutLe(wav, 16, 2);
  wav += "data";
  PutLe(wav, data_bytes, 4);
  for (short s : samples) PutLe(wav, static_cast<uint16_t>(s), 2);
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  if (!out.write(wav.data(), static_cast<std::streamsize>(wav.size()))) {
    std::cerr << "render_pho: cannot write " << argv[3] << "\n";
    return 1;
  }
  return 0;
}
