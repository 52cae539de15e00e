// Start-up: register the exit routine, show the window centred, run the event
// loop until the window closes, then end at once (running workers end with the
// process; whatever they would still have shown is lost).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/exit_routine.h"
#include "app/qt/demo_script.h"
#include "app/qt/display_check.h"
#include "app/qt/main_window.h"
#include "workflow/portal_state.h"
#include "workflow/workflow.h"

namespace velkoran {
namespace {

void release_portal_state(PortalState& state) { state.release(); }

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

int run(int argc, char** argv) {
  // Never destroyed: workers hold a reference to it until the process ends,
  // and the exit routine may run from std::exit after run() has returned.
  static PortalState& portal_state = *new PortalState;
  register_exit_routine([] { release_portal_state(portal_state); });

  // The start-up step reads no argument, file or setting and sends nothing.

  // Qt aborts with a platform error when it cannot reach a display; say so plainly.
  switch (check_display(environment("QT_QPA_PLATFORM"), environment("WAYLAND_DISPLAY"),
                        environment("DISPLAY"))) {
    case DisplayStatus::available:
      break;
    case DisplayStatus::none:
      std::fprintf(stderr,
                   "velkoran: no display (DISPLAY and WAYLAND_DISPLAY are empty); "
                   "scripts/run starts it under Xvfb\n");
      return 1;
    case DisplayStatus::unreachable:
      std::fprintf(stderr, "velkoran: the display %s does not answer (is its X server running?)\n",
                   std::string(environment("DISPLAY")).c_str());
      return 1;
  }

  DemoScript demo;
  if (const char* script = std::getenv("VELKORAN_DEMO_SCRIPT")) {
    demo = parse_demo_script(script);
    if (!demo.error.empty()) {
      std::fprintf(stderr, "velkoran: VELKORAN_DEMO_SCRIPT: %s\n", demo.error.c_str());
      return 2;
    }
  }

  QApplication application(argc, argv);
  MainWindow window(portal_state, hosts_from_environment());
  window.centre_on_screen();
  window.show();
  if (!demo.steps.empty()) (new DemoRunner(window, std::move(demo.steps)))->start();
  application.exec();
  // Ends here, before the window, the application and the portal state go out
  // of scope under workers that may still be running.
  end_program(0);
}

}  // namespace
}  // namespace velkoran

int main(int argc, char** argv) { return velkoran::run(argc, argv); }
