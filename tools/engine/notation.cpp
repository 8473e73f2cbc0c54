#include "tools/engine/notation.h"

#include <algorithm>
#include <charconv>

namespace korvel::engine {

namespace {

constexpr char kPieceLetters[] = " PSGRK";  // by kind 1..5
constexpr char kSeatLetters[] = "?bltr";    // by seat 1..4
constexpr int kMaxHand = 999999;

int KindOfLetter(char c) {
  for (int k = 1; k <= 5; ++k)
    if (kPieceLetters[k] == c) return k;
  return 0;
}

int SeatOfLetter(char c) {
  for (int s = 1; s <= 4; ++s)
    if (kSeatLetters[s] == c) return s;
  return NO_SEAT;
}

// A square "57" at text[at..at+1]: x and y of the board, or false.
bool ReadSquare(std::string_view text, std::size_t at, int& x, int& y) {
  if (text.size() < at + 2) return false;
  const char c = text[at], r = text[at + 1];
  if (c < '1' || c > '9' || r < '1' || r > '9') return false;
  x = 10 - (c - '0');
  y = r - '0';
  return true;
}

std::string SquareText(int x, int y) {
  return {static_cast<char>('0' + 10 - x), static_cast<char>('0' + y)};
}

}  // namespace

char SeatLetter(int seat) {
  return seat >= 1 && seat <= 4 ? kSeatLetters[seat] : '?';
}

std::string MoveText(const Move& m) {
  if (m.toX == 0 && m.toY == 0) return "pass";
  if (m.IsDrop())
    return std::string(1, kPieceLetters[KindOf(m.before)]) + "*" + SquareText(m.toX, m.toY);
  return SquareText(m.fromX, m.fromY) + SquareText(m.toX, m.toY) + (m.Promotes() ? "+" : "");
}

std::optional<Move> ParseMoveText(const GameState& s, std::string_view text, std::string* why) {
  auto fail = [why](const char* reason) -> std::optional<Move> {
    *why = reason;
    return std::nullopt;
  };
  const int seat = s.CurrentSeat;
  if (seat < 1 || seat > 4) return fail("no seat is to move");
  Move m;
  if (text.size() == 4 && text[1] == '*') {
    const int kind = KindOfLetter(text[0]);
    if (kind < HU || kind > SYA) return fail("a drop names P, S, G or R");
    if (!ReadSquare(text, 2, m.toX, m.toY)) return fail("not a square");
    const Square cell = HandCellOf(seat, kind);
    m.fromX = cell.x;
    m.fromY = cell.y;
    m.before = m.placed = HandCellCode(cell.x, cell.y);
    return m;
  }
  const bool promotes = text.size() == 5 && text[4] == '+';
  if (text.size() != 4 && !promotes) return fail("not a move (5756, 7473+, G*53 or pass)");
  if (!ReadSquare(text, 0, m.fromX, m.fromY) || !ReadSquare(text, 2, m.toX, m.toY))
    return fail("not a square");
  m.before = s.Board[m.fromX][m.fromY];
  if (m.before.IsEmpty()) return fail("no piece on its origin");
  m.placed = m.before;
  if (promotes) {
    if (m.before.IsPromoted() || KindOf(m.before) == KIN || KindOf(m.before) == OU)
      return fail("that piece does not promote");
    m.placed = m.before.Promoted();
  }
  return m;
}

std::string PositionText(const Position& p) {
  std::string rows;
  for (int y = 1; y <= 9; ++y) {
    if (y > 1) rows += '/';
    int empty = 0;
    for (int x = 1; x <= 9; ++x) {
      const PieceCode c = p.Board[x][y];
      const int seat = SeatOfCode(c);
      if (c.IsEmpty() || seat == NO_SEAT) {
        ++empty;
        continue;
      }
      if (empty) rows += static_cast<char>('0' + empty);
      empty = 0;
      rows += kSeatLetters[seat];
      if (c.IsPromoted()) rows += '+';
      rows += kPieceLetters[KindOf(c)];
    }
    if (empty) rows += static_cast<char>('0' + empty);
  }
  std::string hands;
  for (int seat = 1; seat <= 4; ++seat) {
    if (seat > 1) hands += '/';
    std::string h;
    for (int k = 1; k <= 4; ++k)
      if (p.Hand[seat][k] > 0) h += std::to_string(p.Hand[seat][k]) + kPieceLetters[k];
    hands += h.empty() ? "-" : h;
  }
  return "board " + rows + " " + hands + " " + SeatLetter(p.CurrentSeat);
}

std::optional<Position> ParsePositionText(std::string_view rows, std::string_view hands,
                                          std::string_view seat, std::string* why) {
  auto fail = [why](std::string reason) -> std::optional<Position> {
    *why = std::move(reason);
    return std::nullopt;
  };
  Position p;
  int y = 1, x = 1;
  int kings[5] = {};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const char c = rows[i];
    if (c == '/') {
      if (x != 10) return fail("board row " + std::to_string(y) + " has not nine cells");
      if (++y > 9) return fail("the board has more than nine rows");
      x = 1;
      continue;
    }
    if (c >= '1' && c <= '9') {
      x += c - '0';
      if (x > 10) return fail("board row " + std::to_string(y) + " has more than nine cells");
      continue;
    }
    const int owner = SeatOfLetter(c);
    if (owner == NO_SEAT) return fail("board row " + std::to_string(y) + ": not a cell");
    const bool promoted = i + 1 < rows.size() && rows[i + 1] == '+';
    if (promoted) ++i;
    const int kind = i + 1 < rows.size() ? KindOfLetter(rows[i + 1]) : 0;
    if (kind == 0) return fail("board row " + std::to_string(y) + ": not a piece");
    ++i;
    if (promoted && (kind == KIN || kind == OU))
      return fail("board row " + std::to_string(y) + ": that piece does not promote");
    if (x > 9) return fail("board row " + std::to_string(y) + " has more than nine cells");
    if (kind == OU && ++kings[owner] > 1)
      return fail(std::string("seat ") + kSeatLetters[owner] + " has two kings");
    p.Board[x][y] = Code(owner, kind, promoted);
    ++x;
  }
  if (y != 9 || x != 10) return fail("the board has not nine rows of nine cells");

