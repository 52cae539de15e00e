// WindowBridge: how worker threads reach the window.
//
// Workers hold the bridge through a shared_ptr, so it outlives the window. Each
// call becomes a command that the bridge owns in one queue, under a lock; the
// first command of an empty queue posts one wake-up message to the window, and
// the window's thread then takes the whole queue and applies it in order (one
// queue for all workers keeps each worker's order). Once the window detaches,
// calls are dropped: a worker still waiting on the network when the window
// closes never touches a destroyed window.
//
//   auto bridge = std::make_shared<WindowBridge>();
//   bridge->attach(window, bridge_wakeup_message);   // GUI thread
//   bridge->set_control_text(Control::编辑框1, message);  // any thread
//   ...on bridge_wakeup_message: for (auto& c : bridge->take_pending()) apply(c);
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>

#include "workflow/window_port.h"

namespace velkoran {

// The message that tells the window commands are waiting.
inline constexpr UINT bridge_wakeup_message = WM_APP + 1;

// One call waiting for the GUI thread; the text is already UTF-16.
struct BridgeCommand {
  enum class Kind { set_text, set_visible, worker_done };
  Kind kind = Kind::set_text;
  Control control = Control::编辑框1;
  std::wstring text;
  bool visible = false;
};

class WindowBridge final : public WindowPort {
 public:
  WindowBridge() = default;
  WindowBridge(const WindowBridge&) = delete;
  WindowBridge& operator=(const WindowBridge&) = delete;

  // GUI thread: from now on commands are queued for `window`, woken with `message`.
  void attach(HWND window, UINT message);
  // From now on calls are dropped and waiting commands are discarded.
  void detach();

  void set_control_text(Control control, const Text& text) override;
  void set_control_visible(Control control, bool visible) override;
  // A worker says it has ended (the window counts running workers).
  void worker_done();

  // GUI thread, on the wake-up message: the waiting commands, oldest first.
  [[nodiscard]] std::deque<BridgeCommand> take_pending();

  // True while a window receives the calls.
  [[nodiscard]] bool attached() const;

 private:
  void post(BridgeCommand command);

  mutable std::mutex mutex_;
  HWND window_ = nullptr;
  UINT message_ = 0;
  bool wakeup_posted_ = false;
  std::deque<BridgeCommand> pending_;
};

}  // namespace velkoran
