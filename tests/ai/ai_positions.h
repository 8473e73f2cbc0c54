// Small positions for the computer player's tests, and one candidate scored the way the
// search scores it.
#pragma once

#include <cstring>

#include "ai/evaluation.h"
#include "game/attack_maps.h"
#include "game/movement.h"

namespace korvel::testing {

// An empty board, empty hands, the four kings in the corners (SITA (9,9), HIDARI (1,9),
// UE (1,1), MIGI (9,1)) where they touch nothing.
inline GameState Parked(int seatToMove, int level = 3) {
  GameState s;
  s.GameMode = 1;
  s.GameStarted = true;
  s.CurrentSeat = seatToMove;
  s.Level = level;
  s.Board[9][9] = 15_pc;
  s.Board[1][9] = 25_pc;
  s.Board[1][1] = 35_pc;
  s.Board[9][1] = 45_pc;
  return s;
}

// Moves a king (or any piece) to another square.
inline void Relocate(GameState& s, int fx, int fy, int tx, int ty) {
  s.Board[tx][ty] = s.Board[fx][fy];
  s.Board[fx][fy] = EMPTY;
}

// The score of one candidate of CurrentSeat, prepared as the search prepares it: the
// position's maps kept as the "before" maps, the move made (`placed` on the destination),
// the maps rebuilt, then EvaluateMove.
inline double ScoreCandidate(GameState s, int fx, int fy, int tx, int ty, PieceCode placed) {
  UpdatePawnLines(s);
  ComputeAttackMaps(s);
  FindAllKings(s);
  AttackTable before;
  std::memcpy(before, s.Caches().AttackMap, sizeof before);
  EvalContext ctx;
  ctx.AttackBefore = &before;
  ctx.PartnerKing = PartnerKingPos(s, s.CurrentSeat);
  const bool drop = IsHandX(fx);
  ctx.TrialPiece = drop ? HandCellCode(fx, fy) : s.Board[fx][fy];
  const PieceCode captured = s.Board[tx][ty];
  if (!drop) s.Board[fx][fy] = EMPTY;
  s.Board[tx][ty] = placed;
  if (IsKingCode(placed)) FindKing(s, placed);
  ComputeAttackMaps(s);
  return EvaluateMove(s, ctx, captured, placed, fx, fy, tx, ty);
}

}  // namespace korvel::testing
