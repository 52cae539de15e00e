#include "http/curl_transfer.h"

#include <curl/curl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string_view>

#include "http/exchange_limits.h"
#include "http/request_header_list.h"

namespace velkoran {
namespace {

using Clock = std::chrono::steady_clock;

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

struct SlistCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderSlist = std::unique_ptr<curl_slist, SlistCleanup>;

struct UrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

// Headers libcurl would add on its own; each is switched off unless the
// request's lines carry it.
constexpr std::string_view kLibraryDefaults[] = {"Accept", "Content-Type", "Expect",
                                                 "Proxy-Connection", "Transfer-Encoding"};

// The socket the exchange talks over now (to the server or the proxy), kept
// from libcurl's socket callbacks: the one open connection of the easy
// handle, reused from one request to the next where it can be.
struct OpenSocket {
  curl_socket_t socket = CURL_SOCKET_BAD;

  static int on_created(void* user, curl_socket_t socket, curlsocktype) {
    static_cast<OpenSocket*>(user)->socket = socket;
    return CURL_SOCKOPT_OK;
  }

  static int on_close(void* user, curl_socket_t socket) {
    auto* open = static_cast<OpenSocket*>(user);
    if (open->socket == socket) open->socket = CURL_SOCKET_BAD;
    return close(socket);
  }
};

// One request of the exchange: the first, or one that follows a redirect.
struct Hop {
  std::string url;     // what is asked for; later redirects are resolved against it
  std::string origin;  // "scheme://host[:port]" of `url`
  std::string target;  // request target as sent; empty: taken from `url`
  bool secure = false;
  std::string method;
  bool send_body = false;
  bool server_credentials = false;
};

// What libcurl's callbacks have seen during one hop.
class HopState {
 public:
  // `deadline` is that of the whole exchange; time_point::max() for none.
  HopState(const TransferPlan& plan, const OpenSocket& socket, curl_off_t body_size,
           Clock::time_point deadline)
      : plan_(plan),
        socket_(socket),
        body_size_(body_size),
        deadline_(deadline),
        last_activity_(Clock::now()) {}

  // A count other than `length` makes libcurl end the transfer.
  static size_t on_header(char* data, size_t size, size_t count, void* user) {
    const size_t length = size * count;
    auto* state = static_cast<HopState*>(user);
    state->header_bytes_ += length;
    if (state->header_bytes_ > kMaxHeaderBytes) {
      state->abandoned_ = true;
      return 0;
    }
    state->header_line(std::string_view(data, length));
    return length;
  }

  static size_t on_body(char* data, size_t size, size_t count, void* user) {
    const size_t length = size * count;
    auto* state = static_cast<HopState*>(user);
    if (state->body_.size() + length > kMaxBodyBytes) {
      state->abandoned_ = true;
      return 0;
    }
    state->body_.append(data, length);
    state->last_activity_ = Clock::now();
    return length;
  }

  // Called about once a second and on every progress; ends a stalled transfer.
  static int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    return static_cast<HopState*>(user)->check_progress(uploaded) ? 0 : 1;
  }

  // Called once the connection (and TLS, and any proxy tunnel) is up.
  static int on_connected(void* user, char*, char*, int, int) {
    auto* state = static_cast<HopState*>(user);
    state->connected_ = true;
    state->last_activity_ = Clock::now();
    return CURL_PREREQFUNC_OK;
  }

  bool connected() const { return connected_; }
  // Whether this side ended the transfer: a cap or the deadline.
  bool abandoned() const { return abandoned_; }
  bool headers_complete() const { return headers_complete_; }
  int status_code() const { return status_code_; }
  std::string& raw_headers() { return raw_headers_; }
  std::string& body() { return body_; }

