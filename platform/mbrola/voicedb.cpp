#include "platform/mbrola/voicedb.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr char kMagic[8] = {'O', 'R', 'V', 'O', 'I', 'C', 'E', '1'};
constexpr std::size_t kHeaderBytes = 64;
constexpr std::size_t kNameBytes = 36;
constexpr std::size_t kRecordBytes = 2 * kPhonemeNameBytes + 7 * 4;
constexpr uint32_t kVoicedBit = 0x80000000u;

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutName(std::string& out, const std::string& name, std::size_t bytes) {
  std::string field = name.substr(0, bytes);
  field.resize(bytes, '\0');
  out += field;
}

// Reads from a byte image with bounds checks; `ok` falls to false on the first overrun.
struct Reader {
  const std::string& data;
  std::size_t at = 0;
  bool ok = true;

  uint32_t U32() {
    if (at + 4 > data.size()) return ok = false, 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
    at += 4;
    return v;
  }
  std::string Name(std::size_t bytes) {
    if (at + bytes > data.size()) return ok = false, std::string();
    std::string s(data, at, bytes);
    at += bytes;
    return s.substr(0, s.find('\0'));
  }
};

bool EntryIsSound(const DiphoneEntry& d, const VoiceDatabase& db) {
  if (d.left.empty() || d.right.empty()) return false;
  if (d.first_sample > db.samples.size() || d.sample_count > db.samples.size() - d.first_sample)
    return false;
  if (!(d.span_start <= d.boundary && d.boundary <= d.span_end && d.span_end <= d.sample_count))
    return false;
  if (d.mark_count == 0 || d.first_mark > db.marks.size() ||
      d.mark_count > db.marks.size() - d.first_mark)
    return false;
  for (uint32_t m = 0; m < d.mark_count; ++m) {
    const uint32_t pos = db.marks[d.first_mark + m].position;
    if (pos >= d.sample_count) return false;
    if (m > 0 && pos <= db.marks[d.first_mark + m - 1].position) return false;
  }
  return true;
}

}  // namespace

void IndexVoiceDatabase(VoiceDatabase& db) {
  db.by_pair.clear();
  db.phonemes.clear();
  for (std::size_t i = 0; i < db.diphones.size(); ++i) {
    const DiphoneEntry& d = db.diphones[i];
    db.by_pair.emplace(d.left + "-" + d.right, i);
    db.phonemes.push_back(d.left);
    db.phonemes.push_back(d.right);
  }
  std::sort(db.phonemes.begin(), db.phonemes.end());
  db.phonemes.erase(std::unique(db.phonemes.begin(), db.phonemes.end()), db.phonemes.end());
}

const DiphoneEntry* FindDiphone(const VoiceDatabase& db, const std::string& left,
                                const std::string& right) {
  auto it = db.by_pair.find(left + "-" + right);
  return it == db.by_pair.end() ? nullptr : &db.diphones[it->second];
}

bool HasPhoneme(const VoiceDatabase& db, const std::string& name) {
  return std::binary_search(db.phonemes.begin(), db.phonemes.end(), name);
}

bool LoadVoiceDatabase(const std::string& path, VoiceDatabase& db, std::string& error) {
  db = VoiceDatabase();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the voice database " + path;
    return false;
  }
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() < kHeaderBytes || std::memcmp(data.data(), kMagic, sizeof kMagic) != 0) {
    error = "not a voice database: " + path;
    return false;
  }
  Reader r{data, sizeof kMagic};
  VoiceDatabase loaded;
  loaded.sample_rate = r.U32();
  loaded.natural_pitch = r.U32();
  const uint32_t diphones = r.U32(), marks = r.U32(), samples = r.U32();
  loaded.name = r.Name(kNameBytes);
  const uint64_t expected = kHeaderBytes + uint64_t{diphones} * kRecordBytes + uint64_t{marks} * 4 +
                            uint64_t{samples} * 2;
  if (!r.ok || expected != data.size() || loaded.sample_rate < 1000 || loaded.natural_pitch == 0) {
    error = "damaged voice database (sizes do not match): " + path;
    return false;
  }
  loaded.diphones.resize(diphones);
  for (DiphoneEntry& d : loaded.diphones) {
    d.left = r.Name(kPhonemeNameBytes);
    d.right = r.Name(kPhonemeNameBytes);
    d.first_sample = r.U32();
    d.sample_count = r.U32();
    d.span_start = r.U32();
    d.boundary = r.U32();
    d.span_end = r.U32();
    d.first_mark = r.U32();
    d.mark_count = r.U32();
  }
  loaded.marks.resize(marks);
  for (PitchMark& m : loaded.marks) {
    const uint32_t v = r.U32();
    m = {v & ~kVoicedBit, (v & kVoicedBit) != 0};
  }
  loaded.samples.resize(samples);
  for (std::size_t i = 0; i < samples; ++i) {
    const auto lo = static_cast<unsigned char>(data[r.at + 2 * i]);
    const auto hi = static_cast<unsigned char>(data[r.at + 2 * i + 1]);
    loaded.samples[i] = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
  }
  for (const DiphoneEntry& d : loaded.diphones) {
    if (!EntryIsSound(d, loaded)) {
      error = "damaged voice database (diphone " + d.left + "-" + d.right + "): " + path;
      return false;
    }
  }
  IndexVoiceDatabase(loaded);
  db = std::move(loaded);
  return true;
}

bool SaveVoiceDatabase(const std::string& path, const VoiceDatabase& db, std::string& error) {
  std::string out(kMagic, sizeof kMagic);
  PutU32(out, db.sample_rate);
  PutU32(out, db.natural_pitch);
  PutU32(out, static_cast<uint32_t>(db.diphones.size()));
  PutU32(out, static_cast<uint32_t>(db.marks.size()));
  PutU32(out, static_cast<uint32_t>(db.samples.size()));
  PutName(out, db.name, kNameBytes);
  for (const DiphoneEntry& d : db.diphones) {
    PutName(out, d.left, kPhonemeNameBytes);
    PutName(out, d.right, kPhonemeNameBytes);
    for (uint32_t v : {d.first_sample, d.sample_count, d.span_start, d.boundary, d.span_end,
                       d.first_mark, d.mark_count})
      PutU32(out, v);
  }
  for (const PitchMark& m : db.marks) PutU32(out, m.position | (m.voiced ? kVoicedBit : 0));
  for (int16_t s : db.samples) {
    const auto u = static_cast<uint16_t>(s);
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.write(out.data(), static_cast<std::streamsize>(out.size()))) {
    error = "cannot write the voice database " + path;
    return false;
  }
  return true;
}
