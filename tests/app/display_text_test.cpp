#include "app/display_text.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app_texts.h"

namespace velkoran {
namespace {

TEST(CutForDisplay, KeepsWholeGbkCharacters) {
  const std::string chu = "\xB3\xF5";  // 初, one two-byte character
  struct {
    std::string in;
    std::size_t max_characters;
    std::string expect;
  } cases[] = {
      // Empty text, and a cap of nothing.
      {"", 3, ""},
      {"", 0, ""},
      {"a", 0, "~"},
      // Fits: below and exactly at the cap.
      {"ab", 3, "ab"},
      {"abc", 3, "abc"},
      {chu + chu + chu, 3, chu + chu + chu},
      {"a" + chu + "b", 3, "a" + chu + "b"},
      // Just over the cap.
      {"abcd", 3, "abc~"},
      {chu + chu + chu + chu, 3, chu + chu + chu + "~"},
      {chu + chu + "ab", 3, chu + chu + "a~"},
      // A two-byte character straddling the cap's byte count is kept whole
      // or left out whole, never split.
      {"ab" + chu + "c", 3, "ab" + chu + "~"},
      {"a" + chu + chu, 2, "a" + chu + "~"},
      {chu + "abc", 1, chu + "~"},
      // A lead byte with nothing after it counts as one character.
      {"ab\xB3", 3, "ab\xB3"},
      {"abc\xB3", 3, "abc~"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in) + " cap " + std::to_string(c.max_characters));
    EXPECT_EQ(cut_for_display(Text(c.in), c.max_characters, Text("~")).str(), c.expect);
  }
}

TEST(DisplayText, CapsLabelsAndTheMessageBoxWithAGbkEllipsis) {
  const std::string ellipsis = "\xA1\xAD";  // … in GBK
  ASSERT_EQ(app_texts().ellipsis.str(), ellipsis);
  const std::string chu = "\xB3\xF5";
  std::string label_full;
  for (std::size_t i = 0; i < kLabelDisplayCharacters; ++i) label_full += chu;
  const std::string box_full(kMessageBoxDisplayCharacters, 'x');
  struct {
    Control control;
    std::string in;
    std::string expect;
  } cases[] = {
      {Control::标签1, label_full, label_full},
      {Control::标签2, label_full, label_full},
      {Control::标签2, label_full + "y", label_full + ellipsis},
      {Control::按钮1, label_full + chu, label_full + ellipsis},
      {Control::透明标签1, label_full + chu, label_full + ellipsis},
      {Control::编辑框1, label_full + "y", label_full + "y"},
      {Control::编辑框1, box_full, box_full},
      {Control::编辑框1, box_full + chu, box_full + ellipsis},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.control)) + " of " +
                 std::to_string(c.in.size()) + " bytes");
    EXPECT_EQ(display_text(c.control, Text(c.in)).str(), c.expect);
  }
}

}  // namespace
}  // namespace velkoran
