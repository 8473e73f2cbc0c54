// Principal-variation search with iterative deepening on the deep board. Every move hands
// the turn to the other team (the next seat, the checked seat, or the next seat after a
// pass), so the game is searched as a two-sided negamax; the seat to move is part of the
// position and of its key.
#include "ai/deep_search.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <utility>

#include <sys/mman.h>

#include "ai/deep_board.h"
#include "ai/deep_eval.h"

namespace korvel {

namespace {

using namespace deep;
using deep::Move;  // the engine's packed move, not the game's

constexpr int kMate = 30000;
constexpr int kMateBound = kMate - 1000;
constexpr int kInf = 32000;
constexpr int kMaxPly = 96;
constexpr int kMaxDepth = 64;
constexpr int kMaxHistory = 1024;
// Plies of full-width replies to a king threat in quiescence. Four spent most of a decision's
// nodes there (two thirds of them on moves that leave a king to be taken); two won 0.64 at
// equal nodes against four, three and one less (README, "Measured").
constexpr int kQuietThreatPlies = 2;

// Move ordering keys (times 1024 plus the generation index they must stay below 2^31).
constexpr int kOrderTable = 2'000'000;
constexpr int kOrderKingCapture = 1'900'000;
constexpr int kOrderCapture = 1'000'000;
constexpr int kOrderPromotion = 500'000;
constexpr int kOrderKiller = 400'000;
constexpr int kHistoryMax = 1 << 18;
constexpr int kPickBySelection = 3;  // moves picked one by one before the rest is sorted
// A capture's key stays inside those bounds for every board weight a search may be given.
static_assert((static_cast<long long>(kOrderCapture) + kOrderPromotion +
               16LL * bounds::Largest(kPieceWeightRange)) * 1024 + kMaxMoves <= INT_MAX);
static_assert(kOrderCapture + kOrderPromotion + 16LL * bounds::Largest(kPieceWeightRange) <
              kOrderKingCapture);
static_assert(kOrderCapture - 16LL * bounds::Largest(kPieceWeightRange) - T_RYU > kOrderKiller);

enum Bound : std::uint8_t { B_NONE, B_UPPER, B_LOWER, B_EXACT };

// An entry counts only in the decision that wrote it (its generation): a table kept
// between decisions answers exactly as a cleared one.
struct TTEntry {
  std::uint64_t key;
  std::int16_t score;
  Move move;
  std::int8_t depth;
  std::uint8_t bound;
  std::uint8_t generation;
};

constexpr std::size_t kTTEntries = std::size_t{1} << 20;  // 16 MB

// The table on memory the kernel may back with 2 MB pages: its reads land anywhere in
// 16 MB, and with 4 kB pages nearly every one of them also misses the address cache.
struct TTDeleter {
  void operator()(TTEntry* p) const { std::free(p); }
};
std::unique_ptr<TTEntry[], TTDeleter> NewTable() {
  constexpr std::size_t kBytes = sizeof(TTEntry) * kTTEntries;
  constexpr std::size_t kPage = std::size_t{2} << 20;
  void* p = std::aligned_alloc(kPage, kBytes);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(p, kBytes, MADV_HUGEPAGE);  // a hint: without it the table works the same
#endif
  std::memset(p, 0, kBytes);
  return std::unique_ptr<TTEntry[], TTDeleter>(static_cast<TTEntry*>(p));
}

struct LineEntry {
  std::uint64_t key;
  std::uint8_t seat;
  bool check;
};

int ScoreToTT(int score, int ply) {
  if (score > kMateBound) return score + ply;
  if (score < -kMateBound) return score - ply;
  return score;
}
int ScoreFromTT(int score, int ply) {
  if (score > kMateBound) return score - ply;
  if (score < -kMateBound) return score + ply;
  return score;
}

class Searcher {
 public:
  Searcher() : tt_(NewTable()) {}

  ChosenMove Run(const GameState& s, int seat, const DeepLimits& limits, DeepStats* stats);

