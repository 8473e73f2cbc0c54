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

// What each weight may be. Within these ranges no sum or product of the evaluation or of
// the move ordering leaves an int, on any board the search takes (at most 81 pieces, one
// king a seat, hands counted up to 18 a kind): deep_eval.cpp and deep_search.cpp prove it
// when they are compiled. The defaults lie far inside.
struct WeightRange {
  int lo, hi;
};
inline constexpr WeightRange kPieceWeightRange{-20000, 20000};  // board, hand, tempo
inline constexpr WeightRange kKingWeightRange{-150, 150};       // near, drop
inline constexpr WeightRange kDefenderRange{-1000, 1000};
inline constexpr WeightRange kNextPercentRange{-400, 400};
inline constexpr WeightRange kQuadraticRange{20, 100000};
inline constexpr WeightRange kRookMobilityRange{-1000, 1000};
// The range of a field by its name in the text ("near"); {0, 0} for no such field.
WeightRange RangeOf(std::string_view field);

// The largest magnitudes the evaluation reaches with weights in these ranges.
namespace bounds {
constexpr long long Largest(WeightRange r) {
  return r.lo < 0 && -static_cast<long long>(r.lo) > r.hi ? -static_cast<long long>(r.lo) : r.hi;
}
// One enemy's attack on a king: its pieces on the 24 squares around it (the 8 beside it
// twice) and its hand's four kinds with three open squares.
inline constexpr long long kAttack =
    32 * Largest(kKingWeightRange) + 12 * Largest(kKingWeightRange);
// That attack at the next enemy's percentage, the other enemy's whole attack beside it,
// eight defenders: the danger before its square term.
inline constexpr long long kDanger = kAttack * ((Largest(kNextPercentRange) + 99) / 100) +
                                     kAttack + 8 * Largest(kDefenderRange);
inline constexpr long long kKingDanger = kDanger + kDanger * kDanger / kQuadraticRange.lo;
// One team: 81 squares of pieces (each with 16 squares of reach), two hands of up to 18 of
// four kinds, two kings.
inline constexpr long long kTeam = 81 * Largest(kPieceWeightRange) +
                                   81 * 16 * Largest(kRookMobilityRange) +
                                   2 * 4 * 18 * Largest(kPieceWeightRange) + 2 * kKingDanger;
inline constexpr long long kEvaluation = 2 * kTeam + Largest(kPieceWeightRange);
}  // namespace bounds

// Weights as text, one line per field: its name, then its numbers in order ("board 0 100 480
// ..."; "defender 18"). '#' starts a comment; a UTF-8 byte order mark before the first line
// is skipped. A field left out keeps its value in `out`. Answers false with `error` naming
// the line for an unknown name, a wrong count, a number outside the field's range, or a
// text with no weight at all; `out` is then unchanged. The words an error quotes show
// anything but printable ASCII as \xNN.
bool ParseEvalParams(std::string_view text, EvalParams& out, std::string& error);

// Bytes as an error message quotes them: in single quotes, at most `limit` of them (then
// ...), anything but printable ASCII (and the backslash) as \xNN.
std::string QuotedBytes(std::string_view text, std::size_t limit);
std::string FormatEvalParams(const EvalParams& p);

// The score for the team of the seat to move, in hundredths of a pawn. From the counts the
// board keeps when its king weights (Board::SetKingWeights) are p.near, else square by
// square as EvaluateByScan; both give the same score.
int Evaluate(const Board& b, const EvalParams& p);
int EvaluateByScan(const Board& b, const EvalParams& p);

// A piece's value on the board (for ordering and the exchange count).
int PieceValue(const EvalParams& p, std::uint8_t piece);

}  // namespace korvel::deep
