// A scripted player's choice for its own seat, for the scripted client, the load tool and
// the tests: the computer's choice at a level when the rules allow it as a person's move,
// else a legal move picked by a seeded generator.
#pragma once

#include <cstdint>
#include <optional>

#include "play/game.h"

namespace korvel::net {

// level 0: a random legal move; 1-3: the computer's choice. Empty when the seat to move
// has no legal move.
std::optional<Move> ChooseOwnMove(const Game& g, int level, std::uint64_t& rng);

}  // namespace korvel::net
