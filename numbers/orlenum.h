// Numbers in Brazilian Portuguese words (2005 -> "dois mil e cinco"), in the Windows code page,
// and the recorded fragments that speak them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Words for value; group names bring their blank, so 1000 gives "mil " and 2000 "dois mil ".
// A negative value gives the words of its magnitude: the callers speak the sign themselves.
std::string NumberToWords(std::int32_t value);

// The same for a text of 1 to 15 decimal digits (up to 999 trilhões); any other text gives "".
std::string DigitsToWords(const std::string& digits);

// Three digit characters: hundreds, tens, units. "000" gives "".
std::string ThreeDigitsToWords(char hundreds, char tens, char units);
// Group 0 to 4 (trilhões to units) of a 15-digit text, with its group name.
std::string GroupToWords(const std::string& fifteenDigits, int group);

// The recording key of one word: "_" + the word cut to 8 characters, after "ã" -> "a", "õ" -> "o"
// and "dezessete" -> "dezeset" (a plain cut would give _dezesse, the key of dezesseis).
std::string NumberFragmentKey(const std::string& word);
// The keys of the blank-separated words, in order; with feminine the last word "um" or "dois"
// becomes "_uma" or "_duas" (duas horas).
std::vector<std::string> NumberFragmentKeys(const std::string& words, bool feminine);

// Join buffer of SpeakNumberWords: samples at 11,025 per second, behind a 44-byte header.
constexpr std::size_t NumberJoinBytes = 30000;

// Speaks blank-separated words from the fragments of NumberFragmentKeys, SynthLettersDir + key +
// ".wav" (8-bit mono at 11,025 per second, samples from offset 44 to the end). The fragments are
// joined without gaps and played in pieces of at most NumberJoinBytes; a missing fragment, or
// one too short to hold samples, is skipped.
void SpeakNumberWords(const std::string& words, bool feminine);
