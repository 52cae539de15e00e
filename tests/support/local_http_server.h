// LocalHttpServer: a cpp-httplib server on 127.0.0.1 (port chosen by the
// system), running on its own thread for as long as the object lives.
//
//   LocalHttpServer server([](httplib::Server& s) {
//     s.Get("/", [](const httplib::Request&, httplib::Response& r) { r.set_content("hi",
//     "text/plain"); });
//   });
//   http_request(Text(server.base_url() + "/"));
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <httplib.h>

namespace velkoran::testing {

class LocalHttpServer {
 public:
  using Setup = std::function<void(httplib::Server&)>;

  explicit LocalHttpServer(const Setup& setup);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string base_url() const;

 protected:
  LocalHttpServer(std::unique_ptr<httplib::Server> server, const Setup& setup);

 private:
  void start(const Setup& setup);

  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace velkoran::testing
