#include "diphone/ordifone.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "diphone/orregras.h"
#include "diphone/orsintpar.h"
#include "platform/files.h"
#include "platform/trace.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
// Runs of equal samples: (value, count).
using Runs = std::vector<std::pair<int, std::size_t>>;

constexpr int Silence = 128;

// Every buffer the synthesizer played, samples only.
std::vector<Bytes> flushes;
void Capture(WaveBuffer& buffer) {
  const ParsedWave wave = ParseWaveBuffer(buffer);
  ASSERT_TRUE(wave.found);
  ASSERT_EQ(wave.rate, 11025);
  ASSERT_EQ(wave.bits, 8);
  ASSERT_EQ(wave.channels, 1);
  flushes.emplace_back(wave.data, wave.data + wave.dataLength);
}

Bytes AllSamples() {
  Bytes all;
  for (const Bytes& f : flushes) all.insert(all.end(), f.begin(), f.end());
  return all;
}

Runs RunsOf(const Bytes& samples) {
  Runs runs;
  for (std::uint8_t s : samples) {
    if (!runs.empty() && runs.back().first == s)
      ++runs.back().second;
    else
      runs.emplace_back(s, 1);
  }
  return runs;
}

std::vector<std::size_t> FlushLengths() {
  std::vector<std::size_t> lengths;
  for (const Bytes& f : flushes) lengths.push_back(f.size());
  return lengths;
}

void Put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

std::string IndexEntry(const std::string& name, std::uint16_t length, std::uint32_t offset) {
  std::string entry(1, static_cast<char>(name.size()));
  entry += (name + std::string(8, '#')).substr(0, 8);
  Put(entry, length, 2);
  Put(entry, offset, 4);
  return entry;
}

std::string Wave(const Bytes& samples) {
  std::string chunks = "fmt ";
  Put(chunks, 16, 4);
  Put(chunks, 1, 2);
  Put(chunks, 1, 2);
  Put(chunks, 11025, 4);
  Put(chunks, 11025, 4);
  Put(chunks, 1, 2);
  Put(chunks, 8, 2);
  chunks += "LIST";
  Put(chunks, 3, 4);
  chunks += "abc";
  chunks += "data";
  Put(chunks, static_cast<std::uint32_t>(samples.size()), 4);
  chunks.append(samples.begin(), samples.end());
  std::string riff = "RIFF";
  Put(riff, static_cast<std::uint32_t>(chunks.size() + 4), 4);
  return riff + "WAVE" + chunks;
}

struct Unit {
  std::string name;  // as stored: upper case
  std::size_t length;
};

