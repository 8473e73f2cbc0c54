// Check, the forbidden check on the partner's king, and the advisory mate test.
#pragma once

#include "game/state.h"

namespace korvel {

// After `seat` moved to (x, y): the opponent now in check (tried in turn order after the
// mover), or the mover itself when none is.
int CheckedOpponent(const GameState& s, int x, int y, int seat);

// Does any piece with one of the two codes reach (tx, ty)?
bool SlidersReach(const GameState& s, PieceCode rookCode, PieceCode dragonCode, int tx, int ty);

// Would this move of CurrentSeat attack its partner's king (or land on it)? The board is
// changed for the test and restored before it answers.
bool ChecksPartner(GameState& s, int fromX, int fromY, int toX, int toY);

// The first opponent, in turn order after `seat`, whose king square `seat` attacks.
int AttackedOpponent(const GameState& s, int seat);

// The advisory mate test; every square it changes for the moment is restored.
bool IsMate(GameState& s, int attacker, int defender);

// Does any piece of `seat` reach SITA's king square?
bool AttacksBottomKing(const GameState& s, int seat);

// The two opponents of a seat in the order the check tests try them.
constexpr int FirstOpponent(int seat) { return NextSeat(seat); }
constexpr int SecondOpponent(int seat) { return NextSeat(NextSeat(NextSeat(seat))); }

}  // namespace korvel
