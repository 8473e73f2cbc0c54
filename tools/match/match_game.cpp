#include "tools/match/match_game.h"

#include "ai/search.h"
#include "ai/self_play.h"
#include "play/game.h"
#include "play/repetition.h"

namespace korvel::match {

namespace {

struct TurnOutcome {
  bool moved = false;      // false: the seat had no move and passed
  bool gaveCheck = false;  // the turn went to a checked seat
  bool kingTaken = false;
};

// One turn of CurrentSeat through the game object, as the window's computer turn plays it:
// the seat's choice, then the computer's move (the maps, the end of the game on a taken
// king, else the mate test and the hand-off). This is the only place that steps the game.
TurnOutcome PlayTurn(Game& g, const SeatPlayer& player,
                     const std::vector<DeepPastTurn>& history) {
  const int seat = g.State().CurrentSeat;
  g.SetLevel(player.level);
  ComputerLimits limits;
  limits.nodes = player.nodes;
  limits.eval = player.eval;
  limits.history = &history;
  const ChosenMove m = g.ChooseComputerMove(seat, limits);
  TurnOutcome t;
  if (!m.found) {
    g.Pass(seat);
    return t;
  }
  t.moved = true;
  const MoveOutcome o = g.Play(seat, m, Game::Mover::COMPUTER).outcome;
  t.kingTaken = o.kingTaken;
  t.gaveCheck = o.checked != NO_SEAT;
  return t;
}

}  // namespace

GameResult PlayGame(const GameState& start, const SeatPlayer players[5]) {
  Game g;
  g.Fix().LoadState(start);
  GameResult r;
  // Every seat is a computer, so the whole game is one run of computer turns.
  std::vector<PositionKey> seen;
  std::vector<TurnTaken> turns;
  std::vector<DeepPastTurn> history;
  seen.reserve(kMoveLimit * 2);
  while (true) {
    const PositionKey key = KeyOf(g.State());
    for (size_t i = 0; i < seen.size(); ++i) {
      if (!(seen[i] == key)) continue;
      const std::vector<TurnTaken> since(turns.begin() + static_cast<long>(i), turns.end());
      r.winnerSeat = RepetitionWinner(since);
      r.how = r.winnerSeat == NO_SEAT ? "repetition-draw" : "repetition";
      return r;
    }
    seen.push_back(key);
    if (r.moves >= kMoveLimit) {
      r.how = "limit";
      return r;
    }
    const int seat = g.State().CurrentSeat;
    const std::uint64_t deepKey = DeepPositionKey(g.State(), seat);
    const TurnOutcome t = PlayTurn(g, players[seat], history);
    if (t.moved) ++r.moves;
    if (t.kingTaken) {
      r.winnerSeat = g.State().WinnerSeat != NO_SEAT ? g.State().WinnerSeat : seat;
      r.how = "king";
      return r;
    }
    turns.push_back({seat, t.gaveCheck});
    history.push_back({deepKey, seat, t.gaveCheck});
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
