#include <windows.h>

#include "tests/support/wine.h"

namespace velkoran::testing {

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace velkoran::testing
