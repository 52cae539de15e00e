// The response side in pieces: status text, Set-Cookie and Location lines,
// the body and its declared character set, and the failure texts' GBK bytes.
#include <gtest/gtest.h>

#include <string>

#include "core/bytes_ops.h"
#include "core/codepage.h"
#include "core/events.h"
#include "core/text_ops.h"
#include "http/body_charset.h"
#include "http/http_texts.h"
#include "http/response_headers.h"
#include "regex/regex_object.h"

namespace velkoran {
namespace {

thread_local int pending_event_passes = 0;
void count_pass() { ++pending_event_passes; }

// Counts the pending-event passes made on this thread while it lives.
class EventCounter {
 public:
  EventCounter() {
    pending_event_passes = 0;
    set_pending_events_handler(&count_pass);
  }
  ~EventCounter() { set_pending_events_handler(nullptr); }
  int passes() const { return pending_event_passes; }
};

TEST(StatusTextTest, CutsTheStatusLine) {
  const struct {
    std::string block;
    std::string expected;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nA: b\r\n\r\n", "200 OK"},
      {"HTTP/1.1 404 Not Found\r\n\r\n", "404 Not Found"},
      {"HTTP/1.1 204\r\n\r\n", "204"},
      // No CR LF after byte 9, or the line too short: empty.
      {"HTTP/1.1 200 OK", ""},
      {"HTTP/1.1 \r\n\r\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    EXPECT_EQ(status_text(c.block).str(), c.expected);
  }
}

TEST(ScanResponseHeadersTest, CollectsCookiesAndLocation) {
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::string block;
    std::string cookies;
    std::optional<std::string> location;
  } cases[] = {
      {"two cookies", "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n",
       "a=1; b=2", std::nullopt},
      {"no cookies", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", "", std::nullopt},
      // The name test is exact: a lower-case set-cookie line is not collected.
      {"lower-case name", "HTTP/1.1 200 OK\r\nset-cookie: a=1\r\n\r\n", "", std::nullopt},
      {"blanks trimmed", "HTTP/1.1 200 OK\r\nSet-Cookie:   c=3  \r\n\r\n", "c=3", std::nullopt},
      // A pair with a control byte that would break the next request is left out;
      // the pairs around it are kept.
      {"bare CR in a value",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r2; path=/\r\nSet-Cookie: b=2\r\n\r\n", "b=2",
       std::nullopt},
      {"CR ending a value without attributes",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\r\nSet-Cookie: b=2\r\n\r\n", "b=2", std::nullopt},
      {"bare LF in a value", "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\n2\r\nSet-Cookie: b=2\r\n\r\n",
       "b=2", std::nullopt},
      // The block ends at a NUL byte, cutting the cookie line short.
      {"NUL in a value",
       "HTTP/1.1 200 OK\r\nSet-Cookie: b=2\r\nSet-Cookie: a=1\0"
       "2; path=/\r\n\r\n"s,
       "b=2", std::nullopt},
      {"only a bad pair", "HTTP/1.1 200 OK\r\nSet-Cookie: a=\r1\r\n\r\n", "", std::nullopt},
      {"CR in an attribute only", "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\r\n\r\n", "a=1",
       std::nullopt},
      {"location any case", "HTTP/1.1 302 Found\r\nlocation: /next\r\n\r\n", "", "/next"},
      {"last location wins", "HTTP/1.1 302 Found\r\nLocation: /a\r\nLOCATION: /b \r\n\r\n", "",
       "/b "},
      {"location needs its blank", "HTTP/1.1 302 Found\r\nLocation:/a\r\n\r\n", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EventCounter events;
    const ResponseHeaderScan scan = scan_response_headers(c.block);
    EXPECT_EQ(scan.cookie_items.str(), c.cookies);
    ASSERT_EQ(scan.location.has_value(), c.location.has_value());
    if (c.location) {
      EXPECT_EQ(scan.location->str(), *c.location);
    }
    // One pass per line, the empty line that ends the block included.
    EXPECT_EQ(events.passes(), array_count(split_text(c.block, "\r\n")));
  }
}

TEST(AppendCookieItemsTest, KeepsWhatTheCallerHad) {
  EXPECT_EQ(append_cookie_items("", "a=1; b=2"), Text("a=1; b=2"));
  EXPECT_EQ(append_cookie_items("x=1", "a=1"), Text("x=1; a=1"));
  // Nothing set: the caller's text stays whole (not cut by two bytes).
  EXPECT_EQ(append_cookie_items("x=1", ""), Text("x=1"));
  EXPECT_EQ(append_cookie_items("", ""), Text());
}

TEST(FailureTextTest, TextsAreGbk) {
  const struct {
    HttpFailure failure;
    std::string gbk;
  } cases[] = {
      {HttpFailure::kPlatform,
       "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7\xFE\xCE\xF1!"},
      {HttpFailure::kCrackUrl, "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kOpenSession, "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kConnect, "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kOpenRequest, "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kTimeouts,
       "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kCredentials,
       "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kCookieSwitch,
       "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3"
       "Cookies\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kRedirectSwitch,
       "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kAddHeaders, "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kSend, "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!"},
      {HttpFailure::kReceive, "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!"},
      {HttpFailure::kReadData, "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.failure));
    EXPECT_EQ(failure_text(c.failure).str(), c.gbk);
  }
}

// "中文" in GBK and in UTF-8.
const std::string kChineseGbk = "\xD6\xD0\xCE\xC4";
const std::string kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

std::string page_declaring(const std::string& charset, const std::string& text) {
  return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
         "\"></head><body>" + text + "</body></html>";
}

TEST(DecodeBodyTest, FollowsTheDeclaredCharset) {
  const struct {
    const char* name;
    std::string body;
    std::string expected;
  } cases[] = {
      {"utf-8 decoded", page_declaring("utf-8", kChineseUtf8),
       page_declaring("utf-8", kChineseGbk)},
      {"UTF-8 decoded", page_declaring("UTF-8", kChineseUtf8),
       page_declaring("UTF-8", kChineseGbk)},
      {"html5 meta", "<meta charset=\"utf-8\">" + kChineseUtf8,
       "<meta charset=\"utf-8\">" + kChineseGbk},
      // gbk and gb2312 in lower case are taken as read; GBK is decoded and stays the same.
      {"gbk as read", page_declaring("gbk", kChineseGbk), page_declaring("gbk", kChineseGbk)},
      {"gb2312 as read", page_declaring("gb2312", kChineseGbk),
       page_declaring("gb2312", kChineseGbk)},
      {"GBK decoded", page_declaring("GBK", kChineseGbk), page_declaring("GBK", kChineseGbk)},
      {"no declaration", "<p>" + kChineseGbk + "</p>", "<p>" + kChineseGbk + "</p>"},
      // A name the decoder does not know keeps the page instead of emptying it.
      {"unknown name", page_declaring("x-no-such-set", kChineseGbk),
       page_declaring("x-no-such-set", kChineseGbk)},
      // Only the first 1024 bytes are searched.
      {"declared too late", std::string(1024, ' ') + page_declaring("utf-8", kChineseUtf8),
       std::string(1024, ' ') + page_declaring("utf-8", kChineseUtf8)},
      // The text ends at a NUL byte.
      {"nul in body", std::string("ab\0cd", 5), "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    EXPECT_EQ(decode_body(regex, Bytes(c.body)).str(), c.expected);
  }
}

TEST(DecodeBodyTest, InvalidBytesAreReplacedNotDropped) {
  RegexObject regex;
  const std::string body = page_declaring("utf-8", "a\xFF" + kChineseUtf8 + "b");
  const std::string decoded = decode_body(regex, Bytes(body)).str();
  EXPECT_NE(decoded.find(kChineseGbk + "b</body>"), std::string::npos) << decoded;
  EXPECT_NE(decoded.find("charset=utf-8"), std::string::npos) << decoded;
}

TEST(DecodeBodyTest, OnePendingEventPassAfterTheCharsetStep) {
  {
    EventCounter events;
    RegexObject regex;
    (void)decode_body(regex, Bytes(page_declaring("utf-8", "x")));
    EXPECT_EQ(events.passes(), 1);
  }
  {
    EventCounter events;
    RegexObject regex;
    (void)decode_body(regex, Bytes(std::string("no meta here")));
    EXPECT_EQ(events.passes(), 1);  // the search ran and found nothing
  }
}

}  // namespace
}  // namespace velkoran
