// Block conversion of text files between the Windows code page ("ANSI") and the OEM code page
// ("IBM"). Shared by the spoken converter and the scripting tool, so it speaks nothing and
// depends on the platform alone.
#pragma once
#include <cstddef>
#include <string>

#include "platform/files.h"

constexpr std::size_t ConvertBlockSize = 4096;  // bytes read and written at a time

enum class Direction { ToIbm, ToAnsi };

// Converts count bytes in place. ToAnsi also turns "ä" (228) into "ã" (227) and "ö" (246) into
// "õ" (245) after the code-page conversion; ToIbm has no replacement of its own.
void ConvertBlock(char* bytes, std::size_t count, Direction direction);

enum class CopyResult { Done, ReadFailed, WriteFailed };

// Reads the source to its end in blocks, converting each one and writing it to the target.
// Stops at the first failure; the target keeps the blocks written before.
CopyResult ConvertCopy(platform::FileHandle source, platform::FileHandle target,
                       Direction direction);

enum class ConvertResult { Done, SourceMissing, SameFile, TargetFailed, ReadFailed, WriteFailed };

// The whole conversion of one file by name. The target is created (or emptied) only after the
// source is open and known not to be the same file, so the source is never lost.
ConvertResult ConvertFile(const std::string& source, const std::string& target,
                          Direction direction);
