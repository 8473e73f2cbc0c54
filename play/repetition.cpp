#include "play/repetition.h"

#include <cstring>

namespace korvel {

bool PositionKey::operator==(const PositionKey& o) const {
  return std::memcmp(board, o.board, sizeof board) == 0 &&
         std::memcmp(hands, o.hands, sizeof hands) == 0 && seat == o.seat;
}

PositionKey KeyOf(const GameState& s) {
  PositionKey k{};
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) k.board[x - 1][y - 1] = s.Board[x][y];
  for (int seat = 1; seat <= 4; ++seat)
    for (int slot = 1; slot <= 4; ++slot) k.hands[seat - 1][slot - 1] = s.Hand[seat][slot];
  k.seat = s.CurrentSeat;
  return k;
}

int RepetitionWinner(const std::vector<TurnTaken>& turns) {
  int taken[2] = {0, 0};
  bool allChecks[2] = {true, true};
  for (const TurnTaken& t : turns) {
    const int team = IsFirstTeam(t.seat) ? 0 : 1;
    ++taken[team];
    if (!t.gaveCheck) allChecks[team] = false;
  }
  for (int team = 0; team < 2; ++team)
    if (taken[team] > 0 && allChecks[team] && !allChecks[1 - team])
      return team == 0 ? HIDARI : SITA;  // the other team wins
  return NO_SEAT;
}

}  // namespace korvel
