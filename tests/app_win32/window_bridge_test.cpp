// The bridge on its own: what workers' calls become, their order, the wake-ups
// the window gets, and calls after the window has gone.
#include "app/win32/window_bridge.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/codepage.h"

namespace velkoran {
namespace {

// A message-only window standing in for the main window.
class WakeupTarget {
 public:
  WakeupTarget() {
    window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~WakeupTarget() {
    take_wakeups();
    DestroyWindow(window_);
  }
  HWND handle() const { return window_; }
  // Removes the wake-ups waiting in this thread's queue; how many there were.
  int take_wakeups() const {
    int taken = 0;
    MSG message;
    while (
        PeekMessageW(&message, window_, bridge_wakeup_message, bridge_wakeup_message, PM_REMOVE)) {
      ++taken;
    }
    return taken;
  }

 private:
  HWND window_ = nullptr;
};

TEST(WindowBridge, TurnsCallsIntoCommandsWithUtf16Text) {
  WakeupTarget target;
  WindowBridge bridge;
  bridge.attach(target.handle(), bridge_wakeup_message);
  EXPECT_TRUE(bridge.attached());

  bridge.set_control_text(Control::标签1, gbk_from_utf8("宽带账号：ad12345"));
  bridge.set_control_visible(Control::透明标签1, true);
  bridge.set_control_text(Control::编辑框1, Text());
  bridge.worker_done();

  const std::deque<BridgeCommand> commands = bridge.take_pending();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0].kind, BridgeCommand::Kind::set_text);
  EXPECT_EQ(commands[0].control, Control::标签1);
  EXPECT_EQ(commands[0].text, L"宽带账号：ad12345");
  EXPECT_EQ(commands[1].kind, BridgeCommand::Kind::set_visible);
  EXPECT_EQ(commands[1].control, Control::透明标签1);
  EXPECT_TRUE(commands[1].visible);
  EXPECT_EQ(commands[2].kind, BridgeCommand::Kind::set_text);
  EXPECT_EQ(commands[2].text, L"");
  EXPECT_EQ(commands[3].kind, BridgeCommand::Kind::worker_done);
  EXPECT_TRUE(bridge.take_pending().empty());
}

// Workers calling at the same time: each one's calls stay in its order.
TEST(WindowBridge, KeepsTheOrderOfEachWorker) {
  WakeupTarget target;
  WindowBridge bridge;
  bridge.attach(target.handle(), bridge_wakeup_message);
  constexpr int workers = 4;
  constexpr int calls = 500;
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&bridge, w] {
      for (int i = 0; i < calls; ++i) {
        bridge.set_control_text(Control::编辑框1,
                                Text(std::to_string(w) + ":" + std::to_string(i)));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  std::vector<int> next(workers, 0);
  for (const BridgeCommand& command : bridge.take_pending()) {
    const std::size_t colon = command.text.find(L':');
    ASSERT_NE(colon, std::wstring::npos);
    const int w = std::stoi(command.text.substr(0, colon));
    const int i = std::stoi(command.text.substr(colon + 1));
    ASSERT_EQ(i, next[w]) << "worker " << w;
    ++next[w];
  }
  EXPECT_EQ(next, std::vector<int>(workers, calls));
}

// However many calls wait, the window's queue holds one wake-up for them: a
// busy worker cannot fill the message queue.
TEST(WindowBridge, WakesTheWindowOncePerBatch) {
  WakeupTarget target;
  WindowBridge bridge;
  bridge.attach(target.handle(), bridge_wakeup_message);
  for (int i = 0; i < 1000; ++i) bridge.set_control_text(Control::编辑框1, Text("x"));
  EXPECT_EQ(target.take_wakeups(), 1);
  EXPECT_EQ(bridge.take_pending().size(), 1000u);

  bridge.set_control_visible(Control::透明标签1, true);
  EXPECT_EQ(target.take_wakeups(), 1);
  EXPECT_EQ(bridge.take_pending().size(), 1u);
}

TEST(WindowBridge, DropsCallsOnceDetached) {
  WakeupTarget target;
  WindowBridge bridge;
  bridge.attach(target.handle(), bridge_wakeup_message);
  bridge.set_control_text(Control::编辑框1, Text("waiting"));
  bridge.detach();
  EXPECT_FALSE(bridge.attached());
  bridge.set_control_text(Control::编辑框1, Text("late"));
  bridge.set_control_visible(Control::透明标签1, true);
  bridge.worker_done();
  EXPECT_TRUE(bridge.take_pending().empty());  // what waited went with the window
  target.take_wakeups();
  bridge.set_control_text(Control::编辑框1, Text("later"));
  EXPECT_EQ(target.take_wakeups(), 0);
}

}  // namespace
}  // namespace velkoran
