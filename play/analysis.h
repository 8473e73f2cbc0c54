// 検討: level 4's search turned on a game for the player who studies it. A hint is its
// move for the person to move, on a copy (the game is never touched); an analysis walks a
// game's history move by move and weighs each position with the same search at a node
// budget, so the same game always gives the same figures. The window runs both on a
// thread of their own (shell/study.*), korvel4-analyze on the command line.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ai/deep_search.h"
#include "play/game.h"

namespace korvel {

// Nodes of level 4's search for each position of an analysis, unless told otherwise.
inline constexpr std::uint64_t kAnalysisDefaultNodes = 200'000;
// The score of a position whose game is won (a king taken): the deep search's own score
// for a king there to take.
inline constexpr int kAnalysisWin = 30'000;
// Beyond this a score is a game decided by force (a king taken in some moves).
inline constexpr int kAnalysisDecided = 5'000;

// One move of the history, weighed.
struct MoveAnalysis {
  int number = 0;       // the move's number, as the move list and the status corner count
  int seat = NO_SEAT;   // who played it
  MoveRecord played;
  // Level 4's move in the position before it (none: the search found none to play).
  std::optional<Move> best;
  // The position before the move and after it, in hundredths of a pawn for the team of
  // 下 and 上 (negative: 左 and 右 stand better); none where the search could not weigh
  // it (a seat with no move to play, a position outside the deep search).
  std::optional<int> before, after;
  // What the move gave away for its own team: the best the search saw before it less
  // what is left after it, never below 0; 0 for level 4's own move. A score past
  // kAnalysisDecided counts as that much: a game lost by force is lost by one amount.
  std::optional<int> loss;
};

struct GameAnalysis {
  std::vector<MoveAnalysis> moves;  // every move of the history, those taken back included
  bool cancelled = false;           // stopped before the last position: `moves` is empty
};

struct AnalysisLimits {
  std::uint64_t nodes = kAnalysisDefaultNodes;  // for each position
  const std::atomic<bool>* stop = nullptr;      // set from outside to stop at once
  // Told after each position weighed: how many of how many (the moves and one more).
  std::function<void(int done, int total)> progress;
};

// Weighs every position of the game's history, from its start (or a record's start) to
// the position after its newest move, on a copy of the game. A game not begun gives none.
GameAnalysis AnalyseGame(const Game& game, const AnalysisLimits& limits = {});

// Whether a hint may be given: the seat to move is a person's and may move now (the game
// begun and not finished).
bool HintPossible(const Game& game);

// Level 4's move for the seat to move, when that seat is a person's and may move now;
// nothing for a game not begun or finished, a computer's turn, a seat with no move, or a
// search stopped from outside. The game is not touched.
std::optional<ChosenMove> SuggestMove(const Game& game,
                                      std::uint64_t nodes = kDeepDefaultNodes,
                                      const std::atomic<bool>* stop = nullptr);

// A score from the point of view of `seat`'s team, given one for 下 and 上, and back.
inline int ForTeamOf(int seat, int firstTeamScore) {
  return IsFirstTeam(seat) ? firstTeamScore : -firstTeamScore;
}

// One JSON line of korvel4-analyze for a weighed move (no line break):
// {"move":12,"seat":"下","played":"５三銀成(54)","best":"５三銀(54)","before":35,"score":-120,"loss":155}
// with null where the analysis has no figure.
std::string AnalysisJson(const MoveAnalysis& m);

// The moves that gave away the most, by their index in `moves`, the largest loss first
// (the earlier of two equal ones first); at most `count`, and only losses of at least
// `least`.
std::vector<int> WorstMoves(const std::vector<MoveAnalysis>& moves, int count, int least);

}  // namespace korvel
