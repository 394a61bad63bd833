#include "diphone/orsintpar.h"

#include "platform/profile.h"

std::string SynthLettersDir;
std::string DiphoneDir;
std::string DiphoneDatabase = "DIFONES2";
int DiphoneCut = 400;
int DiphoneMinimum = 0;
int WordGap = 100;

void SetDiphoneParams(int cut, int minimum, int gap) {
  DiphoneCut = cut;
  DiphoneMinimum = minimum;
  WordGap = gap;
}

std::string ReadSynthDirectory(const std::string& key, const std::string& defaultValue) {
  std::string dir = platform::GetProfileString("TRADUTOR", key, defaultValue, 80, "ORALIS.INI");
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir.substr(0, SynthDirCapacity);
}

void SetDiphoneDatabase(const std::string& name) {
  DiphoneDatabase = name.substr(0, DiphoneDatabaseCapacity);
}
