#include "tools/recording_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

namespace velkoran {

namespace {

constexpr int poll_slice_ms = 50;

int to_ms(time_t sec, time_t usec) { return static_cast<int>(sec * 1000 + usec / 1000); }

bool poll_for(socket_t sock, short events, int timeout_ms) {
  pollfd fd{.fd = sock, .events = events, .revents = 0};
  int rc;
  do {
    rc = ::poll(&fd, 1, timeout_ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

void address_of(const sockaddr_storage& addr, std::string& ip, int& port) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (addr.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(addr);
    ::inet_ntop(AF_INET, &in.sin_addr, buffer, sizeof buffer);
    port = ntohs(in.sin_port);
  } else if (addr.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(addr);
    ::inet_ntop(AF_INET6, &in6.sin6_addr, buffer, sizeof buffer);
    port = ntohs(in6.sin6_port);
  }
  ip = buffer;
}

// One connection's socket as cpp-httplib's Stream. Every byte handed to the
// parser is logged until the head of the current request is taken.
class LoggingSocketStream : public httplib::Stream {
 public:
  LoggingSocketStream(socket_t sock, int read_timeout_ms, int write_timeout_ms)
      : sock_(sock), read_timeout_ms_(read_timeout_ms), write_timeout_ms_(write_timeout_ms) {}

  bool is_readable() const override {
    return pos_ < buffer_.size() || poll_for(sock_, POLLIN, read_timeout_ms_);
  }
  bool is_writable() const override {
    return !dropped_ && poll_for(sock_, POLLOUT, write_timeout_ms_);
  }

  ssize_t read(char* ptr, size_t size) override {
    if (pos_ == buffer_.size()) {
      if (!poll_for(sock_, POLLIN, read_timeout_ms_)) return -1;
      std::array<char, 4096> chunk;
      ssize_t n;
      do {
        n = ::recv(sock_, chunk.data(), chunk.size(), 0);
      } while (n < 0 && errno == EINTR);
      if (n <= 0) return n < 0 ? -1 : 0;
      buffer_.assign(chunk.data(), static_cast<size_t>(n));
      pos_ = 0;
    }
    const size_t n = std::min(size, buffer_.size() - pos_);
    std::memcpy(ptr, buffer_.data() + pos_, n);
    pos_ += n;
    log_.append(ptr, n);
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (dropped_) return -1;
    if (!poll_for(sock_, POLLOUT, write_timeout_ms_)) return -1;
    ssize_t n;
    do {
      n = ::send(sock_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      address_of(addr, ip, port);
    }
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      address_of(addr, ip, port);
    }
  }
  socket_t socket() const override { return sock_; }

  // Called once the parser has read a request's head (and nothing more).
  void take_head() {
    head_ = std::move(log_);
    log_.clear();
  }
  void start_request() {
    log_.clear();
    head_.clear();
  }
  const std::string& head() const { return head_; }
  bool has_buffered() const { return pos_ < buffer_.size(); }
  void drop() { dropped_ = true; }
  bool dropped() const { return dropped_; }

  bool client_gone() const {
    if (pos_ < buffer_.size()) return false;
    pollfd fd{.fd = sock_, .events = POLLIN | POLLRDHUP, .revents = 0};
    if (::poll(&fd, 1, 0) <= 0) return false;
    if (fd.revents & (POLLRDHUP | POLLHUP | POLLERR)) return true;
    char byte;
    return ::recv(sock_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
  }

 private:
  socket_t sock_;
  int read_timeout_ms_;
  int write_timeout_ms_;
  std::string buffer_;
  size_t pos_ = 0;
  std::string log_;
  std::string head_;
  bool dropped_ = false;
};

// The stream of the connection that the current thread is serving.
thread_local LoggingSocketStream* current_stream = nullptr;

}  // namespace

std::string RecordingServer::current_request_head() {
  return current_stream != nullptr ? current_stream->head() : std::string();
}

void RecordingServer::drop_current_connection() {
  if (current_stream != nullptr) current_stream->drop();
}

bool RecordingServer::current_client_gone() {
  return current_stream != nullptr && current_stream->client_gone();
}

bool RecordingServer::wait_for_request(socket_t sock, bool has_buffered) const {
  if (has_buffered) return true;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
  while (svr_sock_ != INVALID_SOCKET) {
    if (poll_for(sock, POLLIN, poll_slice_ms)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
}

bool RecordingServer::process_and_close_socket(socket_t sock) {
  LoggingSocketStream stream(sock, to_ms(read_timeout_sec_, read_timeout_usec_),
                             to_ms(write_timeout_sec_, write_timeout_usec_));
  current_stream = &stream;
  bool ok = true;
  for (size_t left = keep_alive_max_count_; left > 0; --left) {
    if (!wait_for_request(sock, stream.has_buffered())) break;
    stream.start_request();
    bool connection_closed = false;
    ok = process_request(stream, left == 1, connection_closed,
                         [&stream](httplib::Request&) { stream.take_head(); });
    if (!ok || connection_closed || stream.dropped()) break;
  }
  current_stream = nullptr;
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

}  // namespace velkoran
