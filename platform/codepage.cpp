// Code pages: byte tables between 1252 and the OEM code page, and UTF-8 at the host boundary.
#include "platform/codepage.h"

#include <cstdlib>

namespace platform {
namespace {

#include "platform/codepage_tables.inc"

struct OemTables {
  int codePage;
  const unsigned char* ansiToOem;
  const unsigned char* oemToAnsi;
};

const OemTables kOemPages[] = {
    {850, kAnsiToOem850, kOemToAnsi850},
    {437, kAnsiToOem437, kOemToAnsi437},
    {860, kAnsiToOem860, kOemToAnsi860},
};

const OemTables* current = nullptr;  // chosen at the first conversion

const OemTables& TablesFor(int codePage) {
  for (const OemTables& t : kOemPages)
    if (t.codePage == codePage) return t;
  return kOemPages[0];
}

const OemTables& Current() {
  if (!current) {
    const char* value = std::getenv("ORALIS_OEMCP");
    current = &TablesFor(value ? std::atoi(value) : 0);
  }
  return *current;
}

void Translate(const unsigned char* table, const char* source, char* dest, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    dest[i] = static_cast<char>(table[static_cast<unsigned char>(source[i])]);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one well-formed UTF-8 sequence at text[i]; returns its length in bytes, or 0 when the
// bytes there are not one (stray continuation, truncation, overlong form, surrogate, > U+10FFFF).
std::size_t DecodeUtf8(const std::string& text, std::size_t i, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, c = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// The 1252 byte of a Unicode character, or "?" when 1252 has none.
char AnsiOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (unsigned k = 0; k < 32; ++k)
    if (kAnsiHighUnicode[k] == c) return static_cast<char>(0x80 + k);
  return '?';
}

}  // namespace

int OemCodePage() { return Current().codePage; }

void SetOemCodePage(int codePage) { current = &TablesFor(codePage); }

void CharToOem(const char* source, char* dest, std::size_t length) {
  Translate(Current().ansiToOem, source, dest, length);
}

void OemToChar(const char* source, char* dest, std::size_t length) {
  Translate(Current().oemToAnsi, source, dest, length);
}

std::string AnsiUpperCase(const std::string& text) {
  std::string out(text.size(), '\0');
  Translate(kAnsiUpper, text.data(), out.data(), text.size());
  return out;
}

char AnsiBaseLetter(char c) { return static_cast<char>(kAnsiBaseLetter[static_cast<unsigned char>(c)]); }

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char ch : ansi) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kAnsiHighUnicode[b - 0x80] : b);
  }
  return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c;
    const std::size_t length = DecodeUtf8(utf8, i, c);
    if (length == 0) {
      out += utf8[i++];  // not UTF-8: the byte is taken as 1252 already
    } else {
      out += AnsiOf(c);
      i += length;
    }
  }
  return out;
}

}  // namespace platform
