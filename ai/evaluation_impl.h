// The scoring written once for two ways of reading the attacks of the trial position:
// from the attack maps rebuilt for it (FullMaps), or counted on demand by the fast search
// (ai/attack_probe.h). `Attacks` answers:
//   int  Count(const GameState&, int seat, int x, int y)   -- AttackMap[seat][x][y]
//   bool Attacked(const GameState&, int a, int b, int x, int y)
//        -- AttackMap[a] or AttackMap[b] above 0 there; a and b are one team or one seat
//   int  AttackedOpponent(GameState&, int seat)            -- as the check rules answer it
//   bool IsMate(GameState&, int attacker, int defender)    -- with the maps of the position
// Only ai/ includes this.
#pragma once

#include "ai/evaluation.h"
#include "game/check.h"
#include "game/movement.h"

namespace korvel {

// Reads the maps that ComputeAttackMaps left in the state.
struct FullMaps {
  int Count(const GameState& s, int seat, int x, int y) const {
    return s.Caches().AttackMap[seat][x][y];
  }
  bool Attacked(const GameState& s, int a, int b, int x, int y) const {
    const auto& map = s.Caches().AttackMap;
    return map[a][x][y] > 0 || map[b][x][y] > 0;
  }
  int AttackedOpponent(GameState& s, int seat) const { return korvel::AttackedOpponent(s, seat); }
  bool IsMate(GameState& s, int p, int q) const { return korvel::IsMate(s, p, q); }
};

namespace eval_detail {

template <class Attacks>
bool IsSupportedCheckWith(const GameState& s, Attacks& a, PieceCode placed, int toX, int toY) {
  int ownA, ownB, oppA, oppB;
  if (placed == 12_pc || placed == 13_pc || placed == 32_pc || placed == 33_pc) {
    ownA = SITA, ownB = UE, oppA = HIDARI, oppB = MIGI;
  } else if (placed == 22_pc || placed == 23_pc || placed == 42_pc || placed == 43_pc) {
    ownA = HIDARI, ownB = MIGI, oppA = UE, oppB = SITA;
  } else {
    return false;
  }
  // The check itself is the cheapest part to test; the three conditions are independent.
  const Square k1 = s.Caches().KingPos[oppA], k2 = s.Caches().KingPos[oppB];
  if (!CanMove(s, toX, toY, k1.x, k1.y, placed) && !CanMove(s, toX, toY, k2.x, k2.y, placed))
    return false;
  if (a.Count(s, oppA, toX, toY) + a.Count(s, oppB, toX, toY) != 1) return false;
  return a.Count(s, ownA, toX, toY) + a.Count(s, ownB, toX, toY) >= 1;
}

template <class Attacks>
double EvaluateMoveWith(GameState& s, const EvalContext& ctx, Attacks& a, PieceCode captured,
                        PieceCode placed, int fromX, int fromY, int toX, int toY) {
  const int S = SeatByRange(placed);
  const SeatParams& p = ParamsOf(S);
  const int E1 = p.E1, E2 = p.E2;
  double score = 0;

  // 1. The mover's own king must not stay attacked.
  const Square own = s.Caches().KingPos[S];
  if (a.Attacked(s, E1, E2, own.x, own.y)) return -9998;

  // 2. Taking an enemy king wins.
  if (captured == KingCode(E1) || captured == KingCode(E2)) return 9999;

  // 3. Taking the partner's piece is bad; removing a piece that attacked the partner's king
  // is good.
  if (p.PartnerLow <= captured && captured <= p.PartnerHigh) {
    score += -100;
  } else if (p.ThreatLow <= captured && captured <= p.ThreatHigh &&
             CanMove(s, toX, toY, ctx.PartnerKing.x, ctx.PartnerKing.y, captured)) {
    score += 100;
  }

  if (a.Attacked(s, E1, E2, toX, toY)) {
    // 4. The destination is attacked by an enemy.
    if (captured.IsEmpty()) {
      score += -10;
    } else if (IsGoodCapture(placed, captured)) {
      score += p.GoodCaptureBonus;
      if (S == HIDARI) {
        const Square k = s.Caches().KingPos[HIDARI];
        if ((*ctx.AttackBefore)[UE][k.x][k.y] > 0) score += 100;
      }
    } else {
      score += -10;
    }
  } else {
    // 5. A safe destination.
    score += 1;
    const Square k1 = s.Caches().KingPos[E1];
    if (CanMove(s, toX, toY, k1.x, k1.y, placed)) {
      score += 20;
      if (a.IsMate(s, S, E1)) score += 500;
    }
    const Square k2 = s.Caches().KingPos[E2];
    if (CanMove(s, toX, toY, k2.x, k2.y, placed)) {
      score += 20;
      if (a.IsMate(s, S, E2)) score += 500;
    }
    if (captured.IsEmpty()) {
      if (fromX >= 1 && fromX <= 9) {
        const auto& before = *ctx.AttackBefore;
        if (before[E1][fromX][fromY] == 0 && before[E2][fromX][fromY] == 0)
          score += -10;
        else
          score += p.QuietMoveBonus;  // the piece left an attacked square
      }
      // Also for drops, measured from the hand cell.
      const bool forward = (p.ForwardDy < 0 && toY < fromY) || (p.ForwardDy > 0 && toY > fromY) ||
                           (p.ForwardDx > 0 && toX > fromX) || (p.ForwardDx < 0 && toX < fromX);
      if (forward) score += 0.1;
    }
    const int capturedSeat = SeatOfCode(captured);
    if (capturedSeat == E1 || capturedSeat == E2) score += 50;
  }

  // 6. UE alone looks at its partner's king: a mate found while UE bears on it decides.
  if (S == UE) {
    const Square sk = s.Caches().KingPos[SITA];
    if (a.Attacked(s, UE, UE, sk.x, sk.y)) {
      const int seat = s.CurrentSeat;
      const int o = a.AttackedOpponent(s, seat);
      if (a.IsMate(s, seat, o)) return placed == 31_pc ? -9998 : 9998;
      if (!a.Attacked(s, SITA, SITA, toX, toY)) score += 10;
    }
  }

  // 7. The stronger levels.
  if (s.Level >= 2 && placed > ctx.TrialPiece) score += 10;  // it promotes
  if (s.Level >= 3) {
    if (IsPawnGuardDrop(s, placed, fromX, toX, toY)) score += 10;
    if (IsSupportedCheckWith(s, a, placed, toX, toY)) {
      score += 50;
      return score;
    }
  }
  return score;
}

}  // namespace eval_detail

}  // namespace korvel
