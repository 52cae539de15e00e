// Crossing between GBK Text and Qt's QString.
//
// Everything the window shows arrives as GBK Text; Qt wants UTF-16. The
// conversion goes through UTF-8 so that core/codepage.h stays the one place
// that knows GBK.
#pragma once

#include <QString>
#include <string>

#include "core/codepage.h"
#include "core/text.h"

namespace velkoran {

// The QString form of a GBK Text.
[[nodiscard]] inline QString qstring_from_text(const Text& text) {
  return QString::fromStdString(utf8_from_gbk(text));
}

// The GBK Text form of a QString (for tests and for reading controls back).
[[nodiscard]] inline Text text_from_qstring(const QString& text) {
  return gbk_from_utf8(text.toStdString());
}

// A multi-line edit box breaks lines at "\n"; the system writes "\r\n".
//   lines_for_edit_box("a\r\nb") == "a\nb"; a lone "\r" or "\n" is kept.
[[nodiscard]] std::string lines_for_edit_box(std::string text);

}  // namespace velkoran
