// Attack tables: how many pieces of each seat reach each square, and where each seat's
// rooks bear on enemy kings. The computer rebuilds them for every candidate it tries, so
// they are plain arrays inside GameState and a rebuild allocates nothing.
#pragma once

#include "game/state.h"

namespace korvel {

// Rebuilds AttackMap and CheckLineMap of all four seats from the board. While it scans, it
// also notes where MIGI's and HIDARI's kings stand (KingPos).
void ComputeAttackMaps(GameState& s);

// The gold-move attacks of one piece of `seat` standing on (x, y).
void AddGoldSteps(GameState& s, int seat, int x, int y);

// Directions of a rook ray, in the order they are walked.
enum RayDirection { RAY_DOWN, RAY_UP, RAY_RIGHT, RAY_LEFT };  // +y, -y, +x, -x
void AddRookRay(GameState& s, PieceCode piece, int x, int y, RayDirection direction);

}  // namespace korvel
