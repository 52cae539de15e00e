#include "http/http_request.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "core/bytes_ops.h"
#include "core/codepage.h"
#include "core/events.h"
#include "core/text_ops.h"
#include "http/body_charset.h"
#include "http/cookie_merge.h"
#include "http/exchange_limits.h"
#include "http/http_service.h"
#include "http/http_texts.h"
#include "http/platform_service.h"
#include "http/request_header_list.h"
#include "http/request_headers.h"
#include "http/response_headers.h"
#include "regex/regex_object.h"

namespace velkoran {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultTimeoutMs = 30000;

// The method names by number; any other number is sent as GET.
Text method_name(int method) {
  static constexpr const char* kNames[] = {"GET",     "POST",   "HEAD",  "PUT",
                                           "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return method >= 0 && method <= 7 ? kNames[method] : "GET";
}

// The time-out in milliseconds: `timeout` seconds, 30 s when not above 0, and
// never more than a 32-bit count holds (it must not wrap to a negative value).
int timeout_ms(int timeout) {
  if (timeout <= 0) return kDefaultTimeoutMs;
  const std::int64_t ms = truncate_to_integer(static_cast<double>(timeout) * 1000.0);
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<int>(ms > kMax ? kMax : ms);
}

// UTF-16 units of a terminated UTF-16 string, the terminator not counted.
int unit_count(const Bytes& terminated) {
  const int units = bytes_length(terminated) / 2 - 1;
  return units > 0 ? units : 0;
}

// Units [offset, offset + length) of UTF-16 data, as Bytes.
Bytes unit_range(const Bytes& utf16, const UrlPart& part) {
  return bytes_mid(utf16, 2 * part.offset + 1, 2 * part.length);
}

// The three handles of one exchange. close_all() closes the request, the
// connection and the session, in that order, skipping those never opened;
// the destructor does it on any way out that did not.
class ExchangeHandles {
 public:
  explicit ExchangeHandles(HttpService& service) : service_(service) {}
  ~ExchangeHandles() { close_all(); }
  ExchangeHandles(const ExchangeHandles&) = delete;
  ExchangeHandles& operator=(const ExchangeHandles&) = delete;

  void close_all() {
    for (HttpHandle* handle : {&request, &connection, &session}) {
      if (*handle != kNoHandle) (void)service_.close_handle(*handle);
      *handle = kNoHandle;
    }
  }

  HttpHandle session = kNoHandle;
  HttpHandle connection = kNoHandle;
  HttpHandle request = kNoHandle;

 private:
  HttpService& service_;
};

// One call of http_request from the URL cracking on.
class Exchange {
 public:
  Exchange(const HttpRequestOptions& options, HttpService& service, RegexObject& regex)
      : options_(options), service_(service), regex_(regex), handles_(service) {}

  // Runs the steps up to the end of the response side; the result is the
  // routine's result (empty on failure, `status` then written).
  Text run(const Text& url);

  // Handles pending events once for each nested step entered, then closes the
  // handles in reverse order.
  void finish() {
    for (int i = 0; i < nested_steps_; ++i) process_pending_events();
    handles_.close_all();
  }

 private:
  // The steps from URL cracking to the header query are nested: each one
  // entered earns one pass over pending events on the way out.
  void enter_step() { ++nested_steps_; }

  Text fail(HttpFailure failure) {
    write_status(failure_text(failure));
    return {};
  }

  // Credential and switch failures leave at once, without the event passes.
  Text fail_at_once(HttpFailure failure) {
    nested_steps_ = 0;
    return fail(failure);
  }

  void write_status(const Text& text) {
    if (options_.status != nullptr) *options_.status = text;
  }

  std::optional<Bytes> read_body(Clock::time_point deadline);
  Text finish_response(Bytes body);

  const HttpRequestOptions& options_;
  HttpService& service_;
  RegexObject& regex_;
  ExchangeHandles handles_;
  int nested_steps_ = 0;
};

Text Exchange::run(const Text& url) {
  enter_step();
  const Bytes wide_url = text_to_utf16(url);
  UrlComponents parts;
  if (!service_.crack_url(wide_url, unit_count(wide_url), &parts)) {
    return fail(HttpFailure::kCrackUrl);
  }
  const Text host = utf16_to_text(unit_range(wide_url, parts.host));
  const bool secure = parts.scheme == kSchemeHttps;
  // Without a path the object is "/", and a query part is then not sent.
  const Bytes object_name = parts.path.length < 1
                                ? text_to_utf16("/")
                                : bytes_concat(unit_range(wide_url, parts.path),
                                               unit_range(wide_url, parts.extra), blank_bytes(2));

  enter_step();
  if (options_.proxy.empty()) {
    handles_.session = service_.open(kAccessNoProxy, text_to_utf16(Text()));
  } else {
    // For plain http only, unless the URL itself is https.
    const Text proxy_name = secure ? options_.proxy : text_concat("http=", options_.proxy);
    handles_.session = service_.open(kAccessNamedProxy, text_to_utf16(proxy_name));
  }
  if (handles_.session == kNoHandle) return fail(HttpFailure::kOpenSession);

  enter_step();
  handles_.connection = service_.connect(handles_.session, text_to_utf16(host), parts.port);
  if (handles_.connection == kNoHandle) return fail(HttpFailure::kConnect);

  enter_step();
  handles_.request = service_.open_request(
      handles_.connection, text_to_utf16(method_name(options_.method)), object_name, secure);
  if (handles_.request == kNoHandle) return fail(HttpFailure::kOpenRequest);

  enter_step();
  const int limit = timeout_ms(options_.timeout);
  if (!service_.set_timeouts(handles_.request, limit, limit, limit, limit)) {
    return fail(HttpFailure::kTimeouts);
  }

  if (!options_.user_name.empty() && !options_.password.empty() &&
      !service_.set_credentials(handles_.request, kAuthTargetServer, kAuthSchemeBasic,
                                text_to_utf16(options_.user_name),
                                text_to_utf16(options_.password))) {
    return fail_at_once(HttpFailure::kCredentials);
  }
  if (!options_.proxy_user_name.empty() && !options_.proxy_password.empty() &&
      !service_.set_credentials(handles_.request, kAuthTargetProxy, kAuthSchemeBasic,
                                text_to_utf16(options_.proxy_user_name),
                                text_to_utf16(options_.proxy_password))) {
    return fail_at_once(HttpFailure::kCredentials);
  }

  // Without the caller's cookies the service keeps none of its own, so the
  // request carries only the cookies of the header block.
  const bool cookies_given = options_.cookies != nullptr;
  const bool cookie_switch_set =
      cookies_given
          ? service_.set_option(handles_.request, kOptionEnableFeature, kEnableCookieStore)
          : service_.set_option(handles_.request, kOptionDisableFeature, kDisableCookies);
  if (!cookie_switch_set) return fail_at_once(HttpFailure::kCookieSwitch);
  if (options_.no_redirect &&
      !service_.set_option(handles_.request, kOptionDisableFeature, kDisableRedirects)) {
    return fail_at_once(HttpFailure::kRedirectSwitch);
  }

  enter_step();
  const Text header_text = build_request_headers(options_.headers, options_.method,
                                                 cookies_given ? *options_.cookies : Text());
  // A malformed line, or a lone CR or LF that would start a line of its own on
  // the wire, fails the step whatever the service would make of it.
  const Bytes header_block = text_to_utf16(header_text);
  if (!is_sendable_header_block(header_text.view()) ||
      !service_.add_request_headers(handles_.request, header_block, unit_count(header_block),
                                    kAddHeaderAdd | kAddHeaderReplace)) {
    return fail(HttpFailure::kAddHeaders);
  }

  // The whole exchange from here on has its deadline; the service keeps to
  // it while sending and receiving, the reading below while reading.
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(exchange_deadline_ms(limit));
  enter_step();
  if (!service_.send_request(handles_.request, text_to_bytes(options_.body))) {
    return fail(HttpFailure::kSend);
  }

  enter_step();
  if (!service_.receive_response(handles_.request)) return fail(HttpFailure::kReceive);

  std::optional<Bytes> body = read_body(deadline);
  if (!body) return fail(HttpFailure::kReadData);
  enter_step();
  return finish_response(std::move(*body));
}

// Reads the body chunk by chunk. A failing read leaves the "713" text in
// `status` (the status line overwrites it later) and keeps what came so far.
// A body longer than kMaxBodyBytes, or one still coming at the deadline, is
// no answer at all: nullopt, and the exchange fails.
std::optional<Bytes> Exchange::read_body(Clock::time_point deadline) {
  std::string accumulated;  // grows in place: linear in the body size
  for (;;) {
    if (Clock::now() >= deadline) return std::nullopt;
    int available = 0;
    if (!service_.query_data_available(handles_.request, &available) || available < 1) break;
    // Never more room than one byte past the cap: that byte is enough to
    // know the body is too long.
    const std::size_t room = kMaxBodyBytes + 1 - accumulated.size();
    Bytes buffer = blank_bytes(static_cast<int>(std::min<std::size_t>(available, room)));
    int bytes_read = 0;
    if (!service_.read_data(handles_.request, &buffer, &bytes_read)) {
      write_status(failure_text(HttpFailure::kReadData));
      break;
    }
    // A read that brings nothing would otherwise be asked again forever.
    if (bytes_read < 1) break;
    accumulated.append(buffer.view().substr(0, static_cast<std::size_t>(bytes_read)));
    if (accumulated.size() > kMaxBodyBytes) return std::nullopt;
  }
  return Bytes(std::move(accumulated));
}

// The response side: header block, status, cookies, redirect target, body.
// The body is taken over rather than copied, and the result is made before
// the body moves on to `response_bytes`, so that beside the body only its
// Text is alive.
Text Exchange::finish_response(Bytes body) {
  int length = 0;
  int index = 0;
  Bytes no_buffer;
  // The first query only learns the size the block needs.
  (void)service_.query_headers(handles_.request, kQueryRawHeadersCrlf, &no_buffer, &length, &index);
  Bytes buffer = blank_bytes(length);
  index = 0;
  if (!service_.query_headers(handles_.request, kQueryRawHeadersCrlf, &buffer, &length, &index)) {
    return {};  // silent: nothing is written, the body is dropped
  }
  const Text raw_headers = utf16_to_text(buffer);
  if (options_.response_headers != nullptr) *options_.response_headers = raw_headers;
  write_status(status_text(raw_headers));

  const ResponseHeaderScan scan = scan_response_headers(raw_headers);
  Text new_cookies = append_cookie_items(
      options_.new_cookies != nullptr ? *options_.new_cookies : Text(), scan.cookie_items);
  if (options_.merge_cookies.value_or(true) && options_.cookies != nullptr) {
    // Worked on copies: the caller may hand the same variable for both.
    Text cookies = *options_.cookies;
    new_cookies = cookie_merge(cookies, new_cookies);
    *options_.cookies = cookies;
  }
  if (options_.new_cookies != nullptr) *options_.new_cookies = new_cookies;
  if (scan.location && options_.location != nullptr) *options_.location = *scan.location;

  Text result = decode_body(regex_, body);
  if (options_.response_bytes != nullptr) *options_.response_bytes = std::move(body);
  return result;
}

}  // namespace

Text http_request(const Text& url, const HttpRequestOptions& options, HttpService& service) {
  RegexObject regex;  // lives as long as the call; the charset step uses it
  if (!service.check_platform()) {
    if (options.status != nullptr) *options.status = failure_text(HttpFailure::kPlatform);
    return {};
  }
  Exchange exchange(options, service, regex);
  Text result = exchange.run(url);
  exchange.finish();
  return result;
}

Text http_request(const Text& url, const HttpRequestOptions& options) {
  const std::unique_ptr<HttpService> service = make_platform_service();
  return http_request(url, options, *service);
}

}  // namespace velkoran
