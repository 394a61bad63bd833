#include "tts/uttsTonica.h"

#include "platform/codepage.h"

namespace tts {

namespace {

// Upper-case forms: the word is upper-cased before the scans.
const std::string& Accented() {  // À Á Â Ã É Ê Í Ó Ô Õ Ú
  static const std::string set = platform::Utf8ToAnsi("ÀÁÂÃÉÊÍÓÔÕÚ");
  return set;
}

bool IsAccented(char c) { return Accented().find(c) != std::string::npos; }

bool IsVowel(char c) {
  static const std::string plain = platform::Utf8ToAnsi("AEIOUWYÜ");
  return plain.find(c) != std::string::npos || IsAccented(c);
}

bool IsAeo(char c) { return c == 'A' || c == 'E' || c == 'O'; }
bool IsGq(char c) { return c == 'G' || c == 'Q'; }

// States of the right-to-left scan.
enum class Scan {
  End,              // nothing read yet but a final S
  AfterAeo,         // a final A, E or O (or a final AM, EM) read
  Penultimate,      // a consonant read after the last vowel: looking for the previous vowel
  IuInPenultimate,  // an I or U found in the penultimate syllable
  UBeforeAeo,       // U before the final A, E or O (GUA, QUE)
  UBeforeIu,        // U before the I or U of the penultimate syllable
  AfterU,           // a final U
  AfterI,           // a final I (or the vowels before it)
  UBeforeFinalI,    // U before the final I (GUI, QUI)
  AfterConsonant,   // a final consonant other than S and M: the last vowel is stressed
  AfterM,           // a final M
  Stop,
};

}  // namespace

int FindStressPosition(const std::string& word) {
  const std::string w = platform::AnsiUpperCase(word);
  bool anyVowel = false;
  for (int i = static_cast<int>(w.size()); i >= 1; --i) {
    if (IsAccented(w[i - 1])) return i;
    anyVowel = anyVowel || IsVowel(w[i - 1]);
  }
  if (!anyVowel) return 0;

  int result = 0;
  Scan state = Scan::End;
  for (int here = static_cast<int>(w.size()); here >= 1 && state != Scan::Stop; --here) {
    const char c = w[here - 1];
    switch (state) {
      case Scan::End:
        if (IsAeo(c)) result = here, state = Scan::AfterAeo;
        else if (c == 'U') result = here, state = Scan::AfterU;
        else if (c == 'I') result = here, state = Scan::AfterI;
        else if (c == 'S') state = Scan::End;
        else if (c == 'M') state = Scan::AfterM;
        else state = Scan::AfterConsonant;
        break;
      case Scan::AfterAeo:
        if (c == 'U') state = Scan::UBeforeAeo;
        else if (IsVowel(c)) result = here, state = Scan::Stop;
        else state = Scan::Penultimate;
        break;
      case Scan::Penultimate:
        if (IsAeo(c)) result = here, state = Scan::Stop;
        else if (c == 'I' || c == 'U') result = here, state = Scan::IuInPenultimate;
        break;
      case Scan::IuInPenultimate:
        if (IsAeo(c)) result = here, state = Scan::Stop;
        else if (c == 'U') state = Scan::UBeforeIu;
        else state = Scan::Stop;
        break;
      case Scan::UBeforeAeo:
        if (IsGq(c)) result = here + 2, state = Scan::Penultimate;
        else result = here + 1, state = Scan::Stop;
        break;
      case Scan::UBeforeIu:
      case Scan::UBeforeFinalI:
        result = IsGq(c) ? here + 2 : here + 1;
        state = Scan::Stop;
        break;
      case Scan::AfterU:
        if (IsAeo(c) || c == 'I') result = here;
        state = Scan::Stop;
        break;
      case Scan::AfterI:
        if (IsAeo(c)) result = here;
        else if (c == 'U') state = Scan::UBeforeFinalI;
        else state = Scan::Stop;
        break;
      case Scan::AfterConsonant:
        if (IsVowel(c)) result = here, state = Scan::Stop;
        break;
      case Scan::AfterM:
        if (c == 'I' || c == 'O' || c == 'U') result = here, state = Scan::Stop;
        else if (c == 'A' || c == 'E') result = here, state = Scan::AfterAeo;
        else state = Scan::End;
        break;
      case Scan::Stop:
        break;
    }
  }
  return result;
}

bool IsFunctionWord(const std::string& word) {
  if (word.size() <= 2) return true;
  const std::string w = platform::AnsiUpperCase(word);
  for (const char* f : {"POR", "DAS", "DOS", "COM", "SIM"})
    if (w == f) return true;
  return w == platform::Utf8ToAnsi("NÃO");
}

}  // namespace tts
