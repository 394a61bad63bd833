#include <gtest/gtest.h>

#include <string>

#include "platform/program.h"

using namespace platform;

TEST(Program, PathNamesThisTestProgram) {
  std::string path = ProgramPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("test_platform"), std::string::npos) << path;
}
