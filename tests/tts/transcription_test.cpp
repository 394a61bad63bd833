#include <gtest/gtest.h>

#include "tests/tts/tts_fixture.h"
#include "tts/uttsExcessoes.h"
#include "tts/uttsInic.h"
#include "tts/uttsPortug.h"
#include "tts/uttsTonica.h"

using namespace tts;
using tts_test::A;
using tts_test::U;
using tts_test::WriteFixture;

namespace {

// A small rule set: one phoneme per letter, final r and s, and a few contexts.
const char* const kRules =
    "; comment line\n"
    "(A)=a|\n"
    "(C)+=s|\n"
    "(C)=k|\n"
    "(E)%=i|\n"
    "(E)=e|\n"
    "(I)=i|\n"
    "(M)=m|\n"
    "(G)=g|\n"
    "(O)%=u|\n"
    "(O)\\%=u|\n"
    "(O)=o|\n"
    "(R)%=r2|\n"
    "(R)=r|\n"
    "#(S)#=z|\n"
    "(S)%=s2|\n"
    "(S)=s|\n"
    "(L)=l|\n"
    "(D)=d|\n"
    "(F)=f|\n"
    "(U)=u|\n"
    "(N)=n|\n"
    "(T)=t|\n"
    "(Z)=z|\n"
    "(Ã)=a&w|\n";

std::string Join(const PhonemeList& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : " ") + (item.empty() ? "." : item);
  return U(out);
}

std::string Transcribe(const std::string& wordUtf8, int stress) {
  PhonemeList list;
  ApplyRules(A(wordUtf8), stress, list);
  return Join(list);
}

void LoadRuleText(const std::string& rules) {
  ASSERT_TRUE(LoadRules(WriteFixture(".nrl", rules)));
}

}  // namespace

TEST(StressPosition, Words) {
  const std::vector<std::pair<const char*, int>> cases = {
      // the examples of the rule's description
      {"casa", 2}, {"falar", 4}, {"cantam", 2}, {"jardim", 5}, {"aqui", 4}, {"queijo", 3},
      {"pessoas", 5}, {"água", 1},
      // accents win, the rightmost one
      {"café", 4}, {"pássaro", 2}, {"avô", 3}, {"órgão", 4}, {"CAFÉ", 4},
      // final s skipped; final m; consonants
      {"casas", 2}, {"homem", 2}, {"bombom", 5}, {"atum", 3}, {"papel", 4}, {"feliz", 4},
      // u after g and q before a, e, o and i
      {"guerra", 3}, {"averigue", 5}, {"pegue", 2}, {"seguir", 5}, {"aquilo", 4},
      // final i and u
      {"tatu", 4}, {"caqui", 5}, {"saci", 4}, {"pneu", 3}, {"meu", 2}, {"lei", 2},
      // diphthongs of the penultimate syllable
      {"muito", 2}, {"pouco", 2}, {"feira", 2}, {"saudade", 5},
      // no vowel
      {"pst", 0}, {"", 0},
  };
  for (const auto& [word, position] : cases)
    EXPECT_EQ(FindStressPosition(A(word)), position) << word;
}

TEST(FunctionWords, ShortWordsAndTheList) {
  for (const char* w : {"a", "de", "EM", "por", "DAS", "dos", "com", "não", "SIM"})
    EXPECT_TRUE(IsFunctionWord(A(w))) << w;
  for (const char* w : {"casa", "para", "mas", "nós"}) EXPECT_FALSE(IsFunctionWord(A(w))) << w;
}

