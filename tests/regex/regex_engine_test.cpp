// The engine's matching rules on UTF-16 subjects: what "." "\d" "\w" "^" "$"
// and ignore-case take, how a global run steps over empty matches, and the
// replacement syntax.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/pcre_engine.h"

namespace velkoran {
namespace {

// Every match of a global run as text; "FAILED" when the run did not complete.
std::vector<std::u16string> all_matches(std::u16string_view pattern, std::u16string_view subject,
                                        PatternOptions options = {}) {
  const CompiledPattern compiled = compile_pattern(pattern, options);
  const MatchRun run = find_matches(compiled, subject, /*global=*/true);
  if (!run.completed) return {u"FAILED"};
  std::vector<std::u16string> texts;
  for (const MatchSpan& span : run.spans) {
    texts.emplace_back(subject.substr(span.start, span.end - span.start));
  }
  return texts;
}

std::string trace(std::u16string_view pattern, std::u16string_view subject) {
  std::string out;
  for (char16_t c : pattern) out += c < 0x80 ? static_cast<char>(c) : '?';
  out += " over ";
  for (char16_t c : subject) {
    out += c == u'\n'   ? std::string("\\n")
           : c == u'\r' ? std::string("\\r")
                        : std::string(1, c < 0x80 ? static_cast<char>(c) : '?');
  }
  return out;
}

struct Case {
  std::u16string pattern;
  std::u16string subject;
  std::vector<std::u16string> expected;
};

void run_cases(const std::vector<Case>& cases, PatternOptions options) {
  for (const Case& c : cases) {
    SCOPED_TRACE(trace(c.pattern, c.subject));
    EXPECT_EQ(all_matches(c.pattern, c.subject, options), c.expected);
  }
}

TEST(RegexEngine, DotStopsAtLineFeedOnly) {
  run_cases(
      {
          {u"a.b", u"a\nb", {}},
          {u"a.b", u"a\rb", {u"a\rb"}},
          {u"a.b", u"a\u4E2Db", {u"a\u4E2Db"}},  // one GBK character is one "."
          {u"^.$", u"\u4E2D", {u"\u4E2D"}},
          {u".+", u"ab\r\ncd", {u"ab\r", u"cd"}},
          // A dot that is not the "any character" operator stays what it is.
          {u"a\\.b", u"a.b axb", {u"a.b"}},
          {u"[.]", u"x.", {u"."}},
          {u"[^.]+", u"a.b", {u"a", u"b"}},
          {u"[].]+", u"x].x", {u"]."}},
          {u"[^].]+", u"].ab", {u"ab"}},
          {u"[[:digit:].]+", u"x1.2x", {u"1.2"}},
          {u"\\Q.\\E.", u"a.\n.b", {u".b"}},
          {u"a(?#.)b", u"ab", {u"ab"}},
          {u"\\c.", u"x\nn", {u"n"}},  // "\c." is "." with bit 0x40 flipped: "n"
          // Inline (?s) cannot make "." cross a line feed.
          {u"(?s)a.b", u"a\nb", {}},
      },
      {});
}

TEST(RegexEngine, DigitsAndWordCharactersAreAscii) {
  run_cases(
      {
          {u"\\d+", u"12\uFF13\uFF14 5", {u"12", u"5"}},  // full-width digits are not \d
          {u"\\w+", u"ab\u4E2Dc_d \u00E9", {u"ab", u"c_d"}},
          {u"[^\\w]", u"a\u4E2D", {u"\u4E2D"}},
          {u"[-\\w]+", u"x utf-8 y", {u"x", u"utf-8", u"y"}},
          {u"\\bx\\b", u"\u00E9x\u00E9", {u"x"}},  // non-ASCII letters are not word characters
      },
      {});
}

TEST(RegexEngine, IgnoreCaseFoldsAsciiOnly) {
  run_cases(
      {
          {u"abc", u"ABC aBc", {u"ABC", u"aBc"}},
          {u"[a-c]+", u"CAB", {u"CAB"}},
          // Latin-1, Greek, Cyrillic and full-width letters keep their case.
          {u"\u00C0", u"\u00E0", {}},
          {u"\u00E0", u"\u00C0", {}},
          {u"\u0391", u"\u03B1", {}},
          {u"\u0410", u"\u0430", {}},
          {u"\uFF21", u"\uFF41", {}},
          // And no non-ASCII letter folds onto an ASCII one (Kelvin sign, long s).
          {u"k", u"\u212A", {}},
          {u"s", u"\u017F", {}},
      },
      {.ignore_case = true});
  run_cases({{u"abc", u"ABC abc", {u"abc"}}}, {.ignore_case = false});
}

TEST(RegexEngine, LineAnchors) {
  // Multi-line: CR, LF and CR LF all break lines.
  run_cases(
      {
          {u"^\\w+$", u"ab\r\ncd\ref\ngh", {u"ab", u"cd", u"ef", u"gh"}},
          {u"^", u"a\n", {u"", u""}},
          {u"x$", u"x\r\nx", {u"x", u"x"}},
      },
      {.multiline = true});
  // Otherwise "^" is the start and "$" the very end, not before a final newline.
  run_cases(
      {
          {u"^\\w+$", u"ab\r\ncd", {}},
          {u"^\\w+", u"ab\ncd", {u"ab"}},
          {u"\\w+$", u"ab\ncd", {u"cd"}},
          {u"cd$", u"ab\ncd\n", {}},
      },
      {.multiline = false});
}

TEST(RegexEngine, LazyAndOptional) {
  run_cases(
      {
          {u"<.+?>", u"<a><b>", {u"<a>", u"<b>"}},
          {u"<.*?>", u"<><b>", {u"<>", u"<b>"}},
          {u"<.+>", u"<a><b>", {u"<a><b>"}},
          {u"colou?r", u"color colour", {u"color", u"colour"}},
          {u"\\d+.*?\\d+", u"12:30", {u"12:30"}},
      },
      {});
}

TEST(RegexEngine, GlobalRunStepsOverEmptyMatches) {
  run_cases(
      {
          {u"x*", u"axb", {u"", u"x", u"", u""}},
          {u"x*", u"", {u""}},
          // After an empty match, a non-empty one at the same place is taken.
          {u"a??", u"a", {u"", u"a", u""}},
          // A CR LF pair is stepped over as one character, a LF CR pair as two.
          {u"", u"\r\n", {u"", u""}},
          {u"", u"\n\r", {u"", u"", u""}},
          {u"", u"\u4E2D\u6587", {u"", u"", u""}},
      },
      {});
}

TEST(RegexEngine, CapturesAndUnsetGroups) {
  const CompiledPattern compiled = compile_pattern(u"(a)|(b)(c)?", {});
  ASSERT_TRUE(compiled.ok());
  EXPECT_EQ(compiled.capture_count(), 3u);
  const MatchRun run = find_matches(compiled, u"ab", true);
  ASSERT_TRUE(run.completed);
  ASSERT_EQ(run.spans.size(), 2u);
  ASSERT_EQ(run.spans[0].groups.size(), 3u);
  EXPECT_EQ(run.spans[0].groups[0].start, 0u);
  EXPECT_EQ(run.spans[0].groups[1].start, MatchSpan::unset);
  EXPECT_EQ(run.spans[0].groups[2].start, MatchSpan::unset);
  ASSERT_EQ(run.spans[1].groups.size(), 3u);
  EXPECT_EQ(run.spans[1].groups[0].start, MatchSpan::unset);
  EXPECT_EQ(run.spans[1].groups[1].start, 1u);
  EXPECT_EQ(run.spans[1].groups[1].end, 2u);
  EXPECT_EQ(run.spans[1].groups[2].start, MatchSpan::unset);
}

TEST(RegexEngine, SingleRunTakesTheLeftmostMatch) {
  const CompiledPattern compiled = compile_pattern(u"\\d+", {});
  const MatchRun run = find_matches(compiled, u"a12b345", false);
  ASSERT_TRUE(run.completed);
  ASSERT_EQ(run.spans.size(), 1u);
  EXPECT_EQ(run.spans[0].start, 1u);
  EXPECT_EQ(run.spans[0].end, 3u);
}

TEST(RegexEngine, CompileErrorIsKept) {
  const CompiledPattern compiled = compile_pattern(u"ab(c", {});
  EXPECT_FALSE(compiled.ok());
  EXPECT_NE(compiled.error_code(), 0);
  EXPECT_EQ(compiled.error_offset(), 4u);
  const MatchRun run = find_matches(compiled, u"abc", true);
  EXPECT_FALSE(run.completed);
  EXPECT_TRUE(run.spans.empty());
}

TEST(RegexEngine, NulUnitsAreOrdinaryCharacters) {
  const std::u16string subject(u"a\0b", 3);
  run_cases({{u"a.b", subject, {subject}}, {u"\\x00", subject, {std::u16string(1, u'\0')}}}, {});
}

TEST(RegexEngine, MatchLimitEndsCatastrophicRuns) {
  const std::u16string subject = std::u16string(30, u'a') + u"b";
  EXPECT_EQ(all_matches(u"(a+)+$", subject), std::vector<std::u16string>{u"FAILED"});
  EXPECT_EQ(all_matches(u"(a|aa)+\\d", subject), std::vector<std::u16string>{u"FAILED"});
  // A pattern may lower the limit but not raise it.
  EXPECT_EQ(all_matches(u"(*LIMIT_MATCH=4000000000)(a+)+$", subject),
            std::vector<std::u16string>{u"FAILED"});
}

TEST(RegexEngine, LongLazyStretchWithinTheLimit) {
  // A lazy ".*?" over a long line is ordinary work, not a runaway.
  const std::u16string subject = u"1" + std::u16string(200000, u'x') + u"2";
  EXPECT_EQ(all_matches(u"\\d+.*?\\d+", subject), std::vector<std::u16string>{subject});
}

TEST(RegexEngine, ExpandReplacement) {
  const std::u16string subject = u"say ann@home now";
  const CompiledPattern compiled = compile_pattern(u"(\\w+)@(\\w+)(x)?", {});
  const MatchRun run = find_matches(compiled, subject, false);
  ASSERT_EQ(run.spans.size(), 1u);
  const struct {
    std::u16string replacement;
    std::u16string expected;
  } cases[] = {
      {u"$1", u"ann"},  {u"$2-$1", u"home-ann"}, {u"$02", u"home"},    {u"$3", u""},
      {u"$4", u"$4"},   {u"$0", u"$0"},          {u"$&", u"ann@home"}, {u"$`", u"say "},
      {u"$'", u" now"}, {u"$$1", u"$1"},         {u"$", u"$"},         {u"a$b", u"a$b"},
      {u"\\1", u"\\1"}, {u"${1}", u"${1}"},      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(trace(c.replacement, subject));
    EXPECT_EQ(expand_replacement(c.replacement, subject, run.spans[0]), c.expected);
  }
}

}  // namespace
}  // namespace velkoran
