// Operations on Bytes, conversions between Text and Bytes, TextArray access,
// and the small number helpers.
#pragma once

#include <cstdint>
#include <string>

#include "core/text.h"

namespace velkoran {

[[nodiscard]] Bytes text_to_bytes(const Text& text);
// The bytes before the first NUL: bytes_to_text(41 00 42) == "A".
[[nodiscard]] Text bytes_to_text(const Bytes& bytes);

[[nodiscard]] int bytes_length(const Bytes& bytes);
// First `count` bytes; count <= 0 gives empty, count >= length all.
[[nodiscard]] Bytes bytes_left(const Bytes& bytes, int count);
// Unlike text_mid: a start below 1 is taken as 1, a negative count as 0.
[[nodiscard]] Bytes bytes_mid(const Bytes& bytes, int start, int count);
// `count` zero bytes; empty for count <= 0.
[[nodiscard]] Bytes blank_bytes(int count);
// A copy of `length` bytes at `address`, which the caller guarantees readable.
[[nodiscard]] Bytes bytes_from_memory(const void* address, int length);

template <typename... Parts>
[[nodiscard]] Bytes bytes_concat(const Parts&... parts) {
  std::string joined;
  joined.reserve((parts.size() + ... + 0));
  (joined.append(parts.view()), ...);
  return Bytes(std::move(joined));
}

[[nodiscard]] int array_count(const TextArray& array);
// The element at 1-based `index`; outside 1 .. array_count is the fatal array_bounds_error.
[[nodiscard]] const Text& array_at(const TextArray& array, int index);
void array_append(TextArray& array, const Text& text);
void array_clear(TextArray& array);

// Ends the program with a report on stderr naming the bound that was crossed.
[[noreturn]] void array_bounds_error(int index, int count);

template <typename... Values>
[[nodiscard]] constexpr std::int32_t bit_or(std::int32_t first, Values... rest) {
  return (first | ... | static_cast<std::int32_t>(rest));
}

// Cuts toward zero: 2.5 -> 2, -2.5 -> -2. Out-of-range reals saturate.
[[nodiscard]] std::int64_t truncate_to_integer(double real);

}  // namespace velkoran
