// The fast search. It answers exactly what the plain search answers (search_plain),
// including the caches it leaves behind, but avoids the two costs that do not change any
// answer:
//  - the full attack maps per candidate: the scoring reads a handful of squares, so those
//    are counted on demand (attack_probe.h); the maps are built only where the mate test
//    needs them, and once at the end, so that the maps left are those of the last candidate;
//  - the rook scan of ChecksPartner per destination: with the moving piece lifted, which
//    rooks reach the partner's king depends on the origin alone.
// The reasoning holds when each king is on the board exactly once (then every KingPos the
// scoring reads is the king's true square, whoever refreshes it) and the seat searched is
// CurrentSeat. Other positions go to the plain search.
#include "ai/search.h"

#include <cstring>

#include "ai/attack_probe.h"
#include "ai/evaluation_impl.h"
#include "ai/search_plain.h"
#include "game/attack_maps.h"

namespace korvel {

namespace {

// Attacks of the trial position counted square by square until the mate test wants the
// whole maps; from then on, within one evaluation, the maps are read. For a drop on B two
// facts spare most counting: nobody's count on B itself changes (the dropped piece does
// not attack its own square, and rays that reached B still do), and the other seats'
// counts can only fall (the piece blocks their rays and adds none of theirs).
struct ProbedAttacks {
  const AttackTable& before;
  int mover;
  bool drop;
  int bx, by;
  bool built = false;

  void Build(GameState& s) {
    if (!built) ComputeAttackMaps(s);
    built = true;
  }
  int Count(const GameState& s, int seat, int x, int y) const {
    if (built) return s.Caches().AttackMap[seat][x][y];
    if (drop) {
      if (x == bx && y == by) return before[seat][x][y];
      if (seat != mover && OnBoard(x, y) && before[seat][x][y] == 0) return 0;
    }
    return CountAttacks(s, seat, x, y);
  }
  bool Attacked(const GameState& s, int a, int b, int x, int y) const {
    if (built) return s.Caches().AttackMap[a][x][y] > 0 || s.Caches().AttackMap[b][x][y] > 0;
    if (drop) {
      if (x == bx && y == by) return before[a][x][y] > 0 || before[b][x][y] > 0;
      if (a != mover && b != mover && OnBoard(x, y) && before[a][x][y] == 0 && before[b][x][y] == 0)
        return false;
    }
    return AttackedByEither(s, a, b, x, y);
  }
  int AttackedOpponent(GameState& s, int seat) const {
    if (seat < 1 || seat > 4) return NO_SEAT;
    for (int opponent : {FirstOpponent(seat), SecondOpponent(seat)}) {
      const Square k = s.Caches().KingPos[opponent];
      if (Attacked(s, seat, seat, k.x, k.y)) return opponent;
    }
    return NO_SEAT;
  }
  bool IsMate(GameState& s, int p, int q) {
    if (p < 1 || p > 4 || q < 1 || q > 4) return false;
    Build(s);
    return korvel::IsMate(s, p, q);
  }
};

bool EachKingOnceOnBoard(const GameState& s) {
  int kings[5] = {};
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (IsKingCode(s.Board[x][y])) ++kings[SeatOfCode(s.Board[x][y])];
  return kings[1] == 1 && kings[2] == 1 && kings[3] == 1 && kings[4] == 1;
}

class FastSearch {
 public:
  FastSearch(GameState& s, int seat) : s_(s), seat_(seat) {}

  ChosenMove Run() {
    UpdatePawnLines(s_);
    ComputeAttackMaps(s_);
    FindKing(s_, 35_pc);
    FindKing(s_, 15_pc);
    FindKing(s_, 45_pc);
    FindKing(s_, 25_pc);
    std::memcpy(attackBefore_, s_.Caches().AttackMap, sizeof attackBefore_);
    ctx_.AttackBefore = &attackBefore_;
    ctx_.PartnerKing = PartnerKingPos(s_, seat_);
    partner_ = s_.Caches().KingPos[PartnerOf(seat_)];

    if (BoardMoves() && HandTotal(s_, seat_) > 0) Drops();
    LeaveMapsOfLastCandidate();
    return best_;
  }

 private:
  // The last candidate scored, as it stood on the board.
  struct Trial {
    bool any = false;
    int fx, fy, tx, ty;
    PieceCode before, placed;
    bool mapsBuilt;
  };

