#include "tests/support/local_https_server.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>

namespace velkoran::testing {
namespace {

[[noreturn]] void give_up(const char* what) {
  std::fprintf(stderr, "LocalHttpsServer: %s\n", what);
  std::abort();
}

std::string pem_of(X509* certificate) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, certificate);
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<std::size_t>(length));
  BIO_free(bio);
  return pem;
}

// A TLS server whose certificate is self-signed for 127.0.0.1, made on the
// spot, and that certificate in PEM form.
std::pair<std::unique_ptr<httplib::Server>, std::string> make_tls_server() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  if (key == nullptr || certificate == nullptr) give_up("cannot make a key");
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  // Clients match the address against the subject alternative name.
  X509_EXTENSION* alt_name =
      X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, "IP:127.0.0.1");
  X509_add_ext(certificate, alt_name, -1);
  X509_EXTENSION_free(alt_name);
  if (X509_sign(certificate, key, EVP_sha256()) == 0) give_up("cannot sign the certificate");
  // The server context takes its own references.
  auto server = std::make_unique<httplib::SSLServer>(certificate, key);
  std::string pem = pem_of(certificate);
  X509_free(certificate);
  EVP_PKEY_free(key);
  if (!server->is_valid()) give_up("TLS server not valid");
  return {std::move(server), std::move(pem)};
}

}  // namespace

// The server itself speaks TLS.
class LocalHttpsServer::Impl : public LocalHttpServer {
 public:
  explicit Impl(const Setup& setup) : Impl(make_tls_server(), setup) {}

  const std::string& certificate_pem() const { return certificate_pem_; }

 private:
  Impl(std::pair<std::unique_ptr<httplib::Server>, std::string> server, const Setup& setup)
      : LocalHttpServer(std::move(server.first), setup),
        certificate_pem_(std::move(server.second)) {}

  std::string certificate_pem_;
};

LocalHttpsServer::LocalHttpsServer(const LocalHttpServer::Setup& setup)
    : impl_(std::make_unique<Impl>(setup)) {}

LocalHttpsServer::~LocalHttpsServer() = default;

int LocalHttpsServer::port() const { return impl_->port(); }

std::string LocalHttpsServer::base_url() const {
  return "https://127.0.0.1:" + std::to_string(port());
}

const std::string& LocalHttpsServer::certificate_pem() const { return impl_->certificate_pem(); }

}  // namespace velkoran::testing
