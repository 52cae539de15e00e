// The window on its own: controls, geometry, how texts are shown, workers and
// the busy pointer, the update link. The workflow is replaced by small routines.
#include "app/qt/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <condition_variable>
#include <mutex>

#include "app/display_text.h"
#include "app/qt/link_label.h"
#include "app_test_support.h"

namespace velkoran {
namespace {

using testing::u8;
using testing::wait_until;

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

class MainWindowTest : public ::testing::Test {
 protected:
  void make_window(ShellHooks hooks = {}) {
    if (!hooks.open_url) hooks.open_url = [this](const QUrl& url) { opened.push_back(url); };
    if (!hooks.initialize_routine) hooks.initialize_routine = [](const WorkflowContext&) {};
    if (!hooks.speed_up_routine) hooks.speed_up_routine = [](const WorkflowContext&) {};
    window = std::make_unique<MainWindow>(state, hosts, std::move(hooks));
  }
  void show_window() {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    gate.open();  // never leave a worker blocked on a failed test
    if (window) {
      EXPECT_TRUE(wait_until([&] { return window->running_workers() == 0; }));
    }
    window.reset();
  }

  QLabel* label(Control c) const { return qobject_cast<QLabel*>(window->control(c)); }
  QPlainTextEdit* edit_box() const {
    return qobject_cast<QPlainTextEdit*>(window->control(Control::编辑框1));
  }
  QPushButton* button(Control c) const { return qobject_cast<QPushButton*>(window->control(c)); }
  LinkLabel* link() const { return qobject_cast<LinkLabel*>(window->control(Control::透明标签1)); }

  // A left press on the window at `where`, hit-tested like a real mouse press.
  void press_window_at(QPoint where) {
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, where);
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, where);
  }

  Gate gate;
  PortalState state;
  PortalHosts hosts{"update.test", "portal.test", "web.test:8443"};
  std::vector<QUrl> opened;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartsWithTheListedControls) {
  make_window();
  EXPECT_EQ(window->windowTitle(), u8("Velkoran by:Tressin"));
  struct {
    Control control;
    const char* name;
    const char* text;
    bool visible;
  } cases[] = {
      {Control::透明标签1, "透明标签1", "有新版本了！请点击此处免费获取新版本！！！", false},
      {Control::标签2, "标签2", "宽带信息：请先初始化", true},
      {Control::编辑框1, "编辑框1", "", true},
      {Control::按钮2, "按钮2", "一键提速", true},
      {Control::按钮1, "按钮1", "初始化", true},
      {Control::标签1, "标签1", "宽带账号：请先初始化", true},
  };
  show_window();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget* widget = window->control(c.control);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName(), u8(c.name));
    EXPECT_EQ(window->findChild<QWidget*>(u8(c.name)), widget);
    EXPECT_EQ(control_object_name(c.control), u8(c.name));
    EXPECT_EQ(widget->isVisible(), c.visible);
    QString text;
    if (auto* l = qobject_cast<QLabel*>(widget)) text = l->text();
    if (auto* b = qobject_cast<QPushButton*>(widget)) text = b->text();
    if (auto* e = qobject_cast<QPlainTextEdit*>(widget)) text = e->toPlainText();
    EXPECT_EQ(text, u8(c.text));
  }
  EXPECT_TRUE(state.user_account().empty());
  EXPECT_TRUE(state.ready_flag().empty());
}

TEST_F(MainWindowTest, HasFixedGeometry) {
  make_window();
  EXPECT_EQ(window->size(), QSize(454, 346));
  EXPECT_EQ(window->minimumSize(), QSize(454, 346));
  EXPECT_EQ(window->maximumSize(), QSize(454, 346));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));

  struct {
    Control control;
    QRect rect;
  } cases[] = {
      {Control::透明标签1, QRect(21, 322, 256, 24)}, {Control::标签2, QRect(16, 48, 464, 24)},
      {Control::编辑框1, QRect(21, 151, 408, 168)},  {Control::按钮2, QRect(232, 103, 80, 32)},
      {Control::按钮1, QRect(136, 103, 80, 32)},     {Control::标签1, QRect(16, 16, 184, 24)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(control_object_name(c.control).toStdString());
    EXPECT_EQ(window->control(c.control)->geometry(), c.rect);
  }

  // A resize request leaves the size as it is.
  show_window();
  window->resize(800, 600);
  QTest::qWait(20);
  EXPECT_EQ(window->size(), QSize(454, 346));
}