// A database and letters folder made per test and process, ORALIS.INI pointing at them.
class DiphoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Short and per process: the folders reach the synthesizer through 79-character settings.
    static int made = 0;
    root_ = fs::temp_directory_path() /
            ("odf" + std::to_string(::getpid()) + "_" + std::to_string(++made));
    fs::remove_all(root_);
    for (const char* dir : {"win", "letras", "difones"}) fs::create_directories(root_ / dir);
    setenv("ORALIS_WINDIR", (root_ / "win").c_str(), 1);
    setenv("ORALIS_BACKEND", "headless", 1);
    WriteIni((root_ / "letras").string(), (root_ / "difones").string());
    Write("difones/regras.rgr", "");
    Write("difones/portug.exc", "");
    flushes.clear();
    SetSynthPlayer(Capture);
    SetDiphoneParams(0, 0, 0);
  }
  void TearDown() override {
    FreeSynthData();
    SetSynthPlayer(nullptr);
    fs::remove_all(root_);
  }

  void Write(const std::string& name, const std::string& content) {
    std::ofstream(root_ / name, std::ios::binary) << content;
  }
  void WriteIni(const std::string& letters, const std::string& diphones) {
    Write("win/ORALIS.INI", "[TRADUTOR]\ndirLetras=" + letters + "\nDIRDIFONES=" + diphones + "\n");
  }

  // Units in byte order of their names, unit k (from 0) made of samples of value k + 1 (clear of
  // the silence and noise levels).
  void WriteDatabase(std::vector<Unit> units) {
    std::sort(units.begin(), units.end(),
              [](const Unit& a, const Unit& b) { return a.name < b.name; });
    std::string indexImage, data;
    for (std::size_t k = 0; k < units.size(); ++k) {
      value_[units[k].name] = static_cast<int>(k + 1);
      indexImage += IndexEntry(units[k].name, static_cast<std::uint16_t>(units[k].length),
                               static_cast<std::uint32_t>(data.size()));
      data += std::string(units[k].length, static_cast<char>(k + 1));
    }
    WriteRaw(indexImage, data);
  }
  void WriteRaw(const std::string& indexImage, const std::string& data) {
    Write("difones/DIFONES2.IND", indexImage);
    Write("difones/DIFONES2.DIF", data);
  }
  // The recorded sound of a character: samples of value 170 + code % 80.
  void WriteLetter(unsigned char code, std::size_t length) {
    Write("letras/_" + std::to_string(code) + ".wav",
          Wave(Bytes(length, static_cast<std::uint8_t>(LetterValue(code)))));
  }
  static int LetterValue(unsigned char code) { return 170 + code % 80; }

  void Load() { ASSERT_EQ(LoadSynthData(), 0); }

  // The runs expected from named units: a unit name, "silence", or "_" + a character.
  Runs Expected(const std::vector<std::pair<std::string, std::size_t>>& pieces) {
    Runs runs;
    for (const auto& [name, count] : pieces) {
      const int value = name == "silence" ? Silence
                        : name[0] == '_'  ? LetterValue(static_cast<unsigned char>(name[1]))
                                          : value_.at(name);
      runs.emplace_back(value, count);
    }
    return runs;
  }

  fs::path root_;
  std::map<std::string, int> value_;
};

TEST_F(DiphoneTest, PunctuationUnitsAreSilenceAndEmptyTextIsNothing) {
  WriteDatabase({});
  Load();
  SpeakPhonetic("");
  EXPECT_TRUE(flushes.empty());
  // A lone comma: no word gap, since the unit before it ends at a blank and it ends the string.
  SetDiphoneParams(0, 0, 500);
  ASSERT_EQ(TranslateToPhonetic(","), "[ /_,]");
  SpeakPhonetic("[ /_,]");
  EXPECT_EQ(RunsOf(AllSamples()), (Runs{{Silence, 4000}}));
  EXPECT_EQ(flushes.size(), 1u);
  const std::vector<std::pair<std::string, std::size_t>> pauses = {
      {".", 8000}, {";", 6000}, {":", 8000}};
  for (const auto& [mark, samples] : pauses) {
    flushes.clear();
    SpeakPhonetic("[ /_" + mark + "]");
    EXPECT_EQ(RunsOf(AllSamples()), (Runs{{Silence, samples}})) << mark;
  }
}

TEST_F(DiphoneTest, UnderscorePlaysTheCharactersRecordedSound) {
  WriteDatabase({{"$S", 40}, {"$A", 40}});
  WriteLetter('s', 30);
  WriteLetter('C', 25);
  Load();
  SpeakPhonetic("[ /_s]");
  EXPECT_EQ(RunsOf(AllSamples()), Expected({{"_s", 30}}));
  // Only the character after the underscore is heard.
  flushes.clear();
  SplitUnit("_Ca", 1.0);
  FlushSynthBuffer();
  EXPECT_EQ(RunsOf(AllSamples()), Expected({{"_C", 25}}));
}

TEST_F(DiphoneTest, GroupsJoinWhileTheUnitHasAtMostEightCharacters) {
  WriteDatabase({});
  for (unsigned char c = 'a'; c <= 'f'; ++c) WriteLetter(c, 20);
  SetDiphoneParams(0, 0, 100);
  Load();
  // Joined into "_a_b_c_d_e": only its first sound is heard, and the unit ends at "]".
  SpeakPhonetic("[_a/_b/_c/_d/_e]");
  EXPECT_EQ(RunsOf(AllSamples()), Expected({{"_a", 20}}));
  // A sixth group: the slash after ten characters cuts the word, the gap is heard inside it.
  flushes.clear();
  SpeakPhonetic("[_a/_b/_c/_d/_e/_f]");
  EXPECT_EQ(RunsOf(AllSamples()), Expected({{"_a", 20}, {"silence", 100}, {"_f", 20}}));
}

