#include <cstdlib>

#include "tests/workflow/environment.h"

namespace velkoran::testing {

void set_environment(const char* name, const char* value) { ::_putenv_s(name, value); }

void unset_environment(const char* name) { ::_putenv_s(name, ""); }

}  // namespace velkoran::testing
