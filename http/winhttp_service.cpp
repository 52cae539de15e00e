// Placeholder until the WinHTTP service lands.
#include "http/platform_service.h"

namespace velkoran {
std::unique_ptr<HttpService> make_platform_service() { return nullptr; }
}  // namespace velkoran
