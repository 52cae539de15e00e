#include "app/win32/main_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "app/app_texts.h"
#include "app/win32/control_table.h"
#include "app/win32/dpi.h"
#include "app/win32/resource.h"
#include "app/win32/wide_text.h"
#include "app/workers.h"

namespace velkoran {
namespace {

constexpr wchar_t window_class_name[] = L"VelkoranMainWindow";
// Fixed frame: a caption with the system menu and a minimise box; no sizing
// border and no maximise box.
constexpr DWORD window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Windows 8.1 and later; older headers may lack the name.
constexpr UINT dpi_changed_message = 0x02E0;

std::size_t index_of(Control control) { return static_cast<std::size_t>(control); }

Text initial_text(Control control) {
  const AppTexts& texts = app_texts();
  switch (control) {
    case Control::透明标签1:
      return texts.update_link;
    case Control::标签1:
      return texts.account_label;
    case Control::标签2:
      return texts.info_label;
    case Control::按钮1:
      return texts.initialize_button;
    case Control::按钮2:
      return texts.speed_up_button;
    case Control::编辑框1:
      break;
  }
  return Text();
}

bool register_window_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, window_class_name, &existing)) return true;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  // Shared icons from the program's resources (none in a test program).
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(VELKORAN_APP_ICON));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The system's default dialog colour.
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = window_class_name;
  return RegisterClassExW(&window_class) != 0;
}

// The program's icon at `size` pixels; null when the program has none.
UniqueIcon load_app_icon(int size) {
  return UniqueIcon(
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VELKORAN_APP_ICON),
                                    IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

bool is_part_of(HWND window, HWND candidate) {
  return candidate != nullptr && (candidate == window || IsChild(window, candidate));
}

}  // namespace

void prepare_window_thread() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
}

