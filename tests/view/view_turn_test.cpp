// A turned view shows another seat's army at the bottom without touching the game, and a
// press on the turned picture is mapped back to the game's own cell.
#include <gtest/gtest.h>

#include <cstring>

#include "game/play_move.h"
#include "view/view_turn.h"

namespace korvel {
namespace {

GameState Opening() {
  GameState s;
  NewGameModel(s);
  s.CurrentSeat = SITA;
  const Move pawn{3, 5, 4, 5, 21_pc, 21_pc};  // one of HIDARI's pawns steps out
  s.Board[3][5] = EMPTY;
  s.Board[4][5] = pawn.placed;
  s.Hand[HIDARI][2] = 1;
  return s;
}

TEST(ViewTurn, EachSeatSeesItsOwnArmyAtTheBottom) {
  const GameState s = Opening();
  for (int seat = SITA; seat <= MIGI; ++seat) {
    const GameState shown = TurnedForView(s, QuarterTurnsFor(seat));
    EXPECT_EQ(shown.Board[5][9], KingCode(SITA)) << "seat " << seat;
    // The seat's own pieces are drawn as the bottom army's, its hand as the bottom hand.
    int own = 0, bottom = 0;
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y) {
        own += SeatOfCode(s.Board[x][y]) == seat;
        bottom += SeatOfCode(shown.Board[x][y]) == SITA;
      }
    EXPECT_EQ(own, bottom);
    EXPECT_EQ(shown.Hand[SITA][2], seat == HIDARI ? 1 : 0);
  }
  EXPECT_EQ(std::memcmp(Opening().Board, s.Board, sizeof s.Board), 0) << "the game is untouched";
}

TEST(ViewTurn, PressesMapBackToTheGamesCells) {
  const GameState s = Opening();
  for (int q = 0; q < 4; ++q) {
    const GameState shown = TurnedForView(s, q);
    for (int x = -1; x <= 11; ++x)
      for (int y = 1; y <= 9; ++y) {
        if (!OnBoard(x, y) && HandCellSeat(x, y) == NO_SEAT) continue;
        const Square screen = ScreenCellOf(x, y, q);
        const Square back = GameCellOf(screen.x, screen.y, q);
        ASSERT_EQ(back, (Square{x, y})) << q << " " << x << "," << y;
        if (OnBoard(x, y)) {
          // The piece drawn there is the game's piece, recoded for its place on screen.
          EXPECT_EQ(s.Board[x][y].IsEmpty(), shown.Board[screen.x][screen.y].IsEmpty());
        }
      }
  }
}

// The labels over and right of the board name the game's squares beside them: every square
// of a screen column (row) lies on the game's column or row its label names.
TEST(ViewTurn, EdgeLabelsNameTheGamesSquaresBesideThem) {
  for (int q = 0; q < 4; ++q)
    for (int i = 1; i <= 9; ++i) {
      const EdgeLabel top = TopEdgeLabel(i, q), right = RightEdgeLabel(i, q);
      ASSERT_TRUE(top.number >= 1 && top.number <= 9) << q << " " << i;
      ASSERT_TRUE(right.number >= 1 && right.number <= 9) << q << " " << i;
      // One edge names columns, the other rows, in every view.
      EXPECT_NE(top.row, right.row) << q;
      for (int j = 1; j <= 9; ++j) {
        const Square under = GameCellOf(i, j, q);
        EXPECT_EQ(top.row ? under.y : 10 - under.x, top.number) << q << " column " << i;
        const Square beside = GameCellOf(j, i, q);
        EXPECT_EQ(right.row ? beside.y : 10 - beside.x, right.number) << q << " row " << i;
      }
    }
  // Unturned, the labels are the board's usual ones: 9..1 over it, rows down its right.
  for (int i = 1; i <= 9; ++i) {
    EXPECT_FALSE(TopEdgeLabel(i, 0).row);
    EXPECT_EQ(TopEdgeLabel(i, 0).number, 10 - i);
    EXPECT_TRUE(RightEdgeLabel(i, 0).row);
    EXPECT_EQ(RightEdgeLabel(i, 0).number, i);
  }
  // UE's player sees the board upside down: columns 1..9 from the left, rows 九..一 down.
  const int ue = QuarterTurnsFor(UE);
  EXPECT_EQ(TopEdgeLabel(1, ue).number, 1);
  EXPECT_FALSE(TopEdgeLabel(1, ue).row);
  EXPECT_EQ(RightEdgeLabel(1, ue).number, 9);
  EXPECT_TRUE(RightEdgeLabel(1, ue).row);
}

}  // namespace
}  // namespace korvel
