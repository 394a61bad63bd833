#include "speech/ortexto.h"

#include <cctype>
#include <cstdlib>

#include "console/OrCrt.h"
#include "diphone/ordifone.h"
#include "diphone/orregras.h"
#include "diphone/orsintpar.h"
#include "engines/orengine.h"
#include "numbers/orlenum.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "sound/orwav.h"
#include "speech/orfala.h"
#include "speech/ormensag.h"

namespace {

constexpr std::size_t PhoneticInputLimit = 999;  // characters of a word run translated at once
constexpr int RepeatsBeforeTicks = 3;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Takes the longest prefix of text whose characters pass the test.
template <typename Test>
std::string TakeRun(std::string& text, Test test) {
  std::size_t n = 0;
  while (n < text.size() && test(static_cast<unsigned char>(text[n]))) ++n;
  std::string run = text.substr(0, n);
  text.erase(0, n);
  return run;
}

void SpeakNumberRun(std::string& text) {
  std::string run = TakeRun(text, [](unsigned char c) { return IsDigit(c) || c == '-'; });
  if (run.find('-') != std::string::npos || run.size() >= 7) SpellText(run);
  else SpeakNumberWords(NumberToWords(std::atoi(run.c_str())), false);
}

void SpeakWordRun(std::string& text) {
  std::string run = TakeRun(text, IsWordChar);
  // The run carries the blanks around the word (the text always ends in one), so "www" alone
  // is still recognised.
  std::size_t first = run.find_first_not_of(' '), last = run.find_last_not_of(' ');
  std::string word = first == std::string::npos ? "" : run.substr(first, last - first + 1);
  if (UpperText(word) == "WWW") SpellText(word);
  else SpeakPhonetic(TranslateToPhonetic(run.substr(0, PhoneticInputLimit)));
  // A hyphenated word goes on as the next run, without the dash's sound.
  if (text.size() >= 2 && text[0] == '-' && IsLetterChar(static_cast<unsigned char>(text[1]))) text.erase(0, 1);
}

void SpeakOtherCharacter(std::string& text, char& last, int& repeats) {
  char c = text[0];
  if (c == last) {
    if (++repeats > RepeatsBeforeTicks) {
      PlayTick();
      c = ' ';
    }
  } else {
    repeats = 0;
    last = c;
  }
  if (text[0] == '-') {
    char next = text.size() > 2 ? text[1] : ' ';
    if (next == ' ' || next == '-') SpeakPunctuation(text);
    else if (IsDigit(static_cast<unsigned char>(next))) SpeakMessage("_MENOS");
    else SpeakCharSound('-');
  } else if (text.compare(0, 3, "://") == 0) {
    SpellText(text.substr(0, 1));
  } else if (std::string("(),.:;").find(c) != std::string::npos) {
    SpeakPunctuation(text);
  } else if (c != ' ' && c != '\t' && !KeyWaiting()) {
    SpeakCharSound(static_cast<std::uint8_t>(c));
  }
  text.erase(0, 1);
}

}  // namespace

bool IsLetterChar(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128; }
bool IsWordChar(unsigned char c) { return c == ' ' || IsLetterChar(c); }

std::string UpperText(const std::string& text) {
  std::string upper = text;
  for (char& ch : upper) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || c >= 224) ch = static_cast<char>(c - 32);
  }
  return upper;
}

void SpeakText(const std::string& input) {
  if (EngineActive) {
    WaitSpeechEnd();
    if (!KeyWaiting()) {
      EngineSpeak(input);
      EngineSpeechPending = true;
    }
    return;
  }
  std::string text = input + " ";
  SpeechStopped = false;
  char last = ' ';
  int repeats = 0;
  while (!SpeechStopped && !text.empty()) {
    if (KeyWaiting()) {
      StopSpeech();
      return;
    }
    while (!text.empty() && text[0] == '0') {
      SpeakMessage("_zero");
      text.erase(0, 1);
    }
    if (text.empty()) break;
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first >= '1' && first <= '9') SpeakNumberRun(text);
    else if (IsWordChar(first)) SpeakWordRun(text);
    else SpeakOtherCharacter(text, last, repeats);
  }
}

void SpeakPunctuation(const std::string& rest) {
  if (rest.empty() || KeyWaiting()) return;
  WaitSpeechEnd();
  SpeakCharSound(static_cast<std::uint8_t>(rest[0]));
  bool blankAfter = rest.size() < 2 || rest[1] == ' ';
  switch (rest[0]) {
    case '(': case ')': case ':': case ';':
      PauseUnlessKey(ColonPause);
      break;
    case ',': case '-':
      if (blankAfter) PauseUnlessKey(CommaPause);
      break;
    case '.':
      if (blankAfter) PauseUnlessKey(PeriodPause);
      break;
    default:
      break;
  }
}

void PauseUnlessKey(int milliseconds) {
  for (int step = 0; step < milliseconds / 50; ++step)
    if (!KeyWaiting()) PauseMs(50);
}

void PlayDtmfDigits(const std::string& text) {
  bool savedFastRate = WaveFastRate;
  WaveFastRate = false;
  for (char ch : UpperText(text)) {
    if (ch == ',') {
      PauseMs(1000);
    } else if (ch == '#' || ch == '*' || IsDigit(static_cast<unsigned char>(ch))) {
      PlayWaveFile(SynthLettersDir + "dtmf_" + (ch == '*' ? 'X' : ch) + ".wav");
      WaitSpeechEnd();
      PauseMs(100);
    }
  }
  WaveFastRate = savedFastRate;
}

void OpenDocument(const std::string& input) {
  std::string target = input.substr(0, 255);
  std::string directory = platform::CurrentDirectory();
  std::string program, params;
  bool web = target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0 || target.rfind("www.", 0) == 0;
  if (web) {
    program = ReadSetting("ORALIS", "PROG.HTM");
    params = target;
    if (program.empty()) std::swap(program, params);  // no browser named: the desktop's own
  } else {
    std::size_t dot = target.find('.');
    std::string extension = UpperText(target.substr(dot == std::string::npos ? 0 : dot + 1, 3));
    if (extension != "EXE" && extension != "COM") {
      program = ReadSetting("ORALIS", ("PROG." + extension).substr(0, 8));
      if (program.empty()) program = target;
      else params = target;
    } else {
      bool rooted = target[0] == '\\' || target[0] == '/' || (target.size() >= 2 && std::isalpha(static_cast<unsigned char>(target[0])) && target[1] == ':');
      program = target;
      if (!rooted) program = directory + (!directory.empty() && directory.back() == '\\' ? "" : "\\") + target;
    }
  }
  WaitSpeechEnd();
  platform::ShellOpen(program, params, directory);
  WaitSpeechEnd();
}
