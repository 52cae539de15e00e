#include <cstdlib>

#include "tests/workflow/environment.h"

namespace velkoran::testing {

void set_environment(const char* name, const char* value) { ::setenv(name, value, 1); }

void unset_environment(const char* name) { ::unsetenv(name); }

}  // namespace velkoran::testing
