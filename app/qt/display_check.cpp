#include "app/qt/display_check.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>

#if defined(__linux__)
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace velkoran {
namespace {

// The display number of a local X display name, or -1 for any other form.
int local_display_number(std::string_view display) {
  if (display.starts_with("unix:")) display.remove_prefix(4);
  if (!display.starts_with(":")) return -1;
  display.remove_prefix(1);
  int number = -1;
  const auto [end, error] =
      std::from_chars(display.data(), display.data() + display.size(), number);
  if (error != std::errc() || number < 0) return -1;
  const std::string_view rest(end, display.data() + display.size() - end);
  return rest.empty() || rest.starts_with(".") ? number : -1;
}

// Whether something accepts connections on the UNIX socket `path`; a leading
// NUL names a socket in the abstract namespace.
bool socket_answers(const std::string& path) {
#if defined(__linux__)
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // cannot check: let Qt try
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), std::min(path.size(), sizeof address.sun_path - 1));
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
  const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  ::close(fd);
  return answered;
#else
  (void)path;
  return true;  // no X sockets to probe here
#endif
}

}  // namespace

DisplayStatus check_display(std::string_view qt_platform, std::string_view wayland_display,
                            std::string_view x_display) {
  if (!qt_platform.empty() || !wayland_display.empty()) return DisplayStatus::available;
  if (x_display.empty()) return DisplayStatus::none;
  const int number = local_display_number(x_display);
  if (number < 0) return DisplayStatus::available;
  // X servers listen on /tmp/.X11-unix/X<n>, on Linux also in the abstract namespace.
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  if (socket_answers(std::string(1, '\0') + path) || socket_answers(path)) {
    return DisplayStatus::available;
  }
  return DisplayStatus::unreachable;
}

}  // namespace velkoran
