#include "tests/support/raw_server.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace velkoran::testing {
namespace {

// How long a loop that waits for a socket may go before it looks whether the
// server stops.
constexpr int kStopCheckMs = 50;

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
    const long sent = sockets::send_some(socket_, bytes.data(), bytes.size());
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
  const sockets::Socket peer = sockets::connect_loopback(port);
  if (peer == sockets::kNoSocket) return false;
  const sockets::Socket from[2] = {socket_, peer};
  const sockets::Socket to[2] = {peer, socket_};
  bool open = true;
  // Short waits, so that a stopping server is noticed.
  while (open && !server_.wait_for_stop(std::chrono::steady_clock::now())) {
    const int ready = sockets::wait_readable(socket_, peer, kStopCheckMs);
    if (ready < 0) break;
    for (int side = 0; side < 2 && open; ++side) {
      if ((ready & (1 << side)) == 0) continue;
      char chunk[16384];
      const long got = sockets::receive_some(from[side], chunk, sizeof(chunk));
      open = got > 0 && RawConnection(server_, to[side])
                            .send(std::string_view(chunk, static_cast<std::size_t>(got)));
    }
  }
  sockets::close_socket(peer);
  return true;
}

RawServer::RawServer(Responder responder) : responder_(std::move(responder)) {
  listen_socket_ = sockets::listen_loopback(&port_);
  accept_thread_ = std::thread([this] { accept_loop(); });
}

RawServer::~RawServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const sockets::Socket socket : open_sockets_) sockets::shutdown_both(socket);
  }
  stopping_changed_.notify_all();
  accept_thread_.join();
  for (std::thread& thread : connection_threads_) thread.join();
  sockets::close_socket(listen_socket_);
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
  // Waits in short steps, so that a stopping server is noticed without
  // having to wake a blocked accept (which the platforms do differently).
  while (!wait_for_stop(std::chrono::steady_clock::now())) {
    const int ready = sockets::wait_readable(listen_socket_, sockets::kNoSocket, kStopCheckMs);
    if (ready < 0) return;
    if (ready == 0) continue;
    const sockets::Socket socket = sockets::accept_connection(listen_socket_);
    if (socket == sockets::kNoSocket) return;
    std::lock_guard lock(mutex_);
    if (stopping_) {
      sockets::close_socket(socket);
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
bool receive_more(sockets::Socket socket, std::string& pending) {
  char chunk[16384];
  const long got = sockets::receive_some(socket, chunk, sizeof(chunk));
  if (got <= 0) return false;
  pending.append(chunk, static_cast<std::size_t>(got));
  return true;
}

}  // namespace

void RawServer::serve(sockets::Socket socket) {
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
  sockets::shutdown_both(socket);
  sockets::close_socket(socket);
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
