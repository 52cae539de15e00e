// Construction, copy, move and destroy: who holds the matches, and the
// apartment entries that each instance makes and gives back.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

#include "core/text.h"
#include "regex/apartment.h"
#include "regex/regex_object.h"

namespace velkoran {
namespace {

// Every test starts and must end with the thread outside any apartment.
class RegexLifecycle : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(apartment_depth(), 0); }
  void TearDown() override { EXPECT_EQ(apartment_depth(), 0); }
};

TEST_F(RegexLifecycle, FreshInstanceReadsEmpty) {
  RegexObject re;
  re.noop();
  EXPECT_EQ(re.get_pattern(), Text());
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.match_text(1), Text());
  EXPECT_EQ(re.submatch_text(1, 1), Text());
  EXPECT_EQ(re.submatch_count(), 0);
  EXPECT_EQ(re.replace("x"), Text());
}

TEST_F(RegexLifecycle, EachInstanceEntersOnceAndDestroyLeavesOnce) {
  {
    RegexObject outer;
    EXPECT_EQ(apartment_depth(), 1);
    {
      // As initialize() holds its instance while a request makes its own.
      RegexObject inner;
      EXPECT_EQ(apartment_depth(), 2);
      inner.destroy();
      EXPECT_EQ(apartment_depth(), 1);
      inner.destroy();  // a second destroy gives back nothing more
      EXPECT_EQ(apartment_depth(), 1);
    }  // the destructor after destroy() leaves nothing either
    EXPECT_EQ(apartment_depth(), 1);
  }
  EXPECT_EQ(apartment_depth(), 0);
}

TEST_F(RegexLifecycle, DestroyReleasesEverything) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(\\d)", "a1"));
  re.destroy();
  EXPECT_EQ(re.get_pattern(), Text());
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.match_text(1), Text());
  EXPECT_EQ(re.replace("x"), Text());
}

TEST_F(RegexLifecycle, MovedInstanceCarriesItsEntry) {
  RegexObject first;
  ASSERT_TRUE(first.execute("\\d", "a1"));
  RegexObject second(std::move(first));
  EXPECT_EQ(apartment_depth(), 1);
  EXPECT_EQ(second.match_text(1), Text("1"));

  RegexObject third;
  EXPECT_EQ(apartment_depth(), 2);
  third = std::move(second);  // third gives up its own entry and takes second's
  EXPECT_EQ(apartment_depth(), 1);
  EXPECT_EQ(third.match_text(1), Text("1"));
  first.destroy();
  second.destroy();
  EXPECT_EQ(apartment_depth(), 1);
  third.destroy();
  EXPECT_EQ(apartment_depth(), 0);
}

TEST_F(RegexLifecycle, CopySharesTheRunButOwnsItsSubject) {
  RegexObject original;
  ASSERT_TRUE(original.execute("(\\w)(\\d)", "a1 b2"));
  {
    RegexObject twin = original.copy();
    EXPECT_EQ(apartment_depth(), 2);
    EXPECT_EQ(twin.get_pattern(), Text("(\\w)(\\d)"));
    EXPECT_EQ(twin.match_count(), 2);
    EXPECT_EQ(twin.submatch_text(2, 2), Text("2"));

    // A new run of the original does not touch the copy's answers.
    ASSERT_TRUE(original.execute("x", "xyz"));
    EXPECT_EQ(twin.match_count(), 2);
    EXPECT_EQ(twin.match_text(2), Text("b2"));
    int position = 0;
    EXPECT_EQ(twin.match_text(2, &position), Text("b2"));
    EXPECT_EQ(position, 3);
    EXPECT_EQ(twin.replace("$2$1"), Text("1a 2b"));

    // Nor does destroying the original.
    original.destroy();
    EXPECT_EQ(apartment_depth(), 1);
    EXPECT_EQ(twin.match_text(1), Text("a1"));
  }
  EXPECT_EQ(apartment_depth(), 0);
}

