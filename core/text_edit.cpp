// Slicing, replacing, splitting, trimming and comparing Text.
#include <cstdint>

#include "core/bytes_ops.h"
#include "core/gbk_scan.h"
#include "core/text_ops.h"

namespace velkoran {
namespace {

constexpr char kFullWidthSpaceByte = '\xA1';

bool is_full_width_space(std::string_view text, std::size_t pos) {
  return pos + 1 < text.size() && text[pos] == kFullWidthSpaceByte &&
         text[pos + 1] == kFullWidthSpaceByte;
}

}  // namespace

int text_length(const Text& text) { return static_cast<int>(text.size()); }

bool text_equals(const Text& a, const Text& b) { return a == b; }

Text text_left(const Text& text, int count) {
  if (count <= 0) return {};
  return Text(text.view().substr(0, static_cast<std::size_t>(count)));
}

Text text_right(const Text& text, int count) {
  if (count <= 0) return {};
  const std::size_t n = static_cast<std::size_t>(count);
  if (n >= text.size()) return text;
  return Text(text.view().substr(text.size() - n));
}

Text text_mid(const Text& text, int start, int count) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || count <= 0) return {};
  return Text(
      text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

Text replace_subtext(const Text& text, const Text& target, const Text& replacement,
                     bool case_sensitive) {
  return replace_subtext(text, target, replacement, std::nullopt, std::nullopt, case_sensitive);
}

Text replace_subtext(const Text& text, const Text& target, const Text& replacement,
                     std::optional<int> start_position, std::optional<int> count,
                     bool case_sensitive) {
  const std::string_view original = text.view();
  const std::size_t length = original.size();
  const std::size_t m = target.size();
  const std::size_t offset =
      (start_position && *start_position >= 1) ? static_cast<std::size_t>(*start_position) - 1 : 0;
  const bool limited = count && *count >= 0;
  if (length == 0 || m == 0 || offset >= length || (limited && *count == 0)) return text;

  std::string folded_text, folded_target;
  std::string_view haystack = original, needle = target.view();
  if (!case_sensitive) {
    folded_text = detail::fold_ascii_copy(original);
    folded_target = detail::fold_ascii_copy(target.view());
    haystack = folded_text;
    needle = folded_target;
  }

  std::string result;
  result.reserve(length);
  result.append(original.substr(0, offset));
  detail::CharStartMatcher matcher(haystack, needle, offset);
  std::size_t copied_up_to = offset;
  int replaced = 0;
  bool used_up = false;
  for (std::size_t hit; (hit = matcher.next(length)) != std::string_view::npos;) {
    result.append(original.substr(copied_up_to, hit - copied_up_to));
    result.append(replacement.view());
    matcher.skip(m);
    copied_up_to = hit + m;
    if (limited && ++replaced == *count) {
      used_up = true;
      break;
    }
  }
  std::string_view rest = original.substr(copied_up_to);
  // The scan reaches a lone first half at the end only while one byte still
  // suffices for a comparison; there it cannot step over a whole character and
  // leaves the byte out.
  if (!used_up && m == 1 && !rest.empty() && detail::is_lead_byte(original.back())) {
    while (matcher.cursor() < length - 1) matcher.step();
    if (matcher.cursor() == length - 1) rest.remove_suffix(1);
  }
  result.append(rest);
  return Text(std::move(result));
}

TextArray split_text(const Text& text, const Text& separator) {
  TextArray pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    array_append(pieces, text);
    return pieces;
  }
  const std::string_view whole = text.view();
  detail::CharStartMatcher matcher(whole, separator.view(), 0);
  std::size_t piece_start = 0;
  for (std::size_t hit; (hit = matcher.next(whole.size())) != std::string_view::npos;) {
    pieces.items().emplace_back(whole.substr(piece_start, hit - piece_start));
    matcher.skip(separator.size());
    piece_start = hit + separator.size();
  }
  if (piece_start < whole.size()) pieces.items().emplace_back(whole.substr(piece_start));
  return pieces;
}

Text trim_both_ends(const Text& text) {
  const std::string_view t = text.view();
  std::size_t start = 0;
  while (start < t.size()) {
    if (t[start] == ' ') {
      start += 1;
    } else if (is_full_width_space(t, start)) {
      start += 2;
    } else {
      break;
    }
  }
  std::size_t end = t.size();
  std::size_t blank_run_start = std::string_view::npos;
  for (std::size_t pos = start; pos < t.size();) {
    if (pos + 1 == t.size() && detail::is_lead_byte(t[pos])) {
      // A lone first half ends the text: drop it, keep the blanks before it.
      end = pos;
      blank_run_start = std::string_view::npos;
      break;
    }
    const bool blank = t[pos] == ' ' || is_full_width_space(t, pos);
    if (!blank) {
      blank_run_start = std::string_view::npos;
    } else if (blank_run_start == std::string_view::npos) {
      blank_run_start = pos;
    }
    pos += detail::char_width(t, pos);
  }
  if (blank_run_start != std::string_view::npos) end = blank_run_start;
  return Text(t.substr(start, end - start));
}

Text remove_all_spaces(const Text& text) {
  const std::string_view t = text.view();
  std::string kept;
  kept.reserve(t.size());
  for (std::size_t pos = 0; pos < t.size();) {
    if (detail::is_lead_byte(t[pos])) {
      if (pos + 1 == t.size()) break;  // a lone first half is dropped
      if (!is_full_width_space(t, pos)) kept.append(t.substr(pos, 2));
      pos += 2;
    } else {
      if (t[pos] != ' ') kept.push_back(t[pos]);
      pos += 1;
    }
  }
  return Text(std::move(kept));
}

int compare_text(const Text& a, const Text& b, bool case_sensitive) {
  // Here two-byte characters start at 0x81; a lone first half counts as the end.
  auto is_first_half = [](char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value >= 0x81 && value <= 0xFE;
  };
  auto at_end = [&](std::string_view t, std::size_t pos) {
    return pos >= t.size() || (pos + 1 == t.size() && is_first_half(t[pos]));
  };
  auto next_char = [&](std::string_view t, std::size_t& pos) -> std::uint32_t {
    const auto first = static_cast<unsigned char>(t[pos]);
    if (is_first_half(t[pos])) {
      const auto second = static_cast<unsigned char>(t[pos + 1]);
      pos += 2;
      // Only ASCII letters fold; two-byte characters compare as they are.
      return first * 256u + second;
    }
    pos += 1;
    if (!case_sensitive && first >= 'a' && first <= 'z') return first - 'a' + 'A';
    return first;
  };

  const std::string_view x = a.view(), y = b.view();
  std::size_t i = 0, j = 0;
  while (true) {
    const bool x_done = at_end(x, i), y_done = at_end(y, j);
    if (x_done || y_done) return x_done && y_done ? 0 : (x_done ? -1 : 1);
    const std::uint32_t cx = next_char(x, i), cy = next_char(y, j);
    if (cx != cy) return cx < cy ? -1 : 1;
  }
}

}  // namespace velkoran
