// Fuzzes the letter-rule and word-exception loaders and the translation: the input is
// RULES \0 EXCEPTIONS \0 TEXT; the two files are written to a temporary folder and loaded.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diphone/orregras.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/fuzz_letter_rules.XXXXXX";
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

// The next part of the input up to a NUL byte (taken) or the end.
std::string_view TakePart(std::string_view& input) {
  const std::size_t end = input.find('\0');
  const std::string_view part = input.substr(0, end);
  input.remove_prefix(end == input.npos ? input.size() : end + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view rules = TakePart(input);
  const std::string_view exceptions = TakePart(input);
  if (!LoadLetterRules(WriteFile("regras.rgr", rules))) std::abort();
  if (!LoadWordExceptions(WriteFile("portug.exc", exceptions))) std::abort();
  const std::string phonetic = TranslateToPhonetic(std::string(input));
  // A text character gives at most 3 prepared characters, each at most one word of 256 after its
  // exception, each of its characters a group of at most 11 characters and a "/", plus "[]".
  const std::size_t perCharacter = 3 * (kLetterWordCapacity * 12 + 2);
  if (phonetic.size() > input.size() * perCharacter) std::abort();
  FreeLetterRules();
  return 0;
}
