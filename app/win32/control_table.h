// The window's controls: one table that creating, laying out and testing the
// window all read.
//
// Rectangles are client coordinates at 96 DPI, as the form lists them; the
// window scales them for the DPI of its monitor with scale_for_dpi().
//
//   const ControlSpec& edit = control_spec(Control::编辑框1);
//   RECT r = scale_for_dpi(edit.rect, 144);   // {32, 227, 644, 479}
#pragma once

#include <windows.h>

#include <array>

#include "workflow/window_port.h"

namespace velkoran {

// x, y, width and height in pixels at 96 DPI.
struct Rect96 {
  int x;
  int y;
  int width;
  int height;
};

struct ControlSpec {
  Control control;
  const char* name;             // the form name in UTF-8, "标签1"
  const wchar_t* window_class;  // L"STATIC", L"EDIT" or L"BUTTON"
  DWORD style;                  // WS_CHILD is added when the control is made
  DWORD ex_style;
  Rect96 rect;
  int id;  // the control identifier in WM_COMMAND
};

// The window's outer size (frame and caption included) at 96 DPI.
inline constexpr SIZE window_size_96{460, 375};

// The controls in the order the form lists them, which is also the z-order
// and the tab order.
[[nodiscard]] const std::array<ControlSpec, 6>& control_specs();
[[nodiscard]] const ControlSpec& control_spec(Control control);
// The entry whose identifier is `id`; nullptr when none is.
[[nodiscard]] const ControlSpec* control_spec_by_id(int id);

// `value` (pixels at 96 DPI) at `dpi`, rounded to the nearest pixel.
[[nodiscard]] int scale_for_dpi(int value, UINT dpi);
// Position and size scaled separately, so equal sizes stay equal.
[[nodiscard]] RECT scale_for_dpi(const Rect96& rect, UINT dpi);

}  // namespace velkoran
