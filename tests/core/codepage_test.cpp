// GBK <-> UTF-16 (and UTF-8, foreign charsets) conversion. Expected GBK bytes
// are written out by hand so that a wrong table cannot agree with itself.
#include "core/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

namespace velkoran {
namespace {

Bytes bytes_of(std::string_view raw) { return Bytes(raw); }

// UTF-16LE bytes of `units`, without a terminator.
std::string utf16le(std::u16string_view units) {
  std::string out;
  for (char16_t unit : units) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

constexpr char16_t kReplacement = u'\uFFFD';

TEST(Utf16Test, TerminatorRules) {
  EXPECT_EQ(text_to_utf16("A").str(), std::string("A\0\0\0", 4));
  EXPECT_EQ(text_to_utf16("A", true).str(), std::string("A\0", 2));
  // One double-byte character: its unit and the terminator.
  EXPECT_EQ(text_to_utf16("\xB0\xA1").str(), std::string("\x4A\x55\0\0", 4));
  EXPECT_TRUE(text_to_utf16("").empty());
  EXPECT_TRUE(text_to_utf16("", true).empty());
  EXPECT_TRUE(text_to_utf16("", false).empty());
}

TEST(Utf16Test, BackToTextStopsAtTheFirstZeroUnit) {
  struct Case {
    const char* name;
    std::string data;
    std::string text;
  };
  const Case cases[] = {
      {"terminated", std::string("A\0B\0\0\0", 6), "AB"},
      {"unterminated", std::string("A\0B\0", 4), "AB"},
      {"zero unit inside", std::string("A\0\0\0B\0", 6), "A"},
      {"odd last byte ignored", std::string("A\0B", 3), "A"},
      {"single byte", "A", ""},
      {"empty", "", ""},
      // A low byte of 0 inside a non-zero unit is not a terminator.
      {"unit with a zero low byte", std::string("\x00\x4E\0\0", 4), "\xD2\xBB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf16_to_text(bytes_of(c.data)).str(), c.text);
  }
}

TEST(ChineseTextTest, RoundTripsThroughUtf16WithKnownBytes) {
  struct Case {
    const char* utf8;
    std::u16string utf16;
    std::string gbk;
  };
  // GBK bytes as `iconv -f UTF-8 -t CP936 | xxd` prints them.
  const Case cases[] = {
      {"宽带账号：请先初始化", u"宽带账号：请先初始化",
       "\xBF\xED\xB4\xF8\xD5\xCB\xBA\xC5\xA3\xBA\xC7\xEB\xCF\xC8\xB3\xF5\xCA\xBC\xBB\xAF"},
      {"初始化", u"初始化", "\xB3\xF5\xCA\xBC\xBB\xAF"},
      {"一键提速", u"一键提速", "\xD2\xBB\xBC\xFC\xCC\xE1\xCB\xD9"},
      {"您的签约带宽为：", u"您的签约带宽为：",
       "\xC4\xFA\xB5\xC4\xC7\xA9\xD4\xBC\xB4\xF8\xBF\xED\xCE\xAA\xA3\xBA"},
      {"编辑框1", u"编辑框1",
       "\xB1\xE0\xBC\xAD\xBF\xF2"
       "1"},
      {"真", u"真", "\xD5\xE6"},
      {"€", u"€", "\x80"},
      {"", u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const Text gbk = gbk_from_utf8(c.utf8);
    EXPECT_EQ(gbk.str(), c.gbk);
    EXPECT_EQ(utf8_from_gbk(Text(c.gbk)), c.utf8);

    const Bytes wide = text_to_utf16(Text(c.gbk), true);
    EXPECT_EQ(wide.str(), utf16le(c.utf16));
    EXPECT_EQ(utf16_to_text(wide).str(), c.gbk);
    EXPECT_EQ(utf16_to_text(text_to_utf16(Text(c.gbk))).str(), c.gbk);

    EXPECT_EQ(gbk_to_u16(c.gbk), c.utf16);
    EXPECT_EQ(u16_to_gbk(c.utf16).str(), c.gbk);
  }
}

TEST(ChineseTextTest, EveryDecodableTwoByteCodeEncodesBackToItself) {
  int decoded = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string units = gbk_to_u16(code);
      ASSERT_FALSE(units.empty()) << std::hex << lead << ' ' << trail;
      // Codes outside the table come back as a replacement plus the second byte.
      if (units.size() != 1 || units[0] == kReplacement) continue;
      ++decoded;
      EXPECT_EQ(u16_to_gbk(units).str(), code) << std::hex << lead << ' ' << trail;
    }
  }
  // Every assigned two-byte code outside the user-defined areas decodes.
  EXPECT_GE(decoded, 21791);
}

TEST(InvalidInputTest, BadGbkIsReplacedNotDropped) {
  EXPECT_EQ(gbk_to_u16("a\xFF"
                       "b"),
            std::u16string(u"a") + kReplacement + u"b");
  // A first half at the very end has no second half.
  EXPECT_EQ(gbk_to_u16("ab\xB0"), std::u16string(u"ab") + kReplacement);

  // A first half followed by a byte that cannot be a second half.
  const std::u16string bad_pair = gbk_to_u16("\x81\x20x");
  ASSERT_FALSE(bad_pair.empty());
  EXPECT_EQ(bad_pair.front(), kReplacement);
  EXPECT_EQ(bad_pair.back(), u'x');

  // The same through the Bytes form: nothing after the bad byte is lost.
  EXPECT_EQ(text_to_utf16("a\xFF"
                          "b",
                          true)
                .str(),
            utf16le(std::u16string(u"a") + kReplacement + u"b"));
  EXPECT_EQ(text_to_utf16("\xB0\xA1\xFF\xB0\xA1", true).str(),
            utf16le(std::u16string(u"啊") + kReplacement + u"啊"));
}

TEST(InvalidInputTest, CharactersGbkLacksBecomeQuestionMarks) {
  EXPECT_EQ(u16_to_gbk(u"a😀b").str(), "a?b");
  EXPECT_EQ(u16_to_gbk(u"\u0E01").str(), "?");  // Thai
  EXPECT_EQ(utf16_to_text(bytes_of(utf16le(u"x😀\u554A"))).str(), "x?\xB0\xA1");

  // A lone surrogate is not a character: it is replaced, the rest survives.
  const Text lone = u16_to_gbk(std::u16string(u"a") + char16_t(0xD800) + u"b");
  ASSERT_GE(lone.size(), 3u);
  EXPECT_EQ(lone.str().front(), 'a');
  EXPECT_EQ(lone.str().back(), 'b');

  // A UTF-16 NUL ends the Text.
  EXPECT_EQ(u16_to_gbk(std::u16string(u"a\0b", 3)).str(), "a");
}

TEST(Utf8Test, GbkFromUtf8ReplacesBadBytes) {
  const Text bad = gbk_from_utf8(
      "a\xFF"
      "b");
  ASSERT_GE(bad.size(), 3u);
  EXPECT_EQ(bad.str().front(), 'a');
  EXPECT_EQ(bad.str().back(), 'b');
  EXPECT_EQ(gbk_from_utf8(std::string_view("a\0b", 3)).str(), "a");
  EXPECT_EQ(gbk_from_utf8("#引号").str(), "#\xD2\xFD\xBA\xC5");
}

TEST(DecodeToGbkTest, DecodesDeclaredCharsets) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* charset;
    std::string gbk;
  };
  const Case cases[] = {
      {"utf-8", "初始化", "utf-8", "\xB3\xF5\xCA\xBC\xBB\xAF"},
      {"UTF-8", "初始化", "UTF-8", "\xB3\xF5\xCA\xBC\xBB\xAF"},
      {"gbk", "\xB3\xF5\xCA\xBC\xBB\xAF", "gbk", "\xB3\xF5\xCA\xBC\xBB\xAF"},
      {"gb2312", "\xB3\xF5\xCA\xBC\xBB\xAF", "gb2312", "\xB3\xF5\xCA\xBC\xBB\xAF"},
      {"latin-1 letters", "caf\xE9", "iso-8859-1", "caf\xA8\xA6"},
      {"empty body", "", "utf-8", ""},
      {"stops at a NUL", std::string("a\0b", 3), "utf-8", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Text> decoded = decode_to_gbk(c.bytes, c.charset);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->str(), c.gbk);
  }
}

TEST(DecodeToGbkTest, UnknownCharsetGivesNothing) {
  EXPECT_FALSE(decode_to_gbk("abc", "no-such-charset").has_value());
  EXPECT_FALSE(decode_to_gbk("abc", "").has_value());
  // Conversion options are not part of a name.
  EXPECT_FALSE(decode_to_gbk("abc", "utf-8//IGNORE").has_value());
}

TEST(DecodeToGbkTest, InvalidBytesAreReplacedNotDroppedWholesale) {
  const std::optional<Text> decoded = decode_to_gbk(
      "ab\xFF"
      "cd\xE5\x88",
      "utf-8");
  ASSERT_TRUE(decoded.has_value());
  const std::string& gbk = decoded->str();
  ASSERT_GE(gbk.size(), 5u);
  EXPECT_EQ(gbk.substr(0, 2), "ab");
  EXPECT_NE(gbk.find("cd"), std::string::npos);
  // Characters GBK lacks are replaced too.
  const std::optional<Text> emoji = decode_to_gbk("x\xF0\x9F\x98\x80y", "utf-8");
  ASSERT_TRUE(emoji.has_value());
  EXPECT_EQ(emoji->str(), "x?y");
}

}  // namespace
}  // namespace velkoran
