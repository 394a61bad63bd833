// Helpers shared by the text-to-speech tests: UTF-8 literals to the Windows code page and back,
// and small data files written by the test itself.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/codepage.h"

namespace tts_test {

inline std::string A(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }
inline std::string U(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

// Writes a fixture file (content given in UTF-8, stored in the Windows code page) under the build
// folder, named after the running test so that tests in parallel never share one.
inline std::string WriteFixture(const std::string& suffix, const std::string& utf8) {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  const std::string path = std::string(ORALIS_BINARY_DIR) + "/tts_" + info->test_suite_name() +
                           "_" + info->name() + suffix;
  std::ofstream(path, std::ios::binary) << A(utf8);
  return path;
}

}  // namespace tts_test
