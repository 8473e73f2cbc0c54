#include "game/pieces.h"

#include <gtest/gtest.h>

#include "game/state.h"
#include "positions.h"

namespace korvel {
namespace {

using testing::FromGrid;
using testing::Picture;
using testing::SameState;
using testing::TableText;

TEST(PieceCodes, ExactValuesTextOwnerAndOrder) {
  struct Case {
    PieceCode code;
    const char* text;
    int seat;
  };
  const Case cases[] = {
      {11_pc, "11", SITA},    {11.5_pc, "11.5", SITA}, {14.5_pc, "14.5", SITA},
      {15_pc, "15", SITA},    {21_pc, "21", HIDARI},   {24.5_pc, "24.5", HIDARI},
      {31.5_pc, "31.5", UE},  {35_pc, "35", UE},       {44.5_pc, "44.5", MIGI},
      {45_pc, "45", MIGI},    {EMPTY, "0", NO_SEAT},   {45.5_pc, "45.5", NO_SEAT},
      {46_pc, "46", NO_SEAT}, {99_pc, "99", NO_SEAT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.code.ToString(), c.text);
    EXPECT_EQ(SeatOfCode(c.code), c.seat) << c.text;
  }
  // One code reached three ways, and the half step ordered exactly between its neighbours.
  EXPECT_EQ(14.5_pc, Code(SITA, SYA, true));
  EXPECT_EQ(14.5_pc, (14_pc).Promoted());
  EXPECT_EQ((14.5_pc).Unpromoted(), 14_pc);
  EXPECT_TRUE(14_pc < 14.5_pc && 14.5_pc < 15_pc && 14.5_pc != 14_pc);
  EXPECT_TRUE(31_pc <= 31.5_pc && 31.5_pc <= 34_pc);
  EXPECT_FALSE(34.5_pc <= 34_pc);
  EXPECT_EQ(KindOf(24.5_pc), SYA);
  static_assert(Code(UE, GIN, true) == 32.5_pc && KingCode(MIGI) == 45_pc);
}

TEST(Seats, TurnOrderPartnersAndTeams) {
  struct Case {
    int seat, next, partner;
    bool firstTeam;
  };
  const Case cases[] = {{SITA, HIDARI, UE, true},
                        {HIDARI, UE, MIGI, false},
                        {UE, MIGI, SITA, true},
                        {MIGI, SITA, HIDARI, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(NextSeat(c.seat), c.next);
    EXPECT_EQ(PartnerOf(c.seat), c.partner);
    EXPECT_EQ(IsFirstTeam(c.seat), c.firstTeam);
  }
  for (int bad : {NO_SEAT, 0, 5}) EXPECT_EQ(NextSeat(bad), NO_SEAT) << bad;
}

TEST(Hands, CellCodesAndTotals) {
  struct Case {
    int x, row;
    PieceCode code;
  };
  const Case cases[] = {
      {-1, 1, 34_pc}, {-1, 2, 33_pc},  {-1, 3, 32_pc}, {-1, 4, 31_pc}, {-1, 5, EMPTY},
      {-1, 6, 21_pc}, {-1, 7, 22_pc},  {-1, 8, 23_pc}, {-1, 9, 24_pc}, {11, 1, 44_pc},
      {11, 4, 41_pc}, {11, 5, EMPTY},  {11, 6, 11_pc}, {11, 7, 12_pc}, {11, 9, 14_pc},
      {11, 0, EMPTY}, {11, 10, EMPTY}, {0, 6, EMPTY},  {10, 1, EMPTY}, {5, 5, EMPTY},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HandCellCode(c.x, c.row), c.code) << "(" << c.x << ", " << c.row << ")";

  // A full hand; captured kings sit in counter 0, which is no droppable kind.
  GameState s;
  s.Hand[UE][0] = 3;
  for (int k = 1; k <= 4; ++k) s.Hand[UE][k] = 4;
  s.Hand[HIDARI][0] = 1;
  EXPECT_EQ(HandTotal(s, UE), 16);
  EXPECT_EQ(HandTotal(s, HIDARI), 0);
  EXPECT_EQ(HandTotal(s, NO_SEAT), 0);
}

TEST(NewGame, InitialPositionFlagsHandsAndPawnLines) {
  GameState s;
  s.GameOver = true;
  s.CurrentSeat = UE;
  s.WinnerSeat = MIGI;
  s.GameMode = 1;
  s.Hand[SITA][0] = 2;  // counter 0 is left alone
  s.Hand[MIGI][3] = 1;
  s.Board[5][5] = 14.5_pc;
  NewGameModel(s);
  EXPECT_EQ(TableText(s.Board), Picture(R"(
    .  .  32 33 35 33 32 .  .
    .  .  .  31 34 31 .  .  .
    22 .  .  .  31 .  .  .  42
    23 21 .  .  .  .  .  41 43
    25 24 21 .  .  .  41 44 45
    23 21 .  .  .  .  .  41 43
    22 .  .  .  11 .  .  .  42
    .  .  .  11 14 11 .  .  .
    .  .  12 13 15 13 12 .  .
  )"));
  EXPECT_FALSE(s.GameOver);
  EXPECT_EQ(s.CurrentSeat, NO_SEAT);
  EXPECT_EQ(s.WinnerSeat, NO_SEAT);
  EXPECT_EQ(s.GameMode, NO_SEAT);
  EXPECT_EQ(s.Hand[SITA][0], 2);
  for (int seat = 1; seat <= 4; ++seat) EXPECT_EQ(HandTotal(s, seat), 0);
  UpdatePawnLines(s);
  for (int seat = 1; seat <= 4; ++seat)
    for (int line = 1; line <= 9; ++line)
      EXPECT_EQ(s.Caches().PawnLine[seat][line], line >= 4 && line <= 6) << seat << "/" << line;
}

TEST(KingSearch, FirstSquareWinsAndMissingKingsKeepTheirPlace) {
  // Two SITA kings on one file: the upper one is met first. Two UE kings on different
  // files: the one further left, although lower.
  GameState s = FromGrid(R"(
    . . . . .  . . .  .
    . . . . 15 . . 35 .
    . . . . .  . . .  .
    . . . . .  . . .  .
    . . . . .  . . .  .
    . . . . .  . . .  .
    . . . . .  . . .  .
    . . . . 15 . . .  .
    . . . . .  . 35 . .
  )");
  EXPECT_EQ(s.Caches().KingPos[SITA], (Square{5, 2}));
  EXPECT_EQ(s.Caches().KingPos[UE], (Square{7, 9}));
  RuleCacheFixture(s).KingPos[MIGI] = {3, 3};
  FindKing(s, KingCode(MIGI));
  EXPECT_EQ(s.Caches().KingPos[MIGI], (Square{3, 3}));
  // The partner's king is searched afresh, whatever KingPos still says.
  RuleCacheFixture(s).KingPos[UE] = {1, 1};
  EXPECT_EQ(PartnerKingPos(s, SITA), (Square{7, 9}));
  EXPECT_EQ(PartnerKingPos(s, UE), (Square{5, 2}));
  EXPECT_EQ(PartnerKingPos(s, HIDARI), (Square{0, 0}));
}

TEST(KingSearch, TheKeptSquareComesBackAfterASearchsTrial) {
  GameState s = FromGrid(R"(
    . . . . 35 . . . .
    . . . . .  . . . .
    . . . . .  . . . .
    . . . . .  . . . .
    25 . . . . . . . 45
    . . . . .  . . . .
    . . . . .  . . . .
    . . . . .  . . . .
    . . . . 15 . . . .
  )");
  const Square kept = s.Caches().KingPos[MIGI];
  s.Board[9][5] = EMPTY;
  s.Board[8][4] = KingCode(MIGI);
  FindKing(s, KingCode(MIGI));
  EXPECT_EQ(s.Caches().KingPos[MIGI], (Square{8, 4}));
  s.Board[8][4] = EMPTY;
  s.Board[9][5] = KingCode(MIGI);
  RestoreKingSquare(s, MIGI, {1, 1});  // what was kept, not what the board says
  EXPECT_EQ(s.Caches().KingPos[MIGI], (Square{1, 1}));
  RestoreKingSquare(s, MIGI, kept);
  const GameState before = s;
  for (int seat : {NO_SEAT, 0, 5}) RestoreKingSquare(s, seat, {2, 2});  // no seat of a king
  EXPECT_TRUE(SameState(s, before));
}

TEST(PawnLines, ARefreshMarksTheLinesOfUnpromotedPawnsOnly) {
  // SITA and UE count files (x), MIGI and HIDARI ranks (y); a promoted pawn is no pawn.
  GameState s = FromGrid(R"(
    . . . . .  . . . .
    . . . 31 . . . . .
    . . . . .  . . . .
    . . . . .  . . 41 .
    . . . . .  . . . .
    . 21.5 . . . . . . .
    . . . . .  . . . .
    . 11 . . . 11.5 . . .
    . . . . .  . . . .
  )");
  // Whatever the lines said before, a refresh leaves the board's lines alone.
  for (auto& seatLines : RuleCacheFixture(s).PawnLine)
    for (auto& line : seatLines) line = 1;
  UpdatePawnLines(s);
  int marked[5] = {};
  marked[SITA] = 2;
  marked[UE] = 4;
  marked[MIGI] = 4;  // HIDARI's only pawn is promoted
  for (int seat = 1; seat <= 4; ++seat)
    for (int line = 1; line <= 9; ++line)
      EXPECT_EQ(s.Caches().PawnLine[seat][line], line == marked[seat]) << seat << "/" << line;
}

}  // namespace
}  // namespace korvel
