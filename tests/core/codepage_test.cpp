// GBK <-> UTF-16 (and UTF-8, foreign charsets) conversion. Expected GBK bytes
// are written out by hand so that a wrong table cannot agree with itself.
#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/text.h"
#include "tests/support/wine.h"

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

// Code page 936 converts as Windows defines it, on every platform: its
// tables come from the platform's converter (iconv's CP936 on Linux), which
// agrees with Windows on every assigned code, and the codes left to users or
// unassigned are Private Use Area characters everywhere. iconv leaves those
// out; taken as Windows takes them, any two-byte GBK survives a round trip
// through UTF-16, as the regular expressions and the HTTP routine make one.
TEST(CodePage936Test, KnownCodesBothWays) {
  struct Case {
    const char* name;
    std::string gbk;
    char16_t unit;
  };
  const Case cases[] = {
      {"GB2312 hanzi", "\xB0\xA1", u'\u554A'},
      {"GBK extension", "\x81\x40", u'\u4E02'},
      {"middle dot (GB2312 tables say U+30FB)", "\xA1\xA4", u'\u00B7'},
      {"em dash (GB2312 tables say U+2015)", "\xA1\xAA", u'\u2014'},
      {"yuan sign", "\xA3\xA4", u'\uFFE5'},
      {"euro sign", "\x80", u'\u20AC'},
      // The three user-defined areas, each in code order.
      {"first of AAA1-AFFE", "\xAA\xA1", u'\uE000'},
      {"last of AAA1-AFFE", "\xAF\xFE", u'\uE233'},
      {"first of F8A1-FEFE", "\xF8\xA1", u'\uE234'},
      {"last of F8A1-FEFE", "\xFE\xFE", u'\uE4C5'},
      {"first of A140-A7A0", "\xA1\x40", u'\uE4C6'},
      {"after the gap at trail 7F", "\xA1\x80", u'\uE505'},
      {"last of A140-A7A0", "\xA7\xA0", u'\uE765'},
      // The codes GBK leaves unassigned elsewhere, in code order.
      {"first unassigned", "\xA2\xAB", u'\uE766'},
      {"unassigned in row A2", "\xA2\xE3", u'\uE76C'},
      {"unassigned in row A6", "\xA6\xD9", u'\uE78D'},
      {"unassigned after the last hanzi of GB2312", "\xD7\xFA", u'\uE810'},
      {"unassigned in row FE", "\xFE\x50", u'\uE815'},
      {"last unassigned", "\xFE\xA0", u'\uE864'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(gbk_to_u16(c.gbk), std::u16string(1, c.unit));
    EXPECT_EQ(u16_to_gbk(std::u16string(1, c.unit)).str(), c.gbk);
  }
}

TEST(CodePage936Test, EveryTwoByteCodeIsOneCharacterBothWays) {
  int codes = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string units = gbk_to_u16(code);
      ASSERT_EQ(units.size(), 1u) << std::hex << lead << ' ' << trail;
      ASSERT_NE(units[0], kReplacement) << std::hex << lead << ' ' << trail;
      ASSERT_EQ(u16_to_gbk(units).str(), code) << std::hex << lead << ' ' << trail;
      ++codes;
    }
  }
  EXPECT_EQ(codes, 126 * 190);

  // The other way: whatever a unit encodes to decodes back to that unit, so no
  // character stands in for another (no "best fit").
  int encodable = 0;
  for (int unit = 0x80; unit <= 0xFFFF; ++unit) {
    const std::u16string one(1, static_cast<char16_t>(unit));
    const std::string gbk = u16_to_gbk(one).str();
    if (gbk == "?") continue;
    ++encodable;
    ASSERT_EQ(gbk_to_u16(gbk), one) << std::hex << unit;
  }
  EXPECT_EQ(encodable, 126 * 190 + 1);  // and the euro sign
}

// The whole two-byte table in code order, as one FNV-1a digest: the same on
// every platform, so a single code that one platform's converter maps to
// another character shows here.
TEST(CodePage936Test, TheTableIsTheSameOnEveryPlatform) {
  std::uint64_t digest = 0xCBF29CE484222325u;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      for (char16_t unit :
           gbk_to_u16(std::string{static_cast<char>(lead), static_cast<char>(trail)})) {
        for (int shift : {0, 8}) {
          digest ^= (unit >> shift) & 0xFFu;
          digest *= 0x100000001B3u;
        }
      }
    }
  }
  EXPECT_EQ(digest, 0x7E34DBCA8ADB9989u);
}

