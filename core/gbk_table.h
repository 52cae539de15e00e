// Code page 936 <-> UTF-16 by lookup tables, built once from the platform's
// code page 936 converter (iconv's CP936 on Linux, code page 936 on Windows).
//
// The conversions between GBK and UTF-16 run on every HTTP exchange and every
// regular-expression run, so they go through tables instead of a converter call
// each time. Every valid code converts as the platform converts it; a byte
// sequence that is not GBK gives U+FFFD and the scan moves on by one byte, and
// a character GBK cannot hold gives "?", on every platform alike.
#pragma once

#include <string>
#include <string_view>

namespace velkoran::detail {

// Appends the UTF-16 units of `gbk` to `units`.
void append_gbk_as_utf16(std::string_view gbk, std::u16string& units);
// Appends the GBK bytes of `units` to `gbk`.
void append_utf16_as_gbk(std::u16string_view units, std::string& gbk);

}  // namespace velkoran::detail
