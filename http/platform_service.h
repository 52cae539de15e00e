// The HttpService that really talks HTTP on this platform: WinHTTP on Windows,
// libcurl elsewhere. http_request without a service argument uses it.
#pragma once

#include <memory>

#include "http/http_service.h"

namespace velkoran {

[[nodiscard]] std::unique_ptr<HttpService> make_platform_service();

}  // namespace velkoran
