#include "app/win32/wide_text.h"

#include "core/codepage.h"

namespace velkoran {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows strings are UTF-16");

std::wstring wide_from_text(const Text& text) {
  const std::u16string units = gbk_to_u16(text.view());
  return std::wstring(units.begin(), units.end());
}

Text text_from_wide(std::wstring_view text) {
  const std::u16string units(text.begin(), text.end());
  return u16_to_gbk(units);
}

}  // namespace velkoran
