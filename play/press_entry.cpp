#include "play/press_entry.h"

#include "game/movement.h"
#include "view/press_cell.h"

namespace korvel {

bool PressEntry::PressAt(const GameState& s, int seat, double x, double y, int quarters,
                         bool right, std::optional<Move>* completed) {
  const std::optional<Square> cell = GameCellUnderPress(x, y, quarters);
  if (!cell || IsFarCell(*cell)) return false;
  *completed = Press(s, seat, cell->x, cell->y, right);
  return true;
}

std::optional<Move> PressEntry::Press(const GameState& s, int seat, int x, int y, bool right) {
  if (OnBoard(x, y)) {
    const PieceCode here = s.Board[x][y];
    if (!here.IsEmpty() && SeatOfCode(here) == seat) {  // (re)picks one of our own
      picked_ = true;
      from_ = {x, y};
      piece_ = here;
      return std::nullopt;
    }
    if (!picked_) return std::nullopt;
    picked_ = false;
    Move m{from_.x, from_.y, x, y, piece_, piece_};
    PieceCode promoted;
    if (right && CanPromote(m.fromX, m.fromY, m.toX, m.toY, m.before, &promoted))
      m.placed = promoted;
    return m;
  }
  if (x < -1000 || x > 1000 || y < -1000 || y > 1000) return std::nullopt;
  const int handSeat = HandCellSeat(x, y);
  if (handSeat != seat || s.Hand[handSeat][HandCellSlot(x, y)] <= 0) return std::nullopt;
  picked_ = true;
  from_ = {x, y};
  piece_ = HandCellCode(x, y);
  return std::nullopt;
}

}  // namespace korvel
