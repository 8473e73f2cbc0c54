// The state of one game: the position, who plays it, and the caches the rules keep.
#pragma once

#include <cstdint>

#include "game/pieces.h"

namespace korvel {

struct Square {
  int x = 0;
  int y = 0;
  constexpr bool operator==(const Square&) const = default;
};

// Where the pieces are: board, hands and the seat to move.
struct Position {
  // Indexed [x][y], both 0..9; only 1..9 x 1..9 holds pieces, row and column 0 stay EMPTY.
  PieceCode Board[10][10]{};
  // Per seat (index 1..4) five counters: 1 HU, 2 GIN, 3 KIN, 4 SYA droppable, 0 taken kings.
  int Hand[5][5]{};
  int CurrentSeat = NO_SEAT;

  PieceCode& At(int x, int y) { return Board[x][y]; }
  PieceCode At(int x, int y) const { return Board[x][y]; }
};

// Who plays: the session's choices, not the position.
struct Setup {
  int PlayerKind[5]{};  // HUMAN or COMPUTER per seat; 0 before any game mode
  int Level = 3;
  int GameMode = NO_SEAT;  // NO_SEAT before a game, 0 four people, 1 with computers
  bool GameStarted = false;
};

// What the rules derive from the board and keep for later reads. They are refreshed at
// fixed moments (see the callers), not after every change: which moment refreshed which
// value is part of how the game behaves.
struct RuleCaches {
  Square KingPos[5]{};
  std::uint8_t PawnLine[5][10]{};
  // The attack tables of the last ComputeAttackMaps: per seat and square, how many of the
  // seat's pieces reach it, and the check-line marks (9 the checking piece, 1 its line).
  std::uint8_t AttackMap[5][10][10]{};
  std::uint8_t CheckLineMap[5][10][10]{};
};

// The working state the rules operate on: the position, the setup, whether the game is
// over, and the rules' caches. The caches are the rules' own: everyone reads them through
// Caches(), and only the rules in game/ that refresh them write them (FindKing,
// UpdatePawnLines, RestoreKingSquare, ComputeAttackMaps, ApplyMove; through
// game/rule_cache_writer.h) -- and tests, through RuleCacheFixture.
struct GameState : Position, Setup {
  bool GameOver = false;
  int WinnerSeat = NO_SEAT;

  const RuleCaches& Caches() const { return caches_; }

 private:
  friend struct RuleCacheWriter;
  friend RuleCaches& RuleCacheFixture(GameState& s);
  RuleCaches caches_;
};

// For tests only: the caches to write, to set up what the rules would not have refreshed
// them to (a stale king square, say). Nothing but tests calls it.
RuleCaches& RuleCacheFixture(GameState& s);

constexpr bool OnBoard(int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; }
constexpr bool IsHandX(int x) { return x == HAND_X_LEFT || x == HAND_X_RIGHT; }

// The piece a hand cell stands for, EMPTY for a cell that is none (row 5, other columns).
PieceCode HandCellCode(int x, int row);
// The hand slot a hand cell reads (1..4), 0 for no hand cell.
int HandCellSlot(int x, int row);
// The seat whose hand a hand cell shows, NO_SEAT for none.
int HandCellSeat(int x, int row);
// The hand cell (x, row) that shows a seat's slot k (1..4).
Square HandCellOf(int seat, int slot);

int HandTotal(const GameState& s, int seat);

// Hand slot of a captured piece's kind: HU/TO 1, GIN/GINNARI 2, KIN 3, SYA/SYANARI 4, OU 0.
int HandSlotOf(PieceCode c);

// Scans x outer, y inner; the first square holding the king code sets its seat's KingPos.
// KingPos stays as it was when the king is not on the board.
void FindKing(GameState& s, PieceCode kingCode);
void FindAllKings(GameState& s);  // UE, SITA, MIGI, HIDARI

// The searches' trial moves on the game itself: a seat's KingPos as it was before the trial,
// given back once the trial is taken back, whatever refreshed it meanwhile.
void RestoreKingSquare(GameState& s, int seat, Square kept);

void UpdatePawnLines(GameState& s);

// A fresh scan for the partner's king; (0, 0) when it is not on the board.
Square PartnerKingPos(const GameState& s, int seat);

// The model side of a new game: flags, seats, empty hands and the initial position.
void NewGameModel(GameState& s);
void SetInitialPosition(GameState& s);

}  // namespace korvel
