// A bare TCP client for the simulator tests, so that they control every byte
// a request carries: POSIX sockets on Linux (raw_client_posix.cpp), Winsock
// on Windows (raw_client_win32.cpp).
#pragma once

#include <string>

namespace velkoran::testing {

// Sends `request` to 127.0.0.1:`port` over a fresh connection and returns all
// that arrives until the server closes it. With `half_close` the sending side
// is shut after the request, as by a client that has nothing more to say. Gives
// up when nothing arrives for `give_up_ms` (a guard against a hang, not a time
// limit under test); an empty text when no connection could be made.
[[nodiscard]] std::string raw_exchange(int port, const std::string& request, bool half_close,
                                       int give_up_ms);

}  // namespace velkoran::testing
