// The keyboard's cursor: one cell of the drawing, a board square or a hand cell, moved by
// keys and pressed as the mouse presses it (Form1::Form_KeyPress). Cells are the screen's
// (a turned view's press is mapped back as a mouse press is).
#pragma once

#include "game/move.h"

namespace korvel {

// The keys of keyboard play, as the window hands them to Form_KeyPress (their characters).
// Lower-case letters and Enter; none is a menu's shortcut (those are Ctrl+, Alt+, F-keys,
// the arrows, Space and Esc). Enter and P press only once a moving key showed the cursor,
// so that a player who never moves the cursor finds Enter doing what it always did.
enum class CursorKey { NONE, UP, DOWN, LEFT, RIGHT, PRESS, PRESS_PROMOTING };
CursorKey CursorKeyOf(int keyCode);

// Whether (x, y) is a cell the cursor may stand on: a board square or a hand cell.
bool CursorCell(int x, int y);
// The cell one step from `at` (dx, dy one of -1, 0, 1): on the board the next square; past
// the board's left or right edge the hand cell beside it, and back; up and down a hand
// column skip the row between the two hands. Where no cell lies that way, `at` itself.
Square CursorStep(Square at, int dx, int dy);

}  // namespace korvel
