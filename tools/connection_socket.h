// The few calls RecordingServer makes on the socket of one accepted
// connection: POSIX sockets on Linux (connection_socket_posix.cpp), Winsock on
// Windows (connection_socket_win32.cpp). The socket is cpp-httplib's socket_t.
//
//   if (connection::wait_readable(sock, 50)) {
//     const long n = connection::receive(sock, buffer, sizeof buffer);  // 0: peer closed
//   }
//   connection::close(sock);
#pragma once

#include <httplib.h>

#include <cstddef>
#include <string>

namespace velkoran::connection {

// Waits up to `timeout_ms` until the socket has something to read (data, or
// the peer's end of the connection); false when the time ran out or the wait failed.
[[nodiscard]] bool wait_readable(socket_t sock, int timeout_ms);
// Waits up to `timeout_ms` until a send would not block.
[[nodiscard]] bool wait_writable(socket_t sock, int timeout_ms);

// Receives up to `size` bytes: the count, 0 when the peer closed its side, -1
// on a failure.
[[nodiscard]] long receive(socket_t sock, char* data, std::size_t size);
// Sends up to `size` bytes: the count sent, -1 when the peer has gone (which
// never raises a signal).
[[nodiscard]] long send(socket_t sock, const char* data, std::size_t size);

// Whether the peer has closed its side or reset the connection; neither waits
// nor takes any byte that has arrived.
[[nodiscard]] bool peer_gone(socket_t sock);

// Addresses of the two ends; `ip` and `port` stay as they are when unknown.
void peer_address(socket_t sock, std::string& ip, int& port);
void local_address(socket_t sock, std::string& ip, int& port);

// Ends both directions and releases the socket.
void close(socket_t sock);

}  // namespace velkoran::connection
