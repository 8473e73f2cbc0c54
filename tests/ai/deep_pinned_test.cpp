// Level 4's choices pinned: played positions at small budgets give exactly the move, node
// count and score they gave when the table was written, so that a change meant to make the
// search faster cannot change what it plays. A reused thinker gives the same as a fresh one.
#include <gtest/gtest.h>

#include <tuple>

#include "ai/deep_search.h"
#include "ai/self_play.h"
#include "deep_reference.h"

namespace korvel {
namespace {

struct Pinned {
  int seed;   // ScrambleOpening's seed (8 turns)
  int turns;  // then this many turns of level-3 self-play
  std::uint64_t nodes;
  testing::GameMove move;
  std::uint64_t searched;
  int score;
};

// Written when moves that surely leave a king to the next seat came to be scored without
// being made (before: when two quiescence plies of replies to a king threat and the first
// quiescence ply's table entries became level 4's).
const Pinned kPinned[] = {
    {31, 48, 3000, {6, 7, 6, 6, 26}, 3073, -1475},
    {31, 48, 12000, {6, 7, 6, 6, 26}, 12289, -400},
    {31, 48, 40000, {6, 7, 6, 6, 26}, 40960, -551},
    {32, 0, 3000, {7, 9, 7, 8, 24}, 3072, -778},
    {32, 0, 12000, {7, 9, 7, 8, 24}, 12288, -794},
    {32, 0, 40000, {7, 9, 7, 8, 24}, 40961, -767},
    {33, 12, 3000, {4, 7, 5, 6, 24}, 3073, 2015},
    {33, 12, 12000, {7, 8, 7, 7, 26}, 12288, 1584},
    {33, 12, 40000, {5, 9, 6, 9, 30}, 40960, 2010},
    {34, 24, 3000, {5, 2, 1, 2, 68}, 3072, -4696},
    {34, 24, 12000, {5, 2, 1, 2, 68}, 9664, -29993},
    {34, 24, 40000, {5, 2, 1, 2, 68}, 9664, -29993},
    {36, 0, 3000, {3, 9, 2, 8, 24}, 3072, 1029},
    {36, 0, 12000, {3, 9, 2, 8, 24}, 12288, 1075},
    {36, 0, 40000, {3, 9, 2, 8, 24}, 40960, 1044},
    {37, 12, 3000, {5, 8, 5, 4, 28}, 3073, -72},
    {37, 12, 12000, {5, 8, 5, 4, 28}, 12289, -72},
    {37, 12, 40000, {5, 8, 5, 4, 28}, 40960, -163},
    {38, 24, 3000, {3, 4, 4, 5, 24}, 3072, -553},
    {38, 24, 12000, {3, 2, 3, 1, 23}, 12288, -70},
    {38, 24, 40000, {3, 2, 3, 1, 23}, 40960, -70},
    {39, 48, 3000, {5, 2, 6, 1, 70}, 3072, -333},
    {39, 48, 12000, {5, 2, 6, 1, 70}, 12288, -208},
    {39, 48, 40000, {7, 1, 8, 2, 64}, 40960, -224},
    {40, 0, 3000, {3, 8, 4, 7, 24}, 3072, 1050},
    {40, 0, 12000, {5, 8, 5, 7, 28}, 12289, 1246},
    {40, 0, 40000, {3, 8, 3, 7, 24}, 40960, 1011},
    {41, 12, 3000, {6, 8, 5, 9, 30}, 3072, -1237},
    {41, 12, 12000, {6, 8, 5, 9, 30}, 12288, -1377},
    {41, 12, 40000, {6, 8, 5, 9, 30}, 40960, -1415},
    {42, 24, 3000, {3, 8, 2, 9, 24}, 3073, -6},
    {42, 24, 12000, {3, 8, 2, 9, 24}, 12288, -10},
    {42, 24, 40000, {3, 8, 2, 9, 24}, 40960, -17},
    {43, 48, 3000, {5, 8, 9, 8, 28}, 3073, -171},
    {43, 48, 12000, {5, 8, 9, 8, 28}, 12288, -507},
    {43, 48, 40000, {2, 1, 3, 1, 25}, 40960, -391},
    {44, 0, 3000, {2, 8, 2, 7, 24}, 3072, -809},
    {44, 0, 12000, {2, 8, 2, 7, 24}, 12290, -856},
    {44, 0, 40000, {2, 8, 2, 7, 24}, 40962, -829},
    {45, 12, 3000, {5, 7, 5, 6, 22}, 3074, 167},
    {45, 12, 12000, {5, 7, 5, 6, 22}, 12288, 198},
    {45, 12, 40000, {5, 7, 5, 6, 22}, 40962, 69},
};

DeepLimits Budget(std::uint64_t nodes) {
  DeepLimits limits;
  limits.nodes = nodes;
  return limits;
}

GameState PinnedPosition(const Pinned& p) {
  GameState s;
  StartSelfPlay(s, 3);
  ScrambleOpening(s, static_cast<std::uint64_t>(p.seed), 8);
  PlaySelfPlay(s, p.turns);
  return s;
}

TEST(DeepPinnedChoices, FreshAndReusedThinkersGiveThePinnedMovesAndNodeCounts) {
  DeepThinker reused;
  for (const Pinned& p : kPinned) {
    const GameState s = PinnedPosition(p);
    ASSERT_FALSE(s.GameOver) << "seed " << p.seed;
    DeepLimits limits;
    limits.nodes = p.nodes;
    DeepStats fresh, again;
    const ChosenMove a = SearchDeep(s, s.CurrentSeat, limits, &fresh);
    const ChosenMove b = reused.Choose(s, s.CurrentSeat, limits, &again);
    const std::string where = "seed " + std::to_string(p.seed) + " at " + std::to_string(p.nodes);
    EXPECT_EQ(testing::AsGameMove(a), p.move) << where;
    EXPECT_EQ(fresh.nodes, p.searched) << where;
    EXPECT_EQ(fresh.score, p.score) << where;
    EXPECT_EQ(testing::AsGameMove(b), p.move) << where;
    EXPECT_EQ(again.nodes, p.searched) << where;
    EXPECT_EQ(again.score, p.score) << where;
  }
}

// A thinker's table stamps start over at its 256th decision, which then has the stamp of
// the first: the first searches a position at a large budget, 254 short ones follow on
// another, and the 256th searches the first position again at a smaller budget. It must
// answer as a new thinker does, unhelped by what the first left in the table.
TEST(DeepPinnedChoices, AThinkerAnswersAsANewOneAfterItsStampsStartOver) {
  const GameState first = PinnedPosition(kPinned[6]);  // seed 33, 12 turns
  GameState other;
  StartSelfPlay(other, 3);
  auto decide = [](DeepThinker& t, const GameState& s, std::uint64_t nodes) {
    DeepStats stats;
    const ChosenMove m = t.Choose(s, s.CurrentSeat, Budget(nodes), &stats);
    // The node count alone is the budget rounded up: the depth and the score show help.
    return std::make_tuple(testing::AsGameMove(m), stats.nodes, stats.depth, stats.score);
  };
  DeepThinker longLived, fresh;
  decide(longLived, first, 40000);
  for (int i = 0; i < 254; ++i) decide(longLived, other, 500);
  EXPECT_EQ(decide(longLived, first, 12000), decide(fresh, first, 12000));
  EXPECT_EQ(decide(longLived, other, 3000), decide(fresh, other, 3000));
}

}  // namespace
}  // namespace korvel
