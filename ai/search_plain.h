// The search exactly as the computer turn is written: every candidate made on the board,
// the attack maps rebuilt for it, scored, and undone. SearchBestMove answers the same move
// faster; this one serves the positions the fast search does not take on, and the tests.
#pragma once

#include "ai/search.h"

namespace korvel {

ChosenMove SearchBestMovePlain(GameState& s, int seat);

// The hand cell and hand slot a seat tries k-th (k = 1..4) among its drops: SITA and
// HIDARI start with the pawn, UE and MIGI with the rook.
struct DropSlot {
  int handX, row, slot;
};
DropSlot DropOrder(int seat, int k);

}  // namespace korvel
