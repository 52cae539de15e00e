// Whole exchanges of http_request over the platform's service against real
// servers on 127.0.0.1: the exact request bytes that arrive, and what the
// routine makes of the answers. (TLS: tls_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/bytes_ops.h"
#include "core/codepage.h"
#include "http/http_request.h"
#include "http/http_service.h"
#include "http/http_texts.h"
#include "http/platform_service.h"
#include "tests/http/service_habits.h"
#include "tests/support/local_http_server.h"
#include "tests/support/raw_server.h"
#include "tests/support/socket.h"
#include "tests/support/wine.h"

namespace velkoran {
namespace {

using testing::http_response;
using testing::LocalHttpServer;
using testing::RawConnection;
using testing::RawServer;
using testing::reply_with;
using testing::request_body;
using testing::request_head_lines;
using testing::running_under_wine;

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kAcceptEncoding = "Accept-Encoding: gbk, GB2312";
const std::string kAcceptLanguage = "Accept-Language: zh-cn";
const std::string kFormType = "Content-Type: application/x-www-form-urlencoded";
const std::string kCacheControl = "Cache-Control: no-cache";

// The parts of one request as it arrived.
struct ArrivedRequest {
  std::string request_line;
  std::string host;                        // value of the Host line
  std::string content_length;              // value, or empty when absent
  std::vector<std::string> service_names;  // names of the service's own other lines
  std::vector<std::string> others;         // every other header line, in order
  std::string body;
};

ArrivedRequest parse_arrived(const std::string& raw) {
  ArrivedRequest arrived;
  std::vector<std::string> lines = request_head_lines(raw);
  arrived.request_line = lines.front();
  const std::vector<std::string>& service_names = testing::service_header_names();
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string name = line.substr(0, line.find(':'));
    if (line.rfind("Host: ", 0) == 0) {
      arrived.host = line.substr(6);
    } else if (line.rfind("Content-Length: ", 0) == 0) {
      arrived.content_length = line.substr(16);
    } else if (std::find(service_names.begin(), service_names.end(), name) != service_names.end()) {
      arrived.service_names.push_back(name);
    } else {
      arrived.others.push_back(line);
    }
  }
  arrived.body = request_body(raw);
  return arrived;
}

// The value of header `name` (exact spelling) in a raw request, or "".
std::string header_value(const std::string& raw, const std::string& name) {
  for (const std::string& line : request_head_lines(raw)) {
    if (line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
  }
  return "";
}

class ExchangeTest : public ::testing::Test {
 protected:
  // One request to a server that answers `response`; returns the result and
  // keeps what arrived.
  Text exchange(const std::string& path, HttpRequestOptions options,
                const std::string& response = http_response("200 OK", "", "fine")) {
    RawServer server(reply_with(response));
    options.status = &status_;
    const Text result = http_request(Text(server.base_url() + path), options);
    const std::vector<std::string> requests = server.requests();
    EXPECT_EQ(requests.size(), 1u);
    if (!requests.empty()) {
      raw_ = requests.front();
      arrived_ = parse_arrived(raw_);
      expected_host_ = "127.0.0.1:" + std::to_string(server.port());
    }
    return result;
  }

  Text status_;
  std::string raw_;
  ArrivedRequest arrived_;
  std::string expected_host_;
};

TEST_F(ExchangeTest, GetSendsTheDefaultLinesInOrder) {
  EXPECT_EQ(exchange("/page", {}), Text("fine"));
  EXPECT_EQ(status_, Text("200 OK"));
  EXPECT_EQ(arrived_.request_line, "GET /page HTTP/1.1");
  EXPECT_EQ(arrived_.host, expected_host_);
  EXPECT_EQ(arrived_.content_length, "");
  EXPECT_EQ(arrived_.others, (std::vector<std::string>{kUserAgent, kAccept, kAcceptEncoding,
                                                       kAcceptLanguage, kCacheControl}));
  EXPECT_EQ(arrived_.service_names, testing::service_header_names());
  EXPECT_EQ(arrived_.body, "");
}

TEST_F(ExchangeTest, PostSendsBodyFormTypeAndCookieLine) {
  Text cookies = "sid=7; lang=zh";
  EXPECT_EQ(exchange("/speed", {.method = 1, .body = "a=1&b=2", .cookies = &cookies}),
            Text("fine"));
  EXPECT_EQ(arrived_.request_line, "POST /speed HTTP/1.1");
  EXPECT_EQ(arrived_.content_length, "7");
  EXPECT_EQ(arrived_.others,
            (std::vector<std::string>{kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage,
                                      kFormType, kCacheControl, "Cookie: sid=7; lang=zh"}));
  EXPECT_EQ(arrived_.service_names, testing::service_header_names());
  EXPECT_EQ(arrived_.body, "a=1&b=2");
}

TEST_F(ExchangeTest, CallerLinesAndDefaultsMeet) {
  const struct {
    const char* name;
    int method;
    std::string headers;
    std::string body;
    std::vector<std::string> expected;
    std::string content_length;
    std::vector<std::string> under_wine = {};  // where Wine's WinHTTP differs
  } cases[] = {
      {"lower-case user agent",
       0,
       "user-agent: Bot/1",
       "",
       {"user-agent: Bot/1", kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl},
       ""},
      // Without the blank the default is added too and, added later, replaces it.
      {"user agent without blank",
       0,
       "User-Agent:Bot/1",
       "",
       {kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl},
       ""},
      {"lower-case content type",
       1,
       "content-type: text/plain",
       "x",
       {"Content-Type: text/plain", kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage,
        kCacheControl},
       "1"},
      // Content-type matches neither search: the default, added later, replaces it
      // (in its place: Windows documents the header value as replaced). Wine's
      // WinHTTP removes the old line and adds the new one at the end.
      {"mixed-case content type",
       1,
       "Content-type: text/plain",
       "x",
       {kFormType, kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl},
       "1",
       {kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kFormType, kCacheControl}},
      // A GET body goes out, with no Content-Type of anybody's.
      {"get with body",
       0,
       "",
       "q=1",
       {kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl},
       "3"},
      {"post without body",
       1,
       "",
       "",
       {kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kFormType, kCacheControl},
       "0"},
      // A header with an empty value is sent as it is. Wine's WinHTTP writes
      // every line as name, colon, blank and value, the blank also before an
      // empty value.
      {"empty value",
       0,
       "X-Empty:\r\nX-Id: 7",
       "",
       {"X-Empty:", "X-Id: 7", kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage,
        kCacheControl},
       "",
       {"X-Empty: ", "X-Id: 7", kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage,
        kCacheControl}},
      {"own host line",
       0,
       "Host: portal.example",
       "",
       {kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    (void)exchange("/h", {.method = c.method, .body = c.body, .headers = c.headers});
    EXPECT_EQ(arrived_.others,
              running_under_wine() && !c.under_wine.empty() ? c.under_wine : c.expected);
    EXPECT_EQ(arrived_.content_length, c.content_length);
    EXPECT_EQ(arrived_.body, c.body);
  }
  EXPECT_EQ(arrived_.host, "portal.example");
}

TEST_F(ExchangeTest, LargePostGoesOutWholeWithoutExpect) {
  const std::string body(3 * 1024 * 1024, 'b');
  EXPECT_EQ(exchange("/big", {.method = 1, .body = body}), Text("fine"));
  EXPECT_EQ(arrived_.content_length, std::to_string(body.size()));
  EXPECT_EQ(header_value(raw_, "Expect"), "");
  EXPECT_EQ(arrived_.body, body);
}

TEST_F(ExchangeTest, ObjectNames) {
  const struct {
    std::string path;
    std::string request_line;
    std::string under_wine = {};  // where Wine's WinHTTP differs
  } cases[] = {
      {"", "GET / HTTP/1.1"},
      {"?x=1", "GET / HTTP/1.1"},  // a query without a path is not sent
      // The fragment goes out as written. Wine's WinHTTP escapes its "#".
      {"/a?x=1#f", "GET /a?x=1#f HTTP/1.1", "GET /a?x=1%23f HTTP/1.1"},
      {"/a/../b", "GET /a/../b HTTP/1.1"},
      {"/with space", "GET /with%20space HTTP/1.1"},
      {"/\xD6\xD0", "GET /%E4%B8%AD HTTP/1.1"},  // GBK in the URL, UTF-8 on the wire
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    (void)exchange(c.path, {});
    EXPECT_EQ(arrived_.request_line,
              running_under_wine() && !c.under_wine.empty() ? c.under_wine : c.request_line);
  }
}

TEST_F(ExchangeTest, MethodNumbers) {
  const struct {
    int method;
    std::string name;
  } cases[] = {{0, "GET"},     {1, "POST"},   {2, "HEAD"},  {3, "PUT"},
               {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"},
               {8, "GET"},     {-1, "GET"},   {1000, "GET"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    // HEAD gets its headers without the body they announce.
    const std::string response = c.method == 2 ? "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n"
                                               : http_response("200 OK", "", "fine");
    const Text result = exchange("/m", {.method = c.method}, response);
    EXPECT_EQ(arrived_.request_line, c.name + " /m HTTP/1.1");
    EXPECT_EQ(status_, Text("200 OK"));
    EXPECT_EQ(result, Text(c.method == 2 ? "" : "fine"));
  }
}

TEST_F(ExchangeTest, BasicCredentialsReachTheServer) {
  (void)exchange("/", {.user_name = "user", .password = "pass"});
  EXPECT_EQ(header_value(raw_, "Authorization"), "Basic dXNlcjpwYXNz");
  // Half of the pair sets nothing and fails nothing.
  (void)exchange("/", {.user_name = "user"});
  EXPECT_EQ(header_value(raw_, "Authorization"), "");
  EXPECT_EQ(status_, Text("200 OK"));
}

TEST_F(ExchangeTest, HeaderLineThatWouldSplitFailsBeforeSending) {
  RawServer server(reply_with(http_response("200 OK", "", "fine")));
  Text status;
  const Text result = http_request(Text(server.base_url() + "/"),
                                   {.headers = "X-Id: 1\nInjected: yes", .status = &status});
  EXPECT_EQ(result, Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kAddHeaders));
  EXPECT_EQ(server.connection_count(), 0);
}

TEST(ProxyTest, PlainHttpGoesThroughTheProxyWithItsCredentials) {
  RawServer proxy(reply_with(http_response("200 OK", "", "via proxy")));
  const int origin_port = testing::sockets::closed_port();
  Text status;
  const Text result =
      http_request(Text("http://127.0.0.1:" + std::to_string(origin_port) + "/x?y=1"),
                   {.proxy = Text("127.0.0.1:" + std::to_string(proxy.port())),
                    .proxy_user_name = "pu",
                    .proxy_password = "pp",
                    .status = &status});
  if (running_under_wine()) {
    // Windows reads the proxy name "http=127.0.0.1:<port>" as a proxy for
    // plain http (what the lines below check). Wine's WinHTTP takes the text
    // before the colon, "http=127.0.0.1", for the proxy's host name, which
    // cannot be resolved: sending fails and the proxy hears nothing.
    EXPECT_EQ(status, failure_text(HttpFailure::kSend));
    EXPECT_EQ(proxy.connection_count(), 0);
    return;
  }
  EXPECT_EQ(result, Text("via proxy"));
  ASSERT_EQ(proxy.requests().size(), 1u);
  const std::string raw = proxy.requests().front();
  EXPECT_EQ(request_head_lines(raw).front(),
            "GET http://127.0.0.1:" + std::to_string(origin_port) + "/x?y=1 HTTP/1.1");
  EXPECT_EQ(header_value(raw, "Proxy-Authorization"), "Basic cHU6cHA=");
  EXPECT_EQ(header_value(raw, "Proxy-Connection"), "");
}

// The service itself, with a proxy named for every scheme: a plain request
// goes to the proxy with the whole URL and, at the latest when the proxy asks
// for them, the proxy's credentials (libcurl sends them at once, Wine's
// WinHTTP once asked).
TEST(ProxyTest, ProxyCredentialsReachTheProxy) {
  RawServer proxy([](const std::string& request, RawConnection& connection) {
    connection.send(header_value(request, "Proxy-Authorization").empty()
                        ? http_response("407 Proxy Authentication Required",
                                        "Proxy-Authenticate: Basic realm=\"proxy\"\r\n", "")
                        : http_response("200 OK", "", "via proxy"));
    return false;
  });
  const int origin_port = testing::sockets::closed_port();
  const std::unique_ptr<HttpService> service = make_platform_service();
  const HttpHandle session = service->open(
      kAccessNamedProxy, text_to_utf16(Text("127.0.0.1:" + std::to_string(proxy.port()))));
  // Named, not an address: the origin's name differs from the proxy's.
  const HttpHandle connection = service->connect(session, text_to_utf16("localhost"), origin_port);
  const HttpHandle request =
      service->open_request(connection, text_to_utf16("GET"), text_to_utf16("/x"), false);
  ASSERT_TRUE(service->set_credentials(request, kAuthTargetProxy, kAuthSchemeBasic,
                                       text_to_utf16("pu"), text_to_utf16("pp")));
  ASSERT_TRUE(service->add_request_headers(request, text_to_utf16("Accept: */*"), 11,
                                           kAddHeaderAdd | kAddHeaderReplace));
  ASSERT_TRUE(service->send_request(request, Bytes()));
  ASSERT_TRUE(service->receive_response(request));
  ASSERT_GE(proxy.requests().size(), 1u);
  const std::string raw = proxy.requests().back();
  EXPECT_EQ(request_head_lines(raw).front(),
            "GET http://localhost:" + std::to_string(origin_port) + "/x HTTP/1.1");
  EXPECT_EQ(header_value(raw, "Proxy-Authorization"), "Basic cHU6cHA=");
  for (const HttpHandle handle : {request, connection, session}) {
    EXPECT_TRUE(service->close_handle(handle));
  }
}

TEST(ProxyTest, HttpsUrlTunnelsThroughTheProxy) {
  RawServer proxy(reply_with("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"));
  Text status;
  const Text result = http_request("https://127.0.0.1:4443/s",
                                   {.proxy = Text("127.0.0.1:" + std::to_string(proxy.port())),
                                    .proxy_user_name = "pu",
                                    .proxy_password = "pp",
                                    .timeout = 1,
                                    .status = &status});
  if (running_under_wine()) {
    // Windows asks the proxy for a tunnel first (CONNECT, with the proxy's
    // credentials; the lines below). Wine 8's WinHTTP starts the TLS handshake
    // with the proxy itself, which waits for a request head that never comes:
    // the handshake runs into the time-out and sending fails.
    EXPECT_EQ(result, Text());
    EXPECT_EQ(status, failure_text(HttpFailure::kSend));
    EXPECT_EQ(proxy.connection_count(), 1);
    EXPECT_EQ(proxy.requests().size(), 0u);
    return;
  }
  // The proxy's refusal is the answer.
  EXPECT_EQ(result, Text());
  EXPECT_EQ(status, Text("403 Forbidden"));
  ASSERT_EQ(proxy.requests().size(), 1u);
  const std::string raw = proxy.requests().front();
  EXPECT_EQ(request_head_lines(raw).front(), "CONNECT 127.0.0.1:4443 HTTP/1.1");
  EXPECT_EQ(header_value(raw, "Proxy-Authorization"), "Basic cHU6cHA=");
}

// A server whose answer depends on the path of each request.
RawServer::Responder by_path(std::map<std::string, std::string> answers) {
  return [answers = std::move(answers)](const std::string& request, RawConnection& connection) {
    const std::string line = request_head_lines(request).front();
    const std::string path = line.substr(line.find(' ') + 1, line.rfind(' ') - line.find(' ') - 1);
    const auto found = answers.find(path);
    connection.send(found != answers.end() ? found->second
                                           : http_response("404 Not Found", "", "missing"));
    return false;
  };
}

TEST(RedirectTest, FollowedByDefaultWithTheSameHeaderLines) {
  RawServer server(by_path({
      {"/start", http_response("302 Found", "Location: /final\r\nSet-Cookie: hop=1\r\n", "moved")},
      {"/final", http_response("200 OK", "Set-Cookie: end=2\r\n", "done")},
  }));
  Text status;
  Text headers;
  Text location = "untouched";
  Text new_cookies;
  const Text result =
      http_request(Text(server.base_url() + "/start"), {.new_cookies = &new_cookies,
                                                        .headers = "X-Id: 7",
                                                        .response_headers = &headers,
                                                        .location = &location,
                                                        .status = &status});
  EXPECT_EQ(result, Text("done"));
  EXPECT_EQ(status, Text("200 OK"));
  // Only the final response's header block.
  EXPECT_EQ(headers.str().rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << headers.str();
  EXPECT_EQ(headers.str().find("302"), std::string::npos);
  EXPECT_EQ(location, Text("untouched"));
  EXPECT_EQ(new_cookies, Text("end=2"));
  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(request_head_lines(requests[1]).front(), "GET /final HTTP/1.1");
  EXPECT_EQ(header_value(requests[1], "X-Id"), "7");
  // No cookie store without the caller's cookies: the hop's cookie stays behind.
  EXPECT_EQ(header_value(requests[1], "Cookie"), "");
}

TEST(RedirectTest, CookieStoreCarriesCookiesAcrossHopsWhenCookiesAreGiven) {
  RawServer server(by_path({
      {"/start", http_response("302 Found", "Location: /final\r\nSet-Cookie: hop=1\r\n", "")},
      {"/final", http_response("200 OK", "", "done")},
  }));
  Text cookies;
  EXPECT_EQ(http_request(Text(server.base_url() + "/start"), {.cookies = &cookies}), Text("done"));
  ASSERT_EQ(server.requests().size(), 2u);
  // A cookie set by /start without a path holds for "/", the folder of
  // /start, so it goes along to /final (so on Windows). Wine's WinHTTP keeps
  // it for the path /start itself and sends it nowhere else.
  EXPECT_EQ(header_value(server.requests()[1], "Cookie"), running_under_wine() ? "" : "hop=1");

  // With its path given, the cookie goes along everywhere.
  RawServer with_path(by_path({
      {"/start",
       http_response("302 Found", "Location: /final\r\nSet-Cookie: hop=1; Path=/\r\n", "")},
      {"/final", http_response("200 OK", "", "done")},
  }));
  cookies = Text();
  EXPECT_EQ(http_request(Text(with_path.base_url() + "/start"), {.cookies = &cookies}),
            Text("done"));
  ASSERT_EQ(with_path.requests().size(), 2u);
  EXPECT_EQ(header_value(with_path.requests()[1], "Cookie"), "hop=1");
}

TEST(RedirectTest, RelativeTargetIsResolvedAgainstTheRequestedPath) {
  // Wine's WinHTTP escapes the "#" of the fragment (see ExchangeTest.ObjectNames).
  const std::string first = running_under_wine() ? "/dir/start?x=1%23f" : "/dir/start?x=1#f";
  RawServer server(by_path({
      {first, http_response("302 Found", "Location: next?y=2\r\n", "")},
      {"/dir/next?y=2", http_response("200 OK", "", "done")},
  }));
  const Text result = http_request(Text(server.base_url() + "/dir/start?x=1#f"));
  if (running_under_wine()) {
    // Windows asks for /dir/next?y=2 next. Wine 8's WinHTTP cuts the joined
    // target short and asks for /dir/nex.
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(request_head_lines(server.requests()[1]).front(), "GET /dir/nex HTTP/1.1");
    return;
  }
  EXPECT_EQ(result, Text("done"));
  EXPECT_EQ(server.requests().size(), 2u);
}

TEST(RedirectTest, NotFollowedWhenAskedGivesTheRedirect) {
  RawServer server(by_path({
      {"/start", http_response("302 Found", "Location: /final\r\n", "moved")},
  }));
  Text status;
  Text location;
  const Text result = http_request(Text(server.base_url() + "/start"),
                                   {.no_redirect = true, .location = &location, .status = &status});
  EXPECT_EQ(result, Text("moved"));
  EXPECT_EQ(status, Text("302 Found"));
  EXPECT_EQ(location, Text("/final"));
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(RedirectTest, MethodAfterRedirect) {
  const struct {
    const char* code;
    std::string expected_line;
    std::string expected_body;
  } cases[] = {
      // POST becomes GET without the body (so on Windows). Wine's WinHTTP
      // keeps the POST's "Content-Length: 3" on that GET while sending no
      // body, and the exchange then fails, or (after a 303, now and then)
      // ends at the redirect: checked below only for what holds every time.
      {"301 Moved Permanently", "GET /final HTTP/1.1", ""},
      {"302 Found", "GET /final HTTP/1.1", ""},
      {"303 See Other", "GET /final HTTP/1.1", ""},
      {"307 Temporary Redirect", "POST /final HTTP/1.1", "a=1"},
      {"308 Permanent Redirect", "POST /final HTTP/1.1", "a=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    RawServer server(by_path({
        {"/start", http_response(c.code, "Location: /final\r\n", "")},
        {"/final", http_response("200 OK", "", "done")},
    }));
    Text status;
    const Text result = http_request(Text(server.base_url() + "/start"),
                                     {.method = 1, .body = "a=1", .timeout = 1, .status = &status});
    if (running_under_wine() && c.expected_body.empty()) {
      EXPECT_TRUE(result == Text() || result == Text("done"));
      const std::vector<std::string> requests = server.requests();
      ASSERT_GE(requests.size(), 1u);
      EXPECT_EQ(request_head_lines(requests[0]).front(), "POST /start HTTP/1.1");
      // Whatever reached /final was no POST and carried no body.
      for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_EQ(request_head_lines(requests[i]).front(), c.expected_line);
        EXPECT_EQ(request_body(requests[i]), "");
      }
      continue;
    }
    if (running_under_wine() && std::string(c.code) == "308 Permanent Redirect") {
      // Wine 8's WinHTTP does not follow a 308: the redirect is the answer.
      // (Not measured on Windows.)
      EXPECT_EQ(result, Text());
      EXPECT_EQ(status, Text(c.code));
      EXPECT_EQ(server.requests().size(), 1u);
      continue;
    }
    EXPECT_EQ(result, Text("done"));
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(request_head_lines(server.requests()[1]).front(), c.expected_line);
    EXPECT_EQ(request_body(server.requests()[1]), c.expected_body);
  }
}

TEST(RedirectTest, TenAtMost) {
  RawServer server(by_path({{"/loop", http_response("302 Found", "Location: /loop\r\n", "")}}));
  Text status;
  EXPECT_EQ(http_request(Text(server.base_url() + "/loop"), {.status = &status}), Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kReceive));
  EXPECT_EQ(server.requests().size(), 11u);  // the first request and ten redirects
}

TEST(RedirectTest, CredentialsStayWithTheirOrigin) {
  RawServer other(reply_with(http_response("200 OK", "", "other")));
  RawServer server(by_path({
      {"/start", http_response("302 Found", "Location: " + other.base_url() + "/x\r\n", "")},
  }));
  EXPECT_EQ(http_request(Text(server.base_url() + "/start"), {.user_name = "u", .password = "p"}),
            Text("other"));
  ASSERT_EQ(other.requests().size(), 1u);
  EXPECT_NE(header_value(server.requests()[0], "Authorization"), "");
  // Wine's WinHTTP sends the credentials on every request the exchange makes,
  // to whatever origin a redirect leads. (Not measured on Windows.)
  EXPECT_EQ(header_value(other.requests()[0], "Authorization"),
            running_under_wine() ? "Basic dTpw" : "");
}

TEST_F(ExchangeTest, ResponseSide) {
  Text headers;
  Text new_cookies;
  Bytes bytes;
  const std::string body = std::string("before\0after", 12);
  const Text result = exchange(
      "/r", {.new_cookies = &new_cookies, .response_headers = &headers, .response_bytes = &bytes},
      http_response("201 Created",
                    "Set-Cookie: a=1; path=/\r\n"
                    "set-cookie: lower=1\r\n"
                    "Set-Cookie: b=2\r\n",
                    body));
  EXPECT_EQ(status_, Text("201 Created"));
  EXPECT_EQ(new_cookies, Text("a=1; b=2"));
  EXPECT_EQ(result, Text("before"));  // the text ends at the NUL byte
  EXPECT_EQ(bytes.str(), body);       // the bytes do not
  EXPECT_EQ(headers.str(),
            "HTTP/1.1 201 Created\r\nSet-Cookie: a=1; path=/\r\nset-cookie: lower=1\r\n"
            "Set-Cookie: b=2\r\nContent-Length: 12\r\nConnection: close\r\n\r\n");
}

TEST_F(ExchangeTest, InterimResponsesAndBareLineEndsAreNotTheHeaderBlock) {
  Text headers = "untouched";
  const Text result =
      exchange("/", {.response_headers = &headers},
               "HTTP/1.1 100 Continue\r\n\r\n"
               "HTTP/1.1 200 OK\nSet-Cookie: a=1\nContent-Length: 2\nConnection: close\n\nok");
  if (running_under_wine()) {
    // Windows passes over the interim 100 Continue to the final response.
    // Wine 8's WinHTTP gives up on it: no response.
    EXPECT_EQ(result, Text());
    EXPECT_EQ(status_, failure_text(HttpFailure::kReceive));
    EXPECT_EQ(headers, Text("untouched"));
    // Bare line ends alone, without the interim response, are read well.
    const Text bare =
        exchange("/", {.response_headers = &headers},
                 "HTTP/1.1 200 OK\nSet-Cookie: a=1\nContent-Length: 2\nConnection: close\n\nok");
    EXPECT_EQ(bare, Text("ok"));
    EXPECT_EQ(headers.str(),
              "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Length: 2\r\nConnection: "
              "close\r\n\r\n");
    return;
  }
  EXPECT_EQ(result, Text("ok"));
  EXPECT_EQ(status_, Text("200 OK"));
  EXPECT_EQ(headers.str(),
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Length: 2\r\nConnection: close\r\n\r\n");
}

TEST_F(ExchangeTest, ChunkedBodyIsJoinedAndEncodedBodyLeftAlone) {
  EXPECT_EQ(exchange("/", {},
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                     "5\r\nhello\r\n6\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n"),
            Text("hello world"));
  Bytes bytes;
  (void)exchange("/", {.response_bytes = &bytes},
                 http_response("200 OK", "Content-Encoding: gzip\r\n", "not really gzip"));
  EXPECT_EQ(bytes.str(), "not really gzip");
}

TEST_F(ExchangeTest, Utf8PageIsDecodedAgain) {
  const std::string page_head = "<html><head><meta charset=\"utf-8\"></head><body>";
  const Text result =
      exchange("/", {}, http_response("200 OK", "", page_head + "\xE4\xB8\xAD\xE6\x96\x87"));
  EXPECT_EQ(result.str(), page_head + "\xD6\xD0\xCE\xC4");
}

TEST(FailureTest, RefusedConnectionFailsSending) {
  Text status;
  Text headers = "untouched";
  EXPECT_EQ(http_request(
                Text("http://127.0.0.1:" + std::to_string(testing::sockets::closed_port()) + "/"),
                {.response_headers = &headers, .status = &status}),
            Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kSend));
  EXPECT_EQ(headers, Text("untouched"));
}

TEST(FailureTest, EmptyOrForeignUrlFailsCracking) {
  for (const char* url : {"", "ftp://127.0.0.1/", "127.0.0.1/page", "http://"}) {
    SCOPED_TRACE(url);
    Text status;
    EXPECT_EQ(http_request(Text(url), {.status = &status}), Text());
    EXPECT_EQ(status, failure_text(HttpFailure::kCrackUrl));
  }
}

TEST(FailureTest, ServerThatNeverAnswersHitsTheTimeout) {
  RawServer server([](const std::string&, RawConnection& connection) {
    connection.stall();
    return false;
  });
  Text status;
  EXPECT_EQ(http_request(Text(server.base_url() + "/"), {.timeout = 1, .status = &status}), Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kReceive));
}

TEST(FailureTest, ServerThatStopsReadingFailsSending) {
  // A listener that never accepts: the system completes the connection and
  // takes bytes until its small receive buffer is full, then sending stalls.
  int port = 0;
  const testing::sockets::Socket listener =
      testing::sockets::listen_loopback(&port, 4, /*receive_buffer=*/4096);
  Text status;
  EXPECT_EQ(http_request(Text("http://127.0.0.1:" + std::to_string(port) + "/"),
                         {.method = 1,
                          .body = Text(std::string(16 * 1024 * 1024, 'b')),
                          .timeout = 1,
                          .status = &status}),
            Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kSend));
  testing::sockets::close_socket(listener);
}

TEST(FailureTest, ServerClosingWithoutAnswerGivesNoResponse) {
  RawServer server([](const std::string&, RawConnection&) { return false; });
  Text status;
  EXPECT_EQ(http_request(Text(server.base_url() + "/"), {.status = &status}), Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kReceive));
}

