#include <windows.h>

#include <atomic>
#include <string>

#include "tools/stop_request.h"

namespace velkoran {
namespace {

// The event of the process `process_id`: ask_to_stop() finds it by this name.
std::wstring event_name(DWORD process_id) {
  return L"Local\\velkoran-portal-sim-stop-" + std::to_wstring(process_id);
}

// The event the console control handler sets; the handler runs on a thread
// of its own, so it reads it atomically.
std::atomic<HANDLE> console_stop_event{nullptr};

BOOL WINAPI on_console_event(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (const HANDLE stop = console_stop_event.load()) SetEvent(stop);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

struct StopRequest::Waiting {
  HANDLE event = nullptr;
};

StopRequest::StopRequest() : waiting_(std::make_unique<Waiting>()) {
  waiting_->event = CreateEventW(nullptr, /*bManualReset=*/TRUE, FALSE,
                                 event_name(GetCurrentProcessId()).c_str());
  console_stop_event = waiting_->event;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

StopRequest::~StopRequest() {
  SetConsoleCtrlHandler(on_console_event, FALSE);
  console_stop_event = nullptr;
  if (waiting_->event != nullptr) CloseHandle(waiting_->event);
}

void StopRequest::wait() {
  if (waiting_->event != nullptr) WaitForSingleObject(waiting_->event, INFINITE);
}

bool ask_to_stop(long process_id) {
  if (process_id <= 0) return false;
  const HANDLE event =
      OpenEventW(EVENT_MODIFY_STATE, FALSE, event_name(static_cast<DWORD>(process_id)).c_str());
  if (event == nullptr) return false;
  const bool set = SetEvent(event) != FALSE;
  CloseHandle(event);
  return set;
}

}  // namespace velkoran
