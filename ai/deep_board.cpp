#include "ai/deep_board.h"

#include <cstring>

namespace korvel::deep {

namespace {

// The eight neighbour offsets: N S W E (orthogonal first), then the diagonals.
constexpr int kDelta[8] = {-kStride,     kStride,      -1,          1,
                           -kStride - 1, -kStride + 1, kStride - 1, kStride + 1};
constexpr int kOrth[4] = {-kStride, kStride, -1, 1};
constexpr int kDiag[4] = {-kStride - 1, -kStride + 1, kStride - 1, kStride + 1};

// Forward of each seat as (dx, dy).
constexpr int kFwdX[5] = {0, 0, 1, 0, -1};
constexpr int kFwdY[5] = {0, -1, 0, 1, 0};

constexpr std::uint8_t kPromoteType[9] = {0, T_TO, T_NG, 0, T_RYU, 0, 0, 0, 0};
constexpr std::uint8_t kBaseType[9] = {0, T_HU, T_GIN, T_KIN, T_SYA, T_OU, T_HU, T_GIN, T_SYA};

constexpr int DirIndex(int delta) {
  for (int d = 0; d < 8; ++d)
    if (kDelta[d] == delta) return d;
  return -1;
}

struct Tables {
  std::uint8_t stepMask[256] = {};
  // dirOf[delta + 12]: the neighbour index of an offset, -1 for none.
  std::int8_t dirOf[25] = {};
  std::uint64_t piece[80][kSquares] = {};
  std::uint64_t side[5] = {};
  std::uint64_t hand[5][5] = {};
  // Is the piece byte a defender of a king of the team on the ring (beside it, of the
  // king's team, not a king)?
  std::int8_t zoneDefender[2][80][3] = {};
  // All bits for a seat (1..4) of the other team than `team`, else none: masks the weight
  // of a piece in a king's zone.
  int enemyMask[2][16] = {};

