// The platform's character-set converters, behind the code-page functions of
// codepage.h (one implementation per platform, chosen by the build).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkoran::detail {

// `bytes` in the character set named `charset` as UTF-16 units. A byte that
// starts no valid sequence of that character set becomes U+FFFD and decoding
// goes on with the next byte. nullopt when the name is not a character set
// this platform knows (or has installed). The names of code page 936, UTF-16
// and ASCII are decoded by codepage.cpp alike on every platform and need not
// be known here.
[[nodiscard]] std::optional<std::u16string> decode_charset(std::string_view bytes,
                                                           std::string_view charset);

// UTF-8 form of UTF-16 units; a lone surrogate becomes "?".
[[nodiscard]] std::string encode_utf8(std::u16string_view units);

// Code page 936, one code at a time and strictly, for building the GBK tables
// once: the UTF-16 unit of a one- or two-byte code, 0 when the code page does
// not map it to a single unit.
[[nodiscard]] char16_t cp936_decode_one(std::string_view code);

}  // namespace velkoran::detail
