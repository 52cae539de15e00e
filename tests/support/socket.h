// The few TCP calls the local test servers make, on 127.0.0.1 only: POSIX
// sockets on Linux (socket_posix.cpp), Winsock on Windows (socket_win32.cpp).
//
//   int port = 0;
//   sockets::Socket listener = sockets::listen_loopback(&port);
//   if (sockets::wait_readable(listener, sockets::kNoSocket, 50) == 1) {
//     sockets::Socket peer = sockets::accept_connection(listener);
//     ...
//   }
//   sockets::close_socket(listener);
#pragma once

#include <cstddef>
#include <cstdint>

namespace velkoran::testing::sockets {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// A socket listening on 127.0.0.1 at a port the system picks, written to
// `port`. With `receive_buffer` above 0, connections it accepts (and those
// waiting to be accepted) get that small a receive buffer. Ends the process
// with a message when no socket can be had.
Socket listen_loopback(int* port, int backlog = 64, int receive_buffer = 0);

// The next waiting connection, or kNoSocket when accepting failed for good.
Socket accept_connection(Socket listener);

// A connection to 127.0.0.1:`port`, or kNoSocket.
Socket connect_loopback(int port);

// Sends some of `length` bytes; the count sent, or -1 when the peer has gone.
long send_some(Socket socket, const char* data, std::size_t length);

// Receives up to `length` bytes; the count, 0 when the peer closed its side,
// -1 on a failure.
long receive_some(Socket socket, char* data, std::size_t length);

// Waits up to `timeout_ms` until `first` (or `second`, unless kNoSocket) has
// something to read or was closed. 0: neither; 1: first; 2: second; 3: both;
// -1: the wait failed.
int wait_readable(Socket first, Socket second, int timeout_ms);

// Ends both directions: a peer, or a thread blocked receiving, sees the end.
void shutdown_both(Socket socket);

void close_socket(Socket socket);

// A port on 127.0.0.1 where nothing listens (bound, then released).
int closed_port();

}  // namespace velkoran::testing::sockets
