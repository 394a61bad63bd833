// Profile files (sections of key=value lines) and the Windows directory.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

// ORALIS_WINDIR, else $XDG_CONFIG_HOME/oralis, else ~/.config/oralis; no trailing separator.
std::string WindowsDirectory();

// The value of key in section of file, or defaultValue when the file, section or key is
// missing; cut to bufferSize - 1 bytes. Sections and keys match without regard to case; the
// first of duplicate keys wins. A bare file name (no separator) is looked for in the Windows
// directory. Texts in the Windows code page.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, std::size_t bufferSize,
                             const std::string& file);

}  // namespace platform
