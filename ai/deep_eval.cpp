#include "ai/deep_eval.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>

namespace korvel::deep {

// Every step of KingDanger and Evaluate stays an int for weights in their ranges.
static_assert(bounds::kAttack * bounds::Largest(kNextPercentRange) <= INT_MAX);
static_assert(bounds::kDanger * bounds::kDanger <= INT_MAX);
// With room for the search's own steps on a score (a margin, a ply, the sign).
static_assert(bounds::kEvaluation <= INT_MAX - 100000);

namespace {

constexpr int kOrth[4] = {-kStride, kStride, -1, 1};

constexpr int Chebyshev(int a, int b) {
  const int dx = SqX(a) > SqX(b) ? SqX(a) - SqX(b) : SqX(b) - SqX(a);
  const int dy = SqY(a) > SqY(b) ? SqY(a) - SqY(b) : SqY(b) - SqY(a);
  return dx > dy ? dx : dy;
}

// The board squares within two steps of each square (the square itself left out), and
// whether each is a neighbour: what KingDanger looks at around a king.
struct KingZones {
  struct Zone {
    std::uint8_t n = 0;
    std::uint8_t sq[24] = {};
    bool neighbour[24] = {};
  };
  Zone of[kSquares] = {};

  constexpr KingZones() {
    for (int k = Sq(1, 1); k <= Sq(9, 9); ++k) {
      const int kx = SqX(k), ky = SqY(k);
      if (kx < 1 || kx > 9) continue;
      Zone& z = of[k];
      for (int y = ky - 2; y <= ky + 2; ++y) {
        if (y < 1 || y > 9) continue;
        for (int x = kx - 2; x <= kx + 2; ++x) {
          if (x < 1 || x > 9 || (x == kx && y == ky)) continue;
          z.sq[z.n] = static_cast<std::uint8_t>(Sq(x, y));
          z.neighbour[z.n] = Chebyshev(Sq(x, y), k) == 1;
          ++z.n;
        }
      }
    }
  }
};

constexpr KingZones kZones;

// The danger to the king of `seat` from what its zone holds; `nextEnemy` is the enemy seat
// that moves next.
// `drops` holds each seat's dropWeight summed over the kinds it holds.
int Danger(const EvalParams& p, const int (&drops)[5], int seat, int nextEnemy,
           const int (&attack)[5], int defenders, int emptyNeighbours) {
  int danger = 0;
  const int open = emptyNeighbours < 3 ? emptyNeighbours : 3;
  for (int e : {Next(seat), Prev(seat)}) {
    const int a = attack[e] + drops[e] * open;
    danger += e == nextEnemy ? a * p.nextPercent / 100 : a;
  }
  danger -= defenders * p.defender;
  if (danger <= 0) return danger / 2;
  return danger + danger * danger / p.quadratic;
}

// The zone of the king of `seat` counted square by square.
int KingDangerByScan(const Board& b, const EvalParams& p, const int (&drops)[5], int seat,
                     int nextEnemy) {
  const int k = b.KingSq(seat);
  if (k == 0) return 0;
  const int team = TeamOf(seat);
  int attack[5] = {};
  int defenders = 0;
  int emptyNeighbours = 0;
  const KingZones::Zone& zone = kZones.of[k];
  for (int i = 0; i < zone.n; ++i) {
    const std::uint8_t pc = b.At(zone.sq[i]);
    const bool neighbour = zone.neighbour[i];
    if (pc == 0) {
      if (neighbour) ++emptyNeighbours;
      continue;
    }
    const int s = SeatOf(pc);
    if (TeamOf(s) != team) {
      attack[s] += p.near[TypeOf(pc)] * (neighbour ? 2 : 1);
    } else if (neighbour && TypeOf(pc) != T_OU) {
      ++defenders;
    }
  }
  return Danger(p, drops, seat, nextEnemy, attack, defenders, emptyNeighbours);
}

// The squares a rook or dragon on `q` reaches.
int RookReach(const Board& b, int q) {
  int reach = 0;
  for (int d : kOrth)
    for (int t = q + d; b.At(t) != kWall; t += d) {
      ++reach;
      if (b.At(t) != 0) break;
    }
  return reach;
}

// The squares along each of a square's four lines to the border, as one 128-bit set a
// line, and how many there are: a rook's reach is the squares up to the first piece on the
// line (that piece's square included), found with one bit scan instead of a walk.
__extension__ typedef unsigned __int128 Bits128;  // GCC and Clang have it
struct Rays {
  Bits128 ray[kSquares][4] = {};
  std::uint8_t length[kSquares][4] = {};
  constexpr Rays() {
    auto onBoard = [](int t) {
      return t >= 0 && t < kSquares && SqX(t) >= 1 && SqX(t) <= 9 && SqY(t) >= 1 && SqY(t) <= 9;
    };
    for (int y = 1; y <= 9; ++y)
      for (int x = 1; x <= 9; ++x) {
        const int q = Sq(x, y);
        for (int i = 0; i < 4; ++i)
          for (int t = q + kOrth[i]; onBoard(t); t += kOrth[i]) {
            ray[q][i] |= Bits128{1} << t;
            ++length[q][i];
          }
      }
  }
};
constexpr Rays kRays;
const Rays& TheRays() {
  return kRays;
}

int RookReachOf(const Rays& rays, Bits128 occupied, int q) {
  int reach = 0;
  for (int i = 0; i < 4; ++i) {
    const Bits128 on = occupied & rays.ray[q][i];
    if (on == 0) {
      reach += rays.length[q][i];
      continue;
    }
    const auto lo = static_cast<std::uint64_t>(on), hi = static_cast<std::uint64_t>(on >> 64);
    if (kOrth[i] > 0) {
      const int first = lo != 0 ? __builtin_ctzll(lo) : 64 + __builtin_ctzll(hi);
      reach += (first - q) / kOrth[i];
    } else {
      const int first = hi != 0 ? 127 - __builtin_clzll(hi) : 63 - __builtin_clzll(lo);
      reach += (q - first) / -kOrth[i];
    }
  }
  return reach;
}

// The hands' values, and each seat's drop weights for Danger.
void AddHands(const Board& b, const EvalParams& p, int (&score)[2], int (&drops)[5]) {
  for (int seat = 1; seat <= 4; ++seat) {
    drops[seat] = 0;
    for (int slot = 1; slot <= 4; ++slot) {
      const int held = b.Hand(seat, slot) < 18 ? b.Hand(seat, slot) : 18;
      score[TeamOf(seat)] += held * p.hand[slot];
      if (held > 0) drops[seat] += p.drop[slot];
    }
  }
}

struct Field {
  const char* name;
  int count;
  int* (*get)(EvalParams&);
  WeightRange range = kPieceWeightRange;
};

const Field kFields[] = {
    {"board", 9, [](EvalParams& p) { return p.board; }, kPieceWeightRange},
    {"hand", 5, [](EvalParams& p) { return p.hand; }, kPieceWeightRange},
    {"near", 9, [](EvalParams& p) { return p.near; }, kKingWeightRange},
    {"drop", 5, [](EvalParams& p) { return p.drop; }, kKingWeightRange},
    {"defender", 1, [](EvalParams& p) { return &p.defender; }, kDefenderRange},
    {"nextPercent", 1, [](EvalParams& p) { return &p.nextPercent; }, kNextPercentRange},
    {"quadratic", 1, [](EvalParams& p) { return &p.quadratic; }, kQuadraticRange},
    {"rookMobility", 1, [](EvalParams& p) { return &p.rookMobility; }, kRookMobilityRange},
    {"tempo", 1, [](EvalParams& p) { return &p.tempo; }, kPieceWeightRange},
};

// A word of the text as an error quotes it: at most 40 bytes, anything but printable
// ASCII as \xNN, so that no control character or broken UTF-8 reaches the terminal.
std::string Quoted(std::string_view word) { return QuotedBytes(word, 40); }

}  // namespace

std::string QuotedBytes(std::string_view text, std::size_t limit) {
  std::string q = "'";
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      q += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      q += hex;
    }
  }
  return q + (text.size() > limit ? "...'" : "'");
}