TEST_F(MainWindowTest, IsCentredOnItsScreen) {
  make_window();
  window->centre_on_screen();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(window->frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(window->frameGeometry().center().y() - screen.center().y()), 1);
}

TEST_F(MainWindowTest, ControlsHaveTheirLook) {
  make_window();
  for (Control c : {Control::标签1, Control::标签2}) {
    SCOPED_TRACE(control_object_name(c).toStdString());
    ASSERT_NE(label(c), nullptr);
    EXPECT_EQ(label(c)->textFormat(), Qt::PlainText);
    EXPECT_EQ(label(c)->frameShape(), QFrame::NoFrame);
  }

  QPlainTextEdit* box = edit_box();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->isReadOnly());
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(box->maximumBlockCount(), 0);  // no length limit
  EXPECT_EQ(box->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::black));

  LinkLabel* l = link();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->textFormat(), Qt::PlainText);
  EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_FALSE(l->autoFillBackground());
  EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(l->wordWrap());
  EXPECT_EQ(l->alignment(), Qt::AlignLeft | Qt::AlignVCenter);

  // Return in the message box starts a new line.
  show_window();
  box->setFocus();
  QTest::keyClicks(box, "ab");
  QTest::keyClick(box, Qt::Key_Return);
  QTest::keyClicks(box, "cd");
  EXPECT_EQ(box->toPlainText(), u8("ab\ncd"));
}

// The message box shows its selection only while it has the focus.
TEST_F(MainWindowTest, MessageBoxHidesItsSelectionWithoutFocus) {
  make_window();
  show_window();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QPlainTextEdit* box = edit_box();
  box->setPlainText(u8("选中的文字 selected text"));
  box->selectAll();
  const QColor highlight = box->palette().color(QPalette::Active, QPalette::Highlight);
  const auto shows_highlight = [&] {
    const QImage image = box->viewport()->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) == highlight) return true;
      }
    }
    return false;
  };
  box->setFocus();
  ASSERT_TRUE(wait_until([&] { return box->hasFocus(); }));
  EXPECT_TRUE(shows_highlight());
  button(Control::按钮1)->setFocus();
  ASSERT_TRUE(wait_until([&] { return !box->hasFocus(); }));
  EXPECT_FALSE(shows_highlight());
}

// Whatever the portal sends is shown as it stands, never read as markup.
TEST_F(MainWindowTest, ShowsTextsAsPlainText) {
  make_window();
  show_window();
  const std::string markup = "<b>bold</b><img src=\"x.png\"><a href=\"http://e.test\">a</a>&amp;";
  for (Control c : {Control::标签1, Control::标签2, Control::编辑框1}) {
    SCOPED_TRACE(control_object_name(c).toStdString());
    window->bridge()->set_control_text(c, Text(markup));
  }
  ASSERT_TRUE(wait_until([&] { return edit_box()->toPlainText() == u8(markup.c_str()); }));
  EXPECT_EQ(label(Control::标签1)->text(), u8(markup.c_str()));
  EXPECT_EQ(label(Control::标签2)->text(), u8(markup.c_str()));
  EXPECT_FALSE(label(Control::标签1)->openExternalLinks());
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
  ASSERT_TRUE(wait_until([&] { return !edit_box()->toPlainText().isEmpty(); }));
  EXPECT_EQ(label(Control::标签2)->text(),
            QString(static_cast<qsizetype>(kLabelDisplayCharacters), QChar(u'初')) + u8("…"));
  EXPECT_EQ(edit_box()->toPlainText(),
            QString(static_cast<qsizetype>(kMessageBoxDisplayCharacters), QChar(u'初')) + u8("…"));
}

TEST_F(MainWindowTest, MessageBoxShowsCrLfAsOneBreakAndWrapsLongLines) {
  make_window();
  show_window();
  const std::string long_line(400, 'x');
  window->bridge()->set_control_text(Control::编辑框1,
                                     Text("\xb3\xf5\xca\xbc\xbb\xaf\r\n" + long_line));
  ASSERT_TRUE(wait_until([&] { return edit_box()->document()->blockCount() == 2; }));
  EXPECT_EQ(edit_box()->toPlainText(), u8("初始化\n") + QString::fromStdString(long_line));
  // The long second line wraps inside the box instead of scrolling sideways.
  ASSERT_TRUE(wait_until([&] {
    QTextLayout* layout = edit_box()->document()->findBlockByNumber(1).layout();
    return layout != nullptr && layout->lineCount() > 1;
  }));
  EXPECT_FALSE(edit_box()->horizontalScrollBar()->isVisible());
}

