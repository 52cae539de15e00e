// Conversions between code page 936 and other encodings.
//
// GBK <-> UTF-16 goes through lookup tables (gbk_table.h). Other character sets
// go through the platform's converters (charset.h) via UTF-16, so that the two
// kinds of trouble are told apart: bytes that are invalid in the source
// character set (U+FFFD on the way in) and characters GBK cannot represent
// ("?" on the way out).
#include "core/codepage.h"

#include "core/charset.h"
#include "core/gbk_table.h"

#include <string>

namespace velkoran {
namespace {

std::string units_as_bytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// UTF-16LE bytes to units; an odd last byte is ignored.
std::u16string units_from_bytes(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return units;
}

}  // namespace

Bytes text_to_utf16(const Text& text, bool drop_terminator) {
  if (text.empty()) return {};
  std::string bytes = units_as_bytes(gbk_to_u16(text.view()));
  if (!drop_terminator) bytes.append(2, '\0');
  return Bytes(std::move(bytes));
}

Text utf16_to_text(const Bytes& data) {
  std::u16string units = units_from_bytes(data.view());
  // The text ends at the first zero character.
  const std::size_t zero = units.find(u'\0');
  if (zero != std::u16string::npos) units.resize(zero);
  return u16_to_gbk(units);
}

std::u16string gbk_to_u16(std::string_view gbk) {
  std::u16string units;
  detail::append_gbk_as_utf16(gbk, units);
  return units;
}

Text u16_to_gbk(std::u16string_view units) {
  std::string gbk;
  detail::append_utf16_as_gbk(units, gbk);
  return Text(std::move(gbk));
}

Text gbk_from_utf8(std::string_view utf8) {
  return u16_to_gbk(detail::decode_charset(utf8, "UTF-8").value_or(std::u16string{}));
}

std::string utf8_from_gbk(const Text& gbk) { return detail::encode_utf8(gbk_to_u16(gbk.view())); }

std::optional<Text> decode_to_gbk(std::string_view bytes, std::string_view charset_name) {
  if (charset_name.empty()) return std::nullopt;
  const std::optional<std::u16string> units = detail::decode_charset(bytes, charset_name);
  if (!units) return std::nullopt;
  return u16_to_gbk(*units);
}

}  // namespace velkoran
