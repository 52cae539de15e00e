// Cookie merging. The lists are walked once; "seen" items and the names of the
// new list live in hash sets so that thousands of cookies merge in linear time.
#include "http/cookie_merge.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/bytes_ops.h"
#include "core/text_ops.h"

namespace velkoran {
namespace {

constexpr std::string_view kItemSeparator = ";";
constexpr std::string_view kJoinSeparator = "; ";
constexpr std::string_view kDeletedSuffix = "=deleted";

// A server deletes a cookie by setting its value to "deleted"; the test is on
// the item's last eight bytes, exact case.
bool is_deleted_cookie(const Text& item) {
  const Text suffix(kDeletedSuffix);
  return text_equals(text_right(item, text_length(suffix)), suffix);
}

}  // namespace

Text cookie_name(const Text& item) {
  const int equals_at = find_text(item, "=");
  if (equals_at == -1) return trim_both_ends(item);
  return trim_both_ends(text_left(item, equals_at - 1));
}

bool has_cookie(const TextArray& items, const Text& name) {
  const int count = array_count(items);
  for (int i = 1; i <= count; ++i) {
    if (text_equals(cookie_name(array_at(items, i)), name)) return true;
  }
  return false;
}

int index_of_text(const TextArray& items, const Text& text) {
  const int count = array_count(items);
  for (int i = 1; i <= count; ++i) {
    if (text_equals(array_at(items, i), text)) return i;
  }
  return -1;
}

int split_characters(const Text& text, TextArray& items) {
  array_clear(items);
  const Bytes bytes = text_to_bytes(text);
  const int n = bytes_length(bytes);
  const std::string_view raw = bytes.view();
  int p = 1;
  while (p <= n) {
    int unit = 1;
    if (p + 1 <= n) {
      const auto byte = static_cast<unsigned char>(raw[p - 1]);
      const auto next = static_cast<unsigned char>(raw[p]);
      if (byte > 128) {
        unit = 2;
      } else if (byte == '\r' && next == '\n') {
        unit = 2;
      }
    }
    array_append(items, bytes_to_text(bytes_mid(bytes, p, unit)));
    p += unit;
  }
  return array_count(items);
}

Text join_unique(const Text& text, const Text& separator, bool by_separator) {
  TextArray pieces;
  if (by_separator) {
    pieces = split_text(text, separator);
  } else {
    split_characters(text, pieces);
  }

  // The views point into `pieces`, which is not changed while they live.
  std::unordered_set<std::string_view> seen;
  seen.reserve(pieces.items().size());
  std::string output;
  output.reserve(text.size() + separator.size());
  const int count = array_count(pieces);
  for (int i = 1; i <= count; ++i) {
    const Text& piece = array_at(pieces, i);
    if (!seen.insert(piece.view()).second) continue;
    output.append(piece.view());
    output.append(separator.view());
  }
  const Text joined(std::move(output));
  return text_left(joined, text_length(joined) - text_length(separator));
}

Text cookie_merge(Text& cookies, Text& new_cookies) {
  cookies = remove_all_spaces(cookies);
  new_cookies = remove_all_spaces(new_cookies);

  const TextArray old_items = split_text(cookies, Text(kItemSeparator));
  TextArray merged = split_text(new_cookies, Text(kItemSeparator));

  // Names present in `merged`, kept in step with it as old items are added,
  // so that a second old item of one name finds the first one already there.
  std::unordered_set<std::string> names;
  const int new_count = array_count(merged);
  names.reserve(static_cast<std::size_t>(new_count) + old_items.items().size());
  for (int i = 1; i <= new_count; ++i) names.insert(cookie_name(array_at(merged, i)).str());

  const int old_count = array_count(old_items);
  for (int i = 1; i <= old_count; ++i) {
    const Text& item = array_at(old_items, i);
    if (names.insert(cookie_name(item).str()).second) array_append(merged, item);
  }

  std::string joined;
  const int merged_count = array_count(merged);
  for (int i = 1; i <= merged_count; ++i) {
    const Text& item = array_at(merged, i);
    if (is_deleted_cookie(item)) continue;
    joined.append(item.view());
    joined.append(kJoinSeparator);
  }
  cookies = Text(std::move(joined));
  cookies = text_left(cookies, text_length(cookies) - text_length(Text(kJoinSeparator)));
  cookies = join_unique(cookies, Text(kJoinSeparator), true);
  return cookies;
}

}  // namespace velkoran
