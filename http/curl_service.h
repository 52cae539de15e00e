// CurlService: the HttpService that really talks HTTP, over libcurl.
//
//   CurlService service;
//   Text page = http_request("http://127.0.0.1:8080/", {}, service);
//
// Sessions, connections and requests only gather settings; send_request
// carries out the whole exchange (run_transfer) and keeps the final response,
// which receive_response, query_data_available, read_data and query_headers
// then hand out. One instance serves one thread; instances are independent.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "http/http_service.h"

namespace velkoran {

class CurlService final : public HttpService {
 public:
  CurlService();
  // Trusts the PEM certificates in `trusted_certificates` instead of the
  // system's store (for servers with certificates of their own making).
  explicit CurlService(std::string trusted_certificates);
  ~CurlService() override;
  CurlService(const CurlService&) = delete;
  CurlService& operator=(const CurlService&) = delete;

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

  // The most body bytes query_data_available reports at once.
  static constexpr int kChunkSize = 64 * 1024;

 private:
  struct Session;
  struct Connection;
  struct Request;

  Request* find_request(HttpHandle handle);

  std::string trusted_certificates_;
  HttpHandle next_handle_ = 1;
  std::map<HttpHandle, std::unique_ptr<Session>> sessions_;
  std::map<HttpHandle, std::unique_ptr<Connection>> connections_;
  std::map<HttpHandle, std::unique_ptr<Request>> requests_;
};

}  // namespace velkoran
