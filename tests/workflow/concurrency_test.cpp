// Workers share the PortalState and the window; runs overlap freely.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>

#include "tests/workflow/workflow_fixture.h"
#include "tools/portal_pages.h"

namespace velkoran {
namespace {

TEST(PortalStateAccess, ReadsSeeWholeValuesWhileOthersWrite) {
  PortalState state;
  const Text long_a(std::string(4096, 'a'));
  const Text long_b(std::string(4096, 'b'));
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        const Text& value = (i + t) % 2 ? long_a : long_b;
        state.set_account(value, value);
        state.set_ready_flag(value);
      }
    });
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        for (const Text& seen : {state.user_account(), state.area_code(), state.ready_flag()}) {
          if (!(seen.empty() || seen == long_a || seen == long_b)) {
            ADD_FAILURE() << "torn value of length " << seen.size();
            return;
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  state.release();
  EXPECT_EQ(state.user_account(), Text());
  EXPECT_EQ(state.area_code(), Text());
  EXPECT_EQ(state.ready_flag(), Text());
}

// Two runs that read different start pages overlap: a reader must see one
// page's account with that same page's area code, never a mix of the two.
TEST(PortalStateAccess, AccountAndAreaCodeStayPaired) {
  PortalState state;
  const PortalFields pages[] = {{Text("02511112222"), Text("025"), Text("\xd5\xe6")},
                                {Text("051299998888"), Text("0512"), Text("\xd5\xe6")}};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        const PortalFields& page = pages[(i + t) % 2];
        if (i % 2) {
          state.set_account(page.user_account, page.area_code);
        } else {
          state.set_ready(page.user_account, page.area_code, page.ready_flag);
        }
      }
    });
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        const PortalFields seen = state.snapshot();
        if (seen.user_account.empty()) continue;  // before the first write
        const bool paired =
            (seen.user_account == pages[0].user_account && seen.area_code == pages[0].area_code) ||
            (seen.user_account == pages[1].user_account && seen.area_code == pages[1].area_code);
        if (!paired) {
          ADD_FAILURE() << "account " << seen.user_account.view() << " with area code "
                        << seen.area_code.view();
          return;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

// Records like RecordingWindow and, the first time 标签1 is set, runs
// `interrupt`: a second run placed exactly between the first run's reading of
// its start page and its probe.
class InterruptingWindow : public RecordingWindow {
 public:
  std::function<void()> interrupt;

  void set_control_text(Control control, const Text& text) override {
    RecordingWindow::set_control_text(control, text);
    if (control == Control::标签1 && interrupt) std::exchange(interrupt, nullptr)();
  }
};

// A run reads another line's page while the first run waits for its probe. The
// ready flag the first probe sets belongs to the first line: the speed-up goes
// out for that line's account and area code, not for the other run's.
TEST_F(WorkflowRun, ReadyFlagGoesWithTheAccountThatWasProbed) {
  InterruptingWindow window;
  window.interrupt = [this] {
    sim_.set_scenario(Scenario::probe_failed);
    SimReply page;
    page.body = portal_start_page("02511112222", "0512", "50M");
    page.content_type = "text/html";
    sim_.set_reply(Endpoint::start_page, page);
    RecordingWindow other;
    initialize(WorkflowContext{other, state_, hosts_});
    EXPECT_EQ(other.last_text(Control::编辑框1), Expected::init_failed());
    sim_.set_scenario(Scenario::ready);
  };
  initialize(WorkflowContext{window, state_, hosts_});
  ASSERT_EQ(window.last_text(Control::编辑框1), Expected::may_speed_up());

  sim_.clear_requests();
  run_speed_up();
  EXPECT_EQ(message(), Expected::speed_up_succeeded());
  const auto requests = sim_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body, std::string("action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=") +
                                  sim_user_account + "&AreaCode=" + sim_area_code);
}

TEST_F(WorkflowRun, OverlappingRunsEachEndWithAKnownMessage) {
  run_initialize();
  window_.clear();
  std::vector<std::thread> workers;
  for (int i = 0; i < 3; ++i) {
    workers.emplace_back([this] { initialize(context()); });
    workers.emplace_back([this] { speed_up(context()); });
  }
  for (std::thread& worker : workers) worker.join();

  const std::vector<Text> messages = window_.texts(Control::编辑框1);
  EXPECT_EQ(messages.size(), 6u);
  for (const Text& shown : messages) {
    EXPECT_TRUE(shown == Expected::may_speed_up() || shown == Expected::speed_up_succeeded() ||
                shown == Expected::initialize_first())
        << utf8_from_gbk(shown);
  }
  const Text flag = state_.ready_flag();
  EXPECT_TRUE(flag == Expected::ready() || flag == Expected::not_ready());
  EXPECT_EQ(state_.user_account(), Text(sim_user_account));
  EXPECT_EQ(state_.area_code(), Text(sim_area_code));
}

}  // namespace
}  // namespace velkoran
