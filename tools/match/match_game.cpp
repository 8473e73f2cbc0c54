#include "tools/match/match_game.h"

#include <optional>

#include "ai/search.h"
#include "ai/self_play.h"
#include "game/play_move.h"
#include "play/computer_run.h"
#include "play/game.h"
#include "tools/engine/notation.h"
#include "tools/match/engine_process.h"

namespace korvel::match {

namespace {

// What a turn ended in: a move's outcome, a pass (nothing), or an engine's failure.
struct TurnResult {
  std::optional<MoveOutcome> outcome;
  std::string forfeit;  // not empty: the engine failed, nothing was played
};

// An engine's choice for the seat to move: asked with the game's start and every turn
// since, then checked by the game's own rules as a record's move is.
TurnResult EngineTurn(Game& g, const SeatPlayer& player, const std::string& position,
                      std::vector<MatchTurn>* played) {
  const int seat = g.State().CurrentSeat;
  const std::string go = player.movetime > 0 ? "go movetime " + std::to_string(player.movetime)
                                             : "go nodes " + std::to_string(player.nodes);
  const double wait = player.movetime > 0 ? player.movetime / 1000.0 + 30 : 600;
  std::string error;
  const std::optional<std::string> text = player.engine->BestMove(position, go, wait, &error);
  if (!text) return {std::nullopt, error};
  if (*text == "pass") {
    if (!LegalMoves(g.State()).empty()) return {std::nullopt, "passed with a move to make"};
    if (played) played->push_back({seat, ChosenMove{}});
    g.Pass(seat);
    return {};
  }
  const std::optional<Move> m = engine::ParseMoveText(g.State(), *text, &error);
  if (!m) return {std::nullopt, "bestmove '" + text->substr(0, 40) + "': " + error};
  // The rules on a copy with fresh caches, as a record's move meets them; the game itself
  // is left as level 4's own choice leaves it (the kings found afresh), so that an engine
  // that chooses as level 4 does plays the very same game.
  Game trial = g;
  trial.RefreshKings();
  trial.RefreshPawnLines();
  if (const Refusal refusal = trial.Check(seat, *m); refusal != Refusal::NONE)
    return {std::nullopt, "bestmove '" + *text + "' is not legal: " + engine::RefusalText(refusal)};
  g.RefreshKings();
  if (played) {
    ChosenMove c;
    static_cast<Move&>(c) = *m;
    c.found = true;
    c.captured = g.State().Board[m->toX][m->toY];
    played->push_back({seat, c});
  }
  return {g.Play(seat, *m, Game::Mover::COMPUTER).outcome, ""};
}

// One turn of CurrentSeat through the game object, as the window's computer turn plays it:
// the seat's choice, then the computer's move (the maps, the end of the game on a taken
// king, else the mate test and the hand-off). This is the only place that steps the game.
// Answers the move's outcome, or nothing when the seat had no move and passed.
TurnResult PlayTurn(Game& g, const SeatPlayer& player, const std::vector<DeepPastTurn>& history,
                    const std::string& position, std::vector<MatchTurn>* played) {
  if (player.engine) return EngineTurn(g, player, position, played);
  const int seat = g.State().CurrentSeat;
  g.SetLevel(player.level);
  ComputerLimits limits;
  limits.nodes = player.nodes;
  if (player.movetime > 0) {
    limits.nodes = std::uint64_t{1} << 40;
    limits.maxSeconds = player.movetime / 1000.0;
  }
  limits.eval = player.eval;
  limits.options = player.search;
  limits.history = &history;
  const ChosenMove m = g.ChooseComputerMove(seat, limits);
  if (played) played->push_back({seat, m});
  if (!m.found) {
    g.Pass(seat);
    return {};
  }
  return {g.Play(seat, m, Game::Mover::COMPUTER).outcome, ""};
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
  // What an engine is told: the start and every turn since, in the protocol's notation.
  std::string position;
  bool engines = false;
  for (int seat = 1; seat <= 4; ++seat) engines = engines || players[seat].engine;
  if (engines) position = "position " + engine::PositionText(start) + " moves";
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
    std::vector<MatchTurn> turn;
    const TurnResult t = PlayTurn(g, players[step.seat], run.History(), position, &turn);
    if (!t.forfeit.empty()) {
      r.forfeitSeat = step.seat;
      r.forfeit = t.forfeit;
      r.winnerSeat = NextSeat(step.seat);
      r.how = "forfeit";
      return r;
    }
    if (engines) {
      position += ' ';  // not " " + string: GCC 12 warns falsely of an overlap there
      position += engine::MoveText(turn.front().move);
    }
    if (played) played->push_back(turn.front());
    const std::optional<MoveOutcome>& o = t.outcome;
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
