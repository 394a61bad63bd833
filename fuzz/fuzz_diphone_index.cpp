// Fuzzes the diphone database loader and the synthesis over it: the input is
// INDEX \0 DATA \0 WAVE \0 PHONETIC. The index, the data file and the letter sound "_97.wav" are
// written to a temporary database folder, loaded through ORALIS.INI, and every entry, the letter
// sound and the phonetic string are played into a buffer that is checked at each flush.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diphone/ordifone.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/fuzz_diphone.XXXXXX";
    if (!mkdtemp(name)) std::abort();
    return std::string(name);
  }();
  return folder;
}

void WriteFile(const std::string& name, std::string_view content) {
  std::FILE* file = std::fopen((Folder() + "/" + name).c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

void SetUpFolders() {
  static const bool done = [] {
    for (const char* dir : {"/win", "/let", "/dif"}) {
      if (std::system(("mkdir -p " + Folder() + dir).c_str()) != 0) std::abort();
    }
    WriteFile("win/ORALIS.INI", "[TRADUTOR]\ndirLetras=" + Folder() + "/let\nDIRDIFONES=" +
                                    Folder() + "/dif\n");
    WriteFile("dif/regras.rgr", "(A)=a|\n");
    WriteFile("dif/portug.exc", "casa=kAza\n");
    setenv("ORALIS_WINDIR", (Folder() + "/win").c_str(), 1);
    return true;
  }();
  (void)done;
}

std::string_view TakePart(std::string_view& input) {
  const std::size_t end = input.find('\0');
  const std::string_view part = input.substr(0, end);
  input.remove_prefix(end == input.npos ? input.size() : end + 1);
  return part;
}

// A flushed buffer never holds more than the 63,956 samples after its header.
void CheckBuffer(WaveBuffer& buffer) {
  if (buffer.size() != SynthBufferBytes) std::abort();
  const std::uint32_t length = buffer[40] | buffer[41] << 8 | buffer[42] << 16 |
                               static_cast<std::uint32_t>(buffer[43]) << 24;
  if (length == 0 || length > SynthBufferBytes - SynthHeaderBytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SetUpFolders();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view indexImage = TakePart(input);
  WriteFile("dif/DIFONES2.IND", indexImage);
  WriteFile("dif/DIFONES2.DIF", TakePart(input));
  WriteFile("let/_97.wav", TakePart(input));
  SetSynthPlayer(CheckBuffer);
  if (LoadSynthData() != 0) std::abort();
  if (DiphoneIndex().size() != indexImage.size() / DiphoneIndexEntryBytes) std::abort();
  std::string all;
  for (const DiphoneIndexEntry& entry : DiphoneIndex()) {
    PlayIndexedUnit(entry.name, false, 1.0);  // an unsorted index may miss: no check
    all += "[" + entry.name.substr(entry.name.empty() ? 0 : 1) + "]";
  }
  AppendLetterSound("_97");
  SpeakPhonetic(all + std::string(input));
  FreeSynthData();
  return 0;
}
