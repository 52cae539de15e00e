// A hidden switch for demos and process-level tests: VELKORAN_DEMO_SCRIPT makes
// the program drive its own window, so it can be clicked through on a display
// nobody watches (Xvfb) or closed while a worker waits.
//
// Steps are separated by ";" or line breaks; each is a word and maybe an argument:
//   click NAME    click the button with that object name (按钮1, 按钮2)
//   press NAME    left mouse press on a visible control (透明标签1)
//   wait MS       let MS milliseconds pass (0 .. 600000)
//   idle          wait until no worker runs
//   shot PATH     save the window as a PNG file and print "screenshot: PATH"
//   wait-stdin    wait for a line (or the end) on standard input
//   close         close the window, which ends the program
//
//   VELKORAN_DEMO_SCRIPT="click 按钮1; idle; shot /tmp/v/init.png; close"
#pragma once

#include <QObject>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

namespace velkoran {

class MainWindow;

struct DemoStep {
  enum class Kind { click, press, wait, idle, shot, wait_stdin, close };
  Kind kind = Kind::idle;
  std::string argument;  // object name or path (UTF-8)
  int milliseconds = 0;

  friend bool operator==(const DemoStep&, const DemoStep&) = default;
};

struct DemoScript {
  std::vector<DemoStep> steps;
  std::string error;  // empty when the script is good; then names the bad step
};

[[nodiscard]] DemoScript parse_demo_script(std::string_view script);

// Runs the steps one after another on the GUI thread; deletes itself at the end.
class DemoRunner : public QObject {
  Q_OBJECT
 public:
  DemoRunner(MainWindow& window, std::vector<DemoStep> steps);
  void start();

 private:
  void next();
  void run(const DemoStep& step);
  void poll_idle();
  void read_stdin();

  MainWindow& window_;
  std::vector<DemoStep> steps_;
  std::size_t position_ = 0;
  QSocketNotifier* stdin_notifier_ = nullptr;
};

}  // namespace velkoran
