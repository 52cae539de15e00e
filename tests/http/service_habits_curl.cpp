#include "http/curl_service.h"
#include "tests/http/service_habits.h"

namespace velkoran::testing {

const std::vector<std::string>& service_header_names() {
  static const std::vector<std::string> names;  // libcurl's own lines are switched off
  return names;
}

std::unique_ptr<HttpService> make_trusting_service(const std::string& certificate_pem) {
  return std::make_unique<CurlService>(certificate_pem);
}

}  // namespace velkoran::testing
