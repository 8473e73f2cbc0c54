#include "play/seats.h"

namespace korvel {

namespace {

class PersonAtMouse : public SeatController {
 public:
  int Kind() const override { return HUMAN; }
  bool TakesPresses() const override { return true; }
  bool MovesByItself() const override { return false; }
};

class Computer : public SeatController {
 public:
  int Kind() const override { return COMPUTER; }
  bool TakesPresses() const override { return false; }
  bool MovesByItself() const override { return true; }
};

}  // namespace

const SeatController* ControllerOf(int kind) {
  static const PersonAtMouse person;
  static const Computer computer;
  if (kind == HUMAN) return &person;
  if (kind == COMPUTER) return &computer;
  return nullptr;
}

}  // namespace korvel
