#include "diphone/ordifone.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "diphone/orregras.h"
#include "diphone/orsintpar.h"
#include "platform/messages.h"

namespace {

std::vector<DiphoneIndexEntry> units;  // the index, sorted by name
platform::FileHandle dataFile = -1;

WaveBuffer synthBuffer;  // empty until LoadSynthData allocates it
std::size_t fill = SynthHeaderBytes;

// Reading state of SpeakPhonetic.
std::string phonetic;
std::size_t reading = 1;  // 1-based position in phonetic
bool stressFlag = false;  // the piece being played carries the word's stress

std::uint32_t noiseSeed = 1;

constexpr std::size_t UnitCapacity = 40;
constexpr std::size_t SegmentCapacity = 12;  // also the capacity of a unit name
constexpr std::size_t JoinedUnitLength = 8;  // groups are joined while the unit is this short
constexpr std::size_t SilenceBlock = 100;
constexpr std::size_t NoiseLength = 300;
constexpr std::uint8_t SilenceLevel = 128;
// The most one append may hold: EnsureRoom flushes when the fill would reach 64,000, so after a
// flush a part of 63,956 samples still fits.
constexpr std::size_t MostPerAppend = SynthBufferBytes - SynthHeaderBytes;

void PlayToEnd(WaveBuffer& buffer) {
  PlayWaveMemory(buffer);
  while (WavePlaying()) platform::WaitMessage();
}

SynthPlayer player = PlayToEnd;

bool IsOneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }
bool IsSynthVowel(char c) { return IsOneOf(c, "AEIOUaeiouwy"); }
bool IsSynthConsonant(char c) { return IsOneOf(c, "bcdfgjklmnpqrstvxz"); }
bool IsGlide(char c) { return c == 'w' || c == 'y'; }
bool IsNasalMark(char c) { return c == '^' || c == '~'; }
bool IsStressedVowel(char c) { return IsOneOf(c, "AEIOU"); }

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::uint32_t Little(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// Appends up to n samples read from the file's position, in parts that fit the buffer; stops at
// the end of the file.
void AppendFromFile(platform::FileHandle file, std::size_t n) {
  while (n > 0) {
    const std::size_t part = std::min(n, MostPerAppend);
    EnsureRoom(part);
    const std::int64_t got = platform::ReadFile(file, synthBuffer.data() + fill, part);
    if (got <= 0) return;
    fill += static_cast<std::size_t>(got);
    n -= static_cast<std::size_t>(got);
  }
}

void AppendFilled(std::size_t n, std::uint8_t (*sample)()) {
  EnsureRoom(n);
  for (std::size_t i = 0; i < n; ++i) synthBuffer[fill++] = sample();
}

bool Within(std::size_t position) { return position >= 1 && position <= phonetic.size(); }
char At(std::size_t position) { return Within(position) ? phonetic[position - 1] : '\0'; }

int PunctuationPause(const std::string& unit) {
  if (unit.size() != 2 || unit[0] != '_') return 0;
  switch (unit[1]) {
    case ',': return UnitCommaPause;
    case '.': return UnitFullStopPause;
    case ';': return UnitSemicolonPause;
    case ':': return UnitColonPause;
    default: return 0;
  }
}

void Collect(std::string& unit, char c) {
  if (unit.size() < UnitCapacity) unit += c;
}

// The next unit of the phonetic string from the reading position: the groups of a word joined
// while the unit has at most 8 characters; a punctuation unit becomes its pause.
std::string NextPhoneticUnit() {
  if (At(reading) == '[') {
    stressFlag = false;
    ++reading;
  }
  std::string unit;
  while (Within(reading) && At(reading) != ' ' && At(reading) != ']') {
    const char c = At(reading);
    if (c == '/') {
      if (unit.size() > JoinedUnitLength) break;
    } else if (c == '_') {
      ++reading;
      Collect(unit, '_');
      if (Within(reading)) Collect(unit, At(reading));
    } else {
      Collect(unit, c);
    }
    ++reading;
  }
  ++reading;
  if (const int pause = PunctuationPause(unit)) {
    AppendSilence(pause);
    unit.clear();
  }
  return unit;
}

}  // namespace

