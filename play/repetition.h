// Repetition among computer seats: the computer's choice depends only on the position, so
// a position that comes back within one run of the computer turns would come back for ever.
#pragma once

#include <vector>

#include "game/state.h"

namespace korvel {

// What decides the computer's choice: the board, the droppable hand counters and the seat
// to move (the level does not change within one run of the computer turns).
struct PositionKey {
  PieceCode board[9][9];
  int hands[4][4];
  int seat;
  bool operator==(const PositionKey& o) const;
};
PositionKey KeyOf(const GameState& s);

struct TurnTaken {
  int seat;
  bool gaveCheck;  // its move handed the turn to a checked opponent; a pass gives none
};

// Judges the turns since the earlier occurrence of a repeated position: the team that gave
// check with every one of its turns there (and took at least one), while the other team
// did not, forced the repetition and loses. Answers the winner as SITA (first team) or
// HIDARI (second team), or NO_SEAT when nobody is to blame.
int RepetitionWinner(const std::vector<TurnTaken>& turns);

}  // namespace korvel
