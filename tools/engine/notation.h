// The engine protocol's compact ASCII notation for moves and positions (docs/engine-protocol.md).
//
// A square is its column (1-9, counted from the right edge of the screen, as a record's
// column) and its row (1-9 from the top): "57". A board move is origin and destination,
// "+" when it promotes: "5756", "7473+". A drop is the piece's letter, "*" and the square:
// "G*53" (P pawn, S silver, G gold, R rook). A seat with no move passes: "pass".
//
// A position is "startpos", or "board ROWS HANDS SEAT": ROWS the nine rows top first,
// separated by "/", each cell from column 9 to column 1 as a seat letter (b 下, l 左,
// t 上, r 右), "+" for a promoted piece and the piece letter (P S G R K), a digit for a
// run of empty cells; HANDS the four hands in seat order 下/左/上/右, each "-" or counts
// and letters ("2P1G"); SEAT the letter of the seat to move.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "game/move.h"
#include "game/state.h"

namespace korvel::engine {

// The move as text; "pass" for a move not found.
std::string MoveText(const Move& m);

// The move a text names for the seat to move of `s`, read against its board; nothing with
// the reason when the text is no move or names a square without a piece. Whether the rules
// allow it is the game's to answer (Game::Check).
std::optional<Move> ParseMoveText(const GameState& s, std::string_view text, std::string* why);

// The position (board, hands, seat to move) as "board ROWS HANDS SEAT".
std::string PositionText(const Position& p);

// A position read from the words after "position board": the board, the hands and the
// seat to move set on the initial position's setup; nothing with the reason when a word is
// not one of the notation, a seat holds two kings or a hand count is past 999999.
std::optional<Position> ParsePositionText(std::string_view rows, std::string_view hands,
                                          std::string_view seat, std::string* why);

// Why the rules refused a move, in the protocol's words.
const char* RefusalText(Refusal r);

// The seat letter of the notation: b l t r for SITA HIDARI UE MIGI ('?' for none).
char SeatLetter(int seat);

}  // namespace korvel::engine