  constexpr Tables() {
    std::uint64_t x = 0x4b6f7276656c3434ULL;
    auto next = [&x] {
      std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
      return z ^ (z >> 31);
    };
    for (auto& row : piece)
      for (auto& v : row) v = next();
    for (auto& v : side) v = next();
    for (auto& row : hand)
      for (auto& v : row) v = next();
    for (int i = 0; i < 25; ++i) dirOf[i] = static_cast<std::int8_t>(DirIndex(i - 12));
    for (int seat = 1; seat <= 4; ++seat)
      for (int type = T_HU; type <= T_RYU; ++type)
        if (type != T_OU) zoneDefender[TeamOf(seat)][MakePiece(seat, type)][2] = 1;
    for (int seat = 1; seat <= 4; ++seat) enemyMask[1 - TeamOf(seat)][seat] = -1;

    // Steps written as (forward, sideways) and turned onto each seat.
    struct Rel {
      int f, s;
    };
    const Rel kGold[] = {{1, -1}, {1, 0}, {1, 1}, {0, -1}, {0, 1}, {-1, 0}};
    const Rel kSilver[] = {{1, -1}, {1, 0}, {1, 1}, {-1, -1}, {-1, 1}};
    const Rel kPawn[] = {{1, 0}};
    const Rel kDragon[] = {{1, -1}, {1, 1}, {-1, -1}, {-1, 1}};
    for (int seat = 1; seat <= 4; ++seat) {
      const int fx = kFwdX[seat], fy = kFwdY[seat], sx = fy, sy = fx;
      auto mask = [&](const Rel* rels, int n) {
        std::uint8_t m = 0;
        for (int i = 0; i < n; ++i) {
          const int dx = rels[i].f * fx + rels[i].s * sx, dy = rels[i].f * fy + rels[i].s * sy;
          m |= static_cast<std::uint8_t>(1 << DirIndex(dx + kStride * dy));
        }
        return m;
      };
      stepMask[MakePiece(seat, T_HU)] = mask(kPawn, 1);
      stepMask[MakePiece(seat, T_GIN)] = mask(kSilver, 5);
      stepMask[MakePiece(seat, T_KIN)] = mask(kGold, 6);
      stepMask[MakePiece(seat, T_TO)] = mask(kGold, 6);
      stepMask[MakePiece(seat, T_NG)] = mask(kGold, 6);
      stepMask[MakePiece(seat, T_OU)] = 0xFF;
      stepMask[MakePiece(seat, T_RYU)] = mask(kDragon, 4);
    }
  }
};

// Built by the compiler: a lookup costs no test of whether the tables exist yet.
constexpr Tables kTables;
const Tables& T() {
  return kTables;
}

// The ring of `sq` around a king on `k` for KingZone: 2 beside it, 1 two squares away, 0
// elsewhere (the king's own square included). Indexed by sq - k + 24; across a row's end
// no offset of the 5x5 square aliases another, the walls lying between.
struct Rings {
  std::uint8_t of[49] = {};
  constexpr Rings() {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        if (dx == 0 && dy == 0) continue;
        const bool beside = dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
        of[dx + kStride * dy + 24] = beside ? 2 : 1;
      }
  }
};
constexpr Rings kRings;

// For each board square, the board squares of the 5x5 square around it (itself left out)
// with their ring, so that a zone is counted without looking at the walls.
struct ZoneSquares {
  struct Entry {
    std::uint8_t sq, ring;
  };
  Entry of[kSquares][24] = {};
  std::uint8_t count[kSquares] = {};
  constexpr ZoneSquares() {
    for (int k = 0; k < kSquares; ++k) {
      const int kx = SqX(k), ky = SqY(k);
      if (kx < 1 || kx > 9 || ky < 1 || ky > 9) continue;
      for (int y = ky - 2; y <= ky + 2; ++y)
        for (int x = kx - 2; x <= kx + 2; ++x) {
          if (x < 1 || x > 9 || y < 1 || y > 9 || (x == kx && y == ky)) continue;
          const int q = Sq(x, y);
          of[k][count[k]++] = {static_cast<std::uint8_t>(q), kRings.of[q - k + 24]};
        }
    }
  }
};
constexpr ZoneSquares kZoneSquares;
const ZoneSquares& TheZoneSquares() {
  return kZoneSquares;
}

// Per seat: the promotion zone, the last line, and each pawn line as square sets.
struct SeatSets {
  SquareSet zone[5], last[5], line[5][10], board;
  SquareSet beside[kSquares];  // a square's neighbours on the board
  SquareSet cross[kSquares];   // the squares of a square's row and column, itself left out
  constexpr SeatSets();
};

// The line a seat's pawn counts on for the two-pawn rule.
constexpr int PawnLine(int seat, int sq) {
  return (seat == SITA || seat == UE) ? SqX(sq) : SqY(sq);
}

constexpr bool InZone(int seat, int sq) {
  switch (seat) {
    case SITA:
      return SqY(sq) < 4;
    case UE:
      return SqY(sq) > 6;
    case HIDARI:
      return SqX(sq) > 6;
    default:
      return SqX(sq) < 4;
  }
}

constexpr bool LastLine(int seat, int sq) {
  switch (seat) {
    case SITA:
      return SqY(sq) == 1;
    case UE:
      return SqY(sq) == 9;
    case HIDARI:
      return SqX(sq) == 9;
    default:
      return SqX(sq) == 1;
  }
}

constexpr SeatSets::SeatSets() {
  for (int q = Sq(1, 1); q <= Sq(9, 9); ++q) {
    if (SqX(q) < 1 || SqX(q) > 9) continue;
    board.Add(q);
    for (int d : kDelta)
      if (SqX(q + d) >= 1 && SqX(q + d) <= 9 && SqY(q + d) >= 1 && SqY(q + d) <= 9)
        beside[q].Add(q + d);
    for (int o = Sq(1, 1); o <= Sq(9, 9); ++o)
      if (o != q && SqX(o) >= 1 && SqX(o) <= 9 && (SqX(o) == SqX(q) || SqY(o) == SqY(q)))
        cross[q].Add(o);
    for (int seat = 1; seat <= 4; ++seat) {
      if (InZone(seat, q)) zone[seat].Add(q);
      if (LastLine(seat, q)) last[seat].Add(q);
      line[seat][PawnLine(seat, q)].Add(q);
    }
  }
}

constexpr SeatSets kSeatSets;
const SeatSets& Sets() {
  return kSeatSets;
}

// The step along the line from `from` toward `to` (two different squares on one row or
// column).
int LineStep(int from, int to) {
  if (SqX(from) == SqX(to)) return to > from ? kStride : -kStride;
  return to > from ? 1 : -1;
}

bool IsDiagonalStep(int delta) {
  return delta == kStride + 1 || delta == kStride - 1 || delta == -kStride + 1 ||
         delta == -kStride - 1;
}

// Walks from `from` toward `to` on one line: true when every square strictly between is
// empty or is `lifted`.
bool ClearBetween(const std::uint8_t* b, int from, int to, int lifted) {
  const int dx = SqX(to) - SqX(from), dy = SqY(to) - SqY(from);
  if (dx != 0 && dy != 0) return false;
  if (dx == 0 && dy == 0) return true;
  const int step = dx == 0 ? (dy > 0 ? kStride : -kStride) : (dx > 0 ? 1 : -1);
  for (int q = from + step; q != to; q += step)
    if (b[q] != 0 && q != lifted) return false;
  return true;
}

}  // namespace

