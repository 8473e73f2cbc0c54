// A run of computer turns: the turns the computers take one after another, from a person's
// move or the start of a game until a person is to move or the game ends. The computer's
// choice depends only on the position (and, at level 4, on the turns of the run), so a
// position that comes back within one run would come back for ever: the game ends there by
// repetition. ComputerRun is the one keeper of that rule. The window (Form1), the network
// authority (net::Room) and korvel4-match each play the turns their own way (shown, thought
// apart from the server's loop, or in a plain loop) and ask the run before each turn and
// tell it after.
#pragma once

#include <cstdint>
#include <vector>

#include "ai/deep_search.h"
#include "game/move.h"
#include "play/repetition.h"

namespace korvel {

class ComputerRun {
 public:
  // Which turns carry the key level 4's search weighs them by: the window's and the
  // authority's games have one level, so only a level-4 turn needs it; a match mixes
  // levels, so every turn carries it.
  enum class DeepKeys { AT_LEVEL_4, EVERY_TURN };
  explicit ComputerRun(DeepKeys keys = DeepKeys::AT_LEVEL_4) : keys_(keys) {}

  // A new run: a person moved, or a new game began. The earlier positions are forgotten.
  void Restart();

  // What the run answers before a computer turn.
  struct Step {
    // The position came back within this run: the game ends here by repetition, and no
    // turn is played.
    bool repeated = false;
    int winner = NO_SEAT;  // then: a seat of the winning team (SITA or HIDARI); NO_SEAT a draw
    int seat = NO_SEAT;    // else: the seat whose turn it is
    std::uint64_t deepKey = 0;
  };
  // Before the turn of s.CurrentSeat: whether its position came back within this run.
  // When it did not, the position is remembered as one of the run's.
  Step Before(const GameState& s);
  // After the turn `step` announced: `moved` is the outcome of its move, null for a pass.
  // A move gave check when it handed the turn to a checked seat; a pass or a king taken
  // gives none.
  void After(const Step& step, const MoveOutcome* moved);

  // The turns of this run as level 4's search weighs them, oldest first.
  const std::vector<DeepPastTurn>& History() const { return deep_; }
  // The positions remembered in this run.
  std::size_t Positions() const { return seen_.size(); }

 private:
  DeepKeys keys_;
  std::vector<PositionKey> seen_;
  std::vector<TurnTaken> turns_;
  std::vector<DeepPastTurn> deep_;
};

}  // namespace korvel
