// The addresses of a connection's two ends: the same calls on POSIX sockets
// and on Winsock (cpp-httplib's header brings in either's declarations).
#include <string>

#include "tools/connection_socket.h"

namespace velkoran::connection {
namespace {

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
  } else {
    return;
  }
  ip = buffer;
}

}  // namespace

void peer_address(socket_t sock, std::string& ip, int& port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if (::getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    address_of(addr, ip, port);
  }
}

void local_address(socket_t sock, std::string& ip, int& port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if (::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    address_of(addr, ip, port);
  }
}

}  // namespace velkoran::connection
