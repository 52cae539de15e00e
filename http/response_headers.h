// Reading the raw response header block: the status text, the cookies the
// response sets, and its redirect target.
//
//   status_text("HTTP/1.1 200 OK\r\n\r\n")                 // "200 OK"
//   scan_response_headers("...Set-Cookie: a=1; path=/\r\n...").cookie_items   // "a=1"
#pragma once

#include <optional>

#include "core/text.h"

namespace velkoran {

// The status line after its first nine bytes ("HTTP/1.1 "), up to its CR LF;
// empty when there is no CR LF after byte 9.
[[nodiscard]] Text status_text(const Text& response_headers);

struct ResponseHeaderScan {
  // The name=value pairs of the "Set-Cookie" lines (exact name), in order,
  // joined by "; ". A pair holding a CR or LF is left out, and so is one on a
  // last line without CR LF (a block cut short at a NUL byte).
  Text cookie_items;
  // The rest of the last line starting with "Location: " (any letter case).
  std::optional<Text> location;
};

// Walks the lines of the block, handling pending events after each line.
[[nodiscard]] ResponseHeaderScan scan_response_headers(const Text& response_headers);

// `on_entry` (what the caller's variable held) with `cookie_items` appended
// after "; "; `on_entry` alone when nothing was set, `cookie_items` alone when
// `on_entry` is empty.
[[nodiscard]] Text append_cookie_items(const Text& on_entry, const Text& cookie_items);

}  // namespace velkoran
