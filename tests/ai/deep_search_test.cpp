// The deep search's choices: king captures and forced wins found, only legal moves chosen,
// the same move for the same position and budget.
#include "ai/deep_search.h"

#include <gtest/gtest.h>

#include <thread>

#include "ai/deep_eval.h"
#include "ai/self_play.h"
#include "ai_positions.h"
#include "deep_reference.h"

namespace korvel {
namespace {

using testing::Parked;
using testing::Relocate;

DeepLimits Budget(std::uint64_t nodes) {
  DeepLimits l;
  l.nodes = nodes;
  return l;
}

TEST(SearchDeep, TakesAKingInOne) {
  GameState s = Parked(HIDARI);
  Relocate(s, 9, 1, 9, 3);  // MIGI's king off the first row, which the rook will reach
  // HIDARI's rook on UE's king's line, a decoy gold beside it to take instead.
  s.Board[1][5] = 24_pc;
  s.Board[2][5] = 13_pc;
  ChosenMove m = SearchDeep(s, HIDARI, Budget(5000));
  ASSERT_TRUE(m.found);
  EXPECT_EQ(m.captured, 35_pc);
  EXPECT_EQ(m.toX, 1);
  EXPECT_EQ(m.toY, 1);
}

// SITA drops a gold beside MIGI's king: MIGI, in check, moves next and every answer leaves
// the king to be taken by SITA, whose turn comes straight after MIGI's.
TEST(SearchDeep, FindsAForcedWinInThree) {
  GameState s = Parked(SITA);
  Relocate(s, 9, 1, 1, 5);  // MIGI's king
  s.Board[2][6] = 11_pc;
  s.Board[1][7] = 11_pc;
  s.Hand[SITA][3] = 1;
  DeepStats stats;
  const ChosenMove m = SearchDeep(s, SITA, Budget(200000), &stats);
  ASSERT_TRUE(m.found);
  EXPECT_EQ(testing::AsGameMove(m), testing::GameMove(HAND_X_RIGHT, 8, 2, 5, (13_pc).Halves()));
  EXPECT_GT(stats.score, 29000);
  EXPECT_LE(stats.depth, 3);
}

// The obvious capture would put HIDARI's rook on MIGI's king's line: refused by the rules,
// so the search must not choose it however good it looks.
TEST(SearchDeep, NeverAttacksThePartnersKing) {
  GameState s = Parked(HIDARI);
  Relocate(s, 9, 1, 9, 5);  // MIGI's king at (9,5)
  s.Board[1][5] = 24_pc;
  s.Board[5][5] = 34.5_pc;  // UE's dragon, in between
  const ChosenMove m = SearchDeep(s, HIDARI, Budget(20000));
  ASSERT_TRUE(m.found);
  EXPECT_FALSE(m.fromX == 1 && m.fromY == 5 && m.toX == 5 && m.toY == 5);
  EXPECT_TRUE(testing::RuleMoves(s).count(testing::AsGameMove(m)));
}

// Positions from play: the move chosen is always one the rules allow, reported in the
// game's conventions (hand cell and codes) so that ApplyMove carries it out.
TEST(SearchDeep, ChoosesOnlyLegalMovesInPlayedPositions) {
  int checked = 0;
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    GameState s;
    StartSelfPlay(s, 3);
    ScrambleOpening(s, seed, 10);
    for (int turn = 0; turn < 12 && !s.GameOver; ++turn) {
      const ChosenMove m = SearchDeep(s, s.CurrentSeat, Budget(3000));
      if (!m.found) {
        EXPECT_TRUE(testing::RuleMoves(s).empty());
        s.CurrentSeat = NextSeat(s.CurrentSeat);
        continue;
      }
      ASSERT_TRUE(testing::RuleMoves(s).count(testing::AsGameMove(m))) << "seed " << seed;
      EXPECT_EQ(m.captured, s.Board[m.toX][m.toY]);
      EXPECT_EQ(m.before,
                IsHandX(m.fromX) ? HandCellCode(m.fromX, m.fromY) : s.Board[m.fromX][m.fromY]);
      testing::PlayRuleMove(s, testing::AsGameMove(m));
      ++checked;
    }
  }
  EXPECT_GT(checked, 60);
}

// The same position and budget give the same move and the same node count, one after the
// other and on two threads at once; the table is cleared for every decision.
TEST(SearchDeep, IsDeterministic) {
  GameState s;
  StartSelfPlay(s, 3);
  ScrambleOpening(s, 3, 16);
  const int seat = s.CurrentSeat;
  DeepStats first, again;
  const ChosenMove a = SearchDeep(s, seat, Budget(30000), &first);
  GameState other;
  StartSelfPlay(other, 3);
  SearchDeep(other, SITA, Budget(20000));  // a different search in between
  const ChosenMove b = SearchDeep(s, seat, Budget(30000), &again);
  EXPECT_EQ(testing::AsGameMove(a), testing::AsGameMove(b));
  EXPECT_EQ(first.nodes, again.nodes);
  EXPECT_EQ(first.score, again.score);

  ChosenMove t1, t2;
  std::thread x([&] { t1 = SearchDeep(s, seat, Budget(30000)); });
  std::thread y([&] { t2 = SearchDeep(s, seat, Budget(30000)); });
  x.join();
  y.join();
  EXPECT_EQ(testing::AsGameMove(t1), testing::AsGameMove(a));
  EXPECT_EQ(testing::AsGameMove(t2), testing::AsGameMove(a));
}

// MIGI holds a gold to drop before SITA's king, with its rook beside; SITA's silver may take
// a pawn (the captures are searched first). Taking it, or moving the silver at all, is found
// lost only four plies deep; from 8,000 nodes on (at 5,000 the fourth iteration is never
// reached) that iteration used to end inside the moves after it and play the capture. Now
// the search gets more nodes there (the budget once more at most), and what it found lost
// is never played while a move is left that it has not searched.
GameState DropMateThreat() {
  GameState s = testing::Parked(SITA, 4);
  s.Board[9][9] = EMPTY;
  s.Board[5][9] = 15_pc;  // SITA's king, its rook before it, a gold and two pawns beside
  s.Board[5][8] = 14_pc;
  s.Board[4][9] = 13_pc;
  s.Board[4][8] = 11_pc;
  s.Board[6][8] = 11_pc;
  s.Board[6][6] = 12_pc;  // the silver, a HIDARI pawn and a MIGI pawn before it
  s.Board[5][5] = 21_pc;
  s.Board[6][5] = 41_pc;
  s.Board[7][8] = 44_pc;  // MIGI's rook
  s.Hand[MIGI][KIN] = 1;
  s.Board[1][9] = EMPTY;  // HIDARI's king and rook on the left, a pawn before them
  s.Board[1][5] = 25_pc;
  s.Board[2][5] = 24_pc;
  s.Board[2][4] = 21_pc;
  s.Board[1][1] = EMPTY;  // UE's king on top, a gold, a pawn, and its dragon below
  s.Board[5][1] = 35_pc;
  s.Board[4][2] = 31_pc;
  s.Board[4][4] = 33_pc;
  s.Board[2][9] = 32.5_pc;
  s.Board[9][1] = EMPTY;
  s.Board[9][5] = 45_pc;  // MIGI's king
  return s;
}

TEST(SearchDeep, NeverPlaysAMoveFoundLostWhileOthersAreUnsearched) {
  const GameState s = DropMateThreat();
  const testing::GameMove lost{6, 6, 6, 5, (12_pc).Halves()};
  for (std::uint64_t nodes : {8000, 12000, 20000, 40000, 60000}) {
    DeepStats stats;
    const ChosenMove m = SearchDeep(s, SITA, Budget(nodes), &stats);
    ASSERT_TRUE(m.found);
    EXPECT_NE(testing::AsGameMove(m), lost) << nodes;
    EXPECT_GT(stats.score, -29000) << nodes;
    EXPECT_LE(stats.nodes, 2 * nodes + 1024) << nodes;
    if (nodes < 40000) continue;
    // With the extra nodes the iteration reaches a move that holds: a search of HIDARI's
    // turn after it finds no forced win.
    GameState after = s;
    testing::PlayRuleMove(after, testing::AsGameMove(m));
    DeepStats reply;
    SearchDeep(after, after.CurrentSeat, Budget(300000), &reply);
    EXPECT_LT(reply.score, 29000) << nodes;
  }
  // The silver's capture really loses.
  GameState taken = s;
  testing::PlayRuleMove(taken, lost);
  DeepStats reply;
  SearchDeep(taken, taken.CurrentSeat, Budget(300000), &reply);
  EXPECT_GT(reply.score, 29000);
}

TEST(SearchDeep, StopsOnTheFlagAndKeepsTheBudget) {
  GameState s;
  StartSelfPlay(s, 3);
  ScrambleOpening(s, 4, 16);
  std::atomic<bool> stop{true};
  DeepLimits l = Budget(50'000'000);
  l.stop = &stop;
  DeepStats stats;
  const ChosenMove m = SearchDeep(s, s.CurrentSeat, l, &stats);
  EXPECT_TRUE(m.found);
  EXPECT_LT(stats.nodes, 5000u);
  SearchDeep(s, s.CurrentSeat, Budget(20000), &stats);
  EXPECT_LE(stats.nodes, 20000u + 1024u);
}

// A position that came back within the run: the team that checked all the way loses it,
// otherwise it is a draw.
TEST(SearchDeep, ScoresARepeatedPositionAsTheGameDoes) {
  GameState s = Parked(SITA);
  s.Board[5][5] = 12_pc;
  DeepStats plain;
  SearchDeep(s, SITA, Budget(2000), &plain);
  EXPECT_LT(plain.score, 1000);

  // Every position SITA's moves lead to was seen before, with only HIDARI's team moving
  // since, each time with a check: whatever SITA plays repeats a position its opponents
  // forced, and SITA's team wins.
  std::vector<DeepPastTurn> history;
  for (const testing::GameMove& gm : testing::RuleMoves(s)) {
    GameState next = s;
    testing::PlayRuleMove(next, gm);
    history.push_back({DeepPositionKey(next, next.CurrentSeat), HIDARI, true});
  }
  DeepLimits l = Budget(2000);
  l.history = &history;
  DeepStats won;
  SearchDeep(s, SITA, l, &won);
  EXPECT_GT(won.score, 29000);

  // The same with nobody to blame (HIDARI did not check): a draw at best for SITA.
  for (DeepPastTurn& t : history) t.gaveCheck = false;
  DeepStats drawn;
  SearchDeep(s, SITA, l, &drawn);
  EXPECT_EQ(drawn.score, 0);
}

TEST(SearchDeep, PositionsOutsideItGoToTheOnePlySearch) {
  GameState s;
  StartSelfPlay(s, 3);
  s.Board[5][1] = EMPTY;  // UE's king gone
  DeepStats stats;
  const ChosenMove m = SearchDeep(s, SITA, Budget(1000), &stats);
  EXPECT_TRUE(stats.fallback);
  EXPECT_TRUE(m.found);
}

}  // namespace
}  // namespace korvel

