// Code pages: Windows 1252 inside the system, an OEM code page for "IBM" text, UTF-8 on the host.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

// 850 (the default), 437 or 860, from ORALIS_OEMCP; any other value falls back to 850.
int OemCodePage();
void SetOemCodePage(int codePage);  // tests

// Buffer conversions of the same length, in place allowed (source == dest).
// A character without an equivalent gets the best fit: the unaccented letter, the plain ASCII
// quote or dash, else "?".
void CharToOem(const char* source, char* dest, std::size_t length);
void OemToChar(const char* source, char* dest, std::size_t length);

// Capitals of a-z and of the accented letters of 1252 ("ã" -> "Ã"); other bytes unchanged.
std::string AnsiUpperCase(const std::string& text);
// The plain letter of an accented letter ("Ã" -> "A"), c itself for ASCII, 0 for other bytes.
char AnsiBaseLetter(char c);

// Host boundaries: file names, the trace, the screen dump, the host clipboard, arguments.
std::string AnsiToUtf8(const std::string& ansi);
// Characters outside 1252 become "?"; malformed UTF-8 bytes are taken as 1252 bytes.
std::string Utf8ToAnsi(const std::string& utf8);

}  // namespace platform
