// Servicing the calling thread's pending window-system messages.
//
// Worker threads have no message queue of their own, so by default
// process_pending_events() returns at once. A thread that owns an event queue
// may install a handler that dispatches what is already waiting on it.
#pragma once

namespace velkoran {

using PendingEventsHandler = void (*)();

// Installs `handler` for the calling thread only; nullptr removes it.
void set_pending_events_handler(PendingEventsHandler handler);

// Handles the messages already waiting for the calling thread, then returns.
void process_pending_events();

}  // namespace velkoran
