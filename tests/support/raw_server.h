// RawServer: a TCP server on 127.0.0.1 (port chosen by the system) that keeps
// the exact bytes of every request and answers with scripted bytes.
//
//   RawServer server([](const std::string& request, RawConnection& connection) {
//     connection.send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
//     return false;                      // close the connection
//   });
//   ... talk to server.base_url() ...
//   server.requests()[0];                // "GET / HTTP/1.1\r\nHost: ...\r\n\r\n"
//
// A responder may also send a part and stall until the server stops, close
// mid-body, or relay the connection to another port. Each connection runs on
// its own thread; requests on one connection are read one after another while
// the responder returns true.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/socket.h"

namespace velkoran::testing {

class RawServer;

// The server side of one accepted connection, handed to the responder.
class RawConnection {
 public:
  RawConnection(RawServer& server, sockets::Socket socket) : server_(server), socket_(socket) {}

  // Writes all of `bytes`; false when the peer has gone.
  bool send(std::string_view bytes);
  // Blocks until the server stops (a peer that waits for more sees a stall).
  void stall();
  // Blocks for `duration`, or less when the server stops.
  void pause(std::chrono::milliseconds duration);
  // Connects to 127.0.0.1:`port` and passes bytes both ways until either side
  // closes or the server stops, as a proxy's tunnel does. False when the
  // connection cannot be made.
  bool relay_to(int port);

 private:
  RawServer& server_;
  sockets::Socket socket_;
};

class RawServer {
 public:
  // Answers one request; returns whether to read another on the same connection.
  using Responder = std::function<bool(const std::string& request, RawConnection& connection)>;

  explicit RawServer(Responder responder);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string base_url() const;

  // Every request received so far, in arrival order, byte for byte.
  std::vector<std::string> requests() const;
  // How many connections were accepted.
  int connection_count() const { return connections_accepted_.load(); }

 private:
  friend class RawConnection;

  void accept_loop();
  void serve(sockets::Socket socket);
  // Blocks until the server stops or `deadline`; true when it stops.
  bool wait_for_stop(std::chrono::steady_clock::time_point deadline);

  Responder responder_;
  sockets::Socket listen_socket_ = sockets::kNoSocket;
  int port_ = 0;
  std::atomic<int> connections_accepted_{0};
  mutable std::mutex mutex_;
  std::condition_variable stopping_changed_;
  bool stopping_ = false;
  std::vector<std::string> requests_;
  std::vector<sockets::Socket> open_sockets_;
  std::vector<std::thread> connection_threads_;
  std::thread accept_thread_;
};

// A responder that answers every request with `response` and closes.
RawServer::Responder reply_with(std::string response);

// An HTTP/1.1 response with a Content-Length and "Connection: close".
//   http_response("200 OK", "Content-Type: text/plain\r\n", "hi")
std::string http_response(std::string_view status, std::string_view header_lines,
                          std::string_view body);

// The request line and header lines of a raw request (without the blank line).
std::vector<std::string> request_head_lines(const std::string& request);
// The body of a raw request: the bytes after the blank line.
std::string request_body(const std::string& request);

}  // namespace velkoran::testing
