// A WindowPort that keeps every call the workflow makes, for tests.
#pragma once

#include <mutex>
#include <optional>
#include <vector>

#include "workflow/window_port.h"

namespace velkoran {

class RecordingWindow : public WindowPort {
 public:
  struct Call {
    Control control;
    std::optional<Text> text;     // set for set_control_text
    std::optional<bool> visible;  // set for set_control_visible
  };

  void set_control_text(Control control, const Text& text) override {
    std::lock_guard lock(mutex_);
    calls_.push_back({control, text, std::nullopt});
  }
  void set_control_visible(Control control, bool visible) override {
    std::lock_guard lock(mutex_);
    calls_.push_back({control, std::nullopt, visible});
  }

  // The last text set on `control`; nullopt when it was never set.
  std::optional<Text> last_text(Control control) const {
    std::lock_guard lock(mutex_);
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
      if (it->control == control && it->text) return it->text;
    }
    return std::nullopt;
  }
  // Every text set on `control`, in order.
  std::vector<Text> texts(Control control) const {
    std::lock_guard lock(mutex_);
    std::vector<Text> found;
    for (const Call& call : calls_) {
      if (call.control == control && call.text) found.push_back(*call.text);
    }
    return found;
  }
  // Whether set_control_visible(control, true) was the last visibility call.
  bool shown(Control control) const {
    std::lock_guard lock(mutex_);
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
      if (it->control == control && it->visible) return *it->visible;
    }
    return false;
  }
  std::vector<Call> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

}  // namespace velkoran
