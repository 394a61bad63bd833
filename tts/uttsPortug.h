// Phonetic transcription of the Portuguese text-to-speech engine: token entries ("555|casa") to
// the phoneme list that the prosody stage times and pitches.
#pragma once
#include <string>
#include <vector>

namespace tts {

// Items: headers ";555|casa", phonemes (">" marks the stressed one), an empty item after every
// word, pauses "_," "_." ..., and "__" for sentence boundaries and at the very end.
using PhonemeList = std::vector<std::string>;

// ";" + three pattern characters + "|" + token.
bool IsHeader(const std::string& item);

// Appends the phonemes of word and its empty word-end item; stress < 1 places no mark.
void ApplyRules(const std::string& word, int stress, PhonemeList& list);

PhonemeList TranscribeTokens(const std::vector<std::string>& entries);

}  // namespace tts
