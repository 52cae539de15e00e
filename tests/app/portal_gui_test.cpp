// The window with the real workflow, over real HTTP, against the simulated
// update server and portal on 127.0.0.1.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "app/qt/link_label.h"
#include "app/qt/main_window.h"
#include "app_test_support.h"
#include "tools/portal_pages.h"
#include "tools/portal_simulator.h"

namespace velkoran {
namespace {

using testing::u8;
using testing::wait_until;

class PortalGuiTest : public ::testing::Test {
 protected:
  void start(Scenario scenario) {
    simulator.set_scenario(scenario);
    ASSERT_TRUE(simulator.start());
    const PortalHosts hosts{simulator.host(), simulator.host(), simulator.host()};
    window = std::make_unique<MainWindow>(
        state, hosts, ShellHooks{.open_url = [this](const QUrl& url) { opened.push_back(url); }});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    if (window) {
      EXPECT_TRUE(wait_until([&] { return window->running_workers() == 0; }));
    }
    window.reset();
    simulator.stop();
  }

  void click(Control c) {
    QTest::mouseClick(qobject_cast<QPushButton*>(window->control(c)), Qt::LeftButton);
  }
  [[nodiscard]] bool finish() {
    return wait_until([&] { return window->running_workers() == 0; });
  }
  QString label_text(Control c) const { return qobject_cast<QLabel*>(window->control(c))->text(); }
  QString message() const {
    return qobject_cast<QPlainTextEdit*>(window->control(Control::编辑框1))->toPlainText();
  }
  bool link_visible() const { return window->control(Control::透明标签1)->isVisible(); }
  int requests_to(const std::string& path) const {
    const auto requests = simulator.requests();
    return static_cast<int>(
        std::count_if(requests.begin(), requests.end(),
                      [&](const RecordedRequest& r) { return r.target == path; }));
  }

  PortalSimulator simulator;
  PortalState state;
  std::vector<QUrl> opened;
  std::unique_ptr<MainWindow> window;
};

TEST_F(PortalGuiTest, InitializeShowsAccountBandwidthAndReadiness) {
  start(Scenario::ready);
  click(Control::按钮1);
  ASSERT_TRUE(finish());
  EXPECT_EQ(label_text(Control::标签1), u8("宽带账号：") + u8(sim_user_account));
  EXPECT_EQ(label_text(Control::标签2), u8("宽带信息：") + u8(sim_bandwidth));
  EXPECT_EQ(message(), u8("此宽带可以提速，请点击立即提速。"));
  EXPECT_FALSE(link_visible());
  EXPECT_EQ(state.ready_flag(), Text("\xd5\xe6"));  // 真

  click(Control::按钮2);
  ASSERT_TRUE(finish());
  EXPECT_EQ(message(), u8("恭喜您提速成功"));
  EXPECT_EQ(requests_to("/speed/beginExperiences"), 1);
}

TEST_F(PortalGuiTest, AlreadySpedUpShowsTheEndTimeOnTwoLines) {
  start(Scenario::already_sped_up);
  click(Control::按钮1);
  ASSERT_TRUE(finish());
  EXPECT_EQ(message(), u8("初始化未完成，原因：\n您已经在提速中了，将于今天：18时30分到期。"));
}

// Two quick clicks: two workers run every exchange to the end; the box shows
// the message written last.
TEST_F(PortalGuiTest, TwoQuickClicksRunTwoWorkers) {
  start(Scenario::ready);
  click(Control::按钮1);
  click(Control::按钮1);
  EXPECT_EQ(window->running_workers(), 2);
  ASSERT_TRUE(finish());
  EXPECT_EQ(requests_to("/e/yz/velkoran.txt"), 2);
  EXPECT_EQ(requests_to("/speed/experiencesSpeedModel"), 2);
  EXPECT_EQ(message(), u8("此宽带可以提速，请点击立即提速。"));
  EXPECT_EQ(label_text(Control::标签1), u8("宽带账号：") + u8(sim_user_account));
}

TEST_F(PortalGuiTest, NewerVersionShowsTheLinkWhichOpensTheDownloadPage) {
  start(Scenario::newer_version);
  click(Control::按钮1);
  ASSERT_TRUE(finish());
  const QString address =
      u8("https://") + QString::fromStdString(simulator.host()) + u8("/windows/546.html");
  EXPECT_TRUE(link_visible());
  EXPECT_EQ(message(), u8("有新版本啦，请先更新喔~\n") + address);
  EXPECT_EQ(label_text(Control::标签1), u8("宽带账号：请先初始化"));
  EXPECT_EQ(label_text(Control::标签2), u8("宽带信息：请先初始化"));
  EXPECT_EQ(requests_to("/"), 0);  // the portal is not contacted

  // A real press at the link's place on the window.
  const QPoint on_link = window->control(Control::透明标签1)->geometry().center();
  QTest::mousePress(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, on_link);
  QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, on_link);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened.front(), QUrl(address));
  EXPECT_TRUE(link_visible());
  EXPECT_EQ(message(), u8("有新版本啦，请先更新喔~\n") + address);
  EXPECT_EQ(window->running_workers(), 0);
}

TEST_F(PortalGuiTest, UnreachablePortalSaysSo) {
  start(Scenario::portal_down);
  click(Control::按钮1);
  ASSERT_TRUE(finish());
  EXPECT_EQ(message(), u8("很抱歉无法访问到网络，请核实您的网络是否正常"));
  EXPECT_EQ(label_text(Control::标签1), u8("宽带账号：请先初始化"));
}

}  // namespace
}  // namespace velkoran
