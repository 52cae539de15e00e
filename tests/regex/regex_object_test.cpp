// RegexObject as its two users run it: the charset declaration of a page and
// the end time in the portal's answer, with every option left at its default.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/text.h"
#include "regex/regex_object.h"
#include "regex/regex_texts.h"

namespace velkoran {
namespace {

const Text charset_pattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
const Text end_time_pattern = "\\d+.*?\\d+";

// Group 1 of match 1 as the request routine reads it; empty when execute fails.
Text declared_charset(const Text& page) {
  RegexObject re;
  if (!re.execute(charset_pattern, page)) return Text();
  return re.submatch_text(1, 1);
}

TEST(RegexCharset, FindsTheDeclaredName) {
  struct Case {
    const char* name;
    Text page;
    Text charset;
  } cases[] = {
      {"lower case", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
       "utf-8"},
      // Ignore-case is on when case_sensitive is not given.
      {"capitals", "<HTML><META HTTP-EQUIV=\"CONTENT-TYPE\" CONTENT=\"TEXT/HTML; CHARSET=gb2312\">",
       "gb2312"},
      // The optional non-word character takes the opening quote.
      {"double quotes", "<meta charset=\"utf-8\">", "utf-8"},
      {"single quotes", "<meta charset='big5'>", "big5"},
      {"hyphen and digits", "<meta charset=ISO-8859-1 />", "ISO-8859-1"},
      // "." does not cross a line feed: the first <meta> cannot reach its
      // charset, the later one on a single line is taken instead.
      {"line feed", "<meta name=x\ncharset=first>\n<meta charset=second>", "second"},
      {"line feed only", "<meta\ncharset=utf-8>", ""},
      {"no declaration", "<html><head><title>x</title></head></html>", ""},
      // A carriage return is not a line feed: "." takes it.
      {"carriage return", "<meta a\rcharset=utf-8>", "utf-8"},
      // Chinese text before the declaration counts as characters, not bytes.
      {"gbk before", "\xD6\xD0\xCE\xC4<meta charset=gbk>", "gbk"},
      // The request routine hands over the first 1024 bytes, which may end in
      // half a character.
      {"cut character at the end", "<meta charset=utf-8>\xD6", "utf-8"},
      {"cut right after the name", "<meta charset=gbk\xD6", "gbk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(declared_charset(c.page), c.charset);
  }
}

TEST(RegexCharset, CaseSensitiveRunMissesCapitals) {
  RegexObject re;
  ASSERT_TRUE(re.execute(charset_pattern, "<META CHARSET=gb2312>", /*case_sensitive=*/true));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.submatch_text(1, 1), Text());
}

TEST(RegexEndTime, FirstMatchOfDigitsToDigits) {
  struct Case {
    const char* name;
    Text answer;
    Text first;
  } cases[] = {
      // "结束时间12:30" as the portal writes it.
      {"time",
       "\xBD\xE1\xCA\xF8\xCA\xB1\xBC\xE4"
       "12:30",
       "12:30"},
      {"five digits", "abc12345def", "12345"},
      {"one digit", "abc7def", ""},
      {"no digits", "\xB5\xC4", ""},
      {"empty answer", "", ""},
      // Full-width digits are not "\d".
      {"full-width digits", "\xA3\xB1\xA3\xB2", ""},
      // Lazy: stops at the first digit run after the first one.
      {"lazy", "1 to 2 to 3", "1 to 2"},
      // "." stops at a line feed, so the second run must be on the same line.
      {"line feed", "1\n2 3", "2 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject re;
    EXPECT_TRUE(re.execute(end_time_pattern, c.answer));
    EXPECT_EQ(re.match_text(1), c.first);
  }
}

TEST(RegexObjectTest, RunThatFindsNothingStillSucceeds) {
  RegexObject re;
  EXPECT_TRUE(re.execute("x+", "abc"));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.match_text(1), Text());
  EXPECT_EQ(re.submatch_text(1, 1), Text());
  EXPECT_EQ(re.submatch_count(), 0);
}

TEST(RegexObjectTest, MalformedPatternFails) {
  const Text malformed[] = {"(abc", "[a-", "a{2,1}", "*a", "\\", "(?<n>a)(?<n>b)"};
  for (const Text& pattern : malformed) {
    SCOPED_TRACE(pattern.str());
    RegexObject re;
    ASSERT_TRUE(re.execute("(a)", "a"));  // a good run first: the bad one must clear it
    EXPECT_FALSE(re.execute(pattern, "abc(abc"));
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.match_text(1), Text());
    EXPECT_EQ(re.submatch_text(1, 1), Text());
    EXPECT_EQ(re.submatch_count(), 0);
    EXPECT_EQ(re.replace("x"), Text());
    // The engine keeps the pattern it was given.
    EXPECT_EQ(re.get_pattern(), pattern);
  }
}

TEST(RegexObjectTest, PatternsThatWouldSwitchOnUnicodeModesFail) {
  RegexObject re;
  EXPECT_FALSE(re.execute("(*UTF)a", "a"));
  EXPECT_FALSE(re.execute("(*UCP)\\w", "a"));
}

TEST(RegexObjectTest, MatchIndicesOutsideTheRunGiveEmptyText) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(\\d)(x)?", "1 2"));
  ASSERT_EQ(re.match_count(), 2);
  const int outside[] = {0, -1, 3, 1000};
  for (int index : outside) {
    SCOPED_TRACE(index);
    EXPECT_EQ(re.match_text(index), Text());
    EXPECT_EQ(re.submatch_text(index, 1), Text());
  }
  EXPECT_EQ(re.submatch_text(1, 0), Text());
  EXPECT_EQ(re.submatch_text(1, 3), Text());
  // A group that took no part reads as empty.
  EXPECT_EQ(re.submatch_text(1, 2), Text());
  EXPECT_EQ(re.submatch_text(2, 1), Text("2"));
}