 private:
  void header_line(std::string_view line) {
    last_activity_ = Clock::now();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.substr(0, 5) == "HTTP/") {
      // A status line starts a new response: an interim 1xx, a proxy's answer
      // to CONNECT, or the final one. Only the last one is kept.
      raw_headers_.assign(line).append("\r\n");
      body_.clear();
      collecting_ = true;
      headers_complete_ = false;
      const std::size_t blank = line.find(' ');
      status_code_ = blank == std::string_view::npos ? 0 : parse_code(line.substr(blank + 1));
      return;
    }
    if (!collecting_) return;  // trailers after a chunked body
    raw_headers_.append(line).append("\r\n");
    if (line.empty()) {
      collecting_ = false;
      // A 2xx before the connection is up only opens a proxy tunnel; the
      // answer comes through it later. A proxy's refusal is the answer.
      const bool tunnel_opened = !connected_ && status_code_ < 300;
      headers_complete_ = status_code_ >= 200 && !tunnel_opened;
    }
  }

  static int parse_code(std::string_view digits) {
    int code = 0;
    for (std::size_t i = 0; i < 3 && i < digits.size(); ++i) {
      if (digits[i] < '0' || digits[i] > '9') return 0;
      code = code * 10 + (digits[i] - '0');
    }
    return code;
  }

  bool check_progress(curl_off_t uploaded) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline_) {
      abandoned_ = true;
      return false;
    }
    if (uploaded != uploaded_) {
      uploaded_ = uploaded;
      last_activity_ = now;
    }
    if (!connected_) return true;  // the connect time-out governs until then
    const bool sending = uploaded_ < body_size_;
    // Every byte that arrives is activity, also one of a header line that is
    // not complete yet (libcurl hands header lines over only when whole).
    if (!sending) last_activity_ = std::max(last_activity_, last_arrival(now));
    const int limit_ms = sending ? plan_.send_timeout_ms : plan_.receive_timeout_ms;
    if (limit_ms <= 0) return true;
    return now - last_activity_ < std::chrono::milliseconds(limit_ms);
  }

  // When the connection last brought bytes, as the system's TCP statistics
  // tell; the beginning of time when they cannot be had.
  Clock::time_point last_arrival(Clock::time_point now) const {
    if (socket_.socket == CURL_SOCKET_BAD) return Clock::time_point::min();
    tcp_info info{};
    socklen_t size = sizeof(info);
    if (getsockopt(socket_.socket, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) {
      return Clock::time_point::min();
    }
    return now - std::chrono::milliseconds(info.tcpi_last_data_recv);
  }

  const TransferPlan& plan_;
  const OpenSocket& socket_;
  const curl_off_t body_size_;
  const Clock::time_point deadline_;
  Clock::time_point last_activity_;
  curl_off_t uploaded_ = 0;
  std::size_t header_bytes_ = 0;  // header lines, interim responses and trailers alike
  bool abandoned_ = false;
  bool connected_ = false;
  bool collecting_ = false;
  bool headers_complete_ = false;
  int status_code_ = 0;
  std::string raw_headers_;
  std::string body_;
};

// "scheme://host[:port]", the port left out where it is the scheme's default.
std::string origin_url(bool secure, const std::string& host, int port) {
  std::string url = std::string(secure ? "https://" : "http://") + host;
  if (port != (secure ? 443 : 80)) url += ":" + std::to_string(port);
  return url;
}

// The header list handed to libcurl: the request's lines, then switches that
// turn libcurl's own defaults off.
HeaderSlist build_header_slist(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    // libcurl drops "Name:" as a removal; "Name;" sends it with an empty value.
    const std::string entry = RequestHeaderList::has_value(line)
                                  ? line
                                  : std::string(RequestHeaderList::name_of(line)) + ";";
    list = curl_slist_append(list, entry.c_str());
  }
  for (const std::string_view name : kLibraryDefaults) {
    const bool given = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return equals_ignoring_ascii_case(RequestHeaderList::name_of(line), name);
    });
    if (!given) list = curl_slist_append(list, (std::string(name) + ":").c_str());
  }
  return HeaderSlist(list);
}

