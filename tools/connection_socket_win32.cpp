#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>

#include "tools/connection_socket.h"

namespace velkoran::connection {
namespace {

// One socket in select(): Winsock's fd_set is a list of sockets, not a bit
// field, so any socket value fits.
bool select_for(socket_t sock, bool for_reading, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(sock, &set);
  timeval timeout{.tv_sec = timeout_ms / 1000, .tv_usec = (timeout_ms % 1000) * 1000};
  const int rc = for_reading ? ::select(0, &set, nullptr, nullptr, &timeout)
                             : ::select(0, nullptr, &set, nullptr, &timeout);
  return rc > 0;
}

int clamp_size(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

}  // namespace

bool wait_readable(socket_t sock, int timeout_ms) { return select_for(sock, true, timeout_ms); }

bool wait_writable(socket_t sock, int timeout_ms) { return select_for(sock, false, timeout_ms); }

long receive(socket_t sock, char* data, std::size_t size) {
  const int n = ::recv(sock, data, clamp_size(size), 0);
  return n == SOCKET_ERROR ? -1 : n;
}

long send(socket_t sock, const char* data, std::size_t size) {
  const int n = ::send(sock, data, clamp_size(size), 0);
  return n == SOCKET_ERROR ? -1 : n;
}

bool peer_gone(socket_t sock) {
  if (!select_for(sock, true, 0)) return false;
  // Readable: data (not gone), the peer's end (0) or a reset (an error).
  char byte;
  const int n = ::recv(sock, &byte, 1, MSG_PEEK);
  return n == 0 || n == SOCKET_ERROR;
}

void close(socket_t sock) {
  ::shutdown(sock, SD_BOTH);
  ::closesocket(sock);
}

}  // namespace velkoran::connection
