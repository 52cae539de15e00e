// How velkoran-portal-sim is asked to stop, the way each platform asks a
// console program:
// - Linux (stop_request_posix.cpp): SIGINT or SIGTERM;
// - Windows (stop_request_win32.cpp): Ctrl+C, Ctrl+Break or closing its
//   console, or ask_to_stop() from another process, which sets an event named
//   after the process id (Windows has no signal another process could send).
//
//   StopRequest stop;     // before any thread starts
//   ...                   // serve
//   stop.wait();          // returns once asked to stop
#pragma once

#include <memory>

namespace velkoran {

class StopRequest {
 public:
  // Takes the stop requests of this process over from their default action
  // (ending the process). On Linux it has to come before any thread starts,
  // since threads inherit the blocked signals from their creator.
  StopRequest();
  ~StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Blocks until a stop request arrives.
  void wait();

 private:
  struct Waiting;
  std::unique_ptr<Waiting> waiting_;
};

// Asks the process `process_id`, waiting in StopRequest::wait(), to stop.
// False when the request could not be delivered (no such process, or one that
// takes no requests).
[[nodiscard]] bool ask_to_stop(long process_id);

}  // namespace velkoran
