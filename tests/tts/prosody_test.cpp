#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/tts/tts_fixture.h"
#include "tts/uttsProsodia.h"

using namespace tts;
using tts_test::A;
using tts_test::U;
using tts_test::WriteFixture;

namespace {

const char* const kProsody =
    "[DURAÇÃO]\n"
    "; phoneme=ms\n"
    "a = 96\n"
    "k=80\n"
    "s=100\n"
    "r2=60\n"
    "_,=150\n"
    "__=200\n"
    "*comment\n"
    "[CHAVES]\n"
    "de = pr\n"
    "o=ar\n"
    "[PROSÓDIA]\n"
    "HERTZ=200\n"
    "TABHERTZ=0, 10, 20, 30, 40, 100, 60, 70, 80, 90\n"
    "|xx|pr=777\n"
    "xx|pr|=?43\n"
    "pr||=?21\n"
    "|,,|=000\n"
    "|ar|=?12\n";

// Messages of the headless backend go to standard error.
class Prosody : public testing::Test {
 protected:
  void SetUp() override { setenv("ORALIS_BACKEND", "headless", 1); }

  static bool Load(const std::string& text, std::string* messages = nullptr) {
    testing::internal::CaptureStderr();
    const bool ok = LoadProsody(WriteFixture(".pro", text));
    const std::string err = testing::internal::GetCapturedStderr();
    if (messages) *messages = err;
    return ok;
  }

  static void Diphones(const std::string& text) {
    ASSERT_TRUE(LoadDiphones(WriteFixture(".dfn", text)));
  }

  static std::string Lines(const PhonemeList& items, double pitch = 1.0, double duration = 1.0) {
    PhonemeList ansi;
    for (const std::string& i : items) ansi.push_back(A(i));
    std::string out;
    for (const std::string& l : ComputeProsody(ansi, pitch, duration)) out += U(l) + "\n";
    return out;
  }
};

// Every pair of the phonemes used below, so that no bridge is needed.
std::string AllDiphones() {
  const char* names[] = {"_", "k", "a", "s", "r2", "y", "t"};
  std::string out;
  for (const char* a : names)
    for (const char* b : names) out += std::string(a) + " " + b + " 0 0 0\n";
  return out;
}

}  // namespace

TEST_F(Prosody, FailureMessages) {
  const std::string full = kProsody;
  const std::vector<std::pair<std::string, const char*>> cases = {
      {"[CHAVES]\n[PROSÓDIA]\n", "Duração dos difones errada ou ausente"},
      {"[DURAÇÃO]\na\n[CHAVES]\n[PROSÓDIA]\n", "Configuração da prosódia: fonema errado: a"},
      {"[DURAÇÃO]\n[PROSÓDIA]\n", "Prosódia: palavras chaves ausentes"},
      {"[DURAÇÃO]\n[CHAVES]\nde pr\n[PROSÓDIA]\n", "Configuração da prosódia: chave errada: de pr"},
      {"[DURAÇÃO]\n[CHAVES]\n", "Prosódia: especificações ausentes"},
      {"[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\nxx|xx\n", "Configuração da prosódia: chave errada: XX|XX"},
      {" [DURAÇÃO] \n[CHAVES]\n[PROSÓDIA]\n  \n", "Configuração da prosódia: chave errada:   "},
  };
  for (const auto& [text, message] : cases) {
    std::string err;
    EXPECT_FALSE(Load(text, &err)) << text;
    EXPECT_EQ(U(err), std::string(message) + "\n") << text;
  }
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadProsody(std::string(ORALIS_BINARY_DIR) + "/no/such/file.pro"));
  EXPECT_EQ(U(testing::internal::GetCapturedStderr()), "Configuração da prosódia não foi achada\n");
}

TEST_F(Prosody, SectionsInAnyOrderAndBadNumbersGoOn) {
  std::string err;
  ASSERT_TRUE(Load("[PROSÓDIA]\nHERTZ=abc\nTABHERTZ=1,2\n|xx|=5x5\n|xx|=?12\n"
                   "[CHAVES]\nde=p\nem=pr\n"
                   "[DURAÇÃO]\nk=fast\n",
                   &err));
  EXPECT_EQ(U(err),
            "Configuração da prosódia: fonema errado: k=fast\n"
            "Configuração da prosódia: chave errada: de=p\n"
            "Configuração da prosódia: número errado: HERTZ=ABC\n"
            "Configuração da prosódia: número errado: TABHERTZ=1,2\n"
            "Configuração da prosódia: entonação errada: |XX|=5X5\n");
  Diphones(AllDiphones());
  EXPECT_EQ(LookupKey("de"), "") << "a one-character class is refused";
  EXPECT_EQ(LookupKey("Em"), "PR");
  EXPECT_EQ(Lines({";555|k", "k", ""}), ";k\nk 100\n\n") << "a bad duration counts as 100 ms";
  EXPECT_EQ(AssignPatterns({"[XX]casa"}), TokenEntries({"512|casa"}));
}

