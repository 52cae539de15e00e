// The program's one window: two labels, the message box, two buttons and the
// hidden update link.
//
// Each button click starts one worker thread that runs a workflow routine; the
// buttons are never disabled and any number of workers may run at once. Workers
// reach the controls only through the WindowBridge (bridge()). While at least one
// worker runs the application shows a busy pointer.
#pragma once

#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

// moc cannot read the non-ASCII control names; the compiler sees them.
#ifndef Q_MOC_RUN
#include "app/qt/window_bridge.h"
#include "workflow/portal_state.h"
#include "workflow/workflow.h"

class QPushButton;
#endif

namespace velkoran {

// What the window calls out to; tests replace parts of it.
struct ShellHooks {
  using Routine = std::function<void(const WorkflowContext&)>;
  Routine initialize_routine{};  // 按钮1; empty: initialize()
  Routine speed_up_routine{};    // 按钮2; empty: speed_up()
  // Shows an address in the default browser; empty: QDesktopServices::openUrl.
  std::function<void(const QUrl&)> open_url{};
  // Starts a detached thread; empty: start_detached_thread().
  std::function<bool(std::function<void()>)> start_thread{};
};

// The control's object name: "标签1" for Control::标签1, and so on.
[[nodiscard]] QString control_object_name(Control control);

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // `state` must outlive every worker the window starts.
  MainWindow(PortalState& state, PortalHosts hosts, ShellHooks hooks = {},
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window as the workers see it; stays valid after the window is gone.
  [[nodiscard]] std::shared_ptr<WindowBridge> bridge() const { return bridge_; }
  [[nodiscard]] QWidget* control(Control control) const;
  [[nodiscard]] int running_workers() const { return running_workers_; }

  // Places the window in the middle of its screen's available area.
  void centre_on_screen();

 signals:
  // The last running worker has ended.
  void workers_idle();

 private:
  void create_controls();
  // A push button whose clicks each start `routine` on a new worker.
  QPushButton* make_worker_button(const Text& caption, const ShellHooks::Routine& routine);
  void start_worker(const ShellHooks::Routine& routine);
  void open_in_browser(const Text& address);
  void apply(const BridgeCommand& command);
  void worker_ended();

  PortalState& state_;
  PortalHosts hosts_;
  ShellHooks hooks_;
  std::shared_ptr<WindowBridge> bridge_;
  std::array<QWidget*, 6> controls_{};
  int running_workers_ = 0;
};

}  // namespace velkoran
