// A turned view: the board drawn so that another seat's army stands at the bottom, without
// changing the game (a player over the network sees their own army at the bottom). The
// menu's 回転 is different: it changes whose army stands where in the game itself.
#pragma once

#include "game/state.h"

namespace korvel {

// How many quarter turns clockwise bring `seat`'s army to the bottom (SITA 0, HIDARI 1...).
int QuarterTurnsFor(int seat);

// What the view draws: the position turned `quarters` times, pieces recoded to the seat
// whose place they take on screen, hands with them; the seat to move named as on screen.
GameState TurnedForView(const GameState& s, int quarters);

// The game's cell (board square or hand cell) under a press on screen cell (x, y), and
// the screen cell that shows a game cell.
Square GameCellOf(int screenX, int screenY, int quarters);
Square ScreenCellOf(int gameX, int gameY, int quarters);

// What an edge label names: the labels over the board and right of it name the game's
// squares beside them, so a turned view shows the game's own coordinates. The game's
// columns are numbered 9..1 from the left as SITA sees the board (digits), its rows 1..9
// from the top (kanji numerals).
struct EdgeLabel {
  bool row = false;  // a row of the game, else a column
  int number = 0;    // 1..9
};
// The label over screen column `screenX` (1..9) and the one right of screen row
// `screenY` (1..9).
EdgeLabel TopEdgeLabel(int screenX, int quarters);
EdgeLabel RightEdgeLabel(int screenY, int quarters);

}  // namespace korvel