TEST_F(Prosody, NoPitchPointsUntilATableIsLoaded) {
  Diphones(AllDiphones());
  EXPECT_EQ(Lines({";555|casa", "k", ">a", "s", "a", "", "__"}),
            ";casa\nk 100\na 145\ns 145\na 145\n\n_ 100\n");
  ASSERT_TRUE(Load("[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\n"));
  EXPECT_EQ(Lines({";555|ka", "k", ">a", ""}), ";ka\nk 100\na 145\n\n");
}

TEST_F(Prosody, DurationsAndPitchPoints) {
  ASSERT_TRUE(Load(kProsody));
  Diphones(AllDiphones());
  // First phoneme: digit 1 at 50 %; stressed: digit 2 at 80 % and 145 %; last: digit 3 at 50 %.
  EXPECT_EQ(Lines({";555|casa", "k", ">a", "s", "a", ""}),
            ";casa\nk 80 50 200\na 139 80 200\ns 145\na 139 50 200\n\n");
  EXPECT_EQ(Lines({";357|casa", "k", ">a", "s", "a", ""}),
            ";casa\nk 80 50 60\na 139 80 200\ns 145\na 139 50 140\n\n");
  EXPECT_EQ(Lines({";555|casa", "k", ">a", "s", "a", ""}, 1.5, 0.5),
            ";casa\nk 40 50 300\na 69 80 300\ns 72\na 69 50 300\n\n");
  // "¨" ends the lengthening; no stress means only the first point.
  EXPECT_EQ(Lines({";555|casa", "k", ">a", "¨s", "a", "", ";555|de", "k", "a", ""}),
            ";casa\nk 80 50 200\na 139 80 200\ns 100\na 96 50 200\n\n;de\nk 80 50 200\na 96\n\n");
  // Pauses: from the table, "_ N" as written, "_" alone is 100 ms.
  EXPECT_EQ(Lines({";555|,", "_,", ";555|.", "_ 30", "__", "_"}),
            ";,\n_ 150 50 200\n;.\n_ 30 50 200\n_ 200\n_ 100\n");
}

TEST_F(Prosody, LongWordsAreShortenedBeforeTheStress) {
  ASSERT_TRUE(Load(kProsody));
  Diphones(AllDiphones());
  const std::vector<std::pair<const char*, const char*>> cases = {
      {";555|abcdefghijklm", ";abcdefghijklm\nk 64 50 200\na 139 80 200\nk 116 50 200\n\n"},
      {";555|abcdefghi", ";abcdefghi\nk 72 50 200\na 139 80 200\nk 116 50 200\n\n"},
      {";555|abcdefgh", ";abcdefgh\nk 80 50 200\na 139 80 200\nk 116 50 200\n\n"},
  };
  for (const auto& [header, lines] : cases)
    EXPECT_EQ(Lines({header, "k", ">a", "k", ""}), lines) << header;
}

TEST_F(Prosody, MarkersAloneAndBadValuesAreHarmless) {
  ASSERT_TRUE(Load(kProsody));
  Diphones(AllDiphones());
  // A lone mark is not a phoneme: the stress moves on to the next one.
  EXPECT_EQ(Lines({";555|ka", "k", ">", "a", ""}), ";ka\nk 80 50 200\na 139 80 200\n\n");
  EXPECT_EQ(Lines({";555|a", ">¨", "¨", ""}), ";a\n\n");
  // Header values that are not digits give no pitch points.
  EXPECT_EQ(Lines({";x?:|ka", "k", ">a", ""}), ";ka\nk 80\na 139\n\n");
}

