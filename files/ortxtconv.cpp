#include "files/ortxtconv.h"

#include <vector>

#include "platform/codepage.h"

void ConvertBlock(char* bytes, std::size_t count, Direction direction) {
  if (direction == Direction::ToIbm) {
    platform::CharToOem(bytes, bytes, count);
    return;
  }
  platform::OemToChar(bytes, bytes, count);
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] == '\xE4') bytes[i] = '\xE3';
    else if (bytes[i] == '\xF6') bytes[i] = '\xF5';
  }
}

CopyResult ConvertCopy(platform::FileHandle source, platform::FileHandle target,
                       Direction direction) {
  std::vector<char> block(ConvertBlockSize);
  for (;;) {
    const std::int64_t count = platform::ReadFile(source, block.data(), block.size());
    if (count < 0) return CopyResult::ReadFailed;
    if (count == 0) return CopyResult::Done;
    const auto length = static_cast<std::size_t>(count);
    ConvertBlock(block.data(), length, direction);
    if (platform::WriteFile(target, block.data(), length) != count) return CopyResult::WriteFailed;
  }
}

ConvertResult ConvertFile(const std::string& source, const std::string& target,
                          Direction direction) {
  const platform::FileHandle input = platform::OpenFile(source, platform::OpenMode::Read);
  if (input < 0) return ConvertResult::SourceMissing;
  ConvertResult result = ConvertResult::SameFile;
  if (!platform::SameFile(source, target)) {
    const platform::FileHandle output = platform::OpenFile(target, platform::OpenMode::Create);
    if (output < 0) {
      result = ConvertResult::TargetFailed;
    } else {
      const CopyResult copy = ConvertCopy(input, output, direction);
      result = copy == CopyResult::Done         ? ConvertResult::Done
               : copy == CopyResult::ReadFailed ? ConvertResult::ReadFailed
                                                : ConvertResult::WriteFailed;
      platform::CloseFile(output);
    }
  }
  platform::CloseFile(input);
  return result;
}
