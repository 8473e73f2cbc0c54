// The legal moves of the seat to move as the game's own rule functions define them, and the
// turn carried out the way play carries it out: the yardstick for the deep search's board.
#pragma once

#include <set>
#include <tuple>

#include "ai/search.h"
#include "game/apply_move.h"
#include "game/attack_maps.h"
#include "game/check.h"
#include "game/movement.h"

namespace korvel::testing {

// (fromX, fromY, toX, toY, placed in half steps)
using GameMove = std::tuple<int, int, int, int, int>;

inline GameMove AsGameMove(const ChosenMove& m) {
  return {m.fromX, m.fromY, m.toX, m.toY, m.placed.Halves()};
}

// Every move CurrentSeat may make: CanMove and not ChecksPartner, with each promotion choice
// CanPromote and MayStayUnpromoted allow; drops from each hand cell that holds pieces.
inline std::set<GameMove> RuleMoves(GameState s) {
  std::set<GameMove> out;
  const int seat = s.CurrentSeat;
  FindAllKings(s);
  UpdatePawnLines(s);
  for (int fx = 1; fx <= 9; ++fx)
    for (int fy = 1; fy <= 9; ++fy) {
      const PieceCode c = s.Board[fx][fy];
      if (SeatOfCode(c) != seat) continue;
      for (int tx = 1; tx <= 9; ++tx)
        for (int ty = 1; ty <= 9; ++ty) {
          if (!CanMove(s, fx, fy, tx, ty, c) || ChecksPartner(s, fx, fy, tx, ty)) continue;
          PieceCode promoted;
          if (CanPromote(fx, fy, tx, ty, c, &promoted)) {
            out.insert({fx, fy, tx, ty, promoted.Halves()});
            if (MayStayUnpromoted(tx, ty, c)) out.insert({fx, fy, tx, ty, c.Halves()});
          } else {
            out.insert({fx, fy, tx, ty, c.Halves()});
          }
        }
    }
  for (int slot = 1; slot <= 4; ++slot) {
    if (s.Hand[seat][slot] <= 0) continue;
    const Square cell = HandCellOf(seat, slot);
    const PieceCode c = HandCellCode(cell.x, cell.y);
    for (int tx = 1; tx <= 9; ++tx)
      for (int ty = 1; ty <= 9; ++ty)
        if (CanMove(s, cell.x, cell.y, tx, ty, c) && !ChecksPartner(s, cell.x, cell.y, tx, ty))
          out.insert({cell.x, cell.y, tx, ty, c.Halves()});
  }
  return out;
}

// Carries out a move of CurrentSeat as play does; answers whether it took a king, and
// whether the turn went to a checked seat through *gaveCheck.
inline bool PlayRuleMove(GameState& s, const GameMove& m, bool* gaveCheck = nullptr) {
  const auto [fx, fy, tx, ty, halves] = m;
  const int seat = s.CurrentSeat;
  const PieceCode captured = s.Board[tx][ty];
  ApplyMove(s, fx, fy, tx, ty, PieceCode::FromHalves(halves));
  ComputeAttackMaps(s);
  if (KingCaptured(s, captured)) {
    s.GameOver = true;
    return true;
  }
  FindAllKings(s);
  const int next = CheckedOpponent(s, tx, ty, seat);
  s.CurrentSeat = next != seat ? next : NextSeat(seat);
  if (gaveCheck) *gaveCheck = next != seat;
  return false;
}

}  // namespace korvel::testing
