// Helpers shared by the window tests.
#pragma once

#include <QString>
#include <QTest>
#include <chrono>

namespace velkoran::testing {

// Runs the event loop until `done()` holds or `limit` has passed; the result of
// the last check. The limit only guards against a hang.
template <typename Done>
bool wait_until(Done done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return done();
    QTest::qWait(10);
  }
  return true;
}

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace velkoran::testing
