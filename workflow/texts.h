// The workflow's own Chinese texts: the messages shown in 编辑框1, the label
// prefixes, the ready-flag values and the markers read out of the portal's
// start page. Kept here in one place, written in UTF-8 in texts.cpp and
// converted once to GBK Text, the form the window and the portal use.
#pragma once

#include "core/text.h"

namespace velkoran {

struct WorkflowTexts {
  // Messages for 编辑框1.
  Text newer_version;        // 有新版本啦，请先更新喔~
  Text network_unreachable;  // 很抱歉无法访问到网络，请核实您的网络是否正常
  Text no_broadband_info;  // 抱歉未能获取到您的宽带信息，请核实您的宽带是否是属于江苏省的电信宽带。
  Text already_sped_up_head;  // 初始化未完成，原因：\r\n您已经在提速中了，将于今天：
  Text already_sped_up_tail;  // 分到期。
  Text may_speed_up;          // 此宽带可以提速，请点击立即提速。
  Text initialize_failed;     // 初始化失败
  Text initialize_first;      // 请先初始化
  Text speed_up_succeeded;    // 恭喜您提速成功
  Text speed_up_failed;       // 提速失败，请检查网络后重试

  // Label captions: the prefix followed by the value read from the portal.
  Text account_label;         // 宽带账号：
  Text broadband_info_label;  // 宽带信息：

  // ready_flag values.
  Text ready;      // 真
  Text not_ready;  // 假

  // Start page markers and the probe's end-time mark.
  Text greeting_start;    // 尊敬的用户(
  Text bandwidth_marker;  // 您的签约带宽为：
  Text hour_mark;         // 时
};

// The texts, converted on first use; safe to call from any thread.
[[nodiscard]] const WorkflowTexts& workflow_texts();

}  // namespace velkoran
