// The Win32 window on its own: controls, geometry, look, how texts are shown,
// workers and the busy pointer, the update link. The workflow is replaced by
// small routines; the browser is intercepted.
#include "app/win32/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "app/display_text.h"
#include "app/win32/control_table.h"
#include "app/win32/handles.h"
#include "core/codepage.h"
#include "test_support.h"

namespace velkoran {
namespace {

using testing::class_name;
using testing::ink_width;
using testing::MessageRecorder;
using testing::paint_client;
using testing::rect_in_parent;
using testing::running_under_wine;
using testing::window_text;

constexpr UINT dpi_changed_message = 0x02E0;

// Holds workers until the test opens it.
class Gate {
 public:
  void wait() {
    std::unique_lock lock(mutex_);
    opened_cv_.wait(lock, [&] { return open_; });
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_cv_;
  bool open_ = false;
};

std::string utf8_of(Control control) { return control_spec(control).name; }

bool same_rect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string describe(const RECT& r) {
  return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + "}";
}

// The system's message font at its own DPI.
LOGFONTW system_message_font() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  return metrics.lfMessageFont;
}

LOGFONTW font_of(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

UINT screen_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

// A real mouse press and release at `where` (screen coordinates).
void press_at(POINT where, DWORD down, DWORD up) {
  SetCursorPos(where.x, where.y);
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = down;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = up;
  SendInput(2, inputs, sizeof(INPUT));
}

POINT centre_on_screen(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class MainWindowTest : public ::testing::Test {
 protected:
  void make_window(ShellHooks hooks = {}) {
    if (!hooks.open_in_browser) {
      hooks.open_in_browser = [this](HWND, const std::wstring& address) {
        opened.push_back(address);
      };
    }
    if (!hooks.initialize_routine) hooks.initialize_routine = [](const WorkflowContext&) {};
    if (!hooks.speed_up_routine) hooks.speed_up_routine = [](const WorkflowContext&) {};
    window = std::make_unique<MainWindow>(state, hosts, std::move(hooks));
    ASSERT_NE(window->handle(), nullptr);
  }
  void show_window() {
    ShowWindow(handle(), SW_SHOWNORMAL);
    UpdateWindow(handle());
    // Windows may refuse a background process the foreground; no test needs it.
    SetForegroundWindow(handle());
    testing::pump_messages(window.get());
  }
  // Real presses land on whatever window is on top at that point: this one.
  void keep_on_top() const {
    SetWindowPos(handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  void TearDown() override {
    gate.open();  // never leave a worker blocked on a failed test
    // A closed window no longer hears of its workers' ends.
    if (window && window->handle() != nullptr) {
      EXPECT_TRUE(pump_until([&] { return window->running_workers() == 0; }));
    }
    window.reset();
    testing::pump_messages();
  }

  template <typename Done>
  bool pump_until(Done done) {
    return testing::pump_until(done, window.get());
  }
  bool finish() {
    return pump_until([&] { return window->running_workers() == 0; });
  }

  HWND handle() const { return window->handle(); }
  HWND control(Control c) const { return window->control(c); }
  std::wstring text_of(Control c) const { return window_text(control(c)); }
  void click(Control c) const { SendMessageW(control(c), BM_CLICK, 0, 0); }
  // The pointer the window asks for over `c`, as when the mouse moves there.
  HCURSOR pointer_over(Control c) const {
    SetCursor(nullptr);
    SendMessageW(control(c), WM_SETCURSOR, reinterpret_cast<WPARAM>(control(c)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  }
  // `text` (UTF-8) into a control the way a worker puts it there.
  void put_text(Control c, const std::string& utf8) {
    window->bridge()->set_control_text(c, gbk_from_utf8(utf8));
  }

  Gate gate;
  PortalState state;
  PortalHosts hosts{"update.test", "portal.test", "web.test:8443"};
  std::vector<std::wstring> opened;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartsWithTheListedControls) {
  make_window();
  show_window();
  EXPECT_EQ(window_text(handle()), L"Velkoran by:Tressin");

  const UINT dpi = window->dpi();
  struct {
    Control control;
    const wchar_t* window_class;
    const wchar_t* text;
    bool visible;
    RECT at_96_dpi;  // x, y, x + width, y + height, as the form lists them
  } cases[] = {
      {Control::透明标签1,
       L"Static",
       L"有新版本了！请点击此处免费获取新版本！！！",
       false,
       {21, 322, 21 + 256, 322 + 24}},
      {Control::标签2, L"Static", L"宽带信息：请先初始化", true, {16, 48, 16 + 464, 48 + 24}},
      {Control::编辑框1, L"Edit", L"", true, {21, 151, 21 + 408, 151 + 168}},
      {Control::按钮2, L"Button", L"一键提速", true, {232, 103, 232 + 80, 103 + 32}},
      {Control::按钮1, L"Button", L"初始化", true, {136, 103, 136 + 80, 103 + 32}},
      {Control::标签1, L"Static", L"宽带账号：请先初始化", true, {16, 16, 16 + 184, 16 + 24}},
  };
  HWND previous = nullptr;
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8_of(c.control));
    HWND child = control(c.control);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), handle());
    EXPECT_EQ(_wcsicmp(class_name(child).c_str(), c.window_class), 0) << class_name(child).size();
    EXPECT_EQ(text_of(c.control), c.text);
    EXPECT_EQ(IsWindowVisible(child) != FALSE, c.visible);
    const RECT expected{
        MulDiv(c.at_96_dpi.left, dpi, 96), MulDiv(c.at_96_dpi.top, dpi, 96),
        MulDiv(c.at_96_dpi.left, dpi, 96) + MulDiv(c.at_96_dpi.right - c.at_96_dpi.left, dpi, 96),
        MulDiv(c.at_96_dpi.top, dpi, 96) + MulDiv(c.at_96_dpi.bottom - c.at_96_dpi.top, dpi, 96)};
    EXPECT_TRUE(same_rect(rect_in_parent(child), expected))
        << describe(rect_in_parent(child)) << " != " << describe(expected);
    // The form's order is the z-order, which is also the tab order.
    EXPECT_EQ(GetWindow(child, GW_HWNDPREV), previous);
    previous = child;
  }
  EXPECT_TRUE(state.user_account().empty());
  EXPECT_TRUE(state.area_code().empty());
  EXPECT_TRUE(state.ready_flag().empty());
}

TEST_F(MainWindowTest, HasTheFormSizeCentredOnTheWorkArea) {
  make_window();
  const UINT dpi = window->dpi();
  EXPECT_EQ(dpi, screen_dpi());  // one monitor: its DPI is the system's
  RECT outer{};
  GetWindowRect(handle(), &outer);
  EXPECT_EQ(outer.right - outer.left, MulDiv(460, dpi, 96));
  EXPECT_EQ(outer.bottom - outer.top, MulDiv(375, dpi, 96));

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1);
}

// The frame cannot be dragged to another size, there is no maximise box, and
// neither the system's commands nor SetWindowPos change the size; minimising
// and moving work.
TEST_F(MainWindowTest, CannotBeResizedOrMaximised) {
  make_window();
  show_window();
  const LONG_PTR style = GetWindowLongPtrW(handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(GetWindowLongPtrW(handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  RECT start{};
  GetWindowRect(handle(), &start);
  const auto unchanged = [&] {
    RECT now{};
    GetWindowRect(handle(), &now);
    return same_rect(now, start);
  };

  // No edge or corner offers a sizing handle.
  const int mid_x = (start.left + start.right) / 2;
  const int mid_y = (start.top + start.bottom) / 2;
  const POINT edges[] = {{start.left, mid_y},
                         {start.right - 1, mid_y},
                         {mid_x, start.top},
                         {mid_x, start.bottom - 1},
                         {start.left, start.top},
                         {start.right - 1, start.top},
                         {start.left, start.bottom - 1},
                         {start.right - 1, start.bottom - 1}};
  for (const POINT& p : edges) {
    const LRESULT hit = SendMessageW(handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    EXPECT_FALSE(hit >= HTLEFT && hit <= HTBOTTOMRIGHT) << p.x << "," << p.y << " hit " << hit;
  }

  // Dragging is held to the one size.
  MINMAXINFO limits{};
  SendMessageW(handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, start.right - start.left);
  EXPECT_EQ(limits.ptMaxTrackSize.x, start.right - start.left);
  EXPECT_EQ(limits.ptMinTrackSize.y, start.bottom - start.top);
  EXPECT_EQ(limits.ptMaxTrackSize.y, start.bottom - start.top);

  // Maximise by command and by a double click on the caption.
  SendMessageW(handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  SendMessageW(handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(mid_x, start.top + 5));
  pump_until([] { return true; });
  EXPECT_FALSE(IsZoomed(handle()));
  EXPECT_TRUE(unchanged());

  // Another size asked for directly.
  SetWindowPos(handle(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(unchanged());

  // Minimise and restore.
  SendMessageW(handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(pump_until([&] { return IsIconic(handle()) != FALSE; }));
  SendMessageW(handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(pump_until([&] { return !IsIconic(handle()); }));
  EXPECT_TRUE(unchanged());

  // Moving keeps the size.
  SetWindowPos(handle(), nullptr, start.left + 30, start.top + 20, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT moved{};
  GetWindowRect(handle(), &moved);
  EXPECT_EQ(moved.left, start.left + 30);
  EXPECT_EQ(moved.top, start.top + 20);
  EXPECT_EQ(moved.right - moved.left, start.right - start.left);
  EXPECT_EQ(moved.bottom - moved.top, start.bottom - start.top);
}

TEST_F(MainWindowTest, ControlsHaveTheirLook) {
  make_window();
  show_window();

  // Every control uses the system's default user-interface font.
  const LOGFONTW message_font = system_message_font();
  for (const ControlSpec& spec : control_specs()) {
    SCOPED_TRACE(spec.name);
    const LOGFONTW font = font_of(control(spec.control));
    EXPECT_STREQ(font.lfFaceName, message_font.lfFaceName);
    EXPECT_EQ(font.lfHeight, MulDiv(message_font.lfHeight, window->dpi(), screen_dpi()));
  }

  // Colours, as the window hands them to each control when it paints.
  HDC dc = CreateCompatibleDC(nullptr);
  const auto colours = [&](UINT message, Control c) {
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<HGDIOBJ>(SendMessageW(handle(), message, reinterpret_cast<WPARAM>(dc),
                                                  reinterpret_cast<LPARAM>(control(c))));
  };
  // The update link: red text with no background of its own.
  EXPECT_EQ(colours(WM_CTLCOLORSTATIC, Control::透明标签1), GetStockObject(NULL_BRUSH));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_TRUE(GetWindowLongPtrW(control(Control::透明标签1), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  // Labels: black on the window's background.
  for (Control c : {Control::标签1, Control::标签2}) {
    SCOPED_TRACE(utf8_of(c));
    EXPECT_EQ(colours(WM_CTLCOLORSTATIC, c), GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  }
  // The message box: black on white, with a sunken edge.
  HGDIOBJ edit_brush = colours(WM_CTLCOLOREDIT, Control::编辑框1);
  LOGBRUSH brush{};
  GetObjectW(edit_brush, sizeof(brush), &brush);
  EXPECT_EQ(brush.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  DeleteDC(dc);
  EXPECT_TRUE(GetWindowLongPtrW(control(Control::编辑框1), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  // The message box takes text of any length and has a vertical scroll bar.
  EXPECT_GE(static_cast<DWORD>(SendMessageW(control(Control::编辑框1), EM_GETLIMITTEXT, 0, 0)),
            0x7FFFFFFEu);
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof(bar);
  ASSERT_TRUE(GetScrollBarInfo(control(Control::编辑框1), OBJID_VSCROLL, &bar));
  EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
}

// Typed into the message box through the program's event loop, Return starts
// a new line instead of being taken as dialog navigation.
TEST_F(MainWindowTest, ReturnInTheMessageBoxStartsANewLine) {
  make_window();
  show_window();
  HWND box = control(Control::编辑框1);
  SetFocus(box);
  ASSERT_EQ(GetFocus(), box);
  for (WPARAM key : {WPARAM{'A'}, WPARAM{'B'}, WPARAM{VK_RETURN}, WPARAM{'C'}, WPARAM{'D'}}) {
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageW(box, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageW(box, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
  }
  // Typed in order: once "d" is there, everything else is too.
  ASSERT_TRUE(pump_until([&] { return window_text(box).find(L'd') != std::wstring::npos; }));
  EXPECT_EQ(window_text(box), L"ab\r\ncd");
  EXPECT_EQ(SendMessageW(box, EM_GETLINECOUNT, 0, 0), 2);
}

// The selection shows only while the message box has the focus.
TEST_F(MainWindowTest, MessageBoxHidesItsSelectionWithoutFocus) {
  make_window();
  show_window();
  HWND box = control(Control::编辑框1);
  put_text(Control::编辑框1, "选中的文字 selected text");
  ASSERT_TRUE(pump_until([&] { return !window_text(box).empty(); }));
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const auto shows_highlight = [&] {
    const testing::Picture picture = paint_client(box);
    for (COLORREF pixel : picture.pixels) {
      if (pixel == highlight) return true;
    }
    return false;
  };

  SetFocus(box);
  SendMessageW(box, EM_SETSEL, 0, -1);
  ASSERT_EQ(GetFocus(), box);
  EXPECT_TRUE(shows_highlight());
  SetFocus(control(Control::按钮1));
  ASSERT_NE(GetFocus(), box);
  EXPECT_FALSE(shows_highlight());
}

// Whatever the portal sends is shown as it stands: no markup, and "&" is a
// character, not the mark of a keyboard mnemonic.
TEST_F(MainWindowTest, ShowsTextsAsPlainText) {
  make_window();
  show_window();
  const std::string markup = "<b>bold</b><a href=\"http://e.test\">a</a>&amp;&x";
  for (Control c : {Control::标签1, Control::标签2, Control::编辑框1, Control::透明标签1}) {
    put_text(c, markup);
  }
  ASSERT_TRUE(pump_until([&] {
    return text_of(Control::透明标签1) != L"有新版本了！请点击此处免费获取新版本！！！";
  }));
  const std::wstring expected(markup.begin(), markup.end());
  for (Control c : {Control::标签1, Control::标签2, Control::编辑框1, Control::透明标签1}) {
    SCOPED_TRACE(utf8_of(c));
    EXPECT_EQ(text_of(c), expected);
  }

  // Drawn, "&x" is two characters wide, not an underlined "x".
  for (Control c : {Control::标签1, Control::标签2, Control::透明标签1}) {
    SCOPED_TRACE(utf8_of(c));
    const auto ink_of = [&](const wchar_t* text) {
      SetWindowTextW(control(c), text);
      return ink_width(paint_client(control(c)));
    };
    const int x_alone = ink_of(L"x");
    const int with_ampersand = ink_of(L"&x");
    EXPECT_GT(x_alone, 0);
    EXPECT_GT(with_ampersand, x_alone + 2);
  }
}

// A huge value (a hostile page) is shown cut, ending in "…"; the workflow's
// own copy is not the window's concern.
TEST_F(MainWindowTest, ShowsHugeTextsCut) {
  make_window();
  show_window();
  std::string huge;
  for (int i = 0; i < 200'000; ++i) huge += "\xb3\xf5";  // 初
  window->bridge()->set_control_text(Control::标签2, Text(huge));
  window->bridge()->set_control_text(Control::编辑框1, Text(huge));
  ASSERT_TRUE(pump_until([&] { return !text_of(Control::编辑框1).empty(); }));
  EXPECT_EQ(text_of(Control::标签2), std::wstring(kLabelDisplayCharacters, L'初') + L"…");
  EXPECT_EQ(text_of(Control::编辑框1), std::wstring(kMessageBoxDisplayCharacters, L'初') + L"…");
}

TEST_F(MainWindowTest, MessageBoxShowsCrLfAsALineBreakAndWrapsLongLines) {
  make_window();
  show_window();
  HWND box = control(Control::编辑框1);
  put_text(Control::编辑框1, "初始化\r\n第二行");
  ASSERT_TRUE(pump_until([&] { return !window_text(box).empty(); }));
  EXPECT_EQ(window_text(box), L"初始化\r\n第二行");
  EXPECT_EQ(SendMessageW(box, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(box, EM_LINEINDEX, 1, 0), 5);  // after "初始化\r\n"

  // One long line wraps at the right edge instead of scrolling sideways.
  const std::string long_line(400, 'x');
  put_text(Control::编辑框1, long_line);
  ASSERT_TRUE(pump_until([&] { return window_text(box).size() == long_line.size(); }));
  EXPECT_GT(SendMessageW(box, EM_GETLINECOUNT, 0, 0), 2);
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof(bar);
  if (GetScrollBarInfo(box, OBJID_HSCROLL, &bar)) {
    EXPECT_TRUE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  }
}

// Each text replaces the last, and the texts of one worker arrive in the order
// it made them, also while another worker writes to the same box.
TEST_F(MainWindowTest, WorkerTextsArriveInOrder) {
  constexpr int count = 100;
  const auto writer = [](const char* prefix) {
    return [prefix](const WorkflowContext& context) {
      for (int i = 1; i <= count; ++i) {
        context.window.set_control_text(Control::编辑框1, Text(prefix + std::to_string(i)));
      }
    };
  };
  make_window({.initialize_routine = writer("a"), .speed_up_routine = writer("b")});
  show_window();
  MessageRecorder box_log(control(Control::编辑框1), {WM_SETTEXT});

  click(Control::按钮1);
  click(Control::按钮2);
  ASSERT_TRUE(finish());

  std::vector<std::wstring> from_a;
  std::vector<std::wstring> from_b;
  for (const std::wstring& text : box_log.texts()) {
    (text[0] == L'a' ? from_a : from_b).push_back(text);
  }
  ASSERT_EQ(from_a.size(), std::size_t{count});
  ASSERT_EQ(from_b.size(), std::size_t{count});
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(from_a[i], L"a" + std::to_wstring(i + 1));
    EXPECT_EQ(from_b[i], L"b" + std::to_wstring(i + 1));
  }
  // The box shows only the text written last.
  EXPECT_EQ(text_of(Control::编辑框1), box_log.texts().back());
}

// Every click starts one more worker at once; the buttons stay enabled, the
// texts stay as they are, and the busy pointer shows until the last one ends.
TEST_F(MainWindowTest, ClicksStartWorkersSideBySide) {
  std::atomic<int> initialize_runs{0};
  std::atomic<int> speed_up_runs{0};
  make_window({.initialize_routine =
                   [&](const WorkflowContext& context) {
                     ++initialize_runs;
                     gate.wait();
                     context.window.set_control_text(Control::编辑框1, Text("init"));
                   },
               .speed_up_routine =
                   [&](const WorkflowContext& context) {
                     ++speed_up_runs;
                     gate.wait();
                     context.window.set_control_text(Control::编辑框1, Text("speed"));
                   }});
  show_window();
  const HCURSOR busy = LoadCursorW(nullptr, IDC_APPSTARTING);
  EXPECT_NE(pointer_over(Control::按钮1), busy);

  click(Control::按钮1);
  click(Control::按钮1);
  click(Control::按钮2);
  EXPECT_EQ(window->running_workers(), 3);
  ASSERT_TRUE(pump_until([&] { return initialize_runs == 2 && speed_up_runs == 1; }));

  for (Control c : {Control::按钮1, Control::按钮2, Control::编辑框1, Control::标签1}) {
    SCOPED_TRACE(utf8_of(c));
    EXPECT_EQ(pointer_over(c), busy);
    EXPECT_TRUE(IsWindowEnabled(control(c)));
  }
  EXPECT_EQ(text_of(Control::标签1), L"宽带账号：请先初始化");
  EXPECT_EQ(text_of(Control::编辑框1), L"");

  gate.open();
  ASSERT_TRUE(finish());
  EXPECT_NE(pointer_over(Control::按钮1), busy);
  const std::wstring last = text_of(Control::编辑框1);
  EXPECT_TRUE(last == L"init" || last == L"speed");
}

// A worker that cannot be created leaves no trace: no count, no busy pointer.
TEST_F(MainWindowTest, ThreadThatCannotStartIsIgnored) {
  bool routine_ran = false;
  make_window({.initialize_routine = [&](const WorkflowContext&) { routine_ran = true; },
               .start_thread = [](std::function<void()>) { return false; }});
  show_window();
  click(Control::按钮1);
  EXPECT_EQ(window->running_workers(), 0);
  EXPECT_NE(pointer_over(Control::按钮1), LoadCursorW(nullptr, IDC_APPSTARTING));
  EXPECT_FALSE(routine_ran);
}

// Workers use the window's PortalState and hosts, and their texts reach the labels.
TEST_F(MainWindowTest, WorkersSeeTheSharedStateAndHosts) {
  std::string seen_portal;
  make_window({.initialize_routine = [&](const WorkflowContext& context) {
    seen_portal = context.hosts.portal_host;
    context.state.set_ready_flag(gbk_from_utf8("真"));
    context.window.set_control_text(Control::标签1, gbk_from_utf8("宽带账号：ad12345"));
    context.window.set_control_text(Control::标签2, gbk_from_utf8("宽带信息：100M"));
  }});
  click(Control::按钮1);
  ASSERT_TRUE(finish());
  EXPECT_EQ(seen_portal, "portal.test");
  EXPECT_EQ(state.ready_flag(), gbk_from_utf8("真"));
  EXPECT_EQ(text_of(Control::标签1), L"宽带账号：ad12345");
  EXPECT_EQ(text_of(Control::标签2), L"宽带信息：100M");
}

// Closing the window while a worker waits: the worker's later calls are dropped
// and nothing touches the destroyed window.
TEST_F(MainWindowTest, WorkerOutlivingTheWindowIsDropped) {
  std::atomic<bool> worker_wrote{false};
  make_window({.initialize_routine = [&](const WorkflowContext& context) {
    gate.wait();
    context.window.set_control_text(Control::编辑框1, Text("too late"));
    context.window.set_control_visible(Control::透明标签1, true);
    worker_wrote = true;
  }});
  show_window();
  std::shared_ptr<WindowBridge> bridge = window->bridge();
  click(Control::按钮1);
  SendMessageW(handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window->handle(), nullptr);
  EXPECT_FALSE(bridge->attached());

  gate.open();
  ASSERT_TRUE(pump_until([&] { return worker_wrote.load(); }));
  EXPECT_TRUE(bridge->take_pending().empty());
}

TEST_F(MainWindowTest, HiddenLinkIgnoresPresses) {
  make_window();
  show_window();
  keep_on_top();
  HWND link = control(Control::透明标签1);
  MessageRecorder window_log(handle(), {WM_LBUTTONDOWN});
  MessageRecorder link_log(link, {WM_LBUTTONDOWN});
  // A real press where the link would be lands on the window itself.
  press_at(centre_on_screen(link), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(pump_until([&] { return window_log.count(WM_LBUTTONDOWN) == 1; }));
  EXPECT_EQ(link_log.count(WM_LBUTTONDOWN), 0);
  EXPECT_TRUE(opened.empty());
}

TEST_F(MainWindowTest, VisibleLinkOpensTheDownloadPage) {
  make_window();
  show_window();
  keep_on_top();
  HWND link = control(Control::透明标签1);
  window->bridge()->set_control_visible(Control::透明标签1, true);
  put_text(Control::编辑框1, "message");
  ASSERT_TRUE(pump_until([&] { return text_of(Control::编辑框1) == L"message"; }));
  ASSERT_TRUE(IsWindowVisible(link));
  EXPECT_EQ(pointer_over(Control::透明标签1), LoadCursorW(nullptr, IDC_HAND));

  // Only the left button opens it.
  MessageRecorder link_log(link, {WM_RBUTTONDOWN, WM_LBUTTONDOWN});
  press_at(centre_on_screen(link), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  ASSERT_TRUE(pump_until([&] { return link_log.count(WM_RBUTTONDOWN) == 1; }));
  EXPECT_TRUE(opened.empty());

  // Where it lands on the link does not matter.
  RECT place{};
  GetWindowRect(link, &place);
  press_at(centre_on_screen(link), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(pump_until([&] { return opened.size() == 1; }));
  // A second press, not taken as part of a double click.
  Sleep(GetDoubleClickTime() + 50);
  press_at(POINT{place.left + 3, place.top + 3}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(pump_until([&] { return opened.size() == 2; }));
  for (const std::wstring& address : opened) {
    EXPECT_EQ(address, L"https://web.test:8443/windows/546.html");
  }

  // Everything else is as it was.
  EXPECT_TRUE(IsWindowVisible(link));
  EXPECT_EQ(text_of(Control::编辑框1), L"message");
  EXPECT_EQ(text_of(Control::标签1), L"宽带账号：请先初始化");
  EXPECT_EQ(window->running_workers(), 0);
}

// Moved to a monitor of another DPI, the window takes the new size, places
// its controls for it and picks the font for it.
TEST_F(MainWindowTest, FollowsAChangeOfDpi) {
  make_window();
  show_window();
  const UINT start_dpi = window->dpi();
  for (UINT dpi : {144u, 192u, start_dpi}) {
    SCOPED_TRACE(dpi);
    RECT suggested{10, 20, 10 + MulDiv(460, dpi, 96), 20 + MulDiv(375, dpi, 96)};
    SendMessageW(handle(), dpi_changed_message, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window->dpi(), dpi);
    RECT outer{};
    GetWindowRect(handle(), &outer);
    EXPECT_TRUE(same_rect(outer, suggested)) << describe(outer);

    const RECT box = rect_in_parent(control(Control::编辑框1));
    EXPECT_EQ(box.left, MulDiv(21, dpi, 96));
    EXPECT_EQ(box.top, MulDiv(151, dpi, 96));
    EXPECT_EQ(box.right - box.left, MulDiv(408, dpi, 96));
    EXPECT_EQ(box.bottom - box.top, MulDiv(168, dpi, 96));

    const LONG expected_height = MulDiv(system_message_font().lfHeight, dpi, screen_dpi());
    for (const ControlSpec& spec : control_specs()) {
      SCOPED_TRACE(spec.name);
      EXPECT_LE(std::abs(font_of(control(spec.control)).lfHeight - expected_height), 1);
    }
  }
}

}  // namespace
}  // namespace velkoran
