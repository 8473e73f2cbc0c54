#include "game/check.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/apply_move.h"
#include "game/attack_maps.h"
#include "game/movement.h"
#include "positions.h"

namespace korvel {
namespace {

using testing::FromGrid;
using testing::SameState;
using testing::TableText;

struct Edit {
  int x, y;
  PieceCode code;
};

GameState WithEdits(const char* grid, const std::vector<Edit>& edits) {
  GameState s = FromGrid(grid);
  for (const Edit& e : edits) s.Board[e.x][e.y] = e.code;
  FindAllKings(s);
  UpdatePawnLines(s);
  return s;
}

// Four kings in the middle of their edges.
constexpr const char* kFourKings = R"(
  . . . . 35 . . . .
  . . . . . . . . .
  . . . . . . . . .
  . . . . . . . . .
  25 . . . . . . . 45
  . . . . . . . . .
  . . . . . . . . .
  . . . . . . . . .
  . . . . 15 . . . .
)";

TEST(CheckedOpponent, WhoIsInCheckAfterAMove) {
  struct Case {
    const char* name;
    std::vector<Edit> edits;  // onto kFourKings
    int x, y, seat, expected;
  };
  const Case cases[] = {
      {"SITA's rook reaches both opponents: HIDARI first", {{5, 5, 14_pc}}, 5, 5, SITA, HIDARI},
      {"HIDARI's rook: UE before SITA", {{5, 5, 24_pc}}, 5, 5, HIDARI, UE},
      {"UE's rook: MIGI before HIDARI", {{5, 5, 34_pc}}, 5, 5, UE, MIGI},
      {"MIGI's rook: SITA before UE", {{5, 5, 44_pc}}, 5, 5, MIGI, SITA},
      {"only the second opponent", {{5, 5, 14_pc}, {3, 5, 31_pc}}, 5, 5, SITA, MIGI},
      {"UE's silver uncovers its rook", {{9, 2, 34_pc}, {8, 2, 32_pc}}, 8, 2, UE, MIGI},
      {"UE's silver in the rook's line", {{9, 2, 34_pc}, {9, 3, 32_pc}}, 9, 3, UE, UE},
      {"a promoted rook uncovered", {{5, 3, 44.5_pc}, {4, 7, 43_pc}}, 4, 7, MIGI, SITA},
      {"a pawn step", {{9, 6, 11_pc}}, 9, 6, SITA, MIGI},
      {"a king gives check too", {{5, 8, 45_pc}, {9, 5, EMPTY}}, 5, 8, MIGI, SITA},
      {"the partner's pieces are not looked at", {{5, 5, 34_pc}, {7, 7, 11_pc}}, 7, 7, SITA, SITA},
      {"no check: the mover's own seat", {{7, 7, 13_pc}}, 7, 7, SITA, SITA},
      {"no seat gives no opponent", {{7, 7, 13_pc}}, 7, 7, NO_SEAT, NO_SEAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameState s = WithEdits(kFourKings, c.edits);
    EXPECT_EQ(CheckedOpponent(s, c.x, c.y, c.seat), c.expected);
  }
}

TEST(ChecksPartner, AttacksOnThePartnersKingAreRefused) {
  // UE's king up the file of SITA's rook, SITA's silver in between; UE's rook one step from
  // the row of SITA's king; HIDARI's rook off the row between HIDARI's and MIGI's kings.
  constexpr const char* board = R"(
    . . . . 35 . . . .
    . . . . . . . . .
    . . 24 . . . . . .
    . . . . . . . . .
    . . . . 12 . . . .
    25 . . . . . . . 45
    . . . . . . . . .
    . . 21 . 14 . . . 34
    . . . . 15 . . . .
  )";
  struct Case {
    const char* name;
    int seat, fromX, fromY, toX, toY;
    bool refused;
  };
  const Case cases[] = {
      {"the silver leaves the rook's line to UE's king", SITA, 5, 5, 4, 4, true},
      {"the silver moving along the line is still not counted as blocking", SITA, 5, 5, 5, 4, true},
      {"the rook leaves the file", SITA, 5, 8, 4, 8, false},
      {"SITA's king steps where HIDARI's pawn takes it: its own risk", SITA, 5, 9, 4, 8, false},
      {"a gold dropped under UE's king", SITA, 11, 8, 5, 2, true},
      {"a pawn dropped under UE's king", SITA, 11, 6, 5, 2, true},
      {"a gold dropped elsewhere", SITA, 11, 8, 6, 3, false},
      {"UE's rook onto the row of SITA's king", UE, 9, 8, 9, 9, true},
      {"UE's rook elsewhere", UE, 9, 8, 7, 8, false},
      {"HIDARI's rook onto the row of MIGI's king", HIDARI, 3, 3, 3, 6, true},
      {"HIDARI's rook elsewhere", HIDARI, 3, 3, 3, 4, false},
      {"MIGI's gold dropped in front of HIDARI's king", MIGI, 11, 2, 2, 6, true},
      {"MIGI's gold dropped diagonally in front of it", MIGI, 11, 2, 2, 7, true},
      {"MIGI's gold dropped one step further", MIGI, 11, 2, 3, 6, false},
      {"no seat to move", NO_SEAT, 5, 5, 4, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameState s = FromGrid(board);
    s.CurrentSeat = c.seat;
    const GameState before = s;
    EXPECT_EQ(ChecksPartner(s, c.fromX, c.fromY, c.toX, c.toY), c.refused);
    EXPECT_TRUE(SameState(s, before)) << TableText(s.Board);
  }

  // The unpromoted code is tested: a pawn beside the king's file is no threat, although as
  // a TO on the same square it would be.
  GameState s = WithEdits(kFourKings, {{4, 3, 11_pc}});
  s.CurrentSeat = SITA;
  EXPECT_FALSE(ChecksPartner(s, 4, 3, 4, 2));
  EXPECT_TRUE(CanMove(s, 4, 2, 5, 1, 11.5_pc));
}

TEST(ChecksPartner, TakingThePartnersKingIsRefusedForEveryKind) {
  for (int seat = 1; seat <= 4; ++seat) {
    // Every kind, from squares it could or could not reach the king from, and every hand
    // cell of the seat (CanMove refuses a drop on a king anyway; this test must too).
    std::vector<std::pair<Square, PieceCode>> origins;
    for (int kind = HU; kind <= OU; ++kind)
      for (bool promoted : {false, true})
        if (!promoted || kind == HU || kind == GIN || kind == SYA)
          for (Square from : {Square{5, 6}, Square{5, 4}, Square{4, 5}, Square{6, 6}})
            origins.push_back({from, Code(seat, kind, promoted)});
    for (int slot = 1; slot <= 4; ++slot) origins.push_back({HandCellOf(seat, slot), EMPTY});
    for (const auto& [from, code] : origins) {
      GameState s;
      s.Board[5][5] = KingCode(PartnerOf(seat));
      if (OnBoard(from.x, from.y)) s.Board[from.x][from.y] = code;
      FindAllKings(s);
      s.CurrentSeat = seat;
      const GameState before = s;
      EXPECT_TRUE(ChecksPartner(s, from.x, from.y, 5, 5))
          << code.ToString() << " from " << from.x << "," << from.y;
      EXPECT_TRUE(SameState(s, before));
    }
  }

  // Whatever stood on the square KingPos names is put back, even when it is not the king.
  GameState s;
  s.Board[3][3] = 12_pc;
  s.Board[6][6] = 41_pc;
  RuleCacheFixture(s).KingPos[UE] = {6, 6};
  s.CurrentSeat = SITA;
  const GameState before = s;
  EXPECT_FALSE(ChecksPartner(s, 3, 3, 4, 2));
  EXPECT_TRUE(SameState(s, before)) << TableText(s.Board);
}

TEST(AttackedOpponentAndBottomKing, ReadTheTablesAndTheBoard) {
  struct Case {
    std::vector<Edit> edits;
    int seat, expected;
  };
  // clang-format off
  const Case cases[] = {
      {{{5, 5, 14_pc}}, SITA, HIDARI},   {{{5, 5, 14_pc}, {3, 5, 11_pc}}, SITA, MIGI},
      {{{5, 5, 24_pc}}, HIDARI, UE},     {{{5, 5, 34_pc}}, UE, MIGI},
      {{{5, 5, 44_pc}}, MIGI, SITA},     {{{5, 5, 44_pc}, {5, 7, 21_pc}}, MIGI, UE},
      {{{5, 2, 11_pc}}, SITA, NO_SEAT},  // the partner's king does not count
      {{{5, 5, 14_pc}, {3, 5, 11_pc}, {7, 5, 11_pc}}, SITA, NO_SEAT},
      {{{5, 5, 14_pc}}, NO_SEAT, NO_SEAT},
  };
  // clang-format on
  for (const Case& c : cases) {
    GameState s = WithEdits(kFourKings, c.edits);
    ComputeAttackMaps(s);
    EXPECT_EQ(AttackedOpponent(s, c.seat), c.expected) << c.seat << " " << c.edits.size();
  }

  GameState s = WithEdits(kFourKings, {{4, 8, 23_pc}, {5, 8, 31_pc}, {6, 7, 43_pc}});
  EXPECT_TRUE(AttacksBottomKing(s, HIDARI));
  EXPECT_TRUE(AttacksBottomKing(s, UE));  // the partner's pawn could take it too
  EXPECT_FALSE(AttacksBottomKing(s, MIGI));
  EXPECT_FALSE(AttacksBottomKing(s, SITA));
  RuleCacheFixture(s).KingPos[SITA] = {6, 8};  // it asks about KingPos, not about the king
  EXPECT_TRUE(AttacksBottomKing(s, MIGI));
}

// SITA's king boxed in by its own pawns under HIDARI's rook on an open file.
constexpr const char* kSitaUnderTheRook = R"(
  . . . . 24 . . . 25
  . . . . . . . . .
  . . . . . . . . .
  . . . . . . . . .
  . . . . . . . . 45
  . . . . . . . . .
  . . . . . . . . .
  . . . 11 . 11 . . .
  35 . . 11 15 11 . . .
)";
// HIDARI's king in the corner under SITA's rook, its neighbours covered by SITA's gold.
constexpr const char* kHidariInTheCorner = R"(
  25 . . . . . . . 35
  . . 13 . . . . . .
  . . . . . . . . .
  . . . . . . . . .
  . . . . 45 . . . .
  . . . . . . . . .
  . . . . . . . . .
  . . . . . . . . .
  14 . . . . . . . 15
)";