 private:
  int Search(int depth, int alpha, int beta, int ply, bool pv);
  int Quiesce(int alpha, int beta, int ply, int qply);
  bool KingCapturable() const;
  bool RepetitionScore(int ply, int& score) const;
  void Push(Move m, Undo& u);
  void Pop(Move m, const Undo& u);
  void OrderMoves(const Move* moves, int* scores, int n, Move ttMove, int ply) const;
  int PickNext(Move* moves, int* scores, int i, int n, bool& sorted);
  void CheckLimits();
  void Report(const std::function<void(const DeepProgress&)>& progress, int depth, Move best,
              int score) const;
  int OrderKey(Move m) const;
  bool IsQuiet(Move m) const { return !IsPromotion(m) && (IsDrop(m) || b_.At(MoveTo(m)) == 0); }
  // Starts reading the table entry of the position after `m` (when it hands the turn to
  // the next seat, as most moves do). Once its moves are sorted, a node asks for the next
  // move's entry before searching the current one: a child at the horizon reads its entry
  // at once, sooner than the memory answers.
  void FetchEntryAfter(Move m) const {
    __builtin_prefetch(&tt_[b_.KeyToNext(m) & (kTTEntries - 1)]);
  }

  Board b_;
  const EvalParams* params_ = &DefaultEvalParams();
  DeepSearchOptions options_;
  bool Threatened() const;
  std::unique_ptr<TTEntry[], TTDeleter> tt_;
  std::uint8_t generation_ = 0;  // of this decision's entries; 0 is a cleared entry's
  Move moves_[kMaxPly + 1][kMaxMoves];
  int scores_[kMaxPly + 1][kMaxMoves];
  Move killers_[kMaxPly + 1][2];
  int history_[5][16][kSquares];
  LineEntry line_[kMaxHistory + kMaxPly + 2];
  int lineLen_ = 0;
  int histLen_ = 0;
  int reversibleFrom_ = 0;
  int savedReversible_[kMaxPly + 2];
  std::uint64_t historyBloom_[64];

  std::int64_t sortKeys_[kMaxMoves];
  Move rootMoves_[kMaxMoves];
  int rootOrder_[kMaxMoves];
  int rootDepth_ = 1;

