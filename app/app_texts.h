// The window's own texts, all in one place.
//
// Sources are UTF-8; at run time every text of the system is GBK Text, so each
// accessor converts once with gbk_from_utf8 and hands out the GBK form.
//
//   app_texts().initialize_button   // GBK of "初始化": "\xB3\xF5\xCA\xBC\xBB\xAF"
#pragma once

#include "core/text.h"

namespace velkoran {

struct AppTexts {
  Text caption;            // "Velkoran by:Tressin"
  Text account_label;      // 标签1 at start
  Text info_label;         // 标签2 at start
  Text initialize_button;  // 按钮1
  Text speed_up_button;    // 按钮2
  Text update_link;        // 透明标签1
  Text ellipsis;           // "…" after a text cut for display
};

// Built on first use; safe to call from any thread.
[[nodiscard]] const AppTexts& app_texts();

}  // namespace velkoran
