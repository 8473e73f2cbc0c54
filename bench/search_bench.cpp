// The computer player's decision alone: no drawing, no pause, no recording.
//
// The game the search plays against itself from the initial position ends with a captured
// king after 49 moves at every level, so the positions "after 60 and after 200 moves" come
// from the first game that lasts that long: the game from the initial position if it does,
// else the games after a scrambled opening of 8 turns (seeds 1, 2, ...; see
// ScrambleOpening), in that order.
#include <benchmark/benchmark.h>

#include <string>

#include "ai/search.h"
#include "ai/search_plain.h"
#include "ai/self_play.h"

namespace korvel {
namespace {

constexpr int SCRAMBLE_TURNS = 8;

// A game at `level`: seed 0 from the initial position, else after a scrambled opening.
GameState GameStart(int level, int seed) {
  GameState s;
  StartSelfPlay(s, level);
  if (seed > 0) ScrambleOpening(s, seed, SCRAMBLE_TURNS);
  return s;
}

// The position after `moves` turns of self-play at `level` in the first game that lasts
// that long; `seed` tells which game it was.
bool PositionAfter(int level, int moves, GameState& out, int& seed) {
  for (seed = 0; seed <= 100; ++seed) {
    out = GameStart(level, seed);
    if (static_cast<int>(PlaySelfPlay(out, moves).size()) == moves && !out.GameOver) return true;
  }
  return false;
}

// (a) The first decision of a game: SITA in the initial position.
void BM_InitialPosition(benchmark::State& state) {
  GameState s = GameStart(static_cast<int>(state.range(0)), 0);
  for (auto _ : state) benchmark::DoNotOptimize(SearchBestMove(s, s.CurrentSeat));
}
BENCHMARK(BM_InitialPosition)
    ->ArgName("level")
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMicrosecond);

// (b) Middle and late positions of self-play at level 3; beside it the plain search
// (every candidate with its full attack maps), which gives the same answers.
template <ChosenMove (*Search)(GameState&, int)>
void BM_SelfPlayPosition(benchmark::State& state) {
  GameState s;
  int seed = 0;
  if (!PositionAfter(3, static_cast<int>(state.range(0)), s, seed)) {
    state.SkipWithError("no game lasts that long");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Search(s, s.CurrentSeat));
  state.SetLabel(seed == 0 ? "initial game" : "scrambled opening " + std::to_string(seed));
}
BENCHMARK(BM_SelfPlayPosition<SearchBestMove>)
    ->Name("BM_SelfPlayPosition")
    ->ArgName("moves")
    ->Arg(60)
    ->Arg(200)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly();
BENCHMARK(BM_SelfPlayPosition<SearchBestMovePlain>)
    ->Name("BM_SelfPlayPositionAsWritten")
    ->ArgName("moves")
    ->Arg(60)
    ->Arg(200)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly();

// (c) A whole game of up to 400 moves at level 3: the game from the initial position, and
// the long game of (b).
void BM_SelfPlayGame(benchmark::State& state) {
  int seed = 0;
  if (state.range(0) != 0) {
    GameState probe;
    if (!PositionAfter(3, 200, probe, seed)) {
      state.SkipWithError("no game lasts that long");
      return;
    }
  }
  const GameState start = GameStart(3, seed);
  size_t turns = 0;
  for (auto _ : state) {
    GameState s = start;
    turns = PlaySelfPlay(s, 400).size();
  }
  state.counters["moves"] = static_cast<double>(turns);
  state.counters["per_move"] =
      benchmark::Counter(static_cast<double>(turns), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  state.SetLabel(seed == 0 ? "initial game" : "scrambled opening " + std::to_string(seed));
}
BENCHMARK(BM_SelfPlayGame)->ArgName("long")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
