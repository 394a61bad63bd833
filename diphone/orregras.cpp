// Letter-to-sound rules: text -> phonetic string, through word exceptions, stress marking and
// context rules indexed by the first character of their match.
#include "diphone/orregras.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// ---- character classes; every test takes -1 for "no character here" ----

constexpr int kNone = -1;

bool In(int c, std::string_view set) { return c > 0 && set.find(static_cast<char>(c)) != set.npos; }
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsVowel(int c) { return In(c, "aeiouAEIOU"); }
bool IsConsonant(int c) { return IsLetter(c) && !IsVowel(c); }
bool IsAccentMark(int c) { return In(c, "'^`~\""); }
bool IsStressMark(int c) { return In(c, "'^`~"); }  // every mark but the diaeresis
bool IsWordChar(int c) { return IsLetter(c) || IsAccentMark(c); }
bool IsSeparator(int c) { return In(c, " !,.:;?"); }
bool IsFrontVowel(int c) { return In(c, "eiEI"); }
bool IsOpenVowel(int c) { return In(c, "aoAO"); }
bool IsVowelOrMark(int c) { return IsVowel(c) || IsAccentMark(c); }
int Upper(int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
int Lower(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// The character at a 1-based position, or kNone outside the text.
int CharAt(const std::string& s, int position) {
  if (position < 1 || position > static_cast<int>(s.size())) return kNone;
  return static_cast<unsigned char>(s[position - 1]);
}

// ---- replacements for the codes 128 to 255 ----

struct Replacement {
  const char* piece;
  const char* codes;
};

// Accented letters become the plain letter and its mark (' acute, ^ circumflex, ` grave,
// ~ tilde, " diaeresis). Codes not listed map to nothing. Both the Windows and the DOS forms of
// the accented letters are here, so text of either code page reads.
constexpr Replacement kReplacements[] = {
    {"ss", "\x80\x87\xC7\xE7"},
    {"a'", "\x86\x8F\xA0\xC1\xE1"},
    {"a`", "\x85\xC0\xE0"},
    {"a^", "\x83\xC2\xE2"},
    {"a~", "\x84\x8E\xC3\xC4\xE3\xE4"},
    {"a", "\xC5\xE5"},
    {"ae", "\x91\xC6\xE6"},
    {"e'", "\x82\x90\xC9\xE9"},
    {"e`", "\x8A\xC8\xE8"},
    {"e^", "\x88\xCA\xEA"},
    {"e\"", "\x89\xCB\xEB"},
    {"i'", "\xA1\xCD\xED"},
    {"i`", "\x8D\xCC\xEC"},
    {"i^", "\x8C\xCE\xEE"},
    {"i\"", "\x8B\xCF\xEF"},
    {"o'", "\xA2\xD3\xF3"},
    {"o`", "\x95\xD2\xD6\xF2\xF6"},
    {"o^", "\x93\xD4\xF4"},
    {"o~", "\x94\x99\xD5\xF5"},
    {"u'", "\xA3\xDA\xFA"},
    {"u`", "\x97\xD9\xF9"},
    {"u^", "\x96\xDB\xFB"},
    {"u\"", "\x81\x9A"},
    {"u", "\xDC\xFC"},
    {"nh", "\xA4\xA5\xD1\xF1"},
    {"y-", "\x98"},
    {"-", "\x92"},
    {"x", "\xD7\xF7"},
    {"0", "\xD8\xF8"},
    {"?", "\xA8\xBF"},
    {"!", "\xAD"},
    {"\"", "\xAE\xAF"},
    {"\xA7", "\xA7"},
    {"\xAA", "\xAB"},
    {"\xBA", "\xBB"},
};

const std::array<std::string_view, 128>& ReplacementTable() {
  static const std::array<std::string_view, 128> table = [] {
    std::array<std::string_view, 128> t{};
    for (const Replacement& r : kReplacements)
      for (const char* code = r.codes; *code; ++code)
        t[static_cast<unsigned char>(*code) - 128] = r.piece;
    return t;
  }();
  return table;
}

// What a character of the text becomes; empty when nothing stands for it.
std::string_view Piece(const char& c) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 32) return {};
  if (code < 128) return {&c, 1};
  return ReplacementTable()[code - 128];
}