TEST_F(MainWindowTest, EachMessageReplacesTheLast) {
  make_window();
  window->bridge()->set_control_text(Control::编辑框1, Text("first"));
  window->bridge()->set_control_text(Control::编辑框1, Text("second"));
  ASSERT_TRUE(wait_until([&] { return edit_box()->toPlainText() == u8("second"); }));
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
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  QTest::mouseClick(button(Control::按钮1), Qt::LeftButton);
  QTest::mouseClick(button(Control::按钮1), Qt::LeftButton);
  QTest::mouseClick(button(Control::按钮2), Qt::LeftButton);
  EXPECT_EQ(window->running_workers(), 3);
  ASSERT_TRUE(wait_until([&] { return initialize_runs == 2 && speed_up_runs == 1; }));

  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  EXPECT_TRUE(button(Control::按钮1)->isEnabled());
  EXPECT_TRUE(button(Control::按钮2)->isEnabled());
  EXPECT_TRUE(edit_box()->isEnabled());
  EXPECT_EQ(label(Control::标签1)->text(), u8("宽带账号：请先初始化"));
  EXPECT_EQ(edit_box()->toPlainText(), u8(""));

  QSignalSpy idle(window.get(), &MainWindow::workers_idle);
  gate.open();
  ASSERT_TRUE(wait_until([&] { return window->running_workers() == 0; }));
  EXPECT_EQ(idle.count(), 1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  const QString last = edit_box()->toPlainText();
  EXPECT_TRUE(last == u8("init") || last == u8("speed")) << last.toStdString();
}

// A worker that cannot be created leaves no trace: no count, no busy pointer.
TEST_F(MainWindowTest, ThreadThatCannotStartIsIgnored) {
  bool routine_ran = false;
  make_window({.initialize_routine = [&](const WorkflowContext&) { routine_ran = true; },
               .start_thread = [](std::function<void()>) { return false; }});
  show_window();
  QTest::mouseClick(button(Control::按钮1), Qt::LeftButton);
  EXPECT_EQ(window->running_workers(), 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(routine_ran);
}

// Workers use the window's PortalState and hosts.
TEST_F(MainWindowTest, WorkersSeeTheSharedStateAndHosts) {
  std::string seen_portal;
  make_window({.initialize_routine = [&](const WorkflowContext& context) {
    seen_portal = context.hosts.portal_host;
    context.state.set_ready_flag(Text("\xd5\xe6"));  // 真
  }});
  QTest::mouseClick(button(Control::按钮1), Qt::LeftButton);
  ASSERT_TRUE(wait_until([&] { return window->running_workers() == 0; }));
  EXPECT_EQ(seen_portal, "portal.test");
  EXPECT_EQ(state.ready_flag(), Text("\xd5\xe6"));
}

TEST_F(MainWindowTest, HiddenLinkIgnoresPresses) {
  make_window();
  show_window();
  press_window_at(QPoint(40, 334));  // where the link would be
  QTest::mousePress(link(), Qt::LeftButton);
  EXPECT_TRUE(opened.empty());
}

TEST_F(MainWindowTest, VisibleLinkOpensTheDownloadPage) {
  make_window();
  show_window();
  window->bridge()->set_control_visible(Control::透明标签1, true);
  ASSERT_TRUE(wait_until([&] { return link()->isVisible(); }));
  window->bridge()->set_control_text(Control::编辑框1, Text("message"));
  ASSERT_TRUE(wait_until([&] { return edit_box()->toPlainText() == u8("message"); }));

  // Only the left button opens it; where it lands inside does not matter.
  QTest::mousePress(link(), Qt::RightButton);
  EXPECT_TRUE(opened.empty());
  press_window_at(QPoint(40, 334));
  press_window_at(QPoint(250, 325));
  ASSERT_EQ(opened.size(), 2u);
  for (const QUrl& url : opened) EXPECT_EQ(url, QUrl(u8("https://web.test:8443/windows/546.html")));

  // Everything else is as it was.
  EXPECT_TRUE(link()->isVisible());
  EXPECT_EQ(edit_box()->toPlainText(), u8("message"));
  EXPECT_EQ(label(Control::标签1)->text(), u8("宽带账号：请先初始化"));
  EXPECT_EQ(window->running_workers(), 0);
}

}  // namespace
}  // namespace velkoran
