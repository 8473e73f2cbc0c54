// Attack counts of single squares, for the fast search: the value ComputeAttackMaps would
// write into AttackMap[seat][x][y] for the board as it stands, found by looking outward
// from the square instead of building all four maps.
#pragma once

#include <array>
#include <cstdint>

#include "game/state.h"

namespace korvel {

namespace probe_detail {

// Per piece code (in half steps): which neighbours it attacks, one bit per offset
// (dx + 1) * 3 + (dy + 1) from the piece, and whether it also attacks along rook lines.
struct PieceReach {
  std::uint16_t steps = 0;
  bool slides = false;
  std::uint8_t seat = 0;  // SeatOfCode, 0 for none
};

constexpr int Bit(int dx, int dy) {
  return 1 << ((dx + 1) * 3 + (dy + 1));
}

// The step sets of ComputeAttackMaps, turned to each seat's forward direction.
constexpr std::array<PieceReach, 128> MakeReach() {
  std::array<PieceReach, 128> table{};
  constexpr int FWD_X[5] = {0, 0, 1, 0, -1};
  constexpr int FWD_Y[5] = {0, -1, 0, 1, 0};
  for (int seat = 1; seat <= 4; ++seat) {
    const int fx = FWD_X[seat], fy = FWD_Y[seat];
    // (forward, sideways) as board offsets; both sides always come together.
    auto step = [&](int f, int side) { return Bit(f * fx + side * fy, f * fy + side * fx); };
    const int gold = step(1, 0) | step(1, 1) | step(1, -1) | step(0, 1) | step(0, -1) | step(-1, 0);
    const int base = seat * 20;
    table[base + 2].steps = static_cast<std::uint16_t>(step(1, 0));  // HU
    table[base + 4].steps = static_cast<std::uint16_t>(step(1, 0) | step(1, 1) | step(1, -1) |
                                                       step(-1, 1) | step(-1, -1));  // GIN
    table[base + 3].steps = static_cast<std::uint16_t>(gold);                        // TO
    table[base + 5].steps = static_cast<std::uint16_t>(gold);                        // GINNARI
    table[base + 6].steps = static_cast<std::uint16_t>(gold);                        // KIN
    table[base + 8].slides = true;                                                   // SYA
    table[base + 9].steps =
        static_cast<std::uint16_t>(Bit(-1, -1) | Bit(-1, 1) | Bit(1, -1) | Bit(1, 1));
    table[base + 9].slides = true;  // SYANARI
    int king = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if (dx != 0 || dy != 0) king |= Bit(dx, dy);
    table[base + 10].steps = static_cast<std::uint16_t>(king);  // OU
  }
  for (int h = 0; h < 128; ++h) {
    const int seat = SeatOfCode(PieceCode::FromHalves(h));
    table[h].seat = static_cast<std::uint8_t>(seat == NO_SEAT ? 0 : seat);
  }
  return table;
}

inline constexpr std::array<PieceReach, 128> REACH = MakeReach();

// A rook's ray runs on through the enemy kings of its seat.
constexpr bool RayPassesKing(int seat, PieceCode c) {
  if (seat == SITA || seat == UE) return c == 45_pc || c == 25_pc;
  return c == 15_pc || c == 35_pc;
}

inline const PieceReach& ReachOf(PieceCode c) {
  static constexpr PieceReach none{};
  const int h = c.Halves();
  return (h >= 0 && h < 128) ? REACH[h] : none;
}

}  // namespace probe_detail

// AttackMap[seat][x][y] as ComputeAttackMaps would leave it for the current board; 0 off the
// board.
inline int CountAttacks(const GameState& s, int seat, int x, int y) {
  using namespace probe_detail;
  if (!OnBoard(x, y)) return 0;
  int n = 0;
  for (int dx = -1; dx <= 1; ++dx) {
    const int px = x - dx;
    if (px < 1 || px > 9) continue;
    for (int dy = -1; dy <= 1; ++dy) {
      const int py = y - dy;
      if (py < 1 || py > 9) continue;
      const PieceReach& r = ReachOf(s.Board[px][py]);  // the square itself has no bit
      if (r.seat == seat && (r.steps & Bit(dx, dy))) ++n;
    }
  }
  static constexpr int DX[4] = {0, 0, 1, -1};
  static constexpr int DY[4] = {1, -1, 0, 0};
  for (int d = 0; d < 4; ++d) {
    for (int qx = x + DX[d], qy = y + DY[d]; OnBoard(qx, qy); qx += DX[d], qy += DY[d]) {
      const PieceCode c = s.Board[qx][qy];
      if (c.IsEmpty() || RayPassesKing(seat, c)) continue;
      const PieceReach& r = ReachOf(c);
      if (r.seat == seat && r.slides) ++n;
      break;
    }
  }
  return n;
}

// AttackMap[a] or AttackMap[b] above 0 at (x, y), for two seats of one team (their rook
// rays pass the same kings).
inline bool AttackedByEither(const GameState& s, int a, int b, int x, int y) {
  using namespace probe_detail;
  if (!OnBoard(x, y)) return false;
  for (int dx = -1; dx <= 1; ++dx) {
    const int px = x - dx;
    if (px < 1 || px > 9) continue;
    for (int dy = -1; dy <= 1; ++dy) {
      const int py = y - dy;
      if (py < 1 || py > 9) continue;
      const PieceReach& r = ReachOf(s.Board[px][py]);
      if ((r.seat == a || r.seat == b) && (r.steps & Bit(dx, dy))) return true;
    }
  }
  static constexpr int DX[4] = {0, 0, 1, -1};
  static constexpr int DY[4] = {1, -1, 0, 0};
  for (int d = 0; d < 4; ++d) {
    for (int qx = x + DX[d], qy = y + DY[d]; OnBoard(qx, qy); qx += DX[d], qy += DY[d]) {
      const PieceCode c = s.Board[qx][qy];
      if (c.IsEmpty() || RayPassesKing(a, c)) continue;
      const PieceReach& r = ReachOf(c);
      if ((r.seat == a || r.seat == b) && r.slides) return true;
      break;
    }
  }
  return false;
}

}  // namespace korvel
