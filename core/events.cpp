#include "core/events.h"

namespace velkoran {
namespace {

thread_local PendingEventsHandler current_handler = nullptr;

}  // namespace

void set_pending_events_handler(PendingEventsHandler handler) { current_handler = handler; }

void process_pending_events() {
  if (current_handler != nullptr) current_handler();
}

}  // namespace velkoran
