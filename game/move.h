// A move as every part of the program passes it: where from (a board square, or the hand
// cell a drop is taken from), where to, the piece before and the piece placed.
#pragma once

#include <cstdint>

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

// Why a move is refused; NONE when it is not. A code, never words: each part of the program
// that shows a refusal looks its words up in one place of its own.
enum class Refusal : std::uint8_t {
  NONE,
  NOT_STARTED,     // no game has started
  GAME_OVER,       // the game has ended where it stands
  NOT_YOUR_TURN,   // another seat is to move
  NOT_YOUR_PIECE,  // the origin holds no piece of the seat (or another piece than named)
  EMPTY_HAND,      // a drop from a hand that holds none of that piece
  CANNOT_MOVE,     // the piece cannot go there
  CANNOT_PROMOTE,  // a promotion the piece may not make there
  PARTNER_CHECK,   // the move would attack the partner's king
  MUST_PROMOTE,    // a pawn may not stay unpromoted on its last line
};

}  // namespace korvel
