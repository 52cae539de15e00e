#include "app/app_texts.h"

#include <gtest/gtest.h>

#include "app/qt/qt_text.h"

namespace velkoran {
namespace {

TEST(AppTexts, AreGbk) {
  const AppTexts& texts = app_texts();
  struct {
    const Text& text;
    std::string gbk;
  } cases[] = {
      {texts.caption, "Velkoran by:Tressin"},
      {texts.account_label,
       "\xbf\xed\xb4\xf8\xd5\xcb\xba\xc5\xa3\xba\xc7\xeb\xcf\xc8\xb3\xf5\xca\xbc\xbb\xaf"},
      {texts.info_label,
       "\xbf\xed\xb4\xf8\xd0\xc5\xcf\xa2\xa3\xba\xc7\xeb\xcf\xc8\xb3\xf5\xca\xbc\xbb\xaf"},
      {texts.initialize_button, "\xb3\xf5\xca\xbc\xbb\xaf"},
      {texts.speed_up_button, "\xd2\xbb\xbc\xfc\xcc\xe1\xcb\xd9"},
      {texts.update_link,
       "\xd3\xd0\xd0\xc2\xb0\xe6\xb1\xbe\xc1\xcb\xa3\xa1\xc7\xeb\xb5\xe3\xbb\xf7\xb4\xcb\xb4\xa6"
       "\xc3\xe2\xb7\xd1\xbb\xf1\xc8\xa1\xd0\xc2\xb0\xe6\xb1\xbe\xa3\xa1\xa3\xa1\xa3\xa1"},
      {texts.ellipsis, "\xa1\xad"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gbk);
    EXPECT_EQ(c.text.str(), c.gbk);
  }
}

TEST(QtText, GbkRoundTripsThroughQString) {
  const Text gbk("\xb3\xf5\xca\xbc\xbb\xaf");
  EXPECT_EQ(qstring_from_text(gbk), QString::fromUtf8("初始化"));
  EXPECT_EQ(text_from_qstring(qstring_from_text(gbk)), gbk);
}

TEST(QtText, EditBoxLineBreaks) {
  struct {
    std::string in;
    std::string expect;
  } cases[] = {
      {"", ""},
      {"a\r\nb", "a\nb"},
      {"\r\n\r\n", "\n\n"},
      {"a\r\r\nb", "a\r\nb"},  // only the CR directly before LF belongs to the break
      {"lone\rcr", "lone\rcr"},
      {"lone\nlf", "lone\nlf"},
      {"end\r", "end\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(lines_for_edit_box(c.in), c.expect);
  }
}

}  // namespace
}  // namespace velkoran
