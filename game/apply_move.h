// Carrying out a move on the model: board, hands, and the end of the game.
#pragma once

#include "game/state.h"

namespace korvel {

// What a move changed, so that the view can repaint exactly those cells.
struct MoveEffects {
  PieceCode captured;   // what stood on the destination (EMPTY when nothing)
  int handTakenFrom;    // the seat whose hand a drop took from, NO_SEAT for a board move
};

// Moves (or drops, from a hand cell) `code` to the destination; `code` is what will stand
// there, already promoted when the mover chose to. Captures go to the capturer's hand.
// Only SITA's KingPos is kept up to date here.
MoveEffects ApplyMove(GameState& s, int fromX, int fromY, int toX, int toY, PieceCode code);

// A captured piece enters the capturer's hand as its base kind (a king into counter 0).
void AddToHand(GameState& s, PieceCode captured, PieceCode capturer);

// Was a king taken? On yes, WinnerSeat becomes CurrentSeat when the mover is of the other
// team than the king taken.
bool KingCaptured(GameState& s, PieceCode captured);

}  // namespace korvel
