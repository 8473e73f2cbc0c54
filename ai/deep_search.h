// The strongest computer player: an iterative-deepening alpha-beta search many moves deep
// on the game's own rules, bounded by a node budget so that a position always gets the same
// move on every machine.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ai/search.h"
#include "game/state.h"

namespace korvel {

namespace deep {
struct EvalParams;  // ai/deep_eval.h
}

// About 0.6 s for a midgame decision on one core.
inline constexpr std::uint64_t kDeepDefaultNodes = 1'000'000;

// One earlier turn of the current run of computer turns: the key of the position before it
// (DeepPositionKey), the seat that played it and whether it handed the turn to a checked
// seat (a pass gives none). The search scores a position that comes back as the game does.
struct DeepPastTurn {
  std::uint64_t key = 0;
  int seat = NO_SEAT;
  bool gaveCheck = false;
};

// What an iteration of the search found, for a program that shows the search as it goes
// (korvel4-engine): the depth finished, the score for the team to move, the nodes and
// seconds so far, and the line the search expects (the best move first, then the table's
// replies while they are legal; it may be short).
struct DeepProgress {
  int depth = 0;
  int score = 0;
  std::uint64_t nodes = 0;
  double seconds = 0;
  std::vector<ChosenMove> line;
};

// Search techniques tried by matches at equal nodes (korvel4-match --a-search); none is
// level 4's unless a match said so (README, "Search options"). Without them the search is
// exactly level 4's.
struct DeepSearchOptions {
  // Below the root, away from the principal line, with nothing of the team threatened and the
  // evaluation at or above beta: the seat to move passes (a real move here, taken when a seat
  // has none) and a search two plies shallower than a move's that still fails high cuts.
  bool nullMove = false;
  // One and two plies from the horizon, away from the principal line and unthreatened: quiet
  // moves are not searched when the evaluation plus a margin cannot reach alpha.
  bool futility = false;
  // Late quiet moves reduced by log(depth) * log(move number) / 2 plies instead of 1-2.
  bool lateMoveTable = false;
  // Each iteration starts with a window of +-50 around the last score, widened on a fail.
  bool aspiration = false;
};

struct DeepLimits {
  // Search and quiescence nodes. A decision may spend them once more, in the iteration
  // that finds the move it was going to play lost (to search the other moves).
  std::uint64_t nodes = kDeepDefaultNodes;
  double maxSeconds = 0;                               // a hard time cap; 0 for none
  const std::atomic<bool>* stop = nullptr;             // set from outside to stop at once
  const std::vector<DeepPastTurn>* history = nullptr;  // oldest first; may be null
  const deep::EvalParams* eval = nullptr;              // the weights; null for the defaults
  // Told after every finished iteration, on the searching thread; it changes nothing the
  // search does (no node is counted for it). May be null.
  const std::function<void(const DeepProgress&)>* progress = nullptr;
  const DeepSearchOptions* options = nullptr;  // null: level 4's search
};

struct DeepStats {
  std::uint64_t nodes = 0;
  // Moves found to leave a king to the next seat and scored lost without being made (or
  // left out of a quiescence list): each would have been a node of its own if made.
  std::uint64_t leftLost = 0;
  int depth = 0;  // the last depth searched to the end
  int score = 0;  // for the team of the seat searched, hundredths of a pawn
  double seconds = 0;
  bool fallback = false;  // the position was outside the deep search; level 3 chose
};

// A level-4 player that keeps its tables (16 MB) from one decision to the next: made once,
// then asked for move after move, on one thread at a time. A decision answers exactly what
// it would answer on a new thinker. A thinker moved from is only assigned to or destroyed.
class DeepThinker {
 public:
  DeepThinker();
  ~DeepThinker();
  DeepThinker(DeepThinker&&) noexcept;
  DeepThinker& operator=(DeepThinker&&) noexcept;

  // Chooses the move of `seat` (the seat to move). found is false when the seat has no move
  // and passes. The same position, history and node budget give the same move (without a
  // time cap or stop).
  ChosenMove Choose(const GameState& s, int seat, const DeepLimits& limits = {},
                    DeepStats* stats = nullptr);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// DeepThinker::Choose on a thinker of this thread's own, made on its first call.
ChosenMove SearchDeep(const GameState& s, int seat, const DeepLimits& limits = {},
                      DeepStats* stats = nullptr);

// The key of a position with `seat` to move, as the history of DeepLimits holds it.
std::uint64_t DeepPositionKey(const GameState& s, int seat);

}  // namespace korvel
