// A program a test starts as a child process, with its standard output read
// through a pipe: posix_spawn on Linux (child_process_posix.cpp),
// CreateProcessW on Windows (child_process_win32.cpp).
//
//   ChildProcess child(VELKORAN_PORTAL_SIM_PATH, {"--port", "0"});
//   ASSERT_TRUE(child.started());
//   const std::string line = child.read_line(20000);
//   ...
//   std::optional<int> status = child.wait_for_exit(20000);
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velkoran::testing {

class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
  // A child that still runs is ended by force, so that a failing test leaves
  // no process behind.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] bool started() const;
  // The system's id of the child process; 0 when it did not start.
  [[nodiscard]] long id() const;

  // The next line of the child's standard output, without its LF or CR LF.
  // What has come so far when `give_up_ms` pass or the output ends first.
  [[nodiscard]] std::string read_line(int give_up_ms);

  // The exit status once the child has ended; nullopt when it still runs
  // after `give_up_ms`, or (Linux) was ended by a signal.
  [[nodiscard]] std::optional<int> wait_for_exit(int give_up_ms);

 private:
  struct Process;
  std::unique_ptr<Process> process_;
};

}  // namespace velkoran::testing