// Applies every option of one hop. Defaults worth knowing are stated inline.
void configure(CURL* easy, const TransferPlan& plan, const Hop& hop, HopState* state,
               curl_slist* headers, char* error_buffer) {
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error_buffer);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for resolving
  curl_easy_setopt(easy, CURLOPT_URL, hop.url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are followed hop by hop here
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);  // default, stated: certificates checked
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!plan.trusted_certificates.empty()) {
    curl_blob blob{const_cast<char*>(plan.trusted_certificates.data()),
                   plan.trusted_certificates.size(), CURL_BLOB_COPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
  }
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);  // bodies arrive as sent
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

  // Proxy: "" switches libcurl's environment proxies off; NOPROXY "" keeps a
  // chosen proxy from being bypassed through the environment.
  const std::string& proxy = hop.secure ? plan.proxies.for_https : plan.proxies.for_http;
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
  const bool proxy_credentials = !proxy.empty() && plan.proxy_credentials;
  curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
  curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME,
                   proxy_credentials ? plan.proxy_user_name.c_str() : nullptr);
  curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD,
                   proxy_credentials ? plan.proxy_password.c_str() : nullptr);
  // The first request names its target exactly; later ones take it from the URL.
  if (hop.target.empty()) {
    curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, nullptr);
  } else {
    // A plain request through a proxy names the whole URL on its request line.
    const bool absolute = !proxy.empty() && !hop.secure;
    const std::string target = absolute ? hop.origin + hop.target : hop.target;
    curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, target.c_str());  // libcurl copies it
  }
  curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  curl_easy_setopt(easy, CURLOPT_USERNAME,
                   hop.server_credentials ? plan.user_name.c_str() : nullptr);
  curl_easy_setopt(easy, CURLOPT_PASSWORD,
                   hop.server_credentials ? plan.password.c_str() : nullptr);

  // Time-outs: the connection phase has its own limit; after it, the progress
  // callback ends the transfer when nothing moves for the send or receive
  // time-out, and, in every phase, at the exchange's deadline.
  if (plan.connect_timeout_ms > 0) {
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(plan.connect_timeout_ms));
  }
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HopState::on_progress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, state);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &HopState::on_connected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, state);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HopState::on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, state);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HopState::on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, state);

  // Method and body, from a plain GET on. HEAD must be told so, or libcurl
  // would wait for a body.
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  if (hop.method == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    return;
  }
  if (hop.send_body) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, plan.body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(plan.body.size()));
  }
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, hop.method.c_str());
}

bool is_redirect(int code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// The scheme, host and port of an absolute URL, for comparing origins.
struct Origin {
  bool valid = false;
  bool secure = false;
  std::string host;
  std::string port;
  bool operator==(const Origin&) const = default;
};

Origin origin_of(const std::string& url) {
  Origin origin;
  UrlHandle handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    return origin;
  }
  char* scheme = nullptr;
  char* host = nullptr;
  char* port = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      curl_url_get(handle.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK &&
      curl_url_get(handle.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    const std::string_view name(scheme);
    if (name == "http" || name == "https") {
      origin.valid = true;
      origin.secure = name == "https";
      origin.host = host;
      origin.port = port;
    }
  }
  curl_free(scheme);
  curl_free(host);
  curl_free(port);
  return origin;
}

// Sorts a failed hop into the step of the exchange that failed.
TransferResult::Outcome failed_outcome(CURL* easy, CURLcode code, const HopState& state,
                                       int hop_index, curl_off_t body_size) {
  using Outcome = TransferResult::Outcome;
  // Headers before the connection was up are a proxy's refusal to tunnel:
  // that answer is the response.
  if (state.headers_complete()) {
    if (state.abandoned()) return Outcome::kAbandoned;
    return state.connected() ? Outcome::kBodyBroken : Outcome::kComplete;
  }
  if (hop_index > 0) return Outcome::kNoResponse;  // a redirect is part of the response
  if (!state.connected()) return Outcome::kSendFailed;
  curl_off_t uploaded = 0;
  curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
  if (code == CURLE_SEND_ERROR || uploaded < body_size) return Outcome::kSendFailed;
  return Outcome::kNoResponse;
}

}  // namespace

bool curl_ready() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!ready) return;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    ready = false;
    for (const char* const* protocol = info->protocols; *protocol != nullptr; ++protocol) {
      if (std::string_view(*protocol) == "http") ready = true;
    }
  });
  return ready;
}

