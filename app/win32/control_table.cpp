#include "app/win32/control_table.h"

namespace velkoran {
namespace {

// Labels show portal data: SS_NOPREFIX keeps "&" a character instead of a
// mnemonic marker. SS_CENTERIMAGE makes a text label one vertically centred line.
constexpr DWORD label_style = WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;

constexpr std::array<ControlSpec, 6> specs{{
    // The update link: hidden at start; SS_NOTIFY makes it report presses.
    // WS_EX_TRANSPARENT paints the window under it first, so that it shows through.
    {Control::透明标签1,
     "透明标签1",
     L"STATIC",
     SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY,
     WS_EX_TRANSPARENT,
     {21, 322, 256, 24},
     101},
    // Wider than the client area: the part past the right edge is clipped.
    {Control::标签2, "标签2", L"STATIC", label_style, 0, {16, 48, 464, 24}, 102},
    // Several lines that wrap at the right edge (no ES_AUTOHSCROLL, no
    // WS_HSCROLL); Return inserts a line break even under dialog keyboard
    // handling; the selection is hidden without the focus (no ES_NOHIDESEL).
    {Control::编辑框1,
     "编辑框1",
     L"EDIT",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
     WS_EX_CLIENTEDGE,
     {21, 151, 408, 168},
     103},
    {Control::按钮2,
     "按钮2",
     L"BUTTON",
     WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     0,
     {232, 103, 80, 32},
     104},
    {Control::按钮1,
     "按钮1",
     L"BUTTON",
     WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     0,
     {136, 103, 80, 32},
     105},
    {Control::标签1, "标签1", L"STATIC", label_style, 0, {16, 16, 184, 24}, 106},
}};

}  // namespace

const std::array<ControlSpec, 6>& control_specs() { return specs; }

const ControlSpec& control_spec(Control control) {
  for (const ControlSpec& spec : specs) {
    if (spec.control == control) return spec;
  }
  return specs.front();  // unreachable: every Control has an entry
}

const ControlSpec* control_spec_by_id(int id) {
  for (const ControlSpec& spec : specs) {
    if (spec.id == id) return &spec;
  }
  return nullptr;
}

int scale_for_dpi(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

RECT scale_for_dpi(const Rect96& rect, UINT dpi) {
  const int left = scale_for_dpi(rect.x, dpi);
  const int top = scale_for_dpi(rect.y, dpi);
  return RECT{left, top, left + scale_for_dpi(rect.width, dpi),
              top + scale_for_dpi(rect.height, dpi)};
}

}  // namespace velkoran
