#include "ai/search_plain.h"

#include <cstring>

#include "ai/evaluation.h"
#include "game/attack_maps.h"
#include "game/check.h"
#include "game/movement.h"

namespace korvel {

DropSlot DropOrder(int seat, int k) {
  switch (seat) {
    case SITA:
      return {HAND_X_RIGHT, 5 + k, k};
    case HIDARI:
      return {HAND_X_LEFT, 5 + k, k};
    case UE:
      return {HAND_X_LEFT, k, 5 - k};
    case MIGI:
      return {HAND_X_RIGHT, k, 5 - k};
    default:
      return {0, 0, 0};
  }
}

ChosenMove SearchBestMovePlain(GameState& s, int seat) {
  ChosenMove best;
  if (seat < 1 || seat > 4) return best;
  const PieceCode low = Code(seat, HU), high = Code(seat, OU);
  double bestScore = -99999;

  UpdatePawnLines(s);
  ComputeAttackMaps(s);
  FindKing(s, 35_pc);
  FindKing(s, 15_pc);
  FindKing(s, 45_pc);
  FindKing(s, 25_pc);
  AttackTable attackBefore;
  std::memcpy(attackBefore, s.Caches().AttackMap, sizeof attackBefore);
  EvalContext ctx;
  ctx.AttackBefore = &attackBefore;
  ctx.PartnerKing = PartnerKingPos(s, seat);

  auto take = [&](double score, int fx, int fy, int tx, int ty, PieceCode before, PieceCode placed,
                  PieceCode captured) {
    bestScore = score;
    best = {{fx, fy, tx, ty, before, placed}, true, captured, score};
  };

  // Board moves first.
  for (int fx = 1; fx <= 9; ++fx)
    for (int fy = 1; fy <= 9; ++fy) {
      const PieceCode piece = s.Board[fx][fy];
      if (!(low <= piece && piece <= high)) continue;
      for (int tx = 1; tx <= 9; ++tx)
        for (int ty = 1; ty <= 9; ++ty) {
          if (!CanMove(s, fx, fy, tx, ty, piece) || ChecksPartner(s, fx, fy, tx, ty)) continue;
          const PieceCode trial = piece;
          ctx.TrialPiece = trial;
          const PieceCode captured = s.Board[tx][ty];
          s.Board[fx][fy] = EMPTY;
          s.Board[tx][ty] = trial;
          Square savedKing{};
          if (IsKingCode(trial)) {
            savedKing = s.Caches().KingPos[SeatOfCode(trial)];
            FindKing(s, trial);
          }

          PieceCode promoted;
          double score;
          PieceCode placed = trial;
          if (!CanPromote(fx, fy, tx, ty, trial, &promoted)) {
            ComputeAttackMaps(s);
            score = EvaluateMove(s, ctx, captured, trial, fx, fy, tx, ty);
          } else if (!MayStayUnpromoted(tx, ty, trial)) {
            s.Board[tx][ty] = promoted;
            ComputeAttackMaps(s);
            score = EvaluateMove(s, ctx, captured, promoted, fx, fy, tx, ty);
            placed = promoted;
          } else {
            ComputeAttackMaps(s);
            score = EvaluateMove(s, ctx, captured, trial, fx, fy, tx, ty);
            s.Board[tx][ty] = promoted;
            ComputeAttackMaps(s);
            const double promotedScore = EvaluateMove(s, ctx, captured, promoted, fx, fy, tx, ty);
            // On an equal score the piece stays as it is.
            if (promotedScore > score) {
              score = promotedScore;
              placed = promoted;
            }
          }

          if (IsKingCode(s.Board[tx][ty]))
            RestoreKingSquare(s, SeatOfCode(s.Board[tx][ty]), savedKing);
          s.Board[tx][ty] = captured;
          s.Board[fx][fy] = trial;

          if (score > bestScore) take(score, fx, fy, tx, ty, trial, placed, captured);
          // Taking any king ends the search, whether or not the move became the best.
          if (IsKingCode(captured)) return best;
        }
    }

  if (HandTotal(s, seat) <= 0) return best;
  for (int k = 1; k <= 4; ++k) {
    const DropSlot d = DropOrder(seat, k);
    if (s.Hand[seat][d.slot] <= 0) continue;
    const PieceCode trial = HandCellCode(d.handX, d.row);
    ctx.TrialPiece = trial;
    for (int tx = 1; tx <= 9; ++tx)
      for (int ty = 1; ty <= 9; ++ty) {
        if (!CanMove(s, d.handX, d.row, tx, ty, trial) || ChecksPartner(s, d.handX, d.row, tx, ty))
          continue;
        s.Board[tx][ty] = trial;
        ComputeAttackMaps(s);
        const double score = EvaluateMove(s, ctx, EMPTY, trial, d.handX, d.row, tx, ty);
        s.Board[tx][ty] = EMPTY;
        if (score > bestScore) {
          take(score, d.handX, d.row, tx, ty, trial, trial, EMPTY);
          if (bestScore >= 9998) return best;
        }
      }
  }
  return best;
}

}  // namespace korvel
