// The deep search's own position: a padded byte board, the four hands, the seat to move and
// a Zobrist key, with a legal move generator and make/undo that agree exactly with the
// game's rules (game/movement, game/check, game/apply_move).
#pragma once

#include <cstdint>

#include "ai/search.h"
#include "game/state.h"

namespace korvel::deep {

// Squares: x + 11 * y with x, y in 0..10; row and column 0 and 10 are walls.
constexpr int kStride = 11;
constexpr int kSquares = 121;
constexpr int Sq(int x, int y) {
  return x + kStride * y;
}
constexpr int SqX(int sq) {
  return sq % kStride;
}
constexpr int SqY(int sq) {
  return sq / kStride;
}

// Piece bytes: seat * 16 + type; 0 is empty, kWall the border.
enum PieceType : std::uint8_t {
  T_NONE = 0,
  T_HU = 1,
  T_GIN = 2,
  T_KIN = 3,
  T_SYA = 4,
  T_OU = 5,
  T_TO = 6,   // promoted pawn
  T_NG = 7,   // promoted silver
  T_RYU = 8,  // promoted rook
};
constexpr std::uint8_t kWall = 0xFF;
constexpr std::uint8_t MakePiece(int seat, int type) {
  return static_cast<std::uint8_t>(seat * 16 + type);
}
constexpr int SeatOf(std::uint8_t p) {
  return p >> 4;
}  // the wall answers 15
constexpr int TypeOf(std::uint8_t p) {
  return p & 15;
}
// Team 1 is SITA and UE, team 0 HIDARI and MIGI.
constexpr int TeamOf(int seat) {
  return seat & 1;
}
constexpr int Next(int seat) {
  return seat % 4 + 1;
}
constexpr int Prev(int seat) {
  return (seat + 2) % 4 + 1;
}
constexpr int Partner(int seat) {
  return (seat + 1) % 4 + 1;
}

// Moves: bits 0-6 destination, 7-13 origin square (a hand slot 1..4 for a drop),
// bit 14 promotes, bit 15 drop. kPass is a seat without any move handing the turn on.
using Move = std::uint16_t;
constexpr Move kNoMove = 0;
constexpr Move kPass = 0x7F;
constexpr int MoveTo(Move m) {
  return m & 0x7F;
}
constexpr int MoveFrom(Move m) {
  return (m >> 7) & 0x7F;
}
constexpr bool IsPromotion(Move m) {
  return (m & 0x4000) != 0;
}
constexpr bool IsDrop(Move m) {
  return (m & 0x8000) != 0;
}
constexpr Move BoardMove(int from, int to, bool promote) {
  return static_cast<Move>(to | from << 7 | (promote ? 0x4000 : 0));
}
constexpr Move DropMove(int slot, int to) {
  return static_cast<Move>(to | slot << 7 | 0x8000);
}

// Enough for any position: four kinds of drops on every square and every board move.
constexpr int kMaxMoves = 1024;

// What the evaluation needs of the squares around one king, kept up to date by Make: the
// weighted enemy pieces within two squares (by seat, a neighbour counting twice), the
// king's team's pieces beside it (kings left out) and the empty squares beside it.
struct KingZone {
  int attack[5];
  int defenders;
  int empties;
};

// What Make needs to take a move back.
struct Undo {
  std::uint64_t key;
  std::uint8_t captured;
  std::uint8_t side;
  bool gaveCheck;
  KingZone zones[5];
};

// Square sets: bit (sq & 63) of word (sq >> 6).
struct SquareSet {
  std::uint64_t w[2] = {0, 0};
  constexpr void Add(int sq) { w[sq >> 6] |= std::uint64_t{1} << (sq & 63); }
  constexpr void Remove(int sq) { w[sq >> 6] &= ~(std::uint64_t{1} << (sq & 63)); }
  constexpr bool Has(int sq) const { return (w[sq >> 6] >> (sq & 63)) & 1; }
  constexpr bool Empty() const { return (w[0] | w[1]) == 0; }
  constexpr SquareSet operator|(const SquareSet& o) const {
    SquareSet r;
    r.w[0] = w[0] | o.w[0];
    r.w[1] = w[1] | o.w[1];
    return r;
  }
  constexpr SquareSet operator&(const SquareSet& o) const {
    SquareSet r;
    r.w[0] = w[0] & o.w[0];
    r.w[1] = w[1] & o.w[1];
    return r;
  }
  // Calls f(square) for every member, in increasing order.
  template <class F>
  void ForEach(F&& f) const {
    for (std::uint64_t b = w[0]; b != 0; b &= b - 1) f(__builtin_ctzll(b));
    for (std::uint64_t b = w[1]; b != 0; b &= b - 1) f(64 + __builtin_ctzll(b));
  }
  // Does f(square) hold for a member? Asks in increasing order and stops at the first yes.
  // (The words are named one by one, so that a set made on the spot stays in registers.)
  template <class F>
  bool Any(F&& f) const {
    for (std::uint64_t b = w[0]; b != 0; b &= b - 1)
      if (f(__builtin_ctzll(b))) return true;
    for (std::uint64_t b = w[1]; b != 0; b &= b - 1)
      if (f(64 + __builtin_ctzll(b))) return true;
    return false;
  }
};

class Board {
 public:
  // Takes the position of `s` with `seat` to move. False when the engine cannot represent
  // it exactly: a king missing or doubled, a piece code no rule knows.
  bool Load(const GameState& s, int seat);

