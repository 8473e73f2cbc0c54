// korvel4-tune's fit: the quiet test, and the fit finding weights that explain results made
// from known weights.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "ai/self_play.h"
#include "tools/tune/texel.h"

namespace korvel::tune {
namespace {

using namespace deep;

// Positions of level-3 self-play games from scrambled openings, as deep boards.
std::vector<Sample> Positions(int games) {
  std::vector<Sample> out;
  for (int g = 0; g < games; ++g) {
    GameState s;
    StartSelfPlay(s, 3);
    ScrambleOpening(s, 1000 + g, 8);
    for (int turn = 0; turn < 120 && !s.GameOver; ++turn) {
      Sample x;
      if (x.board.Load(s, s.CurrentSeat)) out.push_back(x);
      PlaySelfPlayTurn(s);
    }
  }
  return out;
}

TEST(TuneWeights, EveryWeightOnceWithinItsRange) {
  EvalParams p;
  std::set<int*> seen;
  for (int i = 0; i < WeightCount(); ++i) {
    EXPECT_TRUE(seen.insert(&Weight(p, i)).second) << WeightName(i);
    const WeightRange r = WeightRangeOf(i);
    EXPECT_LT(r.lo, r.hi) << WeightName(i);
    EXPECT_GE(Weight(p, i), r.lo);
    EXPECT_LE(Weight(p, i), r.hi);
  }
  // Every number of EvalParams but the unused slots and the king's board value.
  EXPECT_EQ(WeightCount(), 9 + 5 + 9 + 5 + 5 - 5);
  EXPECT_EQ(seen.count(&p.board[T_OU]), 0u);
  EXPECT_EQ(seen.count(&p.tempo), 1u);
}

TEST(TuneWeights, QuietMeansNoCaptureAndNoKingReached) {
  GameState s;
  StartSelfPlay(s, 4);
  Board b;
  ASSERT_TRUE(b.Load(s, SITA));
  EXPECT_TRUE(IsQuiet(b));  // the start: nothing to take
  // An enemy piece in reach of SITA's pawn: not quiet.
  s.Board[5][6] = Code(HIDARI, HU);
  ASSERT_TRUE(b.Load(s, SITA));
  deep::Move moves[kMaxMoves];
  ASSERT_GT(b.GenerateCaptures(moves), 0);
  EXPECT_FALSE(IsQuiet(b));
  // Kings alone, HIDARI to move: quiet. The next seat (UE) reaching HIDARI's king from
  // where nothing of HIDARI's takes it is not.
  GameState t;
  StartSelfPlay(t, 4);
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) t.Board[x][y] = EMPTY;
  t.Board[1][5] = KingCode(HIDARI);
  t.Board[9][5] = KingCode(MIGI);
  t.Board[5][9] = KingCode(SITA);
  t.Board[5][1] = KingCode(UE);
  ASSERT_TRUE(b.Load(t, HIDARI));
  EXPECT_TRUE(IsQuiet(b));
  t.Board[1][1] = Code(UE, SYA);  // down the king's line; UE moves after HIDARI
  ASSERT_TRUE(b.Load(t, HIDARI));
  ASSERT_EQ(b.GenerateCaptures(moves), 0);
  ASSERT_TRUE(b.Load(t, HIDARI));
  EXPECT_FALSE(IsQuiet(b));
}

TEST(TuneWeights, TheFitFindsWeightsThatExplainTheResults) {
  // Results drawn from the defaults' own expectation: the defaults explain them best, and a
  // fit from weights far off comes back near them.
  std::vector<Sample> samples = Positions(6);
  ASSERT_GT(samples.size(), 300u);
  const EvalParams truth;
  const double k = 1.0;
  for (Sample& s : samples) s.result = static_cast<float>(Expected(Evaluate(s.board, truth), k));

  EXPECT_NEAR(FitScale(samples, truth), k, 0.05);
  EvalParams off = truth;
  for (int t = 1; t <= 8; ++t) off.board[t] = off.board[t] * 6 / 10;
  for (int h = 1; h <= 4; ++h) off.hand[h] = off.hand[h] * 14 / 10;
  off.tempo = 120;
  const double start = Loss(samples, off, k);
  int lastPass = 0;
  double lastLoss = start;
  const EvalParams fitted = Fit(samples, off, k, 200, [&](int pass, double loss) {
    EXPECT_EQ(pass, lastPass + 1);
    EXPECT_LE(loss, lastLoss);  // never worse
    lastPass = pass;
    lastLoss = loss;
  });
  const double end = Loss(samples, fitted, k);
  EXPECT_EQ(end, lastLoss);
  EXPECT_LT(end, start / 20);
  // The weights that move the evaluation most came back within a tenth.
  EXPECT_NEAR(fitted.board[T_HU], truth.board[T_HU], truth.board[T_HU] / 10);
  EXPECT_NEAR(fitted.board[T_SYA], truth.board[T_SYA], truth.board[T_SYA] / 10);
  EXPECT_NEAR(fitted.tempo, truth.tempo, 20);
  // Within their ranges whatever the steps.
  EvalParams copy = fitted;
  for (int i = 0; i < WeightCount(); ++i) {
    EXPECT_GE(Weight(copy, i), WeightRangeOf(i).lo);
    EXPECT_LE(Weight(copy, i), WeightRangeOf(i).hi);
  }
}

TEST(TuneWeights, NoSamplesNoPassesChangeNothing) {
  const EvalParams p;
  EXPECT_EQ(Loss({}, p, 1.0), 0.0);
  const std::vector<Sample> one(1);
  const EvalParams same = Fit(one, p, 1.0, 0);
  EXPECT_EQ(FormatEvalParams(same), FormatEvalParams(p));
}

}  // namespace
}  // namespace korvel::tune
