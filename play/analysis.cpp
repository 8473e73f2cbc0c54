#include "play/analysis.h"

#include <algorithm>

#include "play/game_record.h"

namespace korvel {

namespace {

// What the search says of one position: its move and its score for 下 and 上.
struct Weighed {
  std::optional<Move> best;
  std::optional<int> score;
};

bool Stopped(const std::atomic<bool>* stop) {
  return stop && stop->load(std::memory_order_relaxed);
}

Weighed Weigh(DeepThinker& thinker, const GameState& s, const AnalysisLimits& limits) {
  Weighed w;
  const int seat = s.CurrentSeat;
  if (seat < SITA || seat > MIGI) return w;
  DeepLimits deep;
  deep.nodes = limits.nodes;
  deep.stop = limits.stop;
  DeepStats stats;
  const ChosenMove chosen = thinker.Choose(s, seat, deep, &stats);
  if (chosen.found) w.best = static_cast<const Move&>(chosen);
  // A seat with no move passes; a position outside the deep search has no score of it.
  if (chosen.found && !stats.fallback) w.score = ForTeamOf(seat, stats.score);
  return w;
}

int Decided(int score) {
  return std::clamp(score, -kAnalysisDecided, kAnalysisDecided);
}

// The position the game ends in: a king taken, or the end by repetition.
std::optional<int> EndScore(const Game& g) {
  if (!g.Finished()) return std::nullopt;
  const Game::Ending end = g.EndingOfGame();
  if (end.winner == NO_SEAT) return 0;
  return ForTeamOf(end.winner, kAnalysisWin);
}

}  // namespace

GameAnalysis AnalyseGame(const Game& game, const AnalysisLimits& limits) {
  GameAnalysis result;
  if (!game.State().GameStarted) return result;
  Game g = game;
  const int first = game.MoveNumber() - game.HistoryCount();
  while (g.StepBack()) {
  }
  const int top = g.HistoryTop();
  const int total = top + 1;
  DeepThinker thinker;
  Weighed here = Weigh(thinker, g.State(), limits);
  for (int k = 1;; ++k) {
    if (Stopped(limits.stop)) {
      result.cancelled = true;
      result.moves.clear();
      return result;
    }
    if (limits.progress) limits.progress(k, total);
    if (k > top) break;
    const std::optional<MoveRecord> r = g.StepForward();
    if (!r) break;
    MoveAnalysis m;
    m.number = first + k;
    m.seat = r->mover;
    m.played = *r;
    m.best = here.best;
    m.before = here.score;
    Weighed next;
    if (const std::optional<int> end = k == top ? EndScore(g) : std::nullopt)
      next.score = end;
    else
      next = Weigh(thinker, g.State(), limits);
    m.after = next.score;
    if (m.best && *m.best == static_cast<const Move&>(*r))
      m.loss = 0;
    else if (m.before && m.after)
      m.loss = std::max(0, Decided(ForTeamOf(m.seat, *m.before)) -
                               Decided(ForTeamOf(m.seat, *m.after)));
    result.moves.push_back(m);
    here = next;
  }
  return result;
}

bool HintPossible(const Game& game) {
  const int seat = game.State().CurrentSeat;
  return seat >= SITA && seat <= MIGI && game.MayMove(seat) == Refusal::NONE &&
         game.IsPersonSeat(seat);
}

std::optional<ChosenMove> SuggestMove(const Game& game, std::uint64_t nodes,
                                      const std::atomic<bool>* stop) {
  if (!HintPossible(game)) return std::nullopt;
  const GameState& s = game.State();
  const int seat = s.CurrentSeat;
  DeepThinker thinker;
  DeepLimits limits;
  limits.nodes = nodes;
  limits.stop = stop;
  const ChosenMove chosen = thinker.Choose(s, seat, limits);
  if (!chosen.found || Stopped(stop)) return std::nullopt;
  return chosen;
}

namespace {

std::string Number(const std::optional<int>& v) {
  return v ? std::to_string(*v) : "null";
}

}  // namespace

std::string AnalysisJson(const MoveAnalysis& m) {
  std::string line = "{\"move\":" + std::to_string(m.number) + ",\"seat\":\"" + SeatName(m.seat) +
                     "\",\"played\":\"" + MoveNotation(m.played) + "\",\"best\":";
  line += m.best ? "\"" + MoveNotation(*m.best) + "\"" : std::string("null");
  line += ",\"before\":" + Number(m.before) + ",\"score\":" + Number(m.after) +
          ",\"loss\":" + Number(m.loss) + "}";
  return line;
}

std::vector<int> WorstMoves(const std::vector<MoveAnalysis>& moves, int count, int least) {
  std::vector<int> worst;
  for (int i = 0; i < static_cast<int>(moves.size()); ++i)
    if (moves[i].loss && *moves[i].loss >= least) worst.push_back(i);
  std::stable_sort(worst.begin(), worst.end(),
                   [&](int a, int b) { return *moves[a].loss > *moves[b].loss; });
  if (static_cast<int>(worst.size()) > count) worst.resize(static_cast<size_t>(std::max(count, 0)));
  return worst;
}

}  // namespace korvel
