#include "tests/support/raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace velkoran::testing {
namespace {

// The Content-Length of a request head, 0 when absent.
std::size_t content_length(std::string_view head) {
  std::size_t pos = 0;
  while ((pos = head.find("\r\n", pos)) != std::string_view::npos) {
    pos += 2;
    constexpr std::string_view kName = "content-length:";
    if (head.size() - pos < kName.size()) break;
    bool match = true;
    for (std::size_t i = 0; i < kName.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(head[pos + i])) != kName[i]) match = false;
    }
    if (match)
      return std::strtoul(std::string(head.substr(pos + kName.size())).c_str(), nullptr, 10);
  }
  return 0;
}

}  // namespace

bool RawConnection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void RawConnection::stall() { server_.wait_for_stop(std::chrono::steady_clock::time_point::max()); }

void RawConnection::pause(std::chrono::milliseconds duration) {
  server_.wait_for_stop(std::chrono::steady_clock::now() + duration);
}

bool RawConnection::relay_to(int port) {
  const int peer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (peer < 0 || ::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    if (peer >= 0) ::close(peer);
    return false;
  }
  const int from[2] = {socket_, peer};
  const int to[2] = {peer, socket_};
  bool open = true;
  // Short polls, so that a stopping server is noticed.
  while (open && !server_.wait_for_stop(std::chrono::steady_clock::now())) {
    pollfd watched[2] = {{socket_, POLLIN, 0}, {peer, POLLIN, 0}};
    if (::poll(watched, 2, 50) < 0 && errno != EINTR) break;
    for (int side = 0; side < 2 && open; ++side) {
      if (watched[side].revents == 0) continue;
      char chunk[16384];
      const ssize_t got = ::recv(from[side], chunk, sizeof(chunk), 0);
      if (got < 0 && errno == EINTR) continue;
      open = got > 0 && RawConnection(server_, to[side]).send(std::string_view(chunk, got));
    }
  }
  ::close(peer);
  return true;
}

RawServer::RawServer(Responder responder) : responder_(std::move(responder)) {
  listen_socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // the system picks a free port
  socklen_t length = sizeof(address);
  if (listen_socket_ < 0 ||
      ::bind(listen_socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listen_socket_, 64) != 0 ||
      ::getsockname(listen_socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::fprintf(stderr, "RawServer: cannot listen on 127.0.0.1\n");
    std::abort();
  }
  port_ = ntohs(address.sin_port);
  accept_thread_ = std::thread([this] { accept_loop(); });
}

RawServer::~RawServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const int socket : open_sockets_) ::shutdown(socket, SHUT_RDWR);
  }
  stopping_changed_.notify_all();
  ::shutdown(listen_socket_, SHUT_RDWR);
  accept_thread_.join();
  for (std::thread& thread : connection_threads_) thread.join();
  ::close(listen_socket_);
}

std::string RawServer::base_url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> RawServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool RawServer::wait_for_stop(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (deadline == std::chrono::steady_clock::time_point::max()) {
    stopping_changed_.wait(lock, [this] { return stopping_; });
    return true;
  }
  return stopping_changed_.wait_until(lock, deadline, [this] { return stopping_; });
}

void RawServer::accept_loop() {
  for (;;) {
    const int socket = ::accept4(listen_socket_, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      if (socket >= 0) ::close(socket);
      return;
    }
    if (socket < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    ++connections_accepted_;
    open_sockets_.push_back(socket);
    connection_threads_.emplace_back([this, socket] { serve(socket); });
  }
}

namespace {

// Appends what the peer sends next to `pending`; false once the peer has closed
// its side or the connection failed.
bool receive_more(int socket, std::string& pending) {
  char chunk[16384];
  for (;;) {
    const ssize_t got = ::recv(socket, chunk, sizeof(chunk), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    pending.append(chunk, static_cast<std::size_t>(got));
    return true;
  }
}

}  // namespace

void RawServer::serve(int socket) {
  RawConnection connection(*this, socket);
  std::string pending;
  bool keep_open = true;
  while (keep_open) {
    // Read one request: the head up to the blank line, then its body.
    std::size_t head_end;
    bool peer_open = true;
    while ((head_end = pending.find("\r\n\r\n")) == std::string::npos && peer_open) {
      peer_open = receive_more(socket, pending);
    }
    if (head_end == std::string::npos) break;
    const std::size_t total =
        head_end + 4 + content_length(std::string_view(pending).substr(0, head_end + 2));
    while (pending.size() < total && peer_open) peer_open = receive_more(socket, pending);
    const std::string request = pending.substr(0, std::min(total, pending.size()));
    pending.erase(0, request.size());
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    keep_open = responder_(request, connection) && peer_open;
  }
  std::lock_guard lock(mutex_);
  open_sockets_.erase(std::find(open_sockets_.begin(), open_sockets_.end(), socket));
  ::shutdown(socket, SHUT_RDWR);
  ::close(socket);
}

RawServer::Responder reply_with(std::string response) {
  return [response = std::move(response)](const std::string&, RawConnection& connection) {
    connection.send(response);
    return false;
  };
}

std::string http_response(std::string_view status, std::string_view header_lines,
                          std::string_view body) {
  std::string response = "HTTP/1.1 ";
  response.append(status).append("\r\n").append(header_lines);
  response.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n");
  response.append("Connection: close\r\n\r\n").append(body);
  return response;
}

std::vector<std::string> request_head_lines(const std::string& request) {
  std::vector<std::string> lines;
  const std::size_t head_end = request.find("\r\n\r\n");
  const std::string_view head = std::string_view(request).substr(0, head_end);
  std::size_t pos = 0;
  while (pos <= head.size()) {
    std::size_t end = head.find("\r\n", pos);
    if (end == std::string_view::npos) end = head.size();
    lines.emplace_back(head.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::string request_body(const std::string& request) {
  const std::size_t head_end = request.find("\r\n\r\n");
  return head_end == std::string::npos ? std::string() : request.substr(head_end + 4);
}

}  // namespace velkoran::testing
