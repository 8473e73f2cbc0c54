#include "game/apply_move.h"

#include <gtest/gtest.h>

#include "game/movement.h"
#include "positions.h"

namespace korvel {
namespace {

using testing::FromGrid;

TEST(ApplyMove, CapturesEnterTheCapturersHandAsTheirBaseKind) {
  struct Case {
    PieceCode captured, capturer;
    int seat, slot;
  };
  // clang-format off
  const Case cases[] = {
      {11.5_pc, 13_pc, SITA, 1},    {14.5_pc, 31_pc, UE, 4},   {22.5_pc, 45_pc, MIGI, 2},
      {33_pc, 14.5_pc, SITA, 3},    // the partner's piece, taken by a promoted rook
      {25_pc, 11_pc, SITA, 0},      // a king goes to the counter no one drops from
      {34_pc, 21.5_pc, HIDARI, 4},  {41_pc, 44.5_pc, MIGI, 1}, {12_pc, 35_pc, UE, 2},
      {42_pc, 22_pc, HIDARI, 2},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.captured.ToString() + " taken by " + c.capturer.ToString());
    GameState s;
    s.Board[5][5] = c.captured;
    s.Board[5][6] = c.capturer;
    const MoveEffects fx = ApplyMove(s, 5, 6, 5, 5, c.capturer);
    EXPECT_EQ(fx.captured, c.captured);
    EXPECT_EQ(fx.handTakenFrom, NO_SEAT);
    EXPECT_EQ(s.Board[5][5], c.capturer);
    EXPECT_EQ(s.Board[5][6], EMPTY);
    for (int seat = 1; seat <= 4; ++seat)
      for (int slot = 0; slot <= 4; ++slot)
        EXPECT_EQ(s.Hand[seat][slot], seat == c.seat && slot == c.slot ? 1 : 0)
            << seat << "/" << slot;
  }

  // UE's silver taken by SITA comes back as SITA's own silver.
  GameState s;
  s.Board[4][4] = 32_pc;
  s.Board[5][5] = 12_pc;
  ApplyMove(s, 5, 5, 4, 4, 12_pc);
  EXPECT_TRUE(CanMove(s, 11, 7, 6, 6, HandCellCode(11, 7)));
  const MoveEffects fx = ApplyMove(s, 11, 7, 6, 6, HandCellCode(11, 7));
  EXPECT_EQ(fx.handTakenFrom, SITA);
  EXPECT_EQ(s.Board[6][6], 12_pc);
  EXPECT_EQ(s.Hand[SITA][2], 0);
}

TEST(ApplyMove, DropsTakeFromTheCountersOfTheirCell) {
  struct Case {
    int fromX, fromY;
    PieceCode code;
    int seat, slot;  // the counter that goes down, NO_SEAT for none
  };
  // clang-format off
  const Case cases[] = {
      {11, 7, 12_pc, SITA, 2},   {11, 6, 11_pc, SITA, 1},   {11, 9, 14_pc, SITA, 4},
      {-1, 1, 34_pc, UE, 4},     {-1, 4, 31_pc, UE, 1},     {-1, 6, 21_pc, HIDARI, 1},
      {-1, 9, 24_pc, HIDARI, 4}, {11, 1, 44_pc, MIGI, 4},   {11, 3, 42_pc, MIGI, 2},
      {-1, 2, 33_pc, UE, 3},     {11, 8, 13_pc, SITA, 3},
      // A code that does not belong to the hand column it comes from takes nothing.
      {11, 2, 33_pc, NO_SEAT, 0}, {-1, 7, 12_pc, NO_SEAT, 0}, {11, 9, 14.5_pc, NO_SEAT, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code.ToString() + " from (" + std::to_string(c.fromX) + ", " +
                 std::to_string(c.fromY) + ")");
    GameState s;
    for (int seat = 1; seat <= 4; ++seat)
      for (int slot = 1; slot <= 4; ++slot) s.Hand[seat][slot] = 4;  // a full hand
    const MoveEffects fx = ApplyMove(s, c.fromX, c.fromY, 3, 7, c.code);
    EXPECT_EQ(fx.handTakenFrom, c.seat);
    EXPECT_EQ(s.Board[3][7], c.code);
    for (int seat = 1; seat <= 4; ++seat)
      for (int slot = 1; slot <= 4; ++slot)
        EXPECT_EQ(s.Hand[seat][slot], seat == c.seat && slot == c.slot ? 3 : 4)
            << seat << "/" << slot;
  }
}

TEST(ApplyMove, OnlySitasKingPositionIsKept) {
  struct Case {
    PieceCode code, placed;
    int seat;
    bool follows;
  };
  const Case cases[] = {
      {15_pc, 15_pc, SITA, true},  {25_pc, 25_pc, HIDARI, false}, {35_pc, 35_pc, UE, false},
      {45_pc, 45_pc, MIGI, false}, {13_pc, 13_pc, SITA, false},   {11_pc, 11.5_pc, SITA, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code.ToString());
    GameState s;
    s.Board[5][5] = c.code;
    FindAllKings(s);
    const Square before = s.Caches().KingPos[c.seat];
    ApplyMove(s, 5, 5, 5, 4, c.placed);
    EXPECT_EQ(s.Board[5][4], c.placed);
    EXPECT_EQ(s.Board[5][5], EMPTY);
    EXPECT_EQ(s.Caches().KingPos[c.seat], c.follows ? (Square{5, 4}) : before);
  }

  // A SITA king taken by UE leaves KingPos where it was.
  GameState s;
  s.Board[5][5] = 15_pc;
  s.Board[5][4] = 31_pc;
  FindAllKings(s);
  ApplyMove(s, 5, 4, 5, 5, 31_pc);
  EXPECT_EQ(s.Caches().KingPos[SITA], (Square{5, 5}));
  EXPECT_EQ(s.Hand[UE][0], 1);
}

TEST(KingCaptured, WinnerIsTheMoverOnlyAgainstTheOtherTeam) {
  struct Case {
    PieceCode captured;
    int mover;
    bool yes;
    int winner;
  };
  // clang-format off
  const Case cases[] = {
      {25_pc, SITA, true, SITA},      {45_pc, UE, true, UE},
      {15_pc, HIDARI, true, HIDARI},  {35_pc, MIGI, true, MIGI},
      {25_pc, MIGI, true, NO_SEAT},   {35_pc, SITA, true, NO_SEAT},  // one's own team
      {15_pc, NO_SEAT, true, NO_SEAT}, {11_pc, SITA, false, NO_SEAT},
      {14.5_pc, HIDARI, false, NO_SEAT}, {EMPTY, UE, false, NO_SEAT},
      {45.5_pc, SITA, false, NO_SEAT},
  };
  // clang-format on
  for (const Case& c : cases) {
    GameState s;
    s.CurrentSeat = c.mover;
    EXPECT_EQ(KingCaptured(s, c.captured), c.yes) << c.captured.ToString() << " by " << c.mover;
    EXPECT_EQ(s.WinnerSeat, c.winner) << c.captured.ToString() << " by " << c.mover;
  }
}

}  // namespace
}  // namespace korvel
