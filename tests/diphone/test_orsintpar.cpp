#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "diphone/orsintpar.h"

namespace {

std::string WindowsDir(const std::string& ini) {
  std::string dir = testing::TempDir() + "orsintpar_" + std::to_string(getpid());
  std::system(("mkdir -p '" + dir + "'").c_str());
  if (!ini.empty()) std::ofstream(dir + "/ORALIS.INI") << ini;
  setenv("ORALIS_WINDIR", dir.c_str(), 1);
  return dir;
}

}  // namespace

TEST(SynthSettings, StartValuesAndParameters) {
  EXPECT_EQ(SynthLettersDir, "");
  EXPECT_EQ(DiphoneDatabase, "DIFONES2");
  EXPECT_EQ((std::vector<int>{DiphoneCut, DiphoneMinimum, WordGap}), (std::vector<int>{400, 0, 100}));
  SetDiphoneParams(0, 0, 0);
  EXPECT_EQ((std::vector<int>{DiphoneCut, DiphoneMinimum, WordGap}), (std::vector<int>{0, 0, 0}));
  SetDiphoneDatabase("DIFONES12345");
  EXPECT_EQ(DiphoneDatabase, "DIFONES1");
}

TEST(SynthSettings, DirectoriesFromTheWindowsDirectory) {
  WindowsDir("");
  EXPECT_EQ(ReadSynthDirectory("dirLetras", "c:\\oralsys\\som\\letras"), "c:\\oralsys\\som\\letras\\");
  EXPECT_EQ(ReadSynthDirectory("DIRDIFONES", "c:\\oralsys\\som\\difones"), "c:\\oralsys\\som\\difones\\");
  std::string ninety(90, 'x');
  WindowsDir("[TRADUTOR]\nDIRLETRAS=" + ninety + "\ndirdifones=d:\\voz\\\n");
  EXPECT_EQ(ReadSynthDirectory("dirLetras", "unused"), std::string(79, 'x') + "\\");
  EXPECT_EQ(ReadSynthDirectory("DIRDIFONES", "unused"), "d:\\voz\\");
}
