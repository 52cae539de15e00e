// RecordingServer: a cpp-httplib server that also keeps the exact bytes of
// each request head (request line and header lines, in the order sent), and
// lets a handler end a connection without any answer.
//
// cpp-httplib hands handlers a parsed request whose headers are sorted by name
// and mixed with its own pseudo headers; the simulated portal needs what the
// client really sent. The server reads each connection through a stream of its
// own that logs the bytes the parser consumes.
#pragma once

#include <httplib.h>

#include <string>

namespace velkoran {

class RecordingServer : public httplib::Server {
 public:
  // For a handler running on a connection of this server: the raw head of the
  // request being handled, request line to the empty line, CR LF kept.
  [[nodiscard]] static std::string current_request_head();
  // For a handler: end this connection without sending any answer.
  static void drop_current_connection();
  // For a handler: whether the client has closed this connection.
  [[nodiscard]] static bool current_client_gone();

 private:
  bool process_and_close_socket(socket_t sock) override;
  // Waits for the next request on a kept-alive connection; false on idle
  // time-out, a closed connection or a server that is stopping.
  bool wait_for_request(socket_t sock, bool has_buffered) const;
};

}  // namespace velkoran
