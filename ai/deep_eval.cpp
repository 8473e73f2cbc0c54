#include "ai/deep_eval.h"

namespace korvel::deep {

namespace {

constexpr int kOrth[4] = {-kStride, kStride, -1, 1};

int Chebyshev(int a, int b) {
  const int dx = SqX(a) > SqX(b) ? SqX(a) - SqX(b) : SqX(b) - SqX(a);
  const int dy = SqY(a) > SqY(b) ? SqY(a) - SqY(b) : SqY(b) - SqY(a);
  return dx > dy ? dx : dy;
}

// The danger to the king of `seat`; `nextEnemy` is the enemy seat that moves next.
int KingDanger(const Board& b, const EvalParams& p, int seat, int nextEnemy) {
  const int k = b.KingSq(seat);
  if (k == 0) return 0;
  const int team = TeamOf(seat);
  int attack[5] = {};
  int defenders = 0;
  int emptyNeighbours = 0;
  const int kx = SqX(k), ky = SqY(k);
  for (int y = ky - 2; y <= ky + 2; ++y) {
    if (y < 1 || y > 9) continue;
    for (int x = kx - 2; x <= kx + 2; ++x) {
      if (x < 1 || x > 9) continue;
      const int q = Sq(x, y);
      const std::uint8_t pc = b.At(q);
      const int dist = Chebyshev(q, k);
      if (pc == 0) {
        if (dist == 1) ++emptyNeighbours;
        continue;
      }
      const int s = SeatOf(pc);
      if (TeamOf(s) != team) {
        attack[s] += p.near[TypeOf(pc)] * (dist == 1 ? 2 : 1);
      } else if (dist == 1 && TypeOf(pc) != T_OU) {
        ++defenders;
      }
    }
  }
  int danger = 0;
  const int open = emptyNeighbours < 3 ? emptyNeighbours : 3;
  for (int e : {Next(seat), Prev(seat)}) {
    int a = attack[e];
    if (open > 0)
      for (int slot = 1; slot <= 4; ++slot)
        if (b.Hand(e, slot) > 0) a += p.drop[slot] * open;
    danger += e == nextEnemy ? a * p.nextPercent / 100 : a;
  }
  danger -= defenders * p.defender;
  if (danger <= 0) return danger / 2;
  return danger + danger * danger / p.quadratic;
}

}  // namespace

const EvalParams& DefaultEvalParams() {
  static const EvalParams params;
  return params;
}

int PieceValue(const EvalParams& p, std::uint8_t piece) {
  return p.board[TypeOf(piece)];
}

int Evaluate(const Board& b, const EvalParams& p) {
  const int side = b.Side();
  const int us = TeamOf(side);
  int score[2] = {0, 0};
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9; ++x) {
      const int q = Sq(x, y);
      const std::uint8_t pc = b.At(q);
      if (pc == 0) continue;
      const int team = TeamOf(SeatOf(pc));
      score[team] += p.board[TypeOf(pc)];
      if (Board::Slides(pc)) {
        int reach = 0;
        for (int d : kOrth)
          for (int t = q + d; b.At(t) != kWall; t += d) {
            ++reach;
            if (b.At(t) != 0) break;
          }
        score[team] += reach * p.rookMobility;
      }
    }
  for (int seat = 1; seat <= 4; ++seat)
    for (int slot = 1; slot <= 4; ++slot) {
      const int held = b.Hand(seat, slot) < 18 ? b.Hand(seat, slot) : 18;
      score[TeamOf(seat)] += held * p.hand[slot];
    }

  // The seat to move is the next enemy of the other team's kings; ours face Next(side).
  for (int seat = 1; seat <= 4; ++seat) {
    const int nextEnemy = TeamOf(seat) == us ? Next(side) : side;
    score[TeamOf(seat)] -= KingDanger(b, p, seat, nextEnemy);
  }
  return score[us] - score[1 - us] + p.tempo;
}

}  // namespace korvel::deep
