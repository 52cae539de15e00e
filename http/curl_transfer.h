// One HTTP exchange carried out with libcurl: connect, send, follow
// redirects, and collect the final response's raw header block and body.
//
//   TransferPlan plan;
//   plan.host = "127.0.0.1";
//   plan.port = 8080;
//   plan.method = "GET";
//   plan.target = "/";
//   TransferResult result = run_transfer(plan);
//
// The request carries exactly the header lines given (plus Host, and
// Content-Length when a body is sent); libcurl's own defaults are suppressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "http/url_parts.h"

namespace velkoran {

// Makes libcurl ready for use; safe to call from any thread, any number of times.
[[nodiscard]] bool curl_ready();

struct TransferPlan {
  bool secure = false;
  std::string host;  // UTF-8; an IPv6 literal keeps its brackets
  int port = 0;
  std::string method = "GET";
  std::string target = "/";         // request target of the first request, as sent
  ProxyChoice proxies;              // none: direct
  int connect_timeout_ms = 0;       // resolving and connecting; 0: libcurl's default
  int send_timeout_ms = 0;          // longest pause while sending; 0: no limit
  int receive_timeout_ms = 0;       // longest pause while waiting and receiving; 0: no limit
  std::int64_t deadline_ms = 0;     // the whole exchange, every redirect included; 0: none
  bool server_credentials = false;  // Basic, sent with the first request
  std::string user_name;
  std::string password;
  bool proxy_credentials = false;  // Basic, sent to the proxy
  std::string proxy_user_name;
  std::string proxy_password;
  bool cookie_store = false;              // keep cookies set during the exchange (across redirects)
  bool follow_redirects = true;           // at most 10, never from https to http
  std::vector<std::string> header_lines;  // "Name: value", in order
  std::string body;
  std::string trusted_certificates;  // PEM; empty: the system's certificate store
};

struct TransferResult {
  enum class Outcome {
    kComplete,    // the final response arrived whole
    kSendFailed,  // no connection, or the request could not be sent
    kNoResponse,  // no final status line and headers (time-out, closed, garbage)
    kBodyBroken,  // the headers arrived, the body broke off; `body` holds what came
    kAbandoned,   // the headers arrived, then the body or the trailers went past their
                  // cap, or the deadline passed; `body` holds what came
  };
  Outcome outcome = Outcome::kSendFailed;
  std::string raw_headers;  // status line and header lines, each ended by CR LF, then CR LF
  std::string body;
  std::string error;  // libcurl's description when something failed
};

// Kept from one response: at most kMaxHeaderBytes of header lines, interim
// responses and trailers (past it the exchange fails: kNoResponse before the
// final headers are complete, kAbandoned after), and at most kMaxBodyBytes of
// body (past it: kAbandoned). The deadline ends the exchange in whatever
// phase it is: kSendFailed, kNoResponse or kAbandoned.

// The most redirects followed in one exchange.
inline constexpr int kMaxRedirects = 10;

[[nodiscard]] TransferResult run_transfer(const TransferPlan& plan);

}  // namespace velkoran