TEST(RuleFile, PartsLimitsAndComments) {
  LoadRuleText(
      "; (X)=comment|\n"
      "ABCDEFG(HIJKLMN)OPQRSTU=123456789012345678901234|trailing\r\n"
      "(B)\n"
      "\n"
      "()=empty centre|\n"
      "X(=no closing\n"
      "(B)=second|\n");
  ASSERT_EQ(RuleBucket('H').size(), 1u);
  const PhoneRule& r = RuleBucket('H')[0];
  EXPECT_EQ(r.left, "ABCDE");
  EXPECT_EQ(r.centre, "HIJKL");
  EXPECT_EQ(r.right, "OPQRS");
  EXPECT_EQ(r.output, "12345678901234567890");
  ASSERT_EQ(RuleBucket('B').size(), 2u) << "rules keep the file order";
  EXPECT_EQ(RuleBucket('B')[0].output, "");
  EXPECT_EQ(RuleBucket('B')[1].output, "second");
  EXPECT_EQ(RuleBucket('=').size(), 1u) << "\"X(=no closing\" has the centre \"=no c\"";
  EXPECT_TRUE(RuleBucket('X').empty());
  EXPECT_TRUE(RuleBucket('\n').empty());

  LoadRuleText("(Q)=k|\n");
  EXPECT_TRUE(RuleBucket('B').empty()) << "a new load empties every bucket";
  FreeRules();
  EXPECT_TRUE(RuleBucket('Q').empty());
  EXPECT_FALSE(LoadRules(std::string(ORALIS_BINARY_DIR) + "/no/such/rules.nrl"));
}

TEST(ApplyRules, StressMarkItemsAndDroppedLetters) {
  LoadRuleText(kRules);
  const std::vector<std::tuple<const char*, int, const char*>> cases = {
      {"casa", 2, "k >a z a ."},
      {"casa", 0, "k a z a ."},
      {"de", 0, "d i ."},
      {"cena", 2, "s >e n a ."},
      {"mãe", 2, "m >a w i ."},  // "a&w" gives two items, the mark on the first
      {"cha", 3, "k >a ."},    // no rule for H: dropped, and the mark waits for the A
      {"chá", 3, "k ."},       // nor for Á: the word ends without a mark
      {"gatos", 2, "g >a t u s2 ."},
      {"mar", 2, "m >a r2 ."},
      {"xxx", 1, "."},  // nothing fires: only the word-end item
  };
  for (const auto& [word, stress, items] : cases)
    EXPECT_EQ(Transcribe(word, stress), items) << word;
}

TEST(ApplyRules, ContextClasses) {
  // Each rule set rewrites the centre X to "y" when its context matches, else to "n".
  const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
      {"(X)#=y|", "XA", "y"},      {"(X)#=y|", "XB", "n"},     {"(X)#=y|", "X", "n"},
      {"(X)%=y|", "X", "y"},       {"(X)%=y|", "XA", "n"},
      {"(X)&=y|", "XL", "y"},      {"(X)&=y|", "XZ", "y"},     {"(X)&=y|", "XT", "n"},
      {"(X)*=y|", "XT", "y"},      {"(X)*=y|", "XL", "n"},     {"(X)*=y|", "X", "n"},
      {"(X)*T=y|", "XT", "y"},     // "*" only looks: the T is read again
      {"(X)+=y|", "XÉ", "y"},      {"(X)+=y|", "XA", "n"},
      {"(X)[=y|", "X", "y"},       {"(X)[=y|", "XT", "y"},     {"(X)[=y|", "XH", "n"},
      {"(X)[=y|", "XA", "n"},
      {"(X)\\%=y|", "XS", "y"},    {"(X)\\%=y|", "X", "y"},    {"(X)\\%=y|", "XA", "n"},
      {"(X)AB=y|", "XAB", "y"},    {"(X)AB=y|", "XAC", "n"},
      {"#(X)=y|", "AX", "y"},      {"#(X)=y|", "X", "n"},
      {"%(X)=y|", "X", "y"},       {"%(X)=y|", "AX", "n"},
      {"](X)=y|", "ÔX", "y"},      {"](X)=y|", "EX", "n"},
      {"_(X)=y|", "X", "y"},       {"_(X)=y|", "AX", "y"},     {"_(X)=y|", "TX", "n"},
      {"%_(X)=y|", "AX", "y"},      {"%_(X)=y|", "BAX", "n"},
      {"|(X)=y|", "SX", "y"},      {"|(X)=y|", "TX", "n"},
      {"AB(X)=y|", "ABX", "y"},    {"AB(X)=y|", "BBX", "n"},   {"AB(X)=y|", "BX", "n"},
      {"%#(X)=y|", "AX", "y"},     {"%#(X)=y|", "BAX", "n"},
      {"#%(X)=y|", "AX", "n"},     // read right to left: "%" first
      {"(XY)=y|", "XY", "y"},      {"(XY)=y|", "X", "n"},
  };
  for (const auto& [rule, word, expected] : cases) {
    LoadRuleText(std::string(rule) + "\n(X)=n|\n");
    PhonemeList list;
    ApplyRules(A(word), 0, list);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(U(list[0]), expected) << rule << " on " << word;
  }
}

