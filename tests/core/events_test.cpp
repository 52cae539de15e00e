// process_pending_events services only the calling thread's own queue.
#include "core/events.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace velkoran {
namespace {

std::atomic<int> handled{0};
void count_handled() { ++handled; }

class PendingEventsTest : public ::testing::Test {
 protected:
  void SetUp() override { handled = 0; }
  void TearDown() override { set_pending_events_handler(nullptr); }
};

TEST_F(PendingEventsTest, ReturnsAtOnceOnAThreadWithoutAHandler) {
  std::thread worker([] {
    process_pending_events();
    process_pending_events();
  });
  worker.join();
  EXPECT_EQ(handled, 0);
}

TEST_F(PendingEventsTest, RunsOnlyTheCallingThreadsHandler) {
  set_pending_events_handler(count_handled);
  process_pending_events();
  EXPECT_EQ(handled, 1);

  // A handler installed here is not another thread's.
  std::thread worker([] { process_pending_events(); });
  worker.join();
  EXPECT_EQ(handled, 1);

  set_pending_events_handler(nullptr);
  process_pending_events();
  EXPECT_EQ(handled, 1);
}

TEST_F(PendingEventsTest, WorkerMayInstallItsOwnHandler) {
  std::thread worker([] {
    set_pending_events_handler(count_handled);
    process_pending_events();
    set_pending_events_handler(nullptr);
  });
  worker.join();
  EXPECT_EQ(handled, 1);
  process_pending_events();
  EXPECT_EQ(handled, 1);
}

}  // namespace
}  // namespace velkoran
