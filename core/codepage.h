// Conversions between code page 936 (GBK) and other encodings.
//
// Invalid input is replaced, never rejected: a byte sequence that is not valid
// GBK becomes U+FFFD, and a character GBK cannot represent becomes "?".
#pragma once

#include <optional>
#include <string_view>

#include "core/text.h"

namespace velkoran {

// UTF-16LE of text, with a two-byte terminator unless drop_terminator.
// The empty Text gives empty Bytes (no terminator either).
[[nodiscard]] Bytes text_to_utf16(const Text& text, bool drop_terminator = false);
// GBK form of the UTF-16LE units in data, up to the first zero character.
// An odd last byte is ignored.
[[nodiscard]] Text utf16_to_text(const Bytes& data);

// Same conversions on native UTF-16 strings (no terminator), for in-process users.
[[nodiscard]] std::u16string gbk_to_u16(std::string_view gbk);
[[nodiscard]] Text u16_to_gbk(std::u16string_view units);

// The GBK form of UTF-8 source text; for the system's own texts, written as
// UTF-8 in the sources.
[[nodiscard]] Text gbk_from_utf8(std::string_view utf8);
// UTF-8 form of a GBK Text, for handing text to UTF-8 toolkits.
[[nodiscard]] std::string utf8_from_gbk(const Text& gbk);

// Decodes `bytes` from the character set `charset_name` into GBK. nullopt when
// the name is not a known character set; invalid bytes are replaced.
[[nodiscard]] std::optional<Text> decode_to_gbk(std::string_view bytes,
                                                std::string_view charset_name);

}  // namespace velkoran
