// Internal helpers for stepping through code page 936 text character by character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velkoran::detail {

// A byte of 0x80 or more begins a two-byte character.
inline bool is_lead_byte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// Length of the character that starts at `pos`: 2 for a lead byte, else 1. A lead
// byte at the very end (a lone first half) still reports 2, which steps past the end.
inline std::size_t char_width(std::string_view text, std::size_t pos) {
  return is_lead_byte(text[pos]) ? 2 : 1;
}

// ASCII letters folded to lower case; every other byte unchanged.
inline char fold_ascii(char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

std::string fold_ascii_copy(std::string_view text);

// Finds occurrences of a needle that begin on character starts. The scan walks
// character starts from `start` (itself taken as a character start); candidate
// byte positions come from a linear substring search, so the whole walk costs
// time linear in the text.
class CharStartMatcher {
 public:
  // `haystack` and `needle` must already be folded alike when case is ignored;
  // `original` supplies the lead bytes (folding never changes a byte >= 0x80).
  CharStartMatcher(std::string_view haystack, std::string_view needle, std::size_t start)
      : haystack_(haystack), needle_(needle), cursor_(start) {}

  // The next character start at or after the cursor where the needle occurs and
  // ends at or before `limit` (exclusive end offset); npos when there is none.
  // Leaves the cursor on the match.
  std::size_t next(std::size_t limit);

  // Moves the cursor over `bytes` bytes (after a match that is consumed).
  void skip(std::size_t bytes) { cursor_ += bytes; }
  // Moves the cursor over the character at the cursor.
  void step() { cursor_ += char_width(haystack_, cursor_); }
  std::size_t cursor() const { return cursor_; }

 private:
  std::string_view haystack_;
  std::string_view needle_;
  std::size_t cursor_;
};

}  // namespace velkoran::detail
