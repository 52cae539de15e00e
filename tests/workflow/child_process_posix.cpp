#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/workflow/child_process.h"

extern char** environ;

namespace velkoran::testing {

struct ChildProcess::Process {
  pid_t pid = 0;
  int output = -1;  // read end of the child's standard output
  bool reaped = false;
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments)
    : process_(std::make_unique<Process>()) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const bool spawned =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (!spawned) {
    ::close(pipe_ends[0]);
    return;
  }
  process_->pid = pid;
  process_->output = pipe_ends[0];
}

ChildProcess::~ChildProcess() {
  if (process_->pid > 0 && !process_->reaped) {
    ::kill(process_->pid, SIGKILL);
    ::waitpid(process_->pid, nullptr, 0);
  }
  if (process_->output >= 0) ::close(process_->output);
}

bool ChildProcess::started() const { return process_->pid > 0; }

long ChildProcess::id() const { return process_->pid; }

std::string ChildProcess::read_line(int give_up_ms) {
  std::string line;
  if (process_->output < 0) return line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(give_up_ms);
  pollfd fd{.fd = process_->output, .events = POLLIN, .revents = 0};
  char c = 0;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
    if (::read(process_->output, &c, 1) != 1 || c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<int> ChildProcess::wait_for_exit(int give_up_ms) {
  if (process_->pid <= 0 || process_->reaped) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(give_up_ms);
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(process_->pid, &status, WNOHANG);
    if (done == process_->pid) break;
    if (done < 0 || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  process_->reaped = true;
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

}  // namespace velkoran::testing
