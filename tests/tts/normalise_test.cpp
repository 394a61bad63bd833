#include <gtest/gtest.h>

#include "tests/tts/tts_fixture.h"
#include "tts/uttsPreproc.h"

using namespace tts;
using tts_test::A;
using tts_test::U;
using tts_test::WriteFixture;

namespace {

struct Case {
  const char* input;     // UTF-8
  const char* expected;  // UTF-8; trailing blanks matter
};

void ExpectNormalised(const std::vector<Case>& cases) {
  for (const Case& c : cases)
    EXPECT_EQ(U(NormaliseText(A(c.input))), c.expected) << "input: \"" << c.input << "\"";
}

void LoadSr() {
  ASSERT_TRUE(LoadAbbreviations(WriteFixture(".abr", "SR = senhor\nsra=senhora\n")));
}

}  // namespace

TEST(NormaliseText, Numbers) {
  ExpectNormalised({
      {"1.234", "mil e duzentos e trinta e quatro "},
      {"1.234 reais", "mil e duzentos e trinta e quatro  reais"},
      {"1.2345", "um ponto dois mil e trezentos e quarenta e cinco "},
      {"12.345.678", "doze milhões trezentos e quarenta e cinco mil e seiscentos e setenta e oito "},
      {"3,14", "três vírgula quatorze "},
      {"3,05", "três vírgula zero cinco "},
      {"3,", "três ,"},
      {"007", "zero zero sete "},
      {"00", "zero zero "},
      {"-5", "menos cinco "},
      {"5-3", " cinco traço três "},
      {"123-4", " um dois três traço quatro "},
      {"a - e", "a , e"},
      {"1000000000000005", "cem trilhões  cinco "},
      {"A4", "Aquatro "},
      {"100 e 1000", "cem  e mil  "},
  });
}

TEST(NormaliseText, Ordinals) {
  ExpectNormalised({
      {"2o. lugar", "segundo  lugar"},
      {"21ª", "vigésima primeira "},
      {"3º", "terceiro "},
      {"1os.", "primeiros "},
      {"2as. vezes", "segundas  vezes"},
      {"007º", "sétimo "},
      {"2000º", "dois mil  "},
      {"2x", "dois xis"},
  });
}

TEST(NormaliseText, LettersAndSymbols) {
  ExpectNormalised({
      {"xyz.k", "xisípsilonzê ponto cá"},
      {"CPF", " sêpêéfe"},
      {"Sr", "ésseérre"},
      {"casa", "casa"},
      {"guarda-chuva", "guarda-chuva"},
      {"tv-x", "têvêtraçoxis"},
      {"...", "... "},
      {"fim...", "fim... "},
      {"a.e", "a ponto e"},
      {"fim.", "fim."},
      {"à toa", "à toa"},
      {"a÷e", "a vezes e"},
      {"a€e", "a  e"},
      {"a\te\ni\ro", "aeio"},
      {"ä", "A com trema"},
      {"(sim; não?)", "(sim; não?)"},
      {"@x", " arrôba xis"},
  });
}

TEST(NormaliseText, OneCharacterTextIsItsName) {
  ExpectNormalised({
      {"a", "a"},
      {"?", "interrogação"},
      {"5", "cinco"},
      {"0", "zéro"},
      {"à", "A grave"},
      {"\t", ""},
  });
}

TEST(NormaliseText, Abbreviations) {
  LoadSr();
  ExpectNormalised({
      {"Sr. Silva", "senhor Silva"},
      {"a sra. Maria", "a senhora Maria"},
      {"Sr.", "Sr."},
      {"Sr", "ésseérre"},
      {"Sr.x", "Sr ponto xis"},
  });
}

TEST(Abbreviations, FileFormat) {
  ASSERT_TRUE(LoadAbbreviations(WriteFixture(
      ".abr",
      "; comment\n"
      "\n"
      "  av  =  avenida  \r\n"
      "núm=número\n"
      "sem sinal de igual\n"
      "dr=doutor\n"
      "DR=segundo\n"
      "x==y\n")));
  EXPECT_EQ(AbbreviationCount(), 6);
  EXPECT_EQ(LookupAbbreviation("Av"), "avenida");
  EXPECT_EQ(LookupAbbreviation(A("NÚM")), A("número"));
  EXPECT_EQ(LookupAbbreviation("dr"), "doutor") << "the first entry wins";
  EXPECT_EQ(LookupAbbreviation("x"), "=y");
  EXPECT_EQ(LookupAbbreviation(""), "") << "a line without = never matches";
  EXPECT_EQ(LookupAbbreviation("sem"), "");
}