WeightRange RangeOf(std::string_view field) {
  for (const Field& f : kFields)
    if (field == f.name) return f.range;
  return {0, 0};
}

bool ParseEvalParams(std::string_view text, EvalParams& out, std::string& error) {
  EvalParams p = out;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int lineNo = 0;
  int fields = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++lineNo;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    auto next = [&line]() {
      const std::size_t from = line.find_first_not_of(" \t\r");
      if (from == std::string_view::npos) {
        line = {};
        return std::string_view{};
      }
      line = line.substr(from);
      const std::size_t to = std::min(line.find_first_of(" \t\r"), line.size());
      const std::string_view word = line.substr(0, to);
      line = line.substr(to);
      return word;
    };
    const std::string_view name = next();
    if (name.empty()) continue;
    const Field* field = nullptr;
    for (const Field& f : kFields)
      if (name == f.name) field = &f;
    const std::string where = "line " + std::to_string(lineNo) + ": ";
    if (!field) {
      error = where + "unknown weight " + Quoted(name);
      return false;
    }
    const WeightRange range = field->range;
    int values[9];
    int n = 0;
    for (std::string_view word = next(); !word.empty(); word = next()) {
      int v = 0;
      const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
      if (r.ec != std::errc{} || r.ptr != word.data() + word.size() || v < range.lo ||
          v > range.hi) {
        error = where + Quoted(word) + " is not a number in " + std::to_string(range.lo) +
                ".." + std::to_string(range.hi);
        return false;
      }
      if (n == field->count) {
        error = where + field->name + " takes " + std::to_string(field->count) + " numbers";
        return false;
      }
      values[n++] = v;
    }
    if (n != field->count) {
      error = where + field->name + " takes " + std::to_string(field->count) + " numbers";
      return false;
    }
    std::memcpy(field->get(p), values, sizeof(int) * static_cast<std::size_t>(n));
    ++fields;
  }
  if (fields == 0) {
    error = "no weights in it";
    return false;
  }
  out = p;
  return true;
}

