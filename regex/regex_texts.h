// The fixed texts of the regular-expression subsystem, in GBK.
#pragma once

#include "core/text.h"

namespace velkoran {

// "#引号": stands for a double quote in a pattern run with quote_escape.
[[nodiscard]] const Text& quote_marker();

}  // namespace velkoran
