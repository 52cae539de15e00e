// Hostile servers on 127.0.0.1: whatever they send, one exchange keeps a
// bounded amount of the response and ends within its deadline, failing with
// the text of the phase it had reached.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "http/exchange_limits.h"
#include "http/http_request.h"
#include "http/http_texts.h"
#include "tests/support/raw_server.h"
#include "tests/support/wine.h"

namespace velkoran {
namespace {

using testing::http_response;
using testing::RawConnection;
using testing::RawServer;
using testing::running_under_wine;
using Clock = std::chrono::steady_clock;

// Sends `head`, then `piece` over and over until `total` bytes have gone or
// the peer has gone; closes after that. (A real hostile server never stops;
// this one stops far past every cap, so that a client without caps ends too.)
RawServer::Responder flood(std::string head, std::string piece, std::size_t total) {
  return [head = std::move(head), piece = std::move(piece), total](const std::string&,
                                                                   RawConnection& connection) {
    if (!connection.send(head)) return false;
    std::size_t sent = 0;
    while (sent < total && connection.send(piece)) sent += piece.size();
    return false;
  };
}

// Sends `head`, then one byte of `drip` after each `gap`, again and again,
// for at most `duration`.
RawServer::Responder trickle(std::string head, std::string drip, std::chrono::milliseconds gap,
                             std::chrono::milliseconds duration) {
  return [=](const std::string&, RawConnection& connection) {
    if (!connection.send(head)) return false;
    const Clock::time_point end = Clock::now() + duration;
    for (std::size_t i = 0; Clock::now() < end; ++i) {
      connection.pause(gap);
      if (!connection.send(drip.substr(i % drip.size(), 1))) return false;
    }
    return false;
  };
}

// What one exchange left behind in the out-parameters it was given.
struct Outcome {
  Text result;
  Text status;
  Text response_headers = "untouched";
  Bytes response_bytes = Bytes(std::string("untouched"));
  Clock::duration took{};
};

Outcome exchange_with(const RawServer& server, int timeout) {
  Outcome outcome;
  const Clock::time_point start = Clock::now();
  outcome.result =
      http_request(Text(server.base_url() + "/"), {.response_headers = &outcome.response_headers,
                                                   .timeout = timeout,
                                                   .status = &outcome.status,
                                                   .response_bytes = &outcome.response_bytes});
  outcome.took = Clock::now() - start;
  return outcome;
}

// A failed exchange: the failure text, an empty result, nothing else written.
void expect_failed(const Outcome& outcome, HttpFailure failure) {
  EXPECT_EQ(outcome.status.str(), failure_text(failure).str());
  EXPECT_TRUE(outcome.result.empty()) << outcome.result.size() << " bytes";
  EXPECT_EQ(outcome.response_headers.str(), "untouched");
  EXPECT_TRUE(outcome.response_bytes.str() == "untouched")
      << outcome.response_bytes.size() << " bytes";
}

constexpr std::size_t kFar = 4 * kMaxBodyBytes;  // how long a flood goes on
const std::string kPiece(64 * 1024, 'x');

TEST(LimitsTest, EndlessBodyFailsAtTheCap) {
  RawServer server(flood("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", kPiece, kFar));
  expect_failed(exchange_with(server, 5), HttpFailure::kReadData);
}

TEST(LimitsTest, BodyUpToTheCapIsReadAndOneByteMoreFails) {
  const std::string page(kMaxBodyBytes, 'p');
  RawServer whole(testing::reply_with(http_response("200 OK", "", page)));
  const Outcome read = exchange_with(whole, 5);
  EXPECT_EQ(read.status.str(), "200 OK");
  EXPECT_EQ(read.response_bytes.size(), kMaxBodyBytes);
  EXPECT_EQ(read.result.size(), kMaxBodyBytes);

  RawServer longer(testing::reply_with(http_response("200 OK", "", page + "p")));
  expect_failed(exchange_with(longer, 5), HttpFailure::kReadData);
}

// Wine's WinHTTP keeps no cap of its own on the header block: it reads header
// lines for as long as they come (here until the server stops, 16 caps on)
// and answers with them. It takes a 102 for the final response and reads
// what follows as its body, up to the body's cap. It does not read the
// trailers after a chunked body at all, and answers with the body. (On
// Windows the header block is bounded by WinHTTP's own limit; not measured
// here.)
TEST(LimitsTest, EndlessHeadersOrTrailersFailInTheirPhase) {
  const std::string line = "X-Filler: " + std::string(1000, 'h') + "\r\n";
  const std::string interim = "HTTP/1.1 102 Processing\r\n" + line + "\r\n";
  const std::string kWineRead = "200 OK";
  const struct {
    const char* name;
    std::string head;
    std::string piece;
    HttpFailure failure;
    std::string under_wine;  // Wine's status, where it differs
  } cases[] = {
      {"header lines", "HTTP/1.1 200 OK\r\n", line, HttpFailure::kReceive, kWineRead},
      {"interim responses", "", interim, HttpFailure::kReceive,
       failure_text(HttpFailure::kReadData).str()},
      {"trailers after a chunked body",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
       "5\r\nhello\r\n0\r\n",
       line, HttpFailure::kReadData, kWineRead},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Far past the cap that is to stop the flood.
    const std::size_t total = c.piece == interim ? kFar : 16 * kMaxHeaderBytes;
    RawServer server(flood(c.head, c.piece, total));
    const Outcome outcome = exchange_with(server, 5);
    if (running_under_wine() && c.under_wine == kWineRead) {
      EXPECT_EQ(outcome.status.str(), c.under_wine);
      continue;
    }
    expect_failed(outcome, running_under_wine() ? HttpFailure::kReadData : c.failure);
  }
}

// With a time-out of 1 s the whole exchange may take 4 s; every server below
// keeps each wait shorter than the time-out and would go on for 20 s.
//
// Wine's WinHTTP reads a header block that keeps coming for as long as it
// comes (there the server stops after 6 s, to keep the run short) and then
// fails reading; it takes a 102 for the final response and its successors
// for the body, which then meets the deadline while reading. (Windows is not
// measured here.)
TEST(LimitsTest, ServerThatKeepsEveryWaitShortMeetsTheDeadline) {
  const auto gap = std::chrono::milliseconds(300);
  const auto duration = running_under_wine() ? std::chrono::seconds(6) : std::chrono::seconds(20);
  const struct {
    const char* name;
    std::string head;
    std::string drip;
    HttpFailure failure;
  } cases[] = {
      {"body byte by byte", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", "b",
       HttpFailure::kReadData},
      {"header block byte by byte", "HTTP/1.1 200 OK\r\nX-Slow: ", "s", HttpFailure::kReceive},
      {"an interim response now and then", "", "HTTP/1.1 102 Processing\r\n\r\n",
       HttpFailure::kReceive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawServer server(c.drip.size() == 1 ? trickle(c.head, c.drip, gap, duration)
                                        : [&](const std::string&, RawConnection& connection) {
                                            const Clock::time_point end = Clock::now() + duration;
                                            while (Clock::now() < end && connection.send(c.drip)) {
                                              connection.pause(gap);
                                            }
                                            return false;
                                          });
    const Outcome outcome = exchange_with(server, 1);
    expect_failed(outcome, running_under_wine() ? HttpFailure::kReadData : c.failure);
    EXPECT_LT(outcome.took, std::chrono::seconds(12));
  }
}

// Each received byte counts as activity: a header block that comes slowly but
// steadily, longer in all than the time-out, is read.
TEST(LimitsTest, SlowButMovingHeaderBlockIsRead) {
  const std::string response = http_response("200 OK", "X-Slow: 0123456789\r\n", "ok");
  RawServer server([&](const std::string&, RawConnection& connection) {
    const std::size_t slow_end = response.find("\r\nContent-Length");
    connection.send(response.substr(0, 17));  // the status line
    for (std::size_t i = 17; i < slow_end; ++i) {
      connection.pause(std::chrono::milliseconds(100));
      connection.send(response.substr(i, 1));
    }
    connection.send(response.substr(slow_end));
    return false;
  });
  const Outcome outcome = exchange_with(server, 1);
  EXPECT_EQ(outcome.status.str(), "200 OK");
  EXPECT_EQ(outcome.result.str(), "ok");
}

}  // namespace
}  // namespace velkoran
