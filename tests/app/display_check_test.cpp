// The display check that runs before Qt starts.
#include "app/qt/display_check.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace velkoran {
namespace {

// A listening socket where an X server with display number `number` would
// listen (abstract namespace), standing in for the server.
class FakeXServer {
 public:
  explicit FakeXServer(int number) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const std::string path = std::string(1, '\0') + "/tmp/.X11-unix/X" + std::to_string(number);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    listening_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                 ::listen(fd_, 4) == 0;
  }
  ~FakeXServer() { ::close(fd_); }
  bool listening() const { return listening_; }

 private:
  int fd_;
  bool listening_ = false;
};

TEST(DisplayCheck, TellsWhetherTheWindowSystemCanBeReached) {
  // Display numbers no X server of this machine uses.
  constexpr int kServed = 7391, kDead = 7392;
  const FakeXServer server(kServed);
  ASSERT_TRUE(server.listening());
  const std::string served = ":" + std::to_string(kServed);
  const std::string dead = ":" + std::to_string(kDead);

  struct Case {
    std::string platform, wayland, display;
    DisplayStatus expected;
  } cases[] = {
      {"", "", "", DisplayStatus::none},
      {"offscreen", "", "", DisplayStatus::available},  // the caller chose a platform
      {"", "wayland-0", "", DisplayStatus::available},
      {"", "", served, DisplayStatus::available},
      {"", "", served + ".0", DisplayStatus::available},
      {"", "", "unix" + served, DisplayStatus::available},
      {"", "", dead, DisplayStatus::unreachable},
      {"", "", dead + ".0", DisplayStatus::unreachable},
      {"", "", "remote-host:0", DisplayStatus::available},  // not probed
      {"", "", ":x", DisplayStatus::available},             // not a form we know
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("QT_QPA_PLATFORM=" + c.platform + " WAYLAND_DISPLAY=" + c.wayland +
                 " DISPLAY=" + c.display);
    EXPECT_EQ(check_display(c.platform, c.wayland, c.display), c.expected);
  }
}

}  // namespace
}  // namespace velkoran
