// Where things are drawn: a wrong row or column here would show a piece in the wrong hand.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/fake_ports.h"
#include "view/board_drawing.h"
#include "view/view_turn.h"

namespace korvel {
namespace {

using testing::RecordingCanvas;

// A number as the labels and the move counter are drawn: a space either side.
std::string Spaced(int n) {
  return std::string(" ").append(std::to_string(n)).append(" ");
}

TEST(Notation, Texts) {
  struct Case {
    PieceCode value;
    const char* text;
  };
  const Case cases[] = {{PieceCode(1), "１"},    {PieceCode(9), "９"},    {PieceCode(0), ""},
                        {PieceCode(10), ""},     {PieceCode(1001), "一"}, {PieceCode(1009), "九"},
                        {PieceCode(1010), ""},   {11_pc, "歩"},           {41.5_pc, "と"},
                        {22_pc, "銀"},           {32.5_pc, "銀成"},       {43_pc, "金"},
                        {14_pc, "飛"},           {24.5_pc, "飛成"},       {35_pc, "王"},
                        {16_pc, ""},             {46_pc, ""}};
  for (const Case& c : cases) EXPECT_EQ(NotationText(c.value), c.text) << c.value.ToString();
}

TEST(Notation, MoveTextAtTheMoversAnchor) {
  RecordingCanvas canvas;
  // A HIDARI rook promoting on (1, 9): "９", "九", "飛成" beside HIDARI's hand.
  const Square a = MoveTextAnchor(24.5_pc);
  EXPECT_EQ(a, (Square{-2, 10}));
  ShowMoveText(canvas, BG_MIDORI, a.x, a.y, 1, 9, 24.5_pc, COLOUR_WHITE);
  std::vector<std::string> white;
  for (const auto& op : canvas.ops)
    if (op.kind == 'T' && op.colour == COLOUR_WHITE) white.push_back(op.text);
  EXPECT_EQ(white, (std::vector<std::string>{"９", "九", "飛成"}));
  EXPECT_EQ(MoveTextAnchor(15_pc), (Square{11, 10}));
  EXPECT_EQ(MoveTextAnchor(31.5_pc), (Square{-2, 5}));
  EXPECT_EQ(MoveTextAnchor(41_pc), (Square{11, 5}));
}

// Each seat's hand is drawn in its own four cells with the count beside them.
TEST(Hands, PanelsPerSeat) {
  struct Case {
    int seat, slot;
    double cellX, cellY, countX;
  };
  const Case cases[] = {{SITA, 1, 11, 6, 12},  {SITA, 4, 11, 9, 12},  {UE, 1, -1, 4, 0},
                        {UE, 4, -1, 1, 0},     {MIGI, 2, 11, 3, 12},  {HIDARI, 3, -1, 8, 0}};
  for (const Case& c : cases) {
    GameState s;
    s.Hand[c.seat][c.slot] = 12;
    RecordingCanvas canvas;
    DrawHand(canvas, s, BG_MIDORI, c.seat);
    bool piece = false, count = false;
    for (const auto& op : canvas.ops) {
      if (op.kind == 'P' && op.code == Code(c.seat, c.slot))
        piece = op.x == CellX(c.cellX) && op.y == CellY(c.cellY);
      if (op.kind == 'T' && op.colour == COLOUR_LIGHT_RED)
        count = op.text == " 12 " && op.x == CellX(c.countX) && op.y == CellY(c.cellY + 0.2);
    }
    EXPECT_TRUE(piece) << "seat " << c.seat << " slot " << c.slot;
    EXPECT_TRUE(count) << "seat " << c.seat << " slot " << c.slot;
  }
}

// The edge labels in yellow, as (text, x, y) in cells; the dark edges left out.
std::vector<std::tuple<std::string, double, double>> EdgeLabels(int quarters) {
  RecordingCanvas canvas;
  DrawLabels(canvas, BG_TATAMI, quarters);
  std::vector<std::tuple<std::string, double, double>> labels;
  for (const auto& op : canvas.ops)
    if (op.kind == 'T' && op.colour == COLOUR_LIGHT_YELLOW)
      labels.emplace_back(op.text, (op.x - GRID_X0) / CELL_TWIPS, (op.y - GRID_Y0) / CELL_TWIPS);
  return labels;
}

TEST(Labels, TheBoardsEdgesUnturnedAndTurned) {
  static const char* const KANJI[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  // Unturned (every local game): 9..1 over the board, 一..九 right of it, where they
  // have always been.
  const auto plain = EdgeLabels(0);
  ASSERT_EQ(plain.size(), 18u);
  for (int i = 1; i <= 9; ++i) {
    const auto& [top, tx, ty] = plain[2 * (i - 1)];
    EXPECT_EQ(top, Spaced(10 - i));
    EXPECT_DOUBLE_EQ(tx, i + 0.1);
    EXPECT_DOUBLE_EQ(ty, 0.4);
    const auto& [right, rx, ry] = plain[2 * (i - 1) + 1];
    EXPECT_EQ(right, KANJI[i - 1]);
    EXPECT_DOUBLE_EQ(rx, 10.1);
    EXPECT_DOUBLE_EQ(ry, i + 0.3);
  }
  // A quarter turn: the game's rows run along the top, its columns down the right.
  for (int q : {1, 3}) {
    const auto turned = EdgeLabels(q);
    ASSERT_EQ(turned.size(), 18u);
    for (int i = 1; i <= 9; ++i) {
      const auto& top = std::get<0>(turned[2 * (i - 1)]);
      const auto& right = std::get<0>(turned[2 * (i - 1) + 1]);
      EXPECT_EQ(top, KANJI[TopEdgeLabel(i, q).number - 1]) << q << " " << i;
      EXPECT_EQ(right, Spaced(RightEdgeLabel(i, q).number)) << q << " " << i;
    }
  }
}

TEST(StatusCorner, LevelMoveNumberAndErase) {
  RecordingCanvas canvas;
  EraseStatusCorner(canvas, BG_TAKE);
  ASSERT_EQ(canvas.ops.size(), 7u);
  EXPECT_EQ(canvas.ops[3].x, CellX(1));
  EXPECT_EQ(canvas.ops[3].y, CellY(-1));
  EXPECT_EQ(canvas.ops[6].x, CellX(0));
  EXPECT_EQ(canvas.ops[6].y, CellY(0));

  // The counter moves a tenth of a cell left for every digit it gains.
  for (auto [n, x] : {std::pair{9, -1.3}, {10, -1.4}, {100, -1.5}}) {
    RecordingCanvas c;
    ShowMoveNumber(c, n);
    ASSERT_GE(c.ops.size(), 2u);
    EXPECT_EQ(c.ops[1].x, CellX(x)) << n;
    EXPECT_EQ(c.ops[1].text, Spaced(n));
  }
}

TEST(Labels, KanjiNumeralsOnlyForOneToNine) {
  RecordingCanvas canvas;
  DrawLabel(canvas, 0, 0, 5, COLOUR_WHITE, 1, 12);
  DrawLabel(canvas, 0, 0, 0, COLOUR_WHITE, 1, 12);
  DrawLabel(canvas, 0, 0, 10, COLOUR_WHITE, 1, 12);
  DrawLabel(canvas, 0, 0, "7", COLOUR_WHITE, 1, 12);
  ASSERT_EQ(canvas.ops.size(), 2u);
  EXPECT_EQ(canvas.ops[0].text, "五");
  EXPECT_EQ(canvas.ops[1].text, "七");
}

TEST(FullRepaint, EveryBoardSquareFramedAndLevelOnlyWithComputers) {
  GameState s;
  SetInitialPosition(s);
  s.GameMode = 0;
  RecordingCanvas canvas;
  RedrawAll(canvas, s, BG_TATAMI);
  int tiles = 0, boardFrames = 0;
  bool level = false;
  for (const auto& op : canvas.ops) {
    if (op.kind == 'P' && op.code == BG_TATAMI) ++tiles;
    if (op.kind == 'F' && op.colour == COLOUR_GREEN && op.x >= CellX(1) && op.x <= CellX(9) &&
        op.y >= CellY(1) && op.y <= CellY(9))
      ++boardFrames;
    if (op.kind == 'T' && op.text == "LEVEL") level = true;
  }
  EXPECT_GE(tiles, 432);
  EXPECT_GE(boardFrames, 81);
  EXPECT_FALSE(level);
  s.GameMode = 1;
  RecordingCanvas withLevel;
  RedrawAll(withLevel, s, BG_TATAMI);
  bool found = false;
  for (const auto& op : withLevel.ops) found = found || op.text == "LEVEL";
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace korvel
