// What the platform's HTTP service does on its own, where the services differ:
// libcurl on Linux (service_habits_curl.cpp), WinHTTP on Windows
// (service_habits_winhttp.cpp). Tests that talk to real servers read these
// instead of naming a service.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "http/http_service.h"

namespace velkoran::testing {

// Names of the header lines the service puts on every request by itself,
// besides Host and (when a body goes out) Content-Length.
const std::vector<std::string>& service_header_names();

// The platform's service, trusting the one certificate `certificate_pem` for
// TLS besides those the system trusts (for local servers with certificates of
// their own making).
std::unique_ptr<HttpService> make_trusting_service(const std::string& certificate_pem);

}  // namespace velkoran::testing