TEST(CodePage936Test, WhatIsNotGbk) {
  struct Case {
    const char* name;
    std::string gbk;
    std::u16string units;
  };
  const Case cases[] = {
      {"lone 0xFF", "a\xFF", std::u16string(u"a") + kReplacement},
      {"lead byte at the end", "ab\xB0", std::u16string(u"ab") + kReplacement},
      {"lead byte before an ASCII digit", "\x81\x30", std::u16string(1, kReplacement) + u"0"},
      {"lead byte before 0x7F", "\x81\x7F", std::u16string(1, kReplacement) + u"\x7F"},
      {"lead byte before 0xFF", "\x81\xFF", std::u16string(2, kReplacement)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(gbk_to_u16(c.gbk), c.units);
  }
  // Windows' code page 936 would also write U+F8F5 as the single byte 0xFF,
  // which no GBK reader takes back: it has no GBK form here.
  EXPECT_EQ(u16_to_gbk(u"\uF8F5").str(), "?");
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

// Names found in the platform's tables on Linux and Windows alike, each with
// bytes that both read the same way (names are compared without regard to
// ASCII case). The platforms' tables do differ at some places, which these
// bytes stay clear of: "shift_jis" is JIS X 0208 to iconv (0x5C is the yen
// sign) but code page 932 to Windows (0x5C is the backslash); "big5",
// "euc-kr" and "tis-620" are the Windows extensions of those standards there.
TEST(DecodeToGbkTest, NamesKnownOnEveryPlatform) {
  struct Case {
    const char* charset;
    std::string bytes;
    std::string gbk;
  };
  const std::string chinese_gbk = "\xBF\xED\xB4\xF8\xCC\xE1\xCB\xD9";  // 宽带提速
  const std::string chinese_utf8 = "\xE5\xAE\xBD\xE5\xB8\xA6\xE6\x8F\x90\xE9\x80\x9F";
  const std::string taiwan_big5 = "\xBB\x4F\xC6\x57\xBC\x65\xC0\x57";  // 臺灣寬頻
  const std::string taiwan_gbk = "\xC5\x5F\x9E\xB3\x8C\x92\xEE\x6C";
  const std::string kana_sjis = "\x82\xD0\x82\xE7\x83\x4A\x83\x5E";  // ひらカタ
  const std::string kana_gbk = "\xA4\xD2\xA4\xE9\xA5\xAB\xA5\xBF";
  const std::string greek_hangul_euc_kr = "\xA5\xE1\xA5\xE2\xC7\xD1";  // αβ한
  const std::string greek_gbk = "\xA6\xC1\xA6\xC2";
  const std::string privet_gbk = "\xA7\xB1\xA7\xE2\xA7\xDA\xA7\xD3\xA7\xD6\xA7\xE4";  // Привет
  const std::string zhongwen_gbk = "\xD6\xD0\xCE\xC4";                                // 中文
  const Case cases[] = {
      {"utf-8", chinese_utf8, chinese_gbk},
      {"UTF-8", chinese_utf8, chinese_gbk},
      {"utf8", chinese_utf8, chinese_gbk},
      // Code page 936 under its names: read as it is, user-defined codes and all.
      {"gbk", chinese_gbk + "\xAA\xA1", chinese_gbk + "\xAA\xA1"},
      {"GBK", chinese_gbk + "\xAA\xA1", chinese_gbk + "\xAA\xA1"},
      {"GB2312", "\xA1\xA4\xA1\xAA", "\xA1\xA4\xA1\xAA"},
      {"cp936", chinese_gbk, chinese_gbk},
      {"euc-cn", chinese_gbk, chinese_gbk},
      {"x-gbk", chinese_gbk, chinese_gbk},
      {"big5", taiwan_big5, taiwan_gbk},
      {"Big5-HKSCS", taiwan_big5, taiwan_gbk},
      {"cp950", taiwan_big5, taiwan_gbk},
      {"shift_jis", kana_sjis, kana_gbk},
      {"Shift_JIS", kana_sjis, kana_gbk},
      {"sjis", kana_sjis, kana_gbk},
      {"x-sjis", kana_sjis, kana_gbk},
      {"windows-31j", kana_sjis, kana_gbk},
      {"cp932", kana_sjis, kana_gbk},
      {"euc-jp", "\xA4\xAB\xA4\xCA", "\xA4\xAB\xA4\xCA"},  // かな
      // Greek letters are GBK, Hangul is not.
      {"euc-kr", greek_hangul_euc_kr, greek_gbk + "?"},
      {"EUC-KR", greek_hangul_euc_kr, greek_gbk + "?"},
      {"ks_c_5601-1987", greek_hangul_euc_kr, greek_gbk + "?"},
      {"cp949", greek_hangul_euc_kr, greek_gbk + "?"},
      {"iso-8859-1", "caf\xE9", "caf\xA8\xA6"},
      {"ISO-8859-1", "caf\xE9", "caf\xA8\xA6"},
      {"iso8859-1", "caf\xE9", "caf\xA8\xA6"},
      {"latin1", "caf\xE9", "caf\xA8\xA6"},
      {"latin-1", "caf\xE9", "caf\xA8\xA6"},
      {"l1", "caf\xE9", "caf\xA8\xA6"},
      // 0x81 is no character of windows-1252 (Windows reads it as U+0081,
      // which GBK lacks as much as the replacement character).
      {"windows-1252", "\x80 caf\xE9\x81", "\x80 caf\xA8\xA6?"},
      {"Windows-1252", "\x80 caf\xE9", "\x80 caf\xA8\xA6"},
      {"cp1252", "\x80 caf\xE9", "\x80 caf\xA8\xA6"},
      {"iso-8859-2", "\xEC", "\xA8\xA7"},  // ě
      {"windows-1250", "\xEC", "\xA8\xA7"},
      {"iso-8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", privet_gbk},
      {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", privet_gbk},
      {"cp1251", "\xCF\xF0\xE8\xE2\xE5\xF2", privet_gbk},
      {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", privet_gbk},
      {"koi8-u", "\xF0\xD2\xC9\xD7\xC5\xD4", privet_gbk},
      {"iso-8859-7", "\xE1\xE2", greek_gbk},  // αβ
      {"windows-1253", "\xE1\xE2", greek_gbk},
      {"iso-8859-9", "caf\xE9", "caf\xA8\xA6"},
      {"windows-1254", "caf\xE9", "caf\xA8\xA6"},
      {"iso-8859-15", "\xA4", "\x80"},           // the euro sign
      {"windows-1255", "x\xAAy", "x\xA1\xC1y"},  // x×y
      {"windows-1256", "x\xD7y", "x\xA1\xC1y"},
      {"windows-1257", "x\xD7y", "x\xA1\xC1y"},
      // A letter at the very end, which a decoder that waits for a combining
      // mark still has to give out.
      {"windows-1258", "H\xE0", "H\xA8\xA4"},
      {"windows-874", "a\xA1", "a?"},  // Thai is not GBK
      {"tis-620", "a\xA1", "a?"},
      // UTF-16: "utf-16" takes a byte order mark and drops it, else reads big-endian.
      {"utf-16le", "\x2D\x4E\x87\x65", zhongwen_gbk},
      {"UTF-16BE", "\x4E\x2D\x65\x87", zhongwen_gbk},
      {"utf-16", "\xFF\xFE\x2D\x4E\x87\x65", zhongwen_gbk},
      {"utf-16", "\xFE\xFF\x4E\x2D\x65\x87", zhongwen_gbk},
      {"utf-16", "\x4E\x2D\x65\x87", zhongwen_gbk},
      {"utf-16le", "\x2D\x4E\x87", "\xD6\xD0?"},          // an odd last byte
      {"utf-16le", std::string("\xFF\xFEz\0", 4), "?z"},  // U+FEFF is a character here
      {"us-ascii", "ab\xB0\xA1", "ab??"},
      {"ascii", "ab", "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    const std::optional<Text> decoded = decode_to_gbk(c.bytes, c.charset);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->str(), c.gbk);
  }
}

// A sequence that is not valid in the declared character set becomes one "?"
// per byte that starts no character, and the bytes after it are read on: the
// platform's converters are not left to swallow the next byte, as Windows'
// would.
TEST(DecodeToGbkTest, BadSequencesInForeignCharsets) {
  struct Case {
    const char* charset;
    std::string bytes;
    std::string gbk;
  };
  const Case cases[] = {
      {"utf-8", "a\xE2\x82z", "a??z"},     // cut short before an ASCII letter
      {"utf-8", "a\xE2\x82", "a??"},       // cut short by the end
      {"utf-8", "a\xC0\xAFz", "a??z"},     // an over-long form
      {"utf-8", "\xED\xA0\x80z", "???z"},  // a surrogate
      {"big5", "\xA4 \xA4\x40", "? \xD2\xBB"}, {"shift_jis", "\x82\xD0\x82", "\xA4\xD2?"},
      {"euc-kr", "\xA5\xE1\xA5", "\xA6\xC1?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.charset) + " -> " + c.gbk);
    const std::optional<Text> decoded = decode_to_gbk(c.bytes, c.charset);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->str(), c.gbk);
  }
}

// GB18030 (code page 54936) and ISO-2022-JP (50220) are code pages of every
// Windows, but Wine 8 has neither. There the names decode to nothing, which
// leaves a page as it was read instead of emptying it.
TEST(DecodeToGbkTest, CodePagesWineLacks) {
  struct Case {
    const char* charset;
    std::string bytes;
    std::string gbk;
  };
  const Case cases[] = {
      // GBK as it is, and a four-byte form for what GBK lacks (U+0080).
      {"gb18030", "a\xD6\xD0\x81\x30\x81\x30", "a\xD6\xD0?"},
      {"GB18030", "\xD6\xD0", "\xD6\xD0"},
      {"iso-2022-jp", "\x1B$B$3$s\x1B(B!", "\xA4\xB3\xA4\xF3!"},  // こん!
  };
  const bool wine = testing::running_under_wine();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    const std::optional<Text> decoded = decode_to_gbk(c.bytes, c.charset);
    if (wine) {
      EXPECT_FALSE(decoded.has_value());
      continue;
    }
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