std::string FormatEvalParams(const EvalParams& p) {
  std::string s;
  EvalParams copy = p;
  for (const Field& f : kFields) {
    s += f.name;
    const int* v = f.get(copy);
    for (int i = 0; i < f.count; ++i) s.append(" ").append(std::to_string(v[i]));
    s += "\n";
  }
  return s;
}

const EvalParams& DefaultEvalParams() {
  static const EvalParams params;
  return params;
}

int PieceValue(const EvalParams& p, std::uint8_t piece) {
  return p.board[TypeOf(piece)];
}

int EvaluateByScan(const Board& b, const EvalParams& p) {
  const int side = b.Side();
  const int us = TeamOf(side);
  int score[2] = {0, 0};
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9; ++x) {
      const int q = Sq(x, y);
      const std::uint8_t pc = b.At(q);
      if (pc == 0) continue;
      const int team = TeamOf(SeatOf(pc));
      score[team] += p.board[TypeOf(pc)];
      if (Board::Slides(pc)) score[team] += RookReach(b, q) * p.rookMobility;
    }
  int drops[5] = {};
  AddHands(b, p, score, drops);

  // The seat to move is the next enemy of the other team's kings; ours face Next(side).
  for (int seat = 1; seat <= 4; ++seat) {
    const int nextEnemy = TeamOf(seat) == us ? Next(side) : side;
    score[TeamOf(seat)] -= KingDangerByScan(b, p, drops, seat, nextEnemy);
  }
  return score[us] - score[1 - us] + p.tempo;
}

int Evaluate(const Board& b, const EvalParams& p) {
  if (std::memcmp(b.KingWeights(), p.near, sizeof p.near) != 0) return EvaluateByScan(b, p);
  const int side = b.Side();
  const int us = TeamOf(side);
  int score[2] = {0, 0};
  for (int team = 0; team < 2; ++team)
    for (int type = T_HU; type <= T_RYU; ++type) score[team] += b.Count(team, type) * p.board[type];
  const Rays& rays = TheRays();
  const SquareSet all = b.Pieces(1) | b.Pieces(2) | b.Pieces(3) | b.Pieces(4);
  const Bits128 occupied = Bits128{all.w[0]} | Bits128{all.w[1]} << 64;
  for (int seat = 1; seat <= 4; ++seat)
    b.Sliders(seat).ForEach([&](int q) {
      score[TeamOf(seat)] += RookReachOf(rays, occupied, q) * p.rookMobility;
    });
  int drops[5] = {};
  AddHands(b, p, score, drops);

  for (int seat = 1; seat <= 4; ++seat) {
    if (b.KingSq(seat) == 0) continue;
    const int nextEnemy = TeamOf(seat) == us ? Next(side) : side;
    const KingZone& z = b.Zone(seat);
    score[TeamOf(seat)] -= Danger(p, drops, seat, nextEnemy, z.attack, z.defenders, z.empties);
  }
  return score[us] - score[1 - us] + p.tempo;
}

}  // namespace korvel::deep
