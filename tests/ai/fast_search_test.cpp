// SearchBestMove takes short cuts that must not change anything: compared here with the
// plain search on many odd positions at every level, for the move, the score to the
// last bit, and every table of the state it leaves.
#include <gtest/gtest.h>

#include <cstring>

#include "ai/search.h"
#include "ai/search_plain.h"
#include "ai/self_play.h"
#include "random_positions.h"

namespace korvel {
namespace {

void ExpectSameSearch(GameState s, const std::string& where) {
  GameState plain = s;
  const ChosenMove fast = SearchBestMove(s, s.CurrentSeat);
  const ChosenMove slow = SearchBestMovePlain(plain, plain.CurrentSeat);
  ASSERT_EQ(TurnLine({s.CurrentSeat, fast}), TurnLine({plain.CurrentSeat, slow})) << where;
  ASSERT_EQ(std::memcmp(&fast.score, &slow.score, sizeof fast.score), 0) << where;
  ASSERT_EQ(std::memcmp(s.Board, plain.Board, sizeof s.Board), 0) << where;
  ASSERT_EQ(std::memcmp(s.Hand, plain.Hand, sizeof s.Hand), 0) << where;
  const RuleCaches &a = s.Caches(), &b = plain.Caches();
  ASSERT_EQ(std::memcmp(a.KingPos, b.KingPos, sizeof a.KingPos), 0) << where;
  ASSERT_EQ(std::memcmp(a.PawnLine, b.PawnLine, sizeof a.PawnLine), 0) << where;
  ASSERT_EQ(std::memcmp(a.AttackMap, b.AttackMap, sizeof a.AttackMap), 0) << where;
  ASSERT_EQ(std::memcmp(a.CheckLineMap, b.CheckLineMap, sizeof a.CheckLineMap), 0) << where;
}

TEST(FastSearch, AnswersAsTheSearchAsWrittenOnOddPositions) {
  for (int seed = 1; seed <= 6000; ++seed)
    for (int level = 1; level <= 3; ++level) {
      // Kings rarely missing: most positions take the fast road.
      GameState s = testing::RandomPosition(seed + 100000, 400);
      s.Level = level;
      ExpectSameSearch(s, "seed " + std::to_string(seed) + " level " + std::to_string(level));
    }
}

// Sparse positions: few pieces, so that the scoring's quieter branches are reached.
TEST(FastSearch, AnswersAsTheSearchAsWrittenOnSparsePositions) {
  for (int seed = 1; seed <= 4000; ++seed) {
    testing::Lcg r{static_cast<std::uint64_t>(seed) * 31 + 5};
    GameState s = testing::RandomPosition(seed + 200000, 400);
    // Thin the board out to about a dozen pieces besides the kings.
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y)
        if (!IsKingCode(s.Board[x][y]) && r.Below(3) != 0) s.Board[x][y] = EMPTY;
    ExpectSameSearch(s, "sparse seed " + std::to_string(seed));
  }
}

// Every position of a few self-play games, at the level of the game.
TEST(FastSearch, AnswersAsTheSearchAsWrittenAlongSelfPlay) {
  for (int level = 1; level <= 3; ++level)
    for (int seed = 20; seed < 26; ++seed) {
      GameState s;
      StartSelfPlay(s, level);
      ScrambleOpening(s, seed, 10);
      for (int turn = 0; turn < 150 && !s.GameOver; ++turn) {
        ExpectSameSearch(s, "game " + std::to_string(seed) + " level " + std::to_string(level) +
                                " turn " + std::to_string(turn));
        PlaySelfPlayTurn(s);
      }
    }
}

}  // namespace
}  // namespace korvel