void SetSynthPlayer(SynthPlayer newPlayer) { player = newPlayer ? newPlayer : PlayToEnd; }

void MakeSynthHeader(WaveBuffer& buffer, std::uint32_t length) {
  if (buffer.size() < SynthHeaderBytes) buffer.resize(SynthHeaderBytes);
  std::uint8_t* at = buffer.data();
  const auto tag = [&](const char* text) {
    std::memcpy(at, text, 4);
    at += 4;
  };
  const auto number = [&](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *at++ = static_cast<std::uint8_t>(value >> (8 * i));
  };
  tag("RIFF");
  number(length + 36, 4);
  tag("WAVE");
  tag("fmt ");
  number(16, 4);
  number(1, 2);      // PCM
  number(1, 2);      // mono
  number(11025, 4);  // samples per second
  number(11025, 4);  // bytes per second
  number(1, 2);      // bytes per sample
  number(8, 2);      // bits per sample
  tag("data");
  number(length, 4);
}

std::vector<DiphoneIndexEntry> ParseDiphoneIndex(const std::string& image) {
  std::vector<DiphoneIndexEntry> entries;
  const std::size_t step = DiphoneIndexEntryBytes;
  for (std::size_t at = 0; at + step <= image.size(); at += step) {
    DiphoneIndexEntry entry;
    const std::size_t nameLength = std::min<std::size_t>(static_cast<std::uint8_t>(image[at]), 8);
    entry.name = image.substr(at + 1, nameLength);
    entry.length = static_cast<std::uint16_t>(Little(image, at + 9, 2));
    entry.offset = Little(image, at + 11, 4);
    entries.push_back(std::move(entry));
  }
  return entries;
}

const std::vector<DiphoneIndexEntry>& DiphoneIndex() { return units; }

namespace {

// The directory exists: it can be made current. The current directory is restored at once, so
// that relative names of the database's files mean the same here as for the rule files.
bool DirectoryExists(const std::string& dir, const std::string& current) {
  const bool exists = platform::SetCurrentDirectory(dir);
  platform::SetCurrentDirectory(current);
  return exists;
}

bool ReadIndex(const std::string& name) {
  const platform::FileHandle file = platform::OpenFile(name, platform::OpenMode::Read);
  if (file < 0) return false;
  std::string image;
  char block[4096];
  for (std::int64_t got; (got = platform::ReadFile(file, block, sizeof block)) > 0;)
    image.append(block, static_cast<std::size_t>(got));
  platform::CloseFile(file);
  units = ParseDiphoneIndex(image);
  return true;
}

void CloseDataFile() {
  if (dataFile >= 0) platform::CloseFile(dataFile);
  dataFile = -1;
}

}  // namespace

bool OpenDiphoneDatabase() {
  units.clear();
  CloseDataFile();
  const std::string current = platform::CurrentDirectory();
  SynthLettersDir = ReadSynthDirectory("dirLetras", "c:\\oralsys\\som\\letras");
  if (!DirectoryExists(SynthLettersDir, current)) return false;
  DiphoneDir = ReadSynthDirectory("DIRDIFONES", "c:\\oralsys\\som\\difones");
  if (!DirectoryExists(DiphoneDir, current)) return false;
  if (!ReadIndex(DiphoneDir + DiphoneDatabase + ".IND")) return false;
  dataFile = platform::OpenFile(DiphoneDir + DiphoneDatabase + ".DIF", platform::OpenMode::Read);
  return dataFile >= 0;
}

int LoadSynthData() {
  if (!OpenDiphoneDatabase()) return 1;
  if (!LoadLetterRules(platform::HostPath(DiphoneDir + "regras.rgr"))) return 2;
  if (!LoadWordExceptions(platform::HostPath(DiphoneDir + "portug.exc"))) return 2;
  synthBuffer.assign(SynthBufferBytes, 0);
  fill = SynthHeaderBytes;
  return 0;
}

