// Code page 936 conversions over iconv.
//
// Every conversion goes through UTF-16 in two stages, so that the two kinds of
// trouble are told apart: bytes that are invalid in the source character set
// (replaced by U+FFFD on the way in) and characters the target cannot represent
// (replaced by "?" on the way out).
#include "core/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <cstring>

namespace velkoran {
namespace {

constexpr const char* kGbk = "CP936";
constexpr const char* kUtf16 = "UTF-16LE";

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

// How many input bytes a rejected sequence spans, given the rest of the input.
using SkipRule = std::size_t (*)(std::string_view rest);

std::size_t skip_one_byte(std::string_view) { return 1; }

// One UTF-16LE unit, or a whole surrogate pair when one starts here.
std::size_t skip_utf16_character(std::string_view rest) {
  if (rest.size() < 4) return rest.size() < 2 ? rest.size() : 2;
  const auto unit = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(rest[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(rest[at + 1])) << 8;
  };
  const bool pair =
      unit(0) >= 0xD800 && unit(0) <= 0xDBFF && unit(2) >= 0xDC00 && unit(2) <= 0xDFFF;
  return pair ? 4 : 2;
}

// Converts all of `input`; a sequence iconv rejects becomes `replacement`.
// nullopt only when iconv does not know one of the two character sets.
std::optional<std::string> convert(const char* from, const char* to, std::string_view input,
                                   std::string_view replacement, SkipRule skip) {
  IconvHandle converter(to, from);
  if (!converter.valid()) return std::nullopt;

  std::string output;
  output.resize(input.size() * 2 + 16);
  std::size_t written = 0;
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  while (true) {
    char* out = output.data() + written;
    std::size_t out_left = output.size() - written;
    const std::size_t result = in_left == 0
                                   ? iconv(converter.get(), nullptr, nullptr, &out, &out_left)
                                   : iconv(converter.get(), &in, &in_left, &out, &out_left);
    written = output.size() - out_left;
    if (result != static_cast<std::size_t>(-1)) {
      if (in_left == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      output.resize(output.size() * 2 + 16);
      continue;
    }
    // EILSEQ or EINVAL: an invalid, unrepresentable or incomplete sequence.
    if (output.size() - written < replacement.size()) output.resize(output.size() * 2 + 16);
    std::memcpy(output.data() + written, replacement.data(), replacement.size());
    written += replacement.size();
    const std::size_t skipped = std::min(in_left, std::max<std::size_t>(1, skip({in, in_left})));
    in += skipped;
    in_left -= skipped;
    if (in_left == 0) {
      iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);  // reset shift state
      break;
    }
  }
  output.resize(written);
  return output;
}

constexpr std::string_view kUtf16Replacement{"\xFD\xFF", 2};  // U+FFFD

// Source bytes in `charset` to UTF-16LE; invalid bytes become U+FFFD one at a time.
std::optional<std::string> to_utf16(std::string_view bytes, const char* charset) {
  return convert(charset, kUtf16, bytes, kUtf16Replacement, skip_one_byte);
}

// UTF-16LE to `charset`; characters it cannot hold become "?".
std::optional<std::string> from_utf16(std::string_view units, const char* charset) {
  return convert(kUtf16, charset, units, "?", skip_utf16_character);
}

std::string units_as_bytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace

Bytes text_to_utf16(const Text& text, bool drop_terminator) {
  if (text.empty()) return {};
  std::string units = to_utf16(text.view(), kGbk).value_or(std::string{});
  if (!drop_terminator) units.append(2, '\0');
  return Bytes(std::move(units));
}

Text utf16_to_text(const Bytes& data) {
  std::string_view units = data.view();
  units = units.substr(0, units.size() / 2 * 2);
  // The text ends at the first zero character.
  for (std::size_t at = 0; at < units.size(); at += 2) {
    if (units[at] == 0 && units[at + 1] == 0) {
      units = units.substr(0, at);
      break;
    }
  }
  return Text(from_utf16(units, kGbk).value_or(std::string{}));
}

std::u16string gbk_to_u16(std::string_view gbk) {
  const std::string bytes = to_utf16(gbk, kGbk).value_or(std::string{});
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return units;
}

Text u16_to_gbk(std::u16string_view units) {
  return Text(from_utf16(units_as_bytes(units), kGbk).value_or(std::string{}));
}

Text gbk_from_utf8(std::string_view utf8) {
  const std::string units = to_utf16(utf8, "UTF-8").value_or(std::string{});
  return Text(from_utf16(units, kGbk).value_or(std::string{}));
}

std::string utf8_from_gbk(const Text& gbk) {
  const std::string units = to_utf16(gbk.view(), kGbk).value_or(std::string{});
  return from_utf16(units, "UTF-8").value_or(std::string{});
}

std::optional<Text> decode_to_gbk(std::string_view bytes, std::string_view charset_name) {
  // A name with a slash would pass conversion options to iconv; no charset has one.
  if (charset_name.empty() || charset_name.find('/') != std::string_view::npos) return std::nullopt;
  const std::string name(charset_name);
  const std::optional<std::string> units = to_utf16(bytes, name.c_str());
  if (!units) return std::nullopt;
  return Text(from_utf16(*units, kGbk).value_or(std::string{}));
}

}  // namespace velkoran
