// The computer playing all four seats against itself: the benchmarks' positions and the
// recorded games that guard the search's choices come from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ai/search.h"

namespace korvel {

struct SelfPlayTurn {
  int seat = NO_SEAT;
  ChosenMove move;  // move.found is false when the seat had no move and passed
};

// A new game at `level` with SITA to move.
void StartSelfPlay(GameState& s, int level);

// Plays one turn of CurrentSeat: its search, ApplyMove, the end of the game when a king is
// taken (GameOver), otherwise the turn handed to the seat put in check or to the next seat.
// A seat without any move passes to the next seat.
SelfPlayTurn PlaySelfPlayTurn(GameState& s);

// Plays turns until the game is over or `maxTurns` turns (passes included) were played.
// There is no repetition rule here: the recorded games and benchmarks are bounded by
// maxTurns alone, and a position that comes back is played on. Games that end as the
// window's do (the run of computer turns, play/computer_run.h) are korvel4-match's.
std::vector<SelfPlayTurn> PlaySelfPlay(GameState& s, int maxTurns);

// Varied starting points for recorded games and benchmarks (the game from the initial
// position is one short game, the same at every level): `turns` turns of board moves picked
// by a generator seeded with `seed` among the moves CurrentSeat may make (CanMove, and not
// on the partner's king), never taking a king, promoting at random where it may, the turn
// handed on as in play. The same seed gives the same position on every machine.
void ScrambleOpening(GameState& s, std::uint64_t seed, int turns);

// One line of a recorded game: "seat fromX fromY toX toY before placed captured", or
// "seat pass".
std::string TurnLine(const SelfPlayTurn& t);

}  // namespace korvel
