// Conversions between code page 936 and other encodings.
//
// GBK <-> UTF-16 goes through lookup tables (gbk_table.h). Other character sets
// go through the platform's converters (charset.h) via UTF-16, so that the two
// kinds of trouble are told apart: bytes that are invalid in the source
// character set (U+FFFD on the way in) and characters GBK cannot represent
// ("?" on the way out). Some names never reach a platform converter, so that
// they decode alike everywhere: the names of code page 936 itself (the GBK
// tables: a page that is GBK already comes back as it is), and those of UTF-16
// and of ASCII, which need no table (Windows' ASCII code page would read a
// byte above 0x7F as the ASCII character of its low seven bits).
#include "core/codepage.h"

#include "core/charset.h"
#include "core/gbk_table.h"
#include "core/utf16le.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

namespace velkoran {
namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

// Names under which pages declare code page 936 (GB2312 pages are GBK pages:
// GBK is GB2312 with more characters).
constexpr std::string_view kCodePage936Names[] = {
    "gbk", "gb2312", "cp936", "ms936", "windows-936", "x-gbk", "euc-cn", "csgb2312", "gb_2312-80",
};

bool names_code_page_936(std::string_view name) {
  return std::any_of(std::begin(kCodePage936Names), std::end(kCodePage936Names),
                     [&](std::string_view known) { return same_name(known, name); });
}

bool names_ascii(std::string_view name) {
  return same_name(name, "us-ascii") || same_name(name, "ascii");
}

// A byte above 0x7F is no ASCII: it becomes U+FFFD.
std::u16string decode_ascii(std::string_view bytes) {
  std::u16string units(bytes.size(), u'\0');
  std::transform(bytes.begin(), bytes.end(), units.begin(), [](char byte) {
    return static_cast<unsigned char>(byte) < 0x80 ? static_cast<char16_t>(byte) : u'\uFFFD';
  });
  return units;
}

enum class ByteOrder { little_endian, big_endian, from_bom };

// "utf-16le" and "utf-16be" fix the byte order and take a leading FF FE or
// FE FF as a character (U+FEFF); plain "utf-16" takes it as the byte order
// mark and drops it, and without one reads big-endian.
std::optional<ByteOrder> utf16_byte_order(std::string_view name) {
  if (same_name(name, "utf-16le")) return ByteOrder::little_endian;
  if (same_name(name, "utf-16be")) return ByteOrder::big_endian;
  if (same_name(name, "utf-16")) return ByteOrder::from_bom;
  return std::nullopt;
}

// An odd last byte becomes U+FFFD.
std::u16string decode_utf16(std::string_view bytes, ByteOrder order) {
  bool big_endian = order == ByteOrder::big_endian;
  if (order == ByteOrder::from_bom) {
    big_endian = true;
    if (bytes.size() >= 2 &&
        (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
      big_endian = bytes[0] == '\xFE';
      bytes.remove_prefix(2);
    }
  }
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
  }
  if (bytes.size() % 2 != 0) units.push_back(u'\uFFFD');
  return units;
}

}  // namespace

Bytes text_to_utf16(const Text& text, bool drop_terminator) {
  if (text.empty()) return {};
  std::string bytes = detail::utf16le_bytes(gbk_to_u16(text.view()));
  if (!drop_terminator) bytes.append(2, '\0');
  return Bytes(std::move(bytes));
}

Text utf16_to_text(const Bytes& data) {
  std::u16string units = detail::utf16le_units(data.view());
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
  if (names_code_page_936(charset_name)) return u16_to_gbk(gbk_to_u16(bytes));
  if (const std::optional<ByteOrder> order = utf16_byte_order(charset_name)) {
    return u16_to_gbk(decode_utf16(bytes, *order));
  }
  if (names_ascii(charset_name)) return u16_to_gbk(decode_ascii(bytes));
  const std::optional<std::u16string> units = detail::decode_charset(bytes, charset_name);
  if (!units) return std::nullopt;
  return u16_to_gbk(*units);
}

}  // namespace velkoran
