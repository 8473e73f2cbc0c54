#include "game/attack_maps.h"

#include <cstring>

#include "game/rule_cache_writer.h"

namespace korvel {

namespace {

// Forward step of each seat's pieces and the sideways axis.
constexpr int FWD_X[5] = {0, 0, 1, 0, -1};
constexpr int FWD_Y[5] = {0, -1, 0, 1, 0};

inline void Mark(GameState& s, int seat, int x, int y) {
  if (x >= 1 && x <= 9 && y >= 1 && y <= 9) ++RuleCacheWriter::Of(s).AttackMap[seat][x][y];
}

// (forward, sideways) steps turned into board offsets for a seat.
inline void Step(GameState& s, int seat, int x, int y, int f, int side) {
  const int fx = FWD_X[seat], fy = FWD_Y[seat];
  // sideways axis is the forward axis turned a quarter: (fy, fx) up to sign, both sides
  // are always marked together, so the sign does not matter.
  Mark(s, seat, x + f * fx + side * fy, y + f * fy + side * fx);
}

constexpr bool IsEnemyKingOf(int seat, PieceCode c) {
  if (seat == SITA || seat == UE) return c == 45_pc || c == 25_pc;
  return c == 15_pc || c == 35_pc;
}

}  // namespace

void AddGoldSteps(GameState& s, int seat, int x, int y) {
  Step(s, seat, x, y, 1, 0);
  Step(s, seat, x, y, 1, 1);
  Step(s, seat, x, y, 1, -1);
  Step(s, seat, x, y, 0, 1);
  Step(s, seat, x, y, 0, -1);
  Step(s, seat, x, y, -1, 0);
}

void AddRookRay(GameState& s, PieceCode piece, int x, int y, RayDirection direction) {
  static constexpr int DX[4] = {0, 0, 1, -1};
  static constexpr int DY[4] = {1, -1, 0, 0};
  const int seat = SeatOfCode(piece);
  if (seat == NO_SEAT) return;
  const int dx = DX[direction], dy = DY[direction];
  RuleCaches& caches = RuleCacheWriter::Of(s);
  int cx = x + dx, cy = y + dy;
  while (cx >= 1 && cx <= 9 && cy >= 1 && cy <= 9) {
    ++caches.AttackMap[seat][cx][cy];
    const PieceCode there = s.Board[cx][cy];
    if (IsEnemyKingOf(seat, there)) {
      // A king in the line does not stop the ray: the squares behind it are attacked too.
      for (int bx = x + dx, by = y + dy; bx != cx || by != cy; bx += dx, by += dy)
        caches.CheckLineMap[seat][bx][by] = 1;
      caches.CheckLineMap[seat][x][y] = 9;
    } else if (!there.IsEmpty()) {
      return;
    }
    cx += dx;
    cy += dy;
  }
}

void ComputeAttackMaps(GameState& s) {
  RuleCaches& caches = RuleCacheWriter::Of(s);
  std::memset(caches.AttackMap, 0, sizeof caches.AttackMap);
  std::memset(caches.CheckLineMap, 0, sizeof caches.CheckLineMap);

  for (int x = 1; x <= 9; ++x) {
    for (int y = 1; y <= 9; ++y) {
      const PieceCode c = s.Board[x][y];
      if (c.IsEmpty()) continue;
      const int seat = SeatOfCode(c);
      if (seat == NO_SEAT) continue;
      const int fx = FWD_X[seat], fy = FWD_Y[seat];
      switch (c.Halves() - seat * 20) {
        case 2:  // HU
          Mark(s, seat, x + fx, y + fy);
          // A pawn standing right in front of its partner's king marks itself.
          if ((seat == SITA || seat == UE) && OnBoard(x + fx, y + fy) &&
              s.Board[x + fx][y + fy] == KingCode(PartnerOf(seat)))
            caches.CheckLineMap[seat][x][y] = 9;
          break;
        case 4:  // GIN
          Step(s, seat, x, y, 1, 0);
          Step(s, seat, x, y, 1, 1);
          Step(s, seat, x, y, 1, -1);
          Step(s, seat, x, y, -1, 1);
          Step(s, seat, x, y, -1, -1);
          break;
        case 6:  // KIN
        case 3:  // TO
        case 5:  // GINNARI
          AddGoldSteps(s, seat, x, y);
          break;
        case 9:  // SYANARI
          for (int ddx = -1; ddx <= 1; ddx += 2)
            for (int ddy = -1; ddy <= 1; ddy += 2) {
              Mark(s, seat, x + ddx, y + ddy);
              if ((seat == SITA || seat == UE) && OnBoard(x + ddx, y + ddy) &&
                  s.Board[x + ddx][y + ddy] == KingCode(PartnerOf(seat)))
                caches.CheckLineMap[seat][x][y] = 9;
            }
          [[fallthrough]];
        case 8:  // SYA
          AddRookRay(s, c, x, y, RAY_DOWN);
          AddRookRay(s, c, x, y, RAY_UP);
          AddRookRay(s, c, x, y, RAY_RIGHT);
          AddRookRay(s, c, x, y, RAY_LEFT);
          break;
        case 10:  // OU
          for (int ddx = -1; ddx <= 1; ++ddx)
            for (int ddy = -1; ddy <= 1; ++ddy)
              if (ddx != 0 || ddy != 0) Mark(s, seat, x + ddx, y + ddy);
          if (seat == MIGI || seat == HIDARI) caches.KingPos[seat] = {x, y};
          break;
        default:
          break;
      }
    }
  }
}

}  // namespace korvel
