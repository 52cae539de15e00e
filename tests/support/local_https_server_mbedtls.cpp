// LocalHttpsServer where cpp-httplib has no TLS of its own (Windows): a plain
// LocalHttpServer behind a front that ends TLS with mbedTLS. The front accepts
// TLS clients on a port of its own, makes the handshake with a key and a
// self-signed certificate for 127.0.0.1 made when the server starts, and
// passes the plain bytes both ways between each client and the server.
#include <mbedtls/ctr_drbg.h>
#include <mbedtls/ecp.h>
#include <mbedtls/entropy.h>
#include <mbedtls/error.h>
#include <mbedtls/net_sockets.h>
#include <mbedtls/oid.h>
#include <mbedtls/pk.h>
#include <mbedtls/ssl.h>
#include <mbedtls/x509_crt.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/local_https_server.h"
#include "tests/support/socket.h"

namespace velkoran::testing {
namespace {

// How long a wait for a socket goes before it looks whether the server stops.
constexpr int kStopCheckMs = 50;

[[noreturn]] void give_up(const char* what, int code) {
  char description[200] = {};
  mbedtls_strerror(code, description, sizeof(description));
  std::fprintf(stderr, "LocalHttpsServer: %s: %s\n", what, description);
  std::abort();
}

void must(int code, const char* what) {
  if (code != 0) give_up(what, code);
}

// The subjectAltName value naming 127.0.0.1 twice: as an iPAddress ([7], four
// bytes) and as a dNSName ([2]), for clients (Wine's) that match an address
// only against the names.
constexpr unsigned char kLoopbackAltName[] = {
    0x30, 0x11, 0x87, 0x04, 127, 0, 0, 1, 0x82, 0x09, '1', '2', '7', '.', '0', '.', '0', '.', '1'};

int send_to_socket(void* socket, const unsigned char* data, std::size_t length) {
  const long sent = sockets::send_some(*static_cast<sockets::Socket*>(socket),
                                       reinterpret_cast<const char*>(data), length);
  return sent < 0 ? MBEDTLS_ERR_NET_SEND_FAILED : static_cast<int>(sent);
}

// 0, the end of the stream, when the peer has closed its side.
int receive_from_socket(void* socket, unsigned char* data, std::size_t length) {
  const long got = sockets::receive_some(*static_cast<sockets::Socket*>(socket),
                                         reinterpret_cast<char*>(data), length);
  return got < 0 ? MBEDTLS_ERR_NET_RECV_FAILED : static_cast<int>(got);
}

bool send_all(sockets::Socket socket, const unsigned char* data, std::size_t length) {
  while (length > 0) {
    const long sent = sockets::send_some(socket, reinterpret_cast<const char*>(data), length);
    if (sent <= 0) return false;
    data += sent;
    length -= static_cast<std::size_t>(sent);
  }
  return true;
}

}  // namespace

class LocalHttpsServer::Impl {
 public:
  explicit Impl(const LocalHttpServer::Setup& setup);
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  int port() const { return port_; }
  const std::string& certificate_pem() const { return certificate_pem_; }

 private:
  // The random generator is shared by every connection's TLS session.
  static int locked_random(void* self, unsigned char* output, std::size_t length) {
    auto* impl = static_cast<Impl*>(self);
    std::lock_guard lock(impl->random_mutex_);
    return mbedtls_ctr_drbg_random(&impl->random_, output, length);
  }

  void make_certificate();
  void accept_loop();
  void serve(sockets::Socket client);
  // Passes bytes between a client whose handshake is done and the plain server.
  void relay(mbedtls_ssl_context* tls, sockets::Socket client, sockets::Socket upstream);

  LocalHttpServer plain_;
  std::mutex random_mutex_;
  mbedtls_entropy_context entropy_;
  mbedtls_ctr_drbg_context random_;
  mbedtls_pk_context key_;
  mbedtls_x509_crt certificate_;
  mbedtls_ssl_config config_;
  std::string certificate_pem_;