namespace korvel::deep {
namespace {

TEST(EvalParamsText, RoundTripsAndKeepsFieldsLeftOut) {
  EvalParams p;
  p.hand[4] = 1234;
  p.tempo = -7;
  EvalParams back;
  std::string error;
  ASSERT_TRUE(ParseEvalParams(FormatEvalParams(p), back, error)) << error;
  EXPECT_EQ(FormatEvalParams(back), FormatEvalParams(p));

  EvalParams partial;
  // A byte order mark before the first line is no part of it.
  ASSERT_TRUE(ParseEvalParams(
      "\xEF\xBB\xBF# a comment\n\n  defender 31 # why\r\nnear 1 2 3 4 5 6 7 8 9\n", partial,
      error))
      << error;
  EXPECT_EQ(partial.defender, 31);
  EXPECT_EQ(partial.near[8], 9);
  EXPECT_EQ(partial.board[8], DefaultEvalParams().board[8]);
}

TEST(EvalParamsText, RefusesBadLinesAndChangesNothing) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"tempo 5\nbishop 3\n", "line 2: unknown weight 'bishop'"},
      {"hand 1 2 3 4\n", "line 1: hand takes 5 numbers"},
      {"defender 1 2\n", "line 1: defender takes 1 numbers"},
      {"tempo\n", "line 1: tempo takes 1 numbers"},
      {"tempo 5x\n", "line 1: '5x' is not a number in -20000..20000"},
      {"tempo 20001\n", "line 1: '20001' is not a number in -20000..20000"},
      {"board 0 100 480 560 40000 0 560 560 1250\n",
       "line 1: '40000' is not a number in -20000..20000"},
      {"tempo 99999999999999999999\n",
       "line 1: '99999999999999999999' is not a number in -20000..20000"},
      {"near 0 5 14 14 20 9 14 14 151\n", "line 1: '151' is not a number in -150..150"},
      {"drop 0 -151 0 0 0\n", "line 1: '-151' is not a number in -150..150"},
      {"defender 1001\n", "line 1: '1001' is not a number in -1000..1000"},
      {"nextPercent 401\n", "line 1: '401' is not a number in -400..400"},
      {"rookMobility -1001\n", "line 1: '-1001' is not a number in -1000..1000"},
      {"quadratic 0\n", "line 1: '0' is not a number in 20..100000"},
      {"quadratic 19\n", "line 1: '19' is not a number in 20..100000"},
      // Nothing to read is no weights file.
      {"", "no weights in it"},
      {"\xEF\xBB\xBF# only a comment\n\n", "no weights in it"},
      // What the error quotes is printable ASCII, whatever the file holds.
      {"tempo \xff\xfe\x01\n", "line 1: '\\xff\\xfe\\x01' is not a number in -20000..20000"},
      {"\xe7\x8e\x8b 1\n", "line 1: unknown weight '\\xe7\\x8e\\x8b'"},
      {"ab\\cd 1\n", "line 1: unknown weight 'ab\\x5ccd'"},
      {"tempo 1234567890123456789012345678901234567890123\n",
       "line 1: '1234567890123456789012345678901234567890...' is not a number in -20000..20000"},
  };
  for (const auto& c : cases) {
    EvalParams p;
    p.tempo = 77;
    std::string error;
    EXPECT_FALSE(ParseEvalParams(c.text, p, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_EQ(p.tempo, 77) << c.text;
  }
}

}  // namespace
}  // namespace korvel::deep

