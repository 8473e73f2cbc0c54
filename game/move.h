// A move as every part of the program passes it: where from (a board square, or the hand
// cell a drop is taken from), where to, the piece before and the piece placed.
#pragma once

#include "game/state.h"

namespace korvel {

struct Move {
  int fromX = 0, fromY = 0;  // a board square, or the hand cell of a drop
  int toX = 0, toY = 0;
  PieceCode before;  // the moving piece (the hand cell's code for a drop)
  PieceCode placed;  // what is placed on the destination (promoted when the move promotes)

  bool IsDrop() const { return !OnBoard(fromX, fromY); }
  bool Promotes() const { return placed != before; }
  bool operator==(const Move&) const = default;
};

// What playing a move did, for the history, the drawing and the messages.
struct MoveOutcome {
  int mover = NO_SEAT;          // the seat that moved (CurrentSeat when it was played)
  PieceCode captured;           // what stood on the destination, EMPTY for nothing
  int handTakenFrom = NO_SEAT;  // a drop: the seat whose hand gave the piece
  bool kingTaken = false;       // the game is over
  bool mate = false;            // the advisory mate test answered yes (when it was run)
  int checked = NO_SEAT;        // the opponent the move put in check: the turn is theirs
  int next = NO_SEAT;           // the seat to move after it (NO_SEAT when a king was taken)
};

}  // namespace korvel
