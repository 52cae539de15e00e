// What only the WinHTTP service shows: the exact bytes of a request on the
// wire, the lines WinHTTP adds of its own included. (Windows only.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "http/http_request.h"
#include "tests/support/raw_server.h"
#include "tests/support/wine.h"

namespace velkoran {
namespace {

using testing::http_response;
using testing::RawServer;
using testing::reply_with;
using testing::request_body;
using testing::request_head_lines;
using testing::running_under_wine;

const std::string kDefaultLines =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n";

// The head lines of a request in sorted order, the request line first.
std::vector<std::string> sorted_head(const std::string& request) {
  std::vector<std::string> lines = request_head_lines(request);
  std::sort(lines.begin() + 1, lines.end());
  return lines;
}

TEST(WinHttpWireTest, GetAndPostGoOutWithWinHttpsOwnLines) {
  RawServer server(reply_with(http_response("200 OK", "", "fine")));
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  EXPECT_EQ(http_request(Text(server.base_url() + "/page")), Text("fine"));
  Text cookies = "sid=7";
  EXPECT_EQ(http_request(Text(server.base_url() + "/speed"),
                         {.method = 1, .body = "a=1&b=2", .cookies = &cookies}),
            Text("fine"));
  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);

  // WinHTTP adds Host, Content-Length (with a body) and Connection: Keep-Alive
  // and nothing else: no User-Agent, as none was given to the session. Wine
  // puts them after the request's own lines in this order; where Windows puts
  // them is its own affair, so there only the set of lines is compared.
  const std::string get = "GET /page HTTP/1.1\r\n" + kDefaultLines + "Cache-Control: no-cache\r\n" +
                          host + "Connection: Keep-Alive\r\n\r\n";
  const std::string post = "POST /speed HTTP/1.1\r\n" + kDefaultLines +
                           "Content-Type: application/x-www-form-urlencoded\r\n"
                           "Cache-Control: no-cache\r\n"
                           "Cookie: sid=7\r\n" +
                           host + "Content-Length: 7\r\nConnection: Keep-Alive\r\n\r\na=1&b=2";
  if (running_under_wine()) {
    EXPECT_EQ(requests[0], get);
    EXPECT_EQ(requests[1], post);
  } else {
    EXPECT_EQ(sorted_head(requests[0]), sorted_head(get));
    EXPECT_EQ(sorted_head(requests[1]), sorted_head(post));
    EXPECT_EQ(request_body(requests[1]), "a=1&b=2");
  }
}

}  // namespace
}  // namespace velkoran