TEST(RegexObjectTest, SubmatchCountIsThatOfTheFirstMatch) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(\\w)(\\d)", "a1 b2 c3"));
  EXPECT_EQ(re.match_count(), 3);
  EXPECT_EQ(re.submatch_count(), 2);
  EXPECT_EQ(re.match_text(3), Text("c3"));
  EXPECT_EQ(re.submatch_text(3, 1), Text("c"));
  EXPECT_EQ(re.submatch_text(3, 2), Text("3"));

  ASSERT_TRUE(re.execute("\\d", "1 2 3"));
  EXPECT_EQ(re.match_count(), 3);
  EXPECT_EQ(re.submatch_count(), 0);
}

TEST(RegexObjectTest, GetPattern) {
  RegexObject re;
  EXPECT_EQ(re.get_pattern(), Text());  // before any execute

  const Text pattern = "value=#\xD2\xFD\xBA\xC5(\\w+)#\xD2\xFD\xBA\xC5";
  ASSERT_TRUE(re.execute(pattern, "value=\"abc\""));
  EXPECT_EQ(re.get_pattern(), pattern);  // quote_escape off: unchanged
  EXPECT_EQ(re.match_count(), 0);

  ASSERT_TRUE(re.execute(pattern, "value=\"abc\"", false, true, true, /*quote_escape=*/true));
  EXPECT_EQ(re.get_pattern(), Text("value=\"(\\w+)\""));
  EXPECT_EQ(re.submatch_text(1, 1), Text("abc"));
}

TEST(RegexObjectTest, QuoteMarkerIsGbk) {
  EXPECT_EQ(quote_marker(), Text("#\xD2\xFD\xBA\xC5"));
  // The marker is replaced exactly: another case of "#" text stays.
  RegexObject re;
  ASSERT_TRUE(re.execute("#\xD2\xFD#\xD2\xFD\xBA\xC5", "", false, true, true, true));
  EXPECT_EQ(re.get_pattern(), Text("#\xD2\xFD\""));
}