TEST(IsMate, StepsInOrder) {
  struct HandEdit {
    int seat, slot, count;
  };
  struct Case {
    const char* board;
    int attacker, defender;
    bool mate;
    std::vector<Edit> edits;
    std::vector<HandEdit> hands;
    const char* name;
  };
  const char* sita = kSitaUnderTheRook;
  const char* hidari = kHidariInTheCorner;
  // clang-format off
  const Case cases[] = {
      {sita, HIDARI, NO_SEAT, false, {}, {}, "no defender"},
      {sita, HIDARI, SITA, true, {}, {}, "boxed in, nothing to interpose"},
      {sita, HIDARI, SITA, true, {}, {{SITA, 1, 2}}, "only pawns in hand: no drop is tried"},
      {sita, HIDARI, SITA, false, {}, {{SITA, 3, 1}}, "a gold in hand to drop between"},
      {sita, HIDARI, SITA, false, {}, {{SITA, 1, 1}, {SITA, 3, 1}}, "a pawn and a gold"},
      {sita, HIDARI, SITA, false, {{6, 9, 13_pc}}, {}, "a gold steps into the line"},
      {sita, HIDARI, SITA, false, {{6, 8, EMPTY}}, {}, "an open square next to the king"},
      {sita, HIDARI, SITA, true, {{6, 8, EMPTY}, {7, 7, 43_pc}}, {}, "... covered by MIGI"},
      {sita, HIDARI, SITA, false, {{6, 8, EMPTY}, {6, 7, 33_pc}}, {}, "... by UE, not counted"},
      {sita, HIDARI, SITA, false, {{5, 1, EMPTY}, {5, 8, 24_pc}}, {}, "the king takes the rook"},
      {hidari, SITA, HIDARI, true, {}, {}, "HIDARI cornered"},
      {hidari, SITA, HIDARI, false, {{2, 4, 23_pc}}, {}, "HIDARI's gold steps into the line"},
      {hidari, SITA, HIDARI, true, {{5, 6, 21_pc}}, {}, "HIDARI's pawn cannot reach the line"},
      // The drop test always looks at SITA's king and SITA's pawn counter, whoever defends.
      {hidari, SITA, HIDARI, false, {}, {{HIDARI, 3, 1}}, "HIDARI with a gold in hand"},
      {hidari, SITA, HIDARI, false, {}, {{HIDARI, 1, 1}}, "HIDARI with a pawn in hand"},
      {hidari, SITA, HIDARI, true, {}, {{HIDARI, 1, 1}, {SITA, 1, 1}}, "... and SITA one too"},
      {hidari,
       SITA,
       HIDARI,
       true,
       {{1, 9, EMPTY}, {3, 2, EMPTY}, {2, 1, 21_pc}, {2, 2, 21_pc}, {1, 2, 22_pc}},
       {},
       "shut in by its own pieces, with no check at all"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameState s = WithEdits(c.board, c.edits);
    for (const HandEdit& h : c.hands) s.Hand[h.seat][h.slot] = h.count;
    ComputeAttackMaps(s);
    const GameState before = s;
    EXPECT_EQ(IsMate(s, c.attacker, c.defender), c.mate);
    EXPECT_TRUE(SameState(s, before)) << TableText(s.Board);
  }
}

// A deterministic walk of legal moves through many positions: on every one the tests that
// change the board for the moment must leave the whole state exactly as they found it.
TEST(IsMate, LeavesTheWholeStateAsItFoundItAlongAWalkOfLegalMoves) {
  struct Move {
    int fx, fy, tx, ty;
    PieceCode code;
  };
  unsigned rng = 20240611u;
  auto next = [&rng](unsigned n) {
    rng = rng * 1103515245u + 12345u;
    return (rng >> 16) % n;
  };
  GameState s;
  NewGameModel(s);
  s.CurrentSeat = SITA;
  int mates = 0, positions = 0, games = 1;
  for (int ply = 0; ply < 600; ++ply) {
    const int seat = s.CurrentSeat;
    FindAllKings(s);
    UpdatePawnLines(s);
    std::vector<Move> moves;
    auto consider = [&](int fx, int fy, PieceCode code) {
      for (int tx = 1; tx <= 9; ++tx)
        for (int ty = 1; ty <= 9; ++ty) {
          if (!CanMove(s, fx, fy, tx, ty, code)) continue;
          const GameState before = s;
          const bool refused = ChecksPartner(s, fx, fy, tx, ty);
          ASSERT_TRUE(SameState(s, before)) << "ChecksPartner at ply " << ply;
          if (!refused) moves.push_back({fx, fy, tx, ty, code});
        }
    };
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y)
        if (SeatOfCode(s.Board[x][y]) == seat) consider(x, y, s.Board[x][y]);
    for (int slot = 1; slot <= 4; ++slot)
      if (s.Hand[seat][slot] > 0) {
        const Square cell = HandCellOf(seat, slot);
        consider(cell.x, cell.y, HandCellCode(cell.x, cell.y));
      }

    const PieceCode captured = moves.empty() ? EMPTY : [&] {
      const Move m = moves[next(static_cast<unsigned>(moves.size()))];
      PieceCode placed = m.code, promoted;
      if (CanPromote(m.fx, m.fy, m.tx, m.ty, m.code, &promoted) &&
          (!MayStayUnpromoted(m.tx, m.ty, m.code) || next(2) == 0))
        placed = promoted;
      const PieceCode taken = ApplyMove(s, m.fx, m.fy, m.tx, m.ty, placed).captured;
      if (!IsKingCode(taken)) {
        const int checked = CheckedOpponent(s, m.tx, m.ty, seat);
        s.CurrentSeat = checked != seat ? checked : NextSeat(seat);
      }
      return taken;
    }();
    if (moves.empty() || IsKingCode(captured)) {
      NewGameModel(s);
      s.CurrentSeat = SITA;
      ++games;
      continue;
    }

    FindAllKings(s);
    ComputeAttackMaps(s);
    ++positions;
    for (int p = 1; p <= 4; ++p)
      for (int q : {NO_SEAT, SITA, HIDARI, UE, MIGI}) {
        const GameState before = s;
        mates += IsMate(s, p, q);
        ASSERT_TRUE(SameState(s, before))
            << "IsMate(" << p << ", " << q << ") at ply " << ply << "\n"
            << TableText(before.Board);
      }
  }
  // The walk must have gone through real games, with both answers of the mate test.
  EXPECT_GT(positions, 500);
  EXPECT_GT(games, 1);
  EXPECT_GT(mates, 0);
  EXPECT_LT(mates, positions * 16);  // four attackers, four defenders
}

TEST(ChecksPartner, AStalePartnerSquareOnTheOriginKeepsTheMovingPiece) {
  // The partner's king square was cached before this piece came to stand there: lifting
  // and putting back must leave the piece on its square, whatever the answer.
  for (const PieceCode moving : {12_pc, 14_pc, 11.5_pc}) {
    GameState s;
    s.Board[3][3] = moving;
    s.Board[5][1] = KingCode(UE);
    RuleCacheFixture(s).KingPos[UE] = {3, 3};
    s.CurrentSeat = SITA;
    const GameState before = s;
    ChecksPartner(s, 3, 3, 3, 2);
    EXPECT_TRUE(SameState(s, before)) << moving.ToString() << "\n" << TableText(s.Board);
  }
}

}  // namespace
}  // namespace korvel
