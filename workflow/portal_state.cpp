#include "workflow/portal_state.h"

namespace velkoran {

PortalFields PortalState::snapshot() const {
  std::lock_guard lock(mutex_);
  return PortalFields{user_account_, area_code_, ready_flag_};
}

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

void PortalState::set_ready_flag(const Text& value) {
  std::lock_guard lock(mutex_);
  ready_flag_ = value;
}

void PortalState::set_account(const Text& user_account, const Text& area_code) {
  std::lock_guard lock(mutex_);
  user_account_ = user_account;
  area_code_ = area_code;
}

void PortalState::set_ready(const Text& user_account, const Text& area_code,
                            const Text& ready_flag) {
  std::lock_guard lock(mutex_);
  user_account_ = user_account;
  area_code_ = area_code;
  ready_flag_ = ready_flag;
}

void PortalState::release() {
  std::lock_guard lock(mutex_);
  user_account_ = Text();
  area_code_ = Text();
  ready_flag_ = Text();
}

}  // namespace velkoran
