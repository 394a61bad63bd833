// The stressed vowel of a Portuguese word, found from its spelling.
#pragma once
#include <string>

namespace tts {

// 1-based position of the stressed vowel; 0 when the word has no vowel.
int FindStressPosition(const std::string& word);

// Words of one or two characters and a few short ones that are spoken without stress.
bool IsFunctionWord(const std::string& word);

}  // namespace tts
