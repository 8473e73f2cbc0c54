// The clock model: main time spent turn by turn, 秒読み afresh every turn once it is
// spent, running out, standing still, and a copy that follows another clock.
#include "play/clock.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

constexpr int NONE = -1;

SeatClocks TenSecondsAndFive() { return SeatClocks(GameTimeControl::Every({10'000, 5'000})); }

TEST(SeatClocks, MainTimeIsSpentAndByoyomiComesAfreshEachTurn) {
  SeatClocks c = TenSecondsAndFive();
  c.TurnTo(1, 0);
  EXPECT_EQ(c.Running(), 1);
  EXPECT_EQ(c.LeftAt(1, 4'000).mainMs, 6'000);
  EXPECT_EQ(c.LeftAt(1, 4'000).byoyomiMs, 5'000);
  EXPECT_EQ(c.LeftAt(2, 4'000).mainMs, 10'000);  // only the running seat's time goes
  c.TurnTo(2, 4'000);
  EXPECT_EQ(c.LeftAt(1, 100'000).mainMs, 6'000);  // charged once, then it stands

  // Seat 2 spends its main time and three seconds of its 秒読み.
  EXPECT_EQ(c.LeftAt(2, 17'000).mainMs, 0);
  EXPECT_EQ(c.LeftAt(2, 17'000).byoyomiMs, 2'000);
  EXPECT_EQ(c.OutOfTime(17'000), NONE);
  c.TurnTo(3, 17'000);
  // Its next turn has the whole 秒読み again, and only that.
  c.TurnTo(2, 20'000);
  EXPECT_EQ(c.LeftAt(2, 20'000).mainMs, 0);
  EXPECT_EQ(c.LeftAt(2, 20'000).byoyomiMs, 5'000);
  EXPECT_EQ(c.LeftAt(2, 24'999).byoyomiMs, 1);
  EXPECT_EQ(c.OutOfTime(24'999), NONE);
  EXPECT_EQ(c.OutOfTime(25'000), 2);
  EXPECT_EQ(c.Deadline(), 25'000);

  // The same seat again (the others passed) is a new turn too.
  c.TurnTo(2, 24'000);
  EXPECT_EQ(c.LeftAt(2, 28'000).byoyomiMs, 1'000);
  // Stopped with its time run out, it shows nothing left (not a fresh 秒読み).
  c.Stop(29'500);
  EXPECT_EQ(c.LeftAt(2, 30'000).byoyomiMs, 0);
  EXPECT_EQ(c.LeftAt(3, 30'000).byoyomiMs, 5'000);
}

TEST(SeatClocks, RunningOutWithoutByoyomiAndSeatsWithoutALimit) {
  GameTimeControl g;
  g.seat[1] = {3'000, 0};  // sudden death for 下 alone
  SeatClocks c(g);
  c.TurnTo(2, 0);  // 左 has no clock: nothing runs
  EXPECT_EQ(c.Running(), NONE);
  EXPECT_EQ(c.OutOfTime(1'000'000), NONE);
  EXPECT_FALSE(c.Deadline());
  c.TurnTo(1, 1'000);
  EXPECT_EQ(c.Deadline(), 4'000);
  EXPECT_EQ(c.OutOfTime(3'999), NONE);
  EXPECT_EQ(c.OutOfTime(4'000), 1);
  // A turn ended by the game (Stop) charges what it spent and runs nothing after.
  c.Stop(2'500);
  EXPECT_EQ(c.LeftAt(1, 9'000).mainMs, 1'500);
  EXPECT_EQ(c.OutOfTime(9'000), NONE);
  // Time that goes backwards spends nothing.
  c.TurnTo(1, 5'000);
  EXPECT_EQ(c.LeftAt(1, 4'000).mainMs, 1'500);
}

TEST(SeatClocks, PausedForTheEndQuestionAndGoingOnAfterIt) {
  SeatClocks c = TenSecondsAndFive();
  c.TurnTo(3, 0);
  c.Pause(8'000);  // a question that is no part of the turn
  EXPECT_TRUE(c.Paused());
  EXPECT_FALSE(c.Deadline());
  EXPECT_EQ(c.LeftAt(3, 500'000).mainMs, 2'000);
  EXPECT_EQ(c.OutOfTime(500'000), NONE);
  c.Pause(9'000);  // a second pause changes nothing
  c.Resume(600'000);
  EXPECT_EQ(c.Running(), 3);
  EXPECT_EQ(c.LeftAt(3, 603'000).mainMs, 0);
  // The 秒読み of the turn is what the turn spent past the main time, across the pause.
  EXPECT_EQ(c.LeftAt(3, 603'000).byoyomiMs, 4'000);
  EXPECT_EQ(c.Deadline(), 607'000);
  EXPECT_EQ(c.OutOfTime(607'000), 3);
  c.Resume(700'000);  // resuming a clock that runs changes nothing
  EXPECT_EQ(c.OutOfTime(606'999), NONE);
}

TEST(SeatClocks, ACopyFollowsTheAuthoritysTimes) {
  SeatClocks c = TenSecondsAndFive();
  c.TurnTo(2, 1'000);
  c.Follow(1, {7'000, 5'000});
  c.Follow(2, {0, 3'000});  // the running seat is 2 s into its 秒読み
  EXPECT_EQ(c.LeftAt(1, 50'000).mainMs, 7'000);
  EXPECT_EQ(c.LeftAt(2, 1'000).byoyomiMs, 3'000);
  EXPECT_EQ(c.LeftAt(2, 2'500).byoyomiMs, 1'500);
  EXPECT_EQ(c.Deadline(), 4'000);
  c.Follow(0, {1, 1});  // no seat: nothing
  c.Follow(3, {-5, 0});
  EXPECT_EQ(c.LeftAt(3, 0).mainMs, 0);
}

TEST(SeatClocks, ControlsAndTheClocksText) {
  EXPECT_FALSE(GameTimeControl{}.On());
  GameTimeControl g;
  g.seat[4] = {0, 1'000};
  EXPECT_TRUE(g.On());
  EXPECT_EQ(GameTimeControl::Every({1, 2}).seat[3], (TimeControl{1, 2}));
  EXPECT_EQ(ClockText(600'000), "10:00");
  EXPECT_EQ(ClockText(59'001), "1:00");  // rounded up: 0:00 is the moment it runs out
  EXPECT_EQ(ClockText(1), "0:01");
  EXPECT_EQ(ClockText(0), "0:00");
  EXPECT_EQ(ClockText(-3), "0:00");
  EXPECT_EQ(ClockText(3'723'000), "1:02:03");
}

}  // namespace
}  // namespace korvel
