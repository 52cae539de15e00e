// RecordingService: sits between http_request and a real service, writes down
// every call with its arguments, and fails one chosen call on purpose.
//
//   std::unique_ptr<HttpService> real = make_platform_service();
//   RecordingService service(*real);
//   service.fail_on("send_request");
//   http_request(url, options, service);   // "711 ..." without touching the network
//   service.calls();                        // {"check_platform", "crack_url ...", ...}
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "http/http_service.h"
#include "http/utf16_units.h"

namespace velkoran::testing {

class RecordingService final : public HttpService {
 public:
  explicit RecordingService(HttpService& inner) : inner_(inner) {}

  // The `occurrence`-th call of `operation` fails without reaching the real
  // service. May be given for several calls.
  void fail_on(const std::string& operation, int occurrence = 1) {
    failing_[operation].insert(occurrence);
  }

  const std::vector<std::string>& calls() const { return calls_; }
  // The first recorded call of `operation` (with its arguments), or "".
  std::string call(const std::string& operation) const {
    for (const std::string& entry : calls_) {
      if (entry == operation || entry.rfind(operation + " ", 0) == 0) return entry;
    }
    return "";
  }
  const std::vector<HttpHandle>& opened() const { return opened_; }
  const std::vector<HttpHandle>& closed() const { return closed_; }

  bool check_platform() override {
    if (failing("check_platform", "check_platform")) return false;
    return inner_.check_platform();
  }

  bool crack_url(const Bytes& url, int length, UrlComponents* components) override {
    if (failing("crack_url", "crack_url " + wide(url) + " " + std::to_string(length))) return false;
    return inner_.crack_url(url, length, components);
  }

  HttpHandle open(int access_type, const Bytes& proxy_name) override {
    if (failing("open", "open " + std::to_string(access_type) + " [" + wide(proxy_name) + "]")) {
      return kNoHandle;
    }
    return opened(inner_.open(access_type, proxy_name));
  }

  HttpHandle connect(HttpHandle session, const Bytes& host_name, int port) override {
    if (failing("connect", "connect " + wide(host_name) + " " + std::to_string(port))) {
      return kNoHandle;
    }
    return opened(inner_.connect(session, host_name, port));
  }

  HttpHandle open_request(HttpHandle connection, const Bytes& method, const Bytes& object_name,
                          bool secure) override {
    if (failing("open_request", "open_request " + wide(method) + " " + wide(object_name) +
                                    (secure ? " secure" : " plain"))) {
      return kNoHandle;
    }
    return opened(inner_.open_request(connection, method, object_name, secure));
  }

  bool set_timeouts(HttpHandle request, int resolve_ms, int connect_ms, int send_ms,
                    int receive_ms) override {
    if (failing("set_timeouts", "set_timeouts " + std::to_string(resolve_ms) + " " +
                                    std::to_string(connect_ms) + " " + std::to_string(send_ms) +
                                    " " + std::to_string(receive_ms))) {
      return false;
    }
    return inner_.set_timeouts(request, resolve_ms, connect_ms, send_ms, receive_ms);
  }

  bool set_credentials(HttpHandle request, int target, int scheme, const Bytes& user_name,
                       const Bytes& password) override {
    if (failing("set_credentials", "set_credentials " + std::to_string(target) + " " +
                                       std::to_string(scheme) + " " + wide(user_name) + " " +
                                       wide(password))) {
      return false;
    }
    return inner_.set_credentials(request, target, scheme, user_name, password);
  }

  bool set_option(HttpHandle request, int option, std::uint32_t value) override {
    if (failing("set_option",
                "set_option " + std::to_string(option) + " " + std::to_string(value))) {
      return false;
    }
    return inner_.set_option(request, option, value);
  }

  bool add_request_headers(HttpHandle request, const Bytes& headers, int length,
                           std::uint32_t modifiers) override {
    const std::string block = utf8_from_units(units_from_bytes(headers, length));
    if (failing("add_request_headers", "add_request_headers " + std::to_string(length) + " " +
                                           std::to_string(modifiers) + " " + block)) {
      return false;
    }
    return inner_.add_request_headers(request, headers, length, modifiers);
  }

  bool send_request(HttpHandle request, const Bytes& body) override {
    if (failing("send_request", "send_request " + body.str())) return false;
    return inner_.send_request(request, body);
  }

  bool receive_response(HttpHandle request) override {
    if (failing("receive_response", "receive_response")) return false;
    return inner_.receive_response(request);
  }

  bool query_data_available(HttpHandle request, int* available) override {
    if (failing("query_data_available", "query_data_available")) return false;
    return inner_.query_data_available(request, available);
  }

  bool read_data(HttpHandle request, Bytes* buffer, int* bytes_read) override {
    if (failing("read_data", "read_data " + std::to_string(buffer->size()))) return false;
    return inner_.read_data(request, buffer, bytes_read);
  }

  bool query_headers(HttpHandle request, int info_level, Bytes* buffer, int* buffer_length,
                     int* index) override {
    if (failing("query_headers", "query_headers " + std::to_string(info_level) + " " +
                                     std::to_string(*buffer_length) + " " +
                                     std::to_string(*index))) {
      return false;
    }
    return inner_.query_headers(request, info_level, buffer, buffer_length, index);
  }

  bool close_handle(HttpHandle handle) override {
    calls_.push_back("close_handle");
    closed_.push_back(handle);
    return inner_.close_handle(handle);
  }

 private:
  static std::string wide(const Bytes& data) { return utf8_from_units(units_from_bytes(data, -1)); }

  // Records the call; true when it is the one chosen to fail.
  bool failing(const std::string& operation, const std::string& entry) {
    calls_.push_back(entry);
    const int occurrence = ++seen_[operation];
    const auto chosen = failing_.find(operation);
    return chosen != failing_.end() && chosen->second.count(occurrence) > 0;
  }

  HttpHandle opened(HttpHandle handle) {
    if (handle != kNoHandle) opened_.push_back(handle);
    return handle;
  }

  HttpService& inner_;
  std::map<std::string, std::set<int>> failing_;
  std::map<std::string, int> seen_;
  std::vector<std::string> calls_;
  std::vector<HttpHandle> opened_;
  std::vector<HttpHandle> closed_;
};

}  // namespace velkoran::testing
