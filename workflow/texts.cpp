#include "workflow/texts.h"

#include "core/codepage.h"

namespace velkoran {

namespace {

WorkflowTexts make_texts() {
  WorkflowTexts texts;
  texts.newer_version = gbk_from_utf8("有新版本啦，请先更新喔~");
  texts.network_unreachable = gbk_from_utf8("很抱歉无法访问到网络，请核实您的网络是否正常");
  texts.no_broadband_info =
      gbk_from_utf8("抱歉未能获取到您的宽带信息，请核实您的宽带是否是属于江苏省的电信宽带。");
  texts.already_sped_up_head =
      gbk_from_utf8("初始化未完成，原因：\r\n您已经在提速中了，将于今天：");
  texts.already_sped_up_tail = gbk_from_utf8("分到期。");
  texts.may_speed_up = gbk_from_utf8("此宽带可以提速，请点击立即提速。");
  texts.initialize_failed = gbk_from_utf8("初始化失败");
  texts.initialize_first = gbk_from_utf8("请先初始化");
  texts.speed_up_succeeded = gbk_from_utf8("恭喜您提速成功");
  texts.speed_up_failed = gbk_from_utf8("提速失败，请检查网络后重试");
  texts.account_label = gbk_from_utf8("宽带账号：");
  texts.broadband_info_label = gbk_from_utf8("宽带信息：");
  texts.ready = gbk_from_utf8("真");
  texts.not_ready = gbk_from_utf8("假");
  texts.greeting_start = gbk_from_utf8("尊敬的用户(");
  texts.bandwidth_marker = gbk_from_utf8("您的签约带宽为：");
  texts.hour_mark = gbk_from_utf8("时");
  return texts;
}

}  // namespace

const WorkflowTexts& workflow_texts() {
  static const WorkflowTexts texts = make_texts();
  return texts;
}

}  // namespace velkoran
