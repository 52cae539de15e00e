#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "tests/workflow/raw_client.h"

namespace velkoran::testing {
namespace {

// Winsock is started once and left running until the process ends.
bool winsock_started() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return started;
}

bool wait_readable(SOCKET sock, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(sock, &set);
  timeval timeout{.tv_sec = timeout_ms / 1000, .tv_usec = (timeout_ms % 1000) * 1000};
  return ::select(0, &set, nullptr, nullptr, &timeout) > 0;
}

}  // namespace

std::string raw_exchange(int port, const std::string& request, bool half_close, int give_up_ms) {
  if (!winsock_started()) return "";
  const SOCKET sock =
      WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (sock == INVALID_SOCKET) return "";
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<u_short>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string received;
  if (::connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::send(sock, request.data(), static_cast<int>(request.size()), 0) ==
          static_cast<int>(request.size())) {
    if (half_close) ::shutdown(sock, SD_SEND);
    char buffer[4096];
    while (wait_readable(sock, give_up_ms)) {
      const int n = ::recv(sock, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
  }
  ::closesocket(sock);
  return received;
}

}  // namespace velkoran::testing