std::uint8_t Board::StepMask(std::uint8_t p) {
  return T().stepMask[p];
}

PieceCode GameCode(std::uint8_t p) {
  const int seat = SeatOf(p), type = TypeOf(p);
  if (p == 0 || p == kWall) return EMPTY;
  if (type >= T_TO) return Code(seat, kBaseType[type], true);
  return Code(seat, type);
}

std::uint8_t PieceFromCode(PieceCode c) {
  const int seat = SeatOfCode(c);
  if (seat == NO_SEAT || c.Whole() / 10 != seat) return 0;
  const int kind = KindOf(c);
  if (!c.IsPromoted()) return (kind >= 1 && kind <= 5) ? MakePiece(seat, kind) : 0;
  if (kind == HU) return MakePiece(seat, T_TO);
  if (kind == GIN) return MakePiece(seat, T_NG);
  if (kind == SYA) return MakePiece(seat, T_RYU);
  return 0;
}

bool Board::Load(const GameState& s, int seat) {
  if (seat < 1 || seat > 4) return false;
  const Tables& t = T();
  std::memset(sq_, kWall, sizeof sq_);
  std::memset(pawns_, 0, sizeof pawns_);
  std::memset(king_, 0, sizeof king_);
  std::memset(count_, 0, sizeof count_);
  for (int k = 0; k <= 4; ++k) occ_[k] = sliders_[k] = SquareSet{};
  key_ = 0;
  handKey_ = 0;
  int kings[5] = {};
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      const int q = Sq(x, y);
      const PieceCode c = s.Board[x][y];
      sq_[q] = 0;
      if (c.IsEmpty()) continue;
      const std::uint8_t p = PieceFromCode(c);
      if (p == 0) return false;
      Set<false>(q, p);
      key_ ^= t.piece[p][q];
      if (TypeOf(p) == T_OU) {
        ++kings[SeatOf(p)];
        king_[SeatOf(p)] = q;
      }
      if (TypeOf(p) == T_HU) ++pawns_[SeatOf(p)][PawnLine(SeatOf(p), q)];
    }
  for (int k = 1; k <= 4; ++k)
    if (kings[k] != 1) return false;
  std::memset(hand_, 0, sizeof hand_);
  for (int k = 1; k <= 4; ++k)
    for (int slot = 1; slot <= 4; ++slot) {
      if (s.Hand[k][slot] < 0) return false;
      hand_[k][slot] = s.Hand[k][slot];
      handKey_ += t.hand[k][slot] * static_cast<std::uint64_t>(s.Hand[k][slot]);
    }
  side_ = seat;
  key_ ^= t.side[seat];
  lastCheck_ = false;
  for (int k = 1; k <= 4; ++k) CountZone(k);
  return true;
}

void Board::SetKingWeights(const int (&near)[9]) {
  std::memcpy(near_, near, sizeof near_);
  for (int k = 1; k <= 4; ++k) CountZone(k);
}

// What the piece byte `p` (0 for none) weighs in the zone of a king of `team`: its near
// weight when it is an enemy's, else nothing.
inline int Board::ZoneWeight(int team, std::uint8_t p) const {
  return near_[TypeOf(p)] & T().enemyMask[team][SeatOf(p)];
}

// The zone of one king counted square by square.
void Board::CountZone(int seat) {
  KingZone& z = zone_[seat];
  z = KingZone{};
  const int k = king_[seat];
  if (k == 0) return;
  const ZoneSquares& zs = TheZoneSquares();
  const Tables& t = T();
  const int team = TeamOf(seat);
  for (int i = 0; i < zs.count[k]; ++i) {
    const int ring = zs.of[k][i].ring;
    const std::uint8_t p = sq_[zs.of[k][i].sq];
    z.attack[SeatOf(p)] += ZoneWeight(team, p) * ring;
    z.defenders += t.zoneDefender[team][p][ring];
    if (ring == 2 && p == 0) ++z.empties;
  }
}

