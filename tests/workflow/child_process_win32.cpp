#include <windows.h>

#include <chrono>
#include <thread>

#include "tests/workflow/child_process.h"

namespace velkoran::testing {
namespace {

std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// One word of a command line as the C runtime's argument parser reads it back.
void append_quoted(std::wstring& line, const std::wstring& word) {
  if (!line.empty()) line += L' ';
  if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) {
    line += word;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes double only before a quote.
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

struct ChildProcess::Process {
  PROCESS_INFORMATION info{};
  HANDLE output = nullptr;  // read end of the child's standard output
  bool ended = false;
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments)
    : process_(std::make_unique<Process>()) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);  // the child gets the write end only

  const std::wstring path = widen(program);
  std::wstring command_line;
  append_quoted(command_line, path);
  for (const std::string& argument : arguments) append_quoted(command_line, widen(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  const bool created = CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr,
                                      /*bInheritHandles=*/TRUE, 0, nullptr, nullptr, &startup,
                                      &process_->info) != FALSE;
  CloseHandle(write_end);
  if (!created) {
    CloseHandle(read_end);
    process_->info = {};
    return;
  }
  CloseHandle(process_->info.hThread);
  process_->info.hThread = nullptr;
  process_->output = read_end;
}

ChildProcess::~ChildProcess() {
  if (process_->info.hProcess != nullptr) {
    if (WaitForSingleObject(process_->info.hProcess, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process_->info.hProcess, 1);
      WaitForSingleObject(process_->info.hProcess, INFINITE);
    }
    CloseHandle(process_->info.hProcess);
  }
  if (process_->output != nullptr) CloseHandle(process_->output);
}

bool ChildProcess::started() const { return process_->info.hProcess != nullptr; }

long ChildProcess::id() const { return static_cast<long>(process_->info.dwProcessId); }

std::string ChildProcess::read_line(int give_up_ms) {
  std::string line;
  if (process_->output == nullptr) return line;
  // An anonymous pipe has no waitable read: look whether a byte is there, and
  // read only then, until the line ends, the output ends or the time is up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(give_up_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    DWORD available = 0;
    if (!PeekNamedPipe(process_->output, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    char c = 0;
    DWORD read = 0;
    if (!ReadFile(process_->output, &c, 1, &read, nullptr) || read != 1 || c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<int> ChildProcess::wait_for_exit(int give_up_ms) {
  if (process_->info.hProcess == nullptr || process_->ended) return std::nullopt;
  if (WaitForSingleObject(process_->info.hProcess, static_cast<DWORD>(give_up_ms)) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  process_->ended = true;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_->info.hProcess, &code)) return std::nullopt;
  return static_cast<int>(code);
}

}  // namespace velkoran::testing
