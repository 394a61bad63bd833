// Fuzzes the data-file loaders of the Portuguese TTS engine and the text pipeline over what they
// loaded: the input is RULES \0 EXCEPTIONS \0 ABBREVIATIONS \0 PROSODY \0 DIPHONES \0 TEXT; each
// file is written to a temporary folder and loaded.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tts/uttsExcessoes.h"
#include "tts/uttsInic.h"
#include "tts/uttsPortug.h"
#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/fuzz_tts_loaders.XXXXXX";
    if (!mkdtemp(name)) std::abort();
    return std::string(name);
  }();
  return folder;
}

std::string WriteFile(const char* name, std::string_view content) {
  const std::string path = Folder() + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
  return path;
}

// The next \0-terminated part of input (all of the rest for the last one).
std::string_view NextPart(std::string_view& input) {
  const std::size_t end = input.find('\0');
  const std::string_view part = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("ORALIS_BACKEND", "headless", 1);  // message boxes answered at once
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  tts::LoadRules(WriteFile("portug.nrl", NextPart(input)));
  tts::ClearExceptions();
  tts::LoadExceptions(WriteFile("portug.exc", NextPart(input)));
  tts::LoadAbbreviations(WriteFile("portug.abr", NextPart(input)));
  tts::LoadProsody(WriteFile("portug.pro", NextPart(input)));
  tts::LoadDiphones(WriteFile("portug.dfn", NextPart(input)));
  const std::string text(input);
  const tts::PhonemeList phonemes =
      tts::TranscribeTokens(tts::AssignPatterns(tts::Tokenise(tts::NormaliseText(text))));
  tts::ComputeProsody(phonemes, 1.0, 0.8);
  // Lists that did not come from the transcription: markers and headers of any content.
  tts::ComputeProsody({text, ">", ";" + text, text + "|"}, 1.3, 1.0);
  return 0;
}
