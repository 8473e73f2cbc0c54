// Who plays a seat: the one player interface. The handlers ask a seat's player what it does
// instead of testing a kind flag. Three kinds:
//  - a person at this window's mouse: their presses reach the one press entry
//    (Form1::Form_MouseDown, which finds the cell through view/press_cell.h) and become
//    moves through the game's door, or intentions sent to the authority when the game
//    shown is a network game's;
//  - the computer: moves by itself when its turn comes, driven by the one driver of
//    computer turns (ComputerRun, play/computer_run.h);
//  - a remote player: the seat is played elsewhere and its moves arrive from the network
//    game's authority (play/authority.h); this window only shows them.
// Who plays each seat of the game shown is answered in one place, Form1::PlayerOf; the
// game clocks (play/clock.h) are kept beside that answer (one per seat, running from when
// the seat's turn begins until its move or pass is played) without touching the kinds here.
#pragma once

#include "game/move.h"

namespace korvel {

class SeatController {
 public:
  enum class Type { PERSON_AT_MOUSE, COMPUTER, REMOTE };
  virtual ~SeatController() = default;
  virtual Type What() const = 0;
  // The kind the model stores for the seat (HUMAN, COMPUTER).
  virtual int Kind() const = 0;
  // A person pressing on this window plays the seat.
  bool TakesPresses() const { return What() == Type::PERSON_AT_MOUSE; }
  // The seat moves by itself when its turn comes (the computer of this program).
  bool MovesByItself() const { return What() == Type::COMPUTER; }
  // The seat's moves arrive from the authority of a network game.
  bool PlayedElsewhere() const { return What() == Type::REMOTE; }
};

// The player of a seat of that kind in the window's own game; null for a seat no game mode
// has set (kind 0).
const SeatController* ControllerOf(int kind);
// The player of a seat of a network game that this window does not play: the authority
// announces its moves, whether a person or the authority's computer makes them (`kind`).
const SeatController* RemoteControllerOf(int kind);

}  // namespace korvel