  // ChecksPartner splits in two. Its rook scan, with the moving piece lifted from its
  // origin (none for a drop) and the king's square emptied, depends on the origin alone...
  bool RooksReachPartner(bool lift, int fx, int fy) {
    const PieceCode rook = Code(seat_, SYA), dragon = Code(seat_, SYA, true);
    Lifted lifted(s_, lift, fx, fy, partner_);
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y) {
        const PieceCode c = s_.Board[x][y];
        if ((c == rook || c == dragon) && CanMove(s_, x, y, partner_.x, partner_.y, c)) return true;
      }
    return false;
  }

  // ...and the rest looks at the moving piece on its destination.
  bool LandsOnOrAttacksPartner(bool lift, int fx, int fy, int tx, int ty, PieceCode moving) {
    if (tx == partner_.x && ty == partner_.y) return true;
    Lifted lifted(s_, lift, fx, fy, partner_);
    return CanMove(s_, tx, ty, partner_.x, partner_.y, moving);
  }

  // Empties the origin (when lifting) and the partner's king square for as long as it lives.
  class Lifted {
   public:
    Lifted(GameState& s, bool lift, int fx, int fy, Square king)
        : s_(s), lift_(lift), fx_(fx), fy_(fy), king_(king) {
      if (lift_) {
        origin_ = s_.Board[fx_][fy_];
        s_.Board[fx_][fy_] = EMPTY;
      }
      atKing_ = s_.Board[king_.x][king_.y];
      s_.Board[king_.x][king_.y] = EMPTY;
    }
    ~Lifted() {
      s_.Board[king_.x][king_.y] = atKing_;
      if (lift_) s_.Board[fx_][fy_] = origin_;
    }
    Lifted(const Lifted&) = delete;
    Lifted& operator=(const Lifted&) = delete;

   private:
    GameState& s_;
    bool lift_;
    int fx_, fy_;
    Square king_;
    PieceCode origin_, atKing_;
  };

  double Evaluate(PieceCode captured, PieceCode placed, int fx, int fy, int tx, int ty) {
    ProbedAttacks attacks{attackBefore_, seat_, IsHandX(fx), tx, ty};
    const double score =
        eval_detail::EvaluateMoveWith(s_, ctx_, attacks, captured, placed, fx, fy, tx, ty);
    last_ = {true, fx, fy, tx, ty, ctx_.TrialPiece, placed, attacks.built};
    return score;
  }

  void Take(double score, int fx, int fy, int tx, int ty, PieceCode before, PieceCode placed,
            PieceCode captured) {
    best_ = {{fx, fy, tx, ty, before, placed}, true, captured, score};
  }

  // Answers false when a king was taken and the search ends.
  bool BoardMoves() {
    const PieceCode low = Code(seat_, HU), high = Code(seat_, OU);
    for (int fx = 1; fx <= 9; ++fx)
      for (int fy = 1; fy <= 9; ++fy) {
        const PieceCode piece = s_.Board[fx][fy];
        if (!(low <= piece && piece <= high)) continue;
        if (RooksReachPartner(true, fx, fy)) continue;  // every move of this piece is refused
        // Pawns, silvers, golds and kings move to neighbours only; the rest are tried
        // everywhere.
        const probe_detail::PieceReach& reach = probe_detail::ReachOf(piece);
        const bool steps = reach.steps != 0 && !reach.slides;
        const int x0 = steps ? (fx > 1 ? fx - 1 : 1) : 1, x1 = steps ? (fx < 9 ? fx + 1 : 9) : 9;
        const int y0 = steps ? (fy > 1 ? fy - 1 : 1) : 1, y1 = steps ? (fy < 9 ? fy + 1 : 9) : 9;
        const bool dragon = reach.slides && piece.IsPromoted();
        for (int tx = x0; tx <= x1; ++tx)
          for (int ty = y0; ty <= y1; ++ty) {
            // A rook keeps to its row and column; a dragon also steps to its neighbours.
            if (reach.slides && tx != fx && ty != fy &&
                !(dragon && tx - fx <= 1 && fx - tx <= 1 && ty - fy <= 1 && fy - ty <= 1))
              continue;
            if (!CanMove(s_, fx, fy, tx, ty, piece) ||
                LandsOnOrAttacksPartner(true, fx, fy, tx, ty, piece))
              continue;
            if (!TryBoardMove(fx, fy, tx, ty, piece)) return false;
          }
      }
    return true;
  }