TEST(RegexObjectTest, OptionsAreSetAgainOnEveryRun) {
  RegexObject re;
  ASSERT_TRUE(re.execute("^b$", "a\r\nb\r\nc", /*case_sensitive=*/false, /*multiline=*/false));
  EXPECT_EQ(re.match_count(), 0);
  ASSERT_TRUE(re.execute("^b$", "a\r\nb\r\nc"));  // multi-line is the default again
  EXPECT_EQ(re.match_count(), 1);

  ASSERT_TRUE(re.execute("a", "aAa", false, true, /*global=*/false));
  EXPECT_EQ(re.match_count(), 1);
  ASSERT_TRUE(re.execute("a", "aAa"));
  EXPECT_EQ(re.match_count(), 3);
  ASSERT_TRUE(re.execute("a", "aAa", /*case_sensitive=*/true));
  EXPECT_EQ(re.match_count(), 2);
}

TEST(RegexObjectTest, Replace) {
  struct Case {
    const char* name;
    Text pattern;
    Text subject;
    bool global;
    Text replacement;
    Text expected;
  } cases[] = {
      {"groups", "(\\w+)@(\\w+)", "ann@home bob@work", true, "$2:$1", "home:ann work:bob"},
      {"first only", "\\d", "1 2 3", false, "#", "# 2 3"},
      {"whole match", "\\d+", "a12b", true, "<$&>", "a<12>b"},
      {"before and after", "b", "abc", true, "[$`|$']", "a[a|c]c"},
      {"dollar", "x", "axb", true, "$$", "a$b"},
      {"literal dollars", "x", "axb", true, "$ $z $", "a$ $z $b"},
      {"group beyond the pattern", "(x)", "axb", true, "$2$1", "a$2xb"},
      {"two-digit falls back", "(x)", "axb", true, "$10", "ax0b"},
      {"unset group", "(x)|(y)", "y", true, "[$1]", "[]"},
      {"no match", "z", "abc", true, "$&", "abc"},
      {"empty matches", "x*", "ab", true, "-", "-a-b-"},
      {"gbk kept", "\\d",
       "\xD6\xD0"
       "1\xCE\xC4",
       true, "\xB5\xC4", "\xD6\xD0\xB5\xC4\xCE\xC4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject re;
    ASSERT_TRUE(re.execute(c.pattern, c.subject, false, true, c.global));
    EXPECT_EQ(re.replace(c.replacement), c.expected);
  }
}

TEST(RegexObjectTest, ReplaceBeforeExecuteIsEmpty) {
  RegexObject re;
  EXPECT_EQ(re.replace("x"), Text());
}

// A pattern that backtracks without end on this subject ends at the match
// limit: the run fails instead of hanging the worker.
TEST(RegexObjectTest, CatastrophicBacktrackingEndsTheRun) {
  const Text subject = std::string(30, 'a') + "b";
  RegexObject re;
  EXPECT_FALSE(re.execute("(a+)+$", subject));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.replace("x"), Text());

  // Also when it happens after a first match: a cut-short run is no success.
  EXPECT_FALSE(re.execute("(a+)+$|x", Text(std::string("x") + subject.str())));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.match_text(1), Text());
}

// The steps of one run are counted over all start positions together: a
// pattern that backtracks heavily at each of a thousand positions, but never
// past the limit of a single attempt, still ends the run within the budget.
TEST(RegexObjectTest, StepBudgetCoversEveryStartPosition) {
  std::string pattern;
  for (int i = 0; i < 18; ++i) pattern += "(a|a)";
  pattern += "b";
  const Text subject = std::string(1000, 'a') + "cb";
  RegexObject re;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(re.execute(pattern, subject));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.replace("x"), Text());
}

}  // namespace
}  // namespace velkoran
