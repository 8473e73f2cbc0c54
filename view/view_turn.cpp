#include "view/view_turn.h"

#include "game/play_move.h"

namespace korvel {

namespace {

int Norm(int quarters) { return ((quarters % 4) + 4) % 4; }

int TurnSeat(int seat, int quarters) {
  if (seat < 1 || seat > 4) return seat;
  return (seat - 1 + Norm(quarters)) % 4 + 1;
}

// One quarter clockwise, as the position turns: a board square (x, y) goes to (10 - y, x);
// a hand cell goes to the same slot of the next seat's hand.
Square TurnOnce(Square c) {
  if (OnBoard(c.x, c.y)) return {10 - c.y, c.x};
  const int seat = HandCellSeat(c.x, c.y);
  if (seat == NO_SEAT) return c;
  return HandCellOf(TurnSeat(seat, 1), HandCellSlot(c.x, c.y));
}

}  // namespace

int QuarterTurnsFor(int seat) { return seat >= 1 && seat <= 4 ? Norm(5 - seat) : 0; }

GameState TurnedForView(const GameState& s, int quarters) {
  GameState t = s;
  for (int q = 0; q < Norm(quarters); ++q) RotatePosition(t);
  t.CurrentSeat = TurnSeat(s.CurrentSeat, quarters);
  FindAllKings(t);
  return t;
}

Square ScreenCellOf(int gameX, int gameY, int quarters) {
  Square c{gameX, gameY};
  for (int q = 0; q < Norm(quarters); ++q) c = TurnOnce(c);
  return c;
}

Square GameCellOf(int screenX, int screenY, int quarters) {
  return ScreenCellOf(screenX, screenY, 4 - Norm(quarters));
}

namespace {

// The game's line through two screen squares of one screen line: both squares share
// either the game's column or its row.
EdgeLabel LineThrough(Square a, Square b) {
  if (a.x == b.x) return {false, 10 - a.x};
  return {true, a.y};
}

}  // namespace

EdgeLabel TopEdgeLabel(int screenX, int quarters) {
  return LineThrough(GameCellOf(screenX, 1, quarters), GameCellOf(screenX, 9, quarters));
}

EdgeLabel RightEdgeLabel(int screenY, int quarters) {
  return LineThrough(GameCellOf(1, screenY, quarters), GameCellOf(9, screenY, quarters));
}

}  // namespace korvel
