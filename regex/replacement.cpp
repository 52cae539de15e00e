#include "regex/pcre_engine.h"

namespace velkoran {
namespace {

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

void append_part(std::u16string& out, std::u16string_view subject, std::size_t start,
                 std::size_t end) {
  if (start != MatchSpan::unset && start <= end && end <= subject.size()) {
    out.append(subject.substr(start, end - start));
  }
}

}  // namespace

std::u16string expand_replacement(std::u16string_view replacement, std::u16string_view subject,
                                  const MatchSpan& match) {
  std::u16string out;
  const std::size_t n = replacement.size();
  const std::size_t groups = match.groups.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = replacement[i];
    if (c != u'$' || i + 1 == n) {
      out.push_back(c);
      continue;
    }
    const char16_t next = replacement[i + 1];
    if (next == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (next == u'&') {
      append_part(out, subject, match.start, match.end);
      ++i;
    } else if (next == u'`') {
      append_part(out, subject, 0, match.start);
      ++i;
    } else if (next == u'\'') {
      append_part(out, subject, match.end, subject.size());
      ++i;
    } else if (is_digit(next)) {
      // Two digits when they name a group, else one digit when it does.
      std::size_t number = next - u'0';
      std::size_t used = 1;
      if (i + 2 < n && is_digit(replacement[i + 2])) {
        const std::size_t two = number * 10 + (replacement[i + 2] - u'0');
        if (two >= 1 && two <= groups) {
          number = two;
          used = 2;
        }
      }
      if (number >= 1 && number <= groups) {
        const MatchSpan::Group& group = match.groups[number - 1];
        append_part(out, subject, group.start, group.end);
        i += used;
      } else {
        out.push_back(c);
      }
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string replace_spans(std::u16string_view subject, const std::vector<MatchSpan>& spans,
                             std::u16string_view replacement) {
  std::u16string out;
  out.reserve(subject.size());
  std::size_t copied = 0;
  for (const MatchSpan& span : spans) {
    if (span.start < copied || span.end > subject.size()) continue;
    out.append(subject.substr(copied, span.start - copied));
    out.append(expand_replacement(replacement, subject, span));
    copied = span.end;
  }
  out.append(subject.substr(copied));
  return out;
}

}  // namespace velkoran
