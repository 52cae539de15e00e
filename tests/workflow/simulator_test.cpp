// The simulated portal the workflow tests rely on: exact request recording,
// scenario switching, dropped and stalled connections, the executable.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "tools/portal_pages.h"
#include "tools/portal_simulator.h"

extern char** environ;

namespace velkoran {
namespace {

// A guard against a hang, not a time limit under test.
constexpr int give_up_ms = 20000;

// Sends `request` to 127.0.0.1:`port` over a fresh connection and reads until
// the server closes it. With half_close the sending side is shut after the
// request, as a client that has nothing more to say.
std::string raw_exchange(int port, const std::string& request, bool half_close = true) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  if (sock < 0) return "<no socket>";
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
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
      received.append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(sock);
  return received;
}

TEST(Simulator, RecordsEachRequestHeadExactlyAndInOrder) {
  PortalSimulator sim(Scenario::ready);
  ASSERT_TRUE(sim.start());
  // Two requests on one connection; header names in no particular order, one
  // repeated in another case, one with an empty value.
  const std::string reply = raw_exchange(
      sim.port(),
      "POST /speed/experiencesSpeedModel HTTP/1.1\r\nHost: portal\r\nzeta: 1\r\nAlpha: 2\r\n"
      "X-Empty:\r\nalpha: 3\r\nContent-Length: 3\r\n\r\nabc"
      "GET /e/yz/velkoran.txt?x=1 HTTP/1.1\r\nHost: portal\r\nConnection: close\r\n\r\n");
  EXPECT_NE(reply.find("\r\n\r\nOK"), std::string::npos) << reply;
  EXPECT_NE(reply.find("\r\n\r\n1"), std::string::npos) << reply;

  const auto requests = sim.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].request_line, "POST /speed/experiencesSpeedModel HTTP/1.1");
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].header_lines,
            (std::vector<std::string>{"Host: portal", "zeta: 1", "Alpha: 2", "X-Empty:", "alpha: 3",
                                      "Content-Length: 3"}));
  EXPECT_EQ(requests[0].header("ALPHA"), "2");
  EXPECT_EQ(requests[0].header("x-empty"), "");
  EXPECT_EQ(requests[0].header("Cookie"), std::nullopt);
  EXPECT_EQ(requests[0].body, "abc");
  EXPECT_EQ(requests[1].target, "/e/yz/velkoran.txt?x=1");
  EXPECT_EQ(requests[1].header_lines,
            (std::vector<std::string>{"Host: portal", "Connection: close"}));
  EXPECT_EQ(requests[1].body, "");
}

TEST(Simulator, ScenarioSwitchesOverHttp) {
  PortalSimulator sim(Scenario::ready);
  ASSERT_TRUE(sim.start());
  struct {
    std::string request;
    const char* status_line;
    std::string probe_body;
  } cases[] = {
      {"POST /__sim/scenario?name=already_sped_up HTTP/1.1\r\nContent-Length: 0\r\n\r\n",
       "HTTP/1.1 200", probe_running_until("18?30")},
      {"GET /__sim/scenario?name=probe_failed HTTP/1.1\r\n\r\n", "HTTP/1.1 200", probe_refusal()},
      {"GET /__sim/scenario?name=no_such HTTP/1.1\r\n\r\n", "HTTP/1.1 400", probe_refusal()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    EXPECT_TRUE(raw_exchange(sim.port(), c.request).starts_with(c.status_line));
    EXPECT_EQ(sim.script().probe.body, c.probe_body);
  }
  EXPECT_TRUE(sim.requests().empty()) << "control requests are not recorded";
  EXPECT_NE(raw_exchange(sim.port(), "GET /__sim/scenario HTTP/1.1\r\n\r\n").find("probe_failed"),
            std::string::npos);
}

TEST(Simulator, DroppedAndUnknownRequests) {
  PortalSimulator sim(Scenario::portal_down);
  ASSERT_TRUE(sim.start());
  EXPECT_EQ(raw_exchange(sim.port(), "GET / HTTP/1.1\r\nHost: p\r\n\r\n"), "");
  EXPECT_TRUE(raw_exchange(sim.port(), "GET /e/yz/velkoran.txt HTTP/1.1\r\n\r\n")
                  .starts_with("HTTP/1.1 200"));
  EXPECT_TRUE(raw_exchange(sim.port(), "GET /speed/beginExperiences HTTP/1.1\r\n\r\n")
                  .starts_with("HTTP/1.1 404"));
  EXPECT_EQ(sim.requests().size(), 3u);
}

TEST(Simulator, StopReleasesStalledRequests) {
  PortalSimulator sim(Scenario::stalled);
  ASSERT_TRUE(sim.start());
  std::string reply = "<pending>";
  std::thread client(
      [&] { reply = raw_exchange(sim.port(), "GET /e/yz/velkoran.txt HTTP/1.1\r\n\r\n", false); });
  // Wait until the request has arrived, then stop with it still unanswered.
  while (sim.requests().empty()) std::this_thread::yield();
  sim.stop();
  client.join();
  EXPECT_EQ(reply, "");
  EXPECT_FALSE(sim.start()) << "a stopped simulator stays stopped";
}

TEST(Simulator, ReadyPageHoldsTheFieldsInGbk) {
  const std::string page = portal_start_page("02587654321", "025", "100M");
  EXPECT_NE(page.find("HfUserAccount\" value=\"02587654321\""), std::string::npos);
  EXPECT_NE(page.find("HfAreaCode\" VALUE=\"025\""), std::string::npos);
  // 尊敬的用户( and 您的签约带宽为： in GBK, with a <br /> before the bandwidth.
  EXPECT_NE(page.find("\xD7\xF0\xBE\xB4\xB5\xC4\xD3\xC3\xBB\xA7(02587654321)"), std::string::npos);
  EXPECT_NE(page.find("\xC4\xFA\xB5\xC4\xC7\xA9\xD4\xBC\xB4\xF8\xBF\xED\xCE\xAA\xA3\xBA<br />100M"
                      "</label>"),
            std::string::npos);
}

TEST(SimulatorProgram, PrintsItsPortAndStopsOnSigterm) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char program[] = VELKORAN_PORTAL_SIM_PATH;
  char scenario_flag[] = "--scenario";
  char scenario[] = "newer_version";
  char port_flag[] = "--port";
  char port[] = "0";
  char* argv[] = {program, scenario_flag, scenario, port_flag, port, nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program, &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  std::string line;
  char c;
  pollfd fd{.fd = out[0], .events = POLLIN, .revents = 0};
  while (::poll(&fd, 1, give_up_ms) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(out[0]);

  const std::string prefix = "listening on 127.0.0.1:";
  int sim_port = 0;
  if (line.starts_with(prefix)) sim_port = std::atoi(line.c_str() + prefix.size());
  EXPECT_GT(sim_port, 0) << line;
  if (sim_port > 0) {
    const std::string reply = raw_exchange(sim_port, "GET /e/yz/velkoran.txt HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(reply.ends_with("\r\n\r\n2")) << reply;
  }

  ::kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace velkoran