namespace korvel {
namespace {

// The search techniques a match may try (DeepSearchOptions): none set searches exactly as
// level 4 (same moves, nodes and scores); each one set still takes a king, finds the forced
// win and chooses only legal moves.
TEST(SearchDeepOptions, NoneSetIsLevelFourAndEachKeepsTheRules) {
  std::vector<GameState> played;
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    GameState s;
    StartSelfPlay(s, 3);
    ScrambleOpening(s, seed, 12);
    for (int turn = 0; turn < 6 && !s.GameOver; ++turn) {
      played.push_back(s);
      PlaySelfPlayTurn(s);
    }
  }
  const DeepSearchOptions none;
  for (const GameState& s : played) {
    DeepLimits plain = Budget(8000), with = Budget(8000);
    with.options = &none;
    DeepStats a, b;
    const ChosenMove m1 = SearchDeep(s, s.CurrentSeat, plain, &a);
    const ChosenMove m2 = SearchDeep(s, s.CurrentSeat, with, &b);
    EXPECT_EQ(testing::AsGameMove(m1), testing::AsGameMove(m2));
    EXPECT_EQ(a.nodes, b.nodes);
    EXPECT_EQ(a.score, b.score);
  }
  for (int option = 0; option < 4; ++option) {
    DeepSearchOptions o;
    (option == 0 ? o.nullMove : option == 1 ? o.futility : option == 2 ? o.lateMoveTable
                                                                      : o.aspiration) = true;
    for (const GameState& s : played) {
      DeepLimits l = Budget(8000);
      l.options = &o;
      const ChosenMove m = SearchDeep(s, s.CurrentSeat, l);
      if (m.found) {
        EXPECT_TRUE(testing::RuleMoves(s).count(testing::AsGameMove(m))) << option;
      }
    }
    GameState win = testing::Parked(SITA);
    testing::Relocate(win, 9, 1, 1, 5);
    win.Board[2][6] = 11_pc;
    win.Board[1][7] = 11_pc;
    win.Hand[SITA][3] = 1;
    DeepLimits l = Budget(200000);
    l.options = &o;
    DeepStats st;
    const ChosenMove m = SearchDeep(win, SITA, l, &st);
    EXPECT_EQ(testing::AsGameMove(m), testing::GameMove(HAND_X_RIGHT, 8, 2, 5, (13_pc).Halves()))
        << option;
    EXPECT_GT(st.score, 29000) << option;
  }
}

}  // namespace
}  // namespace korvel