void FreeSynthData() {
  synthBuffer.clear();
  synthBuffer.shrink_to_fit();
  FreeLetterRules();
  CloseDataFile();
  units.clear();
}

void SpeakPhonetic(const std::string& text) {
  if (synthBuffer.empty()) return;
  fill = SynthHeaderBytes;
  phonetic = text;
  reading = 1;
  stressFlag = false;
  while (Within(reading)) {
    SplitUnit(NextPhoneticUnit(), 1.0);
    if (Within(reading) && reading > 1 && At(reading - 1) != ' ') AppendSilence(WordGap);
  }
  FlushSynthBuffer();
}

void SplitUnit(const std::string& u, double x) {
  const std::size_t n = u.size();
  if (n == 0) return;
  if (n == 1) return SpeakSegment(u, x);
  const char last = u[n - 1], beforeLast = u[n - 2];
  if (n >= 3) {
    const std::string firstTwo = u.substr(0, 2);
    if (IsSynthConsonant(u[0]) && IsSynthConsonant(u[1]) && firstTwo != "dj" && firstTwo != "nh" &&
        firstTwo != "rr" && firstTwo != "ks" && u.compare(0, 3, "tch") != 0) {
      SpeakSegment(u.substr(0, 1), 1.0);
      return SplitUnit(u.substr(1), x);
    }
    if (EndsWith(u, "rr")) {
      SplitUnit(u.substr(0, n - 2), x);
      return SpeakSegment("rr", x);
    }
    if (IsSynthConsonant(last)) {
      SplitUnit(u.substr(0, n - 1), x);
      return SplitUnit(u.substr(n - 1), x);
    }
  }
  // A nasal mark and a glide alone (two characters) have no vowel to carry: they go on to be
  // spoken as they are, like any other unit.
  if (IsGlide(last)) {
    if (IsSynthVowel(beforeLast) && n >= 3) {
      SplitUnit(u.substr(0, n - 1), 0.6);
      return SpeakSegment(u.substr(n - 2), x);
    }
    if (IsNasalMark(beforeLast) && n >= 4) {
      SplitUnit(beforeLast == '~' ? u.substr(0, n - 2) + "^" : u.substr(0, n - 1), 0.6);
      return SpeakSegment(std::string{u[n - 3], last, beforeLast}, x);
    }
    if (IsNasalMark(beforeLast) && n == 3) return SpeakSegment(std::string{u[0], u[2], u[1]}, x);
  }
  if (u != "_s" && last == 's') {
    SplitUnit(u.substr(0, 1), 0.7);
    return SpeakSegment("s", x);
  }
  SpeakSegment(u, x);
}

void SpeakSegment(const std::string& segment, double x) {
  const std::string s = segment.substr(0, SegmentCapacity);
  if (s.empty()) return;
  if (s[0] == '_') {
    // Only the character after the underscore is heard; an underscore that ends the string
    // names no sound.
    if (s.size() > 1)
      PlayUnit("_" + std::to_string(static_cast<std::uint8_t>(s[1])), stressFlag, x);
    return;
  }
  std::string d = "$";
  bool stressSeen = false;
  for (const char c : s) {
    if (IsStressedVowel(c)) stressSeen = stressFlag = true;
    if (c == '^' || c == '~') {
      PlayUnit(d + (c == '^' ? "CIRC" : "TIL"), stressFlag, x);
      d = "$";
    } else if (d.size() < SegmentCapacity) {
      d += c;
    }
  }
  if (d != "$") PlayUnit(d, stressFlag, x);
  if (stressSeen) stressFlag = false;
}

