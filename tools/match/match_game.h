// Whole games between computer seats without a window: the turn order, the hand-off to a
// checked seat, passes, the repetition rule and a move limit, as the game plays them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ai/deep_search.h"
#include "ai/search.h"
#include "game/state.h"

namespace korvel::match {

// How one seat chooses: levels 1-3 the one-ply search, level 4 the deep search with a node
// budget.
class EngineProcess;  // tools/match/engine_process.h

struct SeatPlayer {
  int level = 3;
  std::uint64_t nodes = kDeepDefaultNodes;
  const deep::EvalParams* eval = nullptr;  // level 4's weights; null for the defaults
  // Level 4 or an engine: milliseconds a move instead of the node budget (0 for none).
  int movetime = 0;
  // Search techniques for level 4 to try (null: level 4's own search).
  const DeepSearchOptions* search = nullptr;
  // An engine program chooses instead of `level` (asked with `go nodes` or `go movetime`).
  EngineProcess* engine = nullptr;
};

inline constexpr int kMoveLimit = 600;

struct GameResult {
  int winnerSeat = NO_SEAT;  // a seat of the winning team; NO_SEAT for a draw
  int moves = 0;             // moves made (passes not counted)
  std::string how;           // "king", "repetition", "repetition-draw", "limit", "forfeit"
  // A forfeit: the seat whose engine failed (no answer, an error, a move the rules refuse)
  // and why. Its team loses.
  int forfeitSeat = NO_SEAT;
  std::string forfeit;
};

// One turn of a match game: the seat and its choice (found is false for a pass).
struct MatchTurn {
  int seat = NO_SEAT;
  ChosenMove move;
};

// Plays from `start` (CurrentSeat to move) until a king is taken, a position comes back or
// kMoveLimit moves were made, or an engine failed (the repetition rule is the window's: play/computer_run.h).
// players is indexed by seat 1..4. `played`, when given, receives every turn.
GameResult PlayGame(const GameState& start, const SeatPlayer players[5],
                    std::vector<MatchTurn>* played = nullptr);

// The opening of K random legal moves for one candidate number: self-play's scrambled
// opening from the initial position, drawn with a seed made of the match seed and the
// candidate.
GameState OpeningPosition(std::uint64_t seed, int candidate, int plies);

// Is the opening fair: the game not over and neither team lost whatever it plays (a short
// deep search finds no forced win)?
bool AcceptableOpening(const GameState& s);

}  // namespace korvel::match
