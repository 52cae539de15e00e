// http_request step by step, through a layer that records every service call
// and fails a chosen one: each failure text, the out-parameters a failure
// leaves alone, the handles closed in reverse order, the pending-event passes,
// and the arguments each step hands to the service.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes_ops.h"
#include "core/events.h"
#include "core/text_ops.h"
#include "http/http_request.h"
#include "http/http_texts.h"
#include "http/platform_service.h"
#include "tests/http/recording_service.h"
#include "tests/support/raw_server.h"

namespace velkoran {
namespace {

using testing::http_response;
using testing::RawServer;
using testing::RecordingService;
using testing::reply_with;

thread_local int pending_event_passes = 0;
void count_pass() { ++pending_event_passes; }

// Values the caller's variables hold before the call; a step that must not
// write a variable leaves its value here.
struct CallerVariables {
  Text cookies = "keep=1";
  Text new_cookies;
  Text response_headers = "old headers";
  Text location = "old location";
  Text status = "old status";
  Bytes response_bytes{std::string("old bytes")};
};

class StepsTest : public ::testing::Test {
 protected:
  StepsTest()
      : server_(reply_with(http_response("200 OK",
                                         "Set-Cookie: sid=9; path=/\r\n"
                                         "Location: /elsewhere\r\n",
                                         "body"))),
        service_(*real_) {
    pending_event_passes = 0;
    set_pending_events_handler(&count_pass);
  }
  ~StepsTest() override { set_pending_events_handler(nullptr); }

  HttpRequestOptions options_with_outs(bool cookies_given = true) {
    return {.cookies = cookies_given ? &vars_.cookies : nullptr,
            .new_cookies = &vars_.new_cookies,
            .response_headers = &vars_.response_headers,
            .location = &vars_.location,
            .status = &vars_.status,
            .response_bytes = &vars_.response_bytes};
  }

  Text run(const HttpRequestOptions& options, const std::string& path = "/page") {
    return http_request(Text(server_.base_url() + path), options, service_);
  }

  void expect_handles_closed_in_reverse() {
    std::vector<HttpHandle> reversed = service_.opened();
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(service_.closed(), reversed);
  }

