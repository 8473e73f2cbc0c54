#include "net/autoplay.h"

#include "game/play_move.h"

namespace korvel::net {

std::optional<Move> ChooseOwnMove(const Game& g, int level, std::uint64_t& rng) {
  auto next = [&rng](std::uint64_t n) {
    rng = rng * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((rng >> 33) % n);
  };
  const GameState& s = g.State();
  if (level == 0) {
    // A few random tries first: far cheaper than every legal move, for the load tool.
    for (int i = 0; i < 300; ++i) {
      const int fx = 1 + next(9), fy = 1 + next(9), tx = 1 + next(9), ty = 1 + next(9);
      const PieceCode p = s.Board[fx][fy];
      if (SeatOfCode(p) != s.CurrentSeat) continue;
      const Move m{fx, fy, tx, ty, p, p};
      if (IsLegal(s, m)) return m;
    }
  }
  const std::vector<Move> legal = LegalMoves(s);
  if (legal.empty()) return std::nullopt;
  if (level >= 1 && level <= 3) {
    Game copy = g;
    copy.SetLevel(level);
    const ChosenMove m = copy.ChooseComputerMove(g.State().CurrentSeat);
    if (m.found && IsLegal(g.State(), m)) return static_cast<const Move&>(m);
  }
  return legal[static_cast<size_t>(next(legal.size()))];
}

}  // namespace korvel::net
