// How the workflow reaches the window: two calls, made from worker threads.
// The window delivers each call to its control on its own thread, keeping the
// order of the calls one worker makes.
#pragma once

#include "core/text.h"

namespace velkoran {

// The window's controls, by their form names.
enum class Control { 标签1, 标签2, 编辑框1, 按钮1, 按钮2, 透明标签1 };

class WindowPort {
 public:
  virtual ~WindowPort() = default;
  // Labels show `text` as their caption; 编辑框1 replaces its whole content.
  virtual void set_control_text(Control control, const Text& text) = 0;
  virtual void set_control_visible(Control control, bool visible) = 0;
};

}  // namespace velkoran
