// The texts http_request reports in `status` when a step fails.
//
//   failure_text(HttpFailure::kSend)   // GBK of "711 发送请求失败!"
#pragma once

#include "core/text.h"

namespace velkoran {

// Each failing step, numbered as its text. There is no 706.
enum class HttpFailure {
  kPlatform = 700,
  kCrackUrl = 701,
  kOpenSession = 702,
  kConnect = 703,
  kOpenRequest = 704,
  kTimeouts = 705,
  kCredentials = 707,
  kCookieSwitch = 708,
  kRedirectSwitch = 709,
  kAddHeaders = 710,
  kSend = 711,
  kReceive = 712,
  kReadData = 713,
};

// The GBK failure text of one step.
[[nodiscard]] Text failure_text(HttpFailure failure);

}  // namespace velkoran