  int Side() const { return side_; }
  std::uint64_t Key() const { return key_ ^ handKey_; }
  std::uint8_t At(int sq) const { return sq_[sq]; }
  int Hand(int seat, int slot) const { return hand_[seat][slot]; }
  int KingSq(int seat) const { return king_[seat]; }
  // Did the move that led here hand the turn to the checked seat now moving?
  bool LastGaveCheck() const { return lastCheck_; }

  // Every legal move of the seat to move, in a fixed order; answers the count. With
  // `dropsOn`, drops only on those squares (the other moves keep their order).
  int Generate(Move* out, const SquareSet* dropsOn = nullptr) const;
  // The captures of enemy pieces alone (legal, promotions as in Generate).
  int GenerateCaptures(Move* out) const;
  // Every other legal move, in Generate's order: GenerateCaptures and this one together
  // give what Generate gives.
  int GenerateNonCaptures(Move* out) const;
  // Is `m` one of the moves Generate gives? (For a move remembered from elsewhere.)
  bool IsLegal(Move m) const;
  // Drops that attack an enemy king.
  int GenerateCheckingDrops(Move* out) const;

  void Make(Move m, Undo& u);
  void Unmake(Move m, const Undo& u);
  // The key Make(m) gives when the move hands the turn to the next seat (it checks no
  // one): known before the move is made, so the table entry can be fetched early.
  std::uint64_t KeyToNext(Move m) const;

  // Does any piece of `seat` reach `sq` (as CanMove would, rooks along clear lines)?
  bool Attacks(int seat, int sq) const;
  // Can `seat` take an enemy king at once?
  bool CanTakeKing(int seat) const;
  // Is taking an enemy king among the seat to move's legal moves (one GenerateCaptures
  // would give)? Asks only the pieces next to an enemy king and the rooks on its lines.
  bool HasKingCapture() const { return HasKingCaptureBy(side_); }
  // The same for `seat` as if it were to move.
  bool HasKingCaptureBy(int seat) const;
  // Where a move of the seat to move can matter when the next seat can take one of the
  // team's kings: a move that is neither a capture nor a king's, with its origin and
  // destination outside `squares`, leaves that capture to the next seat, which then moves
  // (such a move gives no check that hands the turn elsewhere). `active` is false when the
  // next seat cannot take a king, or when every move of ours hands the turn to the other
  // opponent; nothing is known then.
  struct KingLeft {
    bool active = false;
    SquareSet squares;
    // Does `m` surely leave a king to be taken?
    bool Leaves(const Board& b, Move m) const {
      if (!active) return false;
      const int to = MoveTo(m);
      if (squares.Has(to)) return false;
      if (IsDrop(m)) return true;
      const int from = MoveFrom(m);
      return !squares.Has(from) && b.At(to) == 0 && TypeOf(b.At(from)) != T_OU;
    }
  };
  KingLeft KingLeftToNext() const;
  // Does the piece `p` standing on `from` reach `to`?
  bool PieceReaches(std::uint8_t p, int from, int to) const;

