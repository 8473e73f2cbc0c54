// The deeper computer thinks on a thread of its own: the window goes on handling its
// events, and closing it stops the thinking at once.
#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>
#include <thread>

#include "shell/qt_ports.h"

namespace korvel {
namespace {

using namespace std::chrono_literals;

TEST(ThinkingApart, TheWindowRunsItsEventsAndACloseStopsTheThinking) {
  QtHost host(nullptr);
  bool timerRan = false;
  QTimer::singleShot(20, [&] { timerRan = true; });
  QTimer::singleShot(80, [&] { host.StopThinking(); });
  bool sawStop = false;
  const double seconds = host.Think([&](const std::atomic<bool>& stop) {
    while (!stop) std::this_thread::sleep_for(1ms);
    sawStop = true;
  });
  EXPECT_TRUE(timerRan) << "the event loop ran while the thinking went on";
  EXPECT_TRUE(sawStop);
  EXPECT_LT(seconds, QtHost::kThinkCap);

  // After the close every later thinking is cut short at once.
  bool stoppedAtStart = false;
  host.Think([&](const std::atomic<bool>& stop) { stoppedAtStart = stop.load(); });
  EXPECT_TRUE(stoppedAtStart);
}

TEST(ThinkingApart, AShortThinkingIsNotStoppedAndTellsItsTime) {
  QtHost host(nullptr);
  bool stopped = true;
  const double seconds = host.Think([&](const std::atomic<bool>& stop) {
    std::this_thread::sleep_for(30ms);
    stopped = stop.load();
  });
  EXPECT_FALSE(stopped);
  EXPECT_GE(seconds, 0.025);
}

}  // namespace
}  // namespace korvel
