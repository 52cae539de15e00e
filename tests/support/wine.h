// Whether this is a Windows program running under Wine rather than on
// Windows. Tests that meet a difference between the two state the Windows
// behaviour, and assert Wine's only when this says so.
#pragma once

namespace velkoran::testing {

// True when ntdll.dll exports wine_get_version, as only Wine's does; false on
// Windows itself and on every other platform.
bool running_under_wine();

}  // namespace velkoran::testing
