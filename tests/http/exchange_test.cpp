// Whole exchanges of http_request against real servers on 127.0.0.1: the
// exact request bytes that arrive, and what the routine makes of the answers.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/bytes_ops.h"
#include "core/codepage.h"
#include "http/curl_service.h"
#include "http/http_request.h"
#include "http/http_texts.h"
#include "tests/support/local_http_server.h"
#include "tests/support/local_https_server.h"
#include "tests/support/raw_server.h"

namespace velkoran {
namespace {

using testing::http_response;
using testing::LocalHttpServer;
using testing::LocalHttpsServer;
using testing::RawConnection;
using testing::RawServer;
using testing::reply_with;
using testing::request_body;
using testing::request_head_lines;

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
  std::string host;                 // value of the Host line
  std::string content_length;       // value, or empty when absent
  std::vector<std::string> others;  // every other header line, in order
  std::string body;
};

ArrivedRequest parse_arrived(const std::string& raw) {
  ArrivedRequest arrived;
  std::vector<std::string> lines = request_head_lines(raw);
  arrived.request_line = lines.front();
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.rfind("Host: ", 0) == 0) {
      arrived.host = line.substr(6);
    } else if (line.rfind("Content-Length: ", 0) == 0) {
      arrived.content_length = line.substr(16);
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

// A port on 127.0.0.1 where nothing listens (bound, then released).
int closed_port() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
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
      // Content-type matches neither search: the default, added later, replaces it.
      {"mixed-case content type",
       1,
       "Content-type: text/plain",
       "x",
       {kFormType, kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl},
       "1"},
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
      // A header with an empty value is sent as it is.
      {"empty value",
       0,
       "X-Empty:\r\nX-Id: 7",
       "",
       {"X-Empty:", "X-Id: 7", kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage,
        kCacheControl},
       ""},
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
    EXPECT_EQ(arrived_.others, c.expected);
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
  } cases[] = {
      {"", "GET / HTTP/1.1"},
      {"?x=1", "GET / HTTP/1.1"},  // a query without a path is not sent
      {"/a?x=1#f", "GET /a?x=1#f HTTP/1.1"},
      {"/a/../b", "GET /a/../b HTTP/1.1"},
      {"/with space", "GET /with%20space HTTP/1.1"},
      {"/\xD6\xD0", "GET /%E4%B8%AD HTTP/1.1"},  // GBK in the URL, UTF-8 on the wire
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    (void)exchange(c.path, {});
    EXPECT_EQ(arrived_.request_line, c.request_line);
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
  const int origin_port = closed_port();
  Text status;
  const Text result =
      http_request(Text("http://127.0.0.1:" + std::to_string(origin_port) + "/x?y=1"),
                   {.proxy = Text("127.0.0.1:" + std::to_string(proxy.port())),
                    .proxy_user_name = "pu",
                    .proxy_password = "pp",
                    .status = &status});
  EXPECT_EQ(result, Text("via proxy"));
  ASSERT_EQ(proxy.requests().size(), 1u);
  const std::string raw = proxy.requests().front();
  EXPECT_EQ(request_head_lines(raw).front(),
            "GET http://127.0.0.1:" + std::to_string(origin_port) + "/x?y=1 HTTP/1.1");
  EXPECT_EQ(header_value(raw, "Proxy-Authorization"), "Basic cHU6cHA=");
  EXPECT_EQ(header_value(raw, "Proxy-Connection"), "");
}

TEST(ProxyTest, HttpsUrlTunnelsThroughTheProxy) {
  RawServer proxy(reply_with("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"));
  Text status;
  const Text result = http_request("https://127.0.0.1:4443/s",
                                   {.proxy = Text("127.0.0.1:" + std::to_string(proxy.port())),
                                    .proxy_user_name = "pu",
                                    .proxy_password = "pp",
                                    .status = &status});
  // The proxy's refusal is the answer.
  EXPECT_EQ(result, Text());
  EXPECT_EQ(status, Text("403 Forbidden"));
  ASSERT_EQ(proxy.requests().size(), 1u);
  const std::string raw = proxy.requests().front();
  EXPECT_EQ(request_head_lines(raw).front(), "CONNECT 127.0.0.1:4443 HTTP/1.1");
  EXPECT_EQ(header_value(raw, "Proxy-Authorization"), "Basic cHU6cHA=");
}

// The proxy's "200 Connection established" only opens the tunnel: the answer is
// what comes through it, and a tunnel that carries none fails the exchange.
TEST(ProxyTest, OpenedTunnelIsNotTheAnswer) {
  LocalHttpsServer origin([](httplib::Server& server) {
    server.Get("/s", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("secret", "text/plain");
    });
  });
  const std::string opened = "HTTP/1.1 200 Connection established\r\n\r\n";
  const struct {
    const char* name;
    RawServer::Responder proxy;
    std::string result;
    std::string status;
    std::string headers_start;
  } cases[] = {
      {"relayed",
       [&](const std::string&, RawConnection& connection) {
         connection.send(opened);
         (void)connection.relay_to(origin.port());
         return false;
       },
       "secret", "200 OK", "HTTP/1.1 200 OK\r\n"},
      {"closed after opening", reply_with(opened), "", failure_text(HttpFailure::kSend).str(),
       "untouched"},
      {"stalled after opening",
       [&](const std::string&, RawConnection& connection) {
         connection.send(opened);
         connection.stall();
         return false;
       },
       "", failure_text(HttpFailure::kSend).str(), "untouched"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawServer proxy(c.proxy);
    CurlService service(origin.certificate_pem());
    Text status;
    Text headers = "untouched";
    const Text result = http_request(Text(origin.base_url() + "/s"),
                                     {.response_headers = &headers,
                                      .proxy = Text("127.0.0.1:" + std::to_string(proxy.port())),
                                      .timeout = 1,
                                      .status = &status},
                                     service);
    EXPECT_EQ(result.str(), c.result);
    EXPECT_EQ(status.str(), c.status);
    EXPECT_EQ(headers.str().rfind(c.headers_start, 0), 0u) << headers.str();
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(request_head_lines(proxy.requests().front()).front(),
              "CONNECT 127.0.0.1:" + std::to_string(origin.port()) + " HTTP/1.1");
  }
}

TEST(ProxyTest, ProxyNamedForHttpIsNotUsedForHttps) {
  RawServer proxy(reply_with(http_response("200 OK", "", "via proxy")));
  LocalHttpsServer origin([](httplib::Server& server) {
    server.Get("/s", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("direct", "text/plain");
    });
  });
  CurlService service(origin.certificate_pem());
  const std::string name = "http=127.0.0.1:" + std::to_string(proxy.port());
  const HttpHandle session = service.open(kAccessNamedProxy, text_to_utf16(Text(name)));
  const HttpHandle connection = service.connect(session, text_to_utf16("127.0.0.1"), origin.port());
  const HttpHandle request =
      service.open_request(connection, text_to_utf16("GET"), text_to_utf16("/s"), true);
  ASSERT_TRUE(service.add_request_headers(request, text_to_utf16("Accept: */*"), 11,
                                          kAddHeaderAdd | kAddHeaderReplace));
  ASSERT_TRUE(service.send_request(request, Bytes()));
  ASSERT_TRUE(service.receive_response(request));
  Bytes buffer = blank_bytes(64);
  int read = 0;
  ASSERT_TRUE(service.read_data(request, &buffer, &read));
  EXPECT_EQ(bytes_left(buffer, read).str(), "direct");
  EXPECT_EQ(proxy.connection_count(), 0);
  for (const HttpHandle handle : {request, connection, session}) {
    EXPECT_TRUE(service.close_handle(handle));
  }
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
  EXPECT_EQ(header_value(server.requests()[1], "Cookie"), "hop=1");
}

