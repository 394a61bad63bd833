// Letter-to-sound rules of the internal synthesizer: a run of words in the Windows code page
// becomes a phonetic string, per word "[" + groups separated by "/" + "]", upper-case vowels
// marking stress and " /_" + a character standing for that character's recorded sound.
//
// The rules come from a rule file (lines LEFT(MATCH)RIGHT=OUTPUT|) and the whole words from an
// exception file (lines WORD=REPLACEMENT). Both loaders take host paths. Module state: the rule
// index and the exception table; nothing here is reentrant.
#pragma once
#include <cstddef>
#include <string>

// One rewriting rule; the parts keep at most their first 5, 5, 5 and 11 characters.
struct LetterRule {
  std::string left;    // left context, read leftwards from just before the match
  std::string match;   // the letters rewritten, upper case
  std::string right;   // right context, read rightwards from just after the match
  std::string output;  // the phonetic symbols written for the match
};

// The word being translated: lower case from the text, at most 256 characters (longer runs of
// letters are cut into several words).
struct LetterWord {
  std::string text;
  int vowels = 0;         // vowels of the word as read from the text
  bool accented = false;  // it carried an acute, circumflex, grave or tilde mark
};

constexpr std::size_t kLetterWordCapacity = 256;

std::string TranslateToPhonetic(const std::string& text);

// Both false when the file cannot be read. LoadLetterRules also empties the exception table, so
// the rules are loaded first.
bool LoadLetterRules(const std::string& fileName);
bool LoadWordExceptions(const std::string& fileName);
void FreeLetterRules();  // the exceptions stay until the next LoadLetterRules

// One line of the rule file. A rule whose match is empty, or begins outside the codes 32 to 95,
// has no list to go in: the loader leaves it out, so it never fires.
LetterRule ParseLetterRule(const std::string& line);

// The steps of TranslateToPhonetic.
// Accented letters become a letter and its mark, W and Y between letters become u and i,
// control and unmapped characters become " \x01 " (the code-1 word, spelled).
std::string PrepareLetters(const std::string& text);
// Takes the next word from position (1-based) on, skipping blanks: a letter followed by letters
// and accent marks, or any other single character. False at the end of the text.
bool NextLetterWord(const std::string& prepared, std::size_t& position, LetterWord& word);
// Replaces the word by its exception; a final run of "s" and "m" is stripped for the search and
// put back after the replacement (casas is found as casa).
void ApplyWordException(LetterWord& word);
// Upper-cases the stressed vowel, unless an accent mark carries the stress already.
void MarkStress(LetterWord& word);
// A word of consonants and separators only, or the code-1 marker.
bool IsSpelledWord(const LetterWord& word);
void SpellOutWord(const LetterWord& word, std::string& phonetic);          // appends
void TranslateWordByRules(const LetterWord& word, std::string& phonetic);  // appends
