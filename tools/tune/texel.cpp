#include "tools/tune/texel.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace korvel::tune {

namespace {

struct Slot {
  const char* field;
  int index;  // -1 for a single number
};

// Every weight the evaluation reads: board and near by piece type without the empty slot
// (the king's board value is never counted), hand and drop by hand slot 1..4.
std::vector<Slot> Slots() {
  std::vector<Slot> s;
  for (int t = 1; t <= 8; ++t)
    if (t != deep::T_OU) s.push_back({"board", t});
  for (int k = 1; k <= 4; ++k) s.push_back({"hand", k});
  for (int t = 1; t <= 8; ++t) s.push_back({"near", t});
  for (int k = 1; k <= 4; ++k) s.push_back({"drop", k});
  for (const char* f : {"defender", "nextPercent", "quadratic", "rookMobility", "tempo"})
    s.push_back({f, -1});
  return s;
}

const std::vector<Slot>& AllSlots() {
  static const std::vector<Slot> slots = Slots();
  return slots;
}

}  // namespace

int WeightCount() { return static_cast<int>(AllSlots().size()); }

int& Weight(deep::EvalParams& p, int i) {
  const Slot& s = AllSlots()[i];
  const std::string f = s.field;
  if (f == "board") return p.board[s.index];
  if (f == "hand") return p.hand[s.index];
  if (f == "near") return p.near[s.index];
  if (f == "drop") return p.drop[s.index];
  if (f == "defender") return p.defender;
  if (f == "nextPercent") return p.nextPercent;
  if (f == "quadratic") return p.quadratic;
  if (f == "rookMobility") return p.rookMobility;
  return p.tempo;
}

std::string WeightName(int i) {
  const Slot& s = AllSlots()[i];
  return s.index < 0 ? s.field : std::string(s.field) + "[" + std::to_string(s.index) + "]";
}

deep::WeightRange WeightRangeOf(int i) { return deep::RangeOf(AllSlots()[i].field); }

bool IsQuiet(const deep::Board& b) {
  deep::Move moves[deep::kMaxMoves];
  if (b.GenerateCaptures(moves) > 0) return false;
  const int side = b.Side();
  const int next = deep::Next(side);
  for (int seat : {side, deep::Partner(side)}) {
    const int k = b.KingSq(seat);
    if (k && b.Attacks(next, k)) return false;
  }
  return true;
}

double Expected(double eval, double k) { return 1.0 / (1.0 + std::pow(10.0, -k * eval / 400.0)); }

double Loss(const std::vector<Sample>& samples, const deep::EvalParams& p, double k) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (const Sample& s : samples) {
    const double e = Expected(deep::Evaluate(s.board, p), k) - s.result;
    sum += e * e;
  }
  return sum / static_cast<double>(samples.size());
}

double FitScale(const std::vector<Sample>& samples, const deep::EvalParams& p) {
  // The loss is smooth and has one valley in k: a golden-section search.
  double lo = 0.01, hi = 10;
  const double g = (std::sqrt(5.0) - 1) / 2;
  double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
  double la = Loss(samples, p, a), lb = Loss(samples, p, b);
  for (int i = 0; i < 40; ++i) {
    if (la < lb) {
      hi = b;
      b = a;
      lb = la;
      a = hi - g * (hi - lo);
      la = Loss(samples, p, a);
    } else {
      lo = a;
      a = b;
      la = lb;
      b = lo + g * (hi - lo);
      lb = Loss(samples, p, b);
    }
  }
  return (lo + hi) / 2;
}

deep::EvalParams Fit(const std::vector<Sample>& samples, const deep::EvalParams& start, double k,
                     int passes, const std::function<void(int, double)>& told) {
  deep::EvalParams p = start;
  const int n = WeightCount();
  std::vector<int> step(n);
  for (int i = 0; i < n; ++i) step[i] = std::max(1, std::abs(Weight(p, i)) / 8);
  double best = Loss(samples, p, k);
  for (int pass = 1; pass <= passes; ++pass) {
    bool improved = false;
    for (int i = 0; i < n; ++i) {
      const deep::WeightRange r = WeightRangeOf(i);
      const int was = Weight(p, i);
      for (int dir : {+1, -1}) {
        const int v = std::clamp(was + dir * step[i], r.lo, r.hi);
        if (v == was) continue;
        Weight(p, i) = v;
        const double l = Loss(samples, p, k);
        if (l < best) {
          best = l;
          improved = true;
          break;
        }
        Weight(p, i) = was;
      }
    }
    if (told) told(pass, best);
    if (!improved) {
      bool any = false;
      for (int& s : step)
        if (s > 1) {
          s /= 2;
          any = true;
        }
      if (!any) break;
    }
  }
  return p;
}

}  // namespace korvel::tune
