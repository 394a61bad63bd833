#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using platform::AnsiToUtf8;
using platform::Utf8ToAnsi;

std::string ToOem(std::string text) {
  platform::CharToOem(text.data(), text.data(), text.size());
  return text;
}

std::string ToAnsi(std::string text) {
  platform::OemToChar(text.data(), text.data(), text.size());
  return text;
}

unsigned char Byte(const std::string& text) { return static_cast<unsigned char>(text.at(0)); }

// The Portuguese letters in 1252: á à â ã é ê í ó ô õ ú ü ç and their capitals.
const std::string kPortuguese =
    "\xE1\xE0\xE2\xE3\xE9\xEA\xED\xF3\xF4\xF5\xFA\xFC\xE7"
    "\xC1\xC0\xC2\xC3\xC9\xCA\xCD\xD3\xD4\xD5\xDA\xDC\xC7";

TEST(CodePage, OemCodePageComesFromTheEnvironmentOnce) {
  setenv("ORALIS_OEMCP", "860", 1);
  EXPECT_EQ(platform::OemCodePage(), 860);
  setenv("ORALIS_OEMCP", "437", 1);
  EXPECT_EQ(platform::OemCodePage(), 860);  // read at the first use only
}

TEST(CodePage, UnknownOemCodePageFallsBackTo850) {
  setenv("ORALIS_OEMCP", "1251", 1);
  EXPECT_EQ(platform::OemCodePage(), 850);
  platform::SetOemCodePage(437);
  EXPECT_EQ(platform::OemCodePage(), 437);
  platform::SetOemCodePage(0);
  EXPECT_EQ(platform::OemCodePage(), 850);
}

TEST(CodePage, DefaultIs850) {
  unsetenv("ORALIS_OEMCP");
  EXPECT_EQ(platform::OemCodePage(), 850);
  EXPECT_EQ(ToOem("\xE3"), "\xC6");  // ã is 198 in 850
}

TEST(CodePage, PortugueseLettersRoundTripThrough850And860) {
  for (int page : {850, 860}) {
    platform::SetOemCodePage(page);
    const std::string oem = ToOem(kPortuguese);
    EXPECT_EQ(ToAnsi(oem), kPortuguese) << page;
    for (char c : oem) EXPECT_GE(static_cast<unsigned char>(c), 0x80) << page;  // no best fit
  }
}

TEST(CodePage, KnownOemPositions) {
  struct Case {
    int page;
    unsigned char oem;
    unsigned char ansi;
  } cases[] = {
      {437, 132, 0xE4},  // ä
      {437, 148, 0xF6},  // ö
      {437, 135, 0xE7},  // ç
      {850, 132, 0xE4},  {850, 199, 0xC3},  // Ã
      {850, 229, 0xD5},                     // Õ
      {860, 132, 0xE3},                     // ã
      {860, 148, 0xF5},                     // õ
      {860, 142, 0xC3},                     // Ã
  };
  for (const Case& c : cases) {
    platform::SetOemCodePage(c.page);
    EXPECT_EQ(Byte(ToAnsi(std::string(1, static_cast<char>(c.oem)))), c.ansi)
        << c.page << " oem " << int(c.oem);
    EXPECT_EQ(Byte(ToOem(std::string(1, static_cast<char>(c.ansi)))), c.oem)
        << c.page << " ansi " << int(c.ansi);
  }
}

TEST(CodePage, BestFit) {
  struct Case {
    int page;
    const char* ansi;
    const char* oem;
  } cases[] = {
      {437, "\xE3\xF5\xC3\xD5", "aoAO"},  // 437 has no tilde letters
      {437, "\xC1\xCD\xD3\xDA", "AIOU"},  // nor these capitals
      {850, "\x93\x94\x91\x92\x84\x82", "\"\"''\"'"},  // curly and low quotes
      {850, "\x8B\x9B", "''"},  // single guillemets; 850 has the double ones
      {850, "\x96\x97", "--"},  // en and em dash
      {850, "\x8A\x9A\x8E\x9E\x9F", "SsZzY"},  // caron letters, Ÿ
      {850, "\x80\x89\x99\x85\x8C", "?????"},  // €, ‰, ™, …, Œ have nothing
      {437, "\xD8", "?"},                      // Ø: no decomposition
  };
  for (const Case& c : cases) {
    platform::SetOemCodePage(c.page);
    EXPECT_EQ(ToOem(c.ansi), c.oem) << c.page << " " << AnsiToUtf8(c.ansi);
  }
  platform::SetOemCodePage(850);
  EXPECT_EQ(ToOem("\xAB\xBB"), "\xAE\xAF");  // « » exist in 850 and are kept
  EXPECT_EQ(ToAnsi("\xC4\xB3\xDB"), "???");  // box drawing and blocks have no 1252 form
}