TEST(Abbreviations, ReloadStartsAfreshAndMissingFileFails) {
  LoadSr();
  ASSERT_TRUE(LoadAbbreviations(WriteFixture(".2.abr", "av=avenida\n")));
  EXPECT_EQ(LookupAbbreviation("sr"), "");
  EXPECT_EQ(LookupAbbreviation("av"), "avenida");
  EXPECT_FALSE(LoadAbbreviations(std::string(ORALIS_BINARY_DIR) + "/no/such/file.abr"));
}

TEST(Abbreviations, CapacityAndLongExpansion) {
  std::string lines;
  for (int i = 0; i < 2100; ++i) lines += "k" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
  lines += "long=" + std::string(1200, 'x') + "\n";
  ASSERT_TRUE(LoadAbbreviations(WriteFixture(".abr", lines)));
  EXPECT_EQ(AbbreviationCount(), AbbreviationCapacity);
  EXPECT_EQ(LookupAbbreviation("k1999"), "v1999");
  EXPECT_EQ(LookupAbbreviation("k2000"), "");

  ASSERT_TRUE(LoadAbbreviations(WriteFixture(".2.abr", "long=" + std::string(1200, 'x'))));
  EXPECT_EQ(LookupAbbreviation("long").size(), 999u);
}

TEST(NumberWords, Cardinals) {
  const std::vector<std::pair<std::uint64_t, const char*>> cases = {
      {0, "zero"},
      {7, "sete"},
      {10, "dez"},
      {15, "quinze"},
      {20, "vinte"},
      {21, "vinte e um"},
      {100, "cem"},
      {105, "cento e cinco"},
      {121, "cento e vinte e um"},
      {200, "duzentos"},
      {1000, "mil "},
      {1001, "mil e um"},
      {1101, "mil e cento e um"},
      {2000, "dois mil "},
      {100100, "cem mil e cem"},
      {1000000, "um milhão "},
      {1000001, "um milhão e um"},
      {2000000, "dois milhões "},
      {1001000, "um milhão e um mil "},
      {999999999999999, "novecentos e noventa e nove trilhões novecentos e noventa e nove bilhões "
                        "novecentos e noventa e nove milhões novecentos e noventa e nove mil e "
                        "novecentos e noventa e nove"},
  };
  for (const auto& [value, words] : cases) EXPECT_EQ(U(CardinalWords(value)), words) << value;
}

TEST(NumberWords, Ordinals) {
  const std::vector<std::tuple<std::uint64_t, Gender, const char*>> cases = {
      {0, Gender::Masculine, "zero"},
      {1, Gender::Masculine, "primeiro"},
      {2, Gender::Feminine, "segunda"},
      {10, Gender::Masculine, "décimo"},
      {21, Gender::Masculine, "vigésimo primeiro"},
      {21, Gender::Feminine, "vigésima primeira"},
      {1500, Gender::Masculine, "milésimo quingentésimo"},
      {1999, Gender::Feminine, "milésima nongentésima nonagésima nona"},
      {2000, Gender::Masculine, "dois mil "},
  };
  for (const auto& [value, gender, words] : cases)
    EXPECT_EQ(U(OrdinalWords(value, gender)), words) << value;
}

TEST(SymbolNames, Ranges) {
  const std::vector<std::pair<int, const char*>> cases = {
      {32, "espaço"}, {'C', " sê"}, {'d', " dê"}, {'J', "jóta"}, {'j', "jota"},
      {'N', "êne"}, {'n', "ene"}, {'0', "zéro"}, {'~', "til"}, {'`', "crase"},
      {161, "exclamação reversa"}, {191, "interrogação reversa"}, {192, "A grave"},
      {215, "vezes"}, {220, "U com trema"}, {224, "A grave"}, {247, "vezes"},
      {231, "Cê cedilha"}, {0, ""}, {31, ""}, {127, ""}, {160, ""}, {221, ""}, {223, ""},
      {253, ""}, {255, ""},
  };
  for (const auto& [code, name] : cases)
    EXPECT_EQ(U(SymbolName(static_cast<unsigned char>(code))), name) << code;
  int named = 0;
  for (int code = 0; code < 224; ++code) named += !SymbolName(static_cast<unsigned char>(code)).empty();
  EXPECT_EQ(named, 155);
}
