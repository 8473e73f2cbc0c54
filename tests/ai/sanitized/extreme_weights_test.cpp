// Level 4 with the most extreme weights a weights file may give, on positions no game
// reaches: every evaluation stays within the bound the ranges promise, and every search
// runs to a legal move. This test and the level-4 sources under it are built with signed
// overflow trapping (tools/match/match.cmake): one overflow anywhere stops it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ai/deep_board.h"
#include "ai/deep_eval.h"
#include "ai/deep_search.h"
#include "game/state.h"
#include "../random_positions.h"

namespace korvel::deep {
namespace {

// Each field at one end of its range: +1 the end away from zero on the positive side, -1
// on the negative side (the quadratic, always positive, at its smallest: the steepest).
EvalParams AtEnds(const int sign[9]) {
  auto end = [](WeightRange r, int s) { return s > 0 ? r.hi : r.lo; };
  EvalParams p;
  for (int& v : p.board) v = end(kPieceWeightRange, sign[0]);
  for (int& v : p.hand) v = end(kPieceWeightRange, sign[1]);
  for (int& v : p.near) v = end(kKingWeightRange, sign[2]);
  for (int& v : p.drop) v = end(kKingWeightRange, sign[3]);
  p.defender = end(kDefenderRange, sign[4]);
  p.nextPercent = end(kNextPercentRange, sign[5]);
  p.quadratic = kQuadraticRange.lo;
  p.rookMobility = end(kRookMobilityRange, sign[7]);
  p.tempo = end(kPieceWeightRange, sign[8]);
  return p;
}

// All at the positive ends, all at the negative ends, the material one way and the king's
// safety the other, and each field alone at either end with the others as they are.
std::vector<EvalParams> WeightSets() {
  std::vector<EvalParams> sets;
  const int plus[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  const int minus[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  const int crossed[9] = {1, 1, -1, -1, 1, -1, 1, 1, -1};
  const int crossedBack[9] = {-1, -1, 1, 1, -1, 1, -1, -1, 1};
  for (const int* s : {plus, minus, crossed, crossedBack}) sets.push_back(AtEnds(s));
  for (int field = 0; field < 9; ++field)
    for (int s : {1, -1}) {
      int sign[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
      sign[field] = s;
      EvalParams p = DefaultEvalParams();
      const EvalParams ends = AtEnds(sign);
      switch (field) {
        case 0: std::copy(std::begin(ends.board), std::end(ends.board), p.board); break;
        case 1: std::copy(std::begin(ends.hand), std::end(ends.hand), p.hand); break;
        case 2: std::copy(std::begin(ends.near), std::end(ends.near), p.near); break;
        case 3: std::copy(std::begin(ends.drop), std::end(ends.drop), p.drop); break;
        case 4: p.defender = ends.defender; break;
        case 5: p.nextPercent = ends.nextPercent; break;
        case 6: p.quadratic = s > 0 ? kQuadraticRange.lo : kQuadraticRange.hi; break;
        case 7: p.rookMobility = ends.rookMobility; break;
        case 8: p.tempo = ends.tempo; break;
      }
      sets.push_back(p);
    }
  return sets;
}

// The positions that push the evaluation furthest: a king in the middle with the next
// enemy's dragons on all 24 squares around it and full hands; a board of the other team's
// dragons on open lines; every square taken. And the start, and seeded oddities.
std::vector<GameState> Positions() {
  std::vector<GameState> out;
  auto base = [] {
    GameState s;
    s.GameMode = 1;
    s.GameStarted = true;
    s.CurrentSeat = SITA;
    return s;
  };
  {
    GameState s = base();
    s.Board[5][5] = 15_pc;
    for (int x = 3; x <= 7; ++x)
      for (int y = 3; y <= 7; ++y)
        if (x != 5 || y != 5) s.Board[x][y] = 24.5_pc;
    s.Board[1][1] = 25_pc;
    s.Board[9][1] = 35_pc;
    s.Board[9][9] = 45_pc;
    for (int seat = 1; seat <= 4; ++seat)
      for (int slot = 1; slot <= 4; ++slot) s.Hand[seat][slot] = 1000;
    out.push_back(s);
  }
  {
    GameState s = base();
    s.Board[5][9] = 15_pc;
    s.Board[1][5] = 25_pc;
    s.Board[5][1] = 35_pc;
    s.Board[9][5] = 45_pc;
    for (int x = 2; x <= 8; x += 2)
      for (int y = 2; y <= 8; y += 2) s.Board[x][y] = (x + y) % 4 == 0 ? 24.5_pc : 44_pc;
    for (int slot = 1; slot <= 4; ++slot) s.Hand[HIDARI][slot] = s.Hand[MIGI][slot] = 18;
    out.push_back(s);
  }
  {
    GameState s = base();
    SetInitialPosition(s);
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y)
        if (s.Board[x][y].IsEmpty()) s.Board[x][y] = (x + y) % 2 ? 14.5_pc : 34.5_pc;
    out.push_back(s);
  }
  {
    GameState s = base();
    SetInitialPosition(s);
    out.push_back(s);
  }
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    GameState s = testing::RandomPosition(seed, 1 << 30);
    for (int slot = 1; slot <= 4; ++slot) s.Hand[1 + seed % 4][slot] = 50;
    out.push_back(s);
  }
  return out;
}

TEST(ExtremeWeights, TheRangesHoldTheDefaultsAndTheirEndsAreAccepted) {
  const EvalParams& d = DefaultEvalParams();
  auto inside = [](int v, WeightRange r) { return r.lo <= v && v <= r.hi; };
  for (int v : d.board) EXPECT_TRUE(inside(v, kPieceWeightRange));
  for (int v : d.hand) EXPECT_TRUE(inside(v, kPieceWeightRange));
  for (int v : d.near) EXPECT_TRUE(inside(v, kKingWeightRange));
  for (int v : d.drop) EXPECT_TRUE(inside(v, kKingWeightRange));
  EXPECT_TRUE(inside(d.defender, kDefenderRange));
  EXPECT_TRUE(inside(d.nextPercent, kNextPercentRange));
  EXPECT_TRUE(inside(d.quadratic, kQuadraticRange));
  EXPECT_TRUE(inside(d.rookMobility, kRookMobilityRange));
  EXPECT_TRUE(inside(d.tempo, kPieceWeightRange));
  for (const EvalParams& p : WeightSets()) {
    EvalParams back;
    std::string error;
    EXPECT_TRUE(ParseEvalParams(FormatEvalParams(p), back, error)) << error;
  }
}

TEST(ExtremeWeights, EveryEvaluationStaysWithinItsBound) {
  long long largest = 0;
  for (const GameState& s : Positions())
    for (int seat = 1; seat <= 4; ++seat) {
      Board b;
      ASSERT_TRUE(b.Load(s, seat));
      for (const EvalParams& p : WeightSets()) {
        const long long e = Evaluate(b, p);
        EXPECT_LE(std::llabs(e), bounds::kEvaluation);
        largest = std::max(largest, std::llabs(e));
      }
    }
  // The crowded king takes the danger's square term far towards its bound (which counts
  // open squares for drops beside a king that has none).
  EXPECT_GT(largest, bounds::kEvaluation / 25);
}

TEST(ExtremeWeights, SearchesRunToALegalMove) {
  const std::vector<EvalParams> sets = WeightSets();
  const std::vector<GameState> positions = Positions();
  for (size_t i = 0; i < sets.size(); ++i)
    for (size_t k = 0; k < positions.size(); ++k) {
      // Every set on the crowded and the open positions, the others in turn.
      if (k >= 2 && (i + k) % 4 != 0) continue;
      GameState s = positions[k];
      DeepLimits limits;
      limits.nodes = 4000;
      limits.eval = &sets[i];
      DeepStats stats;
      const ChosenMove m = SearchDeep(s, s.CurrentSeat, limits, &stats);
      EXPECT_FALSE(stats.fallback) << k;
      if (!m.found) continue;  // a seat without a move passes
      Board b;
      ASSERT_TRUE(b.Load(s, s.CurrentSeat));
      const Move chosen = b.FromGame(m.fromX, m.fromY, m.toX, m.toY, m.placed);
      EXPECT_TRUE(chosen != kNoMove && b.IsLegal(chosen)) << "set " << i << ", position " << k;
    }
}

}  // namespace
}  // namespace korvel::deep
