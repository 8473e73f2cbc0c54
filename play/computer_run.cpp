#include "play/computer_run.h"

namespace korvel {

void ComputerRun::Restart() {
  seen_.clear();
  turns_.clear();
  deep_.clear();
}

ComputerRun::Step ComputerRun::Before(const GameState& s) {
  Step step;
  const PositionKey key = KeyOf(s);
  for (std::size_t i = 0; i < seen_.size(); ++i) {
    if (!(seen_[i] == key)) continue;
    // The turns since its first time decide who forced it.
    const std::vector<TurnTaken> since(turns_.begin() + static_cast<long>(i), turns_.end());
    step.repeated = true;
    step.winner = RepetitionWinner(since);
    return step;
  }
  seen_.push_back(key);
  step.seat = s.CurrentSeat;
  if (keys_ == DeepKeys::EVERY_TURN || s.Level == 4) step.deepKey = DeepPositionKey(s, step.seat);
  return step;
}

void ComputerRun::After(const Step& step, const MoveOutcome* moved) {
  const bool gaveCheck = moved && !moved->kingTaken && moved->checked != NO_SEAT;
  turns_.push_back({step.seat, gaveCheck});
  deep_.push_back({step.deepKey, step.seat, gaveCheck});
}

}  // namespace korvel
