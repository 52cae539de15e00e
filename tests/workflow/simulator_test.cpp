// The simulated portal the workflow tests rely on: exact request recording,
// scenario switching, dropped and stalled connections, the executable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "tests/workflow/child_process.h"
#include "tests/workflow/raw_client.h"
#include "tools/portal_pages.h"
#include "tools/portal_simulator.h"
#include "tools/stop_request.h"

namespace velkoran {
namespace {

// A guard against a hang, not a time limit under test.
constexpr int give_up_ms = 20000;

std::string raw_exchange(int port, const std::string& request, bool half_close = true) {
  return testing::raw_exchange(port, request, half_close, give_up_ms);
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

// Started as the demo starts it: it names its port on the first line of its
// output, answers there, and ends with status 0 when asked to stop the way
// its platform asks (SIGTERM on Linux, the stop event on Windows).
TEST(SimulatorProgram, PrintsItsPortAndStopsWhenAsked) {
  testing::ChildProcess sim(VELKORAN_PORTAL_SIM_PATH,
                            {"--scenario", "newer_version", "--port", "0"});
  ASSERT_TRUE(sim.started());
  const std::string line = sim.read_line(give_up_ms);

  const std::string prefix = "listening on 127.0.0.1:";
  int sim_port = 0;
  if (line.starts_with(prefix)) sim_port = std::atoi(line.c_str() + prefix.size());
  EXPECT_GT(sim_port, 0) << line;
  if (sim_port > 0) {
    const std::string reply = raw_exchange(sim_port, "GET /e/yz/velkoran.txt HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(reply.ends_with("\r\n\r\n2")) << reply;
  }

  ASSERT_TRUE(ask_to_stop(sim.id()));
  EXPECT_EQ(sim.wait_for_exit(give_up_ms), 0);
}

}  // namespace
}  // namespace velkoran
