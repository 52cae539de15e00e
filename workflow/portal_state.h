// PortalState: what one button press leaves behind for the next.
//
// Workers run side by side and share it. One lock guards all three fields: no
// worker ever sees a half-written Text, and the fields that belong together
// (the account and area code of one start page, and the flag its probe set)
// are written and read as one step, so a worker never pairs one run's account
// with another run's area code.
#pragma once

#include <mutex>

#include "core/text.h"

namespace velkoran {

// The three fields as they stood at one moment.
struct PortalFields {
  Text user_account;
  Text area_code;
  Text ready_flag;
};

class PortalState {
 public:
  [[nodiscard]] PortalFields snapshot() const;

  [[nodiscard]] Text user_account() const;
  [[nodiscard]] Text area_code() const;
  // "真" when the last probe allowed a speed-up, "假" after one was sent, else empty.
  [[nodiscard]] Text ready_flag() const;

  // The account and area code read from one start page, always together.
  void set_account(const Text& user_account, const Text& area_code);
  void set_ready_flag(const Text& value);
  // The account and area code a probe was sent for, with the flag it allowed.
  void set_ready(const Text& user_account, const Text& area_code, const Text& ready_flag);

  // Empties all three fields (the exit routine).
  void release();

 private:
  mutable std::mutex mutex_;
  Text user_account_;
  Text area_code_;
  Text ready_flag_;
};

}  // namespace velkoran
