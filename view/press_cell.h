// The one conversion from a press on the drawing (twips of the design size) to the cell
// under it: the window's own game, the window's network game and the runner's presses
// (local and over the network) all find their cell here.
#pragma once

#include <optional>

#include "game/state.h"

namespace korvel {

// A press more than this many cells away from the grid is no cell at all.
inline constexpr int FAR_CELL = -1000;

// The screen cell under a press at (x, y): each rounded toward minus infinity. Nothing for
// a position that is not a number; (FAR_CELL, FAR_CELL), neither a board square nor a hand
// cell, for a press more than 1000 cells away in either direction.
std::optional<Square> CellUnderPress(double x, double y);
inline bool IsFarCell(Square c) { return c.x == FAR_CELL && c.y == FAR_CELL; }

// The same press as the window's own game has always taken it: its twips rounded to
// single precision first (a position past the single-precision range is no number).
std::optional<Square> CellUnderSinglePress(double x, double y);

// The game's cell (a board square or a hand cell) under a press on a view turned
// `quarters` times (view/view_turn.h); a far press stays far.
std::optional<Square> GameCellUnderPress(double x, double y, int quarters);

}  // namespace korvel
