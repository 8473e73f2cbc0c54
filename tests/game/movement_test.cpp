#include "game/movement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "positions.h"

namespace korvel {
namespace {

using testing::FromGrid;
using Steps = std::vector<std::pair<int, int>>;

// Every square a piece on (x, y) may go to, as sorted offsets.
Steps Destinations(const GameState& s, int x, int y, PieceCode code) {
  Steps out;
  for (int tx = 1; tx <= 9; ++tx)
    for (int ty = 1; ty <= 9; ++ty)
      if (CanMove(s, x, y, tx, ty, code)) out.push_back({tx - x, ty - y});
  std::sort(out.begin(), out.end());
  return out;
}

Steps Sorted(Steps v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(CanMove, StepSetsOfEverySeatFromTheCentre) {
  // Offsets (dx, dy), y growing downwards; each seat's set written out from its own rule.
  const Steps sitaGold{{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {0, 1}};
  const Steps ueGold{{-1, 1}, {0, 1}, {1, 1}, {-1, 0}, {1, 0}, {0, -1}};
  const Steps hidariGold{{1, -1}, {1, 0}, {1, 1}, {0, -1}, {0, 1}, {-1, 0}};
  const Steps migiGold{{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, 0}};
  const Steps king{{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
  // clang-format off
  const std::pair<PieceCode, Steps> cases[] = {
      {11_pc, {{0, -1}}}, {31_pc, {{0, 1}}}, {21_pc, {{1, 0}}}, {41_pc, {{-1, 0}}},
      {12_pc, {{-1, -1}, {0, -1}, {1, -1}, {-1, 1}, {1, 1}}},
      {32_pc, {{-1, 1}, {0, 1}, {1, 1}, {-1, -1}, {1, -1}}},
      {22_pc, {{1, -1}, {1, 0}, {1, 1}, {-1, -1}, {-1, 1}}},
      {42_pc, {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 1}}},
      {13_pc, sitaGold},   {11.5_pc, sitaGold},   {12.5_pc, sitaGold},
      {33_pc, ueGold},     {31.5_pc, ueGold},     {32.5_pc, ueGold},
      {23_pc, hidariGold}, {21.5_pc, hidariGold}, {22.5_pc, hidariGold},
      {43_pc, migiGold},   {41.5_pc, migiGold},   {42.5_pc, migiGold},
      {15_pc, king},       {25_pc, king},         {35_pc, king},  {45_pc, king},
  };
  // clang-format on
  for (const auto& [code, steps] : cases) {
    GameState s;
    s.Board[5][5] = code;  // standing on its own square is what keeps it from "moving" there
    EXPECT_EQ(Destinations(s, 5, 5, code), Sorted(steps)) << code.ToString();
  }
  // Rooks along the whole empty row and column, promoted rooks also one step diagonally.
  for (int seat = 1; seat <= 4; ++seat)
    for (bool promoted : {false, true}) {
      const PieceCode rook = Code(seat, SYA, promoted);
      GameState s;
      s.Board[5][5] = rook;
      Steps expected;
      for (int d = -4; d <= 4; ++d)
        if (d != 0) expected.insert(expected.end(), {{d, 0}, {0, d}});
      if (promoted) expected.insert(expected.end(), {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}});
      EXPECT_EQ(Destinations(s, 5, 5, rook), Sorted(expected)) << rook.ToString();
    }
}

TEST(CanMove, InitialPositionAndCaptures) {
  GameState s;
  NewGameModel(s);
  UpdatePawnLines(s);
  struct Case {
    int x, y;
    Steps steps;
  };
  // Pawns one step ahead; the rooks are boxed in by their own king and pawns.
  const Case cases[] = {{5, 7, {{0, -1}}}, {5, 3, {{0, 1}}}, {3, 5, {{1, 0}}}, {7, 5, {{-1, 0}}},
                        {5, 8, {}},        {2, 5, {}},       {8, 5, {}},       {5, 2, {}}};
  for (const Case& c : cases)
    EXPECT_EQ(Destinations(s, c.x, c.y, s.Board[c.x][c.y]), c.steps) << c.x << "," << c.y;

  // Own pieces block, promoted ones too; the partner's and the opponents' pieces are taken.
  GameState t;
  t.Board[4][4] = 14.5_pc;
  t.Board[5][4] = 35_pc;
  t.Board[6][4] = 25_pc;
  t.Board[4][5] = 11_pc;
  EXPECT_FALSE(CanMove(t, 5, 5, 4, 4, 13_pc));
  EXPECT_FALSE(CanMove(t, 5, 5, 4, 5, 13_pc));
  EXPECT_TRUE(CanMove(t, 5, 5, 5, 4, 13_pc));
  EXPECT_TRUE(CanMove(t, 5, 5, 6, 4, 13_pc));
  EXPECT_TRUE(CanMove(t, 6, 4, 5, 4, 25_pc));
  EXPECT_FALSE(CanMove(t, 4, 5, 4, 4, 11_pc));
}

struct MoveCase {
  int fromX, fromY, toX, toY;
  PieceCode code;
  bool yes;
};

std::string Describe(const MoveCase& c) {
  return c.code.ToString() + " (" + std::to_string(c.fromX) + "," + std::to_string(c.fromY) +
         ")->(" + std::to_string(c.toX) + "," + std::to_string(c.toY) + ")";
}

TEST(CanMove, Drops) {
  // SITA: pawn in column 3, TO in column 4; UE: pawn in column 6; HIDARI: pawn in row 7;
  // MIGI: pawn in row 2; something on (7, 5).
  GameState s = FromGrid(R"(
    .  . .  .    . .  .  . .
    .  . .  .    . .  .  . 41
    .  . .  .    . 31 .  . .
    .  . .  .    . .  .  . .
    .  . .  11.5 . .  22 . .
    .  . .  .    . .  .  . .
    21 . 11 .    . .  .  . .
    .  . .  .    . .  .  . .
    .  . .  .    . .  .  . .
  )");
  // clang-format off
  const MoveCase cases[] = {
      // SITA's pawn: row 2 yes, row 1 no; not in column 3 (its own pawn), but a TO in
      // column 4 and the partner's pawn in column 6 do not count; never on a piece.
      {11, 6, 5, 2, 11_pc, true},   {11, 6, 5, 1, 11_pc, false},  {11, 6, 3, 4, 11_pc, false},
      {11, 6, 4, 4, 11_pc, true},   {11, 6, 6, 5, 11_pc, true},   {11, 6, 7, 5, 11_pc, false},
      // Other kinds on any empty square, their last line included.
      {11, 8, 5, 1, 13_pc, true},   {11, 7, 2, 1, 12_pc, true},   {11, 9, 9, 9, 14_pc, true},
      {11, 9, 7, 5, 14_pc, false},  {-1, 1, 5, 9, 34_pc, true},   {11, 1, 1, 1, 44_pc, true},
      // The other seats' pawns: their last line and their own pawn's line refused.
      {-1, 4, 5, 9, 31_pc, false},  {-1, 4, 5, 8, 31_pc, true},   {-1, 4, 6, 8, 31_pc, false},
      {-1, 6, 9, 5, 21_pc, false},  {-1, 6, 8, 5, 21_pc, true},   {-1, 6, 8, 7, 21_pc, false},
      {11, 4, 1, 5, 41_pc, false},  {11, 4, 2, 5, 41_pc, true},   {11, 4, 5, 2, 41_pc, false},
      // A pawn offered from the other hand column falls through to its board step.
      {-1, 6, 5, 5, 11_pc, false},  {11, 4, 5, 5, 31_pc, false},  {11, 6, 5, 5, 21_pc, false},
      {-1, 4, 5, 5, 41_pc, false},
      // Codes no hand cell shows: anything but a pawn drops on any empty square.
      {11, 9, 5, 1, 14.5_pc, true}, {11, 9, 5, 1, 46_pc, true},   {11, 9, 5, 1, EMPTY, true},
  };
  // clang-format on
  for (const MoveCase& c : cases)
    EXPECT_EQ(CanMove(s, c.fromX, c.fromY, c.toX, c.toY, c.code), c.yes) << Describe(c);
}

TEST(CanMove, OddCodesAndDestinationsOffTheBoard) {
  GameState s;
  s.Board[1][1] = 23_pc;
  s.Board[5][4] = 12_pc;
  s.Board[4][5] = 31_pc;
  s.Board[1][9] = 15_pc;
  s.Board[9][9] = 45_pc;
  for (PieceCode code : {11_pc, 14_pc, 15_pc, 46_pc, EMPTY})
    for (auto [tx, ty] : Steps{{0, 5}, {10, 5}, {5, 0}, {5, 10}, {-1, 7}, {11, 7}})
      EXPECT_FALSE(CanMove(s, 5, 5, tx, ty, code)) << code.ToString() << " " << tx << "," << ty;
  // Any other code may go anywhere, but its owner still comes from the code's range (<= 15
  // SITA, <= 25 HIDARI, ...): an empty code is blocked by SITA's pieces, 46 by nobody.
  const MoveCase cases[] = {
      {5, 5, 9, 1, 13.5_pc, true}, {5, 5, 5, 4, 13.5_pc, false}, {5, 5, 1, 1, 15.5_pc, false},
      {5, 5, 5, 4, 15.5_pc, true}, {5, 5, 1, 1, 20_pc, false},   {5, 5, 9, 9, 20_pc, true},
      {5, 5, 5, 4, EMPTY, false},  {5, 5, 4, 5, EMPTY, true},    {5, 5, 5, 4, 46_pc, true},
      {5, 5, 1, 1, 46_pc, true},   {5, 5, 1, 9, 5_pc, false},    {5, 5, 9, 9, 45.5_pc, true},
  };
  for (const MoveCase& c : cases)
    EXPECT_EQ(CanMove(s, c.fromX, c.fromY, c.toX, c.toY, c.code), c.yes) << Describe(c);
}

TEST(RookPathClear, OnlySquaresStrictlyBetweenCount) {
  struct Case {
    int blockX, blockY;  // one piece stands here; (0, 0) for none
    int fromX, fromY, toX, toY;
    bool yes;
  };
  const Case cases[] = {
      {5, 3, 5, 8, 5, 2, false}, {5, 5, 5, 8, 5, 2, false}, {5, 7, 5, 8, 5, 2, false},
      {5, 2, 5, 8, 5, 2, true},  {5, 1, 5, 8, 5, 2, true},  {5, 8, 5, 8, 5, 2, true},
      {0, 0, 5, 9, 5, 1, true},  {0, 0, 1, 1, 9, 1, true},  {0, 0, 1, 1, 1, 9, true},
      {0, 0, 1, 1, 9, 9, false}, {0, 0, 4, 4, 4, 4, true},  {0, 0, 4, 4, 4, 5, true},
      {2, 1, 1, 1, 9, 1, false}, {8, 1, 9, 1, 1, 1, false}, {4, 6, 5, 5, 4, 6, false},
  };
  for (const Case& c : cases) {
    GameState s;
    s.Board[c.blockX][c.blockY] = c.blockX ? 31_pc : EMPTY;
    EXPECT_EQ(RookPathClear(s, c.fromX, c.fromY, c.toX, c.toY), c.yes)
        << "(" << c.fromX << "," << c.fromY << ")->(" << c.toX << "," << c.toY << ") piece on ("
        << c.blockX << "," << c.blockY << ")";
  }
  GameState s;  // a rook in the corner of an empty board
  s.Board[9][9] = 44_pc;
  EXPECT_EQ(Destinations(s, 9, 9, 44_pc).size(), 16u);
}

TEST(Promotion, ZonesDropsAndTheLastLine) {
  // clang-format off
  const MoveCase cases[] = {
      {3, 3, 4, 4, 12_pc, true},    // a silver leaving the zone
      {5, 4, 5, 3, 11_pc, true},    {5, 3, 5, 2, 11_pc, true},    {5, 5, 5, 4, 11_pc, false},
      {5, 3, 5, 4, 11_pc, false},   // a pawn looks at its destination only
      {5, 5, 5, 3, 14_pc, true},    {5, 3, 5, 9, 14_pc, true},    {5, 4, 5, 9, 14_pc, false},
      {5, 6, 5, 7, 31_pc, true},    {5, 5, 5, 6, 31_pc, false},   {5, 7, 5, 6, 32_pc, true},
      {5, 6, 5, 5, 32_pc, false},   {6, 5, 7, 5, 21_pc, true},    {5, 5, 6, 5, 21_pc, false},
      {7, 5, 6, 4, 22_pc, true},    {1, 1, 6, 1, 24_pc, false},   {4, 5, 3, 5, 41_pc, true},
      {5, 5, 4, 5, 41_pc, false},   {3, 5, 4, 4, 42_pc, true},    {9, 3, 3, 3, 44_pc, true},
      {5, 4, 5, 3, 13_pc, false},   {5, 4, 5, 3, 15_pc, false},   {5, 4, 5, 3, 11.5_pc, false},
      {5, 4, 5, 3, 14.5_pc, false}, {5, 4, 5, 3, 12.5_pc, false},
      {11, 6, 5, 2, 11_pc, false},  {11, 7, 5, 2, 12_pc, false},  {-1, 4, 5, 8, 31_pc, false},
      {-1, 9, 8, 5, 24_pc, false},  {11, 1, 2, 5, 44_pc, false},  // drops never promote
  };
  // clang-format on
  for (const MoveCase& c : cases) {
    PieceCode promoted = 99_pc;
    EXPECT_EQ(CanPromote(c.fromX, c.fromY, c.toX, c.toY, c.code, &promoted), c.yes) << Describe(c);
    EXPECT_EQ(promoted, c.yes ? c.code.Promoted() : 99_pc) << Describe(c);
  }
  // Only a pawn on its last line must promote.
  const MoveCase stays[] = {
      {0, 0, 5, 1, 11_pc, false}, {0, 0, 5, 2, 11_pc, true},   {0, 0, 5, 9, 31_pc, false},
      {0, 0, 5, 8, 31_pc, true},  {0, 0, 9, 5, 21_pc, false},  {0, 0, 8, 5, 21_pc, true},
      {0, 0, 1, 5, 41_pc, false}, {0, 0, 2, 5, 41_pc, true},   {0, 0, 1, 1, 21_pc, true},
      {0, 0, 9, 9, 41_pc, true},  {0, 0, 5, 1, 11.5_pc, true}, {0, 0, 5, 1, 12_pc, true},
      {0, 0, 9, 1, 31_pc, true},
  };
  for (const MoveCase& c : stays)
    EXPECT_EQ(MayStayUnpromoted(c.toX, c.toY, c.code), c.yes) << Describe(c);
}

}  // namespace
}  // namespace korvel
