// Helpers shared by the Win32 window tests.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace velkoran {
class MainWindow;
}

namespace velkoran::testing {

// True under Wine, where a few things differ from Windows; tests that see a
// difference state the Windows behaviour and accept Wine's only under Wine.
[[nodiscard]] bool running_under_wine();

// Handles every message waiting for this thread, through the window's own
// event-loop step when `window` is given (keyboard navigation included).
void pump_messages(const MainWindow* window = nullptr);

// Runs this thread's messages until `done()` holds or `limit` has passed; the
// result of the last check. The limit only guards against a hang.
template <typename Done>
bool pump_until(Done done, const MainWindow* window = nullptr,
                std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (true) {
    pump_messages(window);
    if (done()) return true;
    if (std::chrono::steady_clock::now() > give_up) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Records the messages one window receives (through a subclass), while it lives.
//   MessageRecorder log(edit_box, {WM_SETTEXT});
//   ... log.texts() == {L"first", L"second"}
class MessageRecorder {
 public:
  MessageRecorder(HWND window, std::vector<UINT> messages);
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  // How many of `message` have arrived.
  [[nodiscard]] int count(UINT message) const;
  // The texts of the WM_SETTEXT messages, in order.
  [[nodiscard]] const std::vector<std::wstring>& texts() const { return texts_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR self);
  HWND window_;
  std::vector<UINT> watched_;
  std::vector<UINT> arrived_;
  std::vector<std::wstring> texts_;
};

// WM_GETTEXT, whole.
[[nodiscard]] std::wstring window_text(HWND window);
// GetClassNameW.
[[nodiscard]] std::wstring class_name(HWND window);
// A child's rectangle in its parent's client coordinates.
[[nodiscard]] RECT rect_in_parent(HWND child);

// The client area of `window` as it paints itself (WM_PRINTCLIENT into a
// bitmap that starts out `background`): one COLORREF per pixel, row by row.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
  [[nodiscard]] COLORREF at(int x, int y) const { return pixels[y * width + x]; }
};
[[nodiscard]] Picture paint_client(HWND window, COLORREF background = RGB(255, 255, 255));
// Columns from the first to the last holding a pixel other than the top-left
// one (the background); 0 when there is none.
[[nodiscard]] int ink_width(const Picture& picture);

}  // namespace velkoran::testing
