// A person's presses turned into an intention for their own seat of a game an authority
// holds (the network game): the first press picks one of the seat's pieces (or its hand
// cell with pieces), the next press elsewhere on the board names the destination. Nothing
// is judged here: the authority checks the move and refuses it if need be. The window's
// presenter (Form1, on a turned view) and the runner's network mode (unturned) both press
// through it; the cell under a press is found by the one conversion (view/press_cell.h).
#pragma once

#include <optional>

#include "game/move.h"
#include "game/state.h"

namespace korvel {

class PressEntry {
 public:
  // A press at (x, y) twips on a view turned `quarters` times, by the player of `seat`;
  // the move when it completes one. `right`: the right button, which promotes where the
  // piece may promote. False when the press is no cell at all (not a number, far away):
  // nothing changed.
  bool PressAt(const GameState& s, int seat, double x, double y, int quarters, bool right,
               std::optional<Move>* completed);
  // A press on game cell (x, y).
  std::optional<Move> Press(const GameState& s, int seat, int x, int y, bool right);
  bool Picked() const { return picked_; }
  Square From() const { return from_; }
  void Clear() { picked_ = false; }

 private:
  bool picked_ = false;
  Square from_{};
  PieceCode piece_;
};

}  // namespace korvel
