// Files and directories under Windows-style names, mapped onto the host.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Maps a name in the Windows code page to a host path (UTF-8): "\" and "/" both separate, a
// drive prefix "c:" maps to the root, and a component that does not exist with its exact letter
// case is looked up without regard to case. Relative names stay relative.
std::string HostPath(const std::string& name);
bool FileExists(const std::string& name);  // a plain file

enum : unsigned {
  AttrReadOnly = 0x01,
  AttrHidden = 0x02,  // the name begins with "."
  AttrSystem = 0x04,
  AttrVolume = 0x08,
  AttrDirectory = 0x10,
  AttrArchive = 0x20,  // every plain file
};

struct FindData {
  std::string name;       // long name, Windows code page
  std::string shortName;  // 8.3 alias; empty when name is a valid 8.3 name already
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // seconds since 1970, UTC
  unsigned attributes = 0;
};

// Directory search with a pattern such as "c:\dir\*.txt" ("*" and "?", without regard to case).
// FindFirst returns -1 when nothing matches.
using FindHandle = int;
FindHandle FindFirst(const std::string& pattern, FindData& found);
bool FindNext(FindHandle handle, FindData& found);
void FindClose(FindHandle handle);

std::string CurrentDirectory();  // Windows code page, host form ("/home/x")
bool SetCurrentDirectory(const std::string& name);

// Plain file access; handles are >= 0, -1 on failure. errno-style codes from LastFileError().
enum class OpenMode { Read, Write, Create };  // Create makes or empties the file
using FileHandle = int;
FileHandle OpenFile(const std::string& name, OpenMode mode);
std::int64_t ReadFile(FileHandle file, void* buffer, std::size_t count);  // -1 on error
std::int64_t WriteFile(FileHandle file, const void* buffer, std::size_t count);
bool SeekFile(FileHandle file, std::int64_t position);
std::int64_t FileSize(FileHandle file);
bool CloseFile(FileHandle file);
int LastFileError();
// True when both names lead to one file on disk (same device and inode).
bool SameFile(const std::string& first, const std::string& second);

}  // namespace platform
