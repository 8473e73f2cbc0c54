// The drawing port: what the presentation layer asks of whatever paints the window.
#pragma once

#include <string_view>

#include "game/pieces.h"

namespace korvel {

// Positions are window points in twips (15 twips to a pixel at the design resolution);
// the cell grid puts cell (x, y) at 1400 + 705 x, 500 + 705 y.
inline constexpr double GRID_X0 = 1400;
inline constexpr double GRID_Y0 = 500;
inline constexpr double CELL_TWIPS = 705;
inline constexpr double TWIPS_PER_PIXEL = 15;
constexpr double CellX(double x) { return GRID_X0 + CELL_TWIPS * x; }
constexpr double CellY(double y) { return GRID_Y0 + CELL_TWIPS * y; }

// Indices of the classic 16-colour palette that the window uses.
inline constexpr int COLOUR_BLACK = 0;
inline constexpr int COLOUR_GREEN = 2;
inline constexpr int COLOUR_LIGHT_RED = 12;
inline constexpr int COLOUR_LIGHT_YELLOW = 14;
inline constexpr int COLOUR_WHITE = 15;

// Picture codes: 0 the empty wooden square, the piece codes their pieces, 1 the logo and
// 2..6 the background tiles. Held in the same exact type as piece codes.
inline constexpr PieceCode LOGO = PieceCode(1);
inline constexpr PieceCode BG_MIDORI = PieceCode(2);
inline constexpr PieceCode BG_TATAMI = PieceCode(3);
inline constexpr PieceCode BG_TAKE = PieceCode(4);
inline constexpr PieceCode BG_UCHU = PieceCode(5);
inline constexpr PieceCode BG_RENGA = PieceCode(6);

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Paints the picture of `code` at its natural size with its top-left corner at (x, y);
  // a code without a picture paints nothing.
  virtual void DrawPicture(PieceCode code, double x, double y) = 0;
  // One-pixel outline of the rectangle (x, y)..(x + w, y + h) in a palette colour.
  virtual void FrameRect(int colour, double x, double y, double w, double h) = 0;
  // Switches the window font to bold (it stays so).
  virtual void SetBold(bool bold) = 0;
  // Prints UTF-8 text with its top-left corner at (x, y) in a palette colour and size (pt).
  virtual void PrintText(double x, double y, std::string_view text, int colour, int sizePt) = 0;
  // Makes what was drawn visible on the screen now.
  virtual void Flush() = 0;
};

// A canvas that draws nothing (the runner before a picture is asked for, tests).
class NullCanvas : public Canvas {
 public:
  void DrawPicture(PieceCode, double, double) override {}
  void FrameRect(int, double, double, double, double) override {}
  void SetBold(bool) override {}
  void PrintText(double, double, std::string_view, int, int) override {}
  void Flush() override {}
};

}  // namespace korvel
