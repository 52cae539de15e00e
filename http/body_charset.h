// Turning a response body into the routine's result: the bytes before the
// first NUL taken as GBK, decoded again when the page declares another
// character set in a meta element within its first 1024 bytes.
//
//   RegexObject regex;
//   Text page = decode_body(regex, body);   // utf-8 page -> its GBK text
#pragma once

#include <optional>

#include "core/text.h"
#include "regex/regex_object.h"

namespace velkoran {

// The character set a page declares, as written ("utf-8", "GBK", ...), or
// empty. Nullopt when the search itself could not run.
[[nodiscard]] std::optional<Text> declared_charset(RegexObject& regex, const Text& body_text);

// The body as Text. A declared character set other than "gbk" and "gb2312"
// (exact case) re-decodes the whole body with that name; a name the decoder
// does not know keeps the body as read. Pending events are handled once after
// the charset step when the search ran.
[[nodiscard]] Text decode_body(RegexObject& regex, const Bytes& body);

}  // namespace velkoran
