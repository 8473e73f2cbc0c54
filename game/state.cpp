#include "game/state.h"

#include "game/rule_cache_writer.h"

namespace korvel {

PieceCode HandCellCode(int x, int row) {
  int seat = HandCellSeat(x, row);
  if (seat == NO_SEAT) return EMPTY;
  return Code(seat, HandCellSlot(x, row));
}

int HandCellSlot(int x, int row) {
  if (!IsHandX(x)) return 0;
  if (row >= 1 && row <= 4) return 5 - row;
  if (row >= 6 && row <= 9) return row - 5;
  return 0;
}

int HandCellSeat(int x, int row) {
  bool top = row >= 1 && row <= 4;
  bool bottom = row >= 6 && row <= 9;
  if (x == HAND_X_LEFT) return top ? UE : bottom ? HIDARI : NO_SEAT;
  if (x == HAND_X_RIGHT) return top ? MIGI : bottom ? SITA : NO_SEAT;
  return NO_SEAT;
}

Square HandCellOf(int seat, int slot) {
  switch (seat) {
    case SITA: return {HAND_X_RIGHT, 5 + slot};
    case HIDARI: return {HAND_X_LEFT, 5 + slot};
    case UE: return {HAND_X_LEFT, 5 - slot};
    case MIGI: return {HAND_X_RIGHT, 5 - slot};
    default: return {0, 0};
  }
}

int HandTotal(const GameState& s, int seat) {
  if (seat < 1 || seat > 4) return 0;
  return s.Hand[seat][1] + s.Hand[seat][2] + s.Hand[seat][3] + s.Hand[seat][4];
}

int HandSlotOf(PieceCode c) {
  switch (KindOf(c)) {
    case HU: return 1;
    case GIN: return 2;
    case KIN: return 3;
    case SYA: return 4;
    default: return 0;
  }
}

void FindKing(GameState& s, PieceCode kingCode) {
  int seat = SeatOfCode(kingCode);
  if (seat == NO_SEAT) return;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (s.Board[x][y] == kingCode) {
        RuleCacheWriter::Of(s).KingPos[seat] = {x, y};
        return;
      }
}

void FindAllKings(GameState& s) {
  FindKing(s, KingCode(UE));
  FindKing(s, KingCode(SITA));
  FindKing(s, KingCode(MIGI));
  FindKing(s, KingCode(HIDARI));
}

void RestoreKingSquare(GameState& s, int seat, Square kept) {
  if (seat < 1 || seat > 4) return;
  RuleCacheWriter::Of(s).KingPos[seat] = kept;
}

void UpdatePawnLines(GameState& s) {
  auto& pawnLine = RuleCacheWriter::Of(s).PawnLine;
  const PieceCode sitaHu = Code(SITA, HU), ueHu = Code(UE, HU);
  const PieceCode migiHu = Code(MIGI, HU), hidariHu = Code(HIDARI, HU);
  for (int x = 1; x <= 9; ++x) {
    pawnLine[SITA][x] = 0;
    pawnLine[UE][x] = 0;
    for (int y = 1; y <= 9; ++y) {
      if (s.Board[x][y] == sitaHu) pawnLine[SITA][x] = 1;
      if (s.Board[x][y] == ueHu) pawnLine[UE][x] = 1;
    }
  }
  for (int y = 1; y <= 9; ++y) {
    pawnLine[MIGI][y] = 0;
    pawnLine[HIDARI][y] = 0;
    for (int x = 1; x <= 9; ++x) {
      if (s.Board[x][y] == migiHu) pawnLine[MIGI][y] = 1;
      if (s.Board[x][y] == hidariHu) pawnLine[HIDARI][y] = 1;
    }
  }
}

Square PartnerKingPos(const GameState& s, int seat) {
  int partner = PartnerOf(seat);
  if (partner == NO_SEAT) return {0, 0};
  PieceCode king = KingCode(partner);
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (s.Board[x][y] == king) return {x, y};
  return {0, 0};
}

RuleCaches& RuleCacheFixture(GameState& s) {
  return s.caches_;
}

void SetInitialPosition(GameState& s) {
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) s.Board[x][y] = EMPTY;
  // Each army: king mid-edge, golds beside it, silvers beyond, rook in front of the king,
  // pawns either side of the rook and one more in front of it. Written for SITA as
  // (across, depth from its own edge) and turned onto each edge.
  struct Place { int kind, across, depth; };
  static constexpr Place army[] = {{OU, 0, 0},  {KIN, -1, 0}, {KIN, 1, 0}, {GIN, -2, 0},
                                   {GIN, 2, 0}, {SYA, 0, 1},  {HU, -1, 1}, {HU, 1, 1},
                                   {HU, 0, 2}};
  for (const Place& p : army) {
    s.Board[5 + p.across][9 - p.depth] = Code(SITA, p.kind);
    s.Board[5 + p.across][1 + p.depth] = Code(UE, p.kind);
    s.Board[1 + p.depth][5 + p.across] = Code(HIDARI, p.kind);
    s.Board[9 - p.depth][5 + p.across] = Code(MIGI, p.kind);
  }
}

void NewGameModel(GameState& s) {
  s.GameOver = false;
  s.GameMode = NO_SEAT;
  s.CurrentSeat = NO_SEAT;
  s.WinnerSeat = NO_SEAT;
  for (int seat = 1; seat <= 4; ++seat)
    for (int k = 1; k <= 4; ++k) s.Hand[seat][k] = 0;
  SetInitialPosition(s);
}

}  // namespace korvel
