// Who plays a seat. The handlers ask a seat's controller what it does instead of testing
// a kind flag: a person at this window's mouse, or the computer (a player over the
// network is a third kind of controller, added beside these).
#pragma once

#include "game/move.h"

namespace korvel {

class SeatController {
 public:
  virtual ~SeatController() = default;
  // The kind the model stores for the seat (HUMAN, COMPUTER).
  virtual int Kind() const = 0;
  // A person pressing on this window plays the seat.
  virtual bool TakesPresses() const = 0;
  // The seat moves by itself when its turn comes (the computer).
  virtual bool MovesByItself() const = 0;
};

// The controller of a seat of that kind; null for a seat no game mode has set (kind 0).
const SeatController* ControllerOf(int kind);

}  // namespace korvel
