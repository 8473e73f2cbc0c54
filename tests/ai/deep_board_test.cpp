// The deep search's board against the game's rule functions: the same legal moves, the same
// turn hand-off, and make/undo that restores every bit of the position.
#include "ai/deep_board.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ai/deep_eval.h"
#include "ai/deep_search.h"
#include "ai/self_play.h"
#include "ai_positions.h"
#include "deep_reference.h"
#include "random_positions.h"

namespace korvel {
namespace {

using deep::Board;
using deep::Move;
using testing::GameMove;

std::set<GameMove> EngineMoves(const Board& b) {
  Move moves[deep::kMaxMoves];
  const int n = b.Generate(moves);
  std::set<GameMove> out;
  for (int i = 0; i < n; ++i) {
    const bool fresh = out.insert(testing::AsGameMove(b.ToChosen(moves[i]))).second;
    EXPECT_TRUE(fresh) << "move generated twice";
  }
  EXPECT_EQ(out.size(), static_cast<size_t>(n));
  return out;
}

// A played opening: the start, then `seed`'s six scrambled turns.
GameState ScrambledOpening(std::uint64_t seed) {
  GameState s;
  StartSelfPlay(s, 3);
  ScrambleOpening(s, seed, 6);
  return s;
}

// A random move for a walk, one that takes no king so that the walk goes on; kNoMove when
// the seat has none.
Move RandomWalkMove(const Board& b, testing::Lcg& r) {
  Move moves[deep::kMaxMoves];
  const int n = b.Generate(moves);
  if (n == 0) return deep::kNoMove;
  int pick = r.Below(n);
  for (int tries = 0; tries < n && !deep::IsDrop(moves[pick]) &&
                      deep::TypeOf(b.At(deep::MoveTo(moves[pick]))) == deep::T_OU;
       ++tries)
    pick = (pick + 1) % n;
  return moves[pick];
}

// Positions with kings anywhere, every kind of piece, full hands: the generator must agree
// with CanMove, ChecksPartner, the drop rules and the promotion rules move for move.
TEST(DeepBoard, LegalMovesMatchTheRulesOnRandomPositions) {
  int compared = 0;
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    GameState s = testing::RandomPosition(seed);
    Board b;
    if (!b.Load(s, s.CurrentSeat)) continue;
    ++compared;
    ASSERT_EQ(EngineMoves(b), testing::RuleMoves(s)) << "seed " << seed;
  }
  EXPECT_GT(compared, 1000);
}

// Captures alone and checking drops are subsets of the legal moves with the right shape;
// the captures and the other moves, merged back, are the whole list in its order (the
// search orders them by their places in it).
TEST(DeepBoard, CapturesAndCheckingDropsAreLegalMovesOfTheirKind) {
  for (std::uint64_t seed = 1; seed <= 400; ++seed) {
    GameState s = testing::RandomPosition(seed);
    Board b;
    if (!b.Load(s, s.CurrentSeat)) continue;
    const std::set<GameMove> legal = EngineMoves(b);
    Move moves[deep::kMaxMoves];
    const int side = b.Side();
    int n = b.GenerateCaptures(moves);
    for (int i = 0; i < n; ++i) {
      EXPECT_TRUE(legal.count(testing::AsGameMove(b.ToChosen(moves[i]))));
      const std::uint8_t victim = b.At(deep::MoveTo(moves[i]));
      EXPECT_NE(victim, 0);
      EXPECT_NE(deep::SeatOf(victim), deep::Partner(side));
    }
    Move all[deep::kMaxMoves], others[deep::kMaxMoves];
    const int nAll = b.Generate(all);
    const int nOthers = b.GenerateNonCaptures(others);
    ASSERT_EQ(n + nOthers, nAll) << "seed " << seed;
    for (int i = 0; i < nOthers; ++i) {
      const std::uint8_t victim = deep::IsDrop(others[i]) ? 0 : b.At(deep::MoveTo(others[i]));
      EXPECT_TRUE(victim == 0 || deep::SeatOf(victim) == deep::Partner(side)) << "seed " << seed;
    }
    for (int i = 0, c = 0, o = 0; i < nAll; ++i) {
      const bool capture = c < n && all[i] == moves[c];
      ASSERT_TRUE(capture || (o < nOthers && all[i] == others[o])) << "seed " << seed;
      ++(capture ? c : o);
    }
    n = b.GenerateCheckingDrops(moves);
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(deep::IsDrop(moves[i]));
      EXPECT_TRUE(legal.count(testing::AsGameMove(b.ToChosen(moves[i]))));
      const std::uint8_t p = deep::MakePiece(side, deep::MoveFrom(moves[i]));
      const int to = deep::MoveTo(moves[i]);
      EXPECT_TRUE(b.PieceReaches(p, to, b.KingSq(deep::Next(side))) ||
                  b.PieceReaches(p, to, b.KingSq(deep::Prev(side))));
    }
  }
}

