#include "game/pieces.h"

namespace korvel {

std::string PieceCode::ToString() const {
  std::string s = std::to_string(halves_ / 2);
  if (halves_ < 0 && halves_ / 2 == 0 && (halves_ & 1)) s = "-0";
  if (halves_ & 1) s += ".5";
  return s;
}

}  // namespace korvel
