// The exception dictionary of the Portuguese text-to-speech engine: words respelled before the
// rules run (lines WORD=ALIAS|), upper-cased and found by bisection.
#pragma once
#include <string>

namespace tts {

constexpr int ExceptionCapacity = 15000;  // entries; reading stops there
constexpr std::size_t ExceptionLineCapacity = 255;  // characters read of a line

// Reads and sorts the entries, after those already loaded. False when the file cannot be opened.
bool LoadExceptions(const std::string& path);
void ClearExceptions();  // sets the entry count to zero
int ExceptionCount();

// The alias of the upper-cased word; final S and M letters are tried as a suffix ("CASAS" gives
// the alias of "CASA" + "S"); else the word unchanged.
std::string LookupException(const std::string& word);

}  // namespace tts
