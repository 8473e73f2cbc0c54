// Playing and taking back moves on the model: the one place where a move changes the
// board and the hands, and the one implementation of the hand-off rule.
#pragma once

#include <vector>

#include "game/move.h"

namespace korvel {

// Moves the piece (or drops it) for CurrentSeat and takes what stood there into the
// capturer's hand; SITA's KingPos follows its king. Fills mover, captured, handTakenFrom
// and kingTaken; CurrentSeat is left to HandOff.
MoveOutcome PlayMove(GameState& s, const Move& m);

// The hand-off rule after `m` was played by `o.mover`: the turn goes to the first
// opponent (in turn order) now in check, otherwise to the next seat. Reads the cached
// king squares as they stand. Sets CurrentSeat, o.checked and o.next.
void HandOff(GameState& s, const Move& m, MoveOutcome& o);

// The king taken by the move ends the game: GameOver, and WinnerSeat becomes the mover
// when the king was of the other team.
void RecordKingTaken(GameState& s, const MoveOutcome& o);

// Takes a played move back: the board, the hands and the seat to move are exactly as
// before it. The caches are not touched.
void UndoMove(GameState& s, const Move& m, const MoveOutcome& o);
// Plays a taken-back move again, position only (board and hands; no cache, no seat).
void RedoMove(GameState& s, const Move& m, PieceCode captured);

// The position a quarter turn clockwise on screen: every army moves to the next seat and
// is recoded (SITA's pieces become HIDARI's, ...), hands with them. The seat to move stays.
void RotatePosition(Position& p);

// Who made sure the piece is the seat's own: the rules with the move, or the press that
// picked the piece (a picked piece stays picked while a menu choice or the computers' turns
// pass the turn on; its second press checks everything else).
enum class Owner { WITH_MOVE, AT_PICK };

// The rules for one move of the seat to move, answered in this order: the destination on
// the board (CANNOT_MOVE), the origin and the owner (NOT_YOUR_PIECE; with Owner::WITH_MOVE
// only), a promotion it may not make (CANNOT_PROMOTE), the piece's own move (CANNOT_MOVE),
// the partner's king (PARTNER_CHECK), a pawn left on its last line (MUST_PROMOTE), a drop
// from an empty hand (EMPTY_HAND; with Owner::WITH_MOVE only). Reads the caches as they
// stand (the pawn lines of a drop); when `findKings`, the king squares are found afresh
// once the piece's own move passed, before the partner test. The board is as it was.
Refusal MoveRefusal(GameState& s, const Move& m, Owner owner, bool findKings);

// Every move the seat to move may make: board moves (promoting and not, where each is
// allowed), then drops, in board order, never attacking the partner's king.
std::vector<Move> LegalMoves(const GameState& s);
// The same rules for one move; changes nothing.
bool IsLegal(const GameState& s, const Move& m);

}  // namespace korvel
