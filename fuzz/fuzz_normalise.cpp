// Fuzzes the text normalisation and the tokenising that follows it, with a few abbreviations.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>

#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char name[] = "/tmp/fuzz_normalise.XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  const char abbreviations[] = "SR = senhor\nDR=doutor\nETC=etcetera\nX=\n=y\n";
  if (write(fd, abbreviations, sizeof abbreviations - 1) < 0) std::abort();
  close(fd);
  if (!tts::LoadAbbreviations(name)) std::abort();
  std::remove(name);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  tts::AssignPatterns(tts::Tokenise(tts::NormaliseText(text)));
  tts::CardinalWords(size * 1000003ull % 1000000000000000ull);
  tts::OrdinalWords(size % 2500, size % 2 ? tts::Gender::Feminine : tts::Gender::Masculine);
  return 0;
}
