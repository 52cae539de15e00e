// Pieces of URLs and proxy lists for the libcurl service layer.
//
//   UrlComponents parts;
//   crack_url_units(u"http://h:81/a?x=1#f", &parts);
//   // scheme kSchemeHttp, host {7, 1}, port 81, path {12, 2}, extra {14, 6}
#pragma once

#include <string>
#include <string_view>

#include "http/http_service.h"

namespace velkoran {

// Splits `url` into scheme, host, port, path and extra information. Only
// "http" and "https" (any letter case) crack, with a non-empty host free of
// blanks and control characters and a port from 1 to 65535 (omitted or empty:
// 80 or 443). A user name and password before "@" are skipped, never reported.
[[nodiscard]] bool crack_url_units(std::u16string_view url, UrlComponents* components);

// The proxies a session's proxy list names for plain and for secure requests;
// empty where the list names none.
struct ProxyChoice {
  std::string for_http;
  std::string for_https;
};

// Reads "[http=|https=][http://]host:port" entries separated by ";" or blanks.
// An entry that names its scheme wins over one that serves every scheme.
//   parse_proxy_list("http=p:8080").for_https == ""
[[nodiscard]] ProxyChoice parse_proxy_list(std::string_view list);

// The object name as it goes on the request line: UTF-8, with blanks, control
// characters and non-ASCII bytes escaped as %XX. Everything else, "#" and "%"
// included, is sent as written.
//   request_target(u"/a b?x=1#f") == "/a%20b?x=1#f"
[[nodiscard]] std::string request_target(std::u16string_view object_name);

// Case-insensitive comparison of ASCII letters.
[[nodiscard]] bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

}  // namespace velkoran
