// What is drawn where: the cell grid, the board, the hands, the labels, the status texts.
// Everything goes through the Canvas port; cells are (x, y) of the grid, possibly
// fractional or negative.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "game/state.h"
#include "view/canvas.h"

namespace korvel {

void DrawCell(Canvas& c, PieceCode code, double x, double y);
void FrameCell(Canvas& c, int colour, double x, double y);

// Prints text with its top-left corner at a cell. numeralMode 0 prints the text as it is;
// any other mode prints the kanji numeral of a whole number 1..9 and nothing otherwise.
void DrawLabel(Canvas& c, double x, double y, std::string_view text, int colour, int numeralMode,
               int size);
// A number is printed as its digits with a blank either side (a sign's place before it).
void DrawLabel(Canvas& c, double x, double y, long number, int colour, int numeralMode, int size);
void PrintAtCell(Canvas& c, double x, double y, std::string_view text, int colour);
// The same in a colour with a one-pixel black edge around it, legible on every background.
void DrawEdgedLabel(Canvas& c, double x, double y, long number, int colour, int numeralMode,
                    int size);
void PrintEdgedAtCell(Canvas& c, double x, double y, std::string_view text, int colour, int size);
std::string NumberText(long n);

void TileBackground(Canvas& c, PieceCode background);
void DrawHand(Canvas& c, const GameState& s, PieceCode background, int seat);
void DrawBoard(Canvas& c, const GameState& s);
// The edge labels name the game's columns and rows beside them; in a view turned
// `quarters` times (view/view_turn.h: `s` is then the turned position) they name the
// game's own squares, not the screen's.
void DrawLabels(Canvas& c, PieceCode background, int quarters = 0);
void RedrawAll(Canvas& c, const GameState& s, PieceCode background, int quarters = 0);

// The seven cells of the status corner, repainted with the background.
void EraseStatusCorner(Canvas& c, PieceCode background);

// The words the drawing writes beside the board, given by its callers in the window's
// language (view/ keeps no table of words); the defaults are the Japanese ones.
struct BoardWords {
  std::string_view moveNumber = "手目";  // after the move's number in the status corner
  // A move's piece, by the piece (and its promotion) moved: 歩 と 銀 銀成 金 飛 飛成 王.
  std::array<std::string_view, 8> pieces = {"歩", "と", "銀", "銀成", "金", "飛", "飛成", "王"};
};

// Notation: 1..9 full-width column digits, 1001..1009 kanji rows, piece codes their
// names; anything else no text.
std::string NotationText(PieceCode value);
// Where a seat's last move is written (by the owner of the piece placed).
Square MoveTextAnchor(PieceCode placed);
void ShowMoveText(Canvas& c, PieceCode background, int anchorX, int anchorY, int toX, int toY,
                  PieceCode piece, int colour, const BoardWords& words = BoardWords());
void ClearMoveText(Canvas& c, PieceCode background, int seat);
void ShowMoveNumber(Canvas& c, int n, const BoardWords& words = BoardWords());
void ShowLevel(Canvas& c, int level);

// Where the turn icon stands beside a seat, in twips of the client area.
struct IconPlace {
  int left;
  int top;
};
IconPlace TurnIconPlace(int seat);

}  // namespace korvel
