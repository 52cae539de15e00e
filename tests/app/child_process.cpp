#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace velkoran::testing {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string temporary_file(const char* stem) {
  std::string pattern = std::string("/tmp/velkoran-") + stem + "-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd >= 0) close(fd);
  return pattern;
}

}  // namespace

ChildEnvironment::ChildEnvironment() {
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view line(*entry);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    variables_[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
  }
}

ChildProcess::ChildProcess()
    : output_path_(temporary_file("stdout")), error_path_(temporary_file("stderr")) {}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (input_ >= 0) close(input_);
  unlink(output_path_.c_str());
  unlink(error_path_.c_str());
}

bool ChildProcess::start(const std::string& program, const ChildEnvironment& environment) {
  int input_pipe[2];
  if (pipe2(input_pipe, O_CLOEXEC) != 0) return false;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input_pipe[0], STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_path_.c_str(),
                                   O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_path_.c_str(), O_WRONLY | O_TRUNC,
                                   0);

  std::vector<std::string> lines;
  for (const auto& [name, value] : environment.variables()) lines.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& line : lines) envp.push_back(line.data());
  envp.push_back(nullptr);
  std::string path = program;
  char* argv[] = {path.data(), nullptr};

  const int failed = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(input_pipe[0]);
  if (failed != 0) {
    close(input_pipe[1]);
    pid_ = -1;
    return false;
  }
  input_ = input_pipe[1];
  // A child that ends without reading its input must not kill the test with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

bool ChildProcess::write_input(std::string_view bytes) {
  if (input_ < 0) return false;
  return write(input_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool ChildProcess::wait_for_exit(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return false;
  if (exited_) return true;
  const auto give_up = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exited_ = true;
      if (WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
      if (WIFSIGNALED(status)) signal_ = WTERMSIG(status);
      return true;
    }
    if (done < 0 || std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string ChildProcess::standard_output() const { return read_file(output_path_); }
std::string ChildProcess::standard_error() const { return read_file(error_path_); }

}  // namespace velkoran::testing
