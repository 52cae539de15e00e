#include "http/response_headers.h"

#include <string_view>

#include "core/bytes_ops.h"
#include "core/events.h"
#include "core/text_extract.h"
#include "core/text_ops.h"

namespace velkoran {

Text status_text(const Text& response_headers) {
  const int line_end = find_text(response_headers, "\r\n", 10);
  if (line_end == -1) return {};
  return text_mid(response_headers, 10, line_end - 10);
}

ResponseHeaderScan scan_response_headers(const Text& response_headers) {
  ResponseHeaderScan scan;
  std::string items;  // each pair followed by "; "; grows in place, linear in the block
  const TextArray lines = split_text(response_headers, "\r\n");
  const int count = array_count(lines);
  for (int i = 1; i <= count; ++i) {
    const Text& line = array_at(lines, i);
    // Every line of a whole block ends with CR LF; a last line without it was
    // cut at a NUL in the header block, and a cookie on it is cut short.
    const bool complete = i < count;
    if (complete && text_equals(text_left_of(line, ": "), "Set-Cookie")) {
      const Text value = find_text(line, ";") != -1
                             ? text_between(line, "Set-Cookie:", ";")
                             : replace_subtext(line, "Set-Cookie:", Text(), false);
      const Text item = trim_both_ends(value);
      // An item holding a CR or LF could never be sent back: the "Cookie: " line
      // built from it would be refused (710) on every later request.
      if (item.view().find_first_of("\r\n") == std::string_view::npos) {
        items.append(item.view()).append("; ");
      }
    }
    if (compare_text(text_left(line, 10), "Location: ", false) == 0) {
      scan.location = text_mid(line, 11, text_length(line) - 10);
    }
    process_pending_events();
  }
  const Text joined(std::move(items));
  scan.cookie_items = text_left(joined, text_length(joined) - 2);
  return scan;
}

Text append_cookie_items(const Text& on_entry, const Text& cookie_items) {
  if (on_entry.empty()) return cookie_items;
  if (cookie_items.empty()) return on_entry;
  return text_concat(on_entry, "; ", cookie_items);
}

}  // namespace velkoran
