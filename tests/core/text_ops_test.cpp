// Text primitives: slicing, searching, replacing, splitting, trimming,
// comparing and number parsing, down to the byte where two-byte GBK
// characters, lone first halves and out-of-range positions meet.
#include "core/text_ops.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"

namespace velkoran {
namespace {

using std::nullopt;
using std::optional;

std::vector<std::string> as_strings(const TextArray& items) {
  std::vector<std::string> out;
  for (const Text& item : items.items()) out.push_back(item.str());
  return out;
}

// Shows GBK bytes readably in a failure trace.
std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

TEST(TextValueTest, NeverHoldsANulByte) {
  const std::string with_nul("a\0b", 3);
  EXPECT_EQ(Text(with_nul).str(), "a");
  EXPECT_EQ(Text(std::string_view(with_nul)).str(), "a");
  EXPECT_EQ(Text(std::string(with_nul)).str(), "a");
  EXPECT_EQ(Text(std::string("\0x", 2)).str(), "");
  EXPECT_EQ(Text("a\0b").str(), "a");
  EXPECT_EQ(text_length(Text(with_nul)), 1);
  EXPECT_EQ(text_concat(Text(with_nul), std::string_view(with_nul), "c").str(), "aac");
  EXPECT_EQ(replace_subtext("x", "x", Text(with_nul), true).str(), "a");
  EXPECT_EQ(as_strings(split_text(Text(std::string("a;\0;b", 5)), ";")),
            std::vector<std::string>{"a"});
}

TEST(TextValueTest, LengthAndEquality) {
  EXPECT_EQ(text_length(""), 0);
  EXPECT_EQ(text_length(Text()), 0);
  EXPECT_EQ(text_length("\xB0\xA1x"), 3);
  EXPECT_TRUE(text_equals(Text(), ""));
  EXPECT_TRUE(text_equals("\xB0\xA1", "\xB0\xA1"));
  EXPECT_FALSE(text_equals("a", "A"));
  EXPECT_FALSE(text_equals("a", "ab"));
  EXPECT_EQ(text_concat("a").str(), "a");
  EXPECT_EQ(text_concat("a", Text(), std::string("b"), "\xB0\xA1").str(), "ab\xB0\xA1");
  EXPECT_EQ(text_concat(Text(), Text()).str(), "");
}

TEST(TextSliceTest, ClipsPositionsAndCounts) {
  struct Case {
    const char* name;
    Text result;
    std::string expected;
  };
  const Case cases[] = {
      {"left middle", text_left("abc", 2), "ab"},
      {"left whole", text_left("abc", 3), "abc"},
      {"left beyond", text_left("abc", 99), "abc"},
      {"left zero", text_left("abc", 0), ""},
      {"left negative", text_left("abc", -1), ""},
      {"left of empty", text_left("", 2), ""},
      {"left cuts a character", text_left("\xB0\xA1", 1), "\xB0"},
      {"right middle", text_right("abc", 2), "bc"},
      {"right beyond", text_right("abc", 99), "abc"},
      {"right zero", text_right("abc", 0), ""},
      {"right negative", text_right("abc", -2), ""},
      {"right cuts a character", text_right("\xB0\xA1", 1), "\xA1"},
      {"mid from 1", text_mid("abc", 1, 2), "ab"},
      {"mid count clipped", text_mid("abc", 2, 99), "bc"},
      {"mid last byte", text_mid("abc", 3, 1), "c"},
      {"mid start 0", text_mid("abc", 0, 2), ""},
      {"mid start negative", text_mid("abc", -1, 5), ""},
      {"mid start beyond", text_mid("abc", 4, 1), ""},
      {"mid count 0", text_mid("abc", 2, 0), ""},
      {"mid count negative", text_mid("abc", 2, -1), ""},
      {"mid of empty", text_mid("", 1, 1), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result.str(), c.expected);
  }
}

struct FindCase {
  const char* name;
  std::string text;
  std::string sought;
  optional<int> start;
  bool ignore_case;
  int expected;
};

TEST(FindTextTest, FindsAtCharacterStarts) {
  const FindCase cases[] = {
      // Not found.
      {"absent", "abc", "d", nullopt, false, -1},
      {"longer than text", "ab", "abc", nullopt, false, -1},
      {"runs past the end", "abc", "bcd", nullopt, false, -1},
      {"in empty text", "", "a", nullopt, false, -1},
      // Start positions.
      {"from the start", "abcabc", "abc", nullopt, false, 1},
      {"position counts from byte 1", "abcabc", "abc", 2, false, 4},
      {"start on the match", "abc", "c", 3, false, 3},
      {"start beyond", "abc", "c", 4, false, -1},
      {"start 0", "abc", "a", 0, false, 1},
      {"start negative", "abc", "a", -5, false, 1},
      // Empty sought.
      {"empty sought", "abc", "", nullopt, false, 1},
      {"empty sought, start inside", "abc", "", 3, false, 1},
      {"empty sought, start beyond", "abc", "", 4, false, -1},
      {"empty sought, empty text", "", "", nullopt, false, -1},
      // Two-byte stepping.
      {"never on a second half", "\xB0\xA1\xA1\xA1", "\xA1\xA1", nullopt, false, 3},
      {"straddling a character",
       "\xB0\xA1"
       "b",
       "\xA1"
       "b",
       nullopt, false, -1},
      {"ascii then pair", "a\xA1\xA1", "\xA1\xA1", nullopt, false, 2},
      {"second-half semicolon", "\xB0;x;", ";", nullopt, false, 4},
      {"start on a second half scans from there", "\xB0\xA1\xA1\xA1", "\xA1\xA1", 2, false, 2},
      // A lone first half at the end is still compared.
      {"lone first half matches", "a\xB0", "\xB0", nullopt, false, 2},
      {"lone first half after a pair", "\xB1\xB0\xB0", "\xB0", nullopt, false, 3},
      // Letter folding.
      {"exact case misses", "Content-Type: x", "content-type", nullopt, false, -1},
      {"ignore case finds", "Content-Type: x", "content-type", nullopt, true, 1},
      {"only letters fold", "[x", "{", nullopt, true, -1},
      {"at sign does not fold", "@", "`", nullopt, true, -1},
      {"second halves fold", "\xB0\x41", "\xB0\x61", nullopt, true, 1},
      {"second halves exact", "\xB0\x41", "\xB0\x61", nullopt, false, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + hex(c.text));
    EXPECT_EQ(find_text(Text(c.text), Text(c.sought), c.start, c.ignore_case), c.expected);
  }
}

TEST(FindTextReverseTest, FindsTheLastOccurrenceBeforeTheStart) {
  const FindCase cases[] = {
      // abc at 1 and 4.
      {"omitted", "abcabc", "abc", nullopt, false, 4},
      {"length + 1", "abcabc", "abc", 7, false, 4},
      {"far beyond", "abcabc", "abc", 100, false, 4},
      {"start 6", "abcabc", "abc", 6, false, 1},
      {"start 5", "abcabc", "abc", 5, false, 1},
      {"start 4", "abcabc", "abc", 4, false, 1},
      {"start 3", "abcabc", "abc", 3, false, -1},
      {"start 1", "abcabc", "abc", 1, false, -1},
      // Given 0 is not the same as omitted.
      {"start 0", "abcabc", "abc", 0, false, -1},
      {"start negative", "abcabc", "abc", -3, false, -1},
      {"absent", "abc", "x", nullopt, false, -1},
      {"empty text", "", "a", nullopt, false, -1},
      {"overlapping occurrences", "aaaa", "aa", nullopt, false, 3},
      // Empty sought.
      {"empty sought", "abc", "", nullopt, false, 1},
      {"empty sought, start 2", "abc", "", 2, false, 1},
      {"empty sought, start 1", "abc", "", 1, false, -1},
      {"empty sought, empty text", "", "", nullopt, false, -1},
      // Two-byte stepping.
      {"never on a second half", "\xB0\xA1\xA1\xA1", "\xA1\xA1", nullopt, false, 3},
      {"only a second half matches",
       "\xB0\xA1"
       "x",
       "\xA1", nullopt, false, -1},
      {"lone first half matches", "a\xB0", "\xB0", nullopt, false, 2},
      // Letter folding.
      {"exact case", "ABCxyz", "abc", nullopt, false, -1},
      {"ignore case", "ABCabc", "abc", nullopt, true, 4},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + hex(c.text));
    EXPECT_EQ(find_text_reverse(Text(c.text), Text(c.sought), c.start, c.ignore_case), c.expected);
  }
}

TEST(ReplaceSubtextTest, ReplacesLeftToRightWithoutOverlap) {
  struct Case {
    const char* name;
    std::string text;
    std::string target;
    std::string replacement;
    optional<int> start;
    optional<int> count;
    bool case_sensitive;
    std::string expected;
  };
  const Case cases[] = {
      {"no overlap", "aaa", "aa", "b", nullopt, nullopt, true, "ba"},
      {"all by default", "a.a.a.a", ".", "-", nullopt, nullopt, true, "a-a-a-a"},
      {"removal", "a.b.c", ".", "", nullopt, nullopt, true, "abc"},
      {"replacement not rescanned", "ab", "a", "aa", nullopt, nullopt, true, "aab"},
      {"longer replacement", "x", "x", "yyy", nullopt, nullopt, true, "yyy"},
      // Counts: omitted and negative mean all, 0 means none.
      {"count 0", "a.a", ".", "-", nullopt, 0, true, "a.a"},
      {"count 1", "a.a.a.a", ".", "-", nullopt, 1, true, "a-a.a.a"},
      {"count 2", "a.a.a.a", ".", "-", nullopt, 2, true, "a-a-a.a"},
      {"count beyond", "a.a", ".", "-", nullopt, 9, true, "a-a"},
      {"count negative", "a.a.a", ".", "-", nullopt, -1, true, "a-a-a"},
      {"rest unchanged after the count", "a.a\xB0", ".", "-", nullopt, 1, true, "a-a\xB0"},
      // Start positions: the bytes in front stay.
      {"start 3", "a.a.a", ".", "-", 3, nullopt, true, "a.a-a"},
      {"start on the last byte", "abc", "c", "x", 3, nullopt, true, "abx"},
      {"start beyond", "abc", "c", "x", 4, nullopt, true, "abc"},
      {"start 0", "a.a", ".", "-", 0, nullopt, true, "a-a"},
      {"start negative", "a.a", ".", "-", -3, nullopt, true, "a-a"},
      // Empty arguments.
      {"empty target", "abc", "", "x", nullopt, nullopt, true, "abc"},
      {"empty text", "", "a", "x", nullopt, nullopt, true, ""},
      {"target longer than text", "ab", "abc", "x", nullopt, nullopt, true, "ab"},
      // Two-byte stepping.
      {"never on a second half", "\xB0\xA1\xA1\xA1", "\xA1\xA1", "x", nullopt, nullopt, true,
       "\xB0\xA1x"},
      {"second-half semicolon kept", "\xB0;x;", ";", "", nullopt, nullopt, true, "\xB0;x"},
      {"lone first half dropped", "ab\xB0", "z", "y", nullopt, nullopt, true, "ab"},
      {"lone first half in a short rest", "ab\xB0", "zz", "y", nullopt, nullopt, true, "ab\xB0"},
      // Letter folding.
      {"case sensitive", "aXbxc", "x", "-", nullopt, nullopt, true, "aXb-c"},
      {"case insensitive", "aXbxc", "x", "-", nullopt, nullopt, false, "a-b-c"},
      {"only letters fold", "[x", "{", "-", nullopt, nullopt, false, "[x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + hex(c.text));
    EXPECT_EQ(hex(replace_subtext(Text(c.text), Text(c.target), Text(c.replacement), c.start,
                                  c.count, c.case_sensitive)
                      .str()),
              hex(c.expected));
  }
}

// The largest and smallest integers are clipped like any other position or
// count; none of them may overflow on the way.
TEST(ExtremePositionTest, ClipsWithoutOverflow) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  EXPECT_EQ(text_left("abc", kMax).str(), "abc");
  EXPECT_EQ(text_left("abc", kMin).str(), "");
  EXPECT_EQ(text_right("abc", kMax).str(), "abc");
  EXPECT_EQ(text_right("abc", kMin).str(), "");
  EXPECT_EQ(text_mid("abc", 2, kMax).str(), "bc");
  EXPECT_EQ(text_mid("abc", kMax, kMax).str(), "");
  EXPECT_EQ(text_mid("abc", kMin, kMax).str(), "");

  EXPECT_EQ(find_text("abc", "c", kMax), -1);
  EXPECT_EQ(find_text("abc", "a", kMin), 1);
  EXPECT_EQ(find_text_reverse("abcabc", "abc", kMax), 4);
  EXPECT_EQ(find_text_reverse("abcabc", "abc", kMin), -1);

  EXPECT_EQ(replace_subtext("a.a", ".", "-", kMin, kMax, true).str(), "a-a");
  EXPECT_EQ(replace_subtext("a.a", ".", "-", kMax, nullopt, true).str(), "a.a");
  EXPECT_EQ(replace_subtext("a.a.a", ".", "-", nullopt, kMin, true).str(), "a-a-a");
}

TEST(ReplaceSubtextTest, ShortFormReplacesEveryOccurrence) {
  EXPECT_EQ(replace_subtext("a.b.c", ".", "::", true).str(), "a::b::c");
  EXPECT_EQ(replace_subtext("aAa", "a", "", false).str(), "");
  EXPECT_EQ(replace_subtext("aAa", "a", "", true).str(), "A");
}

TEST(SplitTextTest, KeepsInnerAndLeadingEmptyPieces) {
  struct Case {
    const char* name;
    std::string text;
    std::string separator;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"two pieces", "a;b", ";", {"a", "b"}},
      {"inner empty", "a;;b", ";", {"a", "", "b"}},
      {"leading empty", ";a", ";", {"", "a"}},
      {"no trailing empty", "a;", ";", {"a"}},
      {"only the separator", ";", ";", {""}},
      {"two separators at the end", "a;;", ";", {"a", ""}},
      {"no separator", "abc", ";", {"abc"}},
      {"empty text", "", ";", {}},
      {"empty separator", "a;b", "", {"a;b"}},
      {"separator longer than text", "ab", "abc", {"ab"}},
      {"multi-byte separator", "a; b; c", "; ", {"a", "b", "c"}},
      {"case matters", "aXbxc", "x", {"aXb", "c"}},
      // Two-byte stepping.
      {"second-half separator skipped", "\xB0;x;y", ";", {"\xB0;x", "y"}},
      {"gbk pieces", "\xB0\xA1;\xB0\xA2", ";", {"\xB0\xA1", "\xB0\xA2"}},
      {"lone first half stays", "a;\xB0", ";", {"a", "\xB0"}},
      {"lone first half ends a piece", "a;b\xB0", ";", {"a", "b\xB0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + hex(c.text));
    EXPECT_EQ(as_strings(split_text(Text(c.text), Text(c.separator))), c.pieces);
  }
}

TEST(BlankTest, TrimBothEndsRemovesOnlyBlanks) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {" a ", "a"},
      {"\xA1\xA1"
       "a\xA1\xA1",
       "a"},
      {"\xA1\xA1 x \xA1\xA1", "x"},
      {"a b", "a b"},
      {"\ta\r\n", "\ta\r\n"},
      {" \t a \n ", "\t a \n"},
      {"  \xA1\xA1 ", ""},
      {"", ""},
      // The A1 ending B0 A1 is not half of a blank; the lone A1 at the end goes.
      {"\xB0\xA1\xA1", "\xB0\xA1"},
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      // A lone first half at the end is dropped; blanks in front of it stay.
      {"a \xB0", "a "},
      {"\xA1\xA1\xA1", ""},
      {"a\xA1\xA1\xA1\xA1", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex(c.text));
    EXPECT_EQ(hex(trim_both_ends(Text(c.text)).str()), hex(c.expected));
  }
}