TEST_F(Prosody, DiphoneBridges) {
  ASSERT_TRUE(Load(kProsody));
  Diphones("; comment\n! other\n* more\n\n"
           "  K  A 10 20\n"
           "a-s\n"
           "s\t\t_ 1\n"
           "_ y\n"
           "y k\n"
           "r2 _\n"
           "k r2\n");
  // The first phoneme is joined to "_": "_-k" is missing and "_-y" exists, so a glide.
  EXPECT_EQ(Lines({";555|kas", "k", ">a", "s", ""}),
            ";kas\ny 50\nk 80 50 200\na 139 80 200\ns 145 50 200\n\n");
  // r2 to a: missing, and "r2-_" exists.
  EXPECT_EQ(Lines({";555|kr2a", "k", "r2", ">a", ""}),
            ";kr2a\ny 50\nk 80 50 200\nr2 60\n_ 50\na 139 80 200\n\n");
  // Across words: the last phoneme of one word and the first of the next.
  EXPECT_EQ(Lines({";555|s", "s", "", ";555|k", "k", ""}),
            ";s\ny 50\ns 100 50 200\n\n;k\n_ 50\nk 80 50 200\n\n");
  FreeDiphones();
  EXPECT_FALSE(HasDiphone("k", "a"));
  EXPECT_FALSE(LoadDiphones(std::string(ORALIS_BINARY_DIR) + "/no/such/file.dfn"));
}

TEST_F(Prosody, DiphoneFile) {
  Diphones("a e 1 2 3\n"
           "  E-@ \n"
           "r2\t_\n"
           "s2;;x\n"
           "tS dZ\n"
           "x\n");
  const std::vector<std::tuple<const char*, const char*, bool>> cases = {
      {"a", "e", true}, {"A", "E", true}, {"e", "@", true}, {"r2", "_", true},
      {"s2", "x", true}, {"ts", "DZ", true}, {"x", "", true}, {"e", "a", false},
  };
  for (const auto& [first, second, found] : cases)
    EXPECT_EQ(HasDiphone(first, second), found) << first << "-" << second;
}

TEST_F(Prosody, TokensAndKeys) {
  ASSERT_TRUE(Load(kProsody));
  EXPECT_EQ(Tokenise(A("  O gato, de Ávila... e o resto! Fim")),
            TokenEntries({"[--]", "[AR]O", "[XX]gato", "[,,],", "[PR]de", A("[XX]Ávila"), "[.-].",
                          "[--]", "[XX]e", "[AR]o", "[XX]resto", "[!!]!", "[--]", "[XX]Fim"}));
  EXPECT_EQ(Tokenise("a-b ?"), TokenEntries({"[--]", "[XX]a", "[--]-", "[XX]b", "[??]?", "[--]"}));
  EXPECT_EQ(Tokenise(""), TokenEntries({"[--]"}));
  EXPECT_EQ(LookupKey("De"), "PR");
  EXPECT_EQ(LookupKey("dê"), "");
}

TEST_F(Prosody, PatternsByNeighbours) {
  ASSERT_TRUE(Load(kProsody));
  // "|xx|pr=777": an XX before PR; "xx|pr|=?43": PR after XX takes the last digit before it;
  // "pr||=?21": anything after PR.
  EXPECT_EQ(AssignPatterns({"[--]", "[XX]casa", "[PR]de", "[XX]pedra", "[,,],", "[PR]de"}),
            TokenEntries({"555|", "777|casa", "743|de", "321|pedra", "000|,", "555|de"}));
  EXPECT_EQ(AssignPatterns({"[AR]o"}), TokenEntries({"512|o"}))
      << "\"?\" before the first entry is 5";
}

TEST_F(Prosody, TablesKeepTheirCapacity) {
  auto name = [](int i) { return std::string{char('a' + i / 26), char('a' + i % 26)}; };
  std::string text = "[DURAÇÃO]\n";
  for (int i = 0; i < 150; ++i) text += name(i) + "=" + std::to_string(1000 + i) + "\n";
  text += "[CHAVES]\n";
  for (int i = 0; i < 1100; ++i) text += "w" + std::to_string(10000 + i) + "=k" + std::to_string(i % 10) + "\n";
  text += "[PROSÓDIA]\nTABHERTZ=0,0,0,0,0,0,0,0,0,0\n";
  for (int i = 0; i < 310; ++i) text += "|" + name(i) + "|=" + std::to_string(100 + i) + "\n";
  ASSERT_TRUE(Load(text));
  Diphones("_ _\n_ " + name(99) + "\n" + name(99) + " " + name(100) + "\n");
  EXPECT_EQ(Lines({"_ 1", name(99), name(100)}), "_ 1\n" + name(99) + " 1099\n" + name(100) + " 100\n")
      << "durations after the 100th are ignored";
  EXPECT_EQ(LookupKey("w10999"), "K9");
  EXPECT_EQ(LookupKey("w11000"), "");
  const std::string upper299 = U(platform::AnsiUpperCase(name(299)));
  const std::string upper300 = U(platform::AnsiUpperCase(name(300)));
  EXPECT_EQ(AssignPatterns({"[" + upper299 + "]x", "[" + upper300 + "]y"}),
            TokenEntries({"399|x", "555|y"}))
      << "patterns after the 300th are ignored";
}