TEST_F(DiphoneTest, WordGapInWholeBlocksOfHundredSamples) {
  WriteDatabase({{"$A", 50}, {"$E", 60}});
  Load();
  const std::vector<std::pair<int, std::size_t>> cases = {{150, 100}, {99, 0}, {250, 200}, {0, 0}};
  for (const auto& [gap, silence] : cases) {
    SetDiphoneParams(0, 0, gap);
    flushes.clear();
    SpeakPhonetic("[a][e]");
    Runs expected = Expected({{"$A", 50}, {"silence", silence}, {"$E", 60}});
    if (silence == 0) expected.erase(expected.begin() + 1);
    EXPECT_EQ(RunsOf(AllSamples()), expected) << "gap " << gap;
  }
}

TEST_F(DiphoneTest, CutAndMinimumOnUnstressedLongNamesThenTheFactorRoundedHalfToEven) {
  WriteDatabase({{"$KA", 1000}, {"$K", 500}, {"$E", 5}, {"$O", 7}, {"$PO", 7}});
  Load();
  struct Case {
    std::string name;
    bool stressed;
    int cut, minimum;
    double factor;
    std::size_t samples;
  } cases[] = {
      {"$ka", false, 400, 0, 1.0, 600},    // lookup without regard to case
      {"$KA", true, 400, 0, 1.0, 1000},    // stressed: never cut
      {"$K", false, 400, 0, 1.0, 500},     // "$" and one symbol: never cut
      {"$KA", false, 2000, 0, 1.0, 0},     // the cut takes everything
      {"$KA", false, 2000, 300, 1.0, 300},
      {"$KA", false, 900, 300, 1.0, 300},  // 100 left is below the minimum
      {"$KA", false, 2000, 5000, 1.0, 1000},
      {"$KA", false, 400, 0, 0.5, 300},
      {"$E", false, 0, 0, 0.5, 2},   // 2.5
      {"$O", false, 0, 0, 0.5, 4},   // 3.5
      {"$PO", true, 0, 0, 0.5, 4},
  };
  for (const Case& c : cases) {
    SetDiphoneParams(c.cut, c.minimum, 0);
    flushes.clear();
    EXPECT_TRUE(PlayIndexedUnit(c.name, c.stressed, c.factor));
    FlushSynthBuffer();
    EXPECT_EQ(AllSamples().size(), c.samples) << c.name << " cut " << c.cut << " min " << c.minimum;
  }
  EXPECT_FALSE(PlayIndexedUnit("$KAZ", false, 1.0));
}

TEST_F(DiphoneTest, StressOfTheWordKeepsItsUnitWhole) {
  WriteDatabase({{"$KA", 1000}, {"$ZA", 800}});
  SetDiphoneParams(400, 0, 0);
  Load();
  SpeakPhonetic("[kA]");
  SpeakPhonetic("[za]");
  EXPECT_EQ(FlushLengths(), (std::vector<std::size_t>{1000, 400}));
}