// The search asks at every node whether the seat to move can take a king: the answer must
// be whether its list of captures holds one, on random positions with every seat to move,
// and where the rules refuse the capture because of the partner's king (the taker opens a
// rook's line to it, or would reach it from the king's square).
TEST(DeepBoard, KingCaptureAnswersWhatTheCaptureListHolds) {
  auto listed = [](const Board& b) {
    Move moves[deep::kMaxMoves];
    const int n = b.GenerateCaptures(moves);
    for (int i = 0; i < n; ++i)
      if (deep::TypeOf(b.At(deep::MoveTo(moves[i]))) == deep::T_OU) return true;
    return false;
  };
  int yes = 0, no = 0;
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    const GameState s = testing::RandomPosition(seed);
    for (int seat = 1; seat <= 4; ++seat) {
      Board b;
      if (!b.Load(s, seat)) continue;
      const bool expected = listed(b);
      ASSERT_EQ(b.HasKingCapture(), expected) << "seed " << seed << " seat " << seat;
      ++(expected ? yes : no);
    }
  }
  EXPECT_GT(yes, 300);
  EXPECT_GT(no, 300);

  // SITA's gold beside HIDARI's king, SITA's rook behind the gold on UE's king's line.
  GameState s = testing::Parked(SITA);
  s.Board[1][1] = EMPTY;
  s.Board[5][1] = 35_pc;
  s.Board[5][3] = 13_pc;
  s.Board[5][5] = 14_pc;
  s.Board[1][9] = EMPTY;
  s.Board[6][3] = 25_pc;
  Board b;
  ASSERT_TRUE(b.Load(s, SITA));
  EXPECT_FALSE(b.HasKingCapture());
  s.Board[5][5] = EMPTY;  // no rook behind: the gold takes the king
  ASSERT_TRUE(b.Load(s, SITA));
  EXPECT_TRUE(b.HasKingCapture());
  // SITA's rook would take HIDARI's king on UE's king's row.
  s.Board[5][3] = EMPTY;
  s.Board[6][3] = EMPTY;
  s.Board[5][1] = EMPTY;
  s.Board[1][3] = 35_pc;
  s.Board[5][3] = 25_pc;
  s.Board[5][6] = 14_pc;
  ASSERT_TRUE(b.Load(s, SITA));
  EXPECT_FALSE(b.HasKingCapture());
  s.Board[3][3] = 31_pc;  // UE's pawn shuts the row
  ASSERT_TRUE(b.Load(s, SITA));
  EXPECT_TRUE(b.HasKingCapture());
}

