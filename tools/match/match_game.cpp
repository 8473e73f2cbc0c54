#include "tools/match/match_game.h"

#include <optional>

#include "ai/search.h"
#include "ai/self_play.h"
#include "play/computer_run.h"
#include "play/game.h"

namespace korvel::match {

namespace {

// One turn of CurrentSeat through the game object, as the window's computer turn plays it:
// the seat's choice, then the computer's move (the maps, the end of the game on a taken
// king, else the mate test and the hand-off). This is the only place that steps the game.
// Answers the move's outcome, or nothing when the seat had no move and passed.
std::optional<MoveOutcome> PlayTurn(Game& g, const SeatPlayer& player,
                                    const std::vector<DeepPastTurn>& history,
                                    std::vector<MatchTurn>* played) {
  const int seat = g.State().CurrentSeat;
  g.SetLevel(player.level);
  ComputerLimits limits;
  limits.nodes = player.nodes;
  limits.eval = player.eval;
  limits.history = &history;
  const ChosenMove m = g.ChooseComputerMove(seat, limits);
  if (played) played->push_back({seat, m});
  if (!m.found) {
    g.Pass(seat);
    return std::nullopt;
  }
  return g.Play(seat, m, Game::Mover::COMPUTER).outcome;
}

}  // namespace

GameResult PlayGame(const GameState& start, const SeatPlayer players[5],
                    std::vector<MatchTurn>* played) {
  Game g;
  g.Fix().LoadState(start);
  GameResult r;
  // Every seat is a computer, so the whole game is one run of computer turns. Its seats
  // may play different levels, so every turn carries level 4's key.
  ComputerRun run(ComputerRun::DeepKeys::EVERY_TURN);
  while (true) {
    const ComputerRun::Step step = run.Before(g.State());
    if (step.repeated) {
      r.winnerSeat = step.winner;
      r.how = r.winnerSeat == NO_SEAT ? "repetition-draw" : "repetition";
      return r;
    }
    if (r.moves >= kMoveLimit) {
      r.how = "limit";
      return r;
    }
    const std::optional<MoveOutcome> o = PlayTurn(g, players[step.seat], run.History(), played);
    if (o) ++r.moves;
    if (o && o->kingTaken) {
      r.winnerSeat = g.State().WinnerSeat != NO_SEAT ? g.State().WinnerSeat : step.seat;
      r.how = "king";
      return r;
    }
    run.After(step, o ? &*o : nullptr);
  }
}

GameState OpeningPosition(std::uint64_t seed, int candidate, int plies) {
  GameState s;
  StartSelfPlay(s, 3);
  ScrambleOpening(s, seed * 1000003ULL + static_cast<std::uint64_t>(candidate), plies);
  return s;
}

bool AcceptableOpening(const GameState& s) {
  if (s.GameOver) return false;
  DeepLimits limits;
  limits.nodes = 40000;
  DeepStats stats;
  const ChosenMove m = SearchDeep(s, s.CurrentSeat, limits, &stats);
  if (!m.found || stats.fallback) return false;
  return stats.score < 20000 && stats.score > -20000;
}

}  // namespace korvel::match
