// LocalHttpsServer: a LocalHttpServer that serves TLS with a freshly made
// self-signed certificate for 127.0.0.1, which no client trusts unless told to.
// Built where OpenSSL is (Linux).
#pragma once

#include <string>
#include <utility>

#include "tests/support/local_http_server.h"

namespace velkoran::testing {

class LocalHttpsServer : public LocalHttpServer {
 public:
  explicit LocalHttpsServer(const Setup& setup);
  // "https://127.0.0.1:<port>"
  std::string base_url() const;
  // The server's certificate in PEM form, for a client that is to trust it.
  const std::string& certificate_pem() const { return certificate_pem_; }

 private:
  LocalHttpsServer(std::pair<std::unique_ptr<httplib::Server>, std::string> server,
                   const Setup& setup);

  std::string certificate_pem_;
};

}  // namespace velkoran::testing
