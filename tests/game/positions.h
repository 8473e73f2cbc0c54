// Test positions written as the rules draw them: nine rows y = 1..9 from the top, nine codes
// per row for x = 1..9, a dot for an empty square ("14.5" for a promoted rook).
#pragma once

#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "game/pieces.h"
#include "game/state.h"

namespace korvel::testing {

inline PieceCode ParseCode(const std::string& token) {
  if (token == ".") return EMPTY;
  const std::size_t dot = token.find('.');
  const bool half = dot != std::string::npos && token.substr(dot) == ".5";
  return PieceCode::FromHalves(std::stoi(token.substr(0, dot)) * 2 + (half ? 1 : 0));
}

// The grid on an otherwise fresh state, with the caches the rules expect their callers to
// have refreshed (all four KingPos, PawnLine).
inline GameState FromGrid(std::string_view grid) {
  GameState s;
  std::istringstream in{std::string(grid)};
  std::string token;
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9 && in >> token; ++x) s.Board[x][y] = ParseCode(token);
  FindAllKings(s);
  UpdatePawnLines(s);
  return s;
}

inline std::string CellText(PieceCode c) {
  return c.IsEmpty() ? "." : c.ToString();
}
inline std::string CellText(int v) {
  return v == 0 ? "." : std::to_string(v);
}

// A board or an attack table as rows of cells, for failures that can be read as a picture.
template <typename Table>
std::string TableText(const Table& t) {
  std::string out;
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9; ++x) out += CellText(t[x][y]) + (x < 9 ? " " : "\n");
  return out;
}

// A picture written in a raw string (any spacing) in TableText form.
inline std::string Picture(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::string out, token;
  for (int n = 1; in >> token; ++n) out += token + (n % 9 == 0 ? "\n" : " ");
  return out;
}

// Every field of the state, compared exactly (memcmp of the whole would compare padding).
inline bool SameState(const GameState& a, const GameState& b) {
  auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
  const RuleCaches &ca = a.Caches(), &cb = b.Caches();
  for (int i = 0; i < 5; ++i)
    if (!(ca.KingPos[i] == cb.KingPos[i])) return false;
  return same(a.Board, b.Board) && same(a.Hand, b.Hand) && same(a.PlayerKind, b.PlayerKind) &&
         a.CurrentSeat == b.CurrentSeat && a.Level == b.Level && a.GameMode == b.GameMode &&
         a.GameStarted == b.GameStarted && a.GameOver == b.GameOver &&
         a.WinnerSeat == b.WinnerSeat && same(ca.PawnLine, cb.PawnLine) &&
         same(ca.AttackMap, cb.AttackMap) && same(ca.CheckLineMap, cb.CheckLineMap);
}

}  // namespace korvel::testing
