// Bounds that hold for every exchange, whatever the server sends: how much of
// a response is kept, and how long the whole exchange may take.
// http_request's reading loop keeps the body cap and the deadline while it
// reads, over any service; the libcurl service keeps all three in its own
// transfer.
//
//   if (body.size() > kMaxBodyBytes) ...            // the read fails with "713"
//   deadline = now + exchange_deadline_ms(30000);   // two minutes
#pragma once

#include <cstddef>
#include <cstdint>

namespace velkoran {

// The most body bytes one response may bring. The portal's pages are a few
// KB: a longer body is no page of the portal's, and reading on would let the
// server fill the memory. A longer body fails the read.
inline constexpr std::size_t kMaxBodyBytes = 16 * 1024 * 1024;

// The most bytes of one response's header lines, interim responses and
// trailers after a chunked body taken together. Past it the exchange fails
// in the phase it has reached.
inline constexpr std::size_t kMaxHeaderBytes = 256 * 1024;

// The whole exchange, from sending to the last body byte, may take at most
// this many time-outs: a server that keeps every single wait short (one byte
// now and then, an interim response now and then) still cannot hold the
// worker for ever.
inline constexpr int kDeadlineFactor = 4;

// The deadline of one exchange in milliseconds for the time-out `timeout_ms`;
// 0 (no deadline) when the time-out is 0 or less.
[[nodiscard]] constexpr std::int64_t exchange_deadline_ms(int timeout_ms) {
  return timeout_ms > 0 ? static_cast<std::int64_t>(timeout_ms) * kDeadlineFactor : 0;
}

}  // namespace velkoran
