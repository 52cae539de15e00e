// http_request: the system's one HTTP routine.
//
//   Text status;
//   Text page = http_request("http://portal/", {.headers = user_agent_line, .status = &status});
//
// One call performs one complete exchange and returns the response body as GBK
// Text (re-decoded when the page declares another charset), or the empty Text
// when the exchange fails; `status` then holds one numbered failure text
// ("700 ..." to "713 ..."). Out-parameters are pointers: leave one null to
// ignore it. `cookies` given means non-null; `merge_cookies` unset means true.
#pragma once

#include <optional>

#include "core/text.h"

namespace velkoran {

class HttpService;

struct HttpRequestOptions {
  int method = 0;           // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT
  Text body{};              // sent whatever the method; empty: no body
  Text* cookies = nullptr;  // in-out; given when non-null
  Text* new_cookies = nullptr;       // out
  Text headers{};                    // extra header lines joined by CR LF, no trailing CR LF
  Text* response_headers = nullptr;  // out: the raw header block
  bool no_redirect = false;
  Text user_name{};
  Text password{};
  Text proxy{};  // host:port; empty: direct
  Text proxy_user_name{};
  Text proxy_password{};
  int timeout = 0;                      // seconds; <= 0 means 30
  Text* location = nullptr;             // out: redirect target; untouched when none
  Text* status = nullptr;               // out: status text or failure text
  Bytes* response_bytes = nullptr;      // out: the raw body
  std::optional<bool> merge_cookies{};  // unset: true
};

Text http_request(const Text& url, const HttpRequestOptions& options = {});
// The same over a given service layer (tests inject failures through it).
Text http_request(const Text& url, const HttpRequestOptions& options, HttpService& service);

}  // namespace velkoran
