// The platform's character-set converters, behind the code-page functions of
// codepage.h (one implementation per platform, chosen by the build).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkoran::detail {

// `bytes` in the character set named `charset` as UTF-16 units. A sequence that
// is invalid in that character set becomes U+FFFD and decoding goes on after it.
// nullopt when the name is not a character set this platform knows.
[[nodiscard]] std::optional<std::u16string> decode_charset(std::string_view bytes,
                                                           std::string_view charset);

// UTF-8 form of UTF-16 units; a lone surrogate becomes "?".
[[nodiscard]] std::string encode_utf8(std::u16string_view units);

// Code page 936, one character at a time and strictly, for building the GBK
// tables once: the UTF-16 unit of a one- or two-byte code (0 when the code page
// does not map it to a single unit), and the GBK bytes of a unit (empty when
// the code page has no exact form for it).
[[nodiscard]] char16_t cp936_decode_one(std::string_view code);
[[nodiscard]] std::string cp936_encode_one(char16_t unit);

}  // namespace velkoran::detail
