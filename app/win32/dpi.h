// DPI and system metrics on every Windows from 7 SP1 on.
//
// The per-monitor functions exist from Windows 10 1607 on; they are looked up
// at run time and used when present. Without them the process has one DPI,
// the system's, which the manifest makes the program see unscaled.
#pragma once

#include <windows.h>

namespace velkoran {

// The DPI `window` is shown at: GetDpiForWindow where present, else the system DPI.
[[nodiscard]] UINT dpi_for_window(HWND window);
// The system DPI: GetDpiForSystem where present, else the screen's LOGPIXELSY.
[[nodiscard]] UINT system_dpi();

// GetSystemMetrics(`index`) at `dpi`.
[[nodiscard]] int system_metric_for_dpi(int index, UINT dpi);

// The system's default user-interface font (the message font of
// SPI_GETNONCLIENTMETRICS) at `dpi`.
[[nodiscard]] LOGFONTW message_font_for_dpi(UINT dpi);

}  // namespace velkoran
