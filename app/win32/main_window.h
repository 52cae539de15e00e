// The program's one window, with native Win32 controls: two labels, the
// message box, two buttons and the hidden update link.
//
// One window class, one window procedure that hands each message to a small
// handler. The controls come from the table in control_table.h, scaled for the
// DPI of the window's monitor. Each button click starts one worker thread that
// runs a workflow routine; the buttons are never disabled and any number of
// workers may run at once. Workers reach the controls only through the
// WindowBridge (bridge()). While at least one worker runs, the pointer over the
// window shows that the program is working in the background.
//
//   MainWindow window(state, hosts_from_environment());
//   ShowWindow(window.handle(), SW_SHOWNORMAL);
//   MSG msg;
//   while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch_message(window, msg);
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/win32/handles.h"
#include "app/win32/window_bridge.h"
#include "workflow/portal_state.h"
#include "workflow/workflow.h"

namespace velkoran {

// What the window calls out to; tests replace parts of it.
struct ShellHooks {
  using Routine = std::function<void(const WorkflowContext&)>;
  Routine initialize_routine{};  // 按钮1; empty: initialize()
  Routine speed_up_routine{};    // 按钮2; empty: speed_up()
  // Shows `address` in the default browser; empty: the shell's "open" verb.
  std::function<void(HWND owner, const std::wstring& address)> open_in_browser{};
  // Starts a detached thread; empty: start_detached_thread().
  std::function<bool(std::function<void()>)> start_thread{};
};

// Once per process, on the thread that will own the window, before it is made:
// a single-threaded COM apartment for the shell's "open" (it may hand the
// address to a COM handler) and the themed (version 6) controls the manifest
// asks for.
void prepare_window_thread();

// The shell's "open" operation on `address`, in a normal window. The result is
// not looked at: a page that cannot be opened passes silently.
void shell_open(HWND owner, const std::wstring& address);

class MainWindow {
 public:
  // Creates the window, hidden, sized for its monitor's DPI and centred on that
  // monitor's work area. handle() is null when the system refused to create it.
  // `state` must outlive every worker the window starts.
  MainWindow(PortalState& state, PortalHosts hosts, ShellHooks hooks = {});
  // Destroys the window if it still exists (on the thread that created it).
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Null once the window has been destroyed (closed).
  [[nodiscard]] HWND handle() const { return window_; }
  [[nodiscard]] HWND control(Control control) const;
  // The window as the workers see it; stays valid after the window is gone.
  [[nodiscard]] std::shared_ptr<WindowBridge> bridge() const { return bridge_; }
  [[nodiscard]] int running_workers() const { return running_workers_; }
  // The DPI the window is laid out for.
  [[nodiscard]] UINT dpi() const { return dpi_; }

 private:
  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);

  bool on_create();
  void on_command(int id, int code);
  LRESULT on_ctlcolorstatic(HDC dc, HWND control);
  LRESULT on_ctlcoloredit(HDC dc);
  bool on_setcursor(HWND under, int hit);
  void on_getminmaxinfo(MINMAXINFO& info) const;
  bool on_syscommand(WPARAM command);
  void on_dpichanged(UINT dpi, const RECT& suggested);
  void on_activate(bool active);
  void on_setfocus();
  void on_bridge_wakeup();
  void on_destroy();

  void create_controls();
  void apply_dpi(UINT dpi);
  void start_worker(const ShellHooks::Routine& routine);
  void worker_ended();
  void refresh_pointer() const;
  void apply(const BridgeCommand& command);

  PortalState& state_;
  PortalHosts hosts_;
  ShellHooks hooks_;
  std::shared_ptr<WindowBridge> bridge_;
  HWND window_ = nullptr;
  std::array<HWND, 6> controls_{};
  HWND last_focus_ = nullptr;
  UINT dpi_ = 96;
  SIZE size_{};  // the outer size at dpi_; the only size the window takes
  UniqueFont font_;
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;
  int running_workers_ = 0;
};

// Hands one message of the event loop on: the window's keyboard navigation
// first (Tab between controls; Return stays in the message box), then the
// usual translate and dispatch.
void dispatch_message(const MainWindow& window, MSG& message);

}  // namespace velkoran
