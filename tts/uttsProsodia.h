// Prosody of the Portuguese text-to-speech engine: token classes and intonation patterns before
// transcription, then durations, pitch points and diphone bridges written as MBROLA lines.
#pragma once
#include <string>
#include <vector>

#include "tts/uttsPortug.h"

namespace tts {

constexpr int DurationCapacity = 100;  // entries of the prosody file; further ones are ignored
constexpr int KeyCapacity = 1000;
constexpr int PatternCapacity = 300;
constexpr int DefaultHertz = 230;

// Reads the sections [DURAÇÃO], [CHAVES] and [PROSÓDIA]; on an error shows a message box and
// returns false.
bool LoadProsody(const std::string& path);
// The voice's diphones, lines "A B ..."; false when the file cannot be read (the list is then
// empty).
bool LoadDiphones(const std::string& path);
void FreeDiphones();
bool HasDiphone(const std::string& first, const std::string& second);  // without regard to case

// The two-character class of a key word, or "".
std::string LookupKey(const std::string& word);

using TokenEntries = std::vector<std::string>;

// Entries "[CL]token"; "[--]" with no token marks a sentence boundary.
TokenEntries Tokenise(const std::string& text);
// Entries "555|token": the intonation value chosen by the classes around each token.
TokenEntries AssignPatterns(const TokenEntries& entries);

// MBROLA lines: "a 145 80 241", ";token" comments, empty lines at word ends, bridges "y 50"/"_ 50".
std::vector<std::string> ComputeProsody(const PhonemeList& list, double pitchFactor,
                                        double durationFactor);

}  // namespace tts
