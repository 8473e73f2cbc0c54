// The deep search's speed: nodes per second (search and quiescence nodes, one core) and the
// depth reached at the default budget and at a match's small one (where what a decision
// costs besides its nodes shows) in midgame positions of self-play.
#include <benchmark/benchmark.h>

#include <vector>

#include "ai/deep_search.h"
#include "ai/self_play.h"

namespace korvel {
namespace {

// Midgame positions: a scrambled opening of 8 turns, then 20 turns of level-3 self-play;
// games that end before, and positions a short search already finds decided, are skipped.
const std::vector<GameState>& MidgamePositions() {
  static const std::vector<GameState> positions = [] {
    std::vector<GameState> out;
    for (std::uint64_t seed = 1; out.size() < 8 && seed < 400; ++seed) {
      GameState s;
      StartSelfPlay(s, 3);
      ScrambleOpening(s, seed, 8);
      PlaySelfPlay(s, 20);
      if (s.GameOver) continue;
      DeepLimits quick;
      quick.nodes = 20000;
      DeepStats stats;
      SearchDeep(s, s.CurrentSeat, quick, &stats);
      if (stats.score > -20000 && stats.score < 20000 && !stats.fallback) out.push_back(s);
    }
    return out;
  }();
  return positions;
}

void BM_DeepMidgame(benchmark::State& state) {
  const std::vector<GameState>& positions = MidgamePositions();
  const GameState& s = positions[static_cast<size_t>(state.range(0)) % positions.size()];
  DeepLimits limits;
  limits.nodes = static_cast<std::uint64_t>(state.range(1));
  std::uint64_t nodes = 0, leftLost = 0;
  double depth = 0, decisions = 0;
  for (auto _ : state) {
    DeepStats stats;
    benchmark::DoNotOptimize(SearchDeep(s, s.CurrentSeat, limits, &stats));
    nodes += stats.nodes;
    leftLost += stats.leftLost;
    depth += stats.depth;
    ++decisions;
  }
  // Rates are per second of the thread's processor time.
  state.counters["nodes_per_s"] =
      benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  // The same with the moves scored lost without being made, each a node had it been made.
  state.counters["with_unmade_per_s"] =
      benchmark::Counter(static_cast<double>(nodes + leftLost), benchmark::Counter::kIsRate);
  state.counters["depth"] = depth / decisions;
}
BENCHMARK(BM_DeepMidgame)
    ->ArgNames({"position", "nodes"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {static_cast<long>(kDeepDefaultNodes), 50000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace korvel
