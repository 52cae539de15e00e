// Operations on Text: lengths, slices, searches, replacement, splitting, trimming,
// comparison and number parsing.
//
// Slicing (text_left, text_right, text_mid) counts plain bytes and may cut a
// two-byte character in half. Searching, replacing, splitting and trimming step
// by characters: a byte of 0x80 or more begins a two-byte character, so a match
// never starts on a character's second half.
//
// No operation fails on a position or count outside its Text: it is clipped.
// A search that finds nothing returns -1.
#pragma once

#include <cstdint>
#include <optional>

#include "core/text.h"

namespace velkoran {

[[nodiscard]] int text_length(const Text& text);
[[nodiscard]] bool text_equals(const Text& a, const Text& b);

// Joins the parts in order: text_concat("a", b, "c").
template <typename... Parts>
[[nodiscard]] Text text_concat(const Parts&... parts) {
  std::string joined;
  joined.reserve((Text(parts).size() + ... + 0));
  (joined.append(Text(parts).view()), ...);
  return Text(std::move(joined));
}

// First `count` bytes; count <= 0 gives empty, count >= length the whole text.
[[nodiscard]] Text text_left(const Text& text, int count);
// Last `count` bytes, clipped like text_left.
[[nodiscard]] Text text_right(const Text& text, int count);
// `count` bytes from 1-based `start`; empty when start < 1, start > length or count <= 0.
[[nodiscard]] Text text_mid(const Text& text, int start, int count);

// 1-based position of the first occurrence of `sought` from `start_position`
// (omitted, 0 or negative: from byte 1), or -1. An empty `sought` gives 1 when
// the searched stretch holds a byte. ignore_case folds ASCII letters only.
//   find_text("\xB0\xA1\xA1\xA1", "\xA1\xA1") == 3   (never 2: a second half)
[[nodiscard]] int find_text(const Text& text, const Text& sought,
                            std::optional<int> start_position = std::nullopt,
                            bool ignore_case = false);

// 1-based position of the last occurrence that ends before `start_position`
// (omitted: the whole text), or -1.
//   find_text_reverse("abcabc", "abc") == 4; with start_position 6: 1
[[nodiscard]] int find_text_reverse(const Text& text, const Text& sought,
                                    std::optional<int> start_position = std::nullopt,
                                    bool ignore_case = false);

// Replaces occurrences of `target`, left to right, never overlapping, starting at
// `start_position` (omitted/<=0: byte 1). An omitted or negative `count` replaces
// all; count 0 changes nothing.
//   replace_subtext("aaa", "aa", "b", true) == "ba"
[[nodiscard]] Text replace_subtext(const Text& text, const Text& target, const Text& replacement,
                                   std::optional<int> start_position, std::optional<int> count,
                                   bool case_sensitive);
// Every occurrence from the first byte.
[[nodiscard]] Text replace_subtext(const Text& text, const Text& target, const Text& replacement,
                                   bool case_sensitive);

// Pieces between separators: "a;;b" -> {a, "", b}; ";a" -> {"", a}; "a;" -> {a};
// "" -> {}; an empty separator gives the whole text as one piece.
[[nodiscard]] TextArray split_text(const Text& text, const Text& separator);

// Blanks are exactly 0x20 and the full-width space A1 A1; tabs and line breaks stay.
[[nodiscard]] Text trim_both_ends(const Text& text);
[[nodiscard]] Text remove_all_spaces(const Text& text);

// 0 when equal; the sign orders a against b. Without case_sensitive, ASCII letters fold.
[[nodiscard]] int compare_text(const Text& a, const Text& b, bool case_sensitive);

// The decimal number at the start of text, after full-width forms are made ASCII
// and leading white space is skipped. 32-bit wrap-around; no digit gives 0.
//   to_integer("\xA3\xB1\xA3\xB2") == 12; to_integer("1.5") == 1
[[nodiscard]] std::int32_t to_integer(const Text& text);

}  // namespace velkoran
