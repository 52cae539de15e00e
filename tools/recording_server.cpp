#include "tools/recording_server.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "tools/connection_socket.h"

namespace velkoran {

namespace {

constexpr int poll_slice_ms = 50;

int to_ms(time_t sec, time_t usec) { return static_cast<int>(sec * 1000 + usec / 1000); }

// One connection's socket as cpp-httplib's Stream. Every byte handed to the
// parser is logged until the head of the current request is taken.
class LoggingSocketStream : public httplib::Stream {
 public:
  LoggingSocketStream(socket_t sock, int read_timeout_ms, int write_timeout_ms)
      : sock_(sock), read_timeout_ms_(read_timeout_ms), write_timeout_ms_(write_timeout_ms) {}

  bool is_readable() const override {
    return pos_ < buffer_.size() || connection::wait_readable(sock_, read_timeout_ms_);
  }
  bool is_writable() const override {
    return !dropped_ && connection::wait_writable(sock_, write_timeout_ms_);
  }

  ssize_t read(char* ptr, size_t size) override {
    if (pos_ == buffer_.size()) {
      if (!connection::wait_readable(sock_, read_timeout_ms_)) return -1;
      std::array<char, 4096> chunk;
      const long n = connection::receive(sock_, chunk.data(), chunk.size());
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
    if (!connection::wait_writable(sock_, write_timeout_ms_)) return -1;
    return connection::send(sock_, ptr, size);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    connection::peer_address(sock_, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    connection::local_address(sock_, ip, port);
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

  bool client_gone() const { return pos_ == buffer_.size() && connection::peer_gone(sock_); }

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
    if (connection::wait_readable(sock, poll_slice_ms)) return true;
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
  connection::close(sock);
  return ok;
}

}  // namespace velkoran
