#include "view/press_cell.h"

#include <cmath>

#include "view/canvas.h"
#include "view/view_turn.h"

namespace korvel {

std::optional<Square> CellUnderPress(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  const double c = std::floor((x - GRID_X0) / CELL_TWIPS);
  const double r = std::floor((y - GRID_Y0) / CELL_TWIPS);
  if (c < FAR_CELL || c > -FAR_CELL || r < FAR_CELL || r > -FAR_CELL)
    return Square{FAR_CELL, FAR_CELL};
  return Square{static_cast<int>(c), static_cast<int>(r)};
}

std::optional<Square> CellUnderSinglePress(double x, double y) {
  return CellUnderPress(static_cast<float>(x), static_cast<float>(y));
}

std::optional<Square> GameCellUnderPress(double x, double y, int quarters) {
  const std::optional<Square> screen = CellUnderPress(x, y);
  if (!screen || IsFarCell(*screen)) return screen;
  return GameCellOf(screen->x, screen->y, quarters);
}

}  // namespace korvel
