// Cutting values out of pages and header lines by markers.
#include "core/text_extract.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "core/codepage.h"
#include "core/text.h"

namespace velkoran {
namespace {

using std::nullopt;
using std::optional;

struct ExtractCase {
  const char* name;
  std::string text;
  std::string marker;
  optional<int> start;
  bool ignore_case;
  std::string expected;
};

TEST(TextLeftOfTest, TakesEverythingInFrontOfTheDelimiter) {
  const ExtractCase cases[] = {
      {"first delimiter", "a:b:c", ":", nullopt, false, "a"},
      {"result starts at byte 1", "a:b:c", ":", 3, false, "a:b"},
      {"start 0", "a:b:c", ":", 0, false, "a"},
      {"start negative", "a:b:c", ":", -2, false, "a"},
      {"start beyond", "a:b:c", ":", 6, false, ""},
      {"delimiter at 1", ":a", ":", nullopt, false, ""},
      {"delimiter absent", "abc", ":", nullopt, false, ""},
      {"empty delimiter", "abc", "", nullopt, false, ""},
      {"empty text", "", ":", nullopt, false, ""},
      {"header name", "Content-Type: text/html", ": ", nullopt, false, "Content-Type"},
      {"second half skipped", "\xB0:b:c", ":", nullopt, false, "\xB0:b"},
      {"exact case", "aXb", "x", nullopt, false, ""},
      {"ignore case", "aXb", "x", nullopt, true, "a"},
  };
  for (const ExtractCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text_left_of(Text(c.text), Text(c.marker), c.start, c.ignore_case).str(), c.expected);
  }
}

TEST(TextBetweenTest, CutsBetweenTheMarkers) {
  struct Case {
    const char* name;
    std::string text;
    std::string start_marker;
    std::string end_marker;
    optional<int> start;
    bool ignore_case;
    std::string expected;
  };
  const Case cases[] = {
      {"quotes both sides", "x\"b\"y", "\"", "\"", nullopt, false, "b"},
      {"markers touch", "[]", "[", "]", nullopt, false, ""},
      {"end only before start", "]a[", "[", "]", nullopt, false, ""},
      {"start absent", "a]", "[", "]", nullopt, false, ""},
      {"end absent", "[a", "[", "]", nullopt, false, ""},
      {"empty end marker", "[a]", "[", "", nullopt, false, ""},
      {"empty start marker", "ab]c]", "", "]", nullopt, false, "ab"},
      {"empty text", "", "[", "]", nullopt, false, ""},
      {"start position", "[a][b]", "[", "]", 3, false, "b"},
      {"start 0", "[a][b]", "[", "]", 0, false, "a"},
      {"start beyond", "[a]", "[", "]", 4, false, ""},
      {"multi-byte markers", "<b>bold</b>", "<b>", "</b>", nullopt, false, "bold"},
      {"gbk inside", "(\xB0\xA1)", "(", ")", nullopt, false, "\xB0\xA1"},
      {"end marker on a second half skipped", "[\xB0]x]", "[", "]", nullopt, false, "\xB0]x"},
      {"cookie pair", "Set-Cookie: sid=1; path=/", "Set-Cookie:", ";", nullopt, false, " sid=1"},
      {"exact case", "HfAreaCode\" VALUE=\"025\"", "HfAreaCode\" value=\"", "\"", nullopt, false,
       ""},
      {"ignore case", "HfAreaCode\" VALUE=\"025\"", "HfAreaCode\" value=\"", "\"", nullopt, true,
       "025"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        text_between(Text(c.text), Text(c.start_marker), Text(c.end_marker), c.start, c.ignore_case)
            .str(),
        c.expected);
  }
}

TEST(TextBetweenTest, QuoteWordInAMarkerStandsForADoubleQuote) {
  const Text quote_word = gbk_from_utf8("#引号");
  ASSERT_EQ(quote_word.str(), "#\xD2\xFD\xBA\xC5");
  const Text page = "<input name=\"HfUserAccount\" value=\"025123\">";

  const Text with_quotes = text_between(page, "HfUserAccount\" value=\"", "\"");
  EXPECT_EQ(with_quotes.str(), "025123");
  const Text start_marker(std::string("HfUserAccount") + quote_word.str() +
                          " value=" + quote_word.str());
  EXPECT_EQ(text_between(page, start_marker, quote_word).str(), "025123");

  // Several quote words in one marker, and a marker without one.
  EXPECT_EQ(text_between("a\"\"b", quote_word.str() + quote_word.str(), "b").str(), "");
  EXPECT_EQ(text_between("x\"\"yz", quote_word.str() + quote_word.str(), "z").str(), "y");

  // Only the markers are rewritten, never the searched text.
  const Text holds_word(std::string("a") + quote_word.str() + "b");
  EXPECT_EQ(text_between(holds_word, "a", "b").str(), quote_word.str());
}

TEST(TextRightOfLastTest, TakesEverythingBehindTheLastMarker) {
  const ExtractCase cases[] = {
      {"last marker", "a/b/c", "/", nullopt, false, "c"},
      {"start 4", "a/b/c", "/", 4, false, "b/c"},
      {"length + 1 is the same as omitted", "a/b/c", "/", 6, false, "c"},
      {"start beyond", "a/b/c", "/", 99, false, "c"},
      {"marker at the end", "a/", "/", nullopt, false, ""},
      {"marker absent", "abc", "/", nullopt, false, ""},
      {"empty text", "", "/", nullopt, false, ""},
      // An empty marker: whole text when omitted; nothing for a start of 1 or less.
      {"empty marker", "abc", "", nullopt, false, "abc"},
      {"empty marker, start 1", "abc", "", 1, false, ""},
      {"empty marker, start 0", "abc", "", 0, false, ""},
      {"start 0", "a/b", "/", 0, false, ""},
      // A marker across the boundary is not found there.
      {"marker overlaps the boundary", "abcd", "bc", 3, false, ""},
      {"marker ends just before", "abcd", "bc", 4, false, "d"},
      {"multi-byte marker", "k::v::w", "::", nullopt, false, "w"},
      {"second half skipped", "\xB0/x", "/", nullopt, false, ""},
      {"exact case", "aXbXc", "x", nullopt, false, ""},
      {"ignore case", "aXbXc", "x", nullopt, true, "c"},
  };
  for (const ExtractCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text_right_of_last(Text(c.text), Text(c.marker), c.start, c.ignore_case).str(),
              c.expected);
  }
}