  bool TryBoardMove(int fx, int fy, int tx, int ty, PieceCode trial) {
    ctx_.TrialPiece = trial;
    const PieceCode captured = s_.Board[tx][ty];
    s_.Board[fx][fy] = EMPTY;
    s_.Board[tx][ty] = trial;
    // The king is on the board once, so FindKing finds it where it lands.
    const bool king = IsKingCode(trial);
    const int kingSeat = SeatOfCode(trial);
    const Square savedKing = s_.Caches().KingPos[kingSeat];
    if (king) FindKing(s_, trial);

    PieceCode promoted;
    double score;
    PieceCode placed = trial;
    if (!CanPromote(fx, fy, tx, ty, trial, &promoted)) {
      score = Evaluate(captured, trial, fx, fy, tx, ty);
    } else if (!MayStayUnpromoted(tx, ty, trial)) {
      s_.Board[tx][ty] = promoted;
      score = Evaluate(captured, promoted, fx, fy, tx, ty);
      placed = promoted;
    } else {
      score = Evaluate(captured, trial, fx, fy, tx, ty);
      s_.Board[tx][ty] = promoted;
      const double promotedScore = Evaluate(captured, promoted, fx, fy, tx, ty);
      if (promotedScore > score) {
        score = promotedScore;
        placed = promoted;
      }
    }

    if (king) RestoreKingSquare(s_, kingSeat, savedKing);
    s_.Board[tx][ty] = captured;
    s_.Board[fx][fy] = trial;

    if (score > best_.score) Take(score, fx, fy, tx, ty, trial, placed, captured);
    return !IsKingCode(captured);
  }

  void Drops() {
    if (RooksReachPartner(false, 0, 0)) return;  // every drop is refused
    for (int k = 1; k <= 4; ++k) {
      const DropSlot d = DropOrder(seat_, k);
      if (s_.Hand[seat_][d.slot] <= 0) continue;
      const PieceCode trial = HandCellCode(d.handX, d.row);
      ctx_.TrialPiece = trial;
      for (int tx = 1; tx <= 9; ++tx)
        for (int ty = 1; ty <= 9; ++ty) {
          if (!s_.Board[tx][ty].IsEmpty() || !CanMove(s_, d.handX, d.row, tx, ty, trial) ||
              LandsOnOrAttacksPartner(false, 0, 0, tx, ty, trial))
            continue;
          s_.Board[tx][ty] = trial;
          const double score = Evaluate(EMPTY, trial, d.handX, d.row, tx, ty);
          s_.Board[tx][ty] = EMPTY;
          if (score > best_.score) {
            Take(score, d.handX, d.row, tx, ty, trial, trial, EMPTY);
            if (best_.score >= 9998) return;
          }
        }
    }
  }

  // The plain search rebuilds the maps for every candidate, and later readers may see
  // them: leave the last candidate's maps, and KingPos as that search leaves it.
  void LeaveMapsOfLastCandidate() {
    if (!last_.any || last_.mapsBuilt) return;
    Square kings[5];
    std::memcpy(kings, s_.Caches().KingPos, sizeof kings);
    const bool drop = IsHandX(last_.fx);
    const PieceCode captured = s_.Board[last_.tx][last_.ty];
    if (!drop) s_.Board[last_.fx][last_.fy] = EMPTY;
    s_.Board[last_.tx][last_.ty] = last_.placed;
    ComputeAttackMaps(s_);
    s_.Board[last_.tx][last_.ty] = captured;
    if (!drop) s_.Board[last_.fx][last_.fy] = last_.before;
    for (int seat = 1; seat <= 4; ++seat) RestoreKingSquare(s_, seat, kings[seat]);
  }

  GameState& s_;
  const int seat_;
  AttackTable attackBefore_;
  EvalContext ctx_;
  Square partner_;
  ChosenMove best_;  // score -99999 until a candidate is taken
  Trial last_;
};

}  // namespace

ChosenMove SearchBestMove(GameState& s, int seat) {
  if (seat < 1 || seat > 4 || s.CurrentSeat != seat || !EachKingOnceOnBoard(s))
    return SearchBestMovePlain(s, seat);
  return FastSearch(s, seat).Run();
}

}  // namespace korvel
