// The one conversion from a press to a cell: where a cell starts and ends, what is no cell,
// the single precision of the window's own game, and a press on a turned view landing on
// the game's own cell for every seat.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/canvas.h"
#include "view/press_cell.h"
#include "view/view_turn.h"

namespace korvel {
namespace {

double Left(int c) { return GRID_X0 + CELL_TWIPS * c; }
double Top(int r) { return GRID_Y0 + CELL_TWIPS * r; }

TEST(PressCell, ACellStartsAtItsEdgeAndRoundsTowardMinusInfinity) {
  struct Case {
    double x, y;
    Square cell;
  } cases[] = {
      {Left(5), Top(7), {5, 7}},                  // the top-left edge belongs to the cell
      {Left(5) - 0.001, Top(7) - 0.001, {4, 6}},  // just before it, the cell before
      {Left(1) + 704.9, Top(9) + 704.9, {1, 9}},
      {Left(0) - 1, Top(0) - 1, {-1, -1}},        // left of the grid: below zero, not zero
      {0, 0, {-2, -1}},
      {Left(11), Top(5), {11, 5}},
  };
  for (const Case& c : cases) {
    const std::optional<Square> got = CellUnderPress(c.x, c.y);
    ASSERT_TRUE(got) << c.x << "," << c.y;
    EXPECT_EQ(*got, c.cell) << c.x << "," << c.y;
  }
}

TEST(PressCell, NoNumberIsNoPressAndFarAwayIsNoCell) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(CellUnderPress(nan, 0));
  EXPECT_FALSE(CellUnderPress(0, -inf));
  EXPECT_FALSE(CellUnderSinglePress(1e300, 0)) << "past the single-precision range";
  EXPECT_TRUE(CellUnderPress(1e300, 0));
  // 1000 cells away is still a cell; beyond, in either direction, none at all.
  EXPECT_EQ(*CellUnderPress(Left(1000), Top(-1000)), (Square{1000, -1000}));
  EXPECT_TRUE(IsFarCell(*CellUnderPress(Left(1001), Top(5))));
  EXPECT_TRUE(IsFarCell(*CellUnderPress(Left(5), Top(-1001))));
  EXPECT_TRUE(IsFarCell(*CellUnderPress(1e300, 1e300)));
  EXPECT_TRUE(IsFarCell(*GameCellUnderPress(Left(5), Top(5000), 1))) << "a turn keeps it far";
}

TEST(PressCell, TheOwnGamesPressIsRoundedToSinglePrecisionFirst) {
  // Just before a cell's edge by less than a single-precision step: the window's own game
  // takes it as the edge itself, a network press as the cell before.
  const double x = Left(5) - 1e-5, y = Top(3) - 1e-5;
  EXPECT_EQ(*CellUnderSinglePress(x, y), (Square{5, 3}));
  EXPECT_EQ(*CellUnderPress(x, y), (Square{4, 2}));
}

// Every seat sees its own army at the bottom: a press on the bottom's king square, on the
// square before it and on the bottom-right hand cell lands on that seat's own king, the
// square in front of it and its own hand.
TEST(PressCell, ATurnedPressLandsOnTheGamesCellForEverySeat) {
  struct Seat {
    int seat;
    Square king, inFront;
  } seats[] = {{SITA, {5, 9}, {5, 8}},
               {HIDARI, {1, 5}, {2, 5}},
               {UE, {5, 1}, {5, 2}},
               {MIGI, {9, 5}, {8, 5}}};
  for (const Seat& s : seats) {
    SCOPED_TRACE(s.seat);
    const int q = QuarterTurnsFor(s.seat);
    const double mid = CELL_TWIPS / 2;
    EXPECT_EQ(*GameCellUnderPress(Left(5) + mid, Top(9) + mid, q), s.king);
    EXPECT_EQ(*GameCellUnderPress(Left(5) + 1, Top(8) + 704, q), s.inFront);
    // SITA's hand is drawn right of the board, rows 6..9: there, every seat finds its own.
    for (int row = 6; row <= 9; ++row) {
      const Square hand = *GameCellUnderPress(Left(HAND_X_RIGHT) + mid, Top(row) + mid, q);
      EXPECT_EQ(HandCellSeat(hand.x, hand.y), s.seat) << "row " << row;
      EXPECT_EQ(HandCellSlot(hand.x, hand.y), HandCellSlot(HAND_X_RIGHT, row)) << "row " << row;
    }
    // Off the board and the hands the cell is only turned, never made one.
    const Square off = *GameCellUnderPress(Left(-1) + mid, Top(0) + mid, q);
    EXPECT_FALSE(OnBoard(off.x, off.y));
    EXPECT_EQ(HandCellSeat(off.x, off.y), NO_SEAT);
  }
}

}  // namespace
}  // namespace korvel
