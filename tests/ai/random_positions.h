// Seeded positions no game would reach: kings anywhere, pieces of every kind scattered,
// full hands. The same seed gives the same position on every machine.
#pragma once

#include <cstdint>
#include <cstring>

#include "game/state.h"

namespace korvel::testing {

struct Lcg {
  std::uint64_t x;
  std::uint32_t Next() {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(x >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

// Every code a piece can carry, kings left out.
inline PieceCode RandomPiece(Lcg& r) {
  static constexpr int KINDS[] = {2, 3, 4, 5, 6, 8, 9};  // in half steps: 1 1.5 2 2.5 3 4 4.5
  return PieceCode::FromHalves((1 + r.Below(4)) * 20 + KINDS[r.Below(7)]);
}

// A position with the seat to move, the level, and (one time in `missingKingOdds`) a king
// missing from the board.
inline GameState RandomPosition(std::uint64_t seed, int missingKingOdds = 40) {
  Lcg r{seed * 7919 + 17};
  GameState s;
  s.GameMode = 1;
  s.GameStarted = true;
  s.CurrentSeat = 1 + r.Below(4);
  s.Level = 1 + r.Below(3);
  auto emptySquare = [&](int& x, int& y) {
    do {
      x = 1 + r.Below(9);
      y = 1 + r.Below(9);
    } while (!s.Board[x][y].IsEmpty());
  };
  for (int seat = 1; seat <= 4; ++seat) {
    if (r.Below(missingKingOdds) == 0) continue;
    int x, y;
    emptySquare(x, y);
    s.Board[x][y] = KingCode(seat);
  }
  const int pieces = 6 + r.Below(35);
  for (int i = 0; i < pieces; ++i) {
    int x, y;
    emptySquare(x, y);
    s.Board[x][y] = RandomPiece(r);
  }
  for (int seat = 1; seat <= 4; ++seat) {
    const bool filled = r.Below(3) != 0;
    for (int slot = 1; slot <= 4; ++slot) s.Hand[seat][slot] = filled ? r.Below(3) : 0;
  }
  return s;
}

// FNV-1a over the board, hands and every cache the search may leave changed.
inline std::uint64_t StateDigest(const GameState& s) {
  std::uint64_t h = 1469598103934665603ULL;
  auto feed = [&](const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ULL;
  };
  feed(s.Board, sizeof s.Board);
  feed(s.Hand, sizeof s.Hand);
  const RuleCaches& c = s.Caches();
  feed(c.KingPos, sizeof c.KingPos);
  feed(c.PawnLine, sizeof c.PawnLine);
  feed(c.AttackMap, sizeof c.AttackMap);
  feed(c.CheckLineMap, sizeof c.CheckLineMap);
  return h;
}

}  // namespace korvel::testing
