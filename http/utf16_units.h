// UTF-16LE data as the service layer hands it around, and its conversion to
// the encodings libcurl and the network want.
//
//   std::u16string host = units_from_bytes(text_to_utf16("example.com"), -1);
//   std::string wire = utf8_from_units(host);   // "example.com"
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace velkoran {

// The UTF-16 units held in `data` (low byte first). With `unit_count` below 0
// the units run up to the first zero unit or the end; otherwise at most
// `unit_count` units are taken. An odd last byte is ignored.
[[nodiscard]] std::u16string units_from_bytes(const Bytes& data, int unit_count);

// `units` as UTF-16LE Bytes, with a two-byte zero terminator when asked.
[[nodiscard]] Bytes bytes_from_units(std::u16string_view units, bool terminator);

// UTF-8 form of `units`; an unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string utf8_from_units(std::u16string_view units);

// GBK form of `units`, and UTF-16 form of GBK bytes, as core/codepage.h makes
// them; plain ASCII, by far the most common case on the wire, is copied
// straight across without starting a converter.
[[nodiscard]] std::string gbk_from_units(std::u16string_view units);
[[nodiscard]] std::u16string units_from_gbk(std::string_view gbk);

}  // namespace velkoran
