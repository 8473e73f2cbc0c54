#include "game/apply_move.h"

#include "game/rule_cache_writer.h"

namespace korvel {

void AddToHand(GameState& s, PieceCode captured, PieceCode capturer) {
  const int seat = SeatByRange(capturer);
  if (seat == 0 || SeatOfCode(captured) == NO_SEAT) return;
  ++s.Hand[seat][HandSlotOf(captured)];
}

MoveEffects ApplyMove(GameState& s, int fromX, int fromY, int toX, int toY, PieceCode code) {
  MoveEffects fx{s.Board[toX][toY], NO_SEAT};
  if (!fx.captured.IsEmpty()) AddToHand(s, fx.captured, code);

  s.Board[toX][toY] = code;
  if (code == KingCode(SITA)) RuleCacheWriter::Of(s).KingPos[SITA] = {toX, toY};

  const bool topRow = fromY >= 1 && fromY <= 4;
  const bool bottomRow = fromY >= 6 && fromY <= 9;
  if (fromX == HAND_X_LEFT) {
    if (31_pc <= code && code <= 34_pc && topRow) {
      --s.Hand[UE][5 - fromY];
      fx.handTakenFrom = UE;
    } else if (21_pc <= code && code <= 24_pc && bottomRow) {
      --s.Hand[HIDARI][fromY - 5];
      fx.handTakenFrom = HIDARI;
    }
  } else if (fromX == HAND_X_RIGHT) {
    if (11_pc <= code && code <= 14_pc && bottomRow) {
      --s.Hand[SITA][fromY - 5];
      fx.handTakenFrom = SITA;
    } else if (41_pc <= code && code <= 44_pc && topRow) {
      --s.Hand[MIGI][5 - fromY];
      fx.handTakenFrom = MIGI;
    }
  } else if (fromX >= 0 && fromX <= 9 && fromY >= 0 && fromY <= 9) {
    s.Board[fromX][fromY] = EMPTY;
  }
  return fx;
}

bool KingCaptured(GameState& s, PieceCode captured) {
  const int mover = s.CurrentSeat;
  if (captured == 25_pc || captured == 45_pc) {
    if (mover == SITA || mover == UE) s.WinnerSeat = mover;
    return true;
  }
  if (captured == 15_pc || captured == 35_pc) {
    if (mover == HIDARI || mover == MIGI) s.WinnerSeat = mover;
    return true;
  }
  return false;
}

}  // namespace korvel
