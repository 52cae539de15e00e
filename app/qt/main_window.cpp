#include "app/qt/main_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "app/app_texts.h"
#include "app/qt/link_label.h"
#include "app/qt/qt_text.h"
#include "app/workers.h"

namespace velkoran {
namespace {

constexpr int client_width = 454;
constexpr int client_height = 346;

struct ControlPlace {
  Control control;
  const char* name;  // UTF-8 object name
  QRect rect;        // client coordinates
};

// In the order the window's layout lists them; that is also the tab order.
constexpr std::array<ControlPlace, 6> control_places{{
    {Control::透明标签1, "透明标签1", QRect(21, 322, 256, 24)},
    {Control::标签2, "标签2", QRect(16, 48, 464, 24)},  // wider than the window: clipped
    {Control::编辑框1, "编辑框1", QRect(21, 151, 408, 168)},
    {Control::按钮2, "按钮2", QRect(232, 103, 80, 32)},
    {Control::按钮1, "按钮1", QRect(136, 103, 80, 32)},
    {Control::标签1, "标签1", QRect(16, 16, 184, 24)},
}};

std::size_t index_of(Control control) { return static_cast<std::size_t>(control); }

QLabel* make_plain_label(QWidget* parent, const Text& text) {
  auto* label = new QLabel(parent);
  // Portal data ends up in the labels: never read it as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  label->setText(qstring_from_text(text));
  return label;
}

QPlainTextEdit* make_message_box(QWidget* parent) {
  auto* box = new QPlainTextEdit(parent);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  // The selection shows only while the box has the focus.
  palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  box->setPalette(palette);
  return box;
}

LinkLabel* make_update_link(QWidget* parent, const Text& text) {
  auto* link = new LinkLabel(parent);
  link->setTextFormat(Qt::PlainText);
  link->setWordWrap(false);
  link->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  link->setAutoFillBackground(false);  // the window shows through
  QPalette palette = link->palette();
  palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
  link->setPalette(palette);
  link->setCursor(Qt::PointingHandCursor);
  link->setText(qstring_from_text(text));
  link->hide();
  return link;
}

}  // namespace

QString control_object_name(Control control) {
  for (const ControlPlace& place : control_places) {
    if (place.control == control) return QString::fromUtf8(place.name);
  }
  return {};
}

MainWindow::MainWindow(PortalState& state, PortalHosts hosts, ShellHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      hosts_(std::move(hosts)),
      hooks_(std::move(hooks)),
      bridge_(std::make_shared<WindowBridge>()) {
  if (!hooks_.initialize_routine) hooks_.initialize_routine = initialize;
  if (!hooks_.speed_up_routine) hooks_.speed_up_routine = speed_up;
  if (!hooks_.open_url) hooks_.open_url = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  if (!hooks_.start_thread) hooks_.start_thread = start_detached_thread;

  setWindowTitle(qstring_from_text(app_texts().caption));
  setFixedSize(client_width, client_height);
  create_controls();
  bridge_->attach(this, [this](const BridgeCommand& command) { apply(command); });
}

MainWindow::~MainWindow() {
  // Workers still running keep their bridge; from here on it drops their calls.
  bridge_->detach();
  if (running_workers_ > 0) QApplication::restoreOverrideCursor();
}

void MainWindow::create_controls() {
  const AppTexts& texts = app_texts();
  for (const ControlPlace& place : control_places) {
    QWidget* widget = nullptr;
    switch (place.control) {
      case Control::透明标签1: {
        LinkLabel* link = make_update_link(this, texts.update_link);
        connect(link, &LinkLabel::pressed, this,
                [this] { open_in_browser(download_page_address(hosts_)); });
        widget = link;
        break;
      }
      case Control::标签1:
        widget = make_plain_label(this, texts.account_label);
        break;
      case Control::标签2:
        widget = make_plain_label(this, texts.info_label);
        break;
      case Control::编辑框1:
        widget = make_message_box(this);
        break;
      case Control::按钮1:
        widget = make_worker_button(texts.initialize_button, hooks_.initialize_routine);
        break;
      case Control::按钮2:
        widget = make_worker_button(texts.speed_up_button, hooks_.speed_up_routine);
        break;
    }
    widget->setObjectName(QString::fromUtf8(place.name));
    widget->setGeometry(place.rect);
    controls_[index_of(place.control)] = widget;
  }
}

QWidget* MainWindow::control(Control control) const { return controls_[index_of(control)]; }

void MainWindow::centre_on_screen() {
  QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (target == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(target->availableGeometry().center());
  move(frame.topLeft());
}

QPushButton* MainWindow::make_worker_button(const Text& caption,
                                            const ShellHooks::Routine& routine) {
  auto* button = new QPushButton(qstring_from_text(caption), this);
  // Each click starts one more worker at once; the button is never disabled.
  connect(button, &QPushButton::clicked, this, [this, &routine] { start_worker(routine); });
  return button;
}

void MainWindow::start_worker(const ShellHooks::Routine& routine) {
  // Counted before the thread exists, so its "done" can never arrive first.
  if (running_workers_++ == 0) QApplication::setOverrideCursor(Qt::BusyCursor);
  const bool started =
      hooks_.start_thread([routine, bridge = bridge_, state = &state_, hosts = hosts_] {
        routine(WorkflowContext{.window = *bridge, .state = *state, .hosts = hosts});
        bridge->worker_done();
      });
  if (!started) worker_ended();  // the click then has no effect
}

void MainWindow::worker_ended() {
  if (running_workers_ == 0) return;
  if (--running_workers_ == 0) {
    QApplication::restoreOverrideCursor();
    emit workers_idle();
  }
}

void MainWindow::open_in_browser(const Text& address) {
  // The result is not looked at: a page that cannot be opened passes silently.
  hooks_.open_url(QUrl(qstring_from_text(address)));
}

void MainWindow::apply(const BridgeCommand& command) {
  if (command.kind == BridgeCommand::Kind::worker_done) {
    worker_ended();
    return;
  }
  QWidget* widget = control(command.control);
  if (widget == nullptr) return;
  if (command.kind == BridgeCommand::Kind::set_visible) {
    widget->setVisible(command.visible);
    return;
  }
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    box->setPlainText(QString::fromStdString(lines_for_edit_box(command.utf8)));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(QString::fromStdString(command.utf8));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(QString::fromStdString(command.utf8));
  }
}

}  // namespace velkoran