// `sq` held `was` and now holds `now`: every king's zone that holds the square follows.
inline void Board::ZoneChange(int sq, std::uint8_t was, std::uint8_t now) {
  for (int seat = 1; seat <= 4; ++seat) {
    const int k = king_[seat];
    const unsigned i = static_cast<unsigned>(sq - k + 24);
    if (k == 0 || i >= 49 || kRings.of[i] == 0) continue;
    const int ring = kRings.of[i], team = TeamOf(seat);
    KingZone& z = zone_[seat];
    z.attack[SeatOf(was)] -= ZoneWeight(team, was) * ring;
    z.attack[SeatOf(now)] += ZoneWeight(team, now) * ring;
    z.defenders += T().zoneDefender[team][now][ring] - T().zoneDefender[team][was][ring];
    if (ring == 2) z.empties += (now == 0) - (was == 0);
  }
}

// Puts `now` (0 for none) on the board square `sq`, keeping the sets and counts, and the
// zones when asked (Unmake restores them whole instead).
template <bool kZones>
void Board::Set(int sq, std::uint8_t now) {
  const std::uint8_t was = sq_[sq];
  if (was != 0) {
    occ_[SeatOf(was)].Remove(sq);
    if (Slides(was)) sliders_[SeatOf(was)].Remove(sq);
    --count_[TeamOf(SeatOf(was))][TypeOf(was)];
  }
  if (now != 0) {
    occ_[SeatOf(now)].Add(sq);
    if (Slides(now)) sliders_[SeatOf(now)].Add(sq);
    ++count_[TeamOf(SeatOf(now))][TypeOf(now)];
  }
  sq_[sq] = now;
  if (kZones) ZoneChange(sq, was, now);
}

bool Board::PieceReaches(std::uint8_t p, int from, int to) const {
  const int delta = to - from;
  if (delta >= -12 && delta <= 12) {
    const int d = T().dirOf[delta + 12];
    if (d >= 0 && ((T().stepMask[p] >> d) & 1)) return true;
  }
  return Slides(p) && ClearBetween(sq_, from, to, -1);
}

// Does a rook or dragon of `seat` reach `sq` along a clear line (or, with `diagonal`, a
// dragon from a diagonal neighbour)?
bool Board::SliderReaches(int seat, int sq, bool diagonal) const {
  const SeatSets& sets = Sets();
  if ((sets.cross[sq] & sliders_[seat]).Any([&](int r) { return ClearBetween(sq_, r, sq, -1); }))
    return true;
  return diagonal && (sets.beside[sq] & sliders_[seat]).Any([&](int r) {
    return TypeOf(sq_[r]) == T_RYU && IsDiagonalStep(sq - r);
  });
}

bool Board::RookOfSeatReaches(int seat, int sq) const {
  return SliderReaches(seat, sq, true);
}

// Does a piece of `seat` beside `sq` step onto it?
bool Board::StepsOnto(int seat, int sq) const {
  const Tables& t = T();
  return (Sets().beside[sq] & occ_[seat]).Any([&](int from) {
    return (t.stepMask[sq_[from]] >> t.dirOf[sq - from + 12]) & 1;
  });
}

bool Board::Attacks(int seat, int sq) const {
  return StepsOnto(seat, sq) || SliderReaches(seat, sq, false);
}

bool Board::CanTakeKing(int seat) const {
  const int a = king_[Next(seat)], b = king_[Prev(seat)];
  return (a && Attacks(seat, a)) || (b && Attacks(seat, b));
}

// Would the piece `p` standing on `to` attack the partner's king, with `lifted` (the
// origin, or -1) and the king's own square taken as empty?
bool Board::AttacksPartnerFrom(std::uint8_t p, int lifted, int to, int partnerKing) const {
  const int delta = partnerKing - to;
  if (delta >= -12 && delta <= 12) {
    const int d = T().dirOf[delta + 12];
    if (d >= 0 && ((T().stepMask[p] >> d) & 1)) return true;
  }
  return Slides(p) && ClearBetween(sq_, to, partnerKing, lifted);
}

// The mover's rooks that bear on the partner's king: those that reach it now, and the
// pieces whose leaving would open a rook's line to it.
struct Board::PartnerScan {
  int king = 0;
  int direct[8];
  int nDirect = 0;
  int pinned[4];
  int nPinned = 0;
  // Is every move from `origin` refused by the rook scan alone?
  bool Refused(int origin) const {
    int reach = nDirect;
    for (int i = 0; i < nDirect; ++i)
      if (direct[i] == origin) --reach;
    if (reach > 0) return true;
    for (int i = 0; i < nPinned; ++i)
      if (pinned[i] == origin) return true;
    return false;
  }
};

