#include "tts/uttsInic.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "platform/files.h"

namespace tts {

namespace {

constexpr int FirstCode = 32;
std::array<std::vector<PhoneRule>, 256 - FirstCode> buckets;  // codes 32 to 255

// The text of line from pos up to the delimiter (or the end), cut to capacity; pos moves past
// the delimiter, or to the end when there is none.
std::string Part(const std::string& line, std::size_t& pos, char delimiter, std::size_t capacity) {
  const std::size_t end = std::min(line.find(delimiter, pos), line.size());
  const std::string part = line.substr(pos, std::min(end - pos, capacity));
  pos = end < line.size() ? end + 1 : line.size();
  return part;
}

}  // namespace

bool LoadRules(const std::string& path) {
  FreeRules();
  std::ifstream in(platform::HostPath(path), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    std::size_t pos = 0;
    PhoneRule rule;
    rule.left = Part(line, pos, '(', RuleContextCapacity);
    rule.centre = Part(line, pos, ')', RuleContextCapacity);
    rule.right = Part(line, pos, '=', RuleContextCapacity);
    rule.output = Part(line, pos, '|', RuleOutputCapacity);
    // A rule with an empty centre would fire without moving on: never stored.
    const auto first = static_cast<unsigned char>(rule.centre.empty() ? 0 : rule.centre[0]);
    if (first < FirstCode) continue;
    buckets[first - FirstCode].push_back(std::move(rule));
  }
  return true;
}

void FreeRules() {
  for (auto& bucket : buckets) bucket.clear();
}

const std::vector<PhoneRule>& RuleBucket(unsigned char c) {
  static const std::vector<PhoneRule> none;
  return c < FirstCode ? none : buckets[c - FirstCode];
}

}  // namespace tts
