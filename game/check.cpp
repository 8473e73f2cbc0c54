#include "game/check.h"

#include "game/movement.h"

namespace korvel {

int CheckedOpponent(const GameState& s, int x, int y, int seat) {
  if (seat < 1 || seat > 4 || !OnBoard(x, y)) return seat;
  const PieceCode mover = s.Board[x][y];
  for (int opponent : {FirstOpponent(seat), SecondOpponent(seat)}) {
    const Square k = s.Caches().KingPos[opponent];
    if (CanMove(s, x, y, k.x, k.y, mover)) return opponent;
    // A check uncovered by the move comes from the mover's rooks.
    if (SlidersReach(s, Code(seat, SYA), Code(seat, SYA, true), k.x, k.y)) return opponent;
  }
  return seat;
}

bool SlidersReach(const GameState& s, PieceCode rookCode, PieceCode dragonCode, int tx, int ty) {
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      const PieceCode c = s.Board[x][y];
      if ((c == rookCode || c == dragonCode) && CanMove(s, x, y, tx, ty, c)) return true;
    }
  return false;
}

bool ChecksPartner(GameState& s, int fromX, int fromY, int toX, int toY) {
  const int seat = s.CurrentSeat;
  if (seat < 1 || seat > 4) return false;
  const bool fromBoard = OnBoard(fromX, fromY);
  PieceCode moving;
  if (fromBoard) {
    moving = s.Board[fromX][fromY];
    s.Board[fromX][fromY] = EMPTY;
  } else {
    moving = HandCellCode(fromX, fromY);
  }

  const Square p = s.Caches().KingPos[PartnerOf(seat)];
  const PieceCode atP = s.Board[p.x][p.y];
  s.Board[p.x][p.y] = EMPTY;

  // Taking the partner's king is refused like every other attack on it: a pawn or silver
  // could not "move on" from that square, and the game would then end with no winner.
  bool yes = toX == p.x && toY == p.y;
  if (!yes) yes = CanMove(s, toX, toY, p.x, p.y, moving);
  if (!yes) {
    const PieceCode rook = Code(seat, SYA), dragon = Code(seat, SYA, true);
    for (int x = 1; x <= 9 && !yes; ++x)
      for (int y = 1; y <= 9 && !yes; ++y) {
        const PieceCode c = s.Board[x][y];
        if ((c == rook || c == dragon) && CanMove(s, x, y, p.x, p.y, c)) yes = true;
      }
  }

  // Put back in the reverse order of lifting: should a stale partner square be the origin
  // itself, the moving piece comes back last and is not erased.
  s.Board[p.x][p.y] = atP;
  if (fromBoard) s.Board[fromX][fromY] = moving;
  return yes;
}

int AttackedOpponent(const GameState& s, int seat) {
  if (seat < 1 || seat > 4) return NO_SEAT;
  for (int opponent : {FirstOpponent(seat), SecondOpponent(seat)}) {
    const Square k = s.Caches().KingPos[opponent];
    if (s.Caches().AttackMap[seat][k.x][k.y] != 0) return opponent;
  }
  return NO_SEAT;
}

bool AttacksBottomKing(const GameState& s, int seat) {
  const Square k = s.Caches().KingPos[SITA];
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      const PieceCode c = s.Board[x][y];
      if (SeatOfCode(c) == seat && CanMove(s, x, y, k.x, k.y, c)) return true;
    }
  return false;
}

namespace {

// Step 2 of the mate test: can the defender drop a piece between? Answers true to go on
// with the king's escape, false when the answer is already "no mate".
bool DropsBetweenGoOn(GameState& s, int p, int q) {
  const auto& line = s.Caches().CheckLineMap[p];
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      if (line[x][y] != 1 && line[x][y] != 9) continue;
      if (HandTotal(s, q) == s.Hand[SITA][1]) return true;
      const PieceCode held = s.Board[x][y];
      s.Board[x][y] = 11_pc;
      bool found = false;
      const Square k = s.Caches().KingPos[SITA];
      for (int ax = 1; ax <= 9 && !found; ++ax)
        for (int ay = 1; ay <= 9 && !found; ++ay)
          if (line[ax][ay] == 9 && CanMove(s, ax, ay, k.x, k.y, s.Board[ax][ay])) found = true;
      s.Board[x][y] = held;
      if (found) return true;
    }
  return false;
}

}  // namespace

bool IsMate(GameState& s, int p, int q) {
  if (q < 1 || q > 4 || p < 1 || p > 4) return false;

  if (HandTotal(s, q) > 0 && !DropsBetweenGoOn(s, p, q)) return false;

  // The king escapes to a square neither opponent attacks.
  const Square k = s.Caches().KingPos[q];
  const PieceCode king = KingCode(q);
  const int o1 = IsFirstTeam(q) ? HIDARI : UE;
  const int o2 = IsFirstTeam(q) ? MIGI : SITA;
  const auto& attacks = s.Caches().AttackMap;
  for (int x = k.x - 1; x <= k.x + 1; ++x)
    for (int y = k.y - 1; y <= k.y + 1; ++y) {
      if (!OnBoard(x, y)) continue;
      if (CanMove(s, k.x, k.y, x, y, king) && attacks[o1][x][y] == 0 && attacks[o2][x][y] == 0)
        return false;
    }

  // A piece of the defender moves onto a marked square.
  const auto& line = s.Caches().CheckLineMap[p];
  for (int ax = 1; ax <= 9; ++ax)
    for (int ay = 1; ay <= 9; ++ay) {
      const PieceCode a = s.Board[ax][ay];
      if (SeatOfCode(a) != q || IsKingCode(a)) continue;
      for (int bx = 1; bx <= 9; ++bx)
        for (int by = 1; by <= 9; ++by) {
          if ((bx == ax && by == ay) || line[bx][by] == 0) continue;
          if (!CanMove(s, ax, ay, bx, by, a)) continue;
          const PieceCode held = s.Board[bx][by];
          s.Board[bx][by] = a;
          s.Board[ax][ay] = EMPTY;
          const bool stillAttacked = AttacksBottomKing(s, p);
          s.Board[ax][ay] = a;
          s.Board[bx][by] = held;
          if (!stillAttacked) return false;
        }
    }
  return true;
}

}  // namespace korvel

