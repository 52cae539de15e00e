// The calling thread's object apartment: entered by every RegexObject on
// construction and left by its destroy(), and by the charset step of a request.
//
//   enter_apartment();
//   ...                      // apartment_depth() is one more than before
//   leave_apartment();
//
// This platform has no component library to initialise, so the apartment is
// only a per-thread count; it keeps the enter/leave pairing checkable.
#pragma once

namespace velkoran {

// Counts one more entry for the calling thread.
void enter_apartment();
// Counts one entry less; a leave without an entry does nothing.
void leave_apartment();
// Entries the calling thread has not left yet.
[[nodiscard]] int apartment_depth();

}  // namespace velkoran
