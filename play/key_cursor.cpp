#include "play/key_cursor.h"

#include "game/state.h"

namespace korvel {

CursorKey CursorKeyOf(int keyCode) {
  switch (keyCode) {
    case 'w': case 'i': return CursorKey::UP;
    case 's': case 'k': return CursorKey::DOWN;
    case 'a': case 'j': return CursorKey::LEFT;
    case 'd': case 'l': return CursorKey::RIGHT;
    case '\r': case '\n': return CursorKey::PRESS;
    case 'p': return CursorKey::PRESS_PROMOTING;
    default: return CursorKey::NONE;
  }
}

bool CursorCell(int x, int y) {
  if (OnBoard(x, y)) return true;
  return HandCellSeat(x, y) != NO_SEAT;
}

Square CursorStep(Square at, int dx, int dy) {
  if (dx != 0) {
    int x = at.x + dx;
    // Between the board and a hand column lies no cell: the step crosses it.
    if (x == 0 || x == 10) x += dx;
    return CursorCell(x, at.y) ? Square{x, at.y} : at;
  }
  if (dy != 0) {
    int y = at.y + dy;
    if (!CursorCell(at.x, y)) y += dy;  // the row between a column's two hands
    return CursorCell(at.x, y) ? Square{at.x, y} : at;
  }
  return at;
}

}  // namespace korvel
