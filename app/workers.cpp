#include "app/workers.h"

#include <system_error>
#include <thread>

namespace velkoran {

bool start_detached_thread(std::function<void()> routine) {
  // std::thread reports a failure to create the thread by throwing; turn that
  // into a result at this library boundary.
  try {
    std::thread(std::move(routine)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace velkoran
