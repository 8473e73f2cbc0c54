#include "game/attack_maps.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

#include "positions.h"

namespace korvel {
namespace {

using testing::FromGrid;
using testing::Picture;
using testing::TableText;

// Splits a picture of three boards side by side, "board | AttackMap | CheckLineMap".
std::array<std::string, 3> Columns(const char* text) {
  std::array<std::string, 3> out;
  std::istringstream in{text};
  for (std::string line; std::getline(in, line);) {
    if (line.find('|') == std::string::npos) continue;
    std::istringstream row{line};
    for (std::string& column : out) {
      std::string part;
      std::getline(row, part, '|');
      column += part + "\n";
    }
  }
  return out;
}

TEST(AttackMaps, RaysStepsAndMarks) {
  struct Case {
    const char* name;
    int seat;
    const char* pictures;  // board | AttackMap[seat] | CheckLineMap[seat]
  };
  const Case cases[] = {
      {"rook through an enemy king on an empty file", SITA, R"(
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  25 .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . 1 . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . 1 . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . 1 . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . 1 . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . 1 . . . .
        .  .  .  .  14 .  .  .  . | 1 1 1 1 . 1 1 1 1 | . . . . 9 . . . .
      )"},
      {"the rear rook's ray stops on the front rook, and the partner's king stops a ray unmarked",
       SITA, R"(
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  14 .  .  .  . | 1 1 1 1 1 1 1 1 1 | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 2 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 2 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 2 . . . . | . . . . . . . . .
        .  .  .  .  14 .  35 .  . | 1 1 1 1 1 1 1 . . | . . . . . . . . .
      )"},
      {"the ray goes on past enemy kings up to the next piece; the far king's line crosses the "
       "near king",
       SITA, R"(
        .  .  .  .  .  .  .  .  . | 1 . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | 1 . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | 1 . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | 1 1 . . . . . . . | . . . . . . . . .
        14.5 . 25 . .  45 .  31 . | . 1 1 1 1 1 1 1 . | 9 1 1 1 1 . . . .
        .  .  .  .  .  .  .  .  . | 1 1 . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | 1 . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | 1 . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | 1 . . . . . . . . | . . . . . . . . .
      )"},
      {"SITA's pawn and diagonal promoted-rook step on UE's king mark; a gold does not, nor "
       "a pawn under an enemy king",
       SITA, R"(
        .  .  .  .  .  .  .  .  . | . . . 1 . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . 1 . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  25 . | . . . 1 . . . 1 . | . . . . . . . . .
        .  .  .  .  .  .  .  11 . | . . . 1 . . . . . | . . . . . . . . .
        .  .  .  .  35 .  .  .  . | . . 1 1 3 1 1 . . | . . . . . . . . .
        .  .  .  14.5 11 13 . . . | 1 1 1 . 2 . 1 . . | . . . 9 9 . . . .
        .  .  .  .  .  .  .  .  . | . . 1 1 1 1 . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . 1 . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . 1 . . . . . | . . . . . . . . .
      )"},
      {"UE's pawn right behind SITA's king marks itself", UE, R"(
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  31 .  .  .  . | . . . . . . . . . | . . . . 9 . . . .
        .  .  .  .  15 .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
      )"},
      {"HIDARI's promoted rook steps diagonally but marks nothing on MIGI's king", HIDARI, R"(
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . 1 . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . 1 1 1 . . . | . . . . . . . . .
        .  .  .  .  24.5 . .  . . | 1 1 1 1 . 1 1 1 1 | . . . . . . . . .
        .  .  .  .  21 45 .  .  . | . . . 1 1 2 . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
        .  .  .  .  .  .  .  .  . | . . . . . . . . . | . . . . . . . . .
      )"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [board, attack, lines] = Columns(c.pictures);
    GameState s = FromGrid(board);
    ComputeAttackMaps(s);
    EXPECT_EQ(TableText(s.Caches().AttackMap[c.seat]), Picture(attack));
    EXPECT_EQ(TableText(s.Caches().CheckLineMap[c.seat]), Picture(lines));
  }
}

TEST(AttackMaps, EmptyBoardLastRowPawnsAndTheStartingArmies) {
  const std::string zero = TableText(GameState{}.Caches().AttackMap[SITA]);
  // Each seat's pawn on its last line attacks nothing; a board without those is all zero.
  GameState s = FromGrid(R"(
    . . 11 . . . . . .
    . . . . . . . . .
    41 . . . . . . . 21
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . 31 . .
  )");
  for (const auto& board : {s, GameState{}}) {
    GameState t = board;
    ComputeAttackMaps(t);
    for (int seat = 1; seat <= 4; ++seat) {
      EXPECT_EQ(TableText(t.Caches().AttackMap[seat]), zero) << seat;
      EXPECT_EQ(TableText(t.Caches().CheckLineMap[seat]), zero) << seat;
    }
  }

  // The four armies are one army turned onto four edges, so their tables are too.
  GameState start;
  NewGameModel(start);
  ComputeAttackMaps(start);
  EXPECT_EQ(TableText(start.Caches().AttackMap[SITA]), Picture(R"(
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . 1 . . . .
    . . . 1 1 1 . . .
    . 1 2 4 3 4 2 1 .
    . . 1 1 3 1 1 . .
  )"));
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      const int v = start.Caches().AttackMap[SITA][x][y];
      EXPECT_EQ(start.Caches().AttackMap[HIDARI][10 - y][x], v) << x << "," << y;
      EXPECT_EQ(start.Caches().AttackMap[UE][10 - x][10 - y], v) << x << "," << y;
      EXPECT_EQ(start.Caches().AttackMap[MIGI][y][10 - x], v) << x << "," << y;
    }
  for (int seat = 1; seat <= 4; ++seat)
    EXPECT_EQ(TableText(start.Caches().CheckLineMap[seat]), zero) << seat;
}

TEST(AttackMaps, RebuildSetsKingPosOfMigiAndHidariOnly) {
  GameState s = FromGrid(R"(
    . . . . 35 . 45 . .
    . . . . . . . . .
    . . . . . . . . .
    . 25 . . . . . . .
    . 45 . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . . . . . .
    . . . . 15 . . . .
  )");
  for (Square& k : RuleCacheFixture(s).KingPos) k = {8, 8};
  ComputeAttackMaps(s);
  EXPECT_EQ(s.Caches().KingPos[HIDARI], (Square{2, 4}));
  EXPECT_EQ(s.Caches().KingPos[MIGI], (Square{7, 1}));  // set at every sighting: the last one stays
  EXPECT_EQ(s.Caches().KingPos[SITA], (Square{8, 8}));
  EXPECT_EQ(s.Caches().KingPos[UE], (Square{8, 8}));

  // A second build on another board leaves nothing of the first behind.
  GameState fresh;
  NewGameModel(fresh);
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) s.Board[x][y] = fresh.Board[x][y];
  ComputeAttackMaps(s);
  ComputeAttackMaps(fresh);
  const RuleCaches &again = s.Caches(), &once = fresh.Caches();
  for (int seat = 1; seat <= 4; ++seat) {
    EXPECT_EQ(TableText(again.AttackMap[seat]), TableText(once.AttackMap[seat]));
    EXPECT_EQ(TableText(again.CheckLineMap[seat]), TableText(once.CheckLineMap[seat]));
  }
}

}  // namespace
}  // namespace korvel
