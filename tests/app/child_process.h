// A child process for the program tests, started with posix_spawn.
//
// QProcess forks, which ThreadSanitizer does not allow in a process that
// already runs threads; posix_spawn does not have that problem. Standard output
// and error go to files, so a long report can never fill a pipe and stall the
// child.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <string_view>

namespace velkoran::testing {

// Variables for a child: the test's own environment, changed as needed.
class ChildEnvironment {
 public:
  ChildEnvironment();  // a copy of the current environment
  void set(const std::string& name, const std::string& value) { variables_[name] = value; }
  void unset(const std::string& name) { variables_.erase(name); }
  [[nodiscard]] const std::map<std::string, std::string>& variables() const { return variables_; }

 private:
  std::map<std::string, std::string> variables_;
};

class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();  // kills a child that still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` without arguments. False when it could not be started.
  [[nodiscard]] bool start(const std::string& program, const ChildEnvironment& environment);
  // Writes to the child's standard input.
  bool write_input(std::string_view bytes);
  // Waits until the child ends or `limit` passes; true when it ended.
  [[nodiscard]] bool wait_for_exit(std::chrono::milliseconds limit);

  [[nodiscard]] bool exited() const { return exited_; }
  // The exit status, or -1 when the child was ended by a signal.
  [[nodiscard]] int exit_code() const { return exit_code_; }
  [[nodiscard]] int signal() const { return signal_; }
  [[nodiscard]] std::string standard_output() const;
  [[nodiscard]] std::string standard_error() const;

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  bool exited_ = false;
  int exit_code_ = -1;
  int signal_ = 0;
  std::string output_path_;
  std::string error_path_;
};

}  // namespace velkoran::testing
