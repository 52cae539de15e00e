// The request header block: the caller's lines first, then each default line
// whose name the caller did not give, in a fixed order.
#include "http/request_headers.h"

#include <gtest/gtest.h>

#include <string>

namespace velkoran {
namespace {

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*\r\n";
const std::string kEncoding = "Accept-Encoding: gbk, GB2312\r\n";
const std::string kLanguage = "Accept-Language: zh-cn\r\n";
const std::string kFormType = "Content-Type: application/x-www-form-urlencoded\r\n";
const std::string kCache = "Cache-Control: no-cache\r\n";

TEST(RequestHeadersTest, BuildsTheBlock) {
  const struct {
    const char* name;
    std::string headers;
    int method;
    std::string cookies;
    std::string expected;
  } cases[] = {
      // Defaults alone.
      {"get", "", 0, "", kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"post", "", 1, "", kUserAgent + kAccept + kEncoding + kLanguage + kFormType + kCache},
      {"post with cookies", "", 1, "a=1; b=2",
       kUserAgent + kAccept + kEncoding + kLanguage + kFormType + kCache + "Cookie: a=1; b=2\r\n"},
      // Only POST gets a Content-Type; other numbers are not POST.
      {"head", "", 2, "", kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"out of range", "", 9, "", kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      // Caller's lines come first and suppress their defaults, case ignored.
      {"lower-case user agent", "user-agent: Bot/1", 0, "",
       "user-agent: Bot/1\r\n" + kAccept + kEncoding + kLanguage + kCache},
      {"user agent without blank", "User-Agent:Bot/1", 0, "",
       "User-Agent:Bot/1\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      {"own accept and cache", "Accept: */*\r\nCACHE-CONTROL: max-age=0", 0, "",
       "Accept: */*\r\nCACHE-CONTROL: max-age=0\r\n" + kUserAgent + kEncoding + kLanguage},
      // "Accept: " is found inside "X-Accept: ", a substring search.
      {"accept inside another name", "X-Accept: 1", 0, "",
       "X-Accept: 1\r\n" + kUserAgent + kEncoding + kLanguage + kCache},
      // The lower-case content-type is respelled and kept.
      {"lower-case content type", "content-type: text/plain", 1, "",
       "Content-Type: text/plain\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      // Content-type (capital C only) matches neither exact search.
      {"mixed-case content type", "Content-type: text/plain", 1, "",
       "Content-type: text/plain\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kFormType +
           kCache},
      {"content type on get", "content-type: text/plain", 0, "",
       "content-type: text/plain\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kCache},
      // A Cookie line of the caller's wins over the cookies text.
      {"own cookie line", "cookie: x=1", 0, "a=1",
       "cookie: x=1\r\n" + kUserAgent + kAccept + kEncoding + kLanguage + kCache},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(build_request_headers(c.headers, c.method, c.cookies).str(), c.expected);
  }
}

}  // namespace
}  // namespace velkoran
