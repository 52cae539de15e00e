#include "http/curl_service.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "core/codepage.h"
#include "http/curl_transfer.h"
#include "http/exchange_limits.h"
#include "http/platform_service.h"
#include "http/request_header_list.h"
#include "http/url_parts.h"
#include "http/utf16_units.h"

namespace velkoran {
namespace {

// Header lines, credentials and method names are GBK on the wire, as the rest
// of the system's text; for ASCII they are the same bytes as UTF-8.
std::string gbk_of(const Bytes& utf16, int unit_count = -1) {
  return gbk_from_units(units_from_bytes(utf16, unit_count));
}

bool is_token(std::string_view word) {
  return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
  });
}

}  // namespace

struct CurlService::Session {
  ProxyChoice proxies;
};

struct CurlService::Connection {
  ProxyChoice proxies;
  std::string host;  // UTF-8
  int port = 0;
};

struct CurlService::Request {
  TransferPlan plan;
  RequestHeaderList headers;
  bool sent = false;
  TransferResult result;
  std::size_t read_offset = 0;
  bool read_failure_reported = false;

  // Whether the body stopped short of its end: the last read fails.
  bool body_cut() const {
    return result.outcome == TransferResult::Outcome::kBodyBroken ||
           result.outcome == TransferResult::Outcome::kAbandoned;
  }
};

CurlService::CurlService() = default;
CurlService::CurlService(std::string trusted_certificates)
    : trusted_certificates_(std::move(trusted_certificates)) {}
CurlService::~CurlService() = default;

bool CurlService::check_platform() { return curl_ready(); }

bool CurlService::crack_url(const Bytes& url, int length, UrlComponents* components) {
  if (length < 1 || components == nullptr) return false;
  const std::u16string units = units_from_bytes(url, length);
  if (static_cast<int>(units.size()) != length) return false;
  return crack_url_units(units, components);
}

HttpHandle CurlService::open(int access_type, const Bytes& proxy_name) {
  auto session = std::make_unique<Session>();
  if (access_type == kAccessNamedProxy) {
    session->proxies = parse_proxy_list(utf8_from_units(units_from_bytes(proxy_name, -1)));
    if (session->proxies.for_http.empty() && session->proxies.for_https.empty()) return kNoHandle;
  } else if (access_type != kAccessNoProxy) {
    return kNoHandle;
  }
  const HttpHandle handle = next_handle_++;
  sessions_.emplace(handle, std::move(session));
  return handle;
}

HttpHandle CurlService::connect(HttpHandle session, const Bytes& host_name, int port) {
  const auto found = sessions_.find(session);
  if (found == sessions_.end() || port < 1 || port > 65535) return kNoHandle;
  auto connection = std::make_unique<Connection>();
  connection->proxies = found->second->proxies;
  connection->host = utf8_from_units(units_from_bytes(host_name, -1));
  connection->port = port;
  if (connection->host.empty()) return kNoHandle;
  const HttpHandle handle = next_handle_++;
  connections_.emplace(handle, std::move(connection));
  return handle;
}

HttpHandle CurlService::open_request(HttpHandle connection, const Bytes& method,
                                     const Bytes& object_name, bool secure) {
  const auto found = connections_.find(connection);
  if (found == connections_.end()) return kNoHandle;
  auto request = std::make_unique<Request>();
  TransferPlan& plan = request->plan;
  plan.method = gbk_of(method);
  if (!is_token(plan.method)) return kNoHandle;
  std::string target = request_target(units_from_bytes(object_name, -1));
  plan.target = target.empty() ? std::string(1, '/') : std::move(target);
  plan.secure = secure;
  plan.host = found->second->host;
  plan.port = found->second->port;
  plan.proxies = found->second->proxies;
  plan.trusted_certificates = trusted_certificates_;
  const HttpHandle handle = next_handle_++;
  requests_.emplace(handle, std::move(request));
  return handle;
}

CurlService::Request* CurlService::find_request(HttpHandle handle) {
  const auto found = requests_.find(handle);
  return found == requests_.end() ? nullptr : found->second.get();
}

bool CurlService::set_timeouts(HttpHandle request, int resolve_ms, int connect_ms, int send_ms,
                               int receive_ms) {
  Request* target = find_request(request);
  if (target == nullptr || target->sent) return false;
  // Resolving and connecting form libcurl's one connection phase.
  target->plan.connect_timeout_ms = std::max({0, resolve_ms, connect_ms});
  target->plan.send_timeout_ms = std::max(0, send_ms);
  target->plan.receive_timeout_ms = std::max(0, receive_ms);
  target->plan.deadline_ms =
      exchange_deadline_ms(std::max({resolve_ms, connect_ms, send_ms, receive_ms}));
  return true;
}

