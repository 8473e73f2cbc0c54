#include "tools/match/match_game.h"

#include "ai/search.h"
#include "ai/self_play.h"
#include "game/apply_move.h"
#include "game/attack_maps.h"
#include "game/check.h"
#include "play/repetition.h"

namespace korvel::match {

namespace {

struct TurnOutcome {
  bool moved = false;      // false: the seat had no move and passed
  bool gaveCheck = false;  // the turn went to a checked seat
  bool kingTaken = false;
};

// One turn of CurrentSeat, carried out as the window's computer turn carries it out: the
// choice, ApplyMove, the maps, the end of the game on a taken king, else the hand-off. This
// is the only place that steps the game.
TurnOutcome PlayTurn(GameState& s, const SeatPlayer& player,
                     const std::vector<DeepPastTurn>& history) {
  const int seat = s.CurrentSeat;
  ChosenMove m;
  if (player.level == 4) {
    DeepLimits limits;
    limits.nodes = player.nodes;
    limits.history = &history;
    m = SearchDeep(s, seat, limits);
  } else {
    s.Level = player.level;
    m = SearchBestMove(s, seat);
  }
  TurnOutcome t;
  if (!m.found) {
    s.CurrentSeat = NextSeat(seat);
    return t;
  }
  t.moved = true;
  const PieceCode taken = s.Board[m.toX][m.toY];
  ApplyMove(s, m.fromX, m.fromY, m.toX, m.toY, m.placed);
  ComputeAttackMaps(s);
  if (KingCaptured(s, taken)) {
    s.GameOver = true;
    t.kingTaken = true;
    return t;
  }
  FindAllKings(s);
  const int next = CheckedOpponent(s, m.toX, m.toY, seat);
  t.gaveCheck = next != seat;
  s.CurrentSeat = t.gaveCheck ? next : NextSeat(seat);
  return t;
}

}  // namespace

GameResult PlayGame(const GameState& start, const SeatPlayer players[5]) {
  GameState s = start;
  GameResult r;
  // Every seat is a computer, so the whole game is one run of computer turns.
  std::vector<PositionKey> seen;
  std::vector<TurnTaken> turns;
  std::vector<DeepPastTurn> history;
  seen.reserve(kMoveLimit * 2);
  while (true) {
    const PositionKey key = KeyOf(s);
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
    const int seat = s.CurrentSeat;
    const std::uint64_t deepKey = DeepPositionKey(s, seat);
    const TurnOutcome t = PlayTurn(s, players[seat], history);
    if (t.moved) ++r.moves;
    if (t.kingTaken) {
      r.winnerSeat = s.WinnerSeat != NO_SEAT ? s.WinnerSeat : seat;
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
