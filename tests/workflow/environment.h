// Setting the process environment from a test: setenv on Linux
// (environment_posix.cpp), the C runtime's _putenv_s on Windows
// (environment_win32.cpp), so that std::getenv sees the change on both.
#pragma once

namespace velkoran::testing {

// Sets `name` to `value`. On Windows an empty value removes the variable: the
// C runtime keeps no empty ones, which reads the same as an unset one.
void set_environment(const char* name, const char* value);
void unset_environment(const char* name);

}  // namespace velkoran::testing