TEST(ExtremePositionTest, ExtractionClipsWithoutOverflow) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  EXPECT_EQ(text_left_of("a:b", ":", kMin).str(), "a");
  EXPECT_EQ(text_left_of("a:b", ":", kMax).str(), "");
  EXPECT_EQ(text_between("[a]", "[", "]", kMin).str(), "a");
  EXPECT_EQ(text_between("[a]", "[", "]", kMax).str(), "");
  EXPECT_EQ(text_right_of_last("a/b", "/", kMin).str(), "");
  EXPECT_EQ(text_right_of_last("a/b", "/", kMax).str(), "b");
}

TEST(PageExtractionTest, ReadsAccountAreaCodeAndBandwidth) {
  const Text page = gbk_from_utf8(
      "<form><input type=\"hidden\" id=\"HfUserAccount\" value=\"02512345678\"/>\r\n"
      "<input type=\"hidden\" id=\"HfAreaCode\" VALUE=\"025\"/>\r\n"
      "<label>尊敬的用户(02512345678)，您的签约带宽为：100M</label></form>");

  EXPECT_EQ(text_between(page, "HfUserAccount\" value=\"", "\"").str(), "02512345678");
  EXPECT_EQ(text_between(page, "HfAreaCode\" VALUE=\"", "\"").str(), "025");
  // Each marker must match the page's letter case as written.
  EXPECT_EQ(text_between(page, "HfAreaCode\" value=\"", "\"").str(), "");

  const Text greeting = text_between(page, gbk_from_utf8("尊敬的用户("), "</label>");
  EXPECT_EQ(greeting, gbk_from_utf8("02512345678)，您的签约带宽为：100M"));
  EXPECT_EQ(text_right_of_last(greeting, gbk_from_utf8("您的签约带宽为：")).str(), "100M");
}

}  // namespace
}  // namespace velkoran