  if (std::count(hands.begin(), hands.end(), '/') != 3)
    return fail("the hands are not four, separated by /");
  std::size_t at = 0;
  for (int s = 1; s <= 4; ++s) {
    const std::size_t end = std::min(hands.find('/', at), hands.size());
    const std::string_view h = hands.substr(at, end - at);
    at = end + 1;
    const std::string where = std::string("hand ") + kSeatLetters[s];
    if (h == "-") continue;
    if (h.empty()) return fail(where + " is empty (write -)");
    for (std::size_t i = 0; i < h.size(); ++i) {
      int n = 0;
      const auto r = std::from_chars(h.data() + i, h.data() + h.size(), n);
      if (r.ec == std::errc::result_out_of_range || (r.ec == std::errc{} && n > kMaxHand))
        return fail(where + ": a count past " + std::to_string(kMaxHand));
      if (r.ec != std::errc{} || n < 0 || r.ptr == h.data() + h.size())
        return fail(where + ": not a count and a letter");
      i = static_cast<std::size_t>(r.ptr - h.data());
      const int kind = KindOfLetter(h[i]);
      if (kind < HU || kind > SYA) return fail(where + ": a hand holds P, S, G or R");
      p.Hand[s][kind] = n;
    }
  }
  if (seat.size() != 1 || SeatOfLetter(seat[0]) == NO_SEAT)
    return fail("the seat to move is b, l, t or r");
  p.CurrentSeat = SeatOfLetter(seat[0]);
  return p;
}

}  // namespace korvel::engine
