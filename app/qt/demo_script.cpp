#include "app/qt/demo_script.h"

#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "app/qt/main_window.h"

namespace velkoran {
namespace {

constexpr int longest_wait_ms = 600000;
constexpr int idle_poll_ms = 50;

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

struct Keyword {
  std::string_view word;
  DemoStep::Kind kind;
  bool takes_argument;
};

constexpr Keyword keywords[] = {
    {"click", DemoStep::Kind::click, true},  {"press", DemoStep::Kind::press, true},
    {"wait", DemoStep::Kind::wait, true},    {"idle", DemoStep::Kind::idle, false},
    {"shot", DemoStep::Kind::shot, true},    {"wait-stdin", DemoStep::Kind::wait_stdin, false},
    {"close", DemoStep::Kind::close, false},
};

// Parses one non-empty step; an error text on failure.
std::string parse_step(std::string_view text, DemoStep& step) {
  const std::size_t gap = text.find_first_of(" \t");
  const std::string_view word = text.substr(0, gap);
  const std::string_view argument =
      gap == std::string_view::npos ? std::string_view() : trimmed(text.substr(gap));
  for (const Keyword& keyword : keywords) {
    if (keyword.word != word) continue;
    if (keyword.takes_argument && argument.empty()) {
      return "step '" + std::string(word) + "' needs an argument";
    }
    if (!keyword.takes_argument && !argument.empty()) {
      return "step '" + std::string(word) + "' takes no argument";
    }
    step.kind = keyword.kind;
    if (keyword.kind == DemoStep::Kind::wait) {
      int ms = -1;
      const auto [end, error] =
          std::from_chars(argument.data(), argument.data() + argument.size(), ms);
      if (error != std::errc() || end != argument.data() + argument.size() || ms < 0 ||
          ms > longest_wait_ms) {
        return "wait needs a number of milliseconds from 0 to 600000, not '" +
               std::string(argument) + "'";
      }
      step.milliseconds = ms;
    } else {
      step.argument = std::string(argument);
    }
    return {};
  }
  return "unknown step '" + std::string(word) + "'";
}

}  // namespace

DemoScript parse_demo_script(std::string_view script) {
  DemoScript result;
  while (!script.empty()) {
    const std::size_t end = script.find_first_of(";\n");
    const std::string_view text = trimmed(script.substr(0, end));
    script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
    if (text.empty()) continue;
    DemoStep step;
    std::string error = parse_step(text, step);
    if (!error.empty()) {
      result.steps.clear();
      result.error = std::move(error);
      return result;
    }
    result.steps.push_back(std::move(step));
  }
  return result;
}

DemoRunner::DemoRunner(MainWindow& window, std::vector<DemoStep> steps)
    : QObject(&window), window_(window), steps_(std::move(steps)) {}

void DemoRunner::start() { QTimer::singleShot(0, this, &DemoRunner::next); }

void DemoRunner::next() {
  if (position_ >= steps_.size()) {
    deleteLater();
    return;
  }
  run(steps_[position_++]);
}

void DemoRunner::run(const DemoStep& step) {
  const QString name = QString::fromStdString(step.argument);
  switch (step.kind) {
    case DemoStep::Kind::click: {
      auto* button = window_.findChild<QAbstractButton*>(name);
      if (button == nullptr) std::fprintf(stderr, "demo: no button '%s'\n", step.argument.c_str());
      if (button != nullptr) button->click();
      QTimer::singleShot(0, this, &DemoRunner::next);
      return;
    }
    case DemoStep::Kind::press: {
      auto* widget = window_.findChild<QWidget*>(name);
      // A hidden control receives no mouse events.
      if (widget != nullptr && widget->isVisible()) {
        const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
        QMouseEvent event(QEvent::MouseButtonPress, inside, widget->mapToGlobal(inside),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
      }
      QTimer::singleShot(0, this, &DemoRunner::next);
      return;
    }
    case DemoStep::Kind::wait:
      QTimer::singleShot(step.milliseconds, this, &DemoRunner::next);
      return;
    case DemoStep::Kind::idle:
      poll_idle();
      return;
    case DemoStep::Kind::shot:
      if (window_.grab().save(name, "PNG")) {
        std::printf("screenshot: %s\n", step.argument.c_str());
      } else {
        std::fprintf(stderr, "demo: could not save '%s'\n", step.argument.c_str());
      }
      std::fflush(stdout);
      QTimer::singleShot(0, this, &DemoRunner::next);
      return;
    case DemoStep::Kind::wait_stdin:
      stdin_notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
      connect(stdin_notifier_, &QSocketNotifier::activated, this, &DemoRunner::read_stdin);
      return;
    case DemoStep::Kind::close:
      window_.close();
      QTimer::singleShot(0, this, &DemoRunner::next);
      return;
  }
}

void DemoRunner::poll_idle() {
  if (window_.running_workers() == 0) {
    QTimer::singleShot(0, this, &DemoRunner::next);
  } else {
    QTimer::singleShot(idle_poll_ms, this, &DemoRunner::poll_idle);
  }
}

void DemoRunner::read_stdin() {
  // The notifier fired, so one read does not block.
  char buffer[256];
  const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
  const bool line_or_end =
      got <= 0 ||
      std::string_view(buffer, static_cast<std::size_t>(got)).find('\n') != std::string_view::npos;
  if (!line_or_end) return;
  stdin_notifier_->setEnabled(false);
  stdin_notifier_->deleteLater();
  stdin_notifier_ = nullptr;
  QTimer::singleShot(0, this, &DemoRunner::next);
}

}  // namespace velkoran
