#include "tts/uttsExcessoes.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace tts {

namespace {

struct palavra_alias {
  std::string word;   // upper-cased
  std::string alias;  // upper-cased
};

std::vector<palavra_alias> exceptions;  // sorted by word, byte order

bool ByWord(const palavra_alias& a, const palavra_alias& b) { return a.word < b.word; }

const palavra_alias* Find(const std::string& word) {
  const auto it = std::lower_bound(exceptions.begin(), exceptions.end(), palavra_alias{word, ""},
                                   ByWord);
  return it != exceptions.end() && it->word == word ? &*it : nullptr;
}

}  // namespace

bool LoadExceptions(const std::string& path) {
  std::ifstream in(platform::HostPath(path), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (exceptions.size() < ExceptionCapacity && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = platform::AnsiUpperCase(line.substr(0, ExceptionLineCapacity));
    if (line.empty()) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      // Never matches: no word looked up contains "=" (the mark keeps it apart from real words).
      exceptions.push_back({"=" + line, ""});
      continue;
    }
    const std::size_t bar = line.find('|', eq + 1);
    const std::size_t aliasLength = bar == std::string::npos ? std::string::npos : bar - eq - 1;
    exceptions.push_back({line.substr(0, eq), line.substr(eq + 1, aliasLength)});
  }
  std::sort(exceptions.begin(), exceptions.end(), ByWord);
  return true;
}

void ClearExceptions() { exceptions.clear(); }

int ExceptionCount() { return static_cast<int>(exceptions.size()); }

std::string LookupException(const std::string& word) {
  std::string stem = platform::AnsiUpperCase(word), suffix;
  while (!stem.empty()) {
    if (const palavra_alias* found = Find(stem)) return found->alias + suffix;
    const char last = stem.back();
    if (last != 'S' && last != 'M') break;
    suffix.insert(suffix.begin(), last);
    stem.pop_back();
  }
  return word;
}

}  // namespace tts
