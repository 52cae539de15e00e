#include "tests/support/local_http_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace velkoran::testing {
namespace {

[[noreturn]] void give_up(const char* what) {
  std::fprintf(stderr, "LocalHttpServer: %s\n", what);
  std::abort();
}

}  // namespace

LocalHttpServer::LocalHttpServer(const Setup& setup)
    : server_(std::make_unique<httplib::Server>()) {
  start(setup);
}

LocalHttpServer::LocalHttpServer(std::unique_ptr<httplib::Server> server, const Setup& setup)
    : server_(std::move(server)) {
  start(setup);
}

void LocalHttpServer::start(const Setup& setup) {
  setup(*server_);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) give_up("cannot listen on 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only works once the loop runs; the bound socket already queues clients.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalHttpServer::~LocalHttpServer() {
  server_->stop();
  thread_.join();
}

std::string LocalHttpServer::base_url() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

}  // namespace velkoran::testing
