// Reading a game's one list of turns the way the tests ask about it: the n-th move, and the
// passes with the number of moves before each.
#pragma once

#include <utility>
#include <vector>

#include "play/game.h"

namespace korvel {

// The n-th move of the list (1 for the first); an empty record past the last.
inline MoveRecord NthMove(const Game& g, int n) {
  for (const Game::Turn& t : g.Turns())
    if (!t.pass && --n == 0) return t.move;
  return {};
}

// Each pass as (the moves before it, the seat that passed), in order.
inline std::vector<std::pair<int, int>> PassesOf(const Game& g) {
  std::vector<std::pair<int, int>> passes;
  int moves = 0;
  for (const Game::Turn& t : g.Turns()) {
    if (t.pass)
      passes.emplace_back(moves, t.seat);
    else
      ++moves;
  }
  return passes;
}

}  // namespace korvel
