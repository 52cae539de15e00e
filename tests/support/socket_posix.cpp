#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tests/support/socket.h"

namespace velkoran::testing::sockets {
namespace {

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

int fd(Socket socket) { return static_cast<int>(socket); }

}  // namespace

Socket listen_loopback(int* port, int backlog, int receive_buffer) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = loopback(0);  // the system picks a free port
  socklen_t length = sizeof(address);
  if (listener >= 0 && receive_buffer > 0) {
    ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(receive_buffer));
  }
  if (listener < 0 ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener, backlog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::fprintf(stderr, "sockets: cannot listen on 127.0.0.1\n");
    std::abort();
  }
  *port = ntohs(address.sin_port);
  return listener;
}

Socket accept_connection(Socket listener) {
  for (;;) {
    const int socket = ::accept4(fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (socket >= 0) return socket;
    if (errno != EINTR && errno != ECONNABORTED) return kNoSocket;
  }
}

Socket connect_loopback(int port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return kNoSocket;
  const sockaddr_in address = loopback(port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(socket);
    return kNoSocket;
  }
  return socket;
}

long send_some(Socket socket, const char* data, std::size_t length) {
  for (;;) {
    // MSG_NOSIGNAL: a peer that has gone is a result, not a SIGPIPE.
    const ssize_t sent = ::send(fd(socket), data, length, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    return sent < 0 ? -1 : static_cast<long>(sent);
  }
}

long receive_some(Socket socket, char* data, std::size_t length) {
  for (;;) {
    const ssize_t got = ::recv(fd(socket), data, length, 0);
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : static_cast<long>(got);
  }
}

int wait_readable(Socket first, Socket second, int timeout_ms) {
  pollfd watched[2] = {{fd(first), POLLIN, 0}, {fd(second), POLLIN, 0}};
  const nfds_t count = second == kNoSocket ? 1 : 2;
  const int ready = ::poll(watched, count, timeout_ms);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  return (watched[0].revents != 0 ? 1 : 0) | (count == 2 && watched[1].revents != 0 ? 2 : 0);
}

void shutdown_both(Socket socket) { ::shutdown(fd(socket), SHUT_RDWR); }

void close_socket(Socket socket) { ::close(fd(socket)); }

int closed_port() {
  int port = 0;
  close_socket(listen_loopback(&port, 1));
  return port;
}

}  // namespace velkoran::testing::sockets
