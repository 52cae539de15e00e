#include "app/win32/dpi.h"

namespace velkoran {
namespace {

// A function of user32.dll that older Windows may lack; nullptr there.
template <typename Function>
Function user32_function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

}  // namespace

UINT system_dpi() {
  static const auto get_dpi_for_system =
      user32_function<GetDpiForSystemFunction>("GetDpiForSystem");
  if (get_dpi_for_system != nullptr) return get_dpi_for_system();
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT dpi_for_window(HWND window) {
  static const auto get_dpi_for_window =
      user32_function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr && window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) return dpi;
  }
  return system_dpi();
}

int system_metric_for_dpi(int index, UINT dpi) {
  static const auto get_metrics_for_dpi =
      user32_function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (get_metrics_for_dpi != nullptr) return get_metrics_for_dpi(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(system_dpi()));
}

LOGFONTW message_font_for_dpi(UINT dpi) {
  static const auto parameters_for_dpi =
      user32_function<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (parameters_for_dpi != nullptr &&
      parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    return metrics.lfMessageFont;
  }
  metrics = NONCLIENTMETRICSW{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    // Not expected to happen; the stock GUI font is the next best thing.
    LOGFONTW fallback{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
    metrics.lfMessageFont = fallback;
  }
  // These metrics are at the system DPI.
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi()));
  return font;
}

}  // namespace velkoran
