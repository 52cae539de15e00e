#include "app/qt/window_bridge.h"

#include <QMetaObject>

#include "app/display_text.h"
#include "core/codepage.h"

namespace velkoran {

BridgeReceiver::BridgeReceiver(std::shared_ptr<WindowBridge> bridge, Handler handler,
                               QObject* parent)
    : QObject(parent), bridge_(std::move(bridge)), handler_(std::move(handler)) {}

BridgeReceiver::~BridgeReceiver() { bridge_->detach(this); }

void BridgeReceiver::drain() {
  // Commands are taken in one batch and run outside the lock, so a handler may
  // itself cause new posts without deadlocking.
  for (const BridgeCommand& command : bridge_->take_pending()) handler_(command);
}

void WindowBridge::attach(QObject* owner, BridgeReceiver::Handler handler) {
  auto* receiver = new BridgeReceiver(shared_from_this(), std::move(handler), owner);
  std::lock_guard lock(mutex_);
  receiver_ = receiver;
  pending_.clear();
}

void WindowBridge::set_control_text(Control control, const Text& text) {
  // Cut and converted here, on the worker, so the GUI thread only applies it.
  post({.kind = BridgeCommand::Kind::set_text,
        .control = control,
        .utf8 = utf8_from_gbk(display_text(control, text))});
}

void WindowBridge::set_control_visible(Control control, bool visible) {
  post({.kind = BridgeCommand::Kind::set_visible,
        .control = control,
        .utf8 = {},
        .visible = visible});
}

void WindowBridge::worker_done() {
  BridgeCommand command;
  command.kind = BridgeCommand::Kind::worker_done;
  post(std::move(command));
}

bool WindowBridge::attached() const {
  std::lock_guard lock(mutex_);
  return receiver_ != nullptr;
}

void WindowBridge::post(BridgeCommand command) {
  std::lock_guard lock(mutex_);
  if (receiver_ == nullptr) return;
  const bool wake = pending_.empty();
  pending_.push_back(std::move(command));
  // Still under the lock: the receiver cannot be destroyed between the check
  // above and the wake-up, because detach() needs the same lock. A non-empty
  // queue already has a wake-up on its way.
  if (wake) QMetaObject::invokeMethod(receiver_, "drain", Qt::QueuedConnection);
}

void WindowBridge::detach() {
  std::lock_guard lock(mutex_);
  receiver_ = nullptr;
  pending_.clear();
}

void WindowBridge::detach(BridgeReceiver* receiver) {
  std::lock_guard lock(mutex_);
  if (receiver_ != receiver) return;
  receiver_ = nullptr;
  pending_.clear();
}

std::deque<BridgeCommand> WindowBridge::take_pending() {
  std::lock_guard lock(mutex_);
  std::deque<BridgeCommand> taken;
  taken.swap(pending_);
  return taken;
}

}  // namespace velkoran
