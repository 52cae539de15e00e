#include "tests/support/wine.h"

namespace velkoran::testing {

bool running_under_wine() { return false; }

}  // namespace velkoran::testing