TEST_F(DiphoneTest, SplitUnitCases) {
  WriteDatabase({{"$P", 100},     {"$RA", 100},    {"$NHA", 100},  {"$TCHA", 100},
                 {"$KA", 100},    {"$RR", 100},    {"$L", 100},    {"$AY", 100},
                 {"$KACIRC", 100}, {"$AYTIL", 100}, {"$AYCIRC", 100}, {"$A", 100},
                 {"$S", 100},     {"$NN", 100},    {"$Y", 100},    {"$DJA", 100}});
  Load();
  struct Case {
    std::string unit;
    double factor;
    std::vector<std::pair<std::string, std::size_t>> heard;
  } cases[] = {
      {"pra", 0.5, {{"$P", 100}, {"$RA", 50}}},  // the first consonant always whole
      {"nha", 1.0, {{"$NHA", 100}}},
      {"dja", 1.0, {{"$DJA", 100}}},
      {"tcha", 1.0, {{"$TCHA", 100}}},
      {"karr", 1.0, {{"$KA", 100}, {"$RR", 100}}},
      {"kal", 1.0, {{"$KA", 100}, {"$L", 100}}},
      {"kay", 1.0, {{"$KA", 60}, {"$AY", 100}}},
      // 0.6 and 0.7 replace the factor, they do not multiply it.
      {"kay", 0.5, {{"$KA", 60}, {"$AY", 50}}},
      {"ka~y", 1.0, {{"$KACIRC", 60}, {"$AYTIL", 100}}},
      {"ka^y", 0.5, {{"$KACIRC", 60}, {"$AYCIRC", 50}}},
      {"a~y", 1.0, {{"$AYTIL", 100}}},
      {"as", 0.5, {{"$A", 70}, {"$S", 50}}},
      // A nasal mark and a glide alone: spoken as they are ("$TIL" is missing and falls back
      // to the nasal "$nn").
      {"~y", 1.0, {{"$NN", 90}, {"$Y", 100}}},
      {"^y", 1.0, {{"$Y", 100}}},
  };
  for (const Case& c : cases) {
    flushes.clear();
    SplitUnit(c.unit, c.factor);
    FlushSynthBuffer();
    EXPECT_EQ(RunsOf(AllSamples()), Expected(c.heard)) << c.unit << " at " << c.factor;
  }
}

TEST_F(DiphoneTest, MissingUnitsFallBackToSmallerOnes) {
  WriteDatabase({{"$KAZ", 100}, {"$A", 50}, {"$MACIRC", 100}, {"$NN", 200}, {"$MI", 100},
                 {"$P", 100}, {"$ECIRC", 40}});
  Load();
  struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::size_t>> heard;
  } cases[] = {
      {"$KAZA", {{"$KAZ", 90}, {"$A", 50}}},
      {"$MATIL", {{"$MACIRC", 90}, {"$NN", 180}}},
      {"$MITIL", {{"$MI", 90}, {"$NN", 180}}},
      {"$PECIRC", {{"$P", 90}, {"$ECIRC", 40}}},
      {"$ZUZ", {}},  // no fallback: nothing is heard
  };
  for (const Case& c : cases) {
    flushes.clear();
    PlayUnit(c.name, true, 1.0);
    FlushSynthBuffer();
    EXPECT_EQ(RunsOf(AllSamples()), Expected(c.heard)) << c.name;
  }
}

TEST_F(DiphoneTest, MissingShortNamesAreNoise) {
  WriteDatabase({{"$A", 10}});
  WriteLetter('a', 10);
  Load();
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {"[b]", 300}, {std::string("[ /_\x09]"), 300}, {"[ /_Z]", 0}};
  for (const auto& [phonetic, noise] : cases) {
    flushes.clear();
    SpeakPhonetic(phonetic);
    const Bytes samples = AllSamples();
    EXPECT_EQ(samples.size(), noise) << phonetic;
    for (std::uint8_t s : samples) {
      EXPECT_GE(s, 88);
      EXPECT_LE(s, 167);
    }
    if (noise) {
      EXPECT_GT(RunsOf(samples).size(), 10u) << "noise, not a constant";
    }
  }
}

TEST_F(DiphoneTest, BufferIsPlayedBeforeAPieceWouldReachItsEnd) {
  struct Case {
    std::size_t first, second;
    std::vector<std::size_t> flushes;
  } cases[] = {
      {30000, 33955, {63955}},         // fill 63,999
      {30000, 33956, {30000, 33956}},  // would reach 64,000
      {63956, 1, {63956, 1}},          // a piece that fills the buffer from its start
      {65535, 1, {63956, 1580}},        // longer than the room after a flush: in parts
  };
  for (const Case& c : cases) {
    WriteDatabase({{"$A", c.first}, {"$E", c.second}});
    Load();
    flushes.clear();
    SpeakPhonetic("[a][e]");
    EXPECT_EQ(FlushLengths(), c.flushes) << c.first << " + " << c.second;
    FreeSynthData();
  }
}

