// Text normalisation for the Portuguese text-to-speech engine: numbers to words, abbreviations
// expanded, consonant runs spelled, other symbols named. Strings are in the Windows code page.
#pragma once
#include <cstdint>
#include <string>

namespace tts {

// A to Z, a to z and the accented letters of Portuguese, Spanish and French that the engine reads.
bool IsTextLetter(unsigned char c);

constexpr int AbbreviationCapacity = 2000;  // entries; further lines of the file are ignored

// Reads the abbreviation file (lines KEY = EXPANSION). False when it cannot be opened.
bool LoadAbbreviations(const std::string& path);
// The expansion of the first entry whose key equals the upper-cased word, else "".
std::string LookupAbbreviation(const std::string& word);
int AbbreviationCount();

// The spoken name of a character code; "" for codes without a name.
std::string SymbolName(unsigned char code);

enum class Gender { Masculine, Feminine };

// value: at most fifteen digits.
std::string CardinalWords(std::uint64_t value);
std::string OrdinalWords(std::uint64_t value, Gender gender);

std::string NormaliseText(const std::string& text);

}  // namespace tts
