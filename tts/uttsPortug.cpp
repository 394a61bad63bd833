#include "tts/uttsPortug.h"

#include "platform/codepage.h"
#include "tts/uttsExcessoes.h"
#include "tts/uttsInic.h"
#include "tts/uttsTonica.h"

namespace tts {

namespace {

bool In(const std::string& set, char c) { return set.find(c) != std::string::npos; }

// The class tests accept either case; the word is upper-cased, the sets hold both forms anyway.
bool IsRuleVowel(char c) {
  static const std::string set =
      platform::Utf8ToAnsi("AEIOUÀÁÂÃÉÊÌÍÓÔÕÙÚÜaeiouàáâãéêìíóôõùúü");
  return In(set, c);
}

bool IsRuleConsonant(char c) {
  static const std::string set = platform::Utf8ToAnsi("BCDFGHJKLMNPQRSTVWXYZÇÑbcdfghjklmnpqrstvwxyzçñ");
  return In(set, c);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool Literal(char rule, char c) { return AsciiUpper(c) == rule; }

// The right context, read from pos (the character after the centre) rightwards.
bool MatchRight(const std::string& context, const std::string& w, std::size_t pos) {
  static const std::string frontVowels = platform::Utf8ToAnsi("EIÉÍeiéí");
  for (char symbol : context) {
    const bool has = pos < w.size();
    const char c = has ? w[pos] : '\0';
    switch (symbol) {
      case '#':  // a vowel
        if (!has || !IsRuleVowel(c)) return false;
        ++pos;
        break;
      case '%':  // the end of the word
        if (has) return false;
        break;
      case '&':
        if (!has || !In("LMNRZlmnrz", c)) return false;
        ++pos;
        break;
      case '*':  // a consonant other than L and R, looked at only
        if (!has || !IsRuleConsonant(c) || In("LRlr", c)) return false;
        break;
      case '+':
        if (!has || !In(frontVowels, c)) return false;
        ++pos;
        break;
      case '[':  // the end, or a consonant other than H, looked at only
        if (has && (!IsRuleConsonant(c) || In("Hh", c))) return false;
        break;
      case '\\':  // an optional S
        if (has && In("Ss", c)) ++pos;
        break;
      default:
        if (!has || !Literal(symbol, c)) return false;
        ++pos;
    }
  }
  return true;
}

// The left context, read from its last symbol against the character before the centre (at
// count - 1, count characters being left of it) leftwards.
bool MatchLeft(const std::string& context, const std::string& w, std::size_t count) {
  static const std::string backVowels = platform::Utf8ToAnsi("AOÁÂÓÔaoáâóô");
  for (auto it = context.rbegin(); it != context.rend(); ++it) {
    const bool has = count > 0;
    const char c = has ? w[count - 1] : '\0';
    switch (*it) {
      case '#':
        if (!has || !IsRuleVowel(c)) return false;
        --count;
        break;
      case '%':  // the start of the word
        if (has) return false;
        break;
      case ']':
        if (!has || !In(backVowels, c)) return false;
        --count;
        break;
      case '_':  // the start of the word, or a vowel
        if (has && !IsRuleVowel(c)) return false;
        if (has) --count;
        break;
      case '|':
        if (!has || !In("NRSnrs", c)) return false;
        --count;
        break;
      default:
        if (!has || !Literal(*it, c)) return false;
        --count;
    }
  }
  return true;
}

// The first rule of the bucket that fires at pos (0-based), or nullptr.
const PhoneRule* FiringRule(const std::string& w, std::size_t pos) {
  for (const PhoneRule& rule : RuleBucket(static_cast<unsigned char>(w[pos]))) {
    if (pos + rule.centre.size() > w.size()) continue;
    if (w.compare(pos, rule.centre.size(), rule.centre) != 0) continue;
    if (MatchLeft(rule.left, w, pos) && MatchRight(rule.right, w, pos + rule.centre.size()))
      return &rule;
  }
  return nullptr;
}

std::string PauseFor(char c) {
  return c == ' ' ? std::string() : std::string("_") + c;
}

bool StartsPause(char c) { return In(" !(),.:;?", c); }

// Final r and s are voiced before a word that begins with a vowel or a glide.
void VoiceAcrossWords(PhonemeList& list) {
  static const std::string marker = platform::Utf8ToAnsi("¨");
  for (std::size_t h = 3; h + 1 < list.size(); ++h) {
    if (!IsHeader(list[h])) continue;
    std::string first = list[h + 1];
    if (first.compare(0, marker.size(), marker) == 0) first.erase(0, marker.size());
    if (first.empty() || !In("aeiouwy", first[0])) continue;
    std::string& last = list[h - 2];
    if (last == "r2") last = "r";
    else if (last == "s2") last = "z";
  }
}

}  // namespace

bool IsHeader(const std::string& item) {
  return item.size() >= 5 && item[0] == ';' && item[4] == '|';
}

void ApplyRules(const std::string& word, int stress, PhonemeList& list) {
  const std::string w = platform::AnsiUpperCase(word);
  bool marked = stress < 1;
  std::string item;
  std::size_t p = 0;  // 0-based: the 1-based position is p + 1
  while (p < w.size()) {
    const PhoneRule* rule = FiringRule(w, p);
    if (!rule) {
      ++p;
      continue;
    }
    const std::string output = rule->output.substr(0, RuleOutputUsed);
    for (char c : output) {
      if (!marked && static_cast<int>(p) + 1 >= stress) {
        item += '>';
        marked = true;
      }
      if (c == '&') {
        list.push_back(item);
        item.clear();
      } else {
        item += c;
      }
    }
    if (!output.empty()) {
      list.push_back(item);
      item.clear();
    }
    p += rule->centre.size();
  }
  list.push_back(item);
}

PhonemeList TranscribeTokens(const std::vector<std::string>& entries) {
  PhonemeList list;
  for (const std::string& entry : entries) {
    list.push_back(";" + entry);
    const std::string token = platform::AnsiUpperCase(entry.size() > 4 ? entry.substr(4) : "");
    if (token.empty()) {
      list.push_back("__");
      list.push_back("");
    } else if (StartsPause(token[0])) {
      const std::string pause = PauseFor(token[0]);
      if (!pause.empty()) list.push_back(pause);
    } else {
      const std::string word = LookupException(token);
      ApplyRules(word, IsFunctionWord(word) ? 0 : FindStressPosition(word), list);
    }
  }
  list.push_back("__");
  VoiceAcrossWords(list);
  return list;
}

}  // namespace tts
