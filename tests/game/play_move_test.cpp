// Playing, taking back and generating moves: a move taken back leaves the position exactly
// as it was, the generator offers exactly the moves the rules allow, and asking about a
// move changes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "game/check.h"
#include "game/play_move.h"
#include "positions.h"

namespace korvel {
namespace {

using testing::FromGrid;

bool SamePosition(const GameState& a, const GameState& b) {
  return std::memcmp(a.Board, b.Board, sizeof a.Board) == 0 &&
         std::memcmp(a.Hand, b.Hand, sizeof a.Hand) == 0 && a.CurrentSeat == b.CurrentSeat;
}

GameState Initial() {
  GameState s;
  NewGameModel(s);
  s.CurrentSeat = SITA;
  return s;
}

// Long random walks: every move is taken back and played again before the walk goes on.
TEST(PlayMove, UndoRestoresThePositionAndRedoRepeatsIt) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    GameState s = Initial();
    for (int ply = 0; ply < 400; ++ply) {
      const std::vector<Move> moves = LegalMoves(s);
      if (moves.empty()) {
        s.CurrentSeat = NextSeat(s.CurrentSeat);
        continue;
      }
      const Move m = moves[rng() % moves.size()];
      const GameState before = s;
      MoveOutcome o = PlayMove(s, m);
      ASSERT_EQ(o.mover, before.CurrentSeat);
      ASSERT_EQ(o.captured, before.Board[m.toX][m.toY]);
      const GameState after = s;
      UndoMove(s, m, o);
      ASSERT_TRUE(SamePosition(s, before)) << "seed " << seed << " ply " << ply;
      RedoMove(s, m, o.captured);
      ASSERT_EQ(std::memcmp(s.Board, after.Board, sizeof s.Board), 0);
      ASSERT_EQ(std::memcmp(s.Hand, after.Hand, sizeof s.Hand), 0);
      if (o.kingTaken) break;
      HandOff(s, m, o);
      ASSERT_EQ(s.CurrentSeat, o.next);
    }
  }
}

// Everything a seat could try, board moves with and without promotion and drops from every
// hand cell, asked one by one: the generator lists exactly those that are legal, and the
// question leaves the whole state as it was.
TEST(PlayMove, TheGeneratorListsExactlyTheLegalMoves) {
  std::mt19937 rng(11);
  GameState s = Initial();
  for (int ply = 0; ply < 60; ++ply) {
    const std::vector<Move> listed = LegalMoves(s);
    std::vector<Move> found;
    const GameState before = s;
    for (int fx = -1; fx <= 11; ++fx)
      for (int fy = 1; fy <= 9; ++fy) {
        PieceCode p = OnBoard(fx, fy) ? s.Board[fx][fy] : HandCellCode(fx, fy);
        if (p.IsEmpty()) continue;
        for (int tx = 1; tx <= 9; ++tx)
          for (int ty = 1; ty <= 9; ++ty)
            for (PieceCode placed : {p, p.Promoted()}) {
              const Move m{fx, fy, tx, ty, p, placed};
              if (IsLegal(s, m)) found.push_back(m);
            }
      }
    ASSERT_EQ(std::memcmp(&s, &before, sizeof s), 0) << "asking changed the state";
    ASSERT_EQ(listed.size(), found.size()) << "ply " << ply;
    for (const Move& m : found)
      ASSERT_NE(std::find(listed.begin(), listed.end(), m), listed.end());
    if (listed.empty()) break;
    const Move m = listed[rng() % listed.size()];
    MoveOutcome o = PlayMove(s, m);
    if (o.kingTaken) break;
    HandOff(s, m, o);
  }
}

constexpr const char* kRookBesidePartner = R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  .  .  .  . 45
 .  .  .  .  .  .  .  .  .
 .  .  . 14  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  . 15  .  .  .  .)";

TEST(PlayMove, LegalityFollowsThePartnerCheckAndPromotionRules) {
  GameState s = FromGrid(kRookBesidePartner);
  s.CurrentSeat = SITA;
  EXPECT_FALSE(IsLegal(s, {4, 7, 5, 7, 14_pc, 14_pc})) << "bears on UE's king";
  EXPECT_TRUE(IsLegal(s, {4, 7, 4, 3, 14_pc, 14_pc}));
  EXPECT_TRUE(IsLegal(s, {4, 7, 4, 3, 14_pc, 14.5_pc})) << "promotes entering the far zone";
  EXPECT_FALSE(IsLegal(s, {4, 7, 4, 6, 14_pc, 14.5_pc})) << "no promotion outside the zone";
  s.CurrentSeat = HIDARI;
  EXPECT_FALSE(IsLegal(s, {4, 7, 4, 6, 14_pc, 14_pc})) << "another seat's piece";
  s.Hand[HIDARI][1] = 1;
  const Square cell = HandCellOf(HIDARI, 1);
  EXPECT_TRUE(IsLegal(s, {cell.x, cell.y, 3, 3, 21_pc, 21_pc}));
  EXPECT_FALSE(IsLegal(s, {cell.x, cell.y, 9, 3, 21_pc, 21_pc})) << "no move from there";
  s.Hand[HIDARI][1] = 0;
  EXPECT_FALSE(IsLegal(s, {cell.x, cell.y, 3, 3, 21_pc, 21_pc})) << "an empty hand";
}

TEST(PlayMove, TheTurnGoesToTheCheckedOpponentElseToTheNextSeat) {
  GameState s = FromGrid(kRookBesidePartner);
  s.CurrentSeat = SITA;
  Move toward{4, 7, 4, 5, 14_pc, 14_pc};  // along row 5 towards HIDARI's king
  MoveOutcome o = PlayMove(s, toward);
  HandOff(s, toward, o);
  EXPECT_EQ(o.checked, HIDARI);
  EXPECT_EQ(s.CurrentSeat, HIDARI);

  s.CurrentSeat = HIDARI;
  Move quiet{1, 5, 1, 6, 25_pc, 25_pc};
  o = PlayMove(s, quiet);
  HandOff(s, quiet, o);
  EXPECT_EQ(o.checked, NO_SEAT);
  EXPECT_EQ(s.CurrentSeat, UE);
}

// The partner-check test lifts the moving piece and the partner's king square; with a
// stale partner square equal to the origin, putting them back in the wrong order would
// erase the moving piece.
TEST(PlayMove, ThePartnerTestPutsBackAPieceStandingOnAStalePartnerSquare) {
  GameState s = FromGrid(kRookBesidePartner);
  s.CurrentSeat = SITA;
  RuleCacheFixture(s).KingPos[UE] = {4, 7};  // stale: the rook's own square
  ChecksPartner(s, 4, 7, 4, 4);
  EXPECT_EQ(s.Board[4][7], 14_pc);
}

}  // namespace
}  // namespace korvel
