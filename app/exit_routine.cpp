#include "app/exit_routine.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace velkoran {
namespace {

struct ExitState {
  std::mutex mutex;
  std::function<void()> routine;
  bool ran = false;
  bool hooked = false;
};

ExitState& exit_state() {
  // Never destroyed: std::exit may run the hook after other statics are gone.
  static auto* state = new ExitState;
  return *state;
}

void run_at_exit() { run_exit_routine(); }

}  // namespace

void register_exit_routine(std::function<void()> routine) {
  ExitState& state = exit_state();
  std::lock_guard lock(state.mutex);
  state.routine = std::move(routine);
  state.ran = false;
  if (!state.hooked) {
    state.hooked = std::atexit(run_at_exit) == 0;
  }
}

void run_exit_routine() {
  ExitState& state = exit_state();
  std::function<void()> routine;
  {
    std::lock_guard lock(state.mutex);
    if (state.ran) return;
    state.ran = true;
    routine = std::move(state.routine);
    state.routine = nullptr;
  }
  if (routine) routine();
}

void end_program(int status) {
  run_exit_routine();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}

}  // namespace velkoran
