#include <signal.h>
#include <sys/types.h>

#include "tools/stop_request.h"

namespace velkoran {

struct StopRequest::Waiting {
  sigset_t signals;
};

StopRequest::StopRequest() : waiting_(std::make_unique<Waiting>()) {
  // Blocked here, the stop signals reach the process only through sigwait.
  sigemptyset(&waiting_->signals);
  sigaddset(&waiting_->signals, SIGINT);
  sigaddset(&waiting_->signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &waiting_->signals, nullptr);
}

StopRequest::~StopRequest() = default;

void StopRequest::wait() {
  int received = 0;
  sigwait(&waiting_->signals, &received);
}

bool ask_to_stop(long process_id) {
  return process_id > 0 && ::kill(static_cast<pid_t>(process_id), SIGTERM) == 0;
}

}  // namespace velkoran
