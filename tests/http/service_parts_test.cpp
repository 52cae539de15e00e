// The pieces the libcurl service layer is built from: URL cracking, proxy
// lists, request targets, header lines with replace-on-same-name, UTF-16 data.
#include <gtest/gtest.h>

#include <string>

#include "http/request_header_list.h"
#include "http/url_parts.h"
#include "http/utf16_units.h"

namespace velkoran {
namespace {

std::u16string part_of(std::u16string_view url, const UrlPart& part) {
  return std::u16string(url.substr(part.offset, part.length));
}

TEST(CrackUrlTest, SplitsUrls) {
  const struct {
    std::u16string url;
    int scheme;
    std::u16string host;
    int port;
    std::u16string path;
    std::u16string extra;
  } cases[] = {
      {u"http://example.com", kSchemeHttp, u"example.com", 80, u"", u""},
      {u"https://example.com/", kSchemeHttps, u"example.com", 443, u"/", u""},
      {u"HTTP://h:8080/a/b", kSchemeHttp, u"h", 8080, u"/a/b", u""},
      {u"http://h/a?x=1#f", kSchemeHttp, u"h", 80, u"/a", u"?x=1#f"},
      {u"http://h?x=1", kSchemeHttp, u"h", 80, u"", u"?x=1"},
      {u"http://h#top", kSchemeHttp, u"h", 80, u"", u"#top"},
      {u"http://h:/a", kSchemeHttp, u"h", 80, u"/a", u""},
      {u"http://user:pw@h:81/", kSchemeHttp, u"h", 81, u"/", u""},
      {u"http://[::1]:8080/x", kSchemeHttp, u"[::1]", 8080, u"/x", u""},
      {u"http://\u4E2D\u6587.cn/\u9875", kSchemeHttp, u"\u4E2D\u6587.cn", 80, u"/\u9875", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8_from_units(c.url));
    UrlComponents parts;
    ASSERT_TRUE(crack_url_units(c.url, &parts));
    EXPECT_EQ(parts.scheme, c.scheme);
    EXPECT_EQ(part_of(c.url, parts.host), c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(part_of(c.url, parts.path), c.path);
    EXPECT_EQ(part_of(c.url, parts.extra), c.extra);
  }
}

TEST(CrackUrlTest, RefusesWhatIsNoHttpUrl) {
  const std::u16string bad[] = {
      u"",
      u"example.com",
      u"ftp://h/",
      u"http:/h",
      u"http://",
      u"http:///a",
      u"http://h:0/",
      u"http://h:65536/",
      u"http://h:8x/",
      u"http://a b/",
      u"http://[::1/",
      u"http://h\n/",
  };
  for (const std::u16string& url : bad) {
    SCOPED_TRACE(utf8_from_units(url));
    UrlComponents parts;
    parts.port = -7;
    EXPECT_FALSE(crack_url_units(url, &parts));
    EXPECT_EQ(parts.port, -7);  // untouched
  }
}

TEST(ProxyListTest, ChoosesByScheme) {
  const struct {
    std::string list;
    std::string for_http;
    std::string for_https;
  } cases[] = {
      {"p:8080", "p:8080", "p:8080"},
      {"http=p:8080", "p:8080", ""},
      {"https=s:443", "", "s:443"},
      {"http=p:1;https=s:2", "p:1", "s:2"},
      {"all:3 http=p:1", "p:1", "all:3"},
      {"http=http://p:1", "p:1", ""},
      {"ftp=f:21", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    const ProxyChoice choice = parse_proxy_list(c.list);
    EXPECT_EQ(choice.for_http, c.for_http);
    EXPECT_EQ(choice.for_https, c.for_https);
  }
}

TEST(RequestTargetTest, EscapesOnlyWhatCannotGoOnTheLine) {
  EXPECT_EQ(request_target(u"/a?x=1#f"), "/a?x=1#f");
  EXPECT_EQ(request_target(u"/a b"), "/a%20b");
  EXPECT_EQ(request_target(u"/%41/../b"), "/%41/../b");
  EXPECT_EQ(request_target(u"/\u4E2D"), "/%E4%B8%AD");
  EXPECT_EQ(request_target(u"/\r\n"), "/%0D%0A");
}

TEST(RequestHeaderListTest, AddsAndReplacesByName) {
  RequestHeaderList list;
  ASSERT_TRUE(list.add_block("Accept: a\r\nX-Id: 1\r\n"));
  ASSERT_TRUE(list.add_block("accept: b\r\n\r\nX-New: 2"));
  EXPECT_EQ(list.lines(), (std::vector<std::string>{"accept: b", "X-Id: 1", "X-New: 2"}));
  // An empty value removes a present header and adds an absent one as it is.
  ASSERT_TRUE(list.add_block("X-Id:\r\nX-Empty:"));
  EXPECT_EQ(list.lines(), (std::vector<std::string>{"accept: b", "X-New: 2", "X-Empty:"}));
  EXPECT_TRUE(list.has("x-new"));
  EXPECT_FALSE(list.has("X-Id"));
}

TEST(RequestHeaderListTest, RefusesMalformedLinesWhole) {
  const std::string bad[] = {
      "NoColon", ": no name", "Bad Name: x", "X: a\rInjected: 1", "X: a\nY: b", "X-Ok: 1\r\nbroken",
  };
  for (const std::string& block : bad) {
    SCOPED_TRACE(block);
    RequestHeaderList list;
    EXPECT_FALSE(list.add_block(block));
    EXPECT_TRUE(list.lines().empty());
  }
}

TEST(Utf16UnitsTest, ReadsAndWritesLittleEndian) {
  const Bytes data = bytes_from_units(u"A\u4E2D", true);
  EXPECT_EQ(data.str(), std::string("A\0\x2D\x4E\0\0", 6));
  EXPECT_EQ(units_from_bytes(data, -1), u"A\u4E2D");
  EXPECT_EQ(units_from_bytes(data, 1), u"A");
  EXPECT_EQ(units_from_bytes(Bytes(std::string("A\0B", 3)), -1), u"A");  // odd byte ignored
  EXPECT_EQ(utf8_from_units(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8_from_units(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace velkoran
