// Driving the real velkoran.exe from outside, as a user (or a demo) would:
// start it as a child process, find its window by caption, click its buttons,
// read its controls' texts, close it and collect its exit status. Only window
// messages cross between the processes; the program has no switch for this.
//
//   ChildProcess program;
//   program.start(velkoran_exe_path(), {{L"VELKORAN_PORTAL_HOST", L"127.0.0.1:8080"}});
//   std::optional<ProgramWindow> window = ProgramWindow::find(program.id(), 60s);
//   window->click(Control::按钮1);
//   window->wait_for_text(Control::编辑框1, L"...", 30s);
//   window->close();
//   program.wait_for_exit(15s);   // program.exit_code() == 0
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/handles.h"
#include "workflow/window_port.h"

namespace velkoran::testing {

// velkoran.exe of the same build, found relative to the running program.
[[nodiscard]] std::wstring velkoran_exe_path();

class ChildProcess {
 public:
  using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

  ChildProcess() = default;
  // Ends the process if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` with this process's environment plus `overrides`.
  [[nodiscard]] bool start(const std::wstring& program, const Environment& overrides = {});
  [[nodiscard]] DWORD id() const { return id_; }
  // True once the process has ended, false when `limit` passed first.
  [[nodiscard]] bool wait_for_exit(std::chrono::milliseconds limit);
  [[nodiscard]] DWORD exit_code() const;

 private:
  UniqueKernelHandle process_;
  DWORD id_ = 0;
};

// The main window of a running velkoran.exe.
class ProgramWindow {
 public:
  // Waits up to `limit` for a visible top-level window captioned
  // "Velkoran by:Tressin", of process `process_id` unless that is 0.
  [[nodiscard]] static std::optional<ProgramWindow> find(DWORD process_id,
                                                         std::chrono::milliseconds limit);

  [[nodiscard]] HWND handle() const { return window_; }
  [[nodiscard]] HWND control(Control control) const;
  // False once the window is gone.
  [[nodiscard]] bool exists() const { return IsWindow(window_) != FALSE; }

  [[nodiscard]] std::wstring text(Control control) const;
  [[nodiscard]] bool visible(Control control) const;
  // A click on a push button, as the button itself reports one.
  void click(Control control) const;
  // Waits up to `limit` for the control to show `text`.
  [[nodiscard]] bool wait_for_text(Control control, const std::wstring& text,
                                   std::chrono::milliseconds limit) const;
  // Waits up to `limit` for the control to show something other than `text`.
  [[nodiscard]] bool wait_for_change(Control control, const std::wstring& text,
                                     std::chrono::milliseconds limit) const;
  // Asks the window to close, as its close box does.
  void close() const;

 private:
  explicit ProgramWindow(HWND window) : window_(window) {}
  HWND window_ = nullptr;
};

// The control whose form name is `name` ("按钮1"); nullopt for none.
[[nodiscard]] std::optional<Control> control_named(const std::wstring& name);

}  // namespace velkoran::testing
