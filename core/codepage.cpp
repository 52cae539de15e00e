// Conversions between code page 936 and other encodings.
//
// GBK <-> UTF-16 goes through lookup tables (gbk_table.h). Other character sets
// go through iconv in two stages via UTF-16, so that the two kinds of trouble
// are told apart: bytes that are invalid in the source character set (U+FFFD on
// the way in) and characters the target cannot represent ("?" on the way out).
#include "core/codepage.h"

#include "core/gbk_table.h"

#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace velkoran {
namespace {

constexpr const char* kUtf16 = "UTF-16LE";

// Opening a converter loads a character-set module; closing the last one
// unloads it again. Converters are therefore kept open per thread, and one
// converter of each common pair stays open for the life of the process, so
// the modules never come and go while workers convert side by side.
class ConverterCache {
 public:
  ConverterCache() = default;
  ConverterCache(const ConverterCache&) = delete;
  ConverterCache& operator=(const ConverterCache&) = delete;
  ~ConverterCache() {
    for (auto& entry : entries_) iconv_close(entry.handle);
  }

  // A converter from `from` to `to` in its initial state, or nullopt when iconv
  // knows neither name.
  std::optional<iconv_t> get(const char* from, const char* to) {
    std::string key = std::string(from) + '|' + to;
    for (auto& entry : entries_) {
      if (entry.key == key) {
        iconv(entry.handle, nullptr, nullptr, nullptr, nullptr);
        return entry.handle;
      }
    }
    const iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    if (entries_.size() == kMaxEntries) {
      iconv_close(entries_.front().handle);
      entries_.erase(entries_.begin());
    }
    entries_.push_back({std::move(key), handle});
    return handle;
  }

 private:
  static constexpr std::size_t kMaxEntries = 8;
  struct Entry {
    std::string key;
    iconv_t handle;
  };
  std::vector<Entry> entries_;
};

void keep_common_modules_loaded() {
  // Never closed, and reachable through this pointer, so not a leak either.
  static const auto* const anchors =
      new std::array<iconv_t, 2>{iconv_open(kUtf16, "UTF-8"), iconv_open("UTF-8", kUtf16)};
  (void)anchors;
}

std::optional<iconv_t> cached_converter(const char* from, const char* to) {
  keep_common_modules_loaded();
  thread_local ConverterCache cache;
  return cache.get(from, to);
}

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
  const std::optional<iconv_t> converter = cached_converter(from, to);
  if (!converter) return std::nullopt;

  std::string output;
  output.resize(input.size() * 2 + 16);
  std::size_t written = 0;
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  while (true) {
    char* out = output.data() + written;
    std::size_t out_left = output.size() - written;
    const std::size_t result = in_left == 0 ? iconv(*converter, nullptr, nullptr, &out, &out_left)
                                            : iconv(*converter, &in, &in_left, &out, &out_left);
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
      iconv(*converter, nullptr, nullptr, nullptr, nullptr);  // reset shift state
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
  const std::string units = to_utf16(utf8, "UTF-8").value_or(std::string{});
  return u16_to_gbk(units_from_bytes(units));
}

std::string utf8_from_gbk(const Text& gbk) {
  return from_utf16(units_as_bytes(gbk_to_u16(gbk.view())), "UTF-8").value_or(std::string{});
}

std::optional<Text> decode_to_gbk(std::string_view bytes, std::string_view charset_name) {
  // A name with a slash would pass conversion options to iconv; no charset has one.
  if (charset_name.empty() || charset_name.find('/') != std::string_view::npos) return std::nullopt;
  const std::string name(charset_name);
  const std::optional<std::string> units = to_utf16(bytes, name.c_str());
  if (!units) return std::nullopt;
  return u16_to_gbk(units_from_bytes(*units));
}

}  // namespace velkoran