bool CurlService::set_credentials(HttpHandle request, int target, int scheme,
                                  const Bytes& user_name, const Bytes& password) {
  Request* found = find_request(request);
  if (found == nullptr || found->sent || scheme != kAuthSchemeBasic) return false;
  TransferPlan& plan = found->plan;
  if (target == kAuthTargetServer) {
    plan.server_credentials = true;
    plan.user_name = gbk_of(user_name);
    plan.password = gbk_of(password);
    return true;
  }
  if (target == kAuthTargetProxy) {
    plan.proxy_credentials = true;
    plan.proxy_user_name = gbk_of(user_name);
    plan.proxy_password = gbk_of(password);
    return true;
  }
  return false;
}

bool CurlService::set_option(HttpHandle request, int option, std::uint32_t value) {
  Request* found = find_request(request);
  if (found == nullptr || found->sent) return false;
  if (option == kOptionDisableFeature) {
    if ((value & ~(kDisableCookies | kDisableRedirects)) != 0 || value == 0) return false;
    if ((value & kDisableCookies) != 0) found->plan.cookie_store = false;
    if ((value & kDisableRedirects) != 0) found->plan.follow_redirects = false;
    return true;
  }
  if (option == kOptionEnableFeature && value == kEnableCookieStore) {
    found->plan.cookie_store = true;
    return true;
  }
  return false;
}

bool CurlService::add_request_headers(HttpHandle request, const Bytes& headers, int length,
                                      std::uint32_t modifiers) {
  Request* found = find_request(request);
  if (found == nullptr || found->sent || length < 0) return false;
  if (modifiers != (kAddHeaderAdd | kAddHeaderReplace)) return false;  // the one mode offered
  if (!found->headers.add_block(gbk_of(headers, length))) return false;
  found->plan.header_lines = found->headers.lines();
  return true;
}

bool CurlService::send_request(HttpHandle request, const Bytes& body) {
  Request* found = find_request(request);
  if (found == nullptr || found->sent) return false;
  found->sent = true;
  found->plan.body = body.str();
  found->result = run_transfer(found->plan);
  return found->result.outcome != TransferResult::Outcome::kSendFailed;
}

bool CurlService::receive_response(HttpHandle request) {
  const Request* found = find_request(request);
  if (found == nullptr || !found->sent) return false;
  const auto outcome = found->result.outcome;
  return outcome == TransferResult::Outcome::kComplete ||
         outcome == TransferResult::Outcome::kBodyBroken ||
         outcome == TransferResult::Outcome::kAbandoned;
}

bool CurlService::query_data_available(HttpHandle request, int* available) {
  const Request* found = find_request(request);
  if (found == nullptr || available == nullptr || !receive_response(request)) return false;
  const std::size_t remaining = found->result.body.size() - found->read_offset;
  if (remaining == 0 && found->body_cut() && !found->read_failure_reported) {
    // The body broke off here: announce more, so that the next read fails.
    *available = 1;
    return true;
  }
  *available = static_cast<int>(std::min<std::size_t>(remaining, kChunkSize));
  return true;
}

bool CurlService::read_data(HttpHandle request, Bytes* buffer, int* bytes_read) {
  Request* found = find_request(request);
  if (found == nullptr || buffer == nullptr || bytes_read == nullptr ||
      !receive_response(request)) {
    return false;
  }
  std::string& body = found->result.body;
  const std::size_t count = std::min(buffer->size(), body.size() - found->read_offset);
  if (count == 0 && buffer->size() > 0 && found->body_cut()) {
    found->read_failure_reported = true;
    *bytes_read = 0;
    return false;
  }
  if (count > 0) std::memcpy(buffer->mutable_data(), body.data() + found->read_offset, count);
  found->read_offset += count;
  if (found->read_offset == body.size()) {
    // All handed out: the caller holds the body now, this copy can go.
    std::string().swap(body);
    found->read_offset = 0;
  }
  *bytes_read = static_cast<int>(count);
  return true;
}

bool CurlService::query_headers(HttpHandle request, int info_level, Bytes* buffer,
                                int* buffer_length, int* index) {
  const Request* found = find_request(request);
  // An abandoned response has no headers to give: the caller is to drop it.
  if (found == nullptr || buffer_length == nullptr || info_level != kQueryRawHeadersCrlf ||
      !receive_response(request) || found->result.outcome == TransferResult::Outcome::kAbandoned) {
    return false;
  }
  if (index != nullptr && *index != 0) return false;  // one response, one block
  // The raw block is decoded as GBK, the code page the rest of the system reads.
  const Bytes block = bytes_from_units(units_from_gbk(found->result.raw_headers), true);
  if (block.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
  const int needed = static_cast<int>(block.size());
  if (buffer == nullptr || *buffer_length < needed || static_cast<int>(buffer->size()) < needed) {
    *buffer_length = needed;
    return false;
  }
  std::memcpy(buffer->mutable_data(), block.data(), block.size());
  *buffer_length = needed - 2;
  return true;
}

bool CurlService::close_handle(HttpHandle handle) {
  return requests_.erase(handle) + connections_.erase(handle) + sessions_.erase(handle) > 0;
}

std::unique_ptr<HttpService> make_platform_service() { return std::make_unique<CurlService>(); }

}  // namespace velkoran
