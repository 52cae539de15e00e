// Code page 936 <-> UTF-16 by lookup tables, built once from the platform's
// code page 936 converter (iconv's CP936 on Linux, code page 936 on Windows).
//
// The conversions between GBK and UTF-16 run on every HTTP exchange and every
// regular-expression run, so they go through tables instead of a converter call
// each time. They convert as Windows' code page 936 does, on every platform:
// - every two-byte code (lead 0x81-0xFE, trail 0x40-0x7E or 0x80-0xFE) is one
//   character; the user-defined areas and the codes GBK leaves unassigned are
//   characters of the Private Use Area (AAA1 <-> U+E000, A2AB <-> U+E766, ...);
// - the single byte 0x80 is the euro sign;
// - a byte sequence that is not GBK (a lone 0xFF, a lead byte without a trail
//   byte) gives U+FFFD and the scan moves on by one byte;
// - a character GBK cannot hold gives "?", one for a surrogate pair.
// A unit encodes only to the code that decodes back to it, so GBK -> UTF-16
// -> GBK gives back every valid GBK text byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace velkoran::detail {

// Appends the UTF-16 units of `gbk` to `units`.
void append_gbk_as_utf16(std::string_view gbk, std::u16string& units);
// Appends the GBK bytes of `units` to `gbk`.
void append_utf16_as_gbk(std::u16string_view units, std::string& gbk);

}  // namespace velkoran::detail
