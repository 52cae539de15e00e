#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tools/connection_socket.h"

namespace velkoran::connection {
namespace {

bool poll_for(socket_t sock, short events, int timeout_ms) {
  pollfd fd{.fd = sock, .events = events, .revents = 0};
  int rc;
  do {
    rc = ::poll(&fd, 1, timeout_ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

}  // namespace

bool wait_readable(socket_t sock, int timeout_ms) { return poll_for(sock, POLLIN, timeout_ms); }

bool wait_writable(socket_t sock, int timeout_ms) { return poll_for(sock, POLLOUT, timeout_ms); }

long receive(socket_t sock, char* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::recv(sock, data, size, 0);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<long>(n);
}

long send(socket_t sock, const char* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::send(sock, data, size, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<long>(n);
}

bool peer_gone(socket_t sock) {
  pollfd fd{.fd = sock, .events = POLLIN | POLLRDHUP, .revents = 0};
  if (::poll(&fd, 1, 0) <= 0) return false;
  if (fd.revents & (POLLRDHUP | POLLHUP | POLLERR)) return true;
  char byte;
  return ::recv(sock, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

void close(socket_t sock) {
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
}

}  // namespace velkoran::connection
