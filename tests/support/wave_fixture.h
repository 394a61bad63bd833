// What tests of sound compare with the trace: the CRC-32 of a block as the wave device writes it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::uint32_t Crc32(const std::vector<std::uint8_t>& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

// Eight lower-case hex digits, as in "wave-block BYTES CRC32".
inline std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}
