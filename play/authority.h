// The authority of a network game as the presenter reaches it. The game is held elsewhere
// (a server, or the room this window opened); a client keeps a copy of it that follows
// what the authority announces. The shell implements this port with the network client
// (shell/net_session.cpp), so the presenter shows the copy and sends the person's
// intentions without knowing of sockets or the protocol.
#pragma once

#include <string>

#include "game/move.h"
#include "game/state.h"
#include "play/clock.h"

namespace korvel {

class Authority {
 public:
  virtual ~Authority() = default;
  // The copy of the game as the authority last announced it.
  virtual const GameState& Position() const = 0;
  // The seat this window plays (1..4), 0 before the authority gave one.
  virtual int OwnSeat() const = 0;
  // The name shown beside a seat's army: its player's, or what sits there.
  virtual std::string SeatName(int seat) const = 0;
  // Whether the seat's person has gone (the connection lost or silent) and is waited for:
  // until they come back or the seat is given to the computer.
  virtual bool Missing(int /*seat*/) const { return false; }
  // Whether a move may be intended now: the game started and not over, the room open.
  virtual bool TakesMoves() const = 0;
  // The person's intention for their own seat; the authority answers it with the move
  // played or a refusal.
  virtual void Send(const Move& m) = 0;
  // The clocks as the authority last told them, counted on from then on this program's
  // monotonic clock (Host::NowMs); none for a game without clocks.
  virtual const SeatClocks* Clocks() const { return nullptr; }
};

}  // namespace korvel
