#include "speech/orfala.h"

#include <cctype>
#include <iostream>

#include "console/OrCrt.h"
#include "diphone/ordifone.h"
#include "diphone/orsintpar.h"
#include "engines/orengine.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/voices.h"
#include "sound/orwav.h"
#include "speech/ormensag.h"

// The system voices need COM on this thread before any driver runs.
std::string StartupDir = [] {
  platform::InitializeCom();
  std::string dir = platform::CurrentDirectory();
  while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  return dir;
}();
int PeriodPause = 250;
int CommaPause = 150;
int ColonPause = 200;

namespace {

constexpr std::size_t SettingCapacity = 256;  // values of at most 255 characters
const char* const DefaultLettersDir = "c:\\oralsys\\som\\letras\\";

std::string WithBackslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

// The copy in the Windows directory when there is one, else the one where the program started.
std::string SettingsFile() {
  std::string windows = platform::WindowsDirectory().substr(0, 144);
  if (platform::FileExists(WithBackslash(windows) + "ORALIS.INI")) return "ORALIS.INI";
  return StartupDir + "\\ORALIS.INI";
}

std::string BaseDirectory(const std::string& file) {
  std::string base = platform::GetProfileString("ORALIS", "PGMORALIS", "", SettingCapacity, file);
  return base.empty() || base[0] == '@' ? StartupDir : base;
}

int Number(const std::string& section, const std::string& key, int fallback) {
  SettingNumber n = ParseSettingNumber(ReadSetting(section, key));
  return n.valid ? static_cast<int>(n.value) : fallback;
}

long Value(const std::string& section, const std::string& key) {
  return ParseSettingNumber(ReadSetting(section, key)).value;
}

int Digit(char c) {
  if (std::isdigit(static_cast<unsigned char>(c))) return c - '0';
  if (std::isxdigit(static_cast<unsigned char>(c))) return std::tolower(c) - 'a' + 10;
  return -1;
}

}  // namespace

SettingNumber ParseSettingNumber(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return {};
  bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  int radix = 10;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) radix = 16, i += 2;
  else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) radix = 16, ++i;
  std::size_t first = i;
  long value = 0;
  for (; i < text.size(); ++i) {
    int d = Digit(text[i]);
    if (d < 0 || d >= radix) break;
    if (value < 0x7FFFFFFFL) value = value * radix + d;  // large values stop growing, never overflow
  }
  return {negative ? -value : value, i == text.size() && i > first};
}

bool SettingIsYes(const std::string& text) { return !text.empty() && std::toupper(static_cast<unsigned char>(text[0])) != 'N'; }

std::string ReadSetting(const std::string& section, const std::string& key) {
  std::string file = SettingsFile();
  std::string value = platform::GetProfileString(section.empty() ? "ORALIS" : section, key, "", SettingCapacity, file);
  // Each pass replaces one "@"; the base never brings a new one in front, and a base that
  // holds "@\" itself is expanded a bounded number of times, so the loop always ends.
  for (int passes = 0; !value.empty() && passes < 16; ++passes) {
    if (value[0] == '@') {
      value = BaseDirectory(file) + value.substr(1);
    } else if (std::size_t at = value.find("@\\"); at != std::string::npos) {
      value = value.substr(0, at) + BaseDirectory(file) + value.substr(at + 1);
    } else {
      break;
    }
  }
  return value;
}

void SetSynthParams(int cut, int minimum, int wordGap, bool cutPeriods, bool fastRate) {
  SetDiphoneParams(cut, minimum, wordGap);
  WaveFastRate = fastRate;
  WaveCutPeriods = cutPeriods;
}

void LoadSpeedSettings(int speed) {
  std::string n = std::to_string(speed).substr(0, 2);
  SetDiphoneDatabase(ReadSetting("SINTETIZADOR", "DIFONES" + n));
  int cut = static_cast<int>(Value("SINTETIZADOR", "CORTEFON" + n));
  int minimum = Number("SINTETIZADOR", "SOBRAFON" + n, 0);
  int gap = Number("SINTETIZADOR", "INTERPAL" + n, 0);
  bool cutPeriods = SettingIsYes(ReadSetting("SINTETIZADOR", "CORTAFALA" + n));
  bool fastRate = SettingIsYes(ReadSetting("SINTETIZADOR", "RAPIDINHO" + n));
  SetSynthParams(cut, minimum, gap, cutPeriods, fastRate);
  PeriodPause = Number("SINTETIZADOR", "PAUSAPONTO" + n, 250);
  CommaPause = Number("SINTETIZADOR", "PAUSAVIRG" + n, 150);
  ColonPause = Number("SINTETIZADOR", "PAUSADOISPONTOS" + n, 200);
}

void StartSpeech(int speed, const std::string& messageDir) {
  if (speed < 1) speed = static_cast<int>(Value("TRADUTOR", "VELOCIDADE"));
  if (speed < 1 || speed > 5) speed = 3;
  LoadSpeedSettings(speed);
  if (int code = LoadSynthData(); code != 0) {
    std::cout << "Erro de inicializa\xE7\xE3o: " << code << "\n";
    std::cout << "Banco de dados de voz: " << DiphoneDatabase << "\n";
    FreeSynthData();
    std::string line;
    std::getline(std::cin, line);
    CloseConsole();
  }
  // The synthesizer's buffers wait for pending engine speech like every recording.
  SetSynthPlayer(PlayWaveBufferAndWait);
  MessageDir = WithBackslash(messageDir);
  LettersDir = WithBackslash(platform::GetProfileString("TRADUTOR", "DIRLETRAS", DefaultLettersDir, SettingCapacity, "ORALIS.INI"));
  LoadSpeedSettings(speed);
  EngineActive = false;
  if (SettingIsYes(ReadSetting("TRADUTOR", "SAPI"))) {
    int voice = static_cast<int>(Value("SERVFALA", "VOZ"));
    int rate = static_cast<int>(Value("SERVFALA", "VELOCIDADE"));
    int pitch = static_cast<int>(Value("SERVFALA", "TOM"));
    int type = static_cast<int>(Value("SERVFALA", "TIPOSAPI"));
    if (type != 4 && rate > 10) rate = 0;
    EngineActive = EngineStart(voice, rate, pitch, type);
  }
}

void EndSpeech() {
  WaitSpeechEnd();
  StopSpeech();
  if (EngineActive) {
    EngineClose();
    EngineActive = false;
  }
  FreeSynthData();
}
