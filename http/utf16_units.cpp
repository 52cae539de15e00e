#include "http/utf16_units.h"

#include <algorithm>
#include <cstddef>

#include "core/codepage.h"
#include "core/utf16le.h"

namespace velkoran {

std::u16string units_from_bytes(const Bytes& data, int unit_count) {
  std::u16string units = detail::utf16le_units(data.view());
  if (unit_count < 0) {
    units.resize(std::min(units.size(), units.find(u'\0')));  // up to the terminator
  } else if (static_cast<std::size_t>(unit_count) < units.size()) {
    units.resize(static_cast<std::size_t>(unit_count));
  }
  return units;
}

Bytes bytes_from_units(std::u16string_view units, bool terminator) {
  std::string bytes = detail::utf16le_bytes(units);
  if (terminator) bytes.append(2, '\0');
  return Bytes(std::move(bytes));
}

std::string utf8_from_units(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

std::string gbk_from_units(std::u16string_view units) {
  if (!std::all_of(units.begin(), units.end(), [](char16_t unit) { return unit < 0x80; })) {
    return u16_to_gbk(units).str();
  }
  return std::string(units.begin(), units.end());
}

std::u16string units_from_gbk(std::string_view gbk) {
  if (!std::all_of(gbk.begin(), gbk.end(), [](char byte) { return (byte & 0x80) == 0; })) {
    return gbk_to_u16(gbk);
  }
  return std::u16string(gbk.begin(), gbk.end());
}

}  // namespace velkoran