// The search scores a move as lost without making it when KingLeftToNext says it leaves a
// king to the next seat: made, every such move must hand the turn to that seat with a king
// to take. Random positions with every seat to move, and random walks from played openings
// (where threats come from real armies); both must meet the rule often enough to count.
// The generator restricted to those squares' drops gives the rest of the moves unchanged.
TEST(DeepBoard, MovesSaidToLeaveAKingDoLeaveIt) {
  int active = 0, lost = 0, kept = 0;
  auto check = [&](Board& b, const std::string& where) {
    const Board::KingLeft left = b.KingLeftToNext();
    if (!left.active) return;
    ++active;
    const int next = deep::Next(b.Side());
    Move moves[deep::kMaxMoves];
    const int n = b.Generate(moves);
    // The search generates drops only on the squares that matter: the full list without
    // the other drops, in the same order.
    Move some[deep::kMaxMoves];
    const int m = b.Generate(some, &left.squares);
    std::vector<Move> expected, got(some, some + m);
    for (int i = 0; i < n; ++i)
      if (!deep::IsDrop(moves[i]) || left.squares.Has(deep::MoveTo(moves[i])))
        expected.push_back(moves[i]);
    ASSERT_EQ(got, expected) << where;
    for (int i = 0; i < n; ++i) {
      if (!left.Leaves(b, moves[i])) {
        ++kept;
        continue;
      }
      ++lost;
      deep::Undo u;
      const ChosenMove c = b.ToChosen(moves[i]);
      const std::string move = std::to_string(c.fromX) + "," + std::to_string(c.fromY) + "-" +
                               std::to_string(c.toX) + "," + std::to_string(c.toY);
      b.Make(moves[i], u);
      ASSERT_EQ(b.Side(), next) << where << " " << move;
      ASSERT_TRUE(b.HasKingCapture()) << where << " " << move;
      b.Unmake(moves[i], u);
    }
  };
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    const GameState s = testing::RandomPosition(seed);
    for (int seat = 1; seat <= 4; ++seat) {
      Board b;
      if (b.Load(s, seat)) check(b, "seed " + std::to_string(seed) + " seat " + std::to_string(seat));
    }
  }
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const GameState s = ScrambledOpening(seed);
    Board b;
    ASSERT_TRUE(b.Load(s, s.CurrentSeat));
    testing::Lcg r{seed};
    for (int ply = 0; ply < 120; ++ply) {
      check(b, "walk " + std::to_string(seed) + " ply " + std::to_string(ply));
      const Move m = RandomWalkMove(b, r);
      if (m == deep::kNoMove) break;
      deep::Undo u;
      b.Make(m, u);
    }
  }
  EXPECT_GT(active, 500);
  EXPECT_GT(lost, 5000);
  EXPECT_GT(kept, 1000);
  std::printf("positions with a king left to take: %d; moves scored lost: %d, searched: %d\n",
              active, lost, kept);
}

// Attacks (steps found among the square's neighbours, rook lines from the seat's rooks) is
// whether any single piece of the seat reaches the square, asked piece by piece.
TEST(DeepBoard, AttacksAgreeWithEachPieceAskedAlone) {
  int attacked = 0;
  for (std::uint64_t seed = 1; seed <= 200; ++seed) {
    GameState s = testing::RandomPosition(seed);
    Board b;
    if (!b.Load(s, s.CurrentSeat)) continue;
    for (int seat = 1; seat <= 4; ++seat)
      for (int sq = deep::Sq(1, 1); sq <= deep::Sq(9, 9); ++sq) {
        if (b.At(sq) == deep::kWall) continue;
        bool any = false;
        for (int from = 0; from < deep::kSquares; ++from) {
          const std::uint8_t p = b.At(from);
          if (p != 0 && p != deep::kWall && deep::SeatOf(p) == seat && from != sq)
            any = any || b.PieceReaches(p, from, sq);
        }
        attacked += any;
        ASSERT_EQ(b.Attacks(seat, sq), any) << "seed " << seed << " seat " << seat << " sq " << sq;
      }
  }
  EXPECT_GT(attacked, 10000);
}

// A move remembered from another position (the table, a killer) is tried only when legal:
// IsLegal must answer exactly membership of the generated list.
TEST(DeepBoard, IsLegalAgreesWithTheGenerator) {
  testing::Lcg r{99};
  for (std::uint64_t seed = 1; seed <= 300; ++seed) {
    GameState s = testing::RandomPosition(seed);
    Board b;
    if (!b.Load(s, s.CurrentSeat)) continue;
    Move moves[deep::kMaxMoves];
    const int n = b.Generate(moves);
    std::set<Move> legal(moves, moves + n);
    for (int i = 0; i < n; ++i) ASSERT_TRUE(b.IsLegal(moves[i]));
    // Neighbours of legal moves (other promotion, other origin) and arbitrary codes.
    for (int i = 0; i < 400; ++i) {
      Move m = static_cast<Move>(r.Next());
      if (i % 2 == 0 && n > 0) m = static_cast<Move>(moves[r.Below(n)] ^ (1 << r.Below(16)));
      ASSERT_EQ(b.IsLegal(m), legal.count(m) == 1) << "seed " << seed << " move " << m;
    }
  }
}