// Each rook of the mover on a line with the king bears on it directly with nothing between,
// and through the one piece between (a rook of ours included) once that one leaves.
void Board::ScanPartnerLines(PartnerScan& scan, int seat) const {
  scan.king = king_[Partner(seat)];
  if (scan.king == 0) return;
  const int k = scan.king;
  const SquareSet& lines = Sets().cross[k];
  sliders_[seat].ForEach([&](int r) {
    if (!lines.Has(r)) {
      if (TypeOf(sq_[r]) == T_RYU && IsDiagonalStep(k - r)) scan.direct[scan.nDirect++] = r;
      return;
    }
    const int step = LineStep(k, r);
    int q = k + step;
    while (sq_[q] == 0) q += step;
    if (q == r) {
      scan.direct[scan.nDirect++] = r;
      return;
    }
    int behind = q + step;
    while (sq_[behind] == 0) behind += step;
    if (behind == r) scan.pinned[scan.nPinned++] = q;
  });
}

bool Board::HasKingCaptureBy(int seat) const {
  const Tables& t = T();
  // The partner's lines are scanned once, for the first piece that reaches a king.
  PartnerScan scan;
  bool scanned = false;
  // GenerateMoves' tests for a capture of the king on `to` by `p` from `from`.
  auto legal = [&](std::uint8_t p, int from, int to) {
    if (!scanned) {
      ScanPartnerLines(scan, seat);
      scanned = true;
    }
    const int pk = scan.king;
    return !(pk && (scan.Refused(from) || AttacksPartnerFrom(p, from, to, pk)));
  };
  const SeatSets& sets = Sets();
  auto takes = [&](int k) {
    if (!k) return false;
    if ((sets.beside[k] & occ_[seat]).Any([&](int from) {
          const std::uint8_t p = sq_[from];
          return ((t.stepMask[p] >> t.dirOf[k - from + 12]) & 1) && legal(p, from, k);
        }))
      return true;
    return (sets.cross[k] & sliders_[seat]).Any([&](int r) {
      return ClearBetween(sq_, r, k, -1) && legal(sq_[r], r, k);
    });
  };
  return takes(king_[Next(seat)]) || takes(king_[Prev(seat)]);
}

// After a move that captures nothing and moves no king, the next seat still takes the king
// it takes now, unless the move put a piece on the king's row or column (a rook's line) or
// changed the other opponent's king's surroundings: its lines decide whether that capture
// would check the capturer's partner, and a piece that lands on them or beside that king,
// or leaves them, may check it and so hand it the turn.
Board::KingLeft Board::KingLeftToNext() const {
  KingLeft left;
  const int seat = side_, next = Next(seat), other = Prev(seat);
  const int ours = king_[seat], partners = king_[Partner(seat)], theirs = king_[other];
  if (!ours || !partners || !theirs || !king_[next]) return left;
  if (RookOfSeatReaches(seat, theirs) || !HasKingCaptureBy(next)) return left;
  const SeatSets& sets = Sets();
  const SquareSet z = sets.cross[ours] | sets.cross[partners] | sets.cross[theirs] |
                      sets.beside[theirs];
  left.squares = z;
  left.active = true;
  return left;
}

