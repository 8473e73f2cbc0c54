// The computer player's decision: a one-ply search over every board move and drop of a
// seat, each scored by EvaluateMove on the trial position.
#pragma once

#include "game/move.h"

namespace korvel {

struct ChosenMove : Move {
  bool found = false;  // false: the seat has no qualifying move at all
  PieceCode captured;  // what stands on the destination
  double score = -99999;
};

// Chooses the move of `seat` (always the seat to move, CurrentSeat). Board, hands and
// KingPos are as they were when it returns, except for the caches the search refreshes on
// the way (KingPos by FindKing and ComputeAttackMaps, PawnLine, the attack tables).
ChosenMove SearchBestMove(GameState& s, int seat);

}  // namespace korvel
