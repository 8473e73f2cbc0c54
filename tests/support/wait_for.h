// Runs the Qt event loop until `done` holds or `ms` milliseconds have passed, for tests that
// talk to a server and windows in the same process.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace korvel::testing {

inline bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace korvel::testing