// ---- module state ----

// The rule lists of the codes 32 (blank) to 95 ("_"), each in file order.
constexpr int kFirstKey = 32;
constexpr int kLastKey = 95;
std::array<std::vector<LetterRule>, kLastKey - kFirstKey + 1> letterRuleIndex;

struct palavra_alias {
  std::string word;
  std::string replacement;
};

constexpr std::size_t kMaxExceptions = 15000;
constexpr std::size_t kExceptionLineCapacity = 255;  // bytes; the rest of a line is skipped
std::vector<palavra_alias> wordExceptionTable;       // sorted by word, byte order

// ---- files ----

// The lines of a text file, without their CR LF or LF ends. False when it cannot be read.
bool ReadLines(const std::string& fileName, std::vector<std::string>& lines) {
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (!file) return false;
  std::string content;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  const bool failed = std::ferror(file) != 0;  // a directory opens but does not read
  std::fclose(file);
  if (failed) return false;
  lines.clear();
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == content.npos) end = content.size();
    std::size_t stop = end;
    if (stop > start && content[stop - 1] == '\r') --stop;
    lines.push_back(content.substr(start, stop - start));
    start = end + 1;
  }
  return true;
}

// The text from `from` up to the delimiter (or the end); from moves past the delimiter, or to
// npos when there was none, which leaves every later part empty.
std::string TakeUntil(const std::string& line, std::size_t& from, char delimiter,
                      std::size_t capacity) {
  if (from == line.npos) return {};
  const std::size_t end = line.find(delimiter, from);
  std::string part = line.substr(from, end == line.npos ? line.npos : end - from);
  from = end == line.npos ? line.npos : end + 1;
  if (part.size() > capacity) part.resize(capacity);
  return part;
}

// WORD=REPLACEMENT; the word ends at the first "=", the replacement at the next "|" or at the
// end of the line. A line without "=" gets a word ending in "|", which no text word equals.
palavra_alias ParseWordException(const std::string& line) {
  const std::string text = line + "|=|";
  const std::size_t equals = text.find('=');
  const std::size_t bar = text.find('|', equals + 1);
  return {text.substr(0, equals), text.substr(equals + 1, bar - equals - 1)};
}

const std::string* FindException(const std::string& word) {
  const auto found = std::lower_bound(
      wordExceptionTable.begin(), wordExceptionTable.end(), word,
      [](const palavra_alias& entry, const std::string& w) { return entry.word < w; });
  if (found == wordExceptionTable.end() || found->word != word) return nullptr;
  return &found->replacement;
}

// ---- stress ----

enum class StressState { Start, AfterConsonant, AfterM, AfterS, AfterAEO, AfterIU, BeforeIU };
enum class StressDecision { None, Here, Next };

