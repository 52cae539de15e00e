// A workflow run against the simulated portal on 127.0.0.1: the real
// http_request, a recording window and a fresh PortalState.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "tests/workflow/recording_window.h"
#include "tools/portal_simulator.h"
#include "workflow/workflow.h"

namespace velkoran {

// Failure output shows Text as readable UTF-8.
inline void PrintTo(const Text& text, std::ostream* out) {
  *out << '"' << utf8_from_gbk(text) << '"';
}

// What the customer is meant to read, written independently of the workflow.
struct Expected {
  static Text gbk(std::string_view utf8) { return gbk_from_utf8(utf8); }
  static Text newer_version(const std::string& web_host) {
    return gbk("有新版本啦，请先更新喔~\r\nhttps://" + web_host + "/windows/546.html");
  }
  static Text network() { return gbk("很抱歉无法访问到网络，请核实您的网络是否正常"); }
  static Text no_broadband_info() {
    return gbk("抱歉未能获取到您的宽带信息，请核实您的宽带是否是属于江苏省的电信宽带。");
  }
  static Text running_until(std::string_view end_time) {
    return gbk("初始化未完成，原因：\r\n您已经在提速中了，将于今天：" + std::string(end_time) +
               "分到期。");
  }
  static Text may_speed_up() { return gbk("此宽带可以提速，请点击立即提速。"); }
  static Text init_failed() { return gbk("初始化失败"); }
  static Text initialize_first() { return gbk("请先初始化"); }
  static Text speed_up_succeeded() { return gbk("恭喜您提速成功"); }
  static Text speed_up_failed() { return gbk("提速失败，请检查网络后重试"); }
  static Text account_label(std::string_view account) {
    return gbk("宽带账号：" + std::string(account));
  }
  static Text info_label(std::string_view bandwidth) {
    return gbk("宽带信息：" + std::string(bandwidth));
  }
  static Text ready() { return gbk("真"); }
  static Text not_ready() { return gbk("假"); }
};

class WorkflowRun : public ::testing::Test {
 protected:
  static constexpr const char* web_host = "www.velkoran.test";

  void SetUp() override {
    ASSERT_TRUE(sim_.start());
    hosts_ = {sim_.host(), sim_.host(), web_host};
  }

  WorkflowContext context() { return WorkflowContext{window_, state_, hosts_}; }
  void run_initialize() { initialize(context()); }
  void run_speed_up() { speed_up(context()); }

  Text message() const { return window_.last_text(Control::编辑框1).value_or(Text("<none>")); }

  // "METHOD target" of each request the simulator received.
  std::vector<std::string> request_lines() const {
    std::vector<std::string> lines;
    for (const RecordedRequest& request : sim_.requests()) {
      lines.push_back(request.method + " " + request.target);
    }
    return lines;
  }

  // A host on 127.0.0.1 where nothing listens any more.
  static std::string closed_host() {
    PortalSimulator gone;
    if (!gone.start()) return "127.0.0.1:1";
    std::string host = gone.host();
    gone.stop();
    return host;
  }

  PortalSimulator sim_;
  RecordingWindow window_;
  PortalState state_;
  PortalHosts hosts_;
};

inline const std::string version_get = "GET /e/yz/velkoran.txt";
inline const std::string start_page_get = "GET /";
inline const std::string probe_post = "POST /speed/experiencesSpeedModel";
inline const std::string begin_post = "POST /speed/beginExperiences";

}  // namespace velkoran
