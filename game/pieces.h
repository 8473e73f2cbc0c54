// Piece codes, seats, teams and the fixed values every other module speaks in.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

// A piece code is seat * 10 + kind, a promoted kind sitting half a step above its base
// (14.5 is SITA's promoted rook). It is held exactly, as a count of half steps, so that
// the range tests of the rules (31 <= code <= 34) compare exactly.
class PieceCode {
 public:
  constexpr PieceCode() = default;
  // From a whole decimal value: PieceCode(15) is SITA's king.
  constexpr explicit PieceCode(int whole) : halves_(static_cast<int16_t>(whole * 2)) {}
  static constexpr PieceCode FromHalves(int halves) {
    PieceCode c;
    c.halves_ = static_cast<int16_t>(halves);
    return c;
  }
  // seat 1..4, kind 1..5, promoted adds the half step.
  static constexpr PieceCode Of(int seat, int kind, bool promoted = false) {
    return FromHalves((seat * 10 + kind) * 2 + (promoted ? 1 : 0));
  }

  constexpr int Halves() const { return halves_; }
  constexpr bool IsEmpty() const { return halves_ == 0; }
  constexpr bool IsPromoted() const { return (halves_ & 1) != 0; }
  // The whole part of the code (14.5 -> 14); the tens digit is the seat, the units the kind.
  constexpr int Whole() const { return halves_ / 2; }
  constexpr PieceCode Promoted() const { return FromHalves(halves_ + 1); }
  constexpr PieceCode Unpromoted() const { return FromHalves(halves_ & ~1); }

  constexpr auto operator<=>(const PieceCode&) const = default;

  // "11", "14.5", "0"
  std::string ToString() const;

 private:
  int16_t halves_ = 0;
};

// Literals for codes as the rules write them: 14.5_pc, 35_pc.
consteval PieceCode operator""_pc(long double v) {
  return PieceCode::FromHalves(static_cast<int>(v * 2 + (v >= 0 ? 0.25L : -0.25L)));
}
consteval PieceCode operator""_pc(unsigned long long v) { return PieceCode(static_cast<int>(v)); }

inline constexpr PieceCode EMPTY{};

// Kinds (the units digit of a code).
inline constexpr int HU = 1;   // pawn
inline constexpr int GIN = 2;  // silver
inline constexpr int KIN = 3;  // gold
inline constexpr int SYA = 4;  // rook
inline constexpr int OU = 5;   // king

// Seats, named by the side of the screen they sit on; the number is also the turn order.
inline constexpr int SITA = 1;
inline constexpr int HIDARI = 2;
inline constexpr int UE = 3;
inline constexpr int MIGI = 4;
inline constexpr int NO_SEAT = -1;

inline constexpr int HUMAN = 1;
inline constexpr int COMPUTER = 2;

inline constexpr int HAND_X_LEFT = -1;
inline constexpr int HAND_X_RIGHT = 11;

// Code of a seat's piece of one kind.
constexpr PieceCode Code(int seat, int kind, bool promoted = false) {
  return PieceCode::Of(seat, kind, promoted);
}
constexpr PieceCode KingCode(int seat) { return Code(seat, OU); }

// The owner of a code, from its tens digit: 11..15 seat 1, ... 41..45 seat 4; anything
// else (EMPTY, above 45) has no seat.
constexpr int SeatOfCode(PieceCode c) {
  for (int s = 1; s <= 4; ++s)
    if (Code(s, HU) <= c && c <= Code(s, OU)) return s;
  return NO_SEAT;
}

// Is the piece one of `seat`'s (1..4)?
constexpr bool BelongsTo(PieceCode p, int seat) {
  return seat >= 1 && seat <= 4 && Code(seat, HU) <= p && p <= Code(seat, OU);
}

// The seat found from a code by the cascade of upper bounds the rules use
// (<= 15 seat 1, else <= 25 seat 2, ...); 0 when the code is above 45.
constexpr int SeatByRange(PieceCode c) {
  if (c <= 15_pc) return 1;
  if (c <= 25_pc) return 2;
  if (c <= 35_pc) return 3;
  if (c <= 45_pc) return 4;
  return 0;
}

// Kind of a piece 1..5, whole part only (a promoted pawn is kind 1).
constexpr int KindOf(PieceCode c) { return c.Whole() % 10; }

constexpr bool IsKingCode(PieceCode c) {
  return c == 15_pc || c == 25_pc || c == 35_pc || c == 45_pc;
}

constexpr int NextSeat(int seat) { return (seat >= 1 && seat <= 4) ? seat % 4 + 1 : NO_SEAT; }
constexpr int PartnerOf(int seat) { return (seat >= 1 && seat <= 4) ? (seat + 1) % 4 + 1 : NO_SEAT; }
// The teams: SITA and UE against HIDARI and MIGI. Their names, and the words that
// announce a seat, are the words of whoever shows them (play/texts.h).
constexpr bool IsFirstTeam(int seat) { return seat == SITA || seat == UE; }

}  // namespace korvel
