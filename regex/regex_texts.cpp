#include "regex/regex_texts.h"

#include "core/codepage.h"

namespace velkoran {

const Text& quote_marker() {
  static const Text marker = gbk_from_utf8("#引号");
  return marker;
}

}  // namespace velkoran
