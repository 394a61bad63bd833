// Settings of the internal synthesizer that other modules read or set apart from its loading.
#pragma once
#include <string>

extern std::string SynthLettersDir;  // at most 144 characters, ends in "\" once loaded
extern std::string DiphoneDir;       // at most 144 characters, ends in "\" once loaded
extern std::string DiphoneDatabase;  // at most 8 characters
extern int DiphoneCut;               // samples dropped from unstressed units
extern int DiphoneMinimum;           // samples the cut must leave
extern int WordGap;                  // samples of silence after a word

// Pauses of the synthesizer's punctuation units, in samples at 11,025 per second (the speech
// front end's own pauses between runs of text are in milliseconds and named apart).
constexpr int UnitCommaPause = 4000;
constexpr int UnitFullStopPause = 8000;
constexpr int UnitSemicolonPause = 6000;
constexpr int UnitColonPause = 8000;

constexpr std::size_t SynthDirCapacity = 144;
constexpr std::size_t DiphoneDatabaseCapacity = 8;

void SetDiphoneParams(int cut, int minimum, int gap);
// [TRADUTOR] key of ORALIS.INI in the Windows directory, through an 80-character buffer, with a
// backslash added when missing; cut to the capacity of a synthesizer directory.
std::string ReadSynthDirectory(const std::string& key, const std::string& defaultValue);
// Assigns a database name, keeping its first 8 characters.
void SetDiphoneDatabase(const std::string& name);
