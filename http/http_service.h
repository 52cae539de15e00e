// HttpService: the HTTP client service that http_request drives, one operation
// per step of an exchange.
//
//   CurlService service;
//   HttpHandle session = service.open(kAccessNoProxy, {});
//   HttpHandle connection = service.connect(session, text_to_utf16("127.0.0.1"), 8080);
//   ...
//   service.close_handle(connection);
//
// The shape is that of a classic platform HTTP service: texts travel as
// UTF-16LE Bytes (with a terminator where a whole string is handed over),
// handles are opaque numbers, and a failing operation answers false or
// kNoHandle. http_request is written against this interface only, so a test
// can put a layer in between that fails any chosen call and records the rest.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace velkoran {

// A session, connection or request handle; kNoHandle is "none".
using HttpHandle = std::uint64_t;
inline constexpr HttpHandle kNoHandle = 0;

// URL schemes reported by crack_url.
inline constexpr int kSchemeHttp = 1;
inline constexpr int kSchemeHttps = 2;

// Access types of open().
inline constexpr int kAccessNoProxy = 1;
inline constexpr int kAccessNamedProxy = 3;

// set_credentials(): whom the credentials are for, and the one scheme offered.
inline constexpr int kAuthTargetServer = 0;
inline constexpr int kAuthTargetProxy = 1;
inline constexpr int kAuthSchemeBasic = 1;

// set_option(): feature switches. kOptionDisableFeature takes a set of
// kDisable* bits; kOptionEnableFeature with kEnableCookieStore keeps the cookies
// that responses set during the exchange (for example across redirects).
inline constexpr int kOptionDisableFeature = 63;
inline constexpr int kOptionEnableFeature = 79;
inline constexpr std::uint32_t kDisableCookies = 1;
inline constexpr std::uint32_t kDisableRedirects = 2;
inline constexpr std::uint32_t kEnableCookieStore = 1;

// add_request_headers() modifiers: add a header line, replacing an earlier
// header of the same name (names compare without regard to ASCII case).
inline constexpr std::uint32_t kAddHeaderAdd = 0x20000000;
inline constexpr std::uint32_t kAddHeaderReplace = 0x80000000;

// query_headers() information level: the raw header block, lines ended by CR LF.
inline constexpr int kQueryRawHeadersCrlf = 22;

// A part of a URL as a position and a length, both in UTF-16 units.
struct UrlPart {
  int offset = 0;
  int length = 0;
};

struct UrlComponents {
  int scheme = 0;  // kSchemeHttp or kSchemeHttps
  UrlPart host;    // host name (an IPv6 literal keeps its brackets)
  int port = 0;    // given port, or the scheme's default
  UrlPart path;    // from the first "/" after the host up to "?" or "#"; may be empty
  UrlPart extra;   // "?query#fragment" as written; may be empty
};

class HttpService {
 public:
  virtual ~HttpService() = default;

  // True when the service can be used at all.
  virtual bool check_platform() = 0;

  // Splits the first `length` units of `url` (UTF-16LE). Only http and https
  // URLs with a non-empty host and a port from 1 to 65535 crack.
  virtual bool crack_url(const Bytes& url, int length, UrlComponents* components) = 0;

  // A session. With kAccessNamedProxy, `proxy_name` (UTF-16LE, terminated)
  // lists "[scheme=]host:port" entries separated by ";" or blanks; an entry
  // without "scheme=" serves every scheme.
  virtual HttpHandle open(int access_type, const Bytes& proxy_name) = 0;

  virtual HttpHandle connect(HttpHandle session, const Bytes& host_name, int port) = 0;

  // A request for `object_name` (the path, query and fragment as sent) with the
  // method `method`; `secure` selects TLS.
  virtual HttpHandle open_request(HttpHandle connection, const Bytes& method,
                                  const Bytes& object_name, bool secure) = 0;

  // Time-outs in milliseconds for resolving, connecting, sending and receiving.
  // Each bounds one wait: a stall longer than it ends the exchange, a slow but
  // moving transfer does not. 0 or less waits without limit.
  virtual bool set_timeouts(HttpHandle request, int resolve_ms, int connect_ms, int send_ms,
                            int receive_ms) = 0;

  virtual bool set_credentials(HttpHandle request, int target, int scheme, const Bytes& user_name,
                               const Bytes& password) = 0;

  virtual bool set_option(HttpHandle request, int option, std::uint32_t value) = 0;

  // Adds the CR LF separated lines among the first `length` units of `headers`.
  virtual bool add_request_headers(HttpHandle request, const Bytes& headers, int length,
                                   std::uint32_t modifiers) = 0;

  // Sends the request with `body` as its data (empty: no data).
  virtual bool send_request(HttpHandle request, const Bytes& body) = 0;

  // Waits for the final response's status line and headers.
  virtual bool receive_response(HttpHandle request) = 0;

  // How many body bytes can be read now; 0 at the end of the body.
  virtual bool query_data_available(HttpHandle request, int* available) = 0;

  // Reads up to buffer->size() body bytes into `buffer`.
  virtual bool read_data(HttpHandle request, Bytes* buffer, int* bytes_read) = 0;

  // Copies the raw header block of the final response, UTF-16LE with a
  // terminator, into `buffer`. When `buffer` is too small (or empty) the call
  // fails and `buffer_length` receives the size needed in bytes; on success it
  // receives the bytes written without the terminator.
  virtual bool query_headers(HttpHandle request, int info_level, Bytes* buffer, int* buffer_length,
                             int* index) = 0;

  virtual bool close_handle(HttpHandle handle) = 0;
};

}  // namespace velkoran