TEST(ApplyRules, OutputSplitAndCut) {
  LoadRuleText("(A)=s&a|\n(B)=123456789ABCDEF|\n(C)=&x|\n");
  EXPECT_EQ(Transcribe("a", 0), "s a .");
  EXPECT_EQ(Transcribe("b", 0), "123456789AB .") << "only 11 characters of the output are used";
  // The mark goes before "&": an item of the mark alone is left for the prosody stage.
  EXPECT_EQ(Transcribe("c", 1), "> x .");
}

TEST(Exceptions, FileLookupAndSuffixes) {
  ASSERT_TRUE(LoadExceptions(WriteFixture(
      ".exc",
      "casa=KAZA|comment\n"
      "\n"
      "Táxi=TAKSI\r\n"
      "nada\n"
      "bem=BEIN\n"
      "com espaco=X\n")));
  EXPECT_EQ(ExceptionCount(), 5);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"CASA", "KAZA"},       {"casa", "KAZA"},     {"CASAS", "KAZAS"},  {"TÁXIS", "TAKSIS"},
      {"BENS", "BENS"},       {"BEMS", "BEINS"},    {"BEMMS", "BEINMS"}, {"MESMOS", "MESMOS"},
      {"NADA", "NADA"},       {"CASAX", "CASAX"},   {"S", "S"},          {"", ""},
      {"COM ESPACO", "X"},
  };
  for (const auto& [word, result] : cases) EXPECT_EQ(U(LookupException(A(word))), result) << word;

  ClearExceptions();
  EXPECT_EQ(ExceptionCount(), 0);
  EXPECT_EQ(LookupException("CASA"), "CASA");
  EXPECT_FALSE(LoadExceptions(std::string(ORALIS_BINARY_DIR) + "/no/such/file.exc"));
}

TEST(Exceptions, SortedWhateverTheFileOrderAndCapped) {
  std::string lines;
  for (int i = 15100; i > 0; --i) lines += "W" + std::to_string(i) + "=A" + std::to_string(i) + "\n";
  ASSERT_TRUE(LoadExceptions(WriteFixture(".exc", lines)));
  EXPECT_EQ(ExceptionCount(), ExceptionCapacity);
  EXPECT_EQ(LookupException("W15100"), "A15100");
  EXPECT_EQ(LookupException("W101"), "A101");
  EXPECT_EQ(LookupException("W100"), "W100") << "lines after the 15000th are not read";

  ClearExceptions();
  ASSERT_TRUE(LoadExceptions(WriteFixture(".2.exc", "ABC=" + std::string(300, 'X') + "\n")));
  EXPECT_EQ(LookupException("ABC").size(), 251u) << "255 characters of a line are read";
}

TEST(TranscribeTokens, HeadersPausesAndBoundaries) {
  LoadRuleText(kRules);
  const PhonemeList list = TranscribeTokens({"555|", "555|casa", "555|,", "555|de", "123|?", "555| "});
  EXPECT_EQ(Join(list), ";555| __ . ;555|casa k >a z a . ;555|, _, ;555|de d i . ;123|? _? ;555|  __");
}

TEST(TranscribeTokens, VoicingAcrossWords) {
  LoadRuleText(kRules);
  ASSERT_TRUE(LoadExceptions(WriteFixture(".exc", "amigo=AMIGO\n")));
  const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
      {{"555|os", "555|amigos"}, ";555|os u z . ;555|amigos a m >i g u s2 . __"},
      {{"555|os", "555|,", "555|amigos"}, ";555|os u s2 . ;555|, _, ;555|amigos a m >i g u s2 . __"},
      {{"555|mar", "555|azul"}, ";555|mar m >a r . ;555|azul a z >u l . __"},
      {{"555|mar", "555|salgado"}, ";555|mar m >a r2 . ;555|salgado s a l g >a d u . __"},
      // a stressed first vowel carries the mark and is not seen as a vowel
      {{"555|mar", "555|alto"}, ";555|mar m >a r2 . ;555|alto >a l t u . __"},
  };
  for (const auto& [entries, items] : cases) EXPECT_EQ(Join(TranscribeTokens(entries)), items);
}