TEST(CodePage, UndefinedAnsiBytesBecomeQuestionMarks) {
  for (int page : {850, 437, 860}) {
    platform::SetOemCodePage(page);
    EXPECT_EQ(ToOem("\x81\x8D\x8F\x90\x9D"), "?????") << page;
    for (int b = 0; b < 256; ++b) {
      const unsigned char a = Byte(ToAnsi(std::string(1, static_cast<char>(b))));
      for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_NE(a, undefined) << page << " oem " << b;
    }
  }
}

// Every byte gets an image in both directions; ASCII is left alone; a non-ASCII character
// either survives the round trip or was replaced by an ASCII best fit, never by another letter.
TEST(CodePage, EveryByteHasAnImage) {
  for (int page : {850, 437, 860}) {
    platform::SetOemCodePage(page);
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    const std::string oem = ToOem(all);
    const std::string ansi = ToAnsi(all);
    ASSERT_EQ(oem.size(), 256u);
    ASSERT_EQ(ansi.size(), 256u);
    for (int b = 0; b < 256; ++b) {
      if (b < 128) {
        EXPECT_EQ(Byte(oem.substr(b)), b);
        EXPECT_EQ(Byte(ansi.substr(b)), b);
        continue;
      }
      const unsigned char o = Byte(oem.substr(b));
      if (o >= 0x80) {
        EXPECT_EQ(Byte(ToAnsi(oem.substr(b, 1))), b) << page << " ansi " << b;
      }
      const unsigned char a = Byte(ansi.substr(b));
      if (a >= 0x80) {
        EXPECT_EQ(Byte(ToOem(ansi.substr(b, 1))), b) << page << " oem " << b;
      }
    }
  }
}

TEST(CodePage, ConversionInPlaceAndToAnotherBuffer) {
  platform::SetOemCodePage(850);
  const std::string source = "a\xE7\xE3o";  // ação
  std::string dest(source.size(), 'x');
  platform::CharToOem(source.data(), dest.data(), source.size());
  EXPECT_EQ(dest, "a\x87\xC6o");
  EXPECT_EQ(source, "a\xE7\xE3o");
  platform::CharToOem(source.data(), dest.data(), 0);  // nothing to do
  EXPECT_EQ(dest, "a\x87\xC6o");
}

TEST(Utf8, AnsiToUtf8) {
  EXPECT_EQ(AnsiToUtf8("Cora\xE7\xE3o"), "Cora\xC3\xA7\xC3\xA3o");
  EXPECT_EQ(AnsiToUtf8("\x80\x93\x97\xFF"), "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x94\xC3\xBF");
  EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8, Utf8ToAnsi) {
  struct Case {
    std::string utf8;
    std::string ansi;
  } cases[] = {
      {"Cora\xC3\xA7\xC3\xA3o", "Cora\xE7\xE3o"},
      {"\xE2\x82\xAC \xE2\x80\x94", "\x80 \x97"},  // € and em dash are in 1252
      {"\xCE\xB1\xE4\xB8\xAD\xF0\x9F\x98\x80", "???"},  // α, a CJK letter, an emoji
      {"caf\xE9", "caf\xE9"},                             // a lone 1252 byte
      {"\xC3", "\xC3"},                                   // cut sequence
      {"\xC3\xA7\x80", "\xE7\x80"},                       // stray continuation byte
      {"\xC0\xAF", "\xC0\xAF"},                           // overlong "/"
      {"\xED\xA0\x80", "\xED\xA0\x80"},                   // surrogate
      {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},           // past U+10FFFF
      {"\xE2\x82", "\xE2\x82"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(Utf8, EveryAnsiByteRoundTrips) {
  std::string all(256, '\0');
  for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(AnsiCase, UpperCaseFoldsAsciiAndAccentedLetters) {
  EXPECT_EQ(platform::AnsiUpperCase("a\xE7\xE3o Cora\xC7\xC3O z\xFF\x9A\x9C"),
            "A\xC7\xC3O CORA\xC7\xC3O Z\x9F\x8A\x8C");
  // Not letters, or letters without a single capital in 1252: ß, µ, ÷, the quotes.
  EXPECT_EQ(platform::AnsiUpperCase("\xDF\xB5\xF7\x93{}"), "\xDF\xB5\xF7\x93{}");
}

TEST(AnsiCase, BaseLetter) {
  struct Case {
    char in;
    char out;
  } cases[] = {{'a', 'a'}, {'~', '~'}, {'\xE3', 'a'}, {'\xC7', 'C'}, {'\xDC', 'U'},
               {'\x9F', 'Y'}, {'\xDF', 0},  {'\xE6', 0},  {'\x80', 0},  {'\xF7', 0}};
  for (const Case& c : cases)
    EXPECT_EQ(platform::AnsiBaseLetter(c.in), c.out) << int(static_cast<unsigned char>(c.in));
}

}  // namespace
