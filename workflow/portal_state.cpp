#include "workflow/portal_state.h"

namespace velkoran {

Text PortalState::user_account() const {
  std::lock_guard lock(mutex_);
  return user_account_;
}

Text PortalState::area_code() const {
  std::lock_guard lock(mutex_);
  return area_code_;
}

Text PortalState::ready_flag() const {
  std::lock_guard lock(mutex_);
  return ready_flag_;
}

void PortalState::set_user_account(const Text& value) {
  std::lock_guard lock(mutex_);
  user_account_ = value;
}

void PortalState::set_area_code(const Text& value) {
  std::lock_guard lock(mutex_);
  area_code_ = value;
}

void PortalState::set_ready_flag(const Text& value) {
  std::lock_guard lock(mutex_);
  ready_flag_ = value;
}

void PortalState::release() {
  std::lock_guard lock(mutex_);
  user_account_ = Text();
  area_code_ = Text();
  ready_flag_ = Text();
}

}  // namespace velkoran
