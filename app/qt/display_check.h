// Whether the window system the environment names can be reached, checked
// before Qt starts: Qt aborts with a platform error when it cannot connect.
#pragma once

#include <string_view>

namespace velkoran {

enum class DisplayStatus {
  available,    // a platform was chosen, or a display answers (or cannot be checked)
  none,         // DISPLAY and WAYLAND_DISPLAY are empty
  unreachable,  // DISPLAY names a local X display whose server does not answer
};

// `qt_platform`, `wayland_display` and `x_display` are the values of
// QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY (empty when unset).
// Only local X displays (":0", ":0.0", "unix:0") are probed; others pass.
[[nodiscard]] DisplayStatus check_display(std::string_view qt_platform,
                                          std::string_view wayland_display,
                                          std::string_view x_display);

}  // namespace velkoran