TEST(BlankTest, RemoveAllSpacesStepsByCharacters) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      {" a b ", "ab"},
      {"a\xA1\xA1"
       "b",
       "ab"},
      {"a\tb\r\n", "a\tb\r\n"},
      {"\xA1\xA1", ""},
      {"", ""},
      // A space that is the second half of a character stays with it.
      {"\xA1 x", "\xA1 x"},
      {"a\xB0", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex(c.text));
    EXPECT_EQ(hex(remove_all_spaces(Text(c.text)).str()), hex(c.expected));
  }
}

int sign(int value) { return (value > 0) - (value < 0); }

TEST(CompareTextTest, OrdersCharactersAndFoldsLetters) {
  struct Case {
    std::string a;
    std::string b;
    bool case_sensitive;
    int expected_sign;
  };
  const Case cases[] = {
      {"abc", "abc", true, 0},
      {"", "", true, 0},
      {"abc", "ABC", true, 1},
      {"abc", "ABC", false, 0},
      {"GET", "get", false, 0},
      {"a", "b", true, -1},
      {"b", "a", true, 1},
      {"a", "", true, 1},
      {"", "a", true, -1},
      {"[", "{", false, -1},
      // Two-byte characters are valued first byte * 256 + second byte.
      {"\x81\x40", "\x7F", true, 1},
      {"\xB0\xA1", "\xB0\xA2", true, -1},
      // 0x80 is a one-byte character; the letter behind it folds.
      {"\x80\x41", "\x80\x61", false, 0},
      {"\x80", "\x81\x40", true, -1},
      // A lone first half at the end counts as the end.
      {"a\xB0", "a", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex(c.a) + " vs " + hex(c.b));
    EXPECT_EQ(sign(compare_text(Text(c.a), Text(c.b), c.case_sensitive)), c.expected_sign);
  }
}