TEST(RedirectTest, RelativeTargetIsResolvedAgainstTheRequestedPath) {
  RawServer server(by_path({
      {"/dir/start?x=1#f", http_response("302 Found", "Location: next?y=2\r\n", "")},
      {"/dir/next?y=2", http_response("200 OK", "", "done")},
  }));
  EXPECT_EQ(http_request(Text(server.base_url() + "/dir/start?x=1#f")), Text("done"));
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
    EXPECT_EQ(http_request(Text(server.base_url() + "/start"), {.method = 1, .body = "a=1"}),
              Text("done"));
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
  EXPECT_EQ(header_value(other.requests()[0], "Authorization"), "");
}

TEST(RedirectTest, NeverFromHttpsDownToHttp) {
  RawServer plain(reply_with(http_response("200 OK", "", "plain")));
  const std::string target = plain.base_url() + "/p";
  LocalHttpsServer origin([&](httplib::Server& server) {
    server.Get("/s", [&](const httplib::Request&, httplib::Response& response) {
      response.status = 302;
      response.set_header("Location", target);
      response.set_content("staying", "text/plain");
    });
  });
  CurlService service(origin.certificate_pem());
  Text status;
  Text location;
  const Text result = http_request(Text(origin.base_url() + "/s"),
                                   {.location = &location, .status = &status}, service);
  EXPECT_EQ(result, Text("staying"));
  EXPECT_EQ(status, Text("302 Found"));
  EXPECT_EQ(location, Text(target));
  EXPECT_EQ(plain.connection_count(), 0);
}

TEST(TlsTest, TrustedCertificateWorks) {
  LocalHttpsServer origin([](httplib::Server& server) {
    server.Get("/s", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("secret", "text/plain");
    });
  });
  CurlService service(origin.certificate_pem());
  Text status;
  EXPECT_EQ(http_request(Text(origin.base_url() + "/s"), {.status = &status}, service),
            Text("secret"));
  EXPECT_EQ(status, Text("200 OK"));
}

TEST(TlsTest, SelfSignedCertificateFailsTheExchange) {
  LocalHttpsServer origin([](httplib::Server& server) {
    server.Get("/s", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("secret", "text/plain");
    });
  });
  Text status;
  EXPECT_EQ(http_request(Text(origin.base_url() + "/s"), {.status = &status}), Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kSend));
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
  Text headers;
  const Text result =
      exchange("/", {.response_headers = &headers},
               "HTTP/1.1 100 Continue\r\n\r\n"
               "HTTP/1.1 200 OK\nSet-Cookie: a=1\nContent-Length: 2\nConnection: close\n\nok");
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
  EXPECT_EQ(http_request(Text("http://127.0.0.1:" + std::to_string(closed_port()) + "/"),
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
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int small_buffer = 4096;
  ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &small_buffer, sizeof(small_buffer));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  Text status;
  EXPECT_EQ(http_request(Text("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"),
                         {.method = 1,
                          .body = Text(std::string(16 * 1024 * 1024, 'b')),
                          .timeout = 1,
                          .status = &status}),
            Text());
  EXPECT_EQ(status, failure_text(HttpFailure::kSend));
  ::close(listener);
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