  std::uint64_t nodes_ = 0;
  std::uint64_t leftLost_ = 0;
  std::uint64_t nodeLimit_ = 0;
  bool aborted_ = false;
  const std::atomic<bool>* stop_ = nullptr;
  double maxSeconds_ = 0;
  std::chrono::steady_clock::time_point start_;
};

void Searcher::CheckLimits() {
  if (nodes_ >= nodeLimit_) aborted_ = true;
  if (stop_ && stop_->load(std::memory_order_relaxed)) aborted_ = true;
  if (maxSeconds_ > 0) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (elapsed >= maxSeconds_) aborted_ = true;
  }
}

// Does the seat that moves next reach a king of the team to move?
bool Searcher::Threatened() const {
  const int side = b_.Side();
  const int next = Next(side);
  const int ourKing = b_.KingSq(side), partnerKing = b_.KingSq(Partner(side));
  return (ourKing && b_.Attacks(next, ourKing)) || (partnerKing && b_.Attacks(next, partnerKing));
}

bool Searcher::KingCapturable() const {
  return b_.HasKingCapture();
}

// The position came back within the run: the team that gave check with every one of its
// turns since (and took one), while the other team did not, loses; else a draw.
bool Searcher::RepetitionScore(int ply, int& score) const {
  const std::uint64_t key = b_.Key();
  int found = -1;
  for (int j = lineLen_ - 1; j >= reversibleFrom_ && j >= histLen_; --j)
    if (line_[j].key == key) {
      found = j;
      break;
    }
  if (found < 0 && reversibleFrom_ < histLen_ &&
      ((historyBloom_[(key >> 6) & 63] >> (key & 63)) & 1)) {
    for (int j = histLen_ - 1; j >= reversibleFrom_; --j)
      if (line_[j].key == key) {
        found = j;
        break;
      }
  }
  if (found < 0) return false;
  int taken[2] = {0, 0};
  bool allChecks[2] = {true, true};
  for (int j = found; j < lineLen_; ++j) {
    const int team = TeamOf(line_[j].seat);
    ++taken[team];
    if (!line_[j].check) allChecks[team] = false;
  }
  score = 0;
  for (int team = 0; team < 2; ++team)
    if (taken[team] > 0 && allChecks[team] && !allChecks[1 - team]) {
      // `team` forced the repetition and loses.
      score = team == TeamOf(b_.Side()) ? -(kMate - ply) : kMate - ply;
    }
  return true;
}

void Searcher::Push(Move m, Undo& u) {
  const int seat = b_.Side();
  const std::uint64_t key = b_.Key();
  bool irreversible = IsDrop(m) || IsPromotion(m);
  if (!irreversible && m != kPass) {
    irreversible = b_.At(MoveTo(m)) != 0 || TypeOf(b_.At(MoveFrom(m))) == T_HU;
  }
  b_.Make(m, u);
  savedReversible_[lineLen_ - histLen_] = reversibleFrom_;
  line_[lineLen_++] = {key, static_cast<std::uint8_t>(seat), b_.LastGaveCheck()};
  if (irreversible) reversibleFrom_ = lineLen_;
}

void Searcher::Pop(Move m, const Undo& u) {
  --lineLen_;
  reversibleFrom_ = savedReversible_[lineLen_ - histLen_];
  b_.Unmake(m, u);
}

int Searcher::OrderKey(Move m) const {
  if (m == kPass) return 0;
  const int to = MoveTo(m);
  if (IsDrop(m)) return history_[b_.Side()][8 + MoveFrom(m)][to];
  const std::uint8_t victim = b_.At(to);
  const std::uint8_t mover = b_.At(MoveFrom(m));
  int key = 0;
  if (victim != 0 && TeamOf(SeatOf(victim)) != TeamOf(b_.Side())) {
    if (TypeOf(victim) == T_OU) return kOrderKingCapture;
    key = kOrderCapture + PieceValue(*params_, victim) * 16 - TypeOf(mover);
  }
  if (IsPromotion(m)) key += kOrderPromotion;
  if (key == 0) key = history_[b_.Side()][TypeOf(mover)][to];
  return key;
}

void Searcher::OrderMoves(const Move* moves, int* scores, int n, Move ttMove, int ply) const {
  for (int i = 0; i < n; ++i) {
    const Move m = moves[i];
    if (m == ttMove) {
      scores[i] = kOrderTable * 1024 + (kMaxMoves - 1 - i);
      continue;
    }
    int key = OrderKey(m);
    if (key < kOrderKiller) {
      if (m == killers_[ply][0])
        key = kOrderKiller + 2;
      else if (m == killers_[ply][1])
        key = kOrderKiller + 1;
    }
    // Distinct keys: the score above, the generation index (earlier first) below.
    scores[i] = key * 1024 + (kMaxMoves - 1 - i);
  }
}

// Brings the best remaining move to position i: the first few by selection (a cut often
// comes early), then the rest sorted at once (`sorted` remembers it). Keys carry the
// generation index below the score, so that every key is distinct: the order is the same
// either way, and ties keep generation order.
int Searcher::PickNext(Move* moves, int* scores, int i, int n, bool& sorted) {
  if (sorted) return scores[i];
  if (i < kPickBySelection) {
    int best = i;
    for (int j = i + 1; j < n; ++j)
      if (scores[j] > scores[best]) best = j;
    std::swap(moves[i], moves[best]);
    std::swap(scores[i], scores[best]);
    return scores[i];
  }
  std::int64_t* keys = sortKeys_;
  for (int j = i; j < n; ++j) keys[j] = static_cast<std::int64_t>(scores[j]) * 65536 + moves[j];
  std::sort(keys + i, keys + n, std::greater<>());
  for (int j = i; j < n; ++j) {
    moves[j] = static_cast<Move>(keys[j] & 0xFFFF);
    scores[j] = static_cast<int>((keys[j] - moves[j]) / 65536);
  }
  sorted = true;
  return scores[i];
}

int Searcher::Quiesce(int alpha, int beta, int ply, int qply) {
  if (qply == 0) __builtin_prefetch(&tt_[b_.Key() & (kTTEntries - 1)]);  // read below
  if ((++nodes_ & 1023) == 0) CheckLimits();
  if (aborted_) return 0;
  if (KingCapturable()) return kMate - ply;
  if (ply > 0) {
    int rep;
    if (RepetitionScore(ply, rep)) return rep;
  }
  if (ply >= kMaxPly) return Evaluate(b_, *params_);

  // The first quiescence ply keeps its result in the table (depth 0, no move), and takes any
  // result of this decision's for the position from there: the same position is often
  // reached at the horizon by other move orders.
  const std::uint64_t key = b_.Key();
  TTEntry& e = tt_[key & (kTTEntries - 1)];
  const bool useTable = qply == 0;
  const int alphaIn = alpha;
  if (useTable && e.key == key && e.generation == generation_ && e.bound != B_NONE &&
      e.depth >= 0) {
    const int s = ScoreFromTT(e.score, ply);
    if (e.bound == B_EXACT || (e.bound == B_LOWER && s >= beta) ||
        (e.bound == B_UPPER && s <= alpha))
      return s;
  }

  const int side = b_.Side();
  // Standing pat assumes the next seat in turn order moves next; not while it can take one
  // of our kings.
  const int next = Next(side);
  const int ourKing = b_.KingSq(side), partnerKing = b_.KingSq(Partner(side));
  const bool threatened =
      b_.Attacks(next, ourKing) || (partnerKing && b_.Attacks(next, partnerKing));

  Move* moves = moves_[ply];
  int* scores = scores_[ply];
  int best;
  int n;
  if (!threatened) {
    const int stand = Evaluate(b_, *params_);
    if (stand >= beta) return stand;
    if (stand > alpha) alpha = stand;
    best = stand;
    n = b_.GenerateCaptures(moves);
    if (qply == 0) n += b_.GenerateCheckingDrops(moves + n);
  } else {
    if (qply >= kQuietThreatPlies) return Evaluate(b_, *params_) - 300;
    best = -(kMate - ply - 1);
    // The moves that leave a king to the next seat would score what best is already: they
    // are not ordered nor made, and drops off the squares that matter not even generated.
    const Board::KingLeft left = b_.KingLeftToNext();
    if (left.active) {
      n = b_.Generate(moves, &left.squares);
      int kept = 0;
      for (int i = 0; i < n; ++i)
        if (!left.Leaves(b_, moves[i])) moves[kept++] = moves[i];
      leftLost_ += static_cast<std::uint64_t>(n - kept);
      n = kept;
      if (n == 0 && b_.Generate(moves) == 0) return Evaluate(b_, *params_) - 300;
    } else {
      n = b_.Generate(moves);
      if (n == 0) return Evaluate(b_, *params_) - 300;
    }
  }
  OrderMoves(moves, scores, n, kNoMove, ply);
  bool sorted = false;
  for (int i = 0; i < n; ++i) {
    PickNext(moves, scores, i, n, sorted);
    const Move m = moves[i];
    Undo u;
    Push(m, u);
    const int score = -Quiesce(-beta, -alpha, ply + 1, qply + 1);
    Pop(m, u);
    if (aborted_) return 0;
    if (score > best) {
      best = score;
      if (score > alpha) {
        alpha = score;
        if (alpha >= beta) break;
      }
    }
  }
  // A search's entry (depth 1 or more) of this decision is worth more: it stays.
  if (useTable && (e.generation != generation_ || e.depth <= 0)) {
    e.key = key;
    e.score = static_cast<std::int16_t>(ScoreToTT(best, ply));
    e.move = kNoMove;
    e.depth = 0;
    e.bound = best >= beta ? B_LOWER : best > alphaIn ? B_EXACT : B_UPPER;
    e.generation = generation_;
  }
  return best;
}

int Searcher::Search(int depth, int alpha, int beta, int ply, bool pv) {
  if (depth <= 0) return Quiesce(alpha, beta, ply, 0);
  __builtin_prefetch(&tt_[b_.Key() & (kTTEntries - 1)]);  // read below, after the tests
  if ((++nodes_ & 1023) == 0) CheckLimits();
  if (aborted_) return 0;
  if (KingCapturable()) return kMate - ply;
  int rep;
  if (RepetitionScore(ply, rep)) return rep;
  if (ply >= kMaxPly) return Evaluate(b_, *params_);

  const std::uint64_t key = b_.Key();
  TTEntry& e = tt_[key & (kTTEntries - 1)];
  Move ttMove = kNoMove;
  if (e.key == key && e.generation == generation_ && e.bound != B_NONE) {
    ttMove = e.move;
    const int s = ScoreFromTT(e.score, ply);
    if (!pv && e.depth >= depth) {
      if (e.bound == B_EXACT || (e.bound == B_LOWER && s >= beta) ||
          (e.bound == B_UPPER && s <= alpha))
        return s;
    }
  }

  // Options tried by matches (DeepSearchOptions); level 4 itself uses none.
  bool futile = false;
  if ((options_.nullMove || options_.futility) && !pv && ply > 0 && !Threatened()) {
    const int stand = Evaluate(b_, *params_);
    if (options_.nullMove && depth >= 3 && stand >= beta && beta < kMateBound &&
        !b_.LastGaveCheck()) {
      Undo u;
      Push(kPass, u);
      const int score = -Search(depth - 3, -beta, -beta + 1, ply + 1, false);
      Pop(kPass, u);
      if (aborted_) return 0;
      if (score >= beta && score < kMateBound) return score;
    }
    if (options_.futility && depth <= 2 && alpha > -kMateBound &&
        stand + (depth == 1 ? 150 : 400) <= alpha)
      futile = true;
  }

  // The table's move first, then the captures of enemy pieces, then everything else: a cut
  // by one of the first often spares generating the drops.
  Move* moves = moves_[ply];
  int* scores = scores_[ply];
  const int alphaIn = alpha;
  int best = -kInf;
  Move bestMove = kNoMove;
  int tried = 0;
  const bool ttLegal = b_.IsLegal(ttMove);
  bool cut = false;
  // A move that surely leaves a king to the next seat gets the score its search would give
  // (the king taken at once) without being made.
  const Board::KingLeft left = Threatened() ? b_.KingLeftToNext() : Board::KingLeft{};

  // Searches one move; answers true on a cut.
  auto visit = [&](Move m, int order) {
    const bool quiet = IsQuiet(m);
    const int kind = IsDrop(m) ? 8 + MoveFrom(m) : TypeOf(b_.At(MoveFrom(m)));
    if (futile && quiet && tried > 0 && order < kOrderKiller * 1024) return false;
    int score;
    Undo u;
    const bool lost = left.Leaves(b_, m);
    int ext = 0;
    if (!lost) {
      FetchEntryAfter(m);  // read by the child
      Push(m, u);
      // A move that hands the turn to a checked seat is searched a ply deeper.
      ext = (b_.LastGaveCheck() && ply < 2 * rootDepth_ && depth <= 4) ? 1 : 0;
    }
    const int newDepth = depth - 1 + ext;
    if (lost) {
      ++leftLost_;
      score = -(kMate - ply - 1);
    } else if (tried == 0) {
      score = -Search(newDepth, -beta, -alpha, ply + 1, pv);
    } else {
      int r = 0;
      if (depth >= 3 && tried >= 3 && quiet && ext == 0 && order < kOrderKiller * 1024) {
        r = 1;
        if (tried >= 8 && depth >= 5) r = 2;
        if (options_.lateMoveTable) {
          r = static_cast<int>(std::log(depth) * std::log(tried) / 2);
          r = std::clamp(r, 1, depth - 2);
        }
      }
      score = -Search(newDepth - r, -alpha - 1, -alpha, ply + 1, false);
      if (score > alpha && r > 0) score = -Search(newDepth, -alpha - 1, -alpha, ply + 1, false);
      if (score > alpha && score < beta && pv)
        score = -Search(newDepth, -beta, -alpha, ply + 1, true);
    }
    if (!lost) Pop(m, u);
    ++tried;
    if (aborted_) return true;
    if (score > best) {
      best = score;
      bestMove = m;
      if (score > alpha) {
        alpha = score;
        if (alpha >= beta) {
          if (quiet) {
            if (killers_[ply][0] != m) {
              killers_[ply][1] = killers_[ply][0];
              killers_[ply][0] = m;
            }
            int& h = history_[b_.Side()][kind][MoveTo(m)];
            h += depth * depth;
            if (h > kHistoryMax) {
              for (auto& a : history_)
                for (auto& b : a)
                  for (int& c : b) c /= 2;
            }
          }
          return true;
        }
      }
    }
    return false;
  };

  if (ttLegal) cut = visit(ttMove, kOrderTable * 1024);
  int captures = 0;
  if (!cut) {
    const int n = captures = b_.GenerateCaptures(moves);
    OrderMoves(moves, scores, n, kNoMove, ply);
    bool sorted = false;
    for (int i = 0; i < n && !cut; ++i) {
      const int order = PickNext(moves, scores, i, n, sorted);
      if (sorted && i + 1 < n) FetchEntryAfter(moves[i + 1]);
      if (moves[i] != ttMove) cut = visit(moves[i], order);
    }
  }
  if (!cut) {
    int n = b_.GenerateNonCaptures(moves);
    if (n == 0 && captures == 0) {
      Undo u;
      Push(kPass, u);
      const int score = -Search(depth - 1, -beta, -alpha, ply + 1, pv);
      Pop(kPass, u);
      return score;
    }
    // The table's move was searched already.
    int kept = 0;
    for (int i = 0; i < n; ++i)
      if (moves[i] != ttMove) moves[kept++] = moves[i];
    n = kept;
    OrderMoves(moves, scores, n, kNoMove, ply);
    bool sorted = false;
    for (int i = 0; i < n && !cut; ++i) {
      const int order = PickNext(moves, scores, i, n, sorted);
      if (sorted && i + 1 < n) FetchEntryAfter(moves[i + 1]);
      cut = visit(moves[i], order);
    }
  }
  if (aborted_) return 0;

  e.key = key;
  e.score = static_cast<std::int16_t>(ScoreToTT(best, ply));
  e.move = bestMove;
  e.depth = static_cast<std::int8_t>(depth);
  e.bound = best >= beta ? B_LOWER : best > alphaIn ? B_EXACT : B_UPPER;
  e.generation = generation_;
  return best;
}

// The line the table holds from the root: the best move, then each position's table move
// while it is this decision's, legal, and the line neither took a king nor came back.
void Searcher::Report(const std::function<void(const DeepProgress&)>& progress, int depth,
                      Move best, int score) const {
  DeepProgress p;
  p.depth = depth;
  p.score = score;
  p.nodes = nodes_;
  p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  Board b = b_;
  std::uint64_t seen[kMaxPly];
  int len = 0;
  for (Move m = best; len < kMaxPly && m != kNoMove && b.IsLegal(m);) {
    const ChosenMove c = b.ToChosen(m);
    p.line.push_back(c);
    if (IsKingCode(c.captured)) break;
    Undo u;
    b.Make(m, u);
    const std::uint64_t key = b.Key();
    if (std::find(seen, seen + len, key) != seen + len) break;
    seen[len++] = key;
    const TTEntry& e = tt_[key & (kTTEntries - 1)];
    if (e.key != key || e.generation != generation_ || e.bound == B_NONE) break;
    m = e.move;
  }
  progress(p);
}

// Has the move that led the last iteration (scored `known` there) just been found lost
// where nothing was lost before? Then the iteration must see the others.
bool FailsLow(int score, int known) {
  return score < -kMateBound && known >= -kMateBound;
}

ChosenMove Searcher::Run(const GameState& s, int seat, const DeepLimits& limits, DeepStats* stats) {
  start_ = std::chrono::steady_clock::now();
  DeepStats st;
  if (!b_.Load(s, seat)) {
    GameState copy = s;
    copy.CurrentSeat = seat;
    st.fallback = true;
    if (stats) *stats = st;
    return SearchBestMove(copy, seat);
  }
  nodes_ = 0;
  leftLost_ = 0;
  nodeLimit_ = limits.nodes > 0 ? limits.nodes : 1;
  aborted_ = false;
  stop_ = limits.stop;
  maxSeconds_ = limits.maxSeconds;
  params_ = limits.eval ? limits.eval : &DefaultEvalParams();
  b_.SetKingWeights(params_->near);  // the board keeps the king zones' sums for Evaluate
  options_ = limits.options ? *limits.options : DeepSearchOptions{};
  // A new generation empties the table; only when the stamps run out is it cleared.
  if (++generation_ == 0) {
    std::memset(tt_.get(), 0, sizeof(TTEntry) * kTTEntries);
    generation_ = 1;
  }
  std::memset(killers_, 0, sizeof killers_);
  std::memset(history_, 0, sizeof history_);
  std::memset(historyBloom_, 0, sizeof historyBloom_);

  histLen_ = 0;
  if (limits.history) {
    const auto& h = *limits.history;
    const std::size_t first = h.size() > kMaxHistory ? h.size() - kMaxHistory : 0;
    for (std::size_t i = first; i < h.size(); ++i) {
      line_[histLen_++] = {h[i].key, static_cast<std::uint8_t>(h[i].seat), h[i].gaveCheck};
      historyBloom_[(h[i].key >> 6) & 63] |= std::uint64_t{1} << (h[i].key & 63);
    }
  }
  lineLen_ = histLen_;
  reversibleFrom_ = 0;

  Move* const roots = rootMoves_;
  const int n = b_.Generate(roots);
  ChosenMove chosen;
  if (n == 0) {
    if (stats) *stats = st;
    return chosen;  // no move: the seat passes
  }
  // A king to take ends the game at once.
  for (int i = 0; i < n; ++i)
    if (!IsDrop(roots[i]) && TypeOf(b_.At(MoveTo(roots[i]))) == T_OU &&
        TeamOf(SeatOf(b_.At(MoveTo(roots[i])))) != TeamOf(seat)) {
      chosen = b_.ToChosen(roots[i]);
      chosen.score = kMate;
      st.score = kMate;
      if (stats) *stats = st;
      return chosen;
    }

  OrderMoves(roots, rootOrder_, n, kNoMove, 0);
  bool sorted = false;
  for (int i = 0; i < n; ++i) PickNext(roots, rootOrder_, i, n, sorted);

  Move best = roots[0];
  int bestScore = 0;
  const std::uint64_t budget = nodeLimit_;
  bool extended = false;  // the budget was given once more
  for (int depth = 1; depth <= kMaxDepth; ++depth) {
    rootDepth_ = depth;
    int alpha = -kInf;
    const int beta = kInf;
    Move iterBest = kNoMove;
    int iterScore = -kInf;
    const int known = bestScore;  // the last iteration's best (0 before the first)
    int searched = 0;
    for (int i = 0; i < n; ++i) {
      const Move m = roots[i];
      Undo u;
      Push(m, u);
      const int ext = b_.LastGaveCheck() && depth <= 4 ? 1 : 0;
      int score;
      if (i == 0 && options_.aspiration && depth >= 4 && known > -kMateBound &&
          known < kMateBound) {
        // The leading move in a window around the last score, searched again in full when
        // its score falls outside.
        const int lo = known - 50, hi = known + 50;
        score = -Search(depth - 1 + ext, -hi, -lo, 1, true);
        if (!aborted_ && (score <= lo || score >= hi))
          score = -Search(depth - 1 + ext, -beta, -alpha, 1, true);
      } else if (i == 0) {
        score = -Search(depth - 1 + ext, -beta, -alpha, 1, true);
      } else {
        score = -Search(depth - 1 + ext, -alpha - 1, -alpha, 1, false);
        if (score > alpha && !aborted_) score = -Search(depth - 1 + ext, -beta, -alpha, 1, true);
      }
      Pop(m, u);
      if (aborted_) break;
      ++searched;
      if (score > iterScore) {
        iterScore = score;
        iterBest = m;
        if (score > alpha) alpha = score;
      }
      // The move that led is now found lost where it was not before: the other moves get
      // this iteration's time, the budget once more at most (counted in nodes, so that the
      // choice stays the same on every machine).
      if (i == 0 && n > 1 && !extended && FailsLow(score, known)) {
        extended = true;
        nodeLimit_ = budget > UINT64_MAX / 2 ? UINT64_MAX : 2 * budget;
      }
    }
    if (iterBest != kNoMove) {
      // A finished iteration, or the moves searched before the budget ran out.
      best = iterBest;
      bestScore = iterScore;
    }
    if (aborted_) {
      // A move found lost is never played while a move not yet searched may hold: the one
      // the search had reached takes its place, with what the last iteration knew.
      if (searched < n && bestScore < -kMateBound && known >= -kMateBound) {
        best = roots[searched];
        bestScore = known;
      }
      break;
    }
    st.depth = depth;
    if (limits.progress && *limits.progress) Report(*limits.progress, depth, best, bestScore);
    // The best move leads the next iteration; the others keep their order.
    for (int i = 0; i < n; ++i)
      if (roots[i] == best) {
        for (int j = i; j > 0; --j) roots[j] = roots[j - 1];
        roots[0] = best;
        break;
      }
    if (bestScore > kMateBound || bestScore < -kMateBound) break;  // decided
    if (n == 1 && depth >= 2) break;
    // The extra nodes served the iteration that needed them; the next runs on the budget.
    if (extended && nodeLimit_ != budget) {
      nodeLimit_ = budget;
      if (nodes_ >= budget) break;
    }
  }
  chosen = b_.ToChosen(best);
  chosen.score = bestScore;
  st.nodes = nodes_;
  st.leftLost = leftLost_;
  st.score = bestScore;
  st.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (stats) *stats = st;
  return chosen;
}

}  // namespace

struct DeepThinker::Impl {
  Searcher searcher;
};

DeepThinker::DeepThinker() : impl_(std::make_unique<Impl>()) {}
DeepThinker::~DeepThinker() = default;
DeepThinker::DeepThinker(DeepThinker&&) noexcept = default;
DeepThinker& DeepThinker::operator=(DeepThinker&&) noexcept = default;

ChosenMove DeepThinker::Choose(const GameState& s, int seat, const DeepLimits& limits,
                               DeepStats* stats) {
  return impl_->searcher.Run(s, seat, limits, stats);
}

ChosenMove SearchDeep(const GameState& s, int seat, const DeepLimits& limits, DeepStats* stats) {
  static thread_local std::unique_ptr<DeepThinker> thinker;
  if (!thinker) thinker = std::make_unique<DeepThinker>();
  return thinker->Choose(s, seat, limits, stats);
}

std::uint64_t DeepPositionKey(const GameState& s, int seat) {
  Board b;
  if (!b.Load(s, seat)) return 0;
  return b.Key();
}

}  // namespace korvel