TEST(ToIntegerTest, ParsesTheLeadingDecimalNumber) {
  struct Case {
    std::string text;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"1", 1},
      {"1.5", 1},
      {" 2", 2},
      {"\r\n3", 3},
      {"\xA3\xB1\xA3\xB2", 12},
      {"-7", -7},
      {"2abc", 2},
      {"abc", 0},
      {"", 0},
      {"2\r\n", 2},
      {"+5", 5},
      {"\t\v\f9", 9},
      {"--1", 0},
      {"- 1", 0},
      {"-", 0},
      // Full-width forms become ASCII first.
      {"\xA3\xAD"
       "7",
       -7},
      {"\xA1\xA1"
       "8",
       8},
      {"\xA3\xB1\xB0\xA1", 1},
      {"\xA1\xAB"
       "1",
       0},
      {"\xA1\xEE", 0},
      {"1\xB0", 1},
      {"\xA3", 0},
      // 32-bit wrap-around of the exact value.
      {"2147483647", 2147483647},
      {"2147483648", INT32_MIN},
      {"-2147483648", INT32_MIN},
      {"-2147483649", 2147483647},
      {"4294967297", 1},
      {"99999999999", 1215752191},
      {"00000000000000000000042", 42},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex(c.text));
    EXPECT_EQ(to_integer(Text(c.text)), c.expected);
  }
}

}  // namespace
}  // namespace velkoran
