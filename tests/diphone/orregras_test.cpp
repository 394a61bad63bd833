#include "diphone/orregras.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Rules that write each vowel as itself in lower case, so that a stress mark shows as an
// upper-case vowel in the result; consonants get no rule and keep their " /_" groups.
const char* const kVowelRules = "(A)=a|\n(E)=e|\n(I)=i|\n(O)=o|\n(U)=u|\n";

class LetterRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    // One folder per test and process: builds in other folders may run the same test at once.
    dir_ = fs::temp_directory_path() /
           ("orregras_" + std::string(test) + "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Load("", "");  // tests in one process must not see the tables of the one before
  }
  void TearDown() override {
    FreeLetterRules();
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  void Load(const std::string& rules, const std::string& exceptions = "") {
    ASSERT_TRUE(LoadLetterRules(Write("regras.rgr", rules)));
    ASSERT_TRUE(LoadWordExceptions(Write("portug.exc", exceptions)));
  }

  fs::path dir_;
};

// The word as read, the way TranslateToPhonetic reads it.
LetterWord ReadWord(const std::string& text) {
  const std::string prepared = PrepareLetters(text);
  std::size_t position = 1;
  LetterWord word;
  EXPECT_TRUE(NextLetterWord(prepared, position, word)) << text;
  return word;
}

std::string Stressed(const std::string& text) {
  LetterWord word = ReadWord(text);
  MarkStress(word);
  return word.text;
}

std::string Excepted(const std::string& text) {
  LetterWord word{text, 0, false};
  ApplyWordException(word);
  return word.text;
}

TEST_F(LetterRulesTest, EmptyAndBlankTextGiveNothing) {
  EXPECT_EQ(TranslateToPhonetic(""), "");
  EXPECT_EQ(TranslateToPhonetic("    "), "");
  Load(kVowelRules);
  EXPECT_EQ(TranslateToPhonetic(" "), "");
}

TEST_F(LetterRulesTest, WithoutRulesEveryLetterIsItsOwnSound) {
  EXPECT_EQ(TranslateToPhonetic("casa"), "[ /_C/ /_A/ /_S/ /_A]");
  EXPECT_EQ(TranslateToPhonetic("Oi, tu"), "[ /_O/ /_I][ /_,][ /_T/ /_U]");
}

TEST_F(LetterRulesTest, WordsWithoutVowelsAreSpelled) {
  Load(kVowelRules);
  EXPECT_EQ(TranslateToPhonetic("rst"), "[ /_r][ /_s][ /_t]");
  EXPECT_EQ(TranslateToPhonetic("RST"), "[ /_r][ /_s][ /_t]");
  EXPECT_EQ(TranslateToPhonetic("a, b"), "[a][ /_,][ /_b]");
  // A digit is neither a consonant nor a separator: it goes through the rules.
  EXPECT_EQ(TranslateToPhonetic("7"), "[ /_7]");
}

TEST_F(LetterRulesTest, UnmappedCharactersBecomeTheSpelledCodeOneMarker) {
  EXPECT_EQ(TranslateToPhonetic("\t"), "[ /_\x01]");
  EXPECT_EQ(TranslateToPhonetic("\x9B"), "[ /_\x01]");
  EXPECT_EQ(TranslateToPhonetic("a\tb"), "[ /_A][ /_\x01][ /_b]");
}

TEST(PrepareLetters, RewritesCharacters) {
  const struct {
    const char* text;
    const char* prepared;
  } cases[] = {
      {"", ""},
      // W and Y between letters, and Y standing alone.
      {"Wagner", "uagner"},
      {"kiwi", "kiui"},
      {"a W b", "a W b"},
      {"W", "W"},
      {"W.", "W."},
      {"WW", "uu"},  // the second W sees the u written for the first
      {"a Y b", "a i b"},
      {"Y", "i"},
      {"yara", "iara"},
      {"Wy", "ui"},
      {"Y.", "Y."},
      {"1Y2", "1Y2"},
      // The apostrophe of an elided "de" is dropped; any other stays.
      {"d'agua", "dagua"},
      {"D'Avila", "DAvila"},
      {"'x", "'x"},
      {"a'b", "a'b"},
      // Control characters and unmapped codes become a blank, code 1 and a blank.
      {"\t", " \x01 "},
      {"a\nb", "a \x01 b"},
      {"\x9B", " \x01 "},
      {"x\xA9y", "x \x01 y"},
      // Accented letters become the letter and its mark.
      {"\xE7", "ss"},
      {"ma\xE7\xE3", "massa~"},
      {"\xD1", "nh"},
      {"caf\xE9", "cafe'"},
      {"\xEA\xE0\xEB", "e^a`e\""},
      {"\xF5\xFC\xC6", "o~uae"},
      {"\x82\x87", "e'ss"},  // the same letters in the DOS code page
      {"\xAB\xBB\xA7", "\xAA\xBA\xA7"},
      {"\x98", "y-"},
      {"\x7F~", "\x7F~"},
  };
  for (const auto& c : cases) EXPECT_EQ(PrepareLetters(c.text), c.prepared) << c.text;
}

