// Starting worker threads.
#pragma once

#include <functional>

namespace velkoran {

// Runs `routine` once on a new thread with the default stack size and does not
// wait for it; the thread is detached at once. False when no thread could be
// made (the routine then never runs).
[[nodiscard]] bool start_detached_thread(std::function<void()> routine);

}  // namespace velkoran
