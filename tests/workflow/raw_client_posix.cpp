#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "tests/workflow/raw_client.h"

namespace velkoran::testing {

std::string raw_exchange(int port, const std::string& request, bool half_close, int give_up_ms) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  if (sock < 0) return "";
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string received;
  if (::connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::send(sock, request.data(), request.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(request.size())) {
    if (half_close) ::shutdown(sock, SHUT_WR);
    pollfd fd{.fd = sock, .events = POLLIN, .revents = 0};
    char buffer[4096];
    while (::poll(&fd, 1, give_up_ms) > 0) {
      const ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
  }
  ::close(sock);
  return received;
}

}  // namespace velkoran::testing
