// The rules' write access to a GameState's caches. Only the rules in game/ that refresh them
// include this header (the game library alone is built with KORVEL4_GAME_RULES); the other
// layers read the caches through GameState::Caches(), and tests set them up through
// RuleCacheFixture.
#pragma once

#ifndef KORVEL4_GAME_RULES
#error "game/rule_cache_writer.h is for the rules in game/ only: read GameState::Caches()"
#endif

#include "game/state.h"

namespace korvel {

struct RuleCacheWriter {
  static RuleCaches& Of(GameState& s) { return s.caches_; }
};

}  // namespace korvel