// Random games: every move made on the engine's board and, through ApplyMove and
// CheckedOpponent, on the game's state. Both must describe the same position and seat after
// every move, and undoing the whole walk must give back the start key by key.
TEST(DeepBoard, MakeAndUndoFollowThePlayedGameOverLongWalks) {
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    GameState s = ScrambledOpening(seed);
    Board b;
    ASSERT_TRUE(b.Load(s, s.CurrentSeat));
    const Board start = b;
    testing::Lcg r{seed};
    struct Step {
      Move m;
      deep::Undo u;
      std::uint64_t key;
    };
    std::vector<Step> steps;
    int plies = 0;
    for (int ply = 0; ply < 160; ++ply) {
      const Move m = RandomWalkMove(b, r);
      if (m == deep::kNoMove) break;
      const GameMove gm = testing::AsGameMove(b.ToChosen(m));
      if (ply % 16 == 0) {
        ASSERT_EQ(EngineMoves(b), testing::RuleMoves(s));
      }
      // The key a move gives when it hands the turn to the next seat, known before it is
      // made: every move of every fourth position, and the one walked.
      if (ply % 4 == 0) {
        Move all[deep::kMaxMoves];
        const int n = b.Generate(all);
        for (int i = 0; i < n; ++i) {
          const std::uint64_t toNext = b.KeyToNext(all[i]);
          const int seat = b.Side();
          deep::Undo u;
          b.Make(all[i], u);
          if (b.Side() == deep::Next(seat)) {
            ASSERT_EQ(b.Key(), toNext) << "seed " << seed;
          }
          b.Unmake(all[i], u);
        }
        const std::uint64_t passKey = b.KeyToNext(deep::kPass);
        deep::Undo u;
        b.Make(deep::kPass, u);
        ASSERT_EQ(b.Key(), passKey) << "seed " << seed;
        b.Unmake(deep::kPass, u);
      }
      const std::uint64_t toNext = b.KeyToNext(m);
      const int seat = b.Side();
      Step st{m, {}, b.Key()};
      b.Make(m, st.u);
      steps.push_back(st);
      if (b.Side() == deep::Next(seat)) {
        ASSERT_EQ(b.Key(), toNext) << "seed " << seed;
      }
      bool gaveCheck = false;
      ++plies;
      if (testing::PlayRuleMove(s, gm, &gaveCheck)) break;
      Board fresh;
      ASSERT_TRUE(fresh.Load(s, s.CurrentSeat));
      ASSERT_EQ(b.Side(), s.CurrentSeat) << "seed " << seed << " ply " << ply;
      ASSERT_EQ(b.Key(), fresh.Key()) << "seed " << seed << " ply " << ply;
      ASSERT_EQ(b.LastGaveCheck(), gaveCheck);
      ASSERT_EQ(b.Key(), DeepPositionKey(s, s.CurrentSeat));
    }
    EXPECT_GT(plies, 40) << "seed " << seed;
    while (!steps.empty()) {
      b.Unmake(steps.back().m, steps.back().u);
      ASSERT_EQ(b.Key(), steps.back().key);
      steps.pop_back();
    }
    for (int q = 0; q < deep::kSquares; ++q) ASSERT_EQ(b.At(q), start.At(q));
    for (int seat = 1; seat <= 4; ++seat) {
      ASSERT_EQ(b.KingSq(seat), start.KingSq(seat));
      for (int slot = 1; slot <= 4; ++slot) ASSERT_EQ(b.Hand(seat, slot), start.Hand(seat, slot));
    }
    ASSERT_EQ(b.Side(), start.Side());
  }
}