TransferResult run_transfer(const TransferPlan& plan) {
  using Outcome = TransferResult::Outcome;
  TransferResult result;
  if (!curl_ready()) {
    result.error = "libcurl could not be started";
    return result;
  }
  // One easy handle serves every request of the exchange, so the connection
  // and the cookie store live on from one to the next. Every option is set
  // anew for each request (no curl_easy_reset: it would forget, and leak, the
  // cookie store's file list).
  OpenSocket socket;  // outlives the handle, whose cleanup closes the socket
  const EasyHandle easy(curl_easy_init());
  if (!easy) {
    result.error = "libcurl could not be started";
    return result;
  }
  curl_easy_setopt(easy.get(), CURLOPT_SOCKOPTFUNCTION, &OpenSocket::on_created);
  curl_easy_setopt(easy.get(), CURLOPT_SOCKOPTDATA, &socket);
  curl_easy_setopt(easy.get(), CURLOPT_CLOSESOCKETFUNCTION, &OpenSocket::on_close);
  curl_easy_setopt(easy.get(), CURLOPT_CLOSESOCKETDATA, &socket);
  // Without a cookie store libcurl keeps no cookies at all (its default).
  if (plan.cookie_store) curl_easy_setopt(easy.get(), CURLOPT_COOKIEFILE, "");
  const HeaderSlist headers = build_header_slist(plan.header_lines);
  const auto body_size = static_cast<curl_off_t>(plan.body.size());

  Hop hop;
  // The URL leaves the fragment out; the request line keeps the target exactly.
  hop.origin = origin_url(plan.secure, plan.host, plan.port);
  hop.url = hop.origin + plan.target.substr(0, plan.target.find('#'));
  hop.target = plan.target;
  hop.secure = plan.secure;
  hop.method = plan.method;
  // An empty body still goes out as "Content-Length: 0" where a body is expected.
  // HEAD never carries one: libcurl could not tell the response has no body.
  hop.send_body = plan.method != "HEAD" &&
                  (!plan.body.empty() || plan.method == "POST" || plan.method == "PUT");
  hop.server_credentials = plan.server_credentials;

  const Clock::time_point deadline =
      plan.deadline_ms > 0 ? Clock::now() + std::chrono::milliseconds(plan.deadline_ms)
                           : Clock::time_point::max();
  for (int hop_index = 0;; ++hop_index) {
    HopState state(plan, socket, hop.send_body ? body_size : 0, deadline);
    char error_buffer[CURL_ERROR_SIZE] = {};
    configure(easy.get(), plan, hop, &state, headers.get(), error_buffer);
    const CURLcode code = curl_easy_perform(easy.get());
    curl_easy_setopt(easy.get(), CURLOPT_ERRORBUFFER, nullptr);

    result.raw_headers = std::move(state.raw_headers());
    result.body = std::move(state.body());
    if (code != CURLE_OK) {
      result.error = error_buffer[0] != '\0' ? error_buffer : curl_easy_strerror(code);
      result.outcome =
          failed_outcome(easy.get(), code, state, hop_index, hop.send_body ? body_size : 0);
      return result;
    }
    if (!state.headers_complete()) {
      result.error = "no complete response";
      result.outcome = Outcome::kNoResponse;
      return result;
    }
    result.outcome = Outcome::kComplete;
    if (!plan.follow_redirects || !is_redirect(state.status_code())) return result;

    char* next_url = nullptr;
    curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &next_url);
    if (next_url == nullptr) return result;
    const std::string next(next_url);
    const Origin here = origin_of(hop.url);
    const Origin there = origin_of(next);
    // Not followed: other schemes, and from https down to plain http. The
    // redirect response itself is then the answer.
    if (!there.valid || (hop.secure && !there.secure)) return result;
    if (hop_index == kMaxRedirects) {
      result.error = "too many redirects";
      result.outcome = Outcome::kNoResponse;
      return result;
    }
    const int status = state.status_code();
    if ((status == 303 && hop.method != "HEAD") ||
        ((status == 301 || status == 302) && hop.method == "POST")) {
      hop.method = "GET";
      hop.send_body = false;
    }
    // Server credentials stay with the origin they were given for.
    hop.server_credentials = hop.server_credentials && here == there;
    hop.url = next;
    hop.target.clear();
    hop.secure = there.secure;
  }
}

}  // namespace velkoran