void shell_open(HWND owner, const std::wstring& address) {
  ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

MainWindow::MainWindow(PortalState& state, PortalHosts hosts, ShellHooks hooks)
    : state_(state),
      hosts_(std::move(hosts)),
      hooks_(std::move(hooks)),
      bridge_(std::make_shared<WindowBridge>()) {
  if (!hooks_.initialize_routine) hooks_.initialize_routine = initialize;
  if (!hooks_.speed_up_routine) hooks_.speed_up_routine = speed_up;
  if (!hooks_.open_in_browser) hooks_.open_in_browser = shell_open;
  if (!hooks_.start_thread) hooks_.start_thread = start_detached_thread;

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!register_window_class(instance, window_procedure)) return;
  // 50, 50 is the form's stored place; the centring below replaces it.
  CreateWindowExW(0, window_class_name, wide_from_text(app_texts().caption).c_str(), window_style,
                  50, 50, window_size_96.cx, window_size_96.cy, nullptr, nullptr, instance, this);
  if (window_ == nullptr) return;

  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& area = monitor.rcWork;
    const int x = area.left + (area.right - area.left - size_.cx) / 2;
    const int y = area.top + (area.bottom - area.top - size_.cy) / 2;
    SetWindowPos(window_, nullptr, x, y, size_.cx, size_.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  // Workers still running keep their bridge; it has dropped their calls since
  // the window went away.
  bridge_->detach();
}

HWND MainWindow::control(Control control) const { return controls_[index_of(control)]; }

LRESULT CALLBACK MainWindow::window_procedure(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
  MainWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY.
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->handle_message(message, wparam, lparam);
}

LRESULT MainWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return on_create() ? 0 : -1;
    case WM_COMMAND:
      on_command(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return on_ctlcolorstatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CTLCOLOREDIT:
      return on_ctlcoloredit(reinterpret_cast<HDC>(wparam));
    case WM_SETCURSOR:
      if (on_setcursor(reinterpret_cast<HWND>(wparam), static_cast<short>(LOWORD(lparam)))) {
        return TRUE;
      }
      break;
    case WM_GETMINMAXINFO:
      on_getminmaxinfo(*reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_SYSCOMMAND:
      if (on_syscommand(wparam)) return 0;
      break;
    case dpi_changed_message:
      on_dpichanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_ACTIVATE:
      on_activate(LOWORD(wparam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      on_setfocus();
      return 0;
    case bridge_wakeup_message:
      on_bridge_wakeup();
      return 0;
    case WM_DESTROY:
      on_destroy();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

bool MainWindow::on_create() {
  create_controls();
  for (HWND control : controls_) {
    if (control == nullptr) return false;
  }
  apply_dpi(dpi_for_window(window_));
  bridge_->attach(window_, bridge_wakeup_message);
  return true;
}

void MainWindow::create_controls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // In table order, which makes it the z-order and the tab order. Placed and
  // given their font by apply_dpi().
  for (const ControlSpec& spec : control_specs()) {
    HWND control = CreateWindowExW(
        spec.ex_style, spec.window_class, wide_from_text(initial_text(spec.control)).c_str(),
        WS_CHILD | spec.style, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    controls_[index_of(spec.control)] = control;
  }
  // No length limit on the message box.
  SendMessageW(control(Control::编辑框1), EM_SETLIMITTEXT, 0, 0);
}

void MainWindow::apply_dpi(UINT dpi) {
  dpi_ = dpi;
  size_ = SIZE{scale_for_dpi(window_size_96.cx, dpi), scale_for_dpi(window_size_96.cy, dpi)};

  const LOGFONTW logfont = message_font_for_dpi(dpi);
  UniqueFont font(CreateFontIndirectW(&logfont));
  for (const ControlSpec& spec : control_specs()) {
    const RECT place = scale_for_dpi(spec.rect, dpi);
    HWND control = this->control(spec.control);
    SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  // The old font is freed only now that no control uses it.
  font_ = std::move(font);

  UniqueIcon big = load_app_icon(system_metric_for_dpi(SM_CXICON, dpi));
  UniqueIcon small = load_app_icon(system_metric_for_dpi(SM_CXSMICON, dpi));
  if (big) SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  if (small) SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  if (big) big_icon_ = std::move(big);
  if (small) small_icon_ = std::move(small);
}

void MainWindow::on_command(int id, int code) {
  const ControlSpec* spec = control_spec_by_id(id);
  if (spec == nullptr) return;
  switch (spec->control) {
    case Control::按钮1:
      if (code == BN_CLICKED) start_worker(hooks_.initialize_routine);
      break;
    case Control::按钮2:
      if (code == BN_CLICKED) start_worker(hooks_.speed_up_routine);
      break;
    case Control::透明标签1:
      // A left press; a quick second press arrives as a double click. Where it
      // landed and which keys were held do not matter.
      if (code == STN_CLICKED || code == STN_DBLCLK) {
        hooks_.open_in_browser(window_, wide_from_text(download_page_address(hosts_)));
      }
      break;
    default:
      break;
  }
}

LRESULT MainWindow::on_ctlcolorstatic(HDC dc, HWND control) {
  if (control == this->control(Control::透明标签1)) {
    // Red text and no background of its own: the window shows through.
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  // Plain labels: black text on the window's background.
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT MainWindow::on_ctlcoloredit(HDC dc) {
  // The message box: black text on white.
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

bool MainWindow::on_setcursor(HWND under, int hit) {
  if (hit != HTCLIENT) return false;
  if (running_workers_ > 0) {
    // Working in the background; the window still takes clicks.
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
  }
  if (under == control(Control::透明标签1)) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
  }
  return false;
}

void MainWindow::on_getminmaxinfo(MINMAXINFO& info) const {
  if (size_.cx == 0) return;  // not created yet
  // The one size the window takes, for dragging and for SetWindowPos alike.
  const POINT size{size_.cx, size_.cy};
  info.ptMinTrackSize = size;
  info.ptMaxTrackSize = size;
  info.ptMaxSize = size;
}

bool MainWindow::on_syscommand(WPARAM command) {
  // Without a sizing border and a maximise box the system offers neither;
  // a command sent by another program changes nothing either.
  switch (command & 0xFFF0) {
    case SC_MAXIMIZE:
    case SC_SIZE:
      return true;
    default:
      return false;
  }
}

void MainWindow::on_dpichanged(UINT dpi, const RECT& suggested) {
  // The new size first: WM_GETMINMAXINFO holds the window to it.
  apply_dpi(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, size_.cx, size_.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::on_activate(bool active) {
  // The control that had the focus gets it back when the window is activated again.
  if (!active) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus)) last_focus_ = focus;
  }
}

void MainWindow::on_setfocus() {
  HWND target = last_focus_;
  if (target == nullptr || !IsChild(window_, target)) {
    target = GetNextDlgTabItem(window_, nullptr, FALSE);
  }
  if (target != nullptr) SetFocus(target);
}

void MainWindow::on_bridge_wakeup() {
  for (const BridgeCommand& command : bridge_->take_pending()) apply(command);
}

void MainWindow::on_destroy() {
  // Workers still running keep their bridge; from here on it drops their calls.
  bridge_->detach();
  controls_ = {};
  last_focus_ = nullptr;
  PostQuitMessage(0);
}

void MainWindow::start_worker(const ShellHooks::Routine& routine) {
  // Counted before the thread exists, so its "done" can never arrive first.
  if (running_workers_++ == 0) refresh_pointer();
  const bool started =
      hooks_.start_thread([routine, bridge = bridge_, state = &state_, hosts = hosts_] {
        routine(WorkflowContext{.window = *bridge, .state = *state, .hosts = hosts});
        bridge->worker_done();
      });
  if (!started) worker_ended();  // the click then has no effect
}

void MainWindow::worker_ended() {
  if (running_workers_ == 0) return;
  if (--running_workers_ == 0) refresh_pointer();
}

void MainWindow::refresh_pointer() const {
  // The pointer changes when the mouse next moves; ask the window under it
  // again now, as a move would.
  POINT where{};
  if (window_ == nullptr || !GetCursorPos(&where)) return;
  HWND under = WindowFromPoint(where);
  if (!is_part_of(window_, under)) return;
  const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(where.x, where.y));
  SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
               MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

void MainWindow::apply(const BridgeCommand& command) {
  if (command.kind == BridgeCommand::Kind::worker_done) {
    worker_ended();
    return;
  }
  HWND target = control(command.control);
  if (target == nullptr) return;
  if (command.kind == BridgeCommand::Kind::set_visible) {
    ShowWindow(target, command.visible ? SW_SHOWNA : SW_HIDE);
    return;
  }
  // Labels take it as their caption; the message box replaces its content.
  SetWindowTextW(target, command.text.c_str());
  if (command.control == Control::透明标签1) {
    // A transparent control does not erase what it showed before: the window
    // under it paints afresh first.
    RECT place{};
    GetWindowRect(target, &place);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
    RedrawWindow(window_, &place, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void dispatch_message(const MainWindow& window, MSG& message) {
  HWND handle = window.handle();
  if (handle != nullptr && IsDialogMessageW(handle, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace velkoran