TEST(NextLetterWord, ReadsLettersWithTheirMarksOrOneOtherCharacter) {
  const struct {
    const char* prepared;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"Casa  BRANCA", {"casa", "branca"}},
      {"cafe' e'", {"cafe'", "e'"}},
      {"a,b", {"a", ",", "b"}},
      {"'x", {"'", "x"}},
      {"x1y", {"x", "1", "y"}},
      {" \x01 ", {"\x01"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    std::size_t position = 1;
    LetterWord word;
    while (NextLetterWord(c.prepared, position, word)) words.push_back(word.text);
    EXPECT_EQ(words, c.words) << c.prepared;
  }
}

TEST(NextLetterWord, CountsVowelsAndNotesStressMarks) {
  const struct {
    const char* prepared;
    int vowels;
    bool accented;
  } cases[] = {
      {"casa", 2, false},  {"PAPEL", 2, false}, {"cafe'", 2, true},  {"ma~e", 2, true},
      {"vo^", 1, true},    {"a`", 1, true},     {"poe\"ta", 3, false}, {"rst", 0, false},
  };
  for (const auto& c : cases) {
    std::size_t position = 1;
    LetterWord word;
    ASSERT_TRUE(NextLetterWord(c.prepared, position, word));
    EXPECT_EQ(word.vowels, c.vowels) << c.prepared;
    EXPECT_EQ(word.accented, c.accented) << c.prepared;
  }
}

TEST(NextLetterWord, CutsRunsLongerThanTheWordBuffer) {
  const std::string prepared = std::string(300, 'a') + "'";
  std::size_t position = 1;
  LetterWord word;
  ASSERT_TRUE(NextLetterWord(prepared, position, word));
  EXPECT_EQ(word.text, std::string(256, 'a'));
  EXPECT_EQ(word.vowels, 256);
  ASSERT_TRUE(NextLetterWord(prepared, position, word));
  EXPECT_EQ(word.text, std::string(44, 'a') + "'");
  EXPECT_TRUE(word.accented);
  EXPECT_FALSE(NextLetterWord(prepared, position, word));
}

TEST_F(LetterRulesTest, LongWordsTranslateInPieces) {
  const std::string phonetic = TranslateToPhonetic(std::string(600, 'b') + "a");
  EXPECT_EQ(phonetic.substr(0, 6), "[ /_b]");
  // Two words of 256 spelled letters, then the last 88 b and the a through the rules.
  EXPECT_EQ(phonetic.find("[ /_B/"), 512 * 6);
  EXPECT_EQ(phonetic.back(), ']');
}

TEST(MarkStress, MarksTheStressedVowel) {
  const struct {
    const char* word;
    const char* stressed;
  } cases[] = {
      {"casa", "cAsa"},         {"papel", "papEl"},   {"rainha", "raInha"},
      {"saia", "sAia"},         {"aqui", "aqUi"},     {"uruguai", "uruguaI"},
      {"casas", "cAsas"},       {"amor", "amOr"},     {"feliz", "felIz"},
      {"torax", "torAx"},       {"jovens", "jOvens"}, {"homem", "hOmem"},
      {"batom", "batOm"},       {"jardim", "jardIm"}, {"algum", "algUm"},
      {"lapis", "lapIs"},       {"cabok", "cAbok"},   {"tatu", "tatU"},
      {"patio", "patIo"},       {"quia", "quIa"},     {"sairo", "sAiro"},
      {"saindo", "saIndo"},     {"sairro", "saIrro"}, {"saiho", "sAiho"},
      {"sainhas", "saInhas"},   {"paul", "paUl"},
      // A decision on the first letter marks nothing.
      {"ave", "ave"},           {"ai", "ai"},         {"uo", "uo"},
      // One vowel: only a final l lets the word through.
      {"sol", "sOl"},           {"mar", "mar"},       {"pa", "pa"},
      {"a", "a"},               {"rst", "rst"},
      // Only the acute, circumflex, grave and tilde marks carry the stress themselves.
      {"caf\xE9", "cafe'"},     {"m\xE3""e", "ma~e"}, {"av\xF4", "avo^"},
      {"po\xEBta", "poE\"ta"},
  };
  for (const auto& c : cases) EXPECT_EQ(Stressed(c.word), c.stressed) << c.word;
}

TEST_F(LetterRulesTest, StressShowsOnTheFirstVowelOfTheGroup) {
  Load(kVowelRules);
  EXPECT_EQ(TranslateToPhonetic("casa"), "[ /_C/A/ /_S/a]");
  EXPECT_EQ(TranslateToPhonetic("sol mar"), "[ /_S/O/ /_L][ /_M/a/ /_R]");
  EXPECT_EQ(TranslateToPhonetic("caf\xE9"), "[ /_C/a/ /_F/e/ /_']");
  EXPECT_EQ(TranslateToPhonetic("po\xEBta"), "[ /_P/o/E/ /_\"/ /_T/a]");
  Load("(A)=|\n(E)=xy|\n(O)=kou|\n");
  EXPECT_EQ(TranslateToPhonetic("casa"), "[ /_C// /_S/]");  // an empty group has no vowel
  EXPECT_EQ(TranslateToPhonetic("bebe"), "[ /_B/xy/ /_B/xy]");
  EXPECT_EQ(TranslateToPhonetic("bobo"), "[ /_B/kOu/ /_B/kou]");
}

TEST_F(LetterRulesTest, ExceptionsReplaceWordsAndKeepStrippedSuffixes) {
  Load(kVowelRules, "casa=kaza\nvem=vein\ncafe=kafE\ns=esse\n");
  const struct {
    const char* word;
    const char* result;
  } cases[] = {
      {"casa", "kaza"},       {"casas", "kazas"},     {"casam", "kazam"},
      {"casams", "kazams"},   {"vem", "vein"},        {"vems", "veins"},
      {"casar", "casar"},     {"lapis", "lapis"},     {"mms", "mms"},
      {"s", "esse"},          {"ss", "esses"},        {"cafes", "kafEs"},
  };
  for (const auto& c : cases) EXPECT_EQ(Excepted(c.word), c.result) << c.word;

  EXPECT_EQ(TranslateToPhonetic("casas"), "[ /_K/A/ /_Z/a/ /_S]");
  // The replacement is taken as written: its upper-case vowel marks the stress.
  EXPECT_EQ(TranslateToPhonetic("cafe"), "[ /_K/a/ /_F/E]");
}

TEST_F(LetterRulesTest, ExceptionFileLinesAreCutAndParsed) {
  const std::string longWord(254, 'w');
  Load("", "zeta=a|b\n"
           "semigual\n"
           "dupla=x=y\n"
           "crlf=ok\r\n"
           "\n"
           "x=" + std::string(253, 'b') + "\n" +
           "y=" + std::string(300, 'c') + "\n" +
           longWord + "=\n" +
           "vazio=\n");
  EXPECT_EQ(Excepted("zeta"), "a");
  EXPECT_EQ(Excepted("semigual"), "semigual");
  EXPECT_EQ(Excepted("semigual|"), "");  // a line without "=" only matches its own odd word
  EXPECT_EQ(Excepted("dupla"), "x=y");
  EXPECT_EQ(Excepted("crlf"), "ok");
  EXPECT_EQ(Excepted("x"), std::string(253, 'b'));
  EXPECT_EQ(Excepted("y"), std::string(253, 'c'));  // the line is cut at 255 characters
  EXPECT_EQ(Excepted(longWord), "");
  EXPECT_EQ(Excepted("vazio"), "");
  // A replacement and a long suffix together stay within the word buffer.
  EXPECT_EQ(Excepted("x" + std::string(255, 's')), std::string(253, 'b') + "sss");
  EXPECT_EQ(TranslateToPhonetic("vazio"), "");
  EXPECT_EQ(TranslateToPhonetic("vazios"), "[ /_s]");
}

TEST_F(LetterRulesTest, ExceptionTableIsSortedAndHoldsFifteenThousandEntries) {
  std::string lines;
  for (int i = 15001; i >= 1; --i)
    lines += "k" + std::to_string(i) + "=r" + std::to_string(i) + "\n";
  Load("", lines);
  EXPECT_EQ(Excepted("k1"), "k1");  // the 15,001st line is not read
  EXPECT_EQ(Excepted("k2"), "r2");
  EXPECT_EQ(Excepted("k15001"), "r15001");
  EXPECT_EQ(Excepted("k777"), "r777");
  EXPECT_EQ(Excepted("k0"), "k0");
}

TEST_F(LetterRulesTest, LoadersReportUnreadableFilesAndKeepTheirOrder) {
  Load(kVowelRules, "casa=kaza\n");
  EXPECT_FALSE(LoadLetterRules((dir_ / "none.rgr").string()));
  EXPECT_EQ(Excepted("casa"), "casa");  // loading rules empties the exceptions
  EXPECT_EQ(TranslateToPhonetic("ab"), "[ /_A/ /_B]");
  EXPECT_FALSE(LoadWordExceptions((dir_ / "none.exc").string()));
  EXPECT_FALSE(LoadLetterRules(dir_.string()));  // a folder opens but does not read

  Load(kVowelRules, "casa=kaza\n");
  EXPECT_EQ(TranslateToPhonetic("ab"), "[a/ /_B]");
  FreeLetterRules();
  EXPECT_EQ(TranslateToPhonetic("ab"), "[ /_A/ /_B]");
  EXPECT_EQ(Excepted("casa"), "kaza");  // exceptions outlive the rules
}

TEST(ParseLetterRule, SplitsAndCutsTheParts) {
  const struct {
    const char* line;
    const char* left;
    const char* match;
    const char* right;
    const char* output;
  } cases[] = {
      {"#(CH)+=x|comment", "#", "CH", "+", "x"},
      {"123456(ABCDEFG)7890XY=abcdefghijklm|", "12345", "ABCDE", "7890X", "abcdefghijk"},
      {"(A)=a", "", "A", "", "a"},
      {"(A)B", "", "A", "B", ""},
      {"L(A", "L", "A", "", ""},
      {"LEFT", "LEFT", "", "", ""},
      {"", "", "", "", ""},
      {"(A)=|", "", "A", "", ""},
      {"(=)(=x|", "", "=", "(", "x"},
  };
  for (const auto& c : cases) {
    const LetterRule rule = ParseLetterRule(c.line);
    EXPECT_EQ(rule.left, c.left) << c.line;
    EXPECT_EQ(rule.match, c.match) << c.line;
    EXPECT_EQ(rule.right, c.right) << c.line;
    EXPECT_EQ(rule.output, c.output) << c.line;
  }
}

TEST_F(LetterRulesTest, FirstFittingRuleInFileOrderWins) {
  Load("(C)+=s|\n(C)=k|\n(CH)=x|\n(A)=a|\n(E)=e|\n");
  EXPECT_EQ(TranslateToPhonetic("cha"), "[k/ /_H/a]");
  EXPECT_EQ(TranslateToPhonetic("ce"), "[s/e]");
  EXPECT_EQ(TranslateToPhonetic("ca"), "[k/a]");
  Load("(CH)=x|\n(C)=k|\n(A)=a|\n");
  EXPECT_EQ(TranslateToPhonetic("cha"), "[x/a]");
  EXPECT_EQ(TranslateToPhonetic("ach"), "[a/x]");
}

TEST_F(LetterRulesTest, RulesJoinTheListBegunLast) {
  // The second B rule follows the A rule, so it lands in the A list and is never tried for B.
  Load("(B)X=bx|\n(A)=a|\n(BZ)=bz|\n");
  EXPECT_EQ(TranslateToPhonetic("bxa"), "[bx/ /_X/a]");
  EXPECT_EQ(TranslateToPhonetic("bza"), "[ /_B/ /_Z/a]");
}

TEST_F(LetterRulesTest, RulesThatCannotBeIndexedNeverFire) {
  Load("()=e|\nX=y|\n(b)=z|\n(\x7F)=d|\n(\xE9)=q|\n(A)=a|\n");
  EXPECT_EQ(TranslateToPhonetic("ab\x7F"), "[a/ /_B][ /_\x7F]");
}

TEST_F(LetterRulesTest, ContextsDecideWhetherARuleFires) {
  const struct {
    const char* left;
    const char* right;
    const char* word;
    bool fires;
  } cases[] = {
      // Match: every letter within the word.
      {"", "", "b", true},
      // "#": one or more vowels or marks, all taken.
      {"#", "", "aeb", true},     {"#", "", "a'b", true},     {"#", "", "cb", false},
      {"#", "", "b", false},      {"C#", "", "caeb", true},   {"C#", "", "cxaeb", false},
      {"", "#", "bae", true},     {"", "#", "bc", false},     {"", "#", "b", false},
      {"", "#C", "bae'c", true},
      // "%": the match begins or ends the word.
      {"%", "", "b", true},       {"%", "", "ab", false},     {"", "%", "b", true},
      {"", "%", "ba", false},
      // "]": an open vowel, maybe with its mark.
      {"]", "", "ab", true},      {"]", "", "ob", true},      {"]", "", "eb", false},
      {"]", "", "a'b", true},     {"]", "", "e'b", false},    {"X]", "", "xa'b", true},
      {"]", "", "b", false},
      // "_": the word's start, or a vowel with maybe its mark.
      {"_", "", "b", true},       {"_", "", "eb", true},      {"_", "", "e^b", true},
      {"_", "", "xb", false},     {"X_", "", "xeb", true},    {"%_", "", "b", true},
      // The vertical bar: n, r or s.
      {"|", "", "nb", true},      {"|", "", "rb", true},      {"|", "", "sb", true},
      {"|", "", "tb", false},     {"|", "", "b", false},
      // "&": l, m, n, r or z, taken.
      {"", "&", "bl", true},      {"", "&", "bz", true},      {"", "&", "bt", false},
      {"", "&", "b", false},      {"", "&A", "bra", true},
      // "*": a consonant but r and l, only looked at.
      {"", "*", "bt", true},      {"", "*T", "bt", true},     {"", "*", "br", false},
      {"", "*", "bl", false},     {"", "*", "ba", false},     {"", "*", "b", false},
      // "+": a front vowel and the mark after it.
      {"", "+", "be", true},      {"", "+", "bi", true},      {"", "+", "ba", false},
      {"", "+X", "be'x", true},   {"", "+X", "bex", true},    {"", "+", "b", false},
      // "[": the word's end, or a consonant but h, only looked at.
      {"", "[", "b", true},       {"", "[", "bt", true},      {"", "[T", "bt", true},
      {"", "[", "bh", false},     {"", "[", "ba", false},
      // The backslash: always, taking an s.
      {"", "\\", "b", true},      {"", "\\", "ba", true},     {"", "\\A", "bsa", true},
      {"", "\\A", "ba", true},    {"", "\\A", "bsx", false},
      // Literals, upper case against the upper-cased word; symbols of the other side are
      // literals too.
      {"A", "", "ab", true},      {"A", "", "eb", false},     {"A", "", "b", false},
      {"", "AS", "bas", true},    {"", "AS", "ba", false},    {"&", "", "&b", true},
      {"&", "", "lb", false},     {"", "_", "b_", true},      {"", "_", "b", false},
      {"", "|", "bn", false},
  };
  for (const auto& c : cases) {
    Load(std::string(c.left) + "(B)" + c.right + "=1|\n");
    std::string phonetic;
    TranslateWordByRules(LetterWord{c.word, 0, false}, phonetic);
    EXPECT_EQ(phonetic.find('1') != std::string::npos, c.fires)
        << "left " << c.left << " right " << c.right << " word " << c.word << ": " << phonetic;
  }
}

TEST_F(LetterRulesTest, MatchesMustLieWithinTheWord) {
  Load("(BA)=1|\n");
  const struct {
    const char* word;
    const char* phonetic;
  } cases[] = {
      {"ba", "[1]"},
      {"b", "[ /_B]"},
      {"bab", "[1/ /_B]"},
      {"bba", "[ /_B/1]"},
  };
  for (const auto& c : cases) {
    std::string phonetic;
    TranslateWordByRules(LetterWord{c.word, 0, false}, phonetic);
    EXPECT_EQ(phonetic, c.phonetic) << c.word;
  }
}

TEST(IsSpelledWord, ConsonantsSeparatorsAndTheMarker) {
  const struct {
    const char* word;
    bool spelled;
  } cases[] = {
      {"rst", true}, {",", true},  {"r s", true}, {"\x01", true}, {"\x01" "a", true},
      {"a", false},  {"1", false}, {"r'", false}, {"bA", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsSpelledWord(LetterWord{c.word, 0, false}), c.spelled) << c.word;
}

}  // namespace