// One step of the machine with the cursor at position k (1-based), reading leftwards.
StressDecision StressStep(StressState& state, const std::string& w, int k) {
  const int c = CharAt(w, k);
  const auto toVowel = [&](std::string_view aeo) {
    if (In(c, aeo)) state = StressState::AfterAEO;
    else if (In(c, "iu")) state = StressState::AfterIU;
  };
  switch (state) {
    case StressState::Start:
      if (In(c, "lnrxz")) state = StressState::AfterConsonant;
      else if (c == 'm') state = StressState::AfterM;
      else if (c == 's') state = StressState::AfterS;
      else toVowel("aeo");
      return StressDecision::None;
    case StressState::AfterConsonant:
      return IsVowel(c) ? StressDecision::Here : StressDecision::None;
    case StressState::AfterM:
      if (c == 'o') return StressDecision::Here;
      toVowel("ae");
      return StressDecision::None;
    case StressState::AfterS:
      toVowel("aeo");
      return StressDecision::None;
    case StressState::AfterAEO:
      if (In(c, "aeo")) return StressDecision::Here;
      if (In(c, "iu")) state = StressState::BeforeIU;
      return StressDecision::None;
    case StressState::AfterIU:
      // After a consonant, or in "gu"/"qu" + vowel, the final i or u carries the stress.
      if (IsConsonant(c) || (CharAt(w, k - 1) == 'u' && In(CharAt(w, k - 2), "gq")))
        return StressDecision::Next;
      return StressDecision::Here;
    case StressState::BeforeIU: {
      if (IsConsonant(c) || (c == 'u' && In(CharAt(w, k - 1), "gq"))) return StressDecision::Next;
      // The i or u is closed by l, m, n, r or z followed by a consonant, "nh" or "rr".
      const int two = CharAt(w, k + 2), three = CharAt(w, k + 3);
      const bool closed = In(two, "lmnrz") && ((two == 'n' && three == 'h') ||
                                               (two == 'r' && three == 'r') ||
                                               (IsConsonant(three) && three != 'h'));
      return closed ? StressDecision::Next : StressDecision::Here;
    }
  }
  return StressDecision::None;
}

void StressFirstVowel(std::string& group) {
  for (char& c : group)
    if (IsVowel(static_cast<unsigned char>(c))) {
      c = static_cast<char>(Upper(static_cast<unsigned char>(c)));
      return;
    }
}

// ---- rules ----

bool MatchFits(const std::string& match, const std::string& w, int p) {
  for (std::size_t j = 0; j < match.size(); ++j) {
    const int c = CharAt(w, p + static_cast<int>(j));
    if (c == kNone || Upper(c) != static_cast<unsigned char>(match[j])) return false;
  }
  return true;
}

// A literal context character: the upper-cased character equals it; the cursor moves one step.
bool Literal(int symbol, int c, int& cursor, int step) {
  if (c == kNone || Upper(c) != symbol) return false;
  cursor += step;
  return true;
}

// Read from its last character to its first, with the cursor starting just left of the match.
bool LeftContextFits(const std::string& context, const std::string& w, int cursor) {
  for (auto it = context.rbegin(); it != context.rend(); ++it) {
    const int symbol = static_cast<unsigned char>(*it);
    const int c = CharAt(w, cursor);
    switch (symbol) {
      case '#':
        if (!IsVowelOrMark(c)) return false;
        while (IsVowelOrMark(CharAt(w, cursor))) --cursor;
        break;
      case '%':
        if (c != kNone) return false;
        break;
      case ']':
        if (IsOpenVowel(c)) --cursor;
        else if (IsAccentMark(c) && IsOpenVowel(CharAt(w, cursor - 1))) cursor -= 2;
        else return false;
        break;
      case '_':
        if (c == kNone) break;
        if (IsVowel(c)) --cursor;
        else if (IsAccentMark(c) && IsVowel(CharAt(w, cursor - 1))) cursor -= 2;
        else return false;
        break;
      case '|':
        if (!In(c, "nrs")) return false;
        --cursor;
        break;
      default:
        if (!Literal(symbol, c, cursor, -1)) return false;
    }
  }
  return true;
}

// Read from its first character to its last, with the cursor starting just right of the match.
bool RightContextFits(const std::string& context, const std::string& w, int cursor) {
  for (const char ch : context) {
    const int symbol = static_cast<unsigned char>(ch);
    const int c = CharAt(w, cursor);
    switch (symbol) {
      case '#':
        if (!IsVowelOrMark(c)) return false;
        while (IsVowelOrMark(CharAt(w, cursor))) ++cursor;
        break;
      case '%':
        if (c != kNone) return false;
        break;
      case '&':
        if (!In(c, "lmnrz")) return false;
        ++cursor;
        break;
      case '*':
        if (!IsConsonant(c) || c == 'r' || c == 'l') return false;
        break;
      case '+':
        if (!IsFrontVowel(c)) return false;
        ++cursor;
        if (IsAccentMark(CharAt(w, cursor))) ++cursor;
        break;
      case '[':
        if (c != kNone && (!IsConsonant(c) || c == 'h')) return false;
        break;
      case '\\':
        if (c == 's') ++cursor;
        break;
      default:
        if (!Literal(symbol, c, cursor, +1)) return false;
    }
  }
  return true;
}