void PlayUnit(const std::string& name, bool stressed, double x) {
  const std::string d = name.substr(0, SegmentCapacity);
  const std::size_t n = d.size();
  if (n == 0) return;
  const bool ok = d[0] == '_' ? AppendLetterSound(d) : PlayIndexedUnit(d, stressed, x);
  if (ok) return;
  if (n <= 2) return AppendNoise();
  if (IsSynthVowel(d[n - 1])) {
    PlayUnit(d.substr(0, n - 1), stressed, 0.9 * x);
    return PlayUnit("$" + d.substr(n - 1), stressed, x);
  }
  if (EndsWith(d, "CIRC") && n >= 7) {
    PlayUnit(d.substr(0, n - 5), stressed, 0.9 * x);
    return PlayUnit("$" + d.substr(n - 5), stressed, x);
  }
  if (EndsWith(d, "TIL")) {
    const std::string bare = d.substr(0, n - 3);
    const char end = bare.empty() ? '\0' : UpperAscii(bare.substr(bare.size() - 1))[0];
    if (end == 'I' || end == 'U')
      PlayUnit(bare, stressed, 0.9 * x);
    else
      PlayUnit(bare + "CIRC", true, 0.9 * x);
    PlayUnit("$nn", false, 0.9);
  }
}

bool PlayIndexedUnit(const std::string& name, bool stressed, double x) {
  const std::string key = UpperAscii(name);
  const auto found = std::lower_bound(units.begin(), units.end(), key,
      [](const DiphoneIndexEntry& entry, const std::string& k) { return entry.name < k; });
  if (found == units.end() || found->name != key) return false;
  long long n = found->length;
  if (!stressed && key.size() > 2) {
    long long cut = n - DiphoneCut;
    if (cut < DiphoneMinimum) cut = std::min<long long>(n, DiphoneMinimum);
    n = cut;
  }
  n = std::llrint(static_cast<double>(n) * x);  // the default rounding: a half goes to even
  if (n <= 0 || synthBuffer.empty() || dataFile < 0) return true;
  if (platform::SeekFile(dataFile, found->offset))
    AppendFromFile(dataFile, static_cast<std::size_t>(n));
  return true;
}

bool AppendLetterSound(const std::string& name) {
  const platform::FileHandle file =
      platform::OpenFile(SynthLettersDir + name + ".wav", platform::OpenMode::Read);
  if (file < 0) return false;
  const std::uint32_t length = FindWaveData(file);
  if (length > 0 && !synthBuffer.empty()) AppendFromFile(file, length);
  platform::CloseFile(file);
  return length > 0;
}

std::uint32_t FindWaveData(platform::FileHandle file) {
  const std::int64_t size = platform::FileSize(file);
  std::int64_t position = 0;
  std::string bytes;
  const auto read = [&](std::size_t count) {
    bytes.assign(count, '\0');
    const std::int64_t got = platform::ReadFile(file, bytes.data(), count);
    position += std::max<std::int64_t>(got, 0);
    return got == static_cast<std::int64_t>(count);
  };
  const auto skip = [&](std::uint32_t count) {
    if (position + count > size) return false;
    position += count;
    return platform::SeekFile(file, position);
  };
  const auto tagIs = [&](const char* tag) { return UpperAscii(bytes.substr(0, 4)) == tag; };
  if (!read(12) || !tagIs("RIFF")) return 0;
  if (!read(8) || !tagIs("FMT ") || !skip(Little(bytes, 4, 4))) return 0;
  while (read(8)) {
    if (tagIs("DATA")) return Little(bytes, 4, 4);
    if (!skip(Little(bytes, 4, 4))) return 0;
  }
  return 0;
}

void EnsureRoom(std::size_t n) {
  if (fill + n >= SynthBufferBytes) FlushSynthBuffer();
}

void FlushSynthBuffer() {
  if (fill <= SynthHeaderBytes) return;
  MakeSynthHeader(synthBuffer, static_cast<std::uint32_t>(fill - SynthHeaderBytes));
  player(synthBuffer);
  fill = SynthHeaderBytes;
}

void AppendSilence(int samples) {
  if (synthBuffer.empty()) return;
  for (int block = 0; block < samples / static_cast<int>(SilenceBlock); ++block)
    AppendFilled(SilenceBlock, [] { return SilenceLevel; });
}

void AppendNoise() {
  if (synthBuffer.empty()) return;
  AppendFilled(NoiseLength, [] {
    noiseSeed = noiseSeed * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(88 + (noiseSeed >> 16) % 80);
  });
}
