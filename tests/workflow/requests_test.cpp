// The requests exactly as the portal and the update server receive them.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/http/service_habits.h"
#include "tests/workflow/workflow_fixture.h"
#include "tools/portal_pages.h"

namespace velkoran {
namespace {

const std::string default_user_agent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string portal_user_agent_line =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/69.0.3497.100 Safari/537.36";
const std::string accept = "Accept: text/html, application/xhtml+xml, */*";
const std::string accept_encoding = "Accept-Encoding: gbk, GB2312";
const std::string accept_language = "Accept-Language: zh-cn";
const std::string form_type = "Content-Type: application/x-www-form-urlencoded";
const std::string no_cache = "Cache-Control: no-cache";

// The header lines in order, without those the transport adds: Host and
// Content-Length, which are checked on their own, and the lines the
// platform's HTTP service puts on every request (WinHTTP's Connection line).
std::vector<std::string> caller_lines(const RecordedRequest& request) {
  const std::vector<std::string>& service_names = testing::service_header_names();
  std::vector<std::string> lines;
  for (const std::string& line : request.header_lines) {
    const std::string name = line.substr(0, line.find(':'));
    if (name == "Host" || name == "Content-Length" ||
        std::find(service_names.begin(), service_names.end(), name) != service_names.end()) {
      continue;
    }
    lines.push_back(line);
  }
  return lines;
}

TEST_F(WorkflowRun, RequestsCarryExactlyTheirLinesAndBodies) {
  run_initialize();
  run_speed_up();
  ASSERT_EQ(message(), Expected::speed_up_succeeded());

  const std::string probe_body =
      "action=ExperiencesSpeedModel&isPostBk=1&UserAccount=02587654321&AreaCode=025";
  const std::string begin_body =
      "action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=02587654321&AreaCode=025";
  struct {
    std::string request_line;
    std::vector<std::string> lines;
    std::string body;
  } expected[] = {
      {"GET /e/yz/velkoran.txt HTTP/1.1",
       {default_user_agent, accept, accept_encoding, accept_language, no_cache},
       ""},
      {"GET / HTTP/1.1",
       {portal_user_agent_line, accept, accept_encoding, accept_language, no_cache},
       ""},
      {"POST /speed/experiencesSpeedModel HTTP/1.1",
       {portal_user_agent_line, accept, accept_encoding, accept_language, form_type, no_cache},
       probe_body},
      {"POST /speed/beginExperiences HTTP/1.1",
       {portal_user_agent_line, accept, accept_encoding, accept_language, form_type, no_cache},
       begin_body},
  };
  const auto requests = sim_.requests();
  ASSERT_EQ(requests.size(), std::size(expected));
  for (size_t i = 0; i < requests.size(); ++i) {
    const RecordedRequest& request = requests[i];
    SCOPED_TRACE(expected[i].request_line);
    EXPECT_EQ(request.request_line, expected[i].request_line);
    // No Cookie line either, although the start page set a session cookie.
    EXPECT_EQ(caller_lines(request), expected[i].lines);
    EXPECT_EQ(request.header("Host"), sim_.host());
    EXPECT_EQ(request.header("Content-Length").value_or("0"),
              std::to_string(expected[i].body.size()));
    EXPECT_EQ(request.body, expected[i].body);
  }
}

TEST_F(WorkflowRun, UpdateServerAndPortalAreSeparateHosts) {
  PortalSimulator update_server(Scenario::ready);
  ASSERT_TRUE(update_server.start());
  hosts_.update_host = update_server.host();

  run_initialize();

  EXPECT_EQ(message(), Expected::may_speed_up());
  ASSERT_EQ(update_server.requests().size(), 1u);
  EXPECT_EQ(update_server.requests()[0].target, "/e/yz/velkoran.txt");
  EXPECT_EQ(request_lines(), (std::vector<std::string>{start_page_get, probe_post}));
}

TEST_F(WorkflowRun, FieldValuesGoOutUnencoded) {
  SimReply page;
  page.body = portal_start_page("a&b=1 c", "0%25", "100M");
  page.content_type = "text/html";
  sim_.set_reply(Endpoint::start_page, page);

  run_initialize();
  run_speed_up();

  const auto requests = sim_.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[2].body,
            "action=ExperiencesSpeedModel&isPostBk=1&UserAccount=a&b=1 c&AreaCode=0%25");
  EXPECT_EQ(requests[3].body,
            "action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=a&b=1 c&AreaCode=0%25");
}

}  // namespace
}  // namespace velkoran