// What the board keeps through make/undo, counted again from its squares: each seat's piece
// and rook sets, the pieces by team and type, and each king's zone as the evaluation defines
// it. The evaluation from the kept sums must equal the square-by-square one.
void ExpectKeptStateMatchesTheSquares(const Board& b, const deep::EvalParams& p,
                                      const std::string& where) {
  using namespace deep;
  int count[2][9] = {};
  SquareSet pieces[5], sliders[5];
  for (int q = 0; q < kSquares; ++q) {
    const std::uint8_t pc = b.At(q);
    if (pc == 0 || pc == kWall) continue;
    ++count[TeamOf(SeatOf(pc))][TypeOf(pc)];
    pieces[SeatOf(pc)].Add(q);
    if (Board::Slides(pc)) sliders[SeatOf(pc)].Add(q);
  }
  for (int team = 0; team < 2; ++team)
    for (int type = T_HU; type <= T_RYU; ++type)
      ASSERT_EQ(b.Count(team, type), count[team][type]) << where << " team " << team;
  for (int seat = 1; seat <= 4; ++seat) {
    ASSERT_EQ(b.Pieces(seat).w[0], pieces[seat].w[0]) << where << " seat " << seat;
    ASSERT_EQ(b.Pieces(seat).w[1], pieces[seat].w[1]) << where << " seat " << seat;
    ASSERT_EQ(b.Sliders(seat).w[0], sliders[seat].w[0]) << where << " seat " << seat;
    ASSERT_EQ(b.Sliders(seat).w[1], sliders[seat].w[1]) << where << " seat " << seat;
    const int k = b.KingSq(seat);
    if (k == 0) continue;
    KingZone z{};
    for (int y = SqY(k) - 2; y <= SqY(k) + 2; ++y)
      for (int x = SqX(k) - 2; x <= SqX(k) + 2; ++x) {
        if (x < 1 || x > 9 || y < 1 || y > 9 || Sq(x, y) == k) continue;
        const std::uint8_t pc = b.At(Sq(x, y));
        const bool beside = std::abs(x - SqX(k)) <= 1 && std::abs(y - SqY(k)) <= 1;
        if (pc == 0) {
          z.empties += beside;
        } else if (TeamOf(SeatOf(pc)) != TeamOf(seat)) {
          z.attack[SeatOf(pc)] += p.near[TypeOf(pc)] * (beside ? 2 : 1);
        } else if (beside && TypeOf(pc) != T_OU) {
          ++z.defenders;
        }
      }
    const KingZone& kept = b.Zone(seat);
    for (int e = 1; e <= 4; ++e) ASSERT_EQ(kept.attack[e], z.attack[e]) << where << " king " << seat;
    ASSERT_EQ(kept.defenders, z.defenders) << where << " king " << seat;
    ASSERT_EQ(kept.empties, z.empties) << where << " king " << seat;
  }
  ASSERT_EQ(Evaluate(b, p), EvaluateByScan(b, p)) << where;
}

// Random walks of makes and undos (kings taken too, then taken back) from played and random
// positions, with the default weights and with weights of every size: after every step the
// kept state is what the squares say. Weights the board was not given are evaluated square
// by square.
TEST(DeepBoard, KeptCountsAndZonesFollowMakeAndUndo) {
  testing::Lcg r{2026};
  deep::EvalParams odd;
  for (int& v : odd.near) v = r.Below(301) - 150;
  for (int& v : odd.board) v = r.Below(4001) - 2000;
  odd.defender = 37;
  int steps = 0, kingsTaken = 0;
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    GameState s;
    if (seed % 2 == 0) {
      s = testing::RandomPosition(seed);
    } else {
      StartSelfPlay(s, 3);
      ScrambleOpening(s, seed, 8);
      PlaySelfPlay(s, static_cast<int>(seed % 5) * 8);
    }
    Board b;
    if (!b.Load(s, s.CurrentSeat)) continue;
    const deep::EvalParams& p = seed % 3 == 0 ? odd : deep::DefaultEvalParams();
    b.SetKingWeights(p.near);
    const std::string start = "seed " + std::to_string(seed);
    ExpectKeptStateMatchesTheSquares(b, p, start);
    if (&p == &odd) {
      EXPECT_EQ(deep::Evaluate(b, deep::DefaultEvalParams()),
                deep::EvaluateByScan(b, deep::DefaultEvalParams()));
    }
    struct Step {
      Move m;
      deep::Undo u;
    };
    std::vector<Step> line;
    for (int i = 0; i < 200; ++i) {
      const std::string where = start + " step " + std::to_string(i);
      Move moves[deep::kMaxMoves];
      const int n = b.Generate(moves);
      if (!line.empty() && (n == 0 || r.Below(10) < 3)) {
        b.Unmake(line.back().m, line.back().u);
        line.pop_back();
      } else {
        const Move m = n == 0 ? deep::kPass : moves[r.Below(n)];
        const bool king = !deep::IsDrop(m) && m != deep::kPass &&
                          deep::TypeOf(b.At(deep::MoveTo(m))) == deep::T_OU;
        line.push_back({m, {}});
        b.Make(m, line.back().u);
        if (king) {
          ++kingsTaken;
          ExpectKeptStateMatchesTheSquares(b, p, where + " (king taken)");
          b.Unmake(m, line.back().u);
          line.pop_back();
        }
      }
      ++steps;
      ExpectKeptStateMatchesTheSquares(b, p, where);
    }
  }
  EXPECT_GT(steps, 5000);
  EXPECT_GT(kingsTaken, 5);
}

