// PortalState: what one button press leaves behind for the next.
//
// Workers run side by side and share it; each read and each assignment of a
// field is done under one lock, so no worker ever sees a half-written Text.
#pragma once

#include <mutex>

#include "core/text.h"

namespace velkoran {

class PortalState {
 public:
  [[nodiscard]] Text user_account() const;
  [[nodiscard]] Text area_code() const;
  // "真" when the last probe allowed a speed-up, "假" after one was sent, else empty.
  [[nodiscard]] Text ready_flag() const;

  void set_user_account(const Text& value);
  void set_area_code(const Text& value);
  void set_ready_flag(const Text& value);

  // Empties all three fields (the exit routine).
  void release();

 private:
  mutable std::mutex mutex_;
  Text user_account_;
  Text area_code_;
  Text ready_flag_;
};

}  // namespace velkoran
