#include "play/seats.h"

namespace korvel {

namespace {

class PersonAtMouse : public SeatController {
 public:
  Type What() const override { return Type::PERSON_AT_MOUSE; }
  int Kind() const override { return HUMAN; }
};

class Computer : public SeatController {
 public:
  Type What() const override { return Type::COMPUTER; }
  int Kind() const override { return COMPUTER; }
};

class Remote : public SeatController {
 public:
  explicit Remote(int kind) : kind_(kind) {}
  Type What() const override { return Type::REMOTE; }
  int Kind() const override { return kind_; }

 private:
  int kind_;
};

}  // namespace

const SeatController* ControllerOf(int kind) {
  static const PersonAtMouse person;
  static const Computer computer;
  if (kind == HUMAN) return &person;
  if (kind == COMPUTER) return &computer;
  return nullptr;
}

const SeatController* RemoteControllerOf(int kind) {
  static const Remote person(HUMAN);
  static const Remote computer(COMPUTER);
  if (kind == HUMAN) return &person;
  if (kind == COMPUTER) return &computer;
  return nullptr;
}

}  // namespace korvel