int Board::GenerateMoves(Move* out, Kinds kinds, const SquareSet* dropsOn) const {
  const int seat = side_;
  const int partner = Partner(seat);
  const SeatSets& sets = Sets();
  PartnerScan scan;
  ScanPartnerLines(scan);
  const int pk = scan.king;
  int n = 0;

  const SquareSet& zone = sets.zone[seat];
  const SquareSet& last = sets.last[seat];
  auto emit = [&](int type, int from, int to) {
    const bool canPromote =
        kPromoteType[type] != 0 && (zone.Has(to) || (type != T_HU && zone.Has(from)));
    if (canPromote) {
      out[n++] = BoardMove(from, to, true);
      if (!(type == T_HU && last.Has(to))) out[n++] = BoardMove(from, to, false);
    } else {
      out[n++] = BoardMove(from, to, false);
    }
  };
  auto wanted = [&](std::uint8_t target) {
    if (kinds == Kinds::ALL) return true;
    return (target != 0 && SeatOf(target) != partner) == (kinds == Kinds::CAPTURES);
  };

  // The seat's pieces in square order.
  for (int i = 0; i < 2; ++i)
    for (std::uint64_t bits = occ_[seat].w[i]; bits != 0; bits &= bits - 1) {
      const int from = i * 64 + __builtin_ctzll(bits);
      const std::uint8_t p = sq_[from];
      if (pk && scan.Refused(from)) continue;
      const int type = TypeOf(p);
      const std::uint8_t mask = T().stepMask[p];
      for (int d = 0; d < 8; ++d) {
        if (!((mask >> d) & 1)) continue;
        const int to = from + kDelta[d];
        const std::uint8_t q = sq_[to];
        if (q == kWall || (q != 0 && SeatOf(q) == seat) || !wanted(q)) continue;
        if (pk && (to == pk || AttacksPartnerFrom(p, from, to, pk))) continue;
        emit(type, from, to);
      }
      if (!Slides(p)) continue;
      for (int d : kOrth) {
        for (int to = from + d;; to += d) {
          const std::uint8_t q = sq_[to];
          if (q == kWall || (q != 0 && SeatOf(q) == seat)) break;
          if (wanted(q) && !(pk && (to == pk || AttacksPartnerFrom(p, from, to, pk))))
            emit(type, from, to);
          if (q != 0) break;
        }
      }
    }
  if (kinds == Kinds::CAPTURES || (pk && scan.nDirect > 0)) return n;

  int held[4], nHeld = 0;
  for (int slot = 1; slot <= 4; ++slot)
    if (hand_[seat][slot] > 0) held[nHeld++] = slot;
  if (nHeld == 0) return n;
  // The squares each kind may not be dropped on (besides the occupied ones): a pawn's on
  // the last line and on lines holding a pawn of the seat, and every kind's where it would
  // attack the partner's king.
  SquareSet refused[5];
  refused[T_HU] = last;
  for (int line = 1; line <= 9; ++line)
    if (pawns_[seat][line] > 0) {
      refused[T_HU].w[0] |= sets.line[seat][line].w[0];
      refused[T_HU].w[1] |= sets.line[seat][line].w[1];
    }
  if (pk) {
    for (int i = 0; i < nHeld; ++i) {
      const int slot = held[i];
      const std::uint8_t mask = T().stepMask[MakePiece(seat, slot)];
      for (int d = 0; d < 8; ++d)
        if ((mask >> d) & 1) refused[slot].Add(pk - kDelta[d]);
      if (slot == T_SYA)
        for (int d : kOrth)
          for (int q = pk + d; sq_[q] == 0; q += d) refused[slot].Add(q);
    }
  }
  SquareSet empty;
  for (int i = 0; i < 2; ++i)
    empty.w[i] = sets.board.w[i] & ~(occ_[1].w[i] | occ_[2].w[i] | occ_[3].w[i] | occ_[4].w[i]) &
                 (dropsOn ? dropsOn->w[i] : ~std::uint64_t{0});
  // Square by square; on each square the kinds in hand order.
  empty.ForEach([&](int to) {
    for (int h = 0; h < nHeld; ++h) {
      const int slot = held[h];
      if (!refused[slot].Has(to)) out[n++] = DropMove(slot, to);
    }
  });
  return n;
}

bool Board::IsLegal(Move m) const {
  if (m == kNoMove || m == kPass) return false;
  const int seat = side_;
  const int to = MoveTo(m);
  if (to < Sq(1, 1) || to > Sq(9, 9) || sq_[to] == kWall) return false;
  PartnerScan scan;
  ScanPartnerLines(scan);
  const int pk = scan.king;
  if (IsDrop(m)) {
    const int slot = MoveFrom(m);
    if (IsPromotion(m) || slot < 1 || slot > 4 || hand_[seat][slot] <= 0 || sq_[to] != 0)
      return false;
    if (slot == T_HU && (LastLine(seat, to) || pawns_[seat][PawnLine(seat, to)] > 0)) return false;
    if (pk && (scan.nDirect > 0 || AttacksPartnerFrom(MakePiece(seat, slot), -1, to, pk)))
      return false;
    return true;
  }
  const int from = MoveFrom(m);
  if (from < Sq(1, 1) || from > Sq(9, 9)) return false;
  const std::uint8_t p = sq_[from], q = sq_[to];
  if (p == 0 || p == kWall || SeatOf(p) != seat) return false;
  if (q != 0 && SeatOf(q) == seat) return false;
  if (!PieceReaches(p, from, to)) return false;
  if (pk && (scan.Refused(from) || to == pk || AttacksPartnerFrom(p, from, to, pk))) return false;
  const int type = TypeOf(p);
  const bool canPromote =
      kPromoteType[type] != 0 && (InZone(seat, to) || (type != T_HU && InZone(seat, from)));
  if (IsPromotion(m)) return canPromote;
  return !(type == T_HU && LastLine(seat, to));
}

