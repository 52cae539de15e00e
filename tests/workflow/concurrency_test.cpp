// Workers share the PortalState and the window; runs overlap freely.
#include <gtest/gtest.h>

#include <thread>

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
        state.set_user_account(value);
        state.set_area_code(value);
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
