#include "game/movement.h"

#include <cstdlib>

namespace korvel {

namespace {

constexpr int H(PieceCode c) { return c.Halves(); }

bool GoldLike(int seat, int fx, int fy, int tx, int ty) {
  int dx = tx - fx, dy = ty - fy;
  switch (seat) {
    case SITA: return (std::abs(dx) < 2 && (dy == 0 || dy == -1)) || (tx == fx && dy == 1);
    case UE: return (std::abs(dx) < 2 && (dy == 0 || dy == 1)) || (tx == fx && dy == -1);
    case HIDARI: return (std::abs(dy) < 2 && (dx == 0 || dx == 1)) || (ty == fy && dx == -1);
    case MIGI: return (std::abs(dy) < 2 && (dx == 0 || dx == -1)) || (ty == fy && dx == 1);
  }
  return true;
}

}  // namespace

bool RookPathClear(const GameState& s, int fromX, int fromY, int toX, int toY) {
  if (fromX != toX && fromY != toY) return false;
  if (fromY != toY) {
    int step = toY > fromY ? 1 : -1;
    for (int y = fromY + step; y != toY; y += step) {
      if (toX < 0 || toX > 9 || y < 0 || y > 9) return false;
      if (!s.Board[toX][y].IsEmpty()) return false;
    }
  }
  if (fromX != toX) {
    int step = toX > fromX ? 1 : -1;
    for (int x = fromX + step; x != toX; x += step) {
      if (x < 0 || x > 9 || toY < 0 || toY > 9) return false;
      if (!s.Board[x][toY].IsEmpty()) return false;
    }
  }
  return true;
}

bool CanMove(const GameState& s, int fromX, int fromY, int toX, int toY, PieceCode code) {
  if (toX < 1 || toX > 9 || toY < 1 || toY > 9) return false;

  // Own pieces block; any other seat's piece, the partner's included, may be taken.
  const int seat = SeatByRange(code);
  const PieceCode there = s.Board[toX][toY];
  if (seat != 0 && Code(seat, HU) <= there && there <= Code(seat, OU)) return false;

  if (IsHandX(fromX)) {
    if (!there.IsEmpty()) return false;
    if (seat == 0 || code != Code(seat, HU)) return true;
    // Two unpromoted pawns of one seat may not share a line; other seats' pawns don't count.
    int line = (seat == SITA || seat == UE) ? toX : toY;
    if (s.Caches().PawnLine[seat][line] == 1) return false;
  }

  const int dx = toX - fromX, dy = toY - fromY;
  switch (H(code)) {
    case H(11_pc): return fromX != 11 ? (toX == fromX && toY == fromY - 1) : toY != 1;
    case H(31_pc): return fromX > 0 ? (toX == fromX && toY == fromY + 1) : toY != 9;
    case H(21_pc): return fromX >= 1 ? (toX == fromX + 1 && toY == fromY) : toX != 9;
    case H(41_pc): return fromX <= 9 ? (fromX == toX + 1 && fromY == toY) : toX != 1;

    case H(12_pc): return std::abs(dx) < 2 && (fromY - toY == 1 || (toX != fromX && dy == 1));
    case H(32_pc): return std::abs(dx) < 2 && (dy == 1 || (toX != fromX && fromY - toY == 1));
    case H(22_pc): return std::abs(dy) < 2 && (dx == 1 || (toY != fromY && fromX - toX == 1));
    case H(42_pc): return std::abs(dy) < 2 && (fromX - toX == 1 || (toY != fromY && dx == 1));

    case H(13_pc): case H(11.5_pc): case H(12.5_pc): return GoldLike(SITA, fromX, fromY, toX, toY);
    case H(33_pc): case H(31.5_pc): case H(32.5_pc): return GoldLike(UE, fromX, fromY, toX, toY);
    case H(23_pc): case H(21.5_pc): case H(22.5_pc):
      return GoldLike(HIDARI, fromX, fromY, toX, toY);
    case H(43_pc): case H(41.5_pc): case H(42.5_pc):
      return GoldLike(MIGI, fromX, fromY, toX, toY);

    case H(15_pc): case H(25_pc): case H(35_pc): case H(45_pc):
      return !(std::abs(dx) > 1 || std::abs(dy) > 1);

    case H(14_pc): case H(24_pc): case H(34_pc): case H(44_pc):
      return RookPathClear(s, fromX, fromY, toX, toY);

    case H(14.5_pc): case H(24.5_pc): case H(34.5_pc): case H(44.5_pc):
      if (std::abs(dx) < 2 && std::abs(dy) < 2) return true;
      return RookPathClear(s, fromX, fromY, toX, toY);

    default: return true;
  }
}

bool CanPromote(int fromX, int fromY, int toX, int toY, PieceCode code, PieceCode* promotedCode) {
  if (IsHandX(fromX)) return false;
  bool yes = false;
  switch (H(code)) {
    case H(11_pc): yes = toY < 4; break;
    case H(31_pc): yes = toY > 6; break;
    case H(21_pc): yes = toX > 6; break;
    case H(41_pc): yes = toX < 4; break;
    case H(12_pc): case H(14_pc): yes = fromY < 4 || toY < 4; break;
    case H(32_pc): case H(34_pc): yes = toY > 6 || fromY > 6; break;
    case H(22_pc): case H(24_pc): yes = toX > 6 || fromX > 6; break;
    case H(42_pc): case H(44_pc): yes = toX < 4 || fromX < 4; break;
    default: yes = false;
  }
  if (yes && promotedCode) *promotedCode = code.Promoted();
  return yes;
}

bool MayStayUnpromoted(int x, int y, PieceCode code) {
  if (code == 11_pc && y == 1) return false;
  if (code == 31_pc && y == 9) return false;
  if (code == 21_pc && x == 9) return false;
  if (code == 41_pc && x == 1) return false;
  return true;
}

}  // namespace korvel
