// Start-up: register the exit routine, show the window centred, run the event
// loop until the window closes, then end at once (running workers end with the
// process; whatever they would still have shown is lost).
#include <windows.h>

#include "app/exit_routine.h"
#include "app/win32/main_window.h"
#include "workflow/portal_state.h"
#include "workflow/workflow.h"

namespace velkoran {
namespace {

void release_portal_state(PortalState& state) { state.release(); }

int run(int show) {
  // Never destroyed: workers hold a reference to it until the process ends.
  static PortalState& portal_state = *new PortalState;
  register_exit_routine([] { release_portal_state(portal_state); });

  // The start-up step reads no argument, file or setting and sends nothing.

  prepare_window_thread();
  MainWindow window(portal_state, hosts_from_environment());
  if (window.handle() == nullptr) end_program(1);
  ShowWindow(window.handle(), show);
  UpdateWindow(window.handle());

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatch_message(window, message);
  // The window is gone. End here, before the window and the portal state go
  // out of scope under workers that may still be running.
  end_program(0);
}

}  // namespace
}  // namespace velkoran

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) { return velkoran::run(show); }
