// Speech settings and start-up: the configuration lookup with "@" expansion, the number rule of
// settings, and bringing speech up and down.
#pragma once
#include <string>

// The current directory when the program started, without a trailing separator.
extern std::string StartupDir;
// Pauses after punctuation, in milliseconds.
extern int PeriodPause;
extern int CommaPause;
extern int ColonPause;

// The value of a key of ORALIS.INI (the Windows directory's copy, else the one in StartupDir),
// after "@" expansion; empty when absent. An empty section means "ORALIS".
std::string ReadSetting(const std::string& section, const std::string& key);

// A setting read as a number: blanks, a sign, decimal digits or hexadecimal ones after "$", "x",
// "X", "0x", "0X"; the value read up to the first other character, valid only when the whole
// text was read.
struct SettingNumber {
  long value = 0;
  bool valid = false;
};
SettingNumber ParseSettingNumber(const std::string& text);
// True when the text is not empty and does not begin with "N" or "n".
bool SettingIsYes(const std::string& text);

void StartSpeech(int speed, const std::string& messageDir);
void EndSpeech();
void LoadSpeedSettings(int speed);
void SetSynthParams(int cut, int minimum, int wordGap, bool cutPeriods, bool fastRate);
