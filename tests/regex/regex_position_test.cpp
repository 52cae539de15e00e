// Positions that match_text and submatch_text report: 0-based byte offsets in
// the subject, found by searching the match's text from its character index
// taken as a 1-based byte position.
#include <gtest/gtest.h>

#include "core/text.h"
#include "regex/regex_object.h"

namespace velkoran {
namespace {

struct PositionCase {
  const char* name;
  Text pattern;
  Text subject;
  bool case_sensitive;
  int match_index;
  Text text;
  int position;
};

TEST(RegexPosition, MatchText) {
  const PositionCase cases[] = {
      {"at the start", "ab", "abc", false, 1, "ab", 0},
      {"ascii", "\\d+", "ab 12", false, 1, "12", 3},
      // One two-byte character before the match: character index 1, byte offset 2.
      {"after gbk", "\\d+",
       "\xD6\xD0"
       "12",
       false, 1, "12", 2},
      {"mixed", "\\d+",
       "a\xD6\xD0"
       "b12",
       false, 1, "12", 4},
      {"gbk match", "\xCE\xC4", "ab\xD6\xD0\xCE\xC4", false, 1, "\xCE\xC4", 4},
      {"second match", "\\d",
       "\xD6\xD0"
       "1\xCE\xC4"
       "2",
       false, 2, "2", 5},
      // The search starts one byte before an all-ASCII match, so an equal text
      // right in front of it is reported instead.
      {"equal text in front", "a", "aa", true, 2, "a", 0},
      // Ignoring case, that text in front may differ in case...
      {"ignore case", "a", "Aa", false, 2, "a", 0},
      // ...and with case respected it is passed over.
      {"case sensitive", "a", "Aa", true, 1, "a", 1},
      // The start falls on the second half of the character before the match;
      // stepping by characters from there swallows the match's first byte.
      {"start inside a character", "X", "\xD6\xD0\xD6\xD0X", false, 1, "X", -2},
      {"two characters before", "\\d+",
       "\xD6\xD0\xCE\xC4"
       "12",
       false, 1, "12", -2},
      // Past the run: nothing to find.
      {"no such match", "\\d", "a1", false, 2, "", -2},
      {"index zero", "\\d", "a1", false, 0, "", -2},
  };
  for (const PositionCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject re;
    ASSERT_TRUE(re.execute(c.pattern, c.subject, c.case_sensitive));
    int position = 12345;
    EXPECT_EQ(re.match_text(c.match_index, &position), c.text);
    EXPECT_EQ(position, c.position);
  }
}

TEST(RegexPosition, SubmatchText) {
  RegexObject re;
  ASSERT_TRUE(re.execute("<meta.+?charset=[^\\w]?([-\\w]+)",
                         "\xD6\xD0<META CONTENT=\"text/html; CHARSET='gb2312'\">"));
  int position = 0;
  EXPECT_EQ(re.submatch_text(1, 1, &position), Text("gb2312"));
  EXPECT_EQ(position, 37);

  // The group's text is searched from the start of the whole match, so an
  // equal text inside the match but before the group is what is found.
  ASSERT_TRUE(re.execute("(\\d)-(\\d)", "x1-1"));
  EXPECT_EQ(re.submatch_text(1, 2, &position), Text("1"));
  EXPECT_EQ(position, 1);

  // A group that did not take part has no place.
  ASSERT_TRUE(re.execute("(a)|(b)", "b"));
  position = 0;
  EXPECT_EQ(re.submatch_text(1, 1, &position), Text());
  EXPECT_EQ(position, -2);
  EXPECT_EQ(re.submatch_text(1, 3, &position), Text());
  EXPECT_EQ(position, -2);
}

TEST(RegexPosition, LeftAloneWhenNotAsked) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(\\d)", "a1"));
  EXPECT_EQ(re.match_text(1), Text("1"));
  EXPECT_EQ(re.submatch_text(1, 1), Text("1"));
  EXPECT_EQ(re.match_text(1, nullptr), Text("1"));
}

}  // namespace
}  // namespace velkoran
