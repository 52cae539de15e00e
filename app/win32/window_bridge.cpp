#include "app/win32/window_bridge.h"

#include "app/display_text.h"
#include "app/win32/wide_text.h"

namespace velkoran {

void WindowBridge::attach(HWND window, UINT message) {
  std::lock_guard lock(mutex_);
  window_ = window;
  message_ = message;
  wakeup_posted_ = false;
  pending_.clear();
}

void WindowBridge::detach() {
  std::lock_guard lock(mutex_);
  window_ = nullptr;
  pending_.clear();
}

void WindowBridge::set_control_text(Control control, const Text& text) {
  // Cut and converted here, on the worker, so the GUI thread only applies it.
  post({.kind = BridgeCommand::Kind::set_text,
        .control = control,
        .text = wide_from_text(display_text(control, text)),
        .visible = false});
}

void WindowBridge::set_control_visible(Control control, bool visible) {
  post({.kind = BridgeCommand::Kind::set_visible,
        .control = control,
        .text = {},
        .visible = visible});
}

void WindowBridge::worker_done() {
  BridgeCommand command;
  command.kind = BridgeCommand::Kind::worker_done;
  post(std::move(command));
}

std::deque<BridgeCommand> WindowBridge::take_pending() {
  std::lock_guard lock(mutex_);
  std::deque<BridgeCommand> taken;
  taken.swap(pending_);
  // Commands queued from now on need a wake-up of their own.
  wakeup_posted_ = false;
  return taken;
}

bool WindowBridge::attached() const {
  std::lock_guard lock(mutex_);
  return window_ != nullptr;
}

void WindowBridge::post(BridgeCommand command) {
  std::lock_guard lock(mutex_);
  if (window_ == nullptr) return;
  pending_.push_back(std::move(command));
  // Still under the lock, so detach() cannot slip in between. PostMessageW
  // never waits for the window's thread. A wake-up already on its way covers
  // this command too; a failed post (a full queue) is retried by the next call.
  if (!wakeup_posted_) wakeup_posted_ = PostMessageW(window_, message_, 0, 0) != FALSE;
}

}  // namespace velkoran
