#include "view/board_drawing.h"

#include "view/view_turn.h"

namespace korvel {

void DrawCell(Canvas& c, PieceCode code, double x, double y) {
  c.DrawPicture(code, CellX(x), CellY(y));
}

void FrameCell(Canvas& c, int colour, double x, double y) {
  c.FrameRect(colour, CellX(x), CellY(y), CELL_TWIPS, CELL_TWIPS);
}

std::string NumberText(long n) {
  std::string s(1, ' ');
  s += std::to_string(n);
  s += ' ';
  return s;
}

namespace {

// The dark edge of a text: one pixel all round, so that the text keeps its shape on the
// busiest background and its edge never reads as a second character.
void PrintEdged(Canvas& c, double x, double y, std::string_view text, int colour, int edge,
                int size) {
  static constexpr int AROUND[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                       {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
  for (const auto& d : AROUND)
    c.PrintText(x + d[0] * TWIPS_PER_PIXEL, y + d[1] * TWIPS_PER_PIXEL, text, edge, size);
  c.PrintText(x, y, text, colour, size);
}

const char* KanjiNumeral(long n) {
  static constexpr const char* KANJI[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  return n >= 1 && n <= 9 ? KANJI[n - 1] : "";
}

}  // namespace

void DrawEdgedLabel(Canvas& c, double x, double y, long number, int colour, int numeralMode,
                    int size) {
  const std::string text = numeralMode != 0 ? KanjiNumeral(number) : NumberText(number);
  if (text.empty()) return;
  PrintEdged(c, CellX(x), CellY(y), text, colour, COLOUR_BLACK, size);
}

void PrintEdgedAtCell(Canvas& c, double x, double y, std::string_view text, int colour,
                      int size) {
  if (text.empty()) return;
  PrintEdged(c, CellX(x), CellY(y), text, colour, COLOUR_BLACK, size);
}

void DrawLabel(Canvas& c, double x, double y, std::string_view text, int colour, int numeralMode,
               int size) {
  if (numeralMode != 0) {
    // Only a whole number 1..9 has a kanji numeral.
    long n = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) return;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) n = n * 10 + (text[i] - '0');
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size() || n < 1 || n > 9) return;
    DrawLabel(c, x, y, n, colour, numeralMode, size);
    return;
  }
  c.PrintText(CellX(x), CellY(y), text, colour, size);
}

void DrawLabel(Canvas& c, double x, double y, long number, int colour, int numeralMode, int size) {
  if (numeralMode != 0) {
    static constexpr const char* KANJI[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
    if (number < 1 || number > 9) return;
    c.PrintText(CellX(x), CellY(y), KANJI[number - 1], colour, size);
    return;
  }
  c.PrintText(CellX(x), CellY(y), NumberText(number), colour, size);
}

void PrintAtCell(Canvas& c, double x, double y, std::string_view text, int colour) {
  DrawLabel(c, x, y, text, colour, 0, 12);
}

void TileBackground(Canvas& c, PieceCode background) {
  for (int x = -3; x <= 20; ++x)
    for (int y = -2; y <= 15; ++y) DrawCell(c, background, x, y);
}

void DrawHand(Canvas& c, const GameState& s, PieceCode background, int seat) {
  if (seat < 1 || seat > 4) return;
  const int countColumn = (seat == SITA || seat == MIGI) ? 12 : 0;
  for (int k = 1; k <= 4; ++k) {
    const Square cell = HandCellOf(seat, k);
    DrawCell(c, EMPTY, cell.x, cell.y);
    DrawCell(c, background, countColumn, cell.y);
    FrameCell(c, COLOUR_GREEN, cell.x, cell.y);
    const int n = s.Hand[seat][k];
    if (n > 0) {
      DrawCell(c, Code(seat, k), cell.x, cell.y);
      FrameCell(c, COLOUR_GREEN, cell.x, cell.y);
      DrawEdgedLabel(c, countColumn, cell.y + 0.2, n, COLOUR_LIGHT_RED, 0, 14);
    }
  }
}

void DrawBoard(Canvas& c, const GameState& s) {
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      DrawCell(c, s.Board[x][y], x, y);
      FrameCell(c, COLOUR_GREEN, x, y);
    }
}

namespace {

// A column's digits and a row's kanji numeral each keep their size and their place in the
// cell wherever the view puts them: over the board or right of it.
void DrawTopLabel(Canvas& c, int x, EdgeLabel label) {
  if (label.row) DrawEdgedLabel(c, x + 0.3, 0.45, label.number, COLOUR_LIGHT_YELLOW, 1, 12);
  else DrawEdgedLabel(c, x + 0.1, 0.4, label.number, COLOUR_LIGHT_YELLOW, 0, 16);
}

void DrawRightLabel(Canvas& c, int y, EdgeLabel label) {
  if (label.row) DrawEdgedLabel(c, 10.1, y + 0.3, label.number, COLOUR_LIGHT_YELLOW, 1, 12);
  else DrawEdgedLabel(c, 10.0, y + 0.25, label.number, COLOUR_LIGHT_YELLOW, 0, 16);
}

}  // namespace

void DrawLabels(Canvas& c, PieceCode background, int quarters) {
  c.SetBold(true);
  for (int i = 1; i <= 9; ++i) {
    DrawCell(c, background, i, 0);
    DrawTopLabel(c, i, TopEdgeLabel(i, quarters));
    DrawCell(c, background, 10, i);
    DrawRightLabel(c, i, RightEdgeLabel(i, quarters));
    // The label cell overpaints the right edge of the board square beside it.
    FrameCell(c, COLOUR_GREEN, 9, i);
  }
}

void RedrawAll(Canvas& c, const GameState& s, PieceCode background, int quarters) {
  TileBackground(c, background);
  DrawLabels(c, background, quarters);
  for (int seat : {SITA, UE, MIGI, HIDARI}) DrawHand(c, s, background, seat);
  DrawBoard(c, s);
  if (s.GameMode == 1) ShowLevel(c, s.Level);
  DrawCell(c, LOGO, 10.8, 0);
}

void EraseStatusCorner(Canvas& c, PieceCode background) {
  static constexpr int CELLS[7][2] = {{-2, -1}, {-1, -1}, {0, -1}, {1, -1},
                                      {-2, 0},  {-1, 0},  {0, 0}};
  for (const auto& cell : CELLS) DrawCell(c, background, cell[0], cell[1]);
}

std::string NotationText(PieceCode v) {
  static constexpr const char* COLUMNS[] = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
  static constexpr const char* ROWS[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  if (!v.IsPromoted()) {
    const int n = v.Whole();
    if (n >= 1 && n <= 9) return COLUMNS[n - 1];
    if (n >= 1001 && n <= 1009) return ROWS[n - 1001];
  }
  if (SeatOfCode(v) == NO_SEAT) return "";
  switch (v.Halves() % 20) {
    case 2: return "歩";
    case 3: return "と";
    case 4: return "銀";
    case 5: return "銀成";
    case 6: return "金";
    case 8: return "飛";
    case 9: return "飛成";
    case 10: return "王";
    default: return "";
  }
}

Square MoveTextAnchor(PieceCode placed) {
  if (placed <= 15_pc) return {11, 10};
  if (placed <= 25_pc) return {-2, 10};
  if (placed <= 35_pc) return {-2, 5};
  return {11, 5};
}

namespace {

// The piece's word of a move's text: the piece names of NotationText, in the words given.
std::string_view PieceWord(PieceCode v, const BoardWords& words) {
  if (SeatOfCode(v) == NO_SEAT) return "";
  switch (v.Halves() % 20) {
    case 2: return words.pieces[0];
    case 3: return words.pieces[1];
    case 4: return words.pieces[2];
    case 5: return words.pieces[3];
    case 6: return words.pieces[4];
    case 8: return words.pieces[5];
    case 9: return words.pieces[6];
    case 10: return words.pieces[7];
    default: return "";
  }
}

}  // namespace

void ShowMoveText(Canvas& c, PieceCode background, int ax, int ay, int toX, int toY,
                  PieceCode piece, int colour, const BoardWords& words) {
  DrawCell(c, background, ax, ay);
  DrawCell(c, background, ax + 1, ay);
  DrawCell(c, background, ax + 2, ay);
  PrintEdgedAtCell(c, ax + 0.4, ay + 0.4, NotationText(PieceCode(10 - toX)), colour, 12);
  PrintEdgedAtCell(c, ax + 0.8, ay + 0.4, NotationText(PieceCode(toY + 1000)), colour, 12);
  PrintEdgedAtCell(c, ax + 1.4, ay + 0.4, PieceWord(piece, words), colour, 12);
  c.Flush();
}

void ClearMoveText(Canvas& c, PieceCode background, int seat) {
  static constexpr int ANCHORS[5][2] = {{0, 0}, {11, 10}, {-2, 10}, {-2, 5}, {11, 5}};
  if (seat < 1 || seat > 4) return;
  const int ax = ANCHORS[seat][0], ay = ANCHORS[seat][1];
  DrawCell(c, background, ax, ay);
  DrawCell(c, background, ax + 1, ay);
  DrawCell(c, background, ax + 2, ay);
}

void ShowMoveNumber(Canvas& c, int n, const BoardWords& words) {
  double wx = -1.3;
  if (n >= 100) wx = -1.5;
  else if (n >= 10) wx = -1.4;
  DrawEdgedLabel(c, wx, 0.4, n, COLOUR_WHITE, 0, 12);
  PrintEdged(c, CellX(-1) + 120, CellY(0.2) + 160, words.moveNumber, COLOUR_WHITE, COLOUR_BLACK, 10);
}

void ShowLevel(Canvas& c, int level) {
  PrintEdgedAtCell(c, -1.4, -0.1, "LEVEL", COLOUR_WHITE, 10);
  DrawEdgedLabel(c, -0.1, -0.1, level, COLOUR_WHITE, 0, 12);
}

IconPlace TurnIconPlace(int seat) {
  switch (seat) {
    case SITA: return {5000, 7700};
    case HIDARI: return {1600, 4100};
    case UE: return {5000, 300};
    case MIGI: return {8800, 4100};
    default: return {0, 0};
  }
}

}  // namespace korvel
