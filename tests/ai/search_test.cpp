#include "ai/search.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ai_positions.h"
#include "random_positions.h"

namespace korvel {
namespace {

using testing::Parked;
using testing::Relocate;

struct Expected {
  int fromX, fromY, toX, toY;
  PieceCode placed;
};

void ExpectMove(const ChosenMove& m, const Expected& e) {
  ASSERT_TRUE(m.found);
  EXPECT_EQ(m.fromX, e.fromX);
  EXPECT_EQ(m.fromY, e.fromY);
  EXPECT_EQ(m.toX, e.toX);
  EXPECT_EQ(m.toY, e.toY);
  EXPECT_EQ(m.placed.ToString(), e.placed.ToString());
}

// Do the attack maps the search left describe the position with this move made? They are
// those of the last candidate tried, so they tell where the search stopped.
bool MapsLeftAreOf(const GameState& after, GameState position, int fx, int fy, int tx, int ty,
                   PieceCode placed) {
  if (!IsHandX(fx)) position.Board[fx][fy] = EMPTY;
  position.Board[tx][ty] = placed;
  ComputeAttackMaps(position);
  const auto& left = after.Caches().AttackMap;
  return std::memcmp(left, position.Caches().AttackMap, sizeof left) == 0;
}

TEST(SearchBestMove, TiesGoToTheFirstCandidateInScanOrder) {
  // Two golds with the same quiet steps: the lower from-x, then the lower to-x, wins.
  GameState s = Parked(SITA, 1);
  s.Board[2][7] = 13_pc;
  s.Board[7][7] = 13_pc;
  ChosenMove m = SearchBestMove(s, SITA);
  ExpectMove(m, {2, 7, 1, 6, 13_pc});
  EXPECT_EQ(m.score, -8.9);
  EXPECT_EQ(m.before, 13_pc);
  EXPECT_EQ(m.captured, EMPTY);

  // Drops by hand row: SITA tries its pawn before its gold, UE its gold before its pawn.
  GameState sita = Parked(SITA, 1);
  Relocate(sita, 1, 1, 5, 1);
  sita.Hand[SITA][1] = 1;
  sita.Hand[SITA][3] = 1;
  ExpectMove(SearchBestMove(sita, SITA), {11, 6, 1, 2, 11_pc});
  GameState ue = Parked(UE, 1);
  ue.Hand[UE][1] = 1;
  ue.Hand[UE][3] = 1;
  ExpectMove(SearchBestMove(ue, UE), {-1, 2, 1, 3, 33_pc});
}

TEST(SearchBestMove, TakingAKingEndsTheSearch) {
  // 9999 for the king; the drop in hand is never tried, so the maps left are the capture's.
  GameState s = Parked(SITA);
  s.Board[1][5] = 14_pc;
  Relocate(s, 1, 1, 5, 1);  // out of the rook's file
  s.Hand[SITA][3] = 1;
  const GameState before = s;
  ChosenMove m = SearchBestMove(s, SITA);
  ExpectMove(m, {1, 5, 1, 9, 14_pc});
  EXPECT_EQ(m.score, 9999);
  EXPECT_EQ(m.captured, 25_pc);
  EXPECT_TRUE(MapsLeftAreOf(s, before, 1, 5, 1, 9, 14_pc));

  // MIGI's gold attacks SITA's king, so every move but taking that gold scores -9998. The
  // rook's capture of HIDARI's king is tried before the gold's rescue and, although it is
  // not better than the pawn's move found first, it ends the search.
  GameState t = Parked(SITA);
  Relocate(t, 1, 1, 5, 1);
  t.Board[9][8] = 43_pc;
  t.Board[1][4] = 11_pc;
  t.Board[2][9] = 14_pc;
  t.Board[8][8] = 13_pc;
  m = SearchBestMove(t, SITA);
  ExpectMove(m, {1, 4, 1, 3, 11_pc});
  EXPECT_EQ(m.score, -9998);

  // Without the king to take, the gold's rescue is found.
  t.Board[2][9] = EMPTY;
  ExpectMove(SearchBestMove(t, SITA), {8, 8, 9, 8, 13_pc});
}

// UE bears on SITA's king with its gold on (5,4); MIGI's king sits boxed in on (9,9).
GameState UeMatePosition() {
  GameState s = Parked(UE);
  Relocate(s, 9, 9, 5, 5);
  s.Board[5][4] = 33_pc;
  Relocate(s, 9, 1, 9, 9);
  s.Board[8][8] = 41_pc;
  s.Board[8][9] = 41_pc;
  s.Board[9][7] = 31_pc;  // guards (9,8)
  return s;
}

TEST(SearchBestMove, OnlyADropReaching9998EndsTheSearch) {
  // The gold dropped on (9,8) mates MIGI: 9998, and the pawn in hand is never tried.
  GameState s = UeMatePosition();
  s.Hand[UE][3] = 1;
  s.Hand[UE][1] = 1;
  const GameState before = s;
  ChosenMove m = SearchBestMove(s, UE);
  ExpectMove(m, {-1, 2, 9, 8, 33_pc});
  EXPECT_EQ(m.score, 9998);
  EXPECT_TRUE(MapsLeftAreOf(s, before, -1, 2, 9, 8, 33_pc));

  // The same mate by a board move does not stop: UE's gold on (9,5) then takes HIDARI's
  // king.
  GameState b = UeMatePosition();
  b.Board[8][7] = 33_pc;
  b.Board[9][5] = 33_pc;
  Relocate(b, 1, 9, 9, 6);
  m = SearchBestMove(b, UE);
  ExpectMove(m, {9, 5, 9, 6, 33_pc});
  EXPECT_EQ(m.score, 9999);
}

TEST(SearchBestMove, PromotionOnlyWhenStrictlyBetter) {
  // Into the zone: the promoted silver scores the same at level 1 and 10 more above.
  for (int level = 1; level <= 3; ++level) {
    GameState s = Parked(SITA, level);
    s.Board[5][4] = 12_pc;
    const ChosenMove m = SearchBestMove(s, SITA);
    ExpectMove(m, {5, 4, 4, 3, level == 1 ? 12_pc : 12.5_pc});
    EXPECT_EQ(m.before, 12_pc);
  }
  // A pawn onto its last line is only tried promoted, even where staying would tie.
  GameState p = Parked(SITA, 1);
  p.Board[5][2] = 11_pc;
  p.Board[5][1] = 41_pc;
  ChosenMove m = SearchBestMove(p, SITA);
  ExpectMove(m, {5, 2, 5, 1, 11.5_pc});
  EXPECT_EQ(m.before, 11_pc);
  EXPECT_EQ(m.captured, 41_pc);
}

TEST(SearchBestMove, HandSlotsWithNothingAreSkipped) {
  GameState s = Parked(SITA, 1);
  Relocate(s, 1, 1, 5, 1);
  s.Hand[SITA][3] = 1;  // a gold only: no pawn drop may be tried
  ExpectMove(SearchBestMove(s, SITA), {11, 8, 1, 1, 13_pc});
  // An empty hand: the king's best step.
  s.Hand[SITA][3] = 0;
  ExpectMove(SearchBestMove(s, SITA), {9, 9, 8, 8, 15_pc});
}

TEST(SearchBestMove, NoQualifyingMove) {
  // SITA's one piece is a pawn on its last line, and its hand is empty.
  GameState s = Parked(SITA);
  s.Board[9][9] = EMPTY;
  s.Board[3][1] = 11_pc;
  const GameState before = s;
  const ChosenMove m = SearchBestMove(s, SITA);
  EXPECT_FALSE(m.found);
  EXPECT_EQ(m.score, -99999);
  EXPECT_EQ(std::memcmp(s.Board, before.Board, sizeof s.Board), 0);
}

// Board and hands are as they were; KingPos holds what the kings scan at the start found.
TEST(SearchBestMove, LeavesBoardHandsAndKingsAsTheyWere) {
  for (int seed = 1; seed <= 300; ++seed) {
    GameState s = testing::RandomPosition(seed);
    GameState expected = s;
    for (PieceCode king : {35_pc, 15_pc, 45_pc, 25_pc}) FindKing(expected, king);
    SearchBestMove(s, s.CurrentSeat);
    ASSERT_EQ(std::memcmp(s.Board, expected.Board, sizeof s.Board), 0) << "seed " << seed;
    ASSERT_EQ(std::memcmp(s.Hand, expected.Hand, sizeof s.Hand), 0) << "seed " << seed;
    for (int seat = 1; seat <= 4; ++seat)
      ASSERT_EQ(s.Caches().KingPos[seat], expected.Caches().KingPos[seat])
          << "seed " << seed << " seat " << seat;
  }
}

}  // namespace
}  // namespace korvel