TEST_F(DiphoneTest, LongLetterSoundIsPlayedInParts) {
  WriteDatabase({});
  WriteLetter('x', 100000);
  Load();
  SpeakPhonetic("[ /_x]");
  EXPECT_EQ(FlushLengths(), (std::vector<std::size_t>{63956, 36044}));
  EXPECT_EQ(RunsOf(AllSamples()), Expected({{"_x", 100000}}));
}

TEST_F(DiphoneTest, IndexPastTheEndOfDataReadsWhatIsThere) {
  const std::string data(20, '\x07');
  WriteRaw(IndexEntry("$A", 10, 0) + IndexEntry("$E", 100, 5) + IndexEntry("$O", 50, 1000) +
               "tail",  // a remainder shorter than an entry is ignored
           data);
  Load();
  EXPECT_EQ(DiphoneIndex().size(), 3u);
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {"$A", 10}, {"$E", 15}, {"$O", 0}};
  for (const auto& [name, samples] : cases) {
    flushes.clear();
    EXPECT_TRUE(PlayIndexedUnit(name, true, 1.0)) << name;
    FlushSynthBuffer();
    EXPECT_EQ(AllSamples().size(), samples) << name;
  }
}

TEST(DiphoneIndex, EntriesOfFifteenBytes) {
  std::string image = IndexEntry("$KA", 0x1234, 0x89ABCDEF);
  std::string longName = IndexEntry("$ABCDEFG", 3, 4);
  longName[0] = static_cast<char>(200);  // a name length past 8 keeps 8
  image += longName;
  const std::vector<DiphoneIndexEntry> entries = ParseDiphoneIndex(image + "12345678901234");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "$KA");
  EXPECT_EQ(entries[0].length, 0x1234);
  EXPECT_EQ(entries[0].offset, 0x89ABCDEFu);
  EXPECT_EQ(entries[1].name, "$ABCDEFG");
  EXPECT_TRUE(ParseDiphoneIndex("short").empty());
}

TEST_F(DiphoneTest, LoadCodesAndTheCurrentDirectoryKept) {
  const std::string letters = (root_ / "letras").string(), diphones = (root_ / "difones").string();
  const std::string missing = (root_ / "nowhere").string();
  struct Case {
    const char* what;
    std::string letters, diphones, removed;
    int code;
  } cases[] = {
      {"all there", letters, diphones, "", 0},
      {"no letters folder", missing, diphones, "", 1},
      {"no diphone folder", letters, missing, "", 1},
      {"no index", letters, diphones, "difones/DIFONES2.IND", 1},
      {"no data", letters, diphones, "difones/DIFONES2.DIF", 1},
      {"no rules", letters, diphones, "difones/regras.rgr", 2},
      {"no exceptions", letters, diphones, "difones/portug.exc", 2},
  };
  const std::string start = platform::CurrentDirectory();
  for (const Case& c : cases) {
    WriteIni(c.letters, c.diphones);
    WriteDatabase({{"$A", 10}});
    Write("difones/regras.rgr", "");
    Write("difones/portug.exc", "");
    if (!c.removed.empty()) fs::remove(root_ / c.removed);
    EXPECT_EQ(LoadSynthData(), c.code) << c.what;
    EXPECT_EQ(platform::CurrentDirectory(), start) << c.what;
    EXPECT_EQ(SynthLettersDir, c.letters + "\\") << c.what;
    FreeSynthData();
  }
  // Not loaded: nothing is heard and nothing breaks.
  flushes.clear();
  SpeakPhonetic("[ /_,][b]");
  EXPECT_TRUE(flushes.empty());
}

TEST_F(DiphoneTest, DefaultPlayerSendsTheBufferToTheWaveDevice) {
  WriteDatabase({});
  Load();
  SetSynthPlayer(nullptr);
  std::vector<std::string> trace;
  platform::CaptureTrace(&trace);
  SpeakPhonetic("[ /_,]");
  platform::CaptureTrace(nullptr);
  std::vector<std::string> blocks;
  for (const std::string& line : trace)
    if (const auto at = line.find(" wave-block "); at != line.npos) blocks.push_back(line.substr(at + 1));
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].substr(0, 16), "wave-block 4000 ");
}

}  // namespace
