// text_left_of, text_between and text_right_of_last.
#include "core/text_extract.h"

#include "core/codepage.h"
#include "core/text_ops.h"

namespace velkoran {
namespace {

// "#引号" in a marker stands for a double quote.
const Text& quote_marker() {
  static const Text marker = gbk_from_utf8("#引号");
  return marker;
}

}  // namespace

Text text_left_of(const Text& text, const Text& delimiter, std::optional<int> start_position,
                  bool ignore_case) {
  const int from = (start_position && *start_position >= 1) ? *start_position : 1;
  const int p = find_text(text, delimiter, from, ignore_case);
  if (p == -1) return {};
  return text_left(text, p - 1);
}

Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                  std::optional<int> start_position, bool ignore_case) {
  const Text start = replace_subtext(start_marker, quote_marker(), "\"", true);
  const Text end = replace_subtext(end_marker, quote_marker(), "\"", true);
  int p = find_text(text, start, start_position, ignore_case);
  if (p == -1) return {};
  p += text_length(start);
  const int q = find_text(text, end, p, ignore_case);
  if (q == -1) return {};
  return text_mid(text, p, q - p);
}

Text text_right_of_last(const Text& text, const Text& marker, std::optional<int> start_position,
                        bool ignore_case) {
  const int p = find_text_reverse(text, marker, start_position, ignore_case);
  if (p == -1) return {};
  return text_right(text, text_length(text) - text_length(marker) - p + 1);
}

}  // namespace velkoran
