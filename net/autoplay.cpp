#include "net/autoplay.h"

#include "game/play_move.h"

namespace korvel::net {

std::optional<Move> ChooseOwnMove(const Game& g, int level, std::uint64_t& rng) {
  const std::vector<Move> legal = LegalMoves(g.State());
  if (legal.empty()) return std::nullopt;
  if (level >= 1 && level <= 3) {
    Game copy = g;
    copy.SetLevel(level);
    const ChosenMove m = copy.ChooseComputerMove(g.State().CurrentSeat);
    if (m.found && IsLegal(g.State(), m)) return static_cast<const Move&>(m);
  }
  rng = rng * 6364136223846793005ULL + 1442695040888963407ULL;
  return legal[(rng >> 33) % legal.size()];
}

}  // namespace korvel::net
