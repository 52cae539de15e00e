// Bytes operations, the Text <-> Bytes conversions, TextArray access and the
// number helpers.
#include "core/bytes_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/text.h"

namespace velkoran {
namespace {

Bytes bytes_of(std::string_view raw) { return Bytes(raw); }

TEST(BytesTextTest, ConvertsWithoutTerminators) {
  const Bytes three = text_to_bytes("abc");
  EXPECT_EQ(three.str(), std::string("abc"));
  EXPECT_EQ(bytes_length(three), 3);
  EXPECT_TRUE(text_to_bytes("").empty());

  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"stops at the first NUL", std::string("A\0B", 3), "A"},
      {"no NUL", "AB", "AB"},
      {"leading NUL", std::string("\0A", 2), ""},
      {"empty", "", ""},
      {"gbk", "\xB0\xA1", "\xB0\xA1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bytes_to_text(bytes_of(c.bytes)).str(), c.text);
  }
}

TEST(BytesSliceTest, ClipsPositionsAndCounts) {
  const Bytes data = bytes_of(std::string("a\0c", 3));
  struct Case {
    const char* name;
    Bytes result;
    std::string expected;
  };
  const Case cases[] = {
      {"left keeps NULs", bytes_left(data, 2), std::string("a\0", 2)},
      {"left beyond", bytes_left(data, 9), std::string("a\0c", 3)},
      {"left zero", bytes_left(data, 0), ""},
      {"left negative", bytes_left(data, -1), ""},
      {"mid middle", bytes_mid(data, 2, 2), std::string("\0c", 2)},
      // Unlike text_mid, a start below 1 is taken as 1.
      {"mid start 0", bytes_mid(data, 0, 2), std::string("a\0", 2)},
      {"mid start negative", bytes_mid(data, -4, 1), "a"},
      {"mid start beyond", bytes_mid(data, 4, 1), ""},
      {"mid count clipped", bytes_mid(data, 3, 9), "c"},
      {"mid count 0", bytes_mid(data, 1, 0), ""},
      {"mid count negative", bytes_mid(data, 1, -2), ""},
      {"mid of empty", bytes_mid(Bytes(), 1, 1), ""},
      {"mid extreme start", bytes_mid(data, std::numeric_limits<int>::min(), 1), "a"},
      {"mid extreme count", bytes_mid(data, 2, std::numeric_limits<int>::max()),
       std::string("\0c", 2)},
      {"left extreme count", bytes_left(data, std::numeric_limits<int>::max()),
       std::string("a\0c", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result.str(), c.expected);
  }
}

TEST(BytesMakeTest, BlankConcatAndCopy) {
  EXPECT_EQ(blank_bytes(3).str(), std::string(3, '\0'));
  EXPECT_TRUE(blank_bytes(0).empty());
  EXPECT_TRUE(blank_bytes(-1).empty());

  EXPECT_TRUE(bytes_concat(Bytes(), Bytes()).empty());
  EXPECT_EQ(bytes_concat(bytes_of("a"), Bytes(), bytes_of(std::string("\0b", 2))).str(),
            std::string("a\0b", 3));

  const char raw[] = {'x', '\0', 'y'};
  EXPECT_EQ(bytes_from_memory(raw, 3).str(), std::string(raw, 3));
  EXPECT_TRUE(bytes_from_memory(raw, 0).empty());
  EXPECT_TRUE(bytes_from_memory(nullptr, 0).empty());
}

TEST(BytesMakeTest, EmptyBytesHandOutANullAddress) {
  Bytes empty;
  EXPECT_EQ(empty.data(), nullptr);
  EXPECT_EQ(empty.mutable_data(), nullptr);
  Bytes one = blank_bytes(1);
  EXPECT_NE(one.data(), nullptr);
}

TEST(TextArrayTest, AppendsCopiesAndClears) {
  TextArray array;
  EXPECT_EQ(array_count(array), 0);
  Text item = "one";
  array_append(array, item);
  array_append(array, "");
  array_append(array, "\xB0\xA1");
  item = "changed";
  ASSERT_EQ(array_count(array), 3);
  EXPECT_EQ(array_at(array, 1).str(), "one");
  EXPECT_EQ(array_at(array, 2).str(), "");
  EXPECT_EQ(array_at(array, 3).str(), "\xB0\xA1");
  array_clear(array);
  EXPECT_EQ(array_count(array), 0);
  array_append(array, "again");
  EXPECT_EQ(array_at(array, 1).str(), "again");
}

// An index outside 1 .. array_count ends the program with a report that says
// which bound was crossed.
using TextArrayDeathTest = ::testing::Test;

TEST_F(TextArrayDeathTest, IndexBelowOneIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const TextArray array = {"a", "b"};
  EXPECT_DEATH((void)array_at(array, 0), "below 1");
  EXPECT_DEATH((void)array_at(array, -7), "below 1");
  EXPECT_DEATH((void)array_at(TextArray{}, 0), "below 1");
}

TEST_F(TextArrayDeathTest, IndexBeyondTheCountIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const TextArray array = {"a", "b"};
  EXPECT_DEATH((void)array_at(array, 3), "beyond");
  EXPECT_DEATH((void)array_at(TextArray{}, 1), "beyond");
  EXPECT_DEATH((void)array_at(array, std::numeric_limits<int>::max()), "beyond");
}

TEST(NumberTest, BitOrAndTruncation) {
  EXPECT_EQ(bit_or(5), 5);
  EXPECT_EQ(bit_or(1, 2, 4), 7);
  EXPECT_EQ(bit_or(0x100, 0x200, 0x100), 0x300);

  struct Case {
    double real;
    std::int64_t expected;
  };
  const Case cases[] = {
      {2.5, 2},
      {-2.5, -2},
      {0.9, 0},
      {-0.9, 0},
      {7.0 / 2.0, 3},
      {30.0 * 1000.0, 30000},
      {1e300, std::numeric_limits<std::int64_t>::max()},
      {-1e300, std::numeric_limits<std::int64_t>::min()},
      {HUGE_VAL, std::numeric_limits<std::int64_t>::max()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.real);
    EXPECT_EQ(truncate_to_integer(c.real), c.expected);
  }
}

}  // namespace
}  // namespace velkoran
