// The run of computer turns: a position that comes back ends the game with the winner the
// checks since its first time name, a new run forgets the earlier positions, and level 4's
// search is given the turns of the run.
#include "play/computer_run.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvel {
namespace {

// Position `n` of a made-up game: one piece whose square tells the positions apart, and
// the seat to move.
GameState Position(int n, int seat, int level = 3) {
  GameState s;
  s.Board[1 + n % 9][1 + n / 9] = Code(SITA, HU);
  s.CurrentSeat = seat;
  s.Level = level;
  return s;
}

MoveOutcome Checking(int seat) {
  MoveOutcome o;
  o.checked = seat;
  return o;
}

// One turn of the run: the position before it, and what the turn did.
struct T {
  int position;
  int seat;
  enum { QUIET, CHECK, PASS, KING } did;
};

// Plays the turns, then answers what the run says at position `back`, with `seat` to move.
ComputerRun::Step RunThenComeBack(ComputerRun& run, const std::vector<T>& turns, int back,
                                  int seat) {
  for (const T& t : turns) {
    const ComputerRun::Step step = run.Before(Position(t.position, t.seat));
    EXPECT_FALSE(step.repeated) << "position " << t.position;
    EXPECT_EQ(step.seat, t.seat);
    const MoveOutcome quiet, check = Checking(NextSeat(t.seat));
    MoveOutcome king = check;
    king.kingTaken = true;
    run.After(step, t.did == T::PASS    ? nullptr
                    : t.did == T::CHECK ? &check
                    : t.did == T::KING  ? &king
                                        : &quiet);
  }
  return run.Before(Position(back, seat));
}

TEST(ComputerRun, APositionThatComesBackEndsTheGameWithTheWinnerTheChecksName) {
  struct Case {
    const char* name;
    std::vector<T> turns;
    int back;  // the position that comes back
    int winner;
  };
  const Case cases[] = {
      {"after one turn of each team, the first team checking",
       {{0, HIDARI, T::QUIET}, {1, UE, T::CHECK}}, 0, HIDARI},
      {"after four turns, the second team checking every time",
       {{0, SITA, T::QUIET}, {1, HIDARI, T::CHECK}, {2, UE, T::QUIET}, {3, MIGI, T::CHECK}}, 0,
       SITA},
      {"after four turns, nobody checking",
       {{0, SITA, T::QUIET}, {1, HIDARI, T::QUIET}, {2, UE, T::QUIET}, {3, MIGI, T::QUIET}}, 0,
       NO_SEAT},
      {"both teams checking every time",
       {{0, SITA, T::CHECK}, {1, HIDARI, T::CHECK}}, 0, NO_SEAT},
      {"only the turns since its first time count",
       {{0, SITA, T::QUIET}, {1, HIDARI, T::QUIET}, {2, UE, T::CHECK}, {3, MIGI, T::QUIET}}, 2,
       HIDARI},
      {"after a single turn nobody is to blame", {{3, MIGI, T::CHECK}}, 3, NO_SEAT},
      {"a pass gives no check", {{0, HIDARI, T::PASS}, {1, UE, T::CHECK}}, 0, HIDARI},
      {"a seat that passed among the checkers breaks the blame",
       {{0, UE, T::CHECK}, {1, HIDARI, T::QUIET}, {2, UE, T::PASS}}, 0, NO_SEAT},
      {"a king taken gives no check", {{0, UE, T::KING}, {1, HIDARI, T::CHECK}}, 0, SITA},
      {"the first team checking every time loses",
       {{5, SITA, T::CHECK}, {6, MIGI, T::QUIET}, {7, UE, T::CHECK}, {8, HIDARI, T::QUIET},
        {9, SITA, T::CHECK}},
       6, HIDARI},
  };
  for (const Case& c : cases) {
    ComputerRun run;
    // The position comes back with the same seat to move as its first time.
    int backSeat = NO_SEAT;
    for (const T& t : c.turns)
      if (t.position == c.back && backSeat == NO_SEAT) backSeat = t.seat;
    const std::size_t remembered = c.turns.size();
    const ComputerRun::Step step = RunThenComeBack(run, c.turns, c.back, backSeat);
    EXPECT_TRUE(step.repeated) << c.name;
    EXPECT_EQ(step.winner, c.winner) << c.name;
    EXPECT_EQ(run.Positions(), remembered) << c.name << ": a repeated position is not added";
  }
}

TEST(ComputerRun, OnlyTheSamePositionWithTheSameSeatToMoveComesBack) {
  ComputerRun run;
  const ComputerRun::Step other =
      RunThenComeBack(run, {{0, SITA, T::CHECK}, {1, HIDARI, T::QUIET}}, 0, UE);
  EXPECT_FALSE(other.repeated) << "the seat to move differs";
  EXPECT_EQ(other.seat, UE);
  EXPECT_FALSE(run.Before(Position(2, SITA)).repeated);
  EXPECT_EQ(run.Positions(), 4u);
}

// A person's move or a new game begins a new run: the positions of the run before it are
// forgotten, and so are its turns (level 4 weighs none of them).
TEST(ComputerRun, ANewRunForgetsTheEarlierPositionsAndTurns) {
  ComputerRun run;
  ASSERT_TRUE(RunThenComeBack(run, {{0, SITA, T::QUIET}, {1, HIDARI, T::CHECK}}, 0, SITA).repeated);
  run.Restart();
  EXPECT_EQ(run.Positions(), 0u);
  EXPECT_TRUE(run.History().empty());
  const ComputerRun::Step again = run.Before(Position(0, SITA));
  EXPECT_FALSE(again.repeated) << "the earlier run's position";
  run.After(again, nullptr);
  const ComputerRun::Step second = run.Before(Position(1, HIDARI));
  EXPECT_FALSE(second.repeated);
  run.After(second, nullptr);
  // Judged on the new run's turns only: nobody checked in it.
  const ComputerRun::Step back = run.Before(Position(0, SITA));
  EXPECT_TRUE(back.repeated);
  EXPECT_EQ(back.winner, NO_SEAT);
}

// A whole army each, so that level 4's board takes the position and keys it.
GameState Armies(int seat, int level) {
  GameState s;
  NewGameModel(s);
  s.CurrentSeat = seat;
  s.Level = level;
  return s;
}

TEST(ComputerRun, LevelFourIsGivenTheTurnsOfTheRunWithTheirKeys) {
  ComputerRun window;
  const GameState level3 = Armies(SITA, 3), level4 = Armies(HIDARI, 4);
  ASSERT_NE(DeepPositionKey(level4, HIDARI), 0u);
  ASSERT_NE(DeepPositionKey(level3, SITA), 0u);
  const ComputerRun::Step a = window.Before(level3);
  EXPECT_EQ(a.deepKey, 0u) << "below level 4 no key is needed";
  window.After(a, nullptr);
  const ComputerRun::Step b = window.Before(level4);
  EXPECT_EQ(b.deepKey, DeepPositionKey(level4, HIDARI));
  const MoveOutcome check = Checking(UE);
  window.After(b, &check);
  ASSERT_EQ(window.History().size(), 2u);
  EXPECT_EQ(window.History()[0].key, 0u);
  EXPECT_EQ(window.History()[0].seat, SITA);
  EXPECT_FALSE(window.History()[0].gaveCheck);
  EXPECT_EQ(window.History()[1].key, DeepPositionKey(level4, HIDARI));
  EXPECT_EQ(window.History()[1].seat, HIDARI);
  EXPECT_TRUE(window.History()[1].gaveCheck);

  // A match mixes levels: every turn carries its key.
  ComputerRun match(ComputerRun::DeepKeys::EVERY_TURN);
  EXPECT_EQ(match.Before(level3).deepKey, DeepPositionKey(level3, SITA));
}

}  // namespace
}  // namespace korvel
