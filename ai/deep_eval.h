// The deep search's evaluation: material on the board and in hand, promotion, king safety
// and the mobility of rooks, from the side of the team whose seat is to move.
//
// The weights are chosen by matches (korvel4-match --a-eval/--b-eval, 200 games at 100,000
// nodes a decision against the weights before, README "Tuning the weights"): one field or
// group at a time, kept when the score was clearly better. King safety started about twice
// as heavy and lost 92 Elo to these weights.
//
// Taking a partner's piece is worth what it does to the team's material and nothing more:
// the piece leaves the board (its board value) and enters the taker's hand (its hand value),
// a small gain for an unpromoted piece and a loss for a promoted one, and the partner's king
// may lose a defender. The search tries such a move as a quiet move, after the captures of
// enemy pieces. A search that never tried it inside the tree scored the same (99-101).
#pragma once

#include <string>
#include <string_view>

#include "ai/deep_board.h"

namespace korvel::deep {

struct EvalParams {
  // Indexed by piece type (T_HU .. T_RYU); the king is not counted.
  int board[9] = {0, 100, 480, 560, 950, 0, 560, 560, 1250};
  // Indexed by hand slot: a piece in hand is worth a little more than on the board.
  int hand[5] = {0, 115, 540, 630, 1080};
  // King safety. An enemy piece within two squares of a king adds its weight (twice when
  // it stands next to the king); an enemy hand adds dropWeight per kind held when the king
  // has empty neighbours. Each of the king's team's pieces beside it subtracts `defender`.
  int near[9] = {0, 5, 14, 14, 20, 9, 14, 14, 27};
  int drop[5] = {0, 4, 14, 16, 20};
  int defender = 18;
  // The enemy seat that moves next counts nextPercent of its weight.
  int nextPercent = 160;
  // danger + danger^2 / quadratic, with danger the weighted total of one king.
  int quadratic = 220;
  // Per square a rook or dragon reaches.
  int rookMobility = 3;
  // The team to move has the initiative.
  int tempo = 20;
};

const EvalParams& DefaultEvalParams();

// Weights as text, one line per field: its name, then its numbers in order ("board 0 100 480
// ..."; "defender 18"). '#' starts a comment. A field left out keeps its value in `out`.
// Answers false with `error` naming the line for an unknown name, a wrong count, a number
// outside -100000..100000 or a quadratic that is not positive; `out` is then unchanged.
bool ParseEvalParams(std::string_view text, EvalParams& out, std::string& error);
std::string FormatEvalParams(const EvalParams& p);

// The score for the team of the seat to move, in hundredths of a pawn.
int Evaluate(const Board& b, const EvalParams& p);

// A piece's value on the board (for ordering and the exchange count).
int PieceValue(const EvalParams& p, std::uint8_t piece);

}  // namespace korvel::deep
