// WinHttpService: the HttpService that really talks HTTP on Windows, over the
// system's WinHTTP.
//
//   WinHttpService service;
//   Text page = http_request("http://127.0.0.1:8080/", {}, service);
//
// Each operation is one WinHTTP call with the same arguments; an HttpHandle is
// the HINTERNET itself. The service owns every handle it opened until
// close_handle is called for it, and closes what is left (requests first) when
// it is destroyed. One instance serves one thread; instances are independent.
#pragma once

#include <memory>
#include <vector>

#include "http/http_service.h"

namespace velkoran {

class WinHttpService final : public HttpService {
 public:
  WinHttpService();
  ~WinHttpService() override;
  WinHttpService(const WinHttpService&) = delete;
  WinHttpService& operator=(const WinHttpService&) = delete;

  bool check_platform() override;
  bool crack_url(const Bytes& url, int length, UrlComponents* components) override;
  HttpHandle open(int access_type, const Bytes& proxy_name) override;
  HttpHandle connect(HttpHandle session, const Bytes& host_name, int port) override;
  HttpHandle open_request(HttpHandle connection, const Bytes& method, const Bytes& object_name,
                          bool secure) override;
  bool set_timeouts(HttpHandle request, int resolve_ms, int connect_ms, int send_ms,
                    int receive_ms) override;
  bool set_credentials(HttpHandle request, int target, int scheme, const Bytes& user_name,
                       const Bytes& password) override;
  bool set_option(HttpHandle request, int option, std::uint32_t value) override;
  bool add_request_headers(HttpHandle request, const Bytes& headers, int length,
                           std::uint32_t modifiers) override;
  bool send_request(HttpHandle request, const Bytes& body) override;
  bool receive_response(HttpHandle request) override;
  bool query_data_available(HttpHandle request, int* available) override;
  bool read_data(HttpHandle request, Bytes* buffer, int* bytes_read) override;
  bool query_headers(HttpHandle request, int info_level, Bytes* buffer, int* buffer_length,
                     int* index) override;
  bool close_handle(HttpHandle handle) override;

 private:
  class OwnedHandle;

  // Takes ownership of a handle WinHTTP has just returned (kNoHandle stays that).
  HttpHandle own(void* handle);
  // Whether `handle` is one this service opened and has not closed yet.
  bool owns(HttpHandle handle) const;

  std::vector<std::unique_ptr<OwnedHandle>> handles_;  // in the order of opening
};

}  // namespace velkoran