  // The move as the game writes it.
  ChosenMove ToChosen(Move m) const;
  // The game's move (origin, destination, placed code) in the engine's terms; kNoMove when
  // it is not a move of the seat to move.
  Move FromGame(int fromX, int fromY, int toX, int toY, PieceCode placed) const;

  // The weights of KingZone::attack by piece type (the evaluation's `near`); the zones are
  // counted again. Load keeps the weights a board has.
  void SetKingWeights(const int (&near)[9]);
  const int* KingWeights() const { return near_; }
  // The zone of a king; meaningful while the king is on the board.
  const KingZone& Zone(int seat) const { return zone_[seat]; }
  // The pieces on the board of each team by type, and each seat's rooks and dragons.
  int Count(int team, int type) const { return count_[team][type]; }
  const SquareSet& Sliders(int seat) const { return sliders_[seat]; }
  const SquareSet& Pieces(int seat) const { return occ_[seat]; }

  // Tables, shared by every board.
  static std::uint8_t StepMask(std::uint8_t p);
  static bool Slides(std::uint8_t p) { return TypeOf(p) == T_SYA || TypeOf(p) == T_RYU; }

 private:
  friend class Evaluator;
  int HandOff(int seat, int to, bool& check) const;
  bool RookOfSeatReaches(int seat, int sq) const;
  bool AttacksPartnerFrom(std::uint8_t p, int lifted, int to, int partnerKing) const;
  struct PartnerScan;
  void ScanPartnerLines(PartnerScan& scan) const { ScanPartnerLines(scan, side_); }
  void ScanPartnerLines(PartnerScan& scan, int seat) const;
  enum class Kinds { ALL, CAPTURES, NON_CAPTURES };
  int GenerateMoves(Move* out, Kinds kinds, const SquareSet* dropsOn = nullptr) const;
  // Square changes with everything kept beside the squares (sets, counts, key, zones).
  template <bool kZones>
  void Set(int sq, std::uint8_t now);
  void ZoneChange(int sq, std::uint8_t was, std::uint8_t now);
  bool StepsOnto(int seat, int sq) const;
  void CountZone(int seat);
  int ZoneWeight(int team, std::uint8_t p) const;
  bool SliderReaches(int seat, int sq, bool diagonal) const;

  std::uint8_t sq_[kSquares];
  int hand_[5][5];
  int pawns_[5][10];  // unpromoted pawns per seat and line (column for SITA/UE, row else)
  int king_[5];
  int side_ = SITA;
  bool lastCheck_ = false;
  std::uint64_t key_ = 0;      // board and seat
  std::uint64_t handKey_ = 0;  // hands, kept as a sum so that counts of any size fit
  SquareSet occ_[5];            // each seat's pieces
  SquareSet sliders_[5];        // each seat's rooks and dragons
  int count_[2][9] = {};        // pieces on the board by team and type
  KingZone zone_[5] = {};
  int near_[9] = {};
};

// The code the game uses for a piece byte, and back (0 when the code has no byte).
PieceCode GameCode(std::uint8_t p);
std::uint8_t PieceFromCode(PieceCode c);

}  // namespace korvel::deep