int Board::Generate(Move* out, const SquareSet* dropsOn) const {
  return GenerateMoves(out, Kinds::ALL, dropsOn);
}

int Board::GenerateCaptures(Move* out) const {
  return GenerateMoves(out, Kinds::CAPTURES);
}

int Board::GenerateNonCaptures(Move* out) const {
  return GenerateMoves(out, Kinds::NON_CAPTURES);
}

int Board::GenerateCheckingDrops(Move* out) const {
  const int seat = side_;
  PartnerScan scan;
  ScanPartnerLines(scan);
  const int pk = scan.king;
  if (pk && scan.nDirect > 0) return 0;
  int n = 0;
  for (int slot = 1; slot <= 4; ++slot) {
    if (hand_[seat][slot] <= 0) continue;
    const std::uint8_t p = MakePiece(seat, slot);
    for (int enemy : {Next(seat), Prev(seat)}) {
      const int k = king_[enemy];
      if (!k) continue;
      // Squares from which the piece would reach the king: its neighbours, and the lines.
      auto tryDrop = [&](int to) {
        if (sq_[to] != 0) return;
        if (slot == T_HU && (LastLine(seat, to) || pawns_[seat][PawnLine(seat, to)] > 0)) return;
        if (!PieceReaches(p, to, k)) return;
        if (pk && AttacksPartnerFrom(p, -1, to, pk)) return;
        const Move m = DropMove(slot, to);
        for (int i = 0; i < n; ++i)
          if (out[i] == m) return;
        out[n++] = m;
      };
      if (slot == T_SYA) {
        for (int d : kOrth)
          for (int to = k + d; sq_[to] == 0; to += d) tryDrop(to);
      } else {
        for (int d : kDelta) tryDrop(k + d);
      }
    }
  }
  return n;
}

int Board::HandOff(int seat, int to, bool& check) const {
  const std::uint8_t placed = sq_[to];
  for (int opp : {Next(seat), Prev(seat)}) {
    const int k = king_[opp];
    if (!k) continue;
    if (PieceReaches(placed, to, k) || RookOfSeatReaches(seat, k)) {
      check = true;
      return opp;
    }
  }
  check = false;
  return Next(seat);
}

void Board::Make(Move m, Undo& u) {
  const Tables& t = T();
  const int seat = side_;
  u.key = key_;
  u.side = static_cast<std::uint8_t>(seat);
  u.gaveCheck = lastCheck_;
  u.captured = 0;
  key_ ^= t.side[seat];
  if (m == kPass) {
    side_ = Next(seat);
    lastCheck_ = false;
    key_ ^= t.side[side_];
    return;
  }
  std::memcpy(u.zones, zone_, sizeof zone_);
  const int to = MoveTo(m);
  if (IsDrop(m)) {
    const int slot = MoveFrom(m);
    const std::uint8_t p = MakePiece(seat, slot);
    --hand_[seat][slot];
    handKey_ -= t.hand[seat][slot];
    Set<true>(to, p);
    key_ ^= t.piece[p][to];
    if (slot == T_HU) ++pawns_[seat][PawnLine(seat, to)];
  } else {
    const int from = MoveFrom(m);
    const std::uint8_t p = sq_[from];
    const std::uint8_t cap = sq_[to];
    const std::uint8_t placed = IsPromotion(m) ? MakePiece(seat, kPromoteType[TypeOf(p)]) : p;
    u.captured = cap;
    if (cap != 0) {
      key_ ^= t.piece[cap][to];
      const int capSeat = SeatOf(cap), base = kBaseType[TypeOf(cap)];
      if (TypeOf(cap) == T_HU) --pawns_[capSeat][PawnLine(capSeat, to)];
      if (base == T_OU) {
        king_[capSeat] = 0;
      } else {
        ++hand_[seat][base];
        handKey_ += t.hand[seat][base];
      }
    }
    Set<true>(from, 0);
    key_ ^= t.piece[p][from];
    Set<true>(to, placed);
    key_ ^= t.piece[placed][to];
    if (TypeOf(p) == T_OU) {
      king_[seat] = to;
      CountZone(seat);
    }
    if (TypeOf(p) == T_HU && placed != p) --pawns_[seat][PawnLine(seat, from)];
  }
  side_ = HandOff(seat, to, lastCheck_);
  key_ ^= t.side[side_];
}

