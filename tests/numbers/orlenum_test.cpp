#include "numbers/orlenum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

// Texts in the Windows code page: \xE3 is "ã", \xF5 is "õ".
TEST(NumberToWords, SaysTheNumber) {
  const struct {
    std::int32_t value;
    const char* words;
  } cases[] = {
      {0, "zero"},
      {7, "sete"},
      {10, "dez"},
      {17, "dezessete"},
      {20, "vinte"},
      {21, "vinte e um"},
      {99, "noventa e nove"},
      {100, "cem"},
      {101, "cento e um"},
      {110, "cento e dez"},
      {115, "cento e quinze"},
      {200, "duzentos"},
      {999, "novecentos e noventa e nove"},
      {1000, "mil "},
      {1001, "mil e um"},
      {1100, "mil e cem"},
      {1250, "mil e duzentos e cinquenta"},
      {2000, "dois mil "},
      {2005, "dois mil e cinco"},
      {2024, "dois mil e vinte e quatro"},
      {11000, "onze mil "},
      {100000, "cem mil "},
      {101000, "cento e um mil "},
      {999999, "novecentos e noventa e nove mil e novecentos e noventa e nove"},
      {1000000, "um milh\xE3o "},
      {1000001, "um milh\xE3o e um"},
      {1000100, "um milh\xE3o e cem"},
      {1001000, "um milh\xE3o e um mil "},
      {2500000, "dois milh\xF5" "es e quinhentos mil "},
      {123456789,
       "cento e vinte e tres milh\xF5" "es quatrocentos e cinquenta e seis mil e setecentos e "
       "oitenta e nove"},
      {1000000000, "um bilh\xE3o "},
      {2000000001, "dois bilh\xF5" "es e um"},
      {std::numeric_limits<std::int32_t>::max(),
       "dois bilh\xF5" "es cento e quarenta e sete milh\xF5" "es quatrocentos e oitenta e tres "
       "mil e seiscentos e quarenta e sete"},
      // Negative values give the words of their magnitude.
      {-21, "vinte e um"},
      {std::numeric_limits<std::int32_t>::min(),
       "dois bilh\xF5" "es cento e quarenta e sete milh\xF5" "es quatrocentos e oitenta e tres "
       "mil e seiscentos e quarenta e oito"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToWords(c.value), c.words) << c.value;
}

TEST(DigitsToWords, SaysUpToFifteenDigits) {
  const struct {
    const char* digits;
    const char* words;
  } cases[] = {
      {"0", "zero"},
      {"000", "zero"},
      {"0021", "vinte e um"},
      {"4294967295",
       "quatro bilh\xF5" "es duzentos e noventa e quatro milh\xF5" "es novecentos e sessenta e "
       "sete mil e duzentos e noventa e cinco"},
      {"1000000000000", "um trilh\xE3o "},
      {"1000000000001", "um trilh\xE3o e um"},
      {"2000001000000", "dois trilh\xF5" "es e um milh\xE3o "},
      {"999999999999999",
       "novecentos e noventa e nove trilh\xF5" "es novecentos e noventa e nove bilh\xF5" "es "
       "novecentos e noventa e nove milh\xF5" "es novecentos e noventa e nove mil e "
       "novecentos e noventa e nove"},
      {"001000", "mil "},
      // Not one to fifteen digits.
      {"", ""},
      {"1000000000000000", ""},
      {"12a", ""},
      {"-5", ""},
      {" 5", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DigitsToWords(c.digits), c.words) << c.digits;
}

TEST(ThreeDigitsToWords, SaysOneGroup) {
  const struct {
    const char* digits;
    const char* words;
  } cases[] = {
      {"000", ""},          {"100", "cem"},         {"105", "cento e cinco"},
      {"110", "cento e dez"}, {"021", "vinte e um"}, {"200", "duzentos"},
      {"007", "sete"},      {"017", "dezessete"},   {"030", "trinta"},
      {"310", "trezentos e dez"}, {"999", "novecentos e noventa e nove"},
      {"0a1", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ThreeDigitsToWords(c.digits[0], c.digits[1], c.digits[2]), c.words) << c.digits;
}

TEST(GroupToWords, AddsTheGroupName) {
  const std::string digits = "001002000001345";
  EXPECT_EQ(GroupToWords(digits, 0), "um trilh\xE3o ");
  EXPECT_EQ(GroupToWords(digits, 1), "dois bilh\xF5" "es ");
  EXPECT_EQ(GroupToWords(digits, 2), "");
  EXPECT_EQ(GroupToWords(digits, 3), "um mil ");
  EXPECT_EQ(GroupToWords(digits, 4), "trezentos e quarenta e cinco");
  EXPECT_EQ(GroupToWords("000000000002000", 3), "dois mil ");
  EXPECT_EQ(GroupToWords(digits, 5), "");
  EXPECT_EQ(GroupToWords(digits, -1), "");
  EXPECT_EQ(GroupToWords("123", 0), "");
}

TEST(NumberFragmentKeys, NamesTheRecordings) {
  using Keys = std::vector<std::string>;
  const struct {
    const char* words;
    bool feminine;
    Keys keys;
  } cases[] = {
      {"vinte e um", true, {"_vinte", "_e", "_uma"}},
      {"vinte e um", false, {"_vinte", "_e", "_um"}},
      {"dois mil ", true, {"_dois", "_mil"}},
      {"dois", true, {"_duas"}},
      {"dois", false, {"_dois"}},
      {"um milh\xE3o e dois", true, {"_um", "_milhao", "_e", "_duas"}},
      {"tres", true, {"_tres"}},
      {"trezentos", false, {"_trezent"}},
      {"quatrocentos", false, {"_quatroc"}},
      {"dezessete", false, {"_dezeset"}},
      {"dezesseis", false, {"_dezesse"}},
      {"dois milh\xF5" "es", false, {"_dois", "_milhoes"}},
      {"", true, {}},
      {"   ", false, {}},
      {"  cinco  ", false, {"_cinco"}},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberFragmentKeys(c.words, c.feminine), c.keys) << c.words;
}

TEST(NumberFragmentKeys, SpeakEveryWordOfTheWords) {
  EXPECT_EQ(NumberFragmentKeys(NumberToWords(2147483647), false),
            (std::vector<std::string>{"_dois", "_bilhoes", "_cento", "_e", "_quarent", "_e",
                                      "_sete", "_milhoes", "_quatroc", "_e", "_oitenta", "_e",
                                      "_tres", "_mil", "_e", "_seiscen", "_e", "_quarent", "_e",
                                      "_sete"}));
}

}  // namespace
