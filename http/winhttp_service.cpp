#include "http/winhttp_service.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <limits>
#include <string>

#include "http/platform_service.h"
#include "http/utf16_units.h"

namespace velkoran {
namespace {

// A UTF-16 string for a WinHTTP call: the first `unit_count` units of `data`,
// or up to its terminator when `unit_count` is below 0. The copy gives the
// units the alignment a WCHAR array needs.
std::wstring wide_of(const Bytes& data, int unit_count = -1) {
  const std::u16string units = units_from_bytes(data, unit_count);
  return std::wstring(units.begin(), units.end());
}

HINTERNET as_internet(HttpHandle handle) {
  return reinterpret_cast<HINTERNET>(static_cast<std::uintptr_t>(handle));
}

// Position of a cracked part inside the URL, in UTF-16 units; an absent part
// is empty at position 0.
UrlPart part_of(const wchar_t* url, const wchar_t* part, DWORD length) {
  if (part == nullptr) return {};
  return {static_cast<int>(part - url), static_cast<int>(length)};
}

// A millisecond time-out as WinHTTP takes it: 0 means no limit.
int winhttp_timeout(int ms) { return ms > 0 ? ms : 0; }

}  // namespace

// One HINTERNET of this service's, closed when the holder goes.
class WinHttpService::OwnedHandle {
 public:
  explicit OwnedHandle(HINTERNET handle) : handle_(handle) {}
  ~OwnedHandle() { (void)WinHttpCloseHandle(handle_); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HttpHandle id() const {
    return static_cast<HttpHandle>(reinterpret_cast<std::uintptr_t>(handle_));
  }

 private:
  HINTERNET handle_;
};

WinHttpService::WinHttpService() = default;

WinHttpService::~WinHttpService() {
  // Requests were opened last: close them first, as WinHTTP expects.
  while (!handles_.empty()) handles_.pop_back();
}

HttpHandle WinHttpService::own(void* handle) {
  if (handle == nullptr) return kNoHandle;
  handles_.push_back(std::make_unique<OwnedHandle>(static_cast<HINTERNET>(handle)));
  return handles_.back()->id();
}

bool WinHttpService::owns(HttpHandle handle) const {
  return handle != kNoHandle && std::any_of(handles_.begin(), handles_.end(),
                                            [handle](const std::unique_ptr<OwnedHandle>& owned) {
                                              return owned->id() == handle;
                                            });
}

bool WinHttpService::check_platform() { return WinHttpCheckPlatform() != FALSE; }

bool WinHttpService::crack_url(const Bytes& url, int length, UrlComponents* components) {
  if (length < 1 || components == nullptr) return false;
  const std::wstring text = wide_of(url, length);
  if (static_cast<int>(text.size()) != length) return false;  // a NUL inside the URL
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  // Lengths of -1 ask for each part as a position inside the URL.
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(text.c_str(), static_cast<DWORD>(length), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    return false;
  }
  // Nothing can be asked of a server without a name or at port 0.
  if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0 || parts.nPort == 0) {
    return false;
  }
  components->scheme = parts.nScheme == INTERNET_SCHEME_HTTPS ? kSchemeHttps : kSchemeHttp;
  components->host = part_of(text.c_str(), parts.lpszHostName, parts.dwHostNameLength);
  components->port = parts.nPort;
  components->path = part_of(text.c_str(), parts.lpszUrlPath, parts.dwUrlPathLength);
  components->extra = part_of(text.c_str(), parts.lpszExtraInfo, parts.dwExtraInfoLength);
  return true;
}

HttpHandle WinHttpService::open(int access_type, const Bytes& proxy_name) {
  const std::wstring proxy = wide_of(proxy_name);
  // No user agent: the User-Agent travels as a header line of the request.
  return own(WinHttpOpen(nullptr, static_cast<DWORD>(access_type),
                         proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(),
                         WINHTTP_NO_PROXY_BYPASS, 0));
}

HttpHandle WinHttpService::connect(HttpHandle session, const Bytes& host_name, int port) {
  if (!owns(session) || port < 1 || port > 65535) return kNoHandle;
  const std::wstring host = wide_of(host_name);
  return own(
      WinHttpConnect(as_internet(session), host.c_str(), static_cast<INTERNET_PORT>(port), 0));
}

HttpHandle WinHttpService::open_request(HttpHandle connection, const Bytes& method,
                                        const Bytes& object_name, bool secure) {
  if (!owns(connection)) return kNoHandle;
  const std::wstring verb = wide_of(method);
  const std::wstring object = wide_of(object_name);
  // Default version (HTTP/1.1), no referrer, the default accept types.
  return own(WinHttpOpenRequest(as_internet(connection), verb.c_str(), object.c_str(), nullptr,
                                WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                secure ? WINHTTP_FLAG_SECURE : 0));
}

bool WinHttpService::set_timeouts(HttpHandle request, int resolve_ms, int connect_ms, int send_ms,
                                  int receive_ms) {
  if (!owns(request)) return false;
  const HINTERNET handle = as_internet(request);
  if (!WinHttpSetTimeouts(handle, winhttp_timeout(resolve_ms), winhttp_timeout(connect_ms),
                          winhttp_timeout(send_ms), winhttp_timeout(receive_ms))) {
    return false;
  }
  // Windows applies the four time-outs above to every phase. Wine's WinHTTP
  // leaves them aside on a request and reads these per-phase options instead;
  // the same values again change nothing on Windows.
  const struct {
    DWORD option;
    int ms;
  } phases[] = {
      {WINHTTP_OPTION_CONNECT_TIMEOUT, connect_ms},
      {WINHTTP_OPTION_SEND_TIMEOUT, send_ms},
      {WINHTTP_OPTION_RECEIVE_TIMEOUT, receive_ms},
      {WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, receive_ms},
  };
  for (const auto& phase : phases) {
    DWORD value = static_cast<DWORD>(winhttp_timeout(phase.ms));
    if (!WinHttpSetOption(handle, phase.option, &value, sizeof(value))) return false;
  }
  return true;
}

bool WinHttpService::set_credentials(HttpHandle request, int target, int scheme,
                                     const Bytes& user_name, const Bytes& password) {
  if (!owns(request)) return false;
  const std::wstring user = wide_of(user_name);
  const std::wstring secret = wide_of(password);
  return WinHttpSetCredentials(as_internet(request), static_cast<DWORD>(target),
                               static_cast<DWORD>(scheme), user.c_str(), secret.c_str(),
                               nullptr) != FALSE;
}

bool WinHttpService::set_option(HttpHandle request, int option, std::uint32_t value) {
  if (!owns(request)) return false;
  if (option == kOptionEnableFeature && value == kEnableCookieStore) {
    // WinHTTP keeps the cookies a response sets for the rest of the exchange
    // unless told otherwise, so keeping them needs no call. The same number
    // handed to WinHTTP would switch on certificate revocation checks
    // (WINHTTP_ENABLE_SSL_REVOCATION), which is not what is asked for and
    // fails https exchanges wherever the revocation lists cannot be reached.
    return true;
  }
  DWORD setting = value;
  return WinHttpSetOption(as_internet(request), static_cast<DWORD>(option), &setting,
                          sizeof(setting)) != FALSE;
}

bool WinHttpService::add_request_headers(HttpHandle request, const Bytes& headers, int length,
                                         std::uint32_t modifiers) {
  if (!owns(request) || length < 0) return false;
  const std::wstring block = wide_of(headers, length);
  if (static_cast<int>(block.size()) != length) return false;
  return WinHttpAddRequestHeaders(as_internet(request), block.c_str(), static_cast<DWORD>(length),
                                  modifiers) != FALSE;
}

bool WinHttpService::send_request(HttpHandle request, const Bytes& body) {
  if (!owns(request)) return false;
  if (body.size() > std::numeric_limits<DWORD>::max()) return false;
  const auto length = static_cast<DWORD>(body.size());
  // An empty body goes as no data; WinHTTP only reads the bytes during the call.
  void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA
                            : const_cast<void*>(static_cast<const void*>(body.data()));
  return WinHttpSendRequest(as_internet(request), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length,
                            length, 0) != FALSE;
}

bool WinHttpService::receive_response(HttpHandle request) {
  if (!owns(request)) return false;
  return WinHttpReceiveResponse(as_internet(request), nullptr) != FALSE;
}

bool WinHttpService::query_data_available(HttpHandle request, int* available) {
  if (!owns(request) || available == nullptr) return false;
  DWORD count = 0;
  if (!WinHttpQueryDataAvailable(as_internet(request), &count)) return false;
  constexpr DWORD kMost = std::numeric_limits<int>::max();
  *available = static_cast<int>(std::min(count, kMost));
  return true;
}

bool WinHttpService::read_data(HttpHandle request, Bytes* buffer, int* bytes_read) {
  if (!owns(request) || buffer == nullptr || bytes_read == nullptr) return false;
  if (buffer->size() > std::numeric_limits<DWORD>::max()) return false;
  DWORD count = 0;
  const BOOL read = WinHttpReadData(as_internet(request), buffer->mutable_data(),
                                    static_cast<DWORD>(buffer->size()), &count);
  *bytes_read = read ? static_cast<int>(count) : 0;
  return read != FALSE;
}

bool WinHttpService::query_headers(HttpHandle request, int info_level, Bytes* buffer,
                                   int* buffer_length, int* index) {
  if (!owns(request) || buffer_length == nullptr || *buffer_length < 0) return false;
  // WinHTTP may write as many bytes as it is told the buffer holds: never
  // more than the buffer really has.
  const std::size_t room = buffer == nullptr ? 0 : buffer->size();
  DWORD length = static_cast<DWORD>(std::min<std::size_t>(room, *buffer_length));
  void* output = length == 0 ? WINHTTP_NO_OUTPUT_BUFFER : buffer->mutable_data();
  DWORD header_index = index != nullptr ? static_cast<DWORD>(*index) : 0;
  const BOOL queried = WinHttpQueryHeaders(
      as_internet(request), static_cast<DWORD>(info_level), WINHTTP_HEADER_NAME_BY_INDEX, output,
      &length, index != nullptr ? &header_index : WINHTTP_NO_HEADER_INDEX);
  constexpr DWORD kMost = std::numeric_limits<int>::max();
  *buffer_length = static_cast<int>(std::min(length, kMost));
  if (index != nullptr) *index = static_cast<int>(std::min(header_index, kMost));
  return queried != FALSE;
}

bool WinHttpService::close_handle(HttpHandle handle) {
  const auto found = std::find_if(
      handles_.begin(), handles_.end(),
      [handle](const std::unique_ptr<OwnedHandle>& owned) { return owned->id() == handle; });
  if (found == handles_.end()) return false;
  handles_.erase(found);  // the holder closes it
  return true;
}

std::unique_ptr<HttpService> make_platform_service() { return std::make_unique<WinHttpService>(); }

}  // namespace velkoran
