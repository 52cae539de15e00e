// UTF-16 units as little-endian bytes and back: the layout of wide strings
// handed to and taken from the platform.
#pragma once

#include <string>
#include <string_view>

namespace velkoran::detail {

// Two bytes per unit, low byte first.
[[nodiscard]] inline std::string utf16le_bytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// The units of UTF-16LE bytes; an odd last byte is ignored.
[[nodiscard]] inline std::u16string utf16le_units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return units;
}

}  // namespace velkoran::detail
