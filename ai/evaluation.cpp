#include "ai/evaluation.h"

#include "ai/evaluation_impl.h"

namespace korvel {

namespace {

// Index 0 is no seat and never read.
constexpr SeatParams PARAMS[5] = {
    {},
    // SITA: enemies MIGI then HIDARI, partner UE, HIDARI moves next; forward is up.
    {MIGI, HIDARI, 31_pc, 35_pc, 21_pc, 24.5_pc, 15, 15, 0, -1},
    // HIDARI: enemies UE then SITA, partner MIGI, UE moves next; forward is right.
    {UE, SITA, 41_pc, 45_pc, 31_pc, 34.5_pc, 10, 10, 1, 0},
    // UE: enemies MIGI then HIDARI, partner SITA, MIGI moves next; forward is down.
    {MIGI, HIDARI, 11_pc, 15_pc, 41_pc, 44.5_pc, 10, 10, 0, 1},
    // MIGI: enemies UE then SITA, partner HIDARI, SITA moves next (its king included; taking
    // it wins before this is asked); forward is left.
    {UE, SITA, 21_pc, 25_pc, 11_pc, 15_pc, 10, 10, -1, 0},
};

}  // namespace

const SeatParams& ParamsOf(int seat) {
  return PARAMS[(seat >= 1 && seat <= 4) ? seat : 0];
}

double EvaluateMove(GameState& s, const EvalContext& ctx, PieceCode captured, PieceCode placed,
                    int fromX, int fromY, int toX, int toY) {
  FullMaps maps;
  return eval_detail::EvaluateMoveWith(s, ctx, maps, captured, placed, fromX, fromY, toX, toY);
}

bool IsGoodCapture(PieceCode mover, PieceCode captured) {
  if (captured.IsEmpty()) return false;
  // SITA and UE pieces take HIDARI and MIGI pieces, and the reverse.
  auto in = [&](PieceCode low, PieceCode high) { return low <= captured && captured <= high; };
  switch (mover.Halves()) {
    case (11_pc).Halves():
    case (31_pc).Halves():
    case (21_pc).Halves():
    case (41_pc).Halves():
      return true;  // a pawn's capture always pays
    case (12_pc).Halves():
    case (12.5_pc).Halves():
    case (32_pc).Halves():
    case (32.5_pc).Halves():
      return in(42_pc, 45_pc) || in(22_pc, 25_pc);
    case (13_pc).Halves():
    case (33_pc).Halves():
      return in(43_pc, 45_pc) || in(23_pc, 25_pc);
    case (14_pc).Halves():
    case (34_pc).Halves():
      return in(44_pc, 45_pc) || in(24_pc, 25_pc);
    case (14.5_pc).Halves():
    case (34.5_pc).Halves():
      return in(44.5_pc, 45_pc) || in(24.5_pc, 25_pc);
    case (22_pc).Halves():
    case (22.5_pc).Halves():
    case (42_pc).Halves():
    case (42.5_pc).Halves():
      return in(32_pc, 35_pc) || in(12_pc, 15_pc);
    case (23_pc).Halves():
    case (43_pc).Halves():
      return in(33_pc, 35_pc) || in(13_pc, 15_pc);
    case (24_pc).Halves():
    case (44_pc).Halves():
      return in(34_pc, 35_pc) || in(14_pc, 15_pc);
    case (24.5_pc).Halves():
    case (44.5_pc).Halves():
      return in(34.5_pc, 35_pc) || in(14.5_pc, 15_pc);
    default:
      return false;  // promoted pawns, kings
  }
}

bool IsPawnGuardDrop(const GameState& s, PieceCode placed, int fromX, int toX, int toY) {
  if (fromX >= 1 && fromX <= 9) return false;
  int gx = toX, gy = toY;
  PieceCode gold;
  if (placed == 11_pc) {
    gy = toY - 1, gold = 13_pc;
  } else if (placed == 31_pc) {
    gy = toY + 1, gold = 33_pc;
  } else if (placed == 21_pc) {
    gx = toX + 1, gold = 23_pc;
  } else if (placed == 41_pc) {
    gx = toX - 1, gold = 43_pc;
  } else {
    return false;
  }
  if (gx < 0 || gx > 9 || gy < 0 || gy > 9) return false;
  return s.Board[gx][gy] == gold;
}

bool IsSupportedCheck(const GameState& s, PieceCode placed, int toX, int toY) {
  FullMaps maps;
  return eval_detail::IsSupportedCheckWith(s, maps, placed, toX, toY);
}

}  // namespace korvel
