// Helpers shared by the console tests: a Windows directory of the test's own with an ORALIS.INI
// written by the test, the headless backend started with a key script, and screen read-back.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "console/OrCrt.h"
#include "platform/backend.h"
#include "platform/codepage.h"

namespace console_test {

inline std::string A(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

// A folder under the build tree named after the running test.
inline std::string TestFolder() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string path = std::string(ORALIS_BINARY_DIR) + "/console_" + info->test_suite_name() + "_" +
                     info->name();
  std::filesystem::create_directories(path);
  return path;
}

// Writes ORALIS.INI (or removes it, for nothing) and points the Windows directory at it.
inline void UseIni(const std::optional<std::string>& ini) {
  std::string folder = TestFolder();
  std::string file = folder + "/ORALIS.INI";
  if (ini) std::ofstream(file, std::ios::binary) << *ini;
  else std::filesystem::remove(file);
  setenv("ORALIS_WINDIR", folder.c_str(), 1);
}

// Headless with a key script, and the console created from the given settings.
inline void StartConsole(const std::string& keyScript = "",
                         const std::optional<std::string>& ini = std::nullopt) {
  UseIni(ini);
  platform::StartHeadless(keyScript);
  EnsureConsole();
}

// Row (1-based) as stored on the screen, trailing blanks removed.
inline std::string Row(int row) {
  std::string text;
  for (int column = 1; column <= ScreenSize.columns; ++column) text += ScreenCharAt(column, row);
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

// The keys the queue holds now, in order.
inline std::string TakeQueued() {
  std::string keys;
  while (KeyWaiting()) keys += static_cast<char>(ReadKeyCode());
  return keys;
}

}  // namespace console_test
