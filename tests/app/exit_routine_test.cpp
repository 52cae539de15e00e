#include "app/exit_routine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace velkoran {
namespace {

// The exit routine releases the portal state once, however many ways the
// program ends at the same moment.
TEST(ExitRoutine, RunsOnceOnly) {
  std::atomic<int> runs{0};
  register_exit_routine([&runs] { ++runs; });
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([] { run_exit_routine(); });
  run_exit_routine();
  for (std::thread& t : threads) t.join();
  run_exit_routine();
  EXPECT_EQ(runs.load(), 1);
  // Leave nothing behind for the process's own exit hook.
  register_exit_routine([] {});
  run_exit_routine();
}

}  // namespace
}  // namespace velkoran
