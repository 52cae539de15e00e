// The real velkoran.exe as a child process, against the simulated update
// server and portal on 127.0.0.1, driven from outside by window messages: the
// clicks a user makes, the texts a user reads, the close box.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "program_driver.h"
#include "tools/portal_pages.h"
#include "tools/portal_simulator.h"

namespace velkoran {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ProgramWindow;

// A cold Wine session first starts its desktop, which takes some seconds.
constexpr auto window_limit = 60s;
// Each exchange with the simulator is quick; this only guards against a hang.
constexpr auto answer_limit = 30s;
// Far below the 30 s a request to a stalled server may take.
constexpr auto exit_limit = 15s;

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

ChildProcess::Environment hosts_at(const std::string& host) {
  ChildProcess::Environment environment;
  for (const wchar_t* name :
       {L"VELKORAN_UPDATE_HOST", L"VELKORAN_PORTAL_HOST", L"VELKORAN_WEB_HOST"}) {
    environment.emplace_back(name, wide(host));
  }
  return environment;
}

class ProgramTest : public ::testing::Test {
 protected:
  void start(Scenario scenario) {
    simulator.set_scenario(scenario);
    ASSERT_TRUE(simulator.start());
    ASSERT_TRUE(program.start(testing::velkoran_exe_path(), hosts_at(simulator.host())))
        << "cannot start "
        << std::string(testing::velkoran_exe_path().begin(), testing::velkoran_exe_path().end());
    window = ProgramWindow::find(program.id(), window_limit);
    ASSERT_TRUE(window.has_value()) << "no window appeared";
  }
  void TearDown() override { simulator.stop(); }

  // Closes the window; the program ends with status 0.
  void close_and_expect_clean_exit() {
    window->close();
    ASSERT_TRUE(program.wait_for_exit(exit_limit)) << "the program did not end";
    EXPECT_EQ(program.exit_code(), 0u);
  }
  int requests_to(const std::string& path) const {
    const auto requests = simulator.requests();
    return static_cast<int>(
        std::count_if(requests.begin(), requests.end(),
                      [&](const RecordedRequest& r) { return r.target == path; }));
  }

  PortalSimulator simulator;
  ChildProcess program;
  std::optional<ProgramWindow> window;
};

TEST_F(ProgramTest, InitializeThenSpeedUp) {
  start(Scenario::ready);
  EXPECT_EQ(window->text(Control::标签1), L"宽带账号：请先初始化");
  EXPECT_FALSE(window->visible(Control::透明标签1));

  window->click(Control::按钮1);
  ASSERT_TRUE(
      window->wait_for_text(Control::编辑框1, L"此宽带可以提速，请点击立即提速。", answer_limit))
      << "edit box: " << window->text(Control::编辑框1).size() << " characters";
  EXPECT_EQ(window->text(Control::标签1), L"宽带账号：" + wide(sim_user_account));
  EXPECT_EQ(window->text(Control::标签2), L"宽带信息：" + wide(sim_bandwidth));

  window->click(Control::按钮2);
  ASSERT_TRUE(window->wait_for_text(Control::编辑框1, L"恭喜您提速成功", answer_limit));
  EXPECT_EQ(requests_to("/speed/beginExperiences"), 1);
  EXPECT_FALSE(window->visible(Control::透明标签1));
  close_and_expect_clean_exit();
}

TEST_F(ProgramTest, NewerVersionShowsTheRedLink) {
  start(Scenario::newer_version);
  window->click(Control::按钮1);
  const std::wstring address = L"https://" + wide(simulator.host()) + L"/windows/546.html";
  ASSERT_TRUE(window->wait_for_text(Control::编辑框1, L"有新版本啦，请先更新喔~\r\n" + address,
                                    answer_limit));
  EXPECT_TRUE(window->visible(Control::透明标签1));
  EXPECT_EQ(window->text(Control::透明标签1), L"有新版本了！请点击此处免费获取新版本！！！");
  EXPECT_EQ(window->text(Control::标签1), L"宽带账号：请先初始化");
  EXPECT_EQ(requests_to("/"), 0);  // the portal is not contacted
  close_and_expect_clean_exit();
}

// Closing the window while a worker waits on a server that never answers ends
// the program at once with status 0; the worker's message is never shown.
TEST_F(ProgramTest, ClosingWhileAWorkerWaitsEndsAtOnce) {
  start(Scenario::stalled);
  window->click(Control::按钮1);
  // The worker is blocked on the network once its first request has arrived.
  const auto give_up = std::chrono::steady_clock::now() + answer_limit;
  while (simulator.requests().empty() && std::chrono::steady_clock::now() < give_up) {
    Sleep(20);
  }
  ASSERT_FALSE(simulator.requests().empty()) << "no request arrived";
  EXPECT_EQ(window->text(Control::编辑框1), L"");
  close_and_expect_clean_exit();
}

}  // namespace
}  // namespace velkoran
