// The block conversion of the converter, by function and through `oralis convert`.
#include "files/ortxtconv.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/codepage.h"

namespace {

std::string TempFolder() {
  char name[] = "/tmp/ortxtconv_XXXXXX";
  return mkdtemp(name);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string AllBytes() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

// What the platform's tables alone give, with the two replacements of "A".
std::string Expected(std::string bytes, Direction direction) {
  if (direction == Direction::ToIbm) {
    platform::CharToOem(bytes.data(), bytes.data(), bytes.size());
    return bytes;
  }
  platform::OemToChar(bytes.data(), bytes.data(), bytes.size());
  for (char& c : bytes) {
    if (c == '\xE4') c = '\xE3';
    if (c == '\xF6') c = '\xF5';
  }
  return bytes;
}

std::string Converted(std::string bytes, Direction direction) {
  ConvertBlock(bytes.data(), bytes.size(), direction);
  return bytes;
}

}  // namespace

TEST(ConvertBlock, TableOfBytesOnCodePage437) {
  platform::SetOemCodePage(437);
  const struct {
    Direction direction;
    std::string source, target;
  } cases[] = {
      {Direction::ToAnsi, "\x84\x94", "\xE3\xF5"},  // 437's "ä" and "ö" become "ã" and "õ"
      {Direction::ToAnsi, "\x82 e \x87", "\xE9 e \xE7"},
      {Direction::ToIbm, "\xE4\xF6", "\x84\x94"},  // no replacement towards IBM
      {Direction::ToIbm, "\xE9 e \xE7", "\x82 e \x87"},
      {Direction::ToIbm, "plain text\r\n", "plain text\r\n"},
      {Direction::ToAnsi, "plain text\r\n", "plain text\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Converted(c.source, c.direction), c.target) << c.source;
}

TEST(ConvertBlock, EveryByteGoesThroughThePlatformTablesInBothDirections) {
  for (int codePage : {850, 437, 860}) {
    platform::SetOemCodePage(codePage);
    for (Direction direction : {Direction::ToIbm, Direction::ToAnsi})
      EXPECT_EQ(Converted(AllBytes(), direction), Expected(AllBytes(), direction)) << codePage;
  }
}

TEST(ConvertFile, BlocksAcrossTheBoundaryAndEmptySources) {
  platform::SetOemCodePage(850);
  const std::string folder = TempFolder();
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, ConvertBlockSize, ConvertBlockSize + 1,
                           3 * ConvertBlockSize + 17}) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>((i * 7 + size) % 256);
    WriteAll(folder + "/in", bytes);
    WriteAll(folder + "/out", "old contents to be emptied");
    for (Direction direction : {Direction::ToIbm, Direction::ToAnsi}) {
      ASSERT_EQ(ConvertFile(folder + "/in", folder + "/out", direction), ConvertResult::Done);
      EXPECT_EQ(ReadAll(folder + "/out"), Expected(bytes, direction)) << size;
    }
  }
}

TEST(ConvertFile, FailuresLeaveTheSourceAlone) {
  const std::string folder = TempFolder();
  const std::string source = folder + "/in.txt";
  const std::string contents = "conte\xFA" "do\r\n";
  WriteAll(source, contents);
  ASSERT_EQ(link(source.c_str(), (folder + "/hard.txt").c_str()), 0);
  const struct {
    std::string source, target;
    ConvertResult result;
  } cases[] = {
      {source, source, ConvertResult::SameFile},
      {source, folder + "/./IN.TXT", ConvertResult::SameFile},  // spelt otherwise
      {source, folder + "/hard.txt", ConvertResult::SameFile},
      {folder + "/missing.txt", folder + "/out.txt", ConvertResult::SourceMissing},
      {source, folder + "/no folder/out.txt", ConvertResult::TargetFailed},
      {source, "/dev/full", ConvertResult::WriteFailed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConvertFile(c.source, c.target, Direction::ToAnsi), c.result) << c.target;
    EXPECT_EQ(ReadAll(source), contents) << c.target;
  }
  EXPECT_FALSE(platform::FileExists(folder + "/out.txt"));  // not created for a missing source
}

TEST(ConvertFile, ReadOnlySourceConverts) {
  const std::string folder = TempFolder();
  WriteAll(folder + "/in", "\x84");
  chmod((folder + "/in").c_str(), 0444);
  platform::SetOemCodePage(437);
  EXPECT_EQ(ConvertFile(folder + "/in", folder + "/out", Direction::ToAnsi), ConvertResult::Done);
  EXPECT_EQ(ReadAll(folder + "/out"), "\xE3");
}

namespace {

struct ToolRun {
  int status;
  std::string errors;
};

ToolRun Tool(const std::string& folder, const std::string& arguments) {
  const std::string errors = folder + "/errors.txt";
  const std::string command = "cd '" + folder + "' && env ORALIS_OEMCP=437 '" +
                              ORALIS_TOOL_PROGRAM + "' convert " + arguments + " 2>'" + errors +
                              "' >/dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(errors)};
}

}  // namespace

TEST(OralisConvert, ConvertsBothWaysAndSaysWhatFailed) {
  const std::string folder = TempFolder();
  WriteAll(folder + "/dos.txt", "\x84\x94 \x82\r\n");
  WriteAll(folder + "/win.txt", "\xE4\xE9\r\n");
  const struct {
    std::string arguments;
    int status;
    std::string message;  // part of the error text, empty for none
  } cases[] = {
      {"--to ansi dos.txt a.txt", 0, ""},
      {"--to ibm win.txt b.txt", 0, ""},
      {"--to ansi dos.txt dos.txt", 1, "the target is the source itself"},
      {"--to ansi dos.txt ./DOS.TXT", 1, "the target is the source itself"},
      {"--to ansi missing.txt c.txt", 1, "cannot open the source"},
      {"--to ansi dos.txt nowhere/c.txt", 1, "cannot create the target"},
      {"--to ansi dos.txt /dev/full", 1, "cannot write the target"},
      {"--to utf8 dos.txt c.txt", 2, "usage"},
      {"dos.txt c.txt", 2, "usage"},
      {"--to ansi dos.txt", 2, "usage"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(folder, c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    if (c.message.empty()) EXPECT_EQ(run.errors, "") << c.arguments;
    else EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.arguments << ": " << run.errors;
  }
  EXPECT_EQ(ReadAll(folder + "/a.txt"), "\xE3\xF5 \xE9\r\n");
  EXPECT_EQ(ReadAll(folder + "/b.txt"), "\x84\x82\r\n");
  EXPECT_EQ(ReadAll(folder + "/dos.txt"), "\x84\x94 \x82\r\n");
  EXPECT_FALSE(platform::FileExists(folder + "/c.txt"));
}