  sockets::Socket listener_ = sockets::kNoSocket;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;  // guards the two lists below
  std::vector<sockets::Socket> open_sockets_;
  std::vector<std::thread> connection_threads_;
  std::thread accept_thread_;
};

LocalHttpsServer::Impl::Impl(const LocalHttpServer::Setup& setup) : plain_(setup) {
  mbedtls_entropy_init(&entropy_);
  mbedtls_ctr_drbg_init(&random_);
  mbedtls_pk_init(&key_);
  mbedtls_x509_crt_init(&certificate_);
  mbedtls_ssl_config_init(&config_);
  constexpr unsigned char kPersonal[] = "velkoran test TLS server";
  must(mbedtls_ctr_drbg_seed(&random_, mbedtls_entropy_func, &entropy_, kPersonal,
                             sizeof(kPersonal)),
       "cannot seed the random generator");
  make_certificate();
  must(mbedtls_ssl_config_defaults(&config_, MBEDTLS_SSL_IS_SERVER, MBEDTLS_SSL_TRANSPORT_STREAM,
                                   MBEDTLS_SSL_PRESET_DEFAULT),
       "cannot configure TLS");
  mbedtls_ssl_conf_rng(&config_, &Impl::locked_random, this);
  must(mbedtls_ssl_conf_own_cert(&config_, &certificate_, &key_), "cannot use the certificate");
  listener_ = sockets::listen_loopback(&port_);
  accept_thread_ = std::thread([this] { accept_loop(); });
}

LocalHttpsServer::Impl::~Impl() {
  stopping_ = true;
  {
    std::lock_guard lock(mutex_);
    for (const sockets::Socket socket : open_sockets_) sockets::shutdown_both(socket);
  }
  accept_thread_.join();
  for (std::thread& thread : connection_threads_) thread.join();
  sockets::close_socket(listener_);
  mbedtls_ssl_config_free(&config_);
  mbedtls_x509_crt_free(&certificate_);
  mbedtls_pk_free(&key_);
  mbedtls_ctr_drbg_free(&random_);
  mbedtls_entropy_free(&entropy_);
}

// A P-256 key and a certificate it signs itself: subject and issuer
// CN=127.0.0.1, the address as subject alternative name, valid from long ago
// to far ahead.
void LocalHttpsServer::Impl::make_certificate() {
  must(mbedtls_pk_setup(&key_, mbedtls_pk_info_from_type(MBEDTLS_PK_ECKEY)), "cannot make a key");
  must(mbedtls_ecp_gen_key(MBEDTLS_ECP_DP_SECP256R1, mbedtls_pk_ec(key_), mbedtls_ctr_drbg_random,
                           &random_),
       "cannot make a key");
  mbedtls_x509write_cert writer;
  mbedtls_x509write_crt_init(&writer);
  mbedtls_mpi serial;
  mbedtls_mpi_init(&serial);
  must(mbedtls_mpi_lset(&serial, 1), "cannot set the serial number");
  mbedtls_x509write_crt_set_version(&writer, MBEDTLS_X509_CRT_VERSION_3);
  mbedtls_x509write_crt_set_md_alg(&writer, MBEDTLS_MD_SHA256);
  mbedtls_x509write_crt_set_subject_key(&writer, &key_);
  mbedtls_x509write_crt_set_issuer_key(&writer, &key_);
  must(mbedtls_x509write_crt_set_subject_name(&writer, "CN=127.0.0.1"), "cannot name the subject");
  must(mbedtls_x509write_crt_set_issuer_name(&writer, "CN=127.0.0.1"), "cannot name the issuer");
  must(mbedtls_x509write_crt_set_serial(&writer, &serial), "cannot set the serial number");
  must(mbedtls_x509write_crt_set_validity(&writer, "20200101000000", "20991231235959"),
       "cannot set the validity");
  must(mbedtls_x509write_crt_set_extension(&writer, MBEDTLS_OID_SUBJECT_ALT_NAME,
                                           MBEDTLS_OID_SIZE(MBEDTLS_OID_SUBJECT_ALT_NAME), 0,
                                           kLoopbackAltName, sizeof(kLoopbackAltName)),
       "cannot add the alternative name");
  unsigned char pem[4096] = {};
  must(mbedtls_x509write_crt_pem(&writer, pem, sizeof(pem), mbedtls_ctr_drbg_random, &random_),
       "cannot sign the certificate");
  mbedtls_mpi_free(&serial);
  mbedtls_x509write_crt_free(&writer);
  certificate_pem_ = reinterpret_cast<const char*>(pem);
  // The parser wants the terminating NUL counted.
  must(mbedtls_x509_crt_parse(&certificate_, pem, certificate_pem_.size() + 1),
       "cannot read the certificate back");
}

void LocalHttpsServer::Impl::accept_loop() {
  while (!stopping_) {
    const int ready = sockets::wait_readable(listener_, sockets::kNoSocket, kStopCheckMs);
    if (ready < 0) return;
    if (ready == 0) continue;
    const sockets::Socket client = sockets::accept_connection(listener_);
    if (client == sockets::kNoSocket) return;
    std::lock_guard lock(mutex_);
    if (stopping_) {
      sockets::close_socket(client);
      return;
    }
    open_sockets_.push_back(client);
    connection_threads_.emplace_back([this, client] { serve(client); });
  }
}

void LocalHttpsServer::Impl::serve(sockets::Socket client) {
  mbedtls_ssl_context tls;
  mbedtls_ssl_init(&tls);
  sockets::Socket transport = client;
  if (mbedtls_ssl_setup(&tls, &config_) == 0) {
    mbedtls_ssl_set_bio(&tls, &transport, send_to_socket, receive_from_socket, nullptr);
    int step;
    do {
      step = mbedtls_ssl_handshake(&tls);
    } while (step == MBEDTLS_ERR_SSL_WANT_READ || step == MBEDTLS_ERR_SSL_WANT_WRITE);
    // A client that refuses the certificate ends here, with an alert.
    if (step == 0) {
      const sockets::Socket upstream = sockets::connect_loopback(plain_.port());
      if (upstream != sockets::kNoSocket) {
        relay(&tls, client, upstream);
        sockets::close_socket(upstream);
      }
      (void)mbedtls_ssl_close_notify(&tls);
    }
  }
  mbedtls_ssl_free(&tls);
  std::lock_guard lock(mutex_);
  open_sockets_.erase(std::find(open_sockets_.begin(), open_sockets_.end(), client));
  sockets::shutdown_both(client);
  sockets::close_socket(client);
}

void LocalHttpsServer::Impl::relay(mbedtls_ssl_context* tls, sockets::Socket client,
                                   sockets::Socket upstream) {
  unsigned char chunk[16384];
  while (!stopping_) {
    // Bytes already decrypted wait inside the TLS session, not on the socket.
    const int ready = mbedtls_ssl_get_bytes_avail(tls) > 0
                          ? 1
                          : sockets::wait_readable(client, upstream, kStopCheckMs);
    if (ready < 0) return;
    if ((ready & 1) != 0) {
      const int got = mbedtls_ssl_read(tls, chunk, sizeof(chunk));
      if (got == MBEDTLS_ERR_SSL_WANT_READ || got == MBEDTLS_ERR_SSL_WANT_WRITE) continue;
      if (got <= 0 || !send_all(upstream, chunk, static_cast<std::size_t>(got))) return;
    }
    if ((ready & 2) != 0) {
      const long got =
          sockets::receive_some(upstream, reinterpret_cast<char*>(chunk), sizeof(chunk));
      if (got <= 0) return;
      for (long sent = 0; sent < got;) {
        const int written =
            mbedtls_ssl_write(tls, chunk + sent, static_cast<std::size_t>(got - sent));
        if (written == MBEDTLS_ERR_SSL_WANT_READ || written == MBEDTLS_ERR_SSL_WANT_WRITE) continue;
        if (written <= 0) return;
        sent += written;
      }
    }
  }
}

LocalHttpsServer::LocalHttpsServer(const LocalHttpServer::Setup& setup)
    : impl_(std::make_unique<Impl>(setup)) {}

LocalHttpsServer::~LocalHttpsServer() = default;

int LocalHttpsServer::port() const { return impl_->port(); }

std::string LocalHttpsServer::base_url() const {
  return "https://127.0.0.1:" + std::to_string(port());
}

const std::string& LocalHttpsServer::certificate_pem() const { return impl_->certificate_pem(); }

}  // namespace velkoran::testing
