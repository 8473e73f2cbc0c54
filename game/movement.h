// How each piece moves, drops and promotes.
#pragma once

#include "game/state.h"

namespace korvel {

// The one legality predicate: may `code` go from (fromX, fromY) to (toX, toY)? A hand cell
// as origin (fromX -1 or 11) is a drop. It looks at the geometry only; the origin square
// itself is not read, so callers may ask about a piece that is not there.
bool CanMove(const GameState& s, int fromX, int fromY, int toX, int toY, PieceCode code);

// Every square strictly between two squares on one line is empty.
bool RookPathClear(const GameState& s, int fromX, int fromY, int toX, int toY);

// May this move promote? On yes, *promotedCode (when given) is code + 0.5.
bool CanPromote(int fromX, int fromY, int toX, int toY, PieceCode code,
                PieceCode* promotedCode = nullptr);

// No exactly when `code` is a pawn standing on its seat's last line at (x, y).
bool MayStayUnpromoted(int x, int y, PieceCode code);

}  // namespace korvel