// The first rule of the list of key that fits at position p, or nullptr.
const LetterRule* FirstFittingRule(int key, const std::string& w, int p) {
  for (const LetterRule& rule : letterRuleIndex[key - kFirstKey]) {
    const int length = static_cast<int>(rule.match.size());
    if (MatchFits(rule.match, w, p) && LeftContextFits(rule.left, w, p - 1) &&
        RightContextFits(rule.right, w, p + length))
      return &rule;
  }
  return nullptr;
}

}  // namespace

LetterRule ParseLetterRule(const std::string& line) {
  std::size_t from = 0;
  LetterRule rule;
  rule.left = TakeUntil(line, from, '(', 5);
  rule.match = TakeUntil(line, from, ')', 5);
  rule.right = TakeUntil(line, from, '=', 5);
  rule.output = TakeUntil(line, from, '|', 11);
  return rule;
}

bool LoadLetterRules(const std::string& fileName) {
  FreeLetterRules();
  wordExceptionTable.clear();
  std::vector<std::string> lines;
  if (!ReadLines(fileName, lines)) return false;
  // A key seen for the first time begins its list; later rules join the list begun last, so the
  // file keeps the rules of one key together.
  std::size_t current = 0;
  for (const std::string& line : lines) {
    LetterRule rule = ParseLetterRule(line);
    if (rule.match.empty()) continue;
    const int key = static_cast<unsigned char>(rule.match[0]);
    if (key < kFirstKey || key > kLastKey) continue;
    if (letterRuleIndex[key - kFirstKey].empty()) current = key - kFirstKey;
    letterRuleIndex[current].push_back(std::move(rule));
  }
  return true;
}

bool LoadWordExceptions(const std::string& fileName) {
  wordExceptionTable.clear();
  std::vector<std::string> lines;
  if (!ReadLines(fileName, lines)) return false;
  for (std::string& line : lines) {
    if (wordExceptionTable.size() == kMaxExceptions) break;
    if (line.empty()) continue;
    if (line.size() > kExceptionLineCapacity) line.resize(kExceptionLineCapacity);
    wordExceptionTable.push_back(ParseWordException(line));
  }
  std::stable_sort(wordExceptionTable.begin(), wordExceptionTable.end(),
                   [](const palavra_alias& a, const palavra_alias& b) { return a.word < b.word; });
  return true;
}

void FreeLetterRules() {
  for (std::vector<LetterRule>& list : letterRuleIndex) list = {};
}

std::string PrepareLetters(const std::string& source) {
  std::string text = source;  // W and Y are rewritten in place, so the next position sees them
  std::string prepared;
  const int length = static_cast<int>(text.size());
  for (int i = 1; i <= length; ++i) {
    const int c = CharAt(text, i);
    const int before = CharAt(text, i - 1);
    const int after = CharAt(text, i + 1);
    const bool letterBeside = IsLetter(before) || IsLetter(after);
    const bool alone = (before == kNone || before == ' ') && (after == kNone || after == ' ');
    if ((c == 'W' || c == 'w') && letterBeside) {
      text[i - 1] = 'u';
    } else if ((c == 'Y' || c == 'y') && (letterBeside || alone)) {
      text[i - 1] = 'i';
    } else if (c == '\'' && (before == 'D' || before == 'd')) {
      continue;  // the elided "de": d'agua reads as dagua
    }
    const std::string_view piece = Piece(text[i - 1]);
    prepared += piece.empty() ? std::string_view(" \x01 ") : piece;
  }
  return prepared;
}

