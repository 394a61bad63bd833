// The voice database file: diphones cut from recordings, their pitch marks and samples.
// Layout (all little-endian) in voices/README.md.
#ifndef ORALIS_PLATFORM_MBROLA_VOICEDB_H
#define ORALIS_PLATFORM_MBROLA_VOICEDB_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Longest phoneme name the file can hold, in bytes.
constexpr std::size_t kPhonemeNameBytes = 4;

struct PitchMark {
  uint32_t position;  // samples from the diphone's first stored sample
  bool voiced;
};

// One diphone: stored samples [0, sample_count) with a margin on both sides of the span
// [span_start, span_end) that is spoken; boundary is where the left phoneme ends.
struct DiphoneEntry {
  std::string left, right;
  uint32_t first_sample = 0, sample_count = 0;
  uint32_t span_start = 0, boundary = 0, span_end = 0;
  uint32_t first_mark = 0, mark_count = 0;
};

struct VoiceDatabase {
  std::string name;
  uint32_t sample_rate = 16000;  // Hz
  uint32_t natural_pitch = 120;  // Hz, the pitch the recordings were made at
  std::vector<DiphoneEntry> diphones;
  std::vector<PitchMark> marks;
  std::vector<int16_t> samples;
  // Filled by IndexVoiceDatabase: "LEFT-RIGHT" -> diphone, and every phoneme name.
  std::unordered_map<std::string, std::size_t> by_pair;
  std::vector<std::string> phonemes;
};

// Reads and checks a database; on failure `error` says why and the database is left empty.
bool LoadVoiceDatabase(const std::string& path, VoiceDatabase& db, std::string& error);
bool SaveVoiceDatabase(const std::string& path, const VoiceDatabase& db, std::string& error);
// Rebuilds by_pair and phonemes from the diphone list.
void IndexVoiceDatabase(VoiceDatabase& db);
const DiphoneEntry* FindDiphone(const VoiceDatabase& db, const std::string& left,
                                const std::string& right);
bool HasPhoneme(const VoiceDatabase& db, const std::string& name);

#endif
