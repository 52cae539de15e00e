#include "app/app_texts.h"

#include "core/codepage.h"

namespace velkoran {

const AppTexts& app_texts() {
  static const AppTexts texts{
      .caption = gbk_from_utf8("Velkoran by:Tressin"),
      .account_label = gbk_from_utf8("宽带账号：请先初始化"),
      .info_label = gbk_from_utf8("宽带信息：请先初始化"),
      .initialize_button = gbk_from_utf8("初始化"),
      .speed_up_button = gbk_from_utf8("一键提速"),
      .update_link = gbk_from_utf8("有新版本了！请点击此处免费获取新版本！！！"),
      .ellipsis = gbk_from_utf8("…"),
  };
  return texts;
}

}  // namespace velkoran
