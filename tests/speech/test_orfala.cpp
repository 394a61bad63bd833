#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "diphone/orsintpar.h"
#include "engines/orengine.h"
#include "platform/backend.h"
#include "platform/files.h"
#include "sound/orwav.h"
#include "speech/ormensag.h"
#include "speech/orfala.h"

namespace {

std::string MakeDir(const std::string& name) {
  std::string dir = testing::TempDir() + "orfala_" + std::to_string(getpid()) + "_" + name;
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
  return dir;
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A Windows directory holding the given ORALIS.INI (none when empty).
void Windows(const std::string& ini) {
  std::string dir = MakeDir("windows");
  if (!ini.empty()) Write(dir + "/ORALIS.INI", ini);
  setenv("ORALIS_WINDIR", dir.c_str(), 1);
}

// An empty but loadable diphone database with its rule files; the keys that find it.
std::string Voice() {
  std::string dir = MakeDir("voice");
  for (const char* f : {"TESTE.IND", "TESTE.DIF", "regras.rgr", "portug.exc"}) Write(dir + "/" + f, "");
  return "DIRLETRAS=" + dir + "\nDIRDIFONES=" + dir + "\n";
}

std::string VoiceDir() { return testing::TempDir() + "orfala_" + std::to_string(getpid()) + "_voice"; }

std::string Databases() {
  std::string keys = "[SINTETIZADOR]\n";
  for (int n = 1; n <= 5; ++n) keys += "DIFONES" + std::to_string(n) + "=TESTE\n";
  return keys;
}

std::vector<std::string> started;
bool Start(int voice, int speed, int pitch) {
  started.push_back(std::to_string(voice) + " " + std::to_string(speed) + " " + std::to_string(pitch));
  return true;
}
void Nothing() {}
void Ignore(const std::string&) {}
bool Idle(bool) { return false; }
const EngineDriver fake{Start, Nothing, Ignore, Idle, Nothing};

}  // namespace

TEST(SettingNumbers, TheWholeTextMustBeANumber) {
  const struct {
    const char* text;
    long value;
    bool valid;
  } cases[] = {
      {"400", 400, true},   {"  -12", -12, true}, {"+7", 7, true},     {"$1F", 31, true},
      {"x10", 16, true},    {"0X10", 16, true},   {"0x1g", 1, false},  {"abc", 0, false},
      {"", 0, false},       {"12ab", 12, false},  {"3.5", 3, false},   {"-", 0, false},
      {"99999999999999", 0x7FFFFFFFL * 10 + 9, true},
  };
  for (const auto& c : cases) {
    SettingNumber n = ParseSettingNumber(c.text);
    if (std::string(c.text).size() < 14) {
      EXPECT_EQ(n.value, c.value) << c.text;
    }
    EXPECT_EQ(n.valid, c.valid) << c.text;
  }
}

TEST(ReadSetting, AtExpansionWithAndWithoutABase) {
  Windows("[ORALIS]\nPGMORALIS=c:\\prog\n[TRADUTOR]\nDIRLETRAS=@\\som\\letras\nX=d:@\\x\nPLAIN=abc\n"
          "[SERVFALA]\nVOZ=2\n");
  EXPECT_EQ(ReadSetting("TRADUTOR", "DIRLETRAS"), "c:\\prog\\som\\letras");
  EXPECT_EQ(ReadSetting("tradutor", "x"), "d:c:\\prog\\x");
  EXPECT_EQ(ReadSetting("TRADUTOR", "PLAIN"), "abc");
  EXPECT_EQ(ReadSetting("TRADUTOR", "MISSING"), "");
  EXPECT_EQ(ReadSetting("", "PGMORALIS"), "c:\\prog");  // the empty section is ORALIS

  Windows("[TRADUTOR]\nDIR=@\\som\n");
  EXPECT_EQ(ReadSetting("TRADUTOR", "DIR"), StartupDir + "\\som");

  Windows("[ORALIS]\nPGMORALIS=x@\\y\n[TRADUTOR]\nDIR=@\\som\n");  // a base that holds "@\"
  std::string looped = ReadSetting("TRADUTOR", "DIR");
  EXPECT_EQ(looped.rfind("x", 0), 0u);  // the expansion stops
}

TEST(ReadSetting, WithoutAWindowsCopyTheStartupFolderIsRead) {
  Windows("");
  std::string startup = MakeDir("startup");
  Write(startup + "/ORALIS.INI", "[ORTXT]\nDIRORTXT=@\\msg\n");
  std::string saved = StartupDir;
  StartupDir = startup;
  EXPECT_EQ(ReadSetting("ORTXT", "DIRORTXT"), startup + "\\msg");
  StartupDir = saved;
}

TEST(SpeedSettings, KeysOfTheSpeedAndTheirDefaults) {
  Windows("[SINTETIZADOR]\nDIFONES3=DIFONESLONGO\nCORTEFON3=12x\nSOBRAFON3=40\nINTERPAL3=zz\n"
          "CORTAFALA3=Sim\nRAPIDINHO3=nao\nPAUSAPONTO3=400\nPAUSAVIRG3=abc\n");
  LoadSpeedSettings(3);
  EXPECT_EQ(DiphoneDatabase, "DIFONESL");
  EXPECT_EQ(DiphoneCut, 12);  // as read, valid or not
  EXPECT_EQ(DiphoneMinimum, 40);
  EXPECT_EQ(WordGap, 0);  // 0 unless valid
  EXPECT_TRUE(WaveCutPeriods);
  EXPECT_FALSE(WaveFastRate);
  EXPECT_EQ(PeriodPause, 400);
  EXPECT_EQ(CommaPause, 150);
  EXPECT_EQ(ColonPause, 200);
  LoadSpeedSettings(4);
  EXPECT_EQ(DiphoneDatabase, "");
  EXPECT_EQ(PeriodPause, 250);
}

TEST(StartSpeech, EngineStartsOnlyWhenConfiguredAndRatesAreKept) {
  platform::StartHeadless("");
  SetEngineDriver(4, &fake);
  SetEngineDriver(5, &fake);
  const struct {
    const char* servfala;
    const char* sapi;
    bool active;
    const char* start;
  } cases[] = {
      {"TIPOSAPI=5\nVELOCIDADE=15\nVOZ=2\n", "Sim", true, "2 0 0"},
      {"TIPOSAPI=4\nVELOCIDADE=150\nTOM=3\n", "Sim", true, "0 150 3"},
      {"TIPOSAPI=5\nVELOCIDADE=10\n", "sim", true, "0 10 0"},
      {"TIPOSAPI=5\n", "Nao", false, ""},
      {"TIPOSAPI=5\n", "", false, ""},
  };
  for (const auto& c : cases) {
    started.clear();
    Windows(std::string("[TRADUTOR]\nSAPI=") + c.sapi + "\n" + Voice() + Databases() + "[SERVFALA]\n" +
            c.servfala);
    StartSpeech(2, "c:\\msg");
    EXPECT_EQ(EngineActive, c.active) << c.servfala;
    EXPECT_EQ(started.empty() ? std::string() : started[0], c.start) << c.servfala;
    EXPECT_EQ(MessageDir, "c:\\msg\\");
    EXPECT_EQ(LettersDir, VoiceDir() + "\\");
    EndSpeech();
    EXPECT_FALSE(EngineActive);
  }
}

TEST(StartSpeech, SpeedComesFromTheSettingsAndDirectoriesTakeTheirDefaults) {
  platform::StartHeadless("");
  for (const char* speed : {"", "VELOCIDADE=9\n", "VELOCIDADE=0\n"}) {
    Windows(std::string("[TRADUTOR]\n") + speed + Voice() + Databases() + "PAUSAPONTO3=333\n");
    StartSpeech(0, "");
    EXPECT_EQ(PeriodPause, 333) << speed;  // speed 3
    EXPECT_EQ(MessageDir, "");
    EndSpeech();
  }
}

TEST(StartSpeech, AFailedLoadIsReportedAndEndsTheProgramAfterALine) {
  std::string screen = MakeDir("screen") + "/dump";
  setenv("ORALIS_SCREEN", screen.c_str(), 1);
  Windows("[SINTETIZADOR]\nDIFONES3=NENHUM\n");  // no such database
  EXPECT_EXIT(
      {
        platform::StartHeadless("key Enter\n");
        StartSpeech(3, "");
      },
      testing::ExitedWithCode(0), "");
  std::ifstream in(screen);
  std::string first, second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(first.substr(0, 26), "Erro de inicializa\xC3\xA7\xC3\xA3o: 1");
  EXPECT_EQ(second.substr(0, 29), "Banco de dados de voz: NENHUM");
}
