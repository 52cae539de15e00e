#include "app/qt/window_bridge.h"

#include <gtest/gtest.h>

#include <QObject>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app_test_support.h"

namespace velkoran {
namespace {

using testing::wait_until;

// Calls from many workers at once: each worker's calls arrive in the order it
// made them, none is lost, and all are handled on the GUI thread.
TEST(WindowBridge, KeepsEachWorkersOrder) {
  constexpr int workers = 6;
  constexpr int calls_each = 300;
  QObject owner;
  auto bridge = std::make_shared<WindowBridge>();
  std::map<std::string, std::vector<int>> seen;
  bool off_gui_thread = false;
  const auto gui_thread = std::this_thread::get_id();
  bridge->attach(&owner, [&](const BridgeCommand& command) {
    if (std::this_thread::get_id() != gui_thread) off_gui_thread = true;
    const std::size_t colon = command.utf8.find(':');
    seen[command.utf8.substr(0, colon)].push_back(std::stoi(command.utf8.substr(colon + 1)));
  });

  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([bridge, w] {
      for (int i = 0; i < calls_each; ++i) {
        bridge->set_control_text(Control::编辑框1,
                                 Text("w" + std::to_string(w) + ":" + std::to_string(i)));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  ASSERT_TRUE(wait_until([&] {
    std::size_t total = 0;
    for (const auto& entry : seen) total += entry.second.size();
    return total == workers * calls_each;
  }));

  EXPECT_FALSE(off_gui_thread);
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(workers));
  for (const auto& [worker, order] : seen) {
    SCOPED_TRACE(worker);
    ASSERT_EQ(order.size(), static_cast<std::size_t>(calls_each));
    for (int i = 0; i < calls_each; ++i) ASSERT_EQ(order[i], i);
  }
}

TEST(WindowBridge, CarriesEachKindOfCall) {
  QObject owner;
  auto bridge = std::make_shared<WindowBridge>();
  std::vector<BridgeCommand> got;
  bridge->attach(&owner, [&](const BridgeCommand& command) { got.push_back(command); });
  std::thread([bridge] {
    bridge->set_control_text(Control::标签1, Text("\xb3\xf5\xca\xbc\xbb\xaf"));  // GBK
    bridge->set_control_visible(Control::透明标签1, true);
    bridge->worker_done();
  }).join();
  ASSERT_TRUE(wait_until([&] { return got.size() == 3; }));
  EXPECT_EQ(got[0].kind, BridgeCommand::Kind::set_text);
  EXPECT_EQ(got[0].control, Control::标签1);
  EXPECT_EQ(got[0].utf8, "初始化");  // travels as UTF-8
  EXPECT_EQ(got[1].kind, BridgeCommand::Kind::set_visible);
  EXPECT_EQ(got[1].control, Control::透明标签1);
  EXPECT_TRUE(got[1].visible);
  EXPECT_EQ(got[2].kind, BridgeCommand::Kind::worker_done);
}

// A worker that outlives the window keeps calling: the calls are dropped.
TEST(WindowBridge, DropsCallsOnceTheWindowIsGone) {
  auto bridge = std::make_shared<WindowBridge>();
  int handled = 0;
  {
    QObject owner;
    bridge->attach(&owner, [&](const BridgeCommand&) { ++handled; });
    EXPECT_TRUE(bridge->attached());
    bridge->set_control_text(Control::编辑框1, Text("queued, never shown"));
  }
  EXPECT_FALSE(bridge->attached());
  std::thread([bridge] { bridge->set_control_text(Control::编辑框1, Text("late")); }).join();
  QTest::qWait(50);
  EXPECT_EQ(handled, 0);
}

// Workers calling while the window is destroyed on the GUI thread: no crash,
// no call reaches a destroyed handler (run under the sanitizers).
TEST(WindowBridge, SurvivesWindowDestroyedUnderBusyWorkers) {
  auto bridge = std::make_shared<WindowBridge>();
  std::atomic<bool> stop{false};
  std::atomic<int> handled_after_close{0};
  std::vector<std::thread> threads;
  auto owner = std::make_unique<QObject>();
  auto alive = std::make_shared<bool>(true);
  bridge->attach(owner.get(), [&handled_after_close, alive](const BridgeCommand&) {
    if (!*alive) ++handled_after_close;
  });
  for (int w = 0; w < 4; ++w) {
    threads.emplace_back([bridge, &stop] {
      while (!stop.load()) bridge->set_control_visible(Control::透明标签1, true);
    });
  }
  QTest::qWait(30);
  *alive = false;
  owner.reset();
  QTest::qWait(30);
  stop = true;
  for (std::thread& t : threads) t.join();
  QTest::qWait(10);
  EXPECT_EQ(handled_after_close.load(), 0);
  EXPECT_FALSE(bridge->attached());
}

}  // namespace
}  // namespace velkoran
