// Spoken numbers, time and date through the trace: which fragment files are opened, in what
// order, and how their samples reach the wave device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/OrCrt.h"
#include "diphone/orsintpar.h"
#include "numbers/orHora.h"
#include "numbers/orlenum.h"
#include "platform/backend.h"
#include "platform/trace.h"
#include "speech/ormensag.h"
#include "tests/support/wave_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

// Samples of a fragment: a ramp that ends on the silence level, as the device ends a block.
Bytes Samples(std::size_t count, std::uint8_t start) {
  Bytes s(count);
  for (std::size_t i = 0; i < count; ++i) s[i] = static_cast<std::uint8_t>(start + i * 3);
  if (count > 0) s.back() = 128;
  return s;
}

class Spoken : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::path(testing::TempDir()) /
          ("oralis_numbers_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // Windows-style, as read from the configuration.
    std::string windows = dir.string();
    for (char& c : windows)
      if (c == '/') c = '\\';
    SynthLettersDir = LettersDir = windows + "\\";
    MessageDir = windows + "\\messages\\";
    EngineSpeechPending = false;
    platform::StartHeadless("");
    platform::CaptureTrace(&trace);
    EnsureConsole();
    trace.clear();
  }
  void TearDown() override {
    platform::CaptureTrace(nullptr);
    std::filesystem::remove_all(dir);
  }

  // A fragment file: a 44-byte header (its content is never read), then the samples.
  void Fragment(const std::string& key, const Bytes& samples) {
    Bytes file(44, 0);
    file.insert(file.end(), samples.begin(), samples.end());
    Raw(key, file);
  }
  void Raw(const std::string& key, const Bytes& bytes) {
    std::ofstream((dir / (key + ".wav")).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void Fragments(const Names& keys) {
    for (const std::string& key : keys) Fragment(key, Samples(300, 100));
  }

  // The trace without times, lines that begin with prefix.
  Names Events(const std::string& prefix) const {
    Names out;
    for (const std::string& line : trace) {
      std::string event = line.substr(line.find(' ') + 1);
      if (event.rfind(prefix, 0) == 0) out.push_back(event);
    }
    return out;
  }
  // The files asked for, by name without the folder, "missing" kept.
  Names Played() const {
    Names out;
    for (const std::string& event : Events("play-file ")) {
      std::string name = event.substr(event.rfind('/') + 1);
      out.push_back(name.substr(0, name.find(".wav")) + name.substr(name.find(".wav") + 4));
    }
    return out;
  }
  Names Blocks() const {
    Names out;
    for (const std::string& event : Events("wave-block ")) out.push_back(event.substr(11));
    return out;
  }

  std::filesystem::path dir;
  Names trace;
};

TEST_F(Spoken, FragmentsOfTheWords) {
  const struct {
    std::string words;
    bool feminine;
    Names keys;
  } cases[] = {
      {"vinte e um", true, {"_vinte", "_e", "_uma"}},
      {"vinte e um", false, {"_vinte", "_e", "_um"}},
      {"dois mil", true, {"_dois", "_mil"}},
      {NumberToWords(2000), true, {"_dois", "_mil"}},  // the group name's blank ends nothing
      {"um mil e dois", true, {"_um", "_mil", "_e", "_duas"}},
      {"  dois  ", true, {"_duas"}},
      {"trezentos dezessete milh\xF5" "es quatrocentos", false,
       {"_trezent", "_dezeset", "_milhoes", "_quatroc"}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    Fragments(c.keys);
    trace.clear();
    SpeakNumberWords(c.words, c.feminine);
    EXPECT_EQ(Played(), c.keys) << c.words << " feminine " << c.feminine;
  }
}

TEST_F(Spoken, FragmentsAreJoinedIntoOneSound) {
  const Bytes vinte = Samples(700, 10), e = Samples(200, 40), um = Samples(500, 90);
  Fragment("_vinte", vinte);
  Fragment("_e", e);
  Fragment("_um", um);
  SpeakNumberWords("vinte e um", false);
  Bytes joined = vinte;
  joined.insert(joined.end(), e.begin(), e.end());
  joined.insert(joined.end(), um.begin(), um.end());
  EXPECT_EQ(Events("wave-open "), Names{"wave-open 11025 8 1"});
  EXPECT_EQ(Blocks(), Names{"1400 " + Hex8(Crc32(joined))});
}

TEST_F(Spoken, FullBufferIsPlayedInPieces) {
  const struct {
    std::string words;
    std::vector<std::size_t> fragmentBytes;
    Names blockBytes;
  } cases[] = {
      // 20,000 + 20,000 do not fit in 30,000: the second fragment starts a piece.
      {"um dois", {20000, 20000}, {"20000", "20000"}},
      // Exactly full, then the rest.
      {"um dois tres", {10000, 20000, 500}, {"30000", "500"}},
      // Longer than the buffer: played in pieces of the buffer, the rest joined to what follows.
      {"um dois tres", {5000, 70000, 5000}, {"5000", "30000", "30000", "15000"}},
  };
  const Names keys = {"_um", "_dois", "_tres"};
  for (const auto& c : cases) {
    for (std::size_t i = 0; i < c.fragmentBytes.size(); ++i)
      Fragment(keys[i], Samples(c.fragmentBytes[i], 7));
    trace.clear();
    SpeakNumberWords(c.words, false);
    Names sizes;
    for (const std::string& block : Blocks()) sizes.push_back(block.substr(0, block.find(' ')));
    EXPECT_EQ(sizes, c.blockBytes) << c.words;
  }
}

TEST_F(Spoken, MissingAndEmptyFragmentsAreSkipped) {
  Raw("_dois", Bytes(10, 'x'));       // shorter than a header
  Raw("_tres", Bytes(44, 'x'));       // a header and no samples
  const Bytes cinco = Samples(400, 3);
  Fragment("_cinco", cinco);
  SpeakNumberWords("um dois tres cinco", false);
  EXPECT_EQ(Played(), (Names{"_um missing", "_dois", "_tres", "_cinco"}));
  EXPECT_EQ(Blocks(), Names{"400 " + Hex8(Crc32(cinco))});
}

TEST_F(Spoken, KeyStopsThePieceAndTheRestStopsAtOnce) {
  platform::StartHeadless("@+100 type q\n");
  Fragment("_um", Samples(20000, 0));  // 1.8 s each
  Fragment("_dois", Samples(20000, 0));
  SpeakNumberWords("um dois", false);
  EXPECT_EQ(Played(), (Names{"_um", "_dois"}));
  EXPECT_EQ(Blocks().size(), 1u);
  EXPECT_EQ(Events("wave-reset").size(), 1u);
  ASSERT_TRUE(KeyWaiting());
  EXPECT_EQ(ReadKeyCode(), 'q');
}

TEST_F(Spoken, TimeOfDay) {
  const struct {
    std::uint16_t hour, minute;
    Names played;
  } cases[] = {
      {13, 5, {"_treze", "_horas", "_cinco", "_minutos"}},
      {1, 1, {"_uma", "_hora", "_um", "_minuto"}},
      {2, 0, {"_duas", "_horas"}},
      {0, 30, {"_zero", "_hora", "_trinta", "_minutos"}},
      {22, 2, {"_vinte", "_e", "_duas", "_horas", "_dois", "_minutos"}},
  };
  for (const auto& c : cases) {
    Fragments(c.played);
    trace.clear();
    SpeakTimeParts(c.hour, c.minute);
    EXPECT_EQ(Played(), c.played) << c.hour << ":" << c.minute;
  }
}

TEST_F(Spoken, Dates) {
  const Names dois_mil = {"_dois", "_mil"};
  const struct {
    std::uint16_t day, month, year;
    Names played;
  } cases[] = {
      {1, 3, 2009, {"_Domingo", "_primeir", "_de", "_Marco", "_de", "_dois", "_mil", "_e", "_nove"}},
      {21, 2, 2000, {"_Segunda", "_vinte", "_e", "_um", "_de", "_Feverei", "_de", "_dois", "_mil"}},
      {31, 12, 1999,
       {"_Sexta", "_trinta", "_e", "_um", "_de", "_Dezembr", "_de", "_noventa", "_e", "_nove"}},
      {5, 9, 2099,
       {"_Sabado", "_cinco", "_de", "_Setembr", "_de", "_dois", "_mil", "_e", "_noventa", "_e",
        "_nove"}},
      {7, 11, 1905, {"_Terca", "_sete", "_de", "_Novembr", "_de", "_cinco"}},
      // The two-digit reading would say 2050 and nothing: these years are said whole.
      {15, 6, 2150,
       {"_Segunda", "_quinze", "_de", "_Junho", "_de", "_dois", "_mil", "_e", "_cento", "_e",
        "_cinquen"}},
      {1, 3, 2100, {"_Segunda", "_primeir", "_de", "_Marco", "_de", "_dois", "_mil", "_e", "_cem"}},
      {1, 3, 1900, {"_Quinta", "_primeir", "_de", "_Marco", "_de", "_mil", "_e", "_novecen"}},
      // No recording for a thirteenth month: the rest is still said.
      {1, 13, 2008, {"_Quinta", "_primeir", "_de", "_de", "_dois", "_mil", "_e", "_oito"}},
  };
  for (const auto& c : cases) {
    Fragments(c.played);
    trace.clear();
    SpeakDateParts(c.day, c.month, c.year);
    EXPECT_EQ(Played(), c.played) << c.day << "/" << c.month << "/" << c.year;
  }
}

TEST(WeekdayOf, GregorianCalendarCarriedBack) {
  const struct {
    std::uint16_t day, month, year;
    int weekday;
  } cases[] = {
      {1, 3, 2009, 0},   {21, 2, 2000, 1},  {29, 2, 2000, 2},  {1, 3, 1900, 4},
      {28, 2, 2100, 0},  {1, 3, 2100, 1},   {31, 12, 1999, 5}, {31, 12, 9999, 5},
      {1, 1, 1, 1},      {4, 10, 1582, 1},  // before the calendar was adopted
      {32, 1, 2009, 0},  {0, 1, 2009, 3},   // days past either end of the month
      {1, 13, 2008, 4},  {31, 0, 2009, 3},  // months past either end of the year
      {0, 0, 0, 2},      {65535, 12, 65535, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WeekdayOf(c.day, c.month, c.year), c.weekday)
        << c.day << "/" << c.month << "/" << c.year;
}

}  // namespace
