// The diphone synthesizer: a phonetic string (from TranslateToPhonetic) becomes sound by joining
// recorded units of a diphone database into one 64,000-byte wave buffer, which is played
// whenever it fills and at the end. All sound is 8-bit unsigned mono at 11,025 samples per
// second, so a length is at once samples and bytes.
//
// The database is an index file DiphoneDir + DiphoneDatabase + ".IND" of 15-byte entries (name
// length, 8 name bytes, length in samples, offset; little-endian, sorted by name) and a data
// file of the same name + ".DIF" holding the raw samples. Single characters come from the
// recorded letter sounds SynthLettersDir + "_" + code + ".wav".
//
// Module state: the index, the open data file, the buffer and the reading state of
// SpeakPhonetic; nothing here is reentrant.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "sound/orwav.h"

struct DiphoneIndexEntry {
  std::string name;          // upper case, at most 8 characters
  std::uint16_t length = 0;  // samples
  std::uint32_t offset = 0;  // bytes into the data file
};

constexpr std::size_t DiphoneIndexEntryBytes = 15;
constexpr std::size_t SynthBufferBytes = 64000;
constexpr std::size_t SynthHeaderBytes = 44;

// 0 loaded; 1 a directory, the index or the data file cannot be opened; 2 the rule file or the
// exception file cannot be loaded. What was obtained before a failure stays until FreeSynthData.
int LoadSynthData();
void FreeSynthData();
// Speaks the phonetic string and returns when its last part has been played (or stopped).
// Nothing is heard before LoadSynthData has succeeded.
void SpeakPhonetic(const std::string& phonetic);

// Where each filled buffer goes: it gets the buffer with its header written and returns when the
// sound has ended. The default plays it through the wave player, a waiting key cutting it
// short; the speech front end installs its own player (which also waits for engine speech),
// tools and tests capture the buffers. nullptr restores the default.
using SynthPlayer = void (*)(WaveBuffer& buffer);
void SetSynthPlayer(SynthPlayer player);

// The 44-byte RIFF/WAVE header of length bytes of 11,025 Hz 8-bit mono sound, written at the
// start of buffer (grown to 44 bytes when shorter).
void MakeSynthHeader(WaveBuffer& buffer, std::uint32_t length);

// The steps of loading, exposed for tests and the fuzzer.
// Entries of an index image: one per 15 bytes, a remainder ignored; a name length above 8 is
// cut to 8.
std::vector<DiphoneIndexEntry> ParseDiphoneIndex(const std::string& image);
// Checks that both synthesizer directories exist (the current directory is kept) and opens the
// index and the data file; false when any of them fails.
bool OpenDiphoneDatabase();
const std::vector<DiphoneIndexEntry>& DiphoneIndex();

// The steps of speaking. Each appends to the buffer, which must be allocated (LoadSynthData);
// without it they do nothing. The factor is the fraction of each unit's samples that is kept.
void SplitUnit(const std::string& unit, double factor);
void SpeakSegment(const std::string& segment, double factor);
void PlayUnit(const std::string& name, bool stressed, double factor);
// False when the name is not in the index.
bool PlayIndexedUnit(const std::string& name, bool stressed, double factor);
// False when SynthLettersDir + name + ".wav" is missing or has no "fmt " and "data" chunks.
bool AppendLetterSound(const std::string& name);
// The length of the data chunk, the file left at its first byte; 0 when the file does not fit.
std::uint32_t FindWaveData(platform::FileHandle file);
// Plays the buffer filled so far when n more samples would bring it to 64,000 bytes.
void EnsureRoom(std::size_t n);
void FlushSynthBuffer();
void AppendSilence(int samples);  // whole blocks of 100 samples of value 128
void AppendNoise();               // 300 samples of values 88 to 167