bool NextLetterWord(const std::string& prepared, std::size_t& position, LetterWord& word) {
  if (position < 1) position = 1;
  while (position <= prepared.size() && prepared[position - 1] == ' ') ++position;
  word = LetterWord{};
  if (position > prepared.size()) return false;
  int c = Lower(static_cast<unsigned char>(prepared[position - 1]));
  if (!IsLetter(c)) {
    word.text = static_cast<char>(c);
    ++position;
    return true;
  }
  for (;;) {
    word.text += static_cast<char>(c);
    if (IsVowel(c)) ++word.vowels;
    ++position;
    if (position > prepared.size() || word.text.size() == kLetterWordCapacity) break;
    c = Lower(static_cast<unsigned char>(prepared[position - 1]));
    if (!IsWordChar(c)) break;
    if (IsStressMark(c)) word.accented = true;
  }
  return true;
}

void ApplyWordException(LetterWord& word) {
  std::string w = word.text;
  std::string suffix;
  while (!w.empty()) {
    if (const std::string* replacement = FindException(w)) {
      w = *replacement;
      break;
    }
    if (w.back() != 's' && w.back() != 'm') break;
    suffix.insert(suffix.begin(), w.back());
    w.pop_back();
  }
  word.text = w + suffix;
  if (word.text.size() > kLetterWordCapacity) word.text.resize(kLetterWordCapacity);
}

void MarkStress(LetterWord& word) {
  std::string& w = word.text;
  const int length = static_cast<int>(w.size());
  if (word.accented || length == 0) return;
  if (word.vowels < 2 && !(word.vowels == 1 && w.back() == 'l')) return;
  StressState state = StressState::Start;
  // A decision is carried out at the next step, so one taken on the first character (k = 1)
  // would fall after the cursor left the word and marks nothing.
  for (int k = length; k >= 2; --k) {
    const StressDecision decision = StressStep(state, w, k);
    if (decision == StressDecision::None) continue;
    char& stressed = w[decision == StressDecision::Here ? k - 1 : k];
    stressed = static_cast<char>(Upper(static_cast<unsigned char>(stressed)));
    return;
  }
}

bool IsSpelledWord(const LetterWord& word) {
  if (CharAt(word.text, 1) == 1) return true;
  return std::all_of(word.text.begin(), word.text.end(), [](char ch) {
    const int c = static_cast<unsigned char>(ch);
    return IsConsonant(c) || IsSeparator(c);
  });
}

void SpellOutWord(const LetterWord& word, std::string& phonetic) {
  for (const char c : word.text) {
    phonetic += "[ /_";
    phonetic += c;
    phonetic += ']';
  }
}

void TranslateWordByRules(const LetterWord& word, std::string& phonetic) {
  const std::string& w = word.text;
  const int length = static_cast<int>(w.size());
  phonetic += '[';
  int p = 1;
  while (p <= length) {
    const int c = Upper(CharAt(w, p));
    std::string group = " /_";
    group += static_cast<char>(c);
    int advance = 1;
    if (c >= kFirstKey && c <= kLastKey) {
      if (const LetterRule* rule = FirstFittingRule(c, w, p)) {
        group = rule->output;
        advance = static_cast<int>(rule->match.size());
      }
    }
    if (In(CharAt(w, p), "AEIOU")) StressFirstVowel(group);
    phonetic += group;
    p += advance;
    if (p <= length) phonetic += '/';
  }
  phonetic += ']';
}

std::string TranslateToPhonetic(const std::string& text) {
  std::string phonetic;
  const std::string prepared = PrepareLetters(text);
  std::size_t position = 1;
  LetterWord word;
  while (NextLetterWord(prepared, position, word)) {
    ApplyWordException(word);
    MarkStress(word);
    if (IsSpelledWord(word)) SpellOutWord(word, phonetic);
    else TranslateWordByRules(word, phonetic);
  }
  return phonetic;
}