TEST(FailureTest, BodyStallingAfterTheHeadersKeepsWhatCame) {
  RawServer server([](const std::string&, RawConnection& connection) {
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part");
    connection.stall();
    return false;
  });
  Text status;
  Bytes bytes;
  EXPECT_EQ(http_request(Text(server.base_url() + "/"),
                         {.timeout = 1, .status = &status, .response_bytes = &bytes}),
            Text("first part"));
  EXPECT_EQ(status, Text("200 OK"));
  EXPECT_EQ(bytes.str(), "first part");
}

TEST(FailureTest, ConnectionClosedMidBodyKeepsWhatCame) {
  RawServer server(reply_with("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this"));
  Text status;
  EXPECT_EQ(http_request(Text(server.base_url() + "/"), {.status = &status}), Text("only this"));
  EXPECT_EQ(status, Text("200 OK"));
}

TEST(FailureTest, SlowButMovingBodyIsNotCutOff) {
  RawServer server([](const std::string&, RawConnection& connection) {
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n");
    for (const char* piece : {"a", "b", "c", "d"}) {
      connection.pause(std::chrono::milliseconds(600));
      connection.send(piece);
    }
    return false;
  });
  Text status;
  // Each pause is shorter than the time-out; all of them together are longer.
  EXPECT_EQ(http_request(Text(server.base_url() + "/"), {.timeout = 1, .status = &status}),
            Text("abcd"));
  EXPECT_EQ(status, Text("200 OK"));
}

TEST(ConcurrencyTest, TwoThreadsExchangeAtOnce) {
  LocalHttpServer server([](httplib::Server& s) {
    s.Get(R"(/(\w+))", [](const httplib::Request& request, httplib::Response& response) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      response.set_header("Set-Cookie", "who=" + request.matches[1].str());
      response.set_content("page " + request.matches[1].str(), "text/plain");
    });
  });
  struct Outcome {
    Text result;
    Text status;
    Text new_cookies;
  };
  Outcome outcomes[2];
  const char* names[2] = {"one", "two"};
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round) {
        outcomes[i].new_cookies = Text();
        outcomes[i].result =
            http_request(Text(server.base_url() + "/" + names[i]),
                         {.new_cookies = &outcomes[i].new_cookies, .status = &outcomes[i].status});
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(outcomes[i].result, Text(std::string("page ") + names[i]));
    EXPECT_EQ(outcomes[i].status, Text("200 OK"));
    EXPECT_EQ(outcomes[i].new_cookies, Text(std::string("who=") + names[i]));
  }
}

}  // namespace
}  // namespace velkoran
