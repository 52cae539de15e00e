#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "tests/support/socket.h"

namespace velkoran::testing::sockets {
namespace {

// Winsock is started once per process and left running until it ends.
void start_winsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
      std::fprintf(stderr, "sockets: Winsock did not start\n");
      std::abort();
    }
  });
}

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

SOCKET handle(Socket socket) { return static_cast<SOCKET>(socket); }

Socket wrap(SOCKET socket) {
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(socket);
}

// A TCP socket that child processes do not inherit.
SOCKET new_socket() {
  start_winsock();
  return WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
}

}  // namespace

Socket listen_loopback(int* port, int backlog, int receive_buffer) {
  const SOCKET listener = new_socket();
  sockaddr_in address = loopback(0);  // the system picks a free port
  int length = sizeof(address);
  if (listener != INVALID_SOCKET && receive_buffer > 0) {
    ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receive_buffer),
                 sizeof(receive_buffer));
  }
  if (listener == INVALID_SOCKET ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener, backlog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::fprintf(stderr, "sockets: cannot listen on 127.0.0.1\n");
    std::abort();
  }
  *port = ntohs(address.sin_port);
  return wrap(listener);
}

Socket accept_connection(Socket listener) {
  for (;;) {
    const SOCKET socket = ::accept(handle(listener), nullptr, nullptr);
    if (socket != INVALID_SOCKET) return wrap(socket);
    const int error = WSAGetLastError();
    if (error != WSAEINTR && error != WSAECONNRESET) return kNoSocket;
  }
}

Socket connect_loopback(int port) {
  const SOCKET socket = new_socket();
  if (socket == INVALID_SOCKET) return kNoSocket;
  const sockaddr_in address = loopback(port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    ::closesocket(socket);
    return kNoSocket;
  }
  return wrap(socket);
}

long send_some(Socket socket, const char* data, std::size_t length) {
  const int chunk = length > 1 << 30 ? 1 << 30 : static_cast<int>(length);
  const int sent = ::send(handle(socket), data, chunk, 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}

long receive_some(Socket socket, char* data, std::size_t length) {
  const int chunk = length > 1 << 30 ? 1 << 30 : static_cast<int>(length);
  const int got = ::recv(handle(socket), data, chunk, 0);
  return got == SOCKET_ERROR ? -1 : got;
}

int wait_readable(Socket first, Socket second, int timeout_ms) {
  WSAPOLLFD watched[2] = {{handle(first), POLLRDNORM, 0}, {handle(second), POLLRDNORM, 0}};
  const ULONG count = second == kNoSocket ? 1 : 2;
  const int ready = WSAPoll(watched, count, timeout_ms);
  if (ready == SOCKET_ERROR) return -1;
  return (watched[0].revents != 0 ? 1 : 0) | (count == 2 && watched[1].revents != 0 ? 2 : 0);
}

void shutdown_both(Socket socket) { ::shutdown(handle(socket), SD_BOTH); }

void close_socket(Socket socket) { ::closesocket(handle(socket)); }

int closed_port() {
  int port = 0;
  close_socket(listen_loopback(&port, 1));
  return port;
}

}  // namespace velkoran::testing::sockets
