#include "http/cookie_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bytes_ops.h"

namespace velkoran {
namespace {

std::vector<std::string> as_strings(const TextArray& items) {
  std::vector<std::string> out;
  for (const Text& item : items.items()) out.push_back(item.str());
  return out;
}

TEST(CookieMergeTest, MergesAsTheServerSetThem) {
  struct Case {
    const char* name;
    std::string cookies;
    std::string new_cookies;
    std::string merged;
  };
  const Case cases[] = {
      // New items first, then the old names not set anew.
      {"replace and keep", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"nothing new", "a=1; b=2", "", "a=1; b=2"},
      {"nothing old", "", "a=1; b=2", "a=1; b=2"},
      {"both empty", "", "", ""},
      // Deleted cookies vanish, new or old.
      {"new deletes old", "a=1", "a=deleted", ""},
      {"old deleted item", "a=deleted; b=1", "", "b=1"},
      {"deleted test is exact case", "", "a=Deleted", "a=Deleted"},
      {"bare =deleted item", "", "=deleted; k=1", "k=1"},
      // Two old items of one name: the first wins.
      {"old duplicate name", "x=1; x=2", "", "x=1"},
      // Exact repeats survive once; same name, other value both stay.
      {"new exact repeat", "", "k=1; k=1", "k=1"},
      {"new same name, two values", "", "k=1; k=2", "k=1; k=2"},
      {"old equals new", "k=1", "k=1", "k=1"},
      // Blanks go everywhere, also inside values and full-width ones.
      {"blank inside value", "s=a b", "", "s=ab"},
      {"full-width blank inside value",
       "s=a\xA1\xA1"
       "b",
       "", "s=ab"},
      {"no blanks after separators", "a=1;b=2", "c=3 ;  d=4", "c=3; d=4; a=1; b=2"},
      // A bare word is its own name.
      {"bare word gives way", "flag; a=1", "flag=2", "flag=2; a=1"},
      {"bare word kept", "flag", "a=1", "a=1; flag"},
      // Names compare byte for byte.
      {"names are case sensitive", "A=1", "a=2", "a=2; A=1"},
      {"trailing separator", "a=1;", "b=2;", "b=2; a=1"},
      // GBK values pass through whole.
      {"gbk value", "u=\xD5\xE6", "v=\xBC\xD9", "v=\xBC\xD9; u=\xD5\xE6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Text cookies(c.cookies);
    Text new_cookies(c.new_cookies);
    const Text merged = cookie_merge(cookies, new_cookies);
    EXPECT_EQ(merged.str(), c.merged);
    EXPECT_EQ(cookies.str(), c.merged) << "cookies must hold the merged text too";
  }
}

TEST(CookieMergeTest, NewCookiesComeBackWithoutBlanks) {
  Text cookies = "a=1";
  Text new_cookies =
      " b = 3 ;\xA1\xA1"
      "c=\xB0\xA1\xA1\xA1 4 ";
  const Text merged = cookie_merge(cookies, new_cookies);
  // The A1 that ends B0 A1 is not half of a full-width blank; the A1 A1 after it is.
  EXPECT_EQ(new_cookies.str(),
            "b=3;c=\xB0\xA1"
            "4");
  EXPECT_EQ(merged.str(),
            "b=3; c=\xB0\xA1"
            "4; a=1");
}

TEST(CookieMergeTest, ManyCookiesMergeInOrder) {
  // 10 000 old and 10 000 new items; every second old name is set anew.
  constexpr int kCount = 10000;
  std::string old_text;
  std::string new_text;
  for (int i = 0; i < kCount; ++i) {
    old_text += "o" + std::to_string(i) + "=old; ";
    const std::string name = (i % 2 == 0) ? "o" + std::to_string(i) : "n" + std::to_string(i);
    new_text += name + "=new; ";
  }
  Text cookies(old_text);
  Text new_cookies(new_text);
  const Text merged = cookie_merge(cookies, new_cookies);

  std::string expected;
  for (int i = 0; i < kCount; ++i) {
    expected += ((i % 2 == 0) ? "o" : "n") + std::to_string(i) + "=new; ";
  }
  for (int i = 1; i < kCount; i += 2) expected += "o" + std::to_string(i) + "=old; ";
  expected.resize(expected.size() - 2);
  EXPECT_EQ(merged.str(), expected);
}

TEST(CookieNameTest, TakesTheTrimmedPartBeforeTheFirstEquals) {
  struct Case {
    std::string item;
    std::string name;
  };
  const Case cases[] = {
      {"a=1", "a"},         {" sid = 7", "sid"}, {"k=v=w", "k"}, {"flag", "flag"},
      {"  flag  ", "flag"}, {"=x", ""},          {"", ""},       {"\xA1\xA1n\xA1\xA1=1", "n"},
      {"\t n=1", "\t n"},  // only 0x20 and A1 A1 are blanks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(cookie_name(Text(c.item)).str(), c.name);
  }
}

TEST(CookieLookupTest, HasCookieComparesNamesExactly) {
  const TextArray items = {"a=1", " b =2", "flag"};
  EXPECT_TRUE(has_cookie(items, "a"));
  EXPECT_TRUE(has_cookie(items, "b"));
  EXPECT_TRUE(has_cookie(items, "flag"));
  EXPECT_FALSE(has_cookie(items, "A"));
  EXPECT_FALSE(has_cookie(items, "a=1"));
  EXPECT_FALSE(has_cookie(TextArray{}, "a"));
  EXPECT_TRUE(has_cookie(TextArray{"=1"}, ""));
}

TEST(CookieLookupTest, IndexOfTextFindsTheFirstExactItem) {
  const TextArray items = {"a", "B", "", "a"};
  EXPECT_EQ(index_of_text(items, "a"), 1);
  EXPECT_EQ(index_of_text(items, "B"), 2);
  EXPECT_EQ(index_of_text(items, ""), 3);
  EXPECT_EQ(index_of_text(items, "b"), -1);
  EXPECT_EQ(index_of_text(items, "missing"), -1);
  EXPECT_EQ(index_of_text(TextArray{}, "a"), -1);
}

TEST(JoinUniqueTest, RemovesRepeats) {
  struct Case {
    const char* name;
    std::string text;
    std::string separator;
    bool by_separator;
    std::string joined;
  };
  const Case cases[] = {
      {"characters, empty separator", "aab", "", false, "ab"},
      {"pieces", "a,b,a", ",", true, "a,b"},
      {"empty text by pieces", "", ",", true, ""},
      {"empty text by characters", "", ",", false, ""},
      {"trailing separator", "a,b,", ",", true, "a,b"},
      {"empty pieces kept once", ",a,,b", ",", true, ",a,b"},
      {"empty separator by pieces is one piece", "aab", "", true, "aab"},
      {"characters joined by a separator", "abab", "--", false, "a--b"},
      {"separator absent", "abc", ";", true, "abc"},
      {"exact case", "a;A;a", ";", true, "a;A"},
      {"gbk characters whole", "\xB0\xA1\xB0\xA1x\xB0\xA2", "", false, "\xB0\xA1x\xB0\xA2"},
      {"CR LF is one character", "\r\n\r\n\r", "", false, "\r\n\r"},
      {"multi-byte separator", "k=1; k=1; k=2", "; ", true, "k=1; k=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(join_unique(Text(c.text), Text(c.separator), c.by_separator).str(), c.joined);
  }
}

TEST(JoinUniqueTest, ManyPiecesKeepFirstOccurrenceOrder) {
  std::string text;
  std::string expected;
  for (int i = 0; i < 10000; ++i) {
    text += "c" + std::to_string(i % 5000) + "=v; ";
    if (i < 5000) expected += "c" + std::to_string(i) + "=v; ";
  }
  text.resize(text.size() - 2);
  expected.resize(expected.size() - 2);
  EXPECT_EQ(join_unique(Text(text), "; ", true).str(), expected);
}

TEST(SplitCharactersTest, CutsTextIntoCharacters) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"gbk, CR LF, letter", "\xB0\xA1\r\nx", {"\xB0\xA1", "\r\n", "x"}},
      {"lone high byte at the end", "a\xB0", {"a", "\xB0"}},
      {"lone CR", "\rx", {"\r", "x"}},
      {"CR at the end", "x\r", {"x", "\r"}},
      {"LF CR is two items", "\n\r", {"\n", "\r"}},
      {"0x80 is a single byte", "\x80x", {"\x80", "x"}},
      {"0x81 starts a pair", "\x81x", {"\x81x"}},
      {"pair takes any second byte", "\xB0\r\n", {"\xB0\r", "\n"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextArray items = {"stale", "items"};
    const int count = split_characters(Text(c.text), items);
    EXPECT_EQ(count, static_cast<int>(c.items.size()));
    EXPECT_EQ(as_strings(items), c.items);
  }
}

}  // namespace
}  // namespace velkoran
