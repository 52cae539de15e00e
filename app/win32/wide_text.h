// Crossing between GBK Text and the window system's UTF-16 strings.
//
// Everything the window shows arrives as GBK Text and everything it reads back
// leaves as GBK Text; std::wstring exists only at the calls into the system.
//
//   SetWindowTextW(label, wide_from_text(text).c_str());
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace velkoran {

// The UTF-16 form of a GBK Text. Bytes that are not GBK become U+FFFD.
[[nodiscard]] std::wstring wide_from_text(const Text& text);

// The GBK Text form of a UTF-16 string; characters GBK lacks become "?".
[[nodiscard]] Text text_from_wide(std::wstring_view text);

}  // namespace velkoran
