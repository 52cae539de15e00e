// to_integer and truncate_to_integer.
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/bytes_ops.h"
#include "core/gbk_scan.h"
#include "core/text_ops.h"

namespace velkoran {
namespace {

// Full-width forms that read as their ASCII counterparts; 0 when the character stays.
char ascii_for_full_width(unsigned char first, unsigned char second) {
  if (first == 0xA1) {
    if (second == 0xA1) return ' ';
    if (second == 0xAB) return '~';
    if (second == 0xEE || second == 0xEF) return '*';
  }
  if (first == 0xA3 && second >= 0xA1 && second <= 0xFE) return static_cast<char>(second - 0x80);
  return 0;
}

std::string normalise_full_width(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (std::size_t pos = 0; pos < t.size();) {
    if (!detail::is_lead_byte(t[pos])) {
      out.push_back(t[pos++]);
      continue;
    }
    if (pos + 1 == t.size()) break;  // a lone first half is dropped
    const char ascii = ascii_for_full_width(static_cast<unsigned char>(t[pos]),
                                            static_cast<unsigned char>(t[pos + 1]));
    if (ascii != 0) {
      out.push_back(ascii);
    } else {
      out.append(t.substr(pos, 2));
    }
    pos += 2;
  }
  return out;
}

bool is_space(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

}  // namespace

std::int32_t to_integer(const Text& text) {
  const std::string normalised = normalise_full_width(text.view());
  std::size_t pos = 0;
  while (pos < normalised.size() && is_space(normalised[pos])) ++pos;
  bool negative = false;
  if (pos < normalised.size() && (normalised[pos] == '+' || normalised[pos] == '-')) {
    negative = normalised[pos] == '-';
    ++pos;
  }
  // Unsigned arithmetic wraps: a number beyond 32 bits keeps its low 32 bits.
  std::uint32_t value = 0;
  for (; pos < normalised.size() && normalised[pos] >= '0' && normalised[pos] <= '9'; ++pos) {
    value = value * 10u + static_cast<std::uint32_t>(normalised[pos] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int64_t truncate_to_integer(double real) {
  if (std::isnan(real)) return 0;
  constexpr double kMax = 9223372036854775807.0;
  if (real >= kMax) return std::numeric_limits<std::int64_t>::max();
  if (real <= -kMax) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::trunc(real));
}

}  // namespace velkoran
