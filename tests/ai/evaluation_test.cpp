#include "ai/evaluation.h"

#include <gtest/gtest.h>

#include "ai_positions.h"

namespace korvel {
namespace {

using testing::Parked;
using testing::Relocate;
using testing::ScoreCandidate;

// A SITA gold one row up to an empty, unattacked square, giving no check.
TEST(EvaluateMove, QuietGoldStepScoresTheWorkedExamplesExactly) {
  for (int level = 1; level <= 3; ++level) {
    GameState s = Parked(SITA, level);
    s.Board[3][7] = 13_pc;
    EXPECT_EQ(ScoreCandidate(s, 3, 7, 3, 6, 13_pc), -8.9) << "level " << level;
    // The same move away from a square MIGI's pawn attacked before the move.
    s.Board[4][7] = 41_pc;
    EXPECT_EQ(ScoreCandidate(s, 3, 7, 3, 6, 13_pc), 16.1) << "level " << level;
  }
}

// The 0.1 for a step forward, drops measured from the hand cell.
TEST(EvaluateMove, ForwardStepPerSeat) {
  struct Case {
    int seat, fx, fy, tx, ty;
    PieceCode piece;
    double expected;
  } cases[] = {
      {SITA, 3, 7, 3, 6, 13_pc, -8.9},    // one row up
      {SITA, 3, 7, 3, 8, 13_pc, -9},      // one row down
      {SITA, 3, 7, 2, 7, 13_pc, -9},      // sideways
      {HIDARI, 4, 5, 5, 5, 23_pc, -8.9},  // to the right
      {MIGI, 6, 5, 5, 5, 43_pc, -8.9},    // to the left
      {UE, 5, 4, 5, 5, 33_pc, -8.9},      // down
      {UE, 5, 4, 5, 3, 33_pc, -9},        // up
      {HIDARI, -1, 8, 5, 5, 23_pc, 1.1},  // every HIDARI drop
      {MIGI, 11, 2, 5, 5, 43_pc, 1.1},    // every MIGI drop
      {SITA, 11, 8, 5, 8, 13_pc, 1},      // level with the hand row
      {SITA, 11, 8, 5, 7, 13_pc, 1.1},    // beyond it
      {UE, -1, 2, 5, 2, 33_pc, 1},        // level with the hand row
      {UE, -1, 2, 5, 3, 33_pc, 1.1},      // beyond it
  };
  for (const auto& c : cases) {
    GameState s = Parked(c.seat, 1);
    if (IsHandX(c.fx))
      s.Hand[c.seat][HandSlotOf(c.piece)] = 1;
    else
      s.Board[c.fx][c.fy] = c.piece;
    EXPECT_EQ(ScoreCandidate(s, c.fx, c.fy, c.tx, c.ty, c.piece), c.expected)
        << "seat " << c.seat << " from " << c.fx << "," << c.fy << " to " << c.tx << "," << c.ty;
  }
}

TEST(EvaluateMove, FinalScoresEndTheScoringAtOnce) {
  // SITA's rook takes HIDARI's king while MIGI's gold attacks SITA's king: the mover's own
  // king comes first.
  GameState s = Parked(SITA);
  s.Board[1][5] = 14_pc;
  s.Board[9][8] = 43_pc;
  EXPECT_EQ(ScoreCandidate(s, 1, 5, 1, 9, 14_pc), -9998);
  s.Board[9][8] = EMPTY;
  EXPECT_EQ(ScoreCandidate(s, 1, 5, 1, 9, 14_pc), 9999);

  // A pawn taking a king while promoting: no promotion term at level 3.
  for (int level = 1; level <= 3; ++level) {
    GameState p = Parked(SITA, level);
    Relocate(p, 1, 9, 5, 3);
    p.Board[5][4] = 11_pc;
    EXPECT_EQ(ScoreCandidate(p, 5, 4, 5, 3, 11.5_pc), 9999) << "level " << level;
    EXPECT_EQ(ScoreCandidate(p, 5, 4, 5, 3, 11_pc), 9999) << "level " << level;
  }
}

TEST(EvaluateMove, CapturedPieceOfPartnerEnemyOrAttacker) {
  struct Case {
    const char* what;
    PieceCode captured;
    double expected;
  } cases[] = {
      {"partner's pawn: -100, no +50", 31_pc, -100 + 1},
      {"MIGI's pawn", 41_pc, 1 + 50},
      {"HIDARI's pawn, no threat to UE's king", 21_pc, 1 + 50},
  };
  for (const auto& c : cases) {
    GameState s = Parked(SITA, 1);
    s.Board[5][6] = 12_pc;
    s.Board[5][5] = c.captured;
    EXPECT_EQ(ScoreCandidate(s, 5, 6, 5, 5, 12_pc), c.expected) << c.what;
  }

  // HIDARI's rook on (3,1) bears on UE's king at (1,1); SITA's silver takes it.
  for (int level = 1; level <= 3; ++level) {
    GameState s = Parked(SITA, level);
    s.Board[3][1] = 24_pc;
    s.Board[3][2] = 12_pc;
    EXPECT_EQ(ScoreCandidate(s, 3, 2, 3, 1, 12_pc), 100 + 1 + 50) << "level " << level;
    // With the rook's line closed it was no threat.
    s.Board[2][1] = 31_pc;
    EXPECT_EQ(ScoreCandidate(s, 3, 2, 3, 1, 12_pc), 1 + 50) << "level " << level;
  }
}

TEST(EvaluateMove, CaptureOnAnAttackedSquare) {
  // HIDARI's pawn takes UE's silver that attacked HIDARI's king; UE's gold defends the
  // square. A pawn's capture is good; HIDARI earns the extra 100 because UE attacked its
  // king before the move.
  GameState h = Parked(HIDARI);
  h.Board[2][8] = 32_pc;
  h.Board[1][8] = 21_pc;
  h.Board[2][7] = 33_pc;
  EXPECT_EQ(ScoreCandidate(h, 1, 8, 2, 8, 21_pc), 10 + 100);

  // SITA's pawn takes MIGI's gold defended by MIGI's pawn: +15. Its silver taking a pawn on
  // a defended square is a bad capture: -10.
  GameState s = Parked(SITA);
  s.Board[5][5] = 43_pc;
  s.Board[6][5] = 41_pc;  // MIGI's pawn attacks (5,5)
  s.Board[5][6] = 11_pc;
  EXPECT_EQ(ScoreCandidate(s, 5, 6, 5, 5, 11_pc), 15);
  s.Board[5][5] = 41_pc;
  s.Board[5][6] = 12_pc;
  EXPECT_EQ(ScoreCandidate(s, 5, 6, 5, 5, 12_pc), -10);
  // Stepping onto an attacked empty square.
  s.Board[5][5] = EMPTY;
  EXPECT_EQ(ScoreCandidate(s, 5, 6, 5, 5, 12_pc), -10);
}

TEST(EvaluateMove, PromotionTermByLevel) {
  for (int level = 1; level <= 3; ++level) {
    GameState s = Parked(SITA, level);
    s.Board[5][4] = 12_pc;
    const double unpromoted = ScoreCandidate(s, 5, 4, 5, 3, 12_pc);
    const double promoted = ScoreCandidate(s, 5, 4, 5, 3, 12.5_pc);
    EXPECT_EQ(unpromoted, -8.9);
    // The level term comes after the 0.1: the sum keeps that order.
    EXPECT_EQ(promoted, level >= 2 ? ((1.0 - 10) + 0.1) + 10 : -8.9) << "level " << level;
  }
}

TEST(EvaluateMove, SupportedCheckAtLevelThree) {
  // SITA's gold checks HIDARI's king from (5,4): SITA's silver defends the square and only
  // the king attacks it.
  auto position = [](int level) {
    GameState s = Parked(SITA, level);
    Relocate(s, 1, 9, 5, 3);
    s.Board[5][5] = 13_pc;
    s.Board[4][5] = 12_pc;
    return s;
  };
  EXPECT_EQ(ScoreCandidate(position(3), 5, 5, 5, 4, 13_pc), -10 + 50);
  EXPECT_EQ(ScoreCandidate(position(2), 5, 5, 5, 4, 13_pc), -10);
  EXPECT_EQ(ScoreCandidate(position(1), 5, 5, 5, 4, 13_pc), -10);

  GameState twoAttackers = position(3);
  twoAttackers.Board[6][4] = 41_pc;
  EXPECT_EQ(ScoreCandidate(twoAttackers, 5, 5, 5, 4, 13_pc), -10);
  GameState undefended = position(3);
  undefended.Board[4][5] = EMPTY;
  EXPECT_EQ(ScoreCandidate(undefended, 5, 5, 5, 4, 13_pc), -10);
}

TEST(EvaluateMove, PawnGuardDropAtLevelThree) {
  for (int level = 1; level <= 3; ++level) {
    GameState s = Parked(SITA, level);
    s.Board[5][5] = 13_pc;
    s.Hand[SITA][1] = 1;
    EXPECT_EQ(ScoreCandidate(s, 11, 6, 5, 6, 11_pc), level == 3 ? 11 : 1) << "level " << level;
  }
}

// UE, bearing on its partner's king, looks for a mate of the opponent it attacks.
TEST(EvaluateMove, UeMateTestWhileAttackingSitasKing) {
  auto position = [] {
    GameState s = Parked(UE);
    Relocate(s, 9, 9, 5, 5);  // SITA's king, attacked by UE's gold on (5,4)
    s.Board[5][4] = 33_pc;
    Relocate(s, 9, 1, 9, 9);  // MIGI's king boxed in by its own pawns
    s.Board[8][8] = 41_pc;
    s.Board[8][9] = 41_pc;
    return s;
  };
  // UE's gold steps next to MIGI's king, defended by UE's pawn: mate, 9998.
  GameState gold = position();
  gold.Board[9][7] = 31_pc;
  gold.Board[8][7] = 33_pc;
  EXPECT_EQ(ScoreCandidate(gold, 8, 7, 9, 8, 33_pc), 9998);
  // The same mate given by UE's pawn scores -9998.
  GameState pawn = position();
  pawn.Board[9][7] = 31_pc;
  pawn.Board[8][7] = 33_pc;
  EXPECT_EQ(ScoreCandidate(pawn, 9, 7, 9, 8, 31_pc), -9998);
  // No mate: +10 when SITA does not attack the destination.
  GameState quiet = position();
  quiet.Board[3][3] = 32_pc;
  EXPECT_EQ(ScoreCandidate(quiet, 3, 3, 3, 4, 32_pc), ((1.0 - 10) + 0.1) + 10);
  EXPECT_EQ(ScoreCandidate(quiet, 3, 3, 4, 4, 32_pc), -8.9);  // SITA's king attacks (4,4)
}

TEST(IsGoodCapture, ByMoverAndCaptured) {
  struct Case {
    PieceCode mover, captured;
    bool good;
  } cases[] = {
      {11_pc, EMPTY, false},    {11_pc, 31_pc, true},     {31_pc, 35_pc, true},
      {21_pc, 41_pc, true},     {41_pc, 11_pc, true},     {12_pc, 42_pc, true},
      {12_pc, 41.5_pc, false},  {12.5_pc, 25_pc, true},   {32.5_pc, 22_pc, true},
      {32_pc, 32_pc, false},    {13_pc, 43_pc, true},     {13_pc, 42.5_pc, false},
      {33_pc, 23_pc, true},     {14_pc, 44_pc, true},     {14_pc, 43_pc, false},
      {34_pc, 24.5_pc, true},   {14.5_pc, 44.5_pc, true}, {14.5_pc, 44_pc, false},
      {34.5_pc, 25_pc, true},   {22_pc, 12_pc, true},     {22_pc, 11.5_pc, false},
      {42.5_pc, 32_pc, true},   {23_pc, 13_pc, true},     {43_pc, 12.5_pc, false},
      {24_pc, 14_pc, true},     {44_pc, 34.5_pc, true},   {44_pc, 33_pc, false},
      {24.5_pc, 14.5_pc, true}, {44.5_pc, 34_pc, false},  {22_pc, 42_pc, false},
      {11.5_pc, 45_pc, false},  {15_pc, 45_pc, false},    {43_pc, 33_pc, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsGoodCapture(c.mover, c.captured), c.good)
        << c.mover.ToString() << " takes " << c.captured.ToString();
}

TEST(IsPawnGuardDrop, OnlyAPawnDroppedBehindItsOwnGold) {
  struct Case {
    PieceCode pawn, gold;
    int fromX, gx, gy, tx, ty;
    bool yes;
  } cases[] = {
      {11_pc, 13_pc, 11, 5, 5, 5, 6, true},  {31_pc, 33_pc, -1, 5, 5, 5, 4, true},
      {21_pc, 23_pc, -1, 5, 5, 4, 5, true},  {41_pc, 43_pc, 11, 5, 5, 6, 5, true},
      {11_pc, 13_pc, 5, 5, 5, 5, 6, false},   // a board move
      {11_pc, 33_pc, 11, 5, 5, 5, 6, false},  // the partner's gold
      {11_pc, 13_pc, 11, 5, 5, 5, 4, false},  // in front of it
      {12_pc, 13_pc, 11, 5, 5, 5, 6, false},  // not a pawn
      {41_pc, 43_pc, 11, 1, 5, 1, 5, false},  // the square beside the board edge
  };
  for (const auto& c : cases) {
    GameState s;
    s.Board[c.gx][c.gy] = c.gold;
    EXPECT_EQ(IsPawnGuardDrop(s, c.pawn, c.fromX, c.tx, c.ty), c.yes)
        << c.pawn.ToString() << " to " << c.tx << "," << c.ty;
  }
}

}  // namespace
}  // namespace korvel
