// The character-set converters over iconv (glibc).
#include "core/charset.h"
#include "core/utf16le.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace velkoran::detail {
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
  // Once the input is used up, a last call without input lets a converter
  // hand out what it still holds (a decoder that waits for a combining mark
  // after a letter, as CP1258's does) and return to its initial state.
  bool flushing = in_left == 0;
  while (true) {
    char* out = output.data() + written;
    std::size_t out_left = output.size() - written;
    const std::size_t result = flushing ? iconv(*converter, nullptr, nullptr, &out, &out_left)
                                        : iconv(*converter, &in, &in_left, &out, &out_left);
    written = output.size() - out_left;
    if (result != static_cast<std::size_t>(-1)) {
      if (flushing) break;
      flushing = in_left == 0;
      continue;
    }
    if (errno == E2BIG) {
      output.resize(output.size() * 2 + 16);
      continue;
    }
    if (flushing) {
      iconv(*converter, nullptr, nullptr, nullptr, nullptr);  // give up what it held
      break;
    }
    // EILSEQ or EINVAL: an invalid, unrepresentable or incomplete sequence.
    if (output.size() - written < replacement.size()) output.resize(output.size() * 2 + 16);
    std::memcpy(output.data() + written, replacement.data(), replacement.size());
    written += replacement.size();
    const std::size_t skipped = std::min(in_left, std::max<std::size_t>(1, skip({in, in_left})));
    in += skipped;
    in_left -= skipped;
    flushing = in_left == 0;
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

// Converts one short sequence strictly; empty when iconv rejects any of it.
std::string convert_one(const char* from, const char* to, std::string_view input) {
  const std::optional<iconv_t> converter = cached_converter(from, to);
  if (!converter) return {};
  char buffer[8];
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  char* out = buffer;
  std::size_t out_left = sizeof buffer;
  if (iconv(*converter, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) ||
      in_left != 0) {
    return {};
  }
  return std::string(buffer, out - buffer);
}

// Names pages use that iconv knows under another name.
constexpr std::pair<std::string_view, const char*> kOtherNames[] = {
    {"latin-1", "ISO-8859-1"},
    {"x-sjis", "SHIFT_JIS"},
    {"ks_c_5601-1987", "CP949"},
};

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

std::optional<std::u16string> decode_charset(std::string_view bytes, std::string_view charset) {
  // A name with a slash would pass conversion options to iconv; no charset has one.
  if (charset.empty() || charset.find('/') != std::string_view::npos) return std::nullopt;
  std::string name(charset);
  for (const auto& [page_name, iconv_name] : kOtherNames) {
    if (same_name(charset, page_name)) name = iconv_name;
  }
  const std::optional<std::string> units = to_utf16(bytes, name.c_str());
  if (!units) return std::nullopt;
  return utf16le_units(*units);
}

std::string encode_utf8(std::u16string_view units) {
  return from_utf16(utf16le_bytes(units), "UTF-8").value_or(std::string{});
}

char16_t cp936_decode_one(std::string_view code) {
  const std::string unit = convert_one("CP936", kUtf16, code);
  if (unit.size() != 2) return 0;
  return static_cast<char16_t>(static_cast<unsigned char>(unit[0]) |
                               static_cast<unsigned char>(unit[1]) << 8);
}

}  // namespace velkoran::detail
