// The routine that runs once when the program ends, and the way the program ends.
//
// Worker threads may still be blocked on the network when the window closes.
// The program therefore never returns from main or destroys its globals while
// they run: end_program() runs the exit routine, flushes the standard streams
// and ends the process at once, taking the workers with it.
#pragma once

#include <functional>

namespace velkoran {

// Registers `routine` as the exit routine. It also runs if the process ends
// through std::exit (a toolkit that gives up, for example), but at most once.
void register_exit_routine(std::function<void()> routine);

// Runs the registered exit routine unless it has run already.
void run_exit_routine();

// Runs the exit routine, flushes stdout and stderr, and ends the process with
// `status` without running destructors of globals or waiting for threads.
[[noreturn]] void end_program(int status);

}  // namespace velkoran
