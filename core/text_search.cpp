// find_text and find_text_reverse.
#include <cstdint>

#include "core/gbk_scan.h"
#include "core/text_ops.h"

namespace velkoran {
namespace detail {

std::string fold_ascii_copy(std::string_view text) {
  std::string folded(text);
  for (char& byte : folded) byte = fold_ascii(byte);
  return folded;
}

std::size_t CharStartMatcher::next(std::size_t limit) {
  const std::size_t m = needle_.size();
  std::size_t from = cursor_;
  while (cursor_ < haystack_.size() && from + m <= limit) {
    const std::size_t occurrence = haystack_.substr(0, limit).find(needle_, from);
    if (occurrence == std::string_view::npos) return std::string_view::npos;
    while (cursor_ < occurrence) step();
    if (cursor_ == occurrence) return occurrence;
    from = occurrence + 1;  // the hit began on a second half: look further on
  }
  return std::string_view::npos;
}

}  // namespace detail

namespace {

// The text and the needle as compared: folded copies when case is ignored.
struct SearchSubject {
  SearchSubject(const SearchSubject&) = delete;
  SearchSubject& operator=(const SearchSubject&) = delete;
  SearchSubject(const Text& text, const Text& sought, bool ignore_case) {
    if (ignore_case) {
      folded_text = detail::fold_ascii_copy(text.view());
      folded_sought = detail::fold_ascii_copy(sought.view());
      haystack = folded_text;
      needle = folded_sought;
    } else {
      haystack = text.view();
      needle = sought.view();
    }
  }
  std::string folded_text;
  std::string folded_sought;
  std::string_view haystack;
  std::string_view needle;
};

}  // namespace

int find_text(const Text& text, const Text& sought, std::optional<int> start_position,
              bool ignore_case) {
  const std::int64_t length = text_length(text);
  const std::int64_t first = (start_position && *start_position >= 1) ? *start_position : 1;
  if (first > length) return -1;
  if (sought.empty()) return 1;

  const SearchSubject subject(text, sought, ignore_case);
  detail::CharStartMatcher matcher(subject.haystack, subject.needle,
                                   static_cast<std::size_t>(first - 1));
  const std::size_t hit = matcher.next(subject.haystack.size());
  return hit == std::string_view::npos ? -1 : static_cast<int>(hit + 1);
}

int find_text_reverse(const Text& text, const Text& sought, std::optional<int> start_position,
                      bool ignore_case) {
  const std::int64_t length = text_length(text);
  std::int64_t limit = start_position ? std::int64_t{*start_position} - 1 : length;
  if (limit > length) limit = length;
  if (limit <= 0) return -1;
  if (sought.empty()) return 1;

  const SearchSubject subject(text, sought, ignore_case);
  detail::CharStartMatcher matcher(subject.haystack, subject.needle, 0);
  std::size_t last = std::string_view::npos;
  // Every occurrence is seen, overlapping ones included; the last one wins.
  for (std::size_t hit;
       (hit = matcher.next(static_cast<std::size_t>(limit))) != std::string_view::npos;) {
    last = hit;
    matcher.step();
  }
  return last == std::string_view::npos ? -1 : static_cast<int>(last + 1);
}

}  // namespace velkoran
