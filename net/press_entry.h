// A person's presses on the game's cells turned into an intention for their own seat: the
// first press picks one of the seat's pieces (or its hand cell with pieces), the next
// press elsewhere on the board names the destination. Nothing is judged here: the
// authority checks the move and refuses it if need be.
#pragma once

#include <optional>

#include "game/move.h"
#include "game/state.h"

namespace korvel::net {

class PressEntry {
 public:
  // A press on game cell (x, y) by the player of `seat`; the move when it completes one.
  // `right`: the right button, which promotes where the piece may promote.
  std::optional<Move> Press(const GameState& s, int seat, int x, int y, bool right);
  bool Picked() const { return picked_; }
  Square From() const { return from_; }
  void Clear() { picked_ = false; }

 private:
  bool picked_ = false;
  Square from_{};
  PieceCode piece_;
};

}  // namespace korvel::net
