// 検討: the analysis of a game's history and the hint, both by level 4's search on a copy of
// the game. What must hold whatever the search finds: every move weighed once, the figures
// chained from one position to the next and the same on every run, a king taken worth the
// search's own score for it, a blunder found as the costliest move, the game never touched,
// and a stop honoured at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "game/play_move.h"
#include "play/analysis.h"
#include "play/game_record.h"
#include "support/record_boards.h"

namespace korvel {
namespace {

constexpr std::uint64_t NODES = 4000;

// Four armies at their start, eight moves of the opening (a record of a game of people and
// computers).
constexpr const char* OPENING =
    "Korvel4人将棋 棋譜 1\n対局: COM対局\n下: 人\n左: COM\n上: COM\n右: COM\nレベル: 4\n"
    "1 下 ７八銀(79)\n2 左 ８三銀(93)\n3 上 ８二銀(71)\n4 右 ４五歩(35)\n"
    "5 下 ７七銀(78)\n6 左 ７四銀(83)\n7 上 ７三銀(82)\n8 右 ５五歩(45)\n";

// Four kings and 下's rook on 5五, which may take 左's king on 9五 or 右's on 1五; the
// record starts at move 10 with 下 to move.
std::string KingsAndRook(const std::string& moves) {
  return std::string(
             "Korvel4人将棋 棋譜 1\n対局: COM対局\n下: 人\n左: COM\n上: COM\n右: COM\n"
             "レベル: 4\n"
             KORVEL4_ROOK_BETWEEN_KINGS_ROWS
             "手番: 下\n開始手数: 10\n") +
         moves;
}

Game Read(const std::string& text) {
  RecordReading r = ReadRecord(text);
  EXPECT_TRUE(r.record) << r.error.Text();
  return r.record ? r.record->game : Game();
}

GameAnalysis Analyse(const Game& g, std::uint64_t nodes = NODES) {
  AnalysisLimits limits;
  limits.nodes = nodes;
  return AnalyseGame(g, limits);
}

std::string Lines(const GameAnalysis& a) {
  std::string text;
  for (const MoveAnalysis& m : a.moves) text += AnalysisJson(m) + "\n";
  return text;
}

// The position before the n-th move of the history (n from 1), on a copy.
GameState Before(Game g, int n) {
  while (g.StepBack()) {
  }
  for (int i = 1; i < n; ++i) g.StepForward();
  return g.State();
}

TEST(Analysis, WeighsEveryMoveOnceChainedFromOnePositionToTheNextTheSameEveryTime) {
  const Game g = Read(OPENING);
  const GameAnalysis a = Analyse(g);
  ASSERT_FALSE(a.cancelled);
  ASSERT_EQ(a.moves.size(), 8u);
  for (size_t i = 0; i < a.moves.size(); ++i) {
    const MoveAnalysis& m = a.moves[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(m.number, static_cast<int>(i) + 1);
    EXPECT_EQ(m.seat, static_cast<int>(i % 4) + 1);  // 下 左 上 右 in turn
    EXPECT_EQ(m.seat, m.played.mover);
    ASSERT_TRUE(m.best && m.before && m.after && m.loss);
    // Level 4's move is one the rules allow in the position before the move.
    EXPECT_TRUE(IsLegal(Before(g, static_cast<int>(i) + 1), *m.best));
    // The position after a move is the one before the next.
    if (i + 1 < a.moves.size()) {
      EXPECT_EQ(m.after, a.moves[i + 1].before);
    }
    // What the move gave away, for its own team; nothing when it was level 4's own.
    auto decided = [](int v) { return std::clamp(v, -kAnalysisDecided, kAnalysisDecided); };
    const int expected = std::max(
        0, decided(ForTeamOf(m.seat, *m.before)) - decided(ForTeamOf(m.seat, *m.after)));
    EXPECT_EQ(*m.loss, *m.best == static_cast<const Move&>(m.played) ? 0 : expected);
  }
  // The same game gives the same figures, on any run, wherever the game stands.
  EXPECT_EQ(Lines(Analyse(g)), Lines(a));
  Game back = g;
  back.StepBack();
  back.StepBack();
  back.StepBack();
  EXPECT_EQ(Lines(Analyse(back)), Lines(a));
  // A larger budget may see more, but weighs the same moves.
  EXPECT_EQ(Analyse(g, 3 * NODES).moves.size(), a.moves.size());
}

TEST(Analysis, LeavesTheGameAsItWas) {
  Game g = Read(OPENING);
  g.StepBack();
  const GameState s = g.State();
  const std::string record = WriteRecord(g, "");
  const int played = g.TurnsPlayed(), count = g.HistoryCount(), number = g.MoveNumber();
  Analyse(g);
  EXPECT_EQ(WriteRecord(g, ""), record);
  EXPECT_EQ(g.TurnsPlayed(), played);
  EXPECT_EQ(g.HistoryCount(), count);
  EXPECT_EQ(g.MoveNumber(), number);
  EXPECT_EQ(g.State().CurrentSeat, s.CurrentSeat);
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 10; ++y) EXPECT_EQ(g.State().Board[x][y], s.Board[x][y]);
}

TEST(Analysis, AKingTakenIsTheSearchsOwnWinAndTheNumbersFollowTheRecordsStart) {
  const Game g = Read(KingsAndRook("11 下 ９五飛(55)\n"));
  ASSERT_TRUE(g.Finished());
  const GameAnalysis a = Analyse(g);
  ASSERT_EQ(a.moves.size(), 1u);
  const MoveAnalysis& m = a.moves[0];
  EXPECT_EQ(m.number, 11);
  // Before it, the search sees a king to take (its own score for that); after it, the game
  // is won: the same score, for 下 and 上.
  ASSERT_TRUE(m.best && m.before && m.after && m.loss);
  EXPECT_TRUE(IsKingCode(Before(g, 1).Board[m.best->toX][m.best->toY]));
  EXPECT_EQ(*m.before, kAnalysisWin);
  EXPECT_EQ(*m.after, kAnalysisWin);
  EXPECT_EQ(*m.loss, 0);
}

TEST(Analysis, AMoveThatLetsAKingGoIsTheCostliestAndCountsAsDecided) {
  // 下 moves its rook away instead of taking a king; then 左 and 右 move their kings.
  const Game g = Read(KingsAndRook("11 下 ６五飛(55)\n12 左 ９四王(95)\n13 上 ５二王(51)\n"));
  const GameAnalysis a = Analyse(g);
  ASSERT_EQ(a.moves.size(), 3u);
  const MoveAnalysis& blunder = a.moves[0];
  ASSERT_TRUE(blunder.before && blunder.after && blunder.loss);
  EXPECT_EQ(*blunder.before, kAnalysisWin);
  EXPECT_LT(*blunder.after, kAnalysisDecided);
  // A won game counts as kAnalysisDecided, however far the search sees the win.
  EXPECT_EQ(*blunder.loss, kAnalysisDecided - std::max(*blunder.after, -kAnalysisDecided));
  const std::vector<int> worst = WorstMoves(a.moves, 3, 1);
  ASSERT_FALSE(worst.empty());
  EXPECT_EQ(worst[0], 0);
  EXPECT_EQ(AnalysisJson(blunder).rfind("{\"move\":11,\"seat\":\"下\",\"played\":\"６五飛(55)\","
                                        "\"best\":\"",
                                        0),
            0u)
      << AnalysisJson(blunder);
}

TEST(Analysis, TellsItsProgressAndStopsWhenTold) {
  const Game g = Read(OPENING);
  std::atomic<bool> stop{false};
  std::vector<int> told;
  AnalysisLimits limits;
  limits.nodes = NODES;
  limits.stop = &stop;
  limits.progress = [&](int done, int total) {
    EXPECT_EQ(total, 9);
    told.push_back(done);
  };
  EXPECT_FALSE(AnalyseGame(g, limits).cancelled);
  EXPECT_EQ(told, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

  // Stopped after three positions: nothing is answered, and nothing more weighed.
  told.clear();
  limits.progress = [&](int done, int) {
    told.push_back(done);
    if (done == 3) stop = true;
  };
  const GameAnalysis cut = AnalyseGame(g, limits);
  EXPECT_TRUE(cut.cancelled);
  EXPECT_TRUE(cut.moves.empty());
  EXPECT_EQ(told, (std::vector<int>{1, 2, 3}));

  // Stopped before it began, even at a budget that would take long.
  limits.nodes = 1'000'000'000;
  told.clear();
  const GameAnalysis none = AnalyseGame(g, limits);
  EXPECT_TRUE(none.cancelled);
  EXPECT_TRUE(told.empty());
}

TEST(Analysis, AGameNotBegunOrWithoutMovesGivesNone) {
  EXPECT_TRUE(Analyse(Game()).moves.empty());
  EXPECT_FALSE(Analyse(Game()).cancelled);
  const Game start = Read(KingsAndRook(""));
  EXPECT_TRUE(Analyse(start).moves.empty());
}

TEST(Analysis, JsonLinesWriteNullWhereThereIsNoFigure) {
  MoveAnalysis m;
  m.number = 7;
  m.seat = HIDARI;
  m.played.fromX = 7;
  m.played.fromY = 5;
  m.played.toX = 6;
  m.played.toY = 5;
  m.played.before = m.played.placed = Code(HIDARI, HU);
  m.played.mover = HIDARI;
  EXPECT_EQ(AnalysisJson(m),
            "{\"move\":7,\"seat\":\"左\",\"played\":\"" + MoveNotation(m.played) +
                "\",\"best\":null,\"before\":null,\"score\":null,\"loss\":null}");
  m.best = static_cast<const Move&>(m.played);
  m.before = -35;
  m.after = 120;
  m.loss = 0;
  EXPECT_EQ(AnalysisJson(m), "{\"move\":7,\"seat\":\"左\",\"played\":\"" +
                                 MoveNotation(m.played) + "\",\"best\":\"" +
                                 MoveNotation(m.played) +
                                 "\",\"before\":-35,\"score\":120,\"loss\":0}");
}

TEST(Analysis, TheCostliestMovesLargestFirstTheEarlierOfTwoEqualOnesFirst) {
  std::vector<MoveAnalysis> moves(6);
  const std::optional<int> losses[] = {50, 400, std::nullopt, 900, 400, 10};
  for (size_t i = 0; i < moves.size(); ++i) moves[i].loss = losses[i];
  EXPECT_EQ(WorstMoves(moves, 3, 100), (std::vector<int>{3, 1, 4}));
  EXPECT_EQ(WorstMoves(moves, 2, 100), (std::vector<int>{3, 1}));
  EXPECT_EQ(WorstMoves(moves, 5, 500), (std::vector<int>{3}));
  EXPECT_EQ(WorstMoves(moves, 10, 0), (std::vector<int>{3, 1, 4, 0, 5}));
  EXPECT_TRUE(WorstMoves(moves, 0, 0).empty());
}

// --- the hint --------------------------------------------------------------------------

TEST(Hint, IsLevel4sLegalMoveForThePersonToMoveAndChangesNothing) {
  const Game g = Read(OPENING);  // 下, a person, to move after eight moves
  ASSERT_TRUE(HintPossible(g));
  const std::string record = WriteRecord(g, "");
  const GameState s = g.State();
  const std::optional<ChosenMove> hint = SuggestMove(g, NODES);
  ASSERT_TRUE(hint);
  EXPECT_TRUE(IsLegal(s, *hint));
  EXPECT_EQ(WriteRecord(g, ""), record);
  EXPECT_EQ(g.State().CurrentSeat, s.CurrentSeat);
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 10; ++y) EXPECT_EQ(g.State().Board[x][y], s.Board[x][y]);
  // The same position, the same hint; and the move the analysis names there.
  const std::optional<ChosenMove> again = SuggestMove(g, NODES);
  ASSERT_TRUE(again);
  EXPECT_EQ(static_cast<const Move&>(*again), static_cast<const Move&>(*hint));
  // A king to take is the hint.
  const Game kings = Read(KingsAndRook(""));
  const std::optional<ChosenMove> take = SuggestMove(kings, NODES);
  ASSERT_TRUE(take);
  EXPECT_TRUE(IsKingCode(kings.State().Board[take->toX][take->toY]));
}

TEST(Hint, NoneForAComputersTurnAFinishedOrUnbegunGameOrAStoppedSearch) {
  Game g = Read(OPENING);
  g.StepBack();  // 右, a computer, to move
  EXPECT_FALSE(HintPossible(g));
  EXPECT_FALSE(SuggestMove(g, NODES));
  EXPECT_FALSE(HintPossible(Game()));
  EXPECT_FALSE(SuggestMove(Game(), NODES));
  const Game over = Read(KingsAndRook("11 下 ９五飛(55)\n"));
  EXPECT_FALSE(HintPossible(over));
  EXPECT_FALSE(SuggestMove(over, NODES));
  const std::atomic<bool> stop{true};
  EXPECT_FALSE(SuggestMove(Read(OPENING), 1'000'000'000, &stop));
}

}  // namespace
}  // namespace korvel
