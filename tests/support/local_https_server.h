// LocalHttpsServer: a cpp-httplib server on 127.0.0.1 (port chosen by the
// system) reached over TLS with a freshly made self-signed certificate for
// 127.0.0.1, which no client trusts unless told to.
//
//   LocalHttpsServer server([](httplib::Server& s) { s.Get("/", ...); });
//   http_request(Text(server.base_url() + "/"));   // fails: certificate not trusted
//
// On Linux the server speaks TLS itself, through OpenSSL
// (local_https_server.cpp); on Windows a front of mbedTLS ends TLS and passes
// the plain bytes on to the server (local_https_server_mbedtls.cpp).
#pragma once

#include <memory>
#include <string>

#include "tests/support/local_http_server.h"

namespace velkoran::testing {

class LocalHttpsServer {
 public:
  explicit LocalHttpsServer(const LocalHttpServer::Setup& setup);
  ~LocalHttpsServer();
  LocalHttpsServer(const LocalHttpsServer&) = delete;
  LocalHttpsServer& operator=(const LocalHttpsServer&) = delete;

  // The port TLS clients connect to.
  int port() const;
  // "https://127.0.0.1:<port>"
  std::string base_url() const;
  // The server's certificate in PEM form, for a client that is to trust it.
  const std::string& certificate_pem() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velkoran::testing