TEST_F(RegexLifecycle, ApartmentCountsPerThread) {
  RegexObject here;
  int depth_before = -1;
  int depth_there = -1;
  int depth_after = -1;
  std::thread worker([&] {
    depth_before = apartment_depth();  // another thread starts outside
    {
      RegexObject there;
      depth_there = apartment_depth();
    }
    depth_after = apartment_depth();
  });
  worker.join();
  EXPECT_EQ(depth_before, 0);
  EXPECT_EQ(depth_there, 1);
  EXPECT_EQ(depth_after, 0);
  EXPECT_EQ(apartment_depth(), 1);
}

// Workers each run their own instance at the same time, as two button clicks do.
TEST_F(RegexLifecycle, InstancesOnSeveralThreads) {
  constexpr int kThreads = 4;
  constexpr int kRuns = 200;
  int failures[kThreads] = {};
  std::thread workers[kThreads];
  for (int t = 0; t < kThreads; ++t) {
    workers[t] = std::thread([t, &failures] {
      const std::string digits = std::to_string(10 + t);
      const Text answer = "\xBD\xE1\xCA\xF8" + digits + ":3" + std::to_string(t);
      const Text page = "<meta charset=utf-" + digits + ">";
      for (int run = 0; run < kRuns; ++run) {
        RegexObject re;
        re.execute("\\d+.*?\\d+", answer);
        if (re.match_text(1) != Text(digits + ":3" + std::to_string(t))) ++failures[t];
        RegexObject charset;
        if (!charset.execute("<meta.+?charset=[^\\w]?([-\\w]+)", page) ||
            charset.submatch_text(1, 1) != Text("utf-" + digits)) {
          ++failures[t];
        }
        if (apartment_depth() != 2) ++failures[t];
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(failures[t], 0);
  }
}

// Each click starts a worker that runs its instances and ends, while the
// workers of earlier clicks may still run: threads end one after another
// while others keep working, some asking for the same pattern with other
// options. What the threads share must not mix their answers, and a thread's
// end must leave nothing behind that a running one trips over.
TEST_F(RegexLifecycle, WorkersEndingWhileOthersRun) {
  constexpr int kWorkers = 40;
  constexpr int kRunning = 3;
  constexpr int kRuns = 20;
  int failures[kWorkers] = {};
  auto click = [&failures](int index) {
    const bool case_sensitive = index % 2 == 0;
    const std::string end_time = "20:" + std::to_string(10 + index);
    for (int run = 0; run < kRuns; ++run) {
      RegexObject re;
      if (!re.execute("<META.+?CHARSET=([-\\w]+)", "<meta charset=utf-8>", case_sensitive) ||
          re.submatch_text(1, 1) != (case_sensitive ? Text() : Text("utf-8"))) {
        ++failures[index];
      }
      RegexObject probe;
      probe.execute("\\d+.*?\\d+", "ends " + end_time);
      if (probe.match_text(1) != Text(end_time)) ++failures[index];
    }
  };
  std::thread workers[kWorkers];
  for (int w = 0; w < kWorkers; ++w) {
    workers[w] = std::thread(click, w);
    if (w >= kRunning - 1) workers[w - (kRunning - 1)].join();
  }
  for (int w = kWorkers - (kRunning - 1); w < kWorkers; ++w) workers[w].join();
  for (int w = 0; w < kWorkers; ++w) {
    SCOPED_TRACE(w);
    EXPECT_EQ(failures[w], 0);
  }
}

// A copy handed to another thread reads the shared run while the original keeps working.
TEST_F(RegexLifecycle, SharedRunReadFromTwoThreads) {
  RegexObject original;
  ASSERT_TRUE(original.execute("\\d+", "1 22 333 4444"));
  RegexObject twin = original.copy();
  int bad_in_reader = 0;
  int bad_here = 0;
  std::thread reader([&twin, &bad_in_reader] {
    for (int i = 0; i < 500; ++i) {
      if (twin.match_text(3) != Text("333")) ++bad_in_reader;
    }
  });
  for (int i = 0; i < 500; ++i) {
    if (original.match_text(4) != Text("4444")) ++bad_here;
  }
  reader.join();
  twin.destroy();
  EXPECT_EQ(bad_in_reader, 0);
  EXPECT_EQ(bad_here, 0);
}

}  // namespace
}  // namespace velkoran
