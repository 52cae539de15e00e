// WindowBridge: how worker threads reach the window.
//
// Workers hold the bridge through a shared_ptr, so it outlives the window. Each
// call is queued under a lock and applied on the GUI thread in the order the
// calls were made (one queue for all workers keeps each worker's order). Once the
// window detaches, further calls are dropped: a worker still waiting on the
// network when the window closes never touches a destroyed widget.
//
//   auto bridge = std::make_shared<WindowBridge>();
//   bridge->attach(window, [&](const BridgeCommand& c) { apply(c); });
//   // any thread:
//   bridge->set_control_text(Control::编辑框1, message);
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// moc cannot read the non-ASCII control names; the compiler sees them.
#ifndef Q_MOC_RUN
#include "workflow/window_port.h"
#endif

namespace velkoran {

// One call waiting for the GUI thread. Text travels as UTF-8.
struct BridgeCommand {
  enum class Kind { set_text, set_visible, worker_done };
  Kind kind = Kind::set_text;
  Control control = Control::编辑框1;
  std::string utf8;
  bool visible = false;
};

// Lives on the GUI thread; runs the queued commands when woken.
class BridgeReceiver : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(const BridgeCommand&)>;
  BridgeReceiver(std::shared_ptr<class WindowBridge> bridge, Handler handler, QObject* parent);
  ~BridgeReceiver() override;

 public slots:
  void drain();

 private:
  std::shared_ptr<WindowBridge> bridge_;
  Handler handler_;
};

// Always owned by a shared_ptr (attach() needs it).
class WindowBridge final : public WindowPort, public std::enable_shared_from_this<WindowBridge> {
 public:
  WindowBridge() = default;
  WindowBridge(const WindowBridge&) = delete;
  WindowBridge& operator=(const WindowBridge&) = delete;

  // GUI thread: routes commands to `handler`, called on the thread of `owner`.
  // The receiver is a child of `owner` and detaches itself when destroyed.
  void attach(QObject* owner, BridgeReceiver::Handler handler);
  // From now on calls are dropped (the window is going away).
  void detach();

  void set_control_text(Control control, const Text& text) override;
  void set_control_visible(Control control, bool visible) override;
  // A worker says it has ended (the window counts running workers).
  void worker_done();

  // True while a window receives the calls.
  [[nodiscard]] bool attached() const;

 private:
  friend class BridgeReceiver;
  void post(BridgeCommand command);
  void detach(BridgeReceiver* receiver);
  [[nodiscard]] std::deque<BridgeCommand> take_pending();

  mutable std::mutex mutex_;
  BridgeReceiver* receiver_ = nullptr;
  std::deque<BridgeCommand> pending_;
};

}  // namespace velkoran