  RawServer server_;
  std::unique_ptr<HttpService> real_ = make_platform_service();
  RecordingService service_;
  CallerVariables vars_;
};

TEST_F(StepsTest, EachFailingStepReportsItsTextAndLeavesTheRestAlone) {
  const struct {
    const char* operation;
    int occurrence;
    HttpFailure failure;
    int event_passes;  // one per nested step entered; none for 707 to 709
    std::size_t handles_opened;
    bool server_credentials = false;
    bool proxy_credentials = false;
    bool no_redirect = false;
    bool cookies_given = true;
  } cases[] = {
      {"check_platform", 1, HttpFailure::kPlatform, 0, 0},
      {"crack_url", 1, HttpFailure::kCrackUrl, 1, 0},
      {"open", 1, HttpFailure::kOpenSession, 2, 0},
      {"connect", 1, HttpFailure::kConnect, 3, 1},
      {"open_request", 1, HttpFailure::kOpenRequest, 4, 2},
      {"set_timeouts", 1, HttpFailure::kTimeouts, 5, 3},
      {"set_credentials", 1, HttpFailure::kCredentials, 0, 3, true},
      {"set_credentials", 1, HttpFailure::kCredentials, 0, 3, false, true},
      {"set_credentials", 2, HttpFailure::kCredentials, 0, 3, true, true},
      {"set_option", 1, HttpFailure::kCookieSwitch, 0, 3},
      {"set_option", 1, HttpFailure::kCookieSwitch, 0, 3, false, false, false, false},
      {"set_option", 2, HttpFailure::kRedirectSwitch, 0, 3, false, false, true},
      {"add_request_headers", 1, HttpFailure::kAddHeaders, 6, 3},
      {"send_request", 1, HttpFailure::kSend, 7, 3},
      {"receive_response", 1, HttpFailure::kReceive, 8, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(failure_text(c.failure).str() + " at " + c.operation + " #" +
                 std::to_string(c.occurrence));
    const std::unique_ptr<HttpService> real = make_platform_service();
    RecordingService service(*real);
    service.fail_on(c.operation, c.occurrence);
    CallerVariables vars;
    HttpRequestOptions options = {.cookies = c.cookies_given ? &vars.cookies : nullptr,
                                  .new_cookies = &vars.new_cookies,
                                  .response_headers = &vars.response_headers,
                                  .no_redirect = c.no_redirect,
                                  .location = &vars.location,
                                  .status = &vars.status,
                                  .response_bytes = &vars.response_bytes};
    if (c.server_credentials) {
      options.user_name = "u";
      options.password = "p";
    }
    if (c.proxy_credentials) {
      options.proxy_user_name = "pu";
      options.proxy_password = "pp";
    }
    pending_event_passes = 0;
    const Text result = http_request(Text(server_.base_url() + "/page"), options, service);

    EXPECT_EQ(result, Text());
    EXPECT_EQ(vars.status, failure_text(c.failure));
    const CallerVariables untouched;
    EXPECT_EQ(vars.cookies, untouched.cookies);
    EXPECT_EQ(vars.new_cookies, untouched.new_cookies);
    EXPECT_EQ(vars.response_headers, untouched.response_headers);
    EXPECT_EQ(vars.location, untouched.location);
    EXPECT_EQ(vars.response_bytes, untouched.response_bytes);
    EXPECT_EQ(pending_event_passes, c.event_passes);
    EXPECT_EQ(service.opened().size(), c.handles_opened);
    std::vector<HttpHandle> reversed = service.opened();
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(service.closed(), reversed);
  }
  // Every failure came before the request went out (receive failed after it).
  EXPECT_EQ(server_.requests().size(), 1u);
}

TEST_F(StepsTest, FullExchangeMakesTheCallsInOrder) {
  const Text result = run(options_with_outs(false));
  EXPECT_EQ(result, Text("body"));
  std::vector<std::string> names;
  for (const std::string& call : service_.calls()) names.push_back(call.substr(0, call.find(' ')));
  EXPECT_EQ(names,
            (std::vector<std::string>{
                "check_platform", "crack_url", "open", "connect", "open_request", "set_timeouts",
                "set_option", "add_request_headers", "send_request", "receive_response",
                "query_data_available", "read_data", "query_data_available", "query_headers",
                "query_headers", "close_handle", "close_handle", "close_handle"}));
  expect_handles_closed_in_reverse();
  // The size query passes no buffer; the second passes the size it learnt.
  EXPECT_EQ(service_.call("query_headers"), "query_headers 22 0 0");
  const int header_lines = array_count(split_text(vars_.response_headers, "\r\n"));
  // Nine nested steps, one pass per header line, one after the charset step.
  EXPECT_EQ(pending_event_passes, 9 + header_lines + 1);
  EXPECT_EQ(vars_.status, Text("200 OK"));
  EXPECT_EQ(vars_.location, Text("/elsewhere"));
  EXPECT_EQ(vars_.new_cookies, Text("sid=9"));
  EXPECT_EQ(vars_.cookies, Text("keep=1"));  // not given: not touched
  EXPECT_EQ(vars_.response_bytes.str(), "body");
}

TEST_F(StepsTest, ReadFailureKeepsWhatCameAndTheStatusLineWins) {
  // A body far larger than one chunk; the second read fails.
  std::string big(1024 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  RawServer server(reply_with(http_response("200 OK", "", big)));
  service_.fail_on("read_data", 2);
  Text status;
  Bytes bytes;
  const Text result = http_request(Text(server.base_url() + "/"),
                                   {.status = &status, .response_bytes = &bytes}, service_);
  // The first read asked for what the service had at hand, and got it all.
  const std::string first_read = service_.call("read_data");
  ASSERT_FALSE(first_read.empty());
  const std::size_t first_chunk = std::stoul(first_read.substr(first_read.find(' ') + 1));
  ASSERT_GT(first_chunk, 0u);
  ASSERT_LT(first_chunk, big.size());
  EXPECT_EQ(result.str(), big.substr(0, first_chunk));
  EXPECT_EQ(bytes.str(), big.substr(0, first_chunk));
  EXPECT_EQ(status, Text("200 OK"));
  expect_handles_closed_in_reverse();
}

TEST_F(StepsTest, ReadFailureTextStaysWhenTheHeadersCannotBeHad) {
  service_.fail_on("read_data", 1);
  service_.fail_on("query_headers", 2);
  const Text result = run(options_with_outs());
  EXPECT_EQ(result, Text());
  EXPECT_EQ(vars_.status, failure_text(HttpFailure::kReadData));
  const CallerVariables untouched;
  EXPECT_EQ(vars_.response_headers, untouched.response_headers);
  EXPECT_EQ(vars_.cookies, untouched.cookies);
  EXPECT_EQ(vars_.response_bytes, untouched.response_bytes);
  // The nine nested steps only: no header lines, no charset step.
  EXPECT_EQ(pending_event_passes, 9);
  expect_handles_closed_in_reverse();
}

TEST_F(StepsTest, FailedHeaderQueryIsSilentAndDropsTheBody) {
  service_.fail_on("query_headers", 2);
  const Text result = run(options_with_outs());
  EXPECT_EQ(result, Text());
  const CallerVariables untouched;
  EXPECT_EQ(vars_.status, untouched.status);
  EXPECT_EQ(vars_.location, untouched.location);
  EXPECT_EQ(vars_.new_cookies, untouched.new_cookies);
  EXPECT_EQ(vars_.response_bytes, untouched.response_bytes);
  EXPECT_EQ(pending_event_passes, 9);
}

TEST_F(StepsTest, FailedAvailabilityQuestionEndsReadingWithoutAText) {
  service_.fail_on("query_data_available", 1);
  const Text result = run(options_with_outs(false));
  EXPECT_EQ(result, Text());
  EXPECT_EQ(vars_.status, Text("200 OK"));
  EXPECT_EQ(vars_.response_bytes, Bytes());
  EXPECT_EQ(vars_.location, Text("/elsewhere"));
}

TEST_F(StepsTest, MergesCookiesWhenGivenAndLeftToDefault) {
  Text cookies = "keep=1; sid=1";
  Text new_cookies;
  (void)run({.cookies = &cookies, .new_cookies = &new_cookies});
  EXPECT_EQ(new_cookies, Text("sid=9; keep=1"));
  EXPECT_EQ(cookies, Text("sid=9; keep=1"));

  // merge_cookies false: the response's cookies alone; the caller's stay.
  cookies = "keep=1; sid=1";
  new_cookies = Text();
  (void)run({.cookies = &cookies, .new_cookies = &new_cookies, .merge_cookies = false});
  EXPECT_EQ(new_cookies, Text("sid=9"));
  EXPECT_EQ(cookies, Text("keep=1; sid=1"));

  // The same variable for both is safe; the merged text ends up in it.
  Text both = "keep=1";
  (void)run({.cookies = &both, .new_cookies = &both});
  EXPECT_EQ(both, Text("keep=1; sid=9"));
}

TEST_F(StepsTest, NewCookiesOnEntryAreKept) {
  Text new_cookies = "old=1";
  (void)run({.new_cookies = &new_cookies});
  EXPECT_EQ(new_cookies, Text("old=1; sid=9"));
}

// What each option makes the steps hand to the service. Sending is failed on
// purpose, so nothing leaves the machine.
TEST(StepArgumentsTest, OptionsBecomeServiceArguments) {
  Text cookies;
  const struct {
    const char* name;
    std::string url;
    HttpRequestOptions options;
    std::string expected_call;
  } cases[] = {
      {"default timeout", "http://127.0.0.1:1/", {}, "set_timeouts 30000 30000 30000 30000"},
      {"negative timeout",
       "http://127.0.0.1:1/",
       {.timeout = -5},
       "set_timeouts 30000 30000 30000 30000"},
      {"five seconds", "http://127.0.0.1:1/", {.timeout = 5}, "set_timeouts 5000 5000 5000 5000"},
      {"too long clamps",
       "http://127.0.0.1:1/",
       {.timeout = 3000000},
       "set_timeouts 2147483647 2147483647 2147483647 2147483647"},
      {"largest timeout clamps",
       "http://127.0.0.1:1/",
       {.timeout = 2147483647},
       "set_timeouts 2147483647 2147483647 2147483647 2147483647"},
      {"direct", "http://127.0.0.1:1/", {}, "open 1 []"},
      {"proxy for http",
       "http://127.0.0.1:1/",
       {.proxy = "127.0.0.1:9"},
       "open 3 [http=127.0.0.1:9]"},
      {"proxy for https", "https://127.0.0.1:1/", {.proxy = "127.0.0.1:9"}, "open 3 [127.0.0.1:9]"},
      {"host and port", "http://127.0.0.1:8081/x", {}, "connect 127.0.0.1 8081"},
      {"default port", "http://localhost/x", {}, "connect localhost 80"},
      {"no path", "http://127.0.0.1:1", {}, "open_request GET / plain"},
      {"query without path", "http://127.0.0.1:1?x=1", {}, "open_request GET / plain"},
      {"path query fragment", "http://127.0.0.1:1/a?x=1#f", {}, "open_request GET /a?x=1#f plain"},
      {"https", "https://127.0.0.1:1/s", {}, "open_request GET /s secure"},
      {"post", "http://127.0.0.1:1/", {.method = 1}, "open_request POST / plain"},
      {"head", "http://127.0.0.1:1/", {.method = 2}, "open_request HEAD / plain"},
      {"put", "http://127.0.0.1:1/", {.method = 3}, "open_request PUT / plain"},
      {"options", "http://127.0.0.1:1/", {.method = 4}, "open_request OPTIONS / plain"},
      {"delete", "http://127.0.0.1:1/", {.method = 5}, "open_request DELETE / plain"},
      {"trace", "http://127.0.0.1:1/", {.method = 6}, "open_request TRACE / plain"},
      {"connect", "http://127.0.0.1:1/", {.method = 7}, "open_request CONNECT / plain"},
      {"method 8", "http://127.0.0.1:1/", {.method = 8}, "open_request GET / plain"},
      {"method -1", "http://127.0.0.1:1/", {.method = -1}, "open_request GET / plain"},
      {"server credentials",
       "http://127.0.0.1:1/",
       {.user_name = "u", .password = "p"},
       "set_credentials 0 1 u p"},
      {"proxy credentials",
       "http://127.0.0.1:1/",
       {.proxy_user_name = "pu", .proxy_password = "pp"},
       "set_credentials 1 1 pu pp"},
      {"cookies not given", "http://127.0.0.1:1/", {}, "set_option 63 1"},
      {"cookies given", "http://127.0.0.1:1/", {.cookies = &cookies}, "set_option 79 1"},
      {"body as sent", "http://127.0.0.1:1/", {.body = "a=1"}, "send_request a=1"},
      {"url length in units",
       "http://127.0.0.1:1/\xD6\xD0",
       {},
       "crack_url http://127.0.0.1:1/\xE4\xB8\xAD 20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<HttpService> real = make_platform_service();
    RecordingService service(*real);
    service.fail_on("send_request");
    (void)http_request(Text(c.url), c.options, service);
    const std::string operation = c.expected_call.substr(0, c.expected_call.find(' '));
    EXPECT_EQ(service.call(operation), c.expected_call);
  }
}

TEST(StepArgumentsTest, SwitchesAndHeaderBlock) {
  const std::unique_ptr<HttpService> real = make_platform_service();
  RecordingService service(*real);
  service.fail_on("send_request");
  (void)http_request("http://127.0.0.1:1/", {.no_redirect = true}, service);
  std::vector<std::string> options;
  for (const std::string& call : service.calls()) {
    if (call.rfind("set_option", 0) == 0) options.push_back(call);
  }
  EXPECT_EQ(options, (std::vector<std::string>{"set_option 63 1", "set_option 63 2"}));
  // No credentials asked for: none set, also with half of them given.
  EXPECT_EQ(service.call("set_credentials"), "");
  const std::string headers = service.call("add_request_headers");
  const std::string block =
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
      "Accept: text/html, application/xhtml+xml, */*\r\n"
      "Accept-Encoding: gbk, GB2312\r\n"
      "Accept-Language: zh-cn\r\n"
      "Cache-Control: no-cache\r\n";
  EXPECT_EQ(headers,
            "add_request_headers " + std::to_string(block.size()) + " 2684354560 " + block);

  const std::unique_ptr<HttpService> real2 = make_platform_service();
  RecordingService half(*real2);
  half.fail_on("send_request");
  (void)http_request("http://127.0.0.1:1/", {.user_name = "u", .proxy_password = "pp"}, half);
  EXPECT_EQ(half.call("set_credentials"), "");
}

}  // namespace
}  // namespace velkoran
