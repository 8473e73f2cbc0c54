#include "ai/search.h"

#include "ai/search_direct.h"

namespace korvel {

ChosenMove SearchBestMove(GameState& s, int seat) { return SearchBestMoveDirect(s, seat); }

}  // namespace korvel