std::uint64_t Perft(Board& b, int depth) {
  if (depth == 0) return 1;
  Move moves[deep::kMaxMoves];
  const int n = b.Generate(moves);
  std::uint64_t total = 0;
  for (int i = 0; i < n; ++i) {
    deep::Undo u;
    const bool king =
        !deep::IsDrop(moves[i]) && deep::TypeOf(b.At(deep::MoveTo(moves[i]))) == deep::T_OU;
    b.Make(moves[i], u);
    total += king ? 1 : Perft(b, depth - 1);
    b.Unmake(moves[i], u);
  }
  return total;
}

std::uint64_t RulePerft(const GameState& s, int depth) {
  if (depth == 0) return 1;
  std::uint64_t total = 0;
  for (const GameMove& m : testing::RuleMoves(s)) {
    GameState next = s;
    total += testing::PlayRuleMove(next, m) ? 1 : RulePerft(next, depth - 1);
  }
  return total;
}

// Move-path counts from fixed positions, the rules' count beside the engine's.
TEST(DeepBoard, PerftCountsAgreeWithTheRules) {
  GameState s;
  StartSelfPlay(s, 3);
  Board b;
  ASSERT_TRUE(b.Load(s, SITA));
  const std::uint64_t initial[] = {1, Perft(b, 1), Perft(b, 2), Perft(b, 3)};
  for (int d = 1; d <= 3; ++d) EXPECT_EQ(initial[d], RulePerft(s, d)) << "depth " << d;
  EXPECT_EQ(initial[3], 729u);

  GameState mid;
  StartSelfPlay(mid, 3);
  ScrambleOpening(mid, 7, 24);
  PlaySelfPlay(mid, 30);
  ASSERT_FALSE(mid.GameOver);
  ASSERT_TRUE(b.Load(mid, mid.CurrentSeat));
  for (int d = 1; d <= 2; ++d) EXPECT_EQ(Perft(b, d), RulePerft(mid, d)) << "depth " << d;
  EXPECT_EQ(Perft(b, 2), 5574u);
  EXPECT_EQ(Perft(b, 3), 185914u);
}

TEST(DeepBoard, PositionsOutsideTheEngineAreRefused) {
  GameState s;
  StartSelfPlay(s, 3);
  Board b;
  EXPECT_TRUE(b.Load(s, SITA));
  s.Board[5][5] = 13.5_pc;  // a "promoted gold" no move rule knows
  EXPECT_FALSE(b.Load(s, SITA));
  s.Board[5][5] = EMPTY;
  s.Board[5][1] = EMPTY;  // UE's king gone
  EXPECT_FALSE(b.Load(s, SITA));
  s.Board[5][1] = 35_pc;
  s.Board[5][5] = 35_pc;  // and now twice
  EXPECT_FALSE(b.Load(s, SITA));
}

}  // namespace
}  // namespace korvel
