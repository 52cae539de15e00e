// Merging the cookies a response has just set into a kept cookie text.
//
// A cookie text is a list of items separated by ";" (and usually a blank); an
// item is name=value, or a bare word that then serves as its own name. Names
// and items compare byte for byte: "A" and "a" are different names.
//
//   Text cookies = "a=1; b=2";
//   Text fresh = "b=3; c=4";
//   cookie_merge(cookies, fresh);   // "b=3; c=4; a=1"; cookies holds it too
//
// Cost is linear in the number of items: repeats and names are looked up in
// hash sets, not by rescanning the lists.
#pragma once

#include "core/text.h"

namespace velkoran {

// Merges `new_cookies` into `cookies`: the new items first, in their order,
// then the old items whose names were not set anew, in their old order. Items
// ending in "=deleted" (exact case) are dropped, exact repeats kept once, and
// the items are joined by "; ". Every blank (0x20 and A1 A1) is removed from
// both inputs first, also inside values.
// On return `cookies` holds the merged text as well, and `new_cookies` holds
// its input without blanks.
//   cookie_merge("a=1", "a=deleted") == ""
//   cookie_merge("x=1; x=2", "") == "x=1"
[[nodiscard]] Text cookie_merge(Text& cookies, Text& new_cookies);

// The trimmed part of `item` before its first "=", or the whole trimmed item
// when it has none.   cookie_name(" sid = 7") == "sid";  cookie_name("flag") == "flag"
[[nodiscard]] Text cookie_name(const Text& item);

// True when some item's cookie_name equals `name` exactly. A linear scan.
[[nodiscard]] bool has_cookie(const TextArray& items, const Text& name);

// The pieces of `text` with repeats removed, joined by `separator`. With
// `by_separator` the pieces are split at `separator`, otherwise they are the
// characters of split_characters (two-byte GBK characters and CR LF whole).
//   join_unique("a,b,a", ",", true) == "a,b"
//   join_unique("aab", "", false) == "ab"
[[nodiscard]] Text join_unique(const Text& text, const Text& separator, bool by_separator);

// Replaces the content of `items` with the characters of `text` in order and
// returns their number. A byte above 0x80 starts a two-byte character (unless
// it is the last byte), CR LF is one item, every other byte is one item.
int split_characters(const Text& text, TextArray& items);

// 1-based index of the first item equal to `text` (exact case), or -1.
// A linear scan.
[[nodiscard]] int index_of_text(const TextArray& items, const Text& text);

}  // namespace velkoran
