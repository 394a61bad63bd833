#include <gtest/gtest.h>

#include <string>

#include "console/OrCrt.h"
#include "platform/backend.h"
#include "speech/oredit.h"

TEST(LineEditor, TextComesBackWithLeadingBlanksWithoutTrailingOnes) {
  platform::StartHeadless("type   ab  \nkey Enter\n");
  std::string text;
  MoveCursor(1, 3);
  EXPECT_EQ(EditField(text, 1, 3, 20, 20, true), 13);
  EXPECT_EQ(text, "  ab");
}

TEST(LineEditor, EscapeInReadLineBlanksTheField) {
  platform::StartHeadless("type abc\nkey Esc\n");
  MoveCursor(1, 5);
  std::string text = "x";
  ReadLine(text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ScreenCharAt(1, 5), ' ');
  EXPECT_EQ(ScreenCharAt(3, 5), ' ');
}