std::uint64_t Board::KeyToNext(Move m) const {
  const Tables& t = T();
  const int seat = side_;
  std::uint64_t key = key_ ^ t.side[seat] ^ t.side[Next(seat)];
  std::uint64_t hands = handKey_;
  if (m == kPass) return key ^ hands;
  const int to = MoveTo(m);
  if (IsDrop(m)) {
    const int slot = MoveFrom(m);
    hands -= t.hand[seat][slot];
    key ^= t.piece[MakePiece(seat, slot)][to];
  } else {
    const int from = MoveFrom(m);
    const std::uint8_t p = sq_[from];
    const std::uint8_t cap = sq_[to];
    const std::uint8_t placed = IsPromotion(m) ? MakePiece(seat, kPromoteType[TypeOf(p)]) : p;
    if (cap != 0) {
      key ^= t.piece[cap][to];
      const int base = kBaseType[TypeOf(cap)];
      if (base != T_OU) hands += t.hand[seat][base];
    }
    key ^= t.piece[p][from] ^ t.piece[placed][to];
  }
  return key ^ hands;
}

void Board::Unmake(Move m, const Undo& u) {
  const Tables& t = T();
  const int seat = u.side;
  side_ = seat;
  lastCheck_ = u.gaveCheck;
  key_ = u.key;
  if (m == kPass) return;
  std::memcpy(zone_, u.zones, sizeof zone_);
  const int to = MoveTo(m);
  if (IsDrop(m)) {
    const int slot = MoveFrom(m);
    ++hand_[seat][slot];
    handKey_ += t.hand[seat][slot];
    Set<false>(to, 0);
    if (slot == T_HU) --pawns_[seat][PawnLine(seat, to)];
    return;
  }
  const int from = MoveFrom(m);
  const std::uint8_t placed = sq_[to];
  const std::uint8_t p = IsPromotion(m) ? MakePiece(seat, kBaseType[TypeOf(placed)]) : placed;
  const std::uint8_t cap = u.captured;
  Set<false>(from, p);
  Set<false>(to, cap);
  if (TypeOf(p) == T_OU) king_[seat] = from;
  if (TypeOf(p) == T_HU && placed != p) ++pawns_[seat][PawnLine(seat, from)];
  if (cap != 0) {
    const int capSeat = SeatOf(cap), base = kBaseType[TypeOf(cap)];
    if (TypeOf(cap) == T_HU) ++pawns_[capSeat][PawnLine(capSeat, to)];
    if (base == T_OU) {
      king_[capSeat] = to;
    } else {
      --hand_[seat][base];
      handKey_ -= t.hand[seat][base];
    }
  }
}

ChosenMove Board::ToChosen(Move m) const {
  ChosenMove c;
  if (m == kNoMove || m == kPass) return c;
  const int seat = side_;
  const int to = MoveTo(m);
  c.found = true;
  c.toX = SqX(to);
  c.toY = SqY(to);
  if (IsDrop(m)) {
    const Square cell = HandCellOf(seat, MoveFrom(m));
    c.fromX = cell.x;
    c.fromY = cell.y;
    c.before = Code(seat, MoveFrom(m));
    c.placed = c.before;
    c.captured = EMPTY;
  } else {
    const int from = MoveFrom(m);
    const std::uint8_t p = sq_[from];
    c.fromX = SqX(from);
    c.fromY = SqY(from);
    c.before = GameCode(p);
    c.placed = IsPromotion(m) ? GameCode(MakePiece(seat, kPromoteType[TypeOf(p)])) : c.before;
    c.captured = GameCode(sq_[to]);
  }
  return c;
}

Move Board::FromGame(int fromX, int fromY, int toX, int toY, PieceCode placed) const {
  if (!OnBoard(toX, toY)) return kNoMove;
  const int to = Sq(toX, toY);
  if (IsHandX(fromX)) {
    if (HandCellSeat(fromX, fromY) != side_) return kNoMove;
    return DropMove(HandCellSlot(fromX, fromY), to);
  }
  if (!OnBoard(fromX, fromY)) return kNoMove;
  const int from = Sq(fromX, fromY);
  if (SeatOf(sq_[from]) != side_) return kNoMove;
  return BoardMove(from, to, GameCode(sq_[from]) != placed);
}

}  // namespace korvel::deep
