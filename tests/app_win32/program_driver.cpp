#include "program_driver.h"

#include <thread>

#include "app/win32/control_table.h"

namespace velkoran::testing {
namespace {

constexpr wchar_t program_caption[] = L"Velkoran by:Tressin";
// A window that does not answer within this time is taken as hung.
constexpr UINT message_timeout_ms = 5000;

std::wstring program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

template <typename Done>
bool poll_until(Done done, std::chrono::milliseconds limit) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The environment block: this process's variables, `overrides` replacing any
// of the same name (names compare without regard to case, as Windows does).
std::wstring environment_block(const ChildProcess::Environment& overrides) {
  std::vector<std::wstring> entries;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
      entries.emplace_back(entry);
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& [name, value] : overrides) {
    std::erase_if(entries, [&](const std::wstring& entry) {
      // "=C:" style entries start with '='; a name never does.
      const std::size_t equals = entry.find(L'=', 1);
      return equals == name.size() && _wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0;
    });
    entries.push_back(name + L"=" + value);
  }
  std::wstring block;
  for (const std::wstring& entry : entries) block += entry + L'\0';
  block += L'\0';
  return block;
}

}  // namespace

std::wstring velkoran_exe_path() { return program_folder() + VELKORAN_EXE_FROM_TESTS; }

ChildProcess::~ChildProcess() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool ChildProcess::start(const std::wstring& program, const Environment& overrides) {
  std::wstring command_line = L"\"" + program + L"\"";
  std::wstring environment = environment_block(overrides);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                      &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  id_ = started.dwProcessId;
  return true;
}

bool ChildProcess::wait_for_exit(std::chrono::milliseconds limit) {
  return process_ &&
         WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

DWORD ChildProcess::exit_code() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_.get(), &code);
  return code;
}

std::optional<ProgramWindow> ProgramWindow::find(DWORD process_id,
                                                 std::chrono::milliseconds limit) {
  struct Search {
    DWORD process_id;
    HWND found;
  } search{process_id, nullptr};
  const auto look = [&] {
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
          auto* s = reinterpret_cast<Search*>(context);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (s->process_id != 0 && owner != s->process_id) return TRUE;
          if (!IsWindowVisible(window)) return TRUE;
          wchar_t caption[64] = {};
          GetWindowTextW(window, caption, 64);
          if (wcscmp(caption, program_caption) != 0) return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  };
  if (!poll_until(look, limit)) return std::nullopt;
  return ProgramWindow(search.found);
}

HWND ProgramWindow::control(Control control) const {
  return GetDlgItem(window_, control_spec(control).id);
}

std::wstring ProgramWindow::text(Control control) const {
  HWND child = this->control(control);
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(child, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, message_timeout_ms,
                           &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, message_timeout_ms, &copied);
  text.resize(copied);
  return text;
}

bool ProgramWindow::visible(Control control) const {
  return IsWindowVisible(this->control(control)) != FALSE;
}

void ProgramWindow::click(Control control) const {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(this->control(control), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, message_timeout_ms,
                      &ignored);
}

bool ProgramWindow::wait_for_text(Control control, const std::wstring& text,
                                  std::chrono::milliseconds limit) const {
  return poll_until([&] { return this->text(control) == text; }, limit);
}

bool ProgramWindow::wait_for_change(Control control, const std::wstring& text,
                                    std::chrono::milliseconds limit) const {
  return poll_until([&] { return exists() && this->text(control) != text; }, limit);
}

void ProgramWindow::close() const { PostMessageW(window_, WM_CLOSE, 0, 0); }

std::optional<Control> control_named(const std::wstring& name) {
  for (const ControlSpec& spec : control_specs()) {
    const std::string utf8 = spec.name;
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(
                          CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        static_cast<int>(wide.size()));
    if (wide == name) return spec.control;
  }
  return std::nullopt;
}

}  // namespace velkoran::testing
