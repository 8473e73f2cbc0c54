#include "game/play_move.h"

#include "game/apply_move.h"
#include "game/check.h"
#include "game/movement.h"

namespace korvel {

MoveOutcome PlayMove(GameState& s, const Move& m) {
  MoveOutcome o;
  o.mover = s.CurrentSeat;
  const MoveEffects fx = ApplyMove(s, m.fromX, m.fromY, m.toX, m.toY, m.placed);
  o.captured = fx.captured;
  o.handTakenFrom = fx.handTakenFrom;
  o.kingTaken = IsKingCode(fx.captured);
  return o;
}

void HandOff(GameState& s, const Move& m, MoveOutcome& o) {
  const int next = CheckedOpponent(s, m.toX, m.toY, o.mover);
  o.checked = next != o.mover ? next : NO_SEAT;
  o.next = next != o.mover ? next : NextSeat(o.mover);
  s.CurrentSeat = o.next;
}

void RecordKingTaken(GameState& s, const MoveOutcome& o) {
  const int mover = s.CurrentSeat;
  s.CurrentSeat = o.mover;
  KingCaptured(s, o.captured);
  s.CurrentSeat = mover;
  s.GameOver = true;
}

// A taken-back move gives back what it took: the seat whose code the placed piece carries
// returns the capture and, for a drop, gets its piece back in hand.
void UndoMove(GameState& s, const Move& m, const MoveOutcome& o) {
  const int seat = SeatByRange(m.placed);
  if (!OnBoard(m.fromX, m.fromY)) {
    if (seat != 0) ++s.Hand[seat][HandSlotOf(m.placed)];
  } else {
    s.Board[m.fromX][m.fromY] = m.before;
  }
  if (!o.captured.IsEmpty() && seat != 0) --s.Hand[seat][HandSlotOf(o.captured)];
  s.Board[m.toX][m.toY] = o.captured;
  s.CurrentSeat = o.mover;
}

void RedoMove(GameState& s, const Move& m, PieceCode captured) {
  const int seat = SeatByRange(m.placed);
  if (!OnBoard(m.fromX, m.fromY)) {
    if (seat != 0) --s.Hand[seat][HandSlotOf(m.placed)];
  } else {
    s.Board[m.fromX][m.fromY] = EMPTY;
  }
  s.Board[m.toX][m.toY] = m.placed;
  if (!captured.IsEmpty() && seat != 0) ++s.Hand[seat][HandSlotOf(captured)];
}

void RotatePosition(Position& p) {
  PieceCode t[10][10];
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) t[x][y] = p.Board[x][y];
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      const PieceCode c = t[x][y];
      PieceCode& to = p.Board[10 - y][x];
      if (c <= EMPTY) to = EMPTY;
      else if (c <= 35_pc) to = PieceCode::FromHalves(c.Halves() + 20);
      else if (c <= 45_pc) to = PieceCode::FromHalves(c.Halves() - 60);
    }
  for (int k = 1; k <= 4; ++k) {
    const int keep = p.Hand[MIGI][k];
    p.Hand[MIGI][k] = p.Hand[UE][k];
    p.Hand[UE][k] = p.Hand[HIDARI][k];
    p.Hand[HIDARI][k] = p.Hand[SITA][k];
    p.Hand[SITA][k] = keep;
  }
}

Refusal MoveRefusal(GameState& s, const Move& m, Owner owner, bool findKings) {
  const int seat = s.CurrentSeat;
  const bool withMove = owner == Owner::WITH_MOVE;
  if (withMove && (seat < 1 || seat > 4)) return Refusal::NOT_YOUR_TURN;
  if (!OnBoard(m.toX, m.toY)) return Refusal::CANNOT_MOVE;
  if (withMove) {
    if (OnBoard(m.fromX, m.fromY)) {
      if (s.Board[m.fromX][m.fromY] != m.before || !BelongsTo(m.before, seat))
        return Refusal::NOT_YOUR_PIECE;
    } else if (HandCellSeat(m.fromX, m.fromY) != seat ||
               HandCellCode(m.fromX, m.fromY) != m.before) {
      return Refusal::NOT_YOUR_PIECE;
    }
  } else if (SeatOfCode(s.Board[m.toX][m.toY]) == seat) {
    return Refusal::CANNOT_MOVE;  // a press there picks that piece instead
  }
  PieceCode promoted;
  const bool mayPromote = CanPromote(m.fromX, m.fromY, m.toX, m.toY, m.before, &promoted);
  if (m.placed != m.before && (!mayPromote || m.placed != promoted))
    return Refusal::CANNOT_PROMOTE;
  if (!CanMove(s, m.fromX, m.fromY, m.toX, m.toY, m.before)) return Refusal::CANNOT_MOVE;
  if (findKings) FindAllKings(s);
  if (ChecksPartner(s, m.fromX, m.fromY, m.toX, m.toY)) return Refusal::PARTNER_CHECK;
  if (m.placed == m.before && !MayStayUnpromoted(m.toX, m.toY, m.before))
    return Refusal::MUST_PROMOTE;
  if (withMove && !OnBoard(m.fromX, m.fromY) && s.Hand[seat][HandCellSlot(m.fromX, m.fromY)] <= 0)
    return Refusal::EMPTY_HAND;
  return Refusal::NONE;
}

namespace {

// The rules on a working copy whose caches are fresh: the pawn lines a drop reads and the
// partner's king square the partner-check reads.
GameState Fresh(const GameState& s) {
  GameState w = s;
  UpdatePawnLines(w);
  FindAllKings(w);
  return w;
}

bool IsLegalOnFresh(GameState& w, const Move& m) {
  return MoveRefusal(w, m, Owner::WITH_MOVE, false) == Refusal::NONE;
}

}  // namespace

bool IsLegal(const GameState& s, const Move& m) {
  GameState w = Fresh(s);
  return IsLegalOnFresh(w, m);
}

std::vector<Move> LegalMoves(const GameState& s) {
  std::vector<Move> moves;
  GameState w = Fresh(s);
  const int seat = w.CurrentSeat;
  if (seat < 1 || seat > 4) return moves;
  auto tryMove = [&](const Move& m) {
    if (IsLegalOnFresh(w, m)) moves.push_back(m);
  };
  for (int fx = 1; fx <= 9; ++fx)
    for (int fy = 1; fy <= 9; ++fy) {
      const PieceCode p = w.Board[fx][fy];
      if (!BelongsTo(p, seat)) continue;
      for (int tx = 1; tx <= 9; ++tx)
        for (int ty = 1; ty <= 9; ++ty) {
          tryMove({fx, fy, tx, ty, p, p});
          if (!p.IsPromoted() && KindOf(p) != KIN && KindOf(p) != OU)
            tryMove({fx, fy, tx, ty, p, p.Promoted()});
        }
    }
  for (int slot = 1; slot <= 4; ++slot) {
    if (w.Hand[seat][slot] <= 0) continue;
    const Square cell = HandCellOf(seat, slot);
    const PieceCode p = HandCellCode(cell.x, cell.y);
    for (int tx = 1; tx <= 9; ++tx)
      for (int ty = 1; ty <= 9; ++ty) tryMove({cell.x, cell.y, tx, ty, p, p});
  }
  return moves;
}

}  // namespace korvel
