// The request header block http_request hands to the service: the caller's
// lines, then each browser-like default line the caller did not give.
//
//   build_request_headers("X-Id: 7", 0, "")
//   // "X-Id: 7\r\nUser-Agent: Mozilla/5.0 (...)\r\nAccept: ...\r\n ... Cache-Control:
//   no-cache\r\n"
#pragma once

#include "core/text.h"

namespace velkoran {

// `headers`: the caller's lines joined by CR LF, without a trailing CR LF.
// `method`: the method number (1 is POST, which gets a Content-Type line).
// `cookies`: sent as a "Cookie: " line when non-empty and the block has none.
// Each default is searched by its name, colon and blank, ignoring ASCII case,
// anywhere in the block; Content-Type is searched in exact case after every
// "content-type" has been spelled "Content-Type".
[[nodiscard]] Text build_request_headers(const Text& headers, int method, const Text& cookies);

}  // namespace velkoran
