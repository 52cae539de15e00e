// windows.h first: the other Windows headers build on it.
#include <windows.h>

#include <wincrypt.h>
#include <winhttp.h>

#include <set>

#include "http/winhttp_service.h"
#include "tests/http/service_habits.h"

namespace velkoran::testing {
namespace {

HINTERNET as_internet(HttpHandle handle) {
  return reinterpret_cast<HINTERNET>(static_cast<std::uintptr_t>(handle));
}

// The DER bytes of a PEM certificate; empty when it is none.
std::string der_of(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr)) {
    return {};
  }
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr)) {
    return {};
  }
  der.resize(size);
  return der;
}

// A WinHttpService whose secure requests accept a certificate no authority
// vouches for, and then hold the server to exactly the one certificate given:
// after sending and after receiving, a server that showed any other fails.
class TrustingService final : public HttpService {
 public:
  explicit TrustingService(std::string certificate_der) : der_(std::move(certificate_der)) {}

  bool check_platform() override { return inner_.check_platform(); }
  bool crack_url(const Bytes& url, int length, UrlComponents* components) override {
    return inner_.crack_url(url, length, components);
  }
  HttpHandle open(int access_type, const Bytes& proxy_name) override {
    return inner_.open(access_type, proxy_name);
  }
  HttpHandle connect(HttpHandle session, const Bytes& host_name, int port) override {
    return inner_.connect(session, host_name, port);
  }
  HttpHandle open_request(HttpHandle connection, const Bytes& method, const Bytes& object_name,
                          bool secure) override {
    const HttpHandle request = inner_.open_request(connection, method, object_name, secure);
    if (request == kNoHandle || !secure) return request;
    DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    if (!WinHttpSetOption(as_internet(request), WINHTTP_OPTION_SECURITY_FLAGS, &flags,
                          sizeof(flags))) {
      (void)inner_.close_handle(request);
      return kNoHandle;
    }
    secure_.insert(request);
    return request;
  }
  bool set_timeouts(HttpHandle request, int resolve_ms, int connect_ms, int send_ms,
                    int receive_ms) override {
    return inner_.set_timeouts(request, resolve_ms, connect_ms, send_ms, receive_ms);
  }
  bool set_credentials(HttpHandle request, int target, int scheme, const Bytes& user_name,
                       const Bytes& password) override {
    return inner_.set_credentials(request, target, scheme, user_name, password);
  }
  bool set_option(HttpHandle request, int option, std::uint32_t value) override {
    return inner_.set_option(request, option, value);
  }
  bool add_request_headers(HttpHandle request, const Bytes& headers, int length,
                           std::uint32_t modifiers) override {
    return inner_.add_request_headers(request, headers, length, modifiers);
  }
  bool send_request(HttpHandle request, const Bytes& body) override {
    return inner_.send_request(request, body) && shows_the_certificate(request);
  }
  bool receive_response(HttpHandle request) override {
    return inner_.receive_response(request) && shows_the_certificate(request);
  }
  bool query_data_available(HttpHandle request, int* available) override {
    return inner_.query_data_available(request, available);
  }
  bool read_data(HttpHandle request, Bytes* buffer, int* bytes_read) override {
    return inner_.read_data(request, buffer, bytes_read);
  }
  bool query_headers(HttpHandle request, int info_level, Bytes* buffer, int* buffer_length,
                     int* index) override {
    return inner_.query_headers(request, info_level, buffer, buffer_length, index);
  }
  bool close_handle(HttpHandle handle) override {
    secure_.erase(handle);
    return inner_.close_handle(handle);
  }

 private:
  // Whether the server of a secure request showed the trusted certificate.
  bool shows_the_certificate(HttpHandle request) {
    if (secure_.count(request) == 0) return true;
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof(certificate);
    if (!WinHttpQueryOption(as_internet(request), WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate,
                            &size) ||
        certificate == nullptr) {
      return false;
    }
    const bool same = std::string(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                                  certificate->cbCertEncoded) == der_;
    CertFreeCertificateContext(certificate);
    return same;
  }

  WinHttpService inner_;
  std::string der_;
  std::set<HttpHandle> secure_;
};

}  // namespace

const std::vector<std::string>& service_header_names() {
  static const std::vector<std::string> names = {"Connection"};
  return names;
}

std::unique_ptr<HttpService> make_trusting_service(const std::string& certificate_pem) {
  return std::make_unique<TrustingService>(der_of(certificate_pem));
}

}  // namespace velkoran::testing
