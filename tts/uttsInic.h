// The rule file of the Portuguese text-to-speech engine: context-sensitive rewriting rules
// LEFT(CENTRE)RIGHT=OUTPUT|, bucketed by the first character of their centre.
#pragma once
#include <string>
#include <vector>

namespace tts {

struct PhoneRule {
  std::string left;    // at most 5 characters
  std::string centre;  // 1 to 5 characters, the letters rewritten
  std::string right;   // at most 5 characters
  std::string output;  // at most 20 characters; the first 11 are used
};

constexpr std::size_t RuleContextCapacity = 5;
constexpr std::size_t RuleOutputCapacity = 20;
constexpr std::size_t RuleOutputUsed = 11;

// Empties the table, then reads the rules in file order. False when the file cannot be opened.
bool LoadRules(const std::string& path);
void FreeRules();
// The rules whose centre begins with c, in file order (none for codes below 32).
const std::vector<PhoneRule>& RuleBucket(unsigned char c);

}  // namespace tts
