// Scoring one candidate move of the computer player on the trial position.
#pragma once

#include <cstdint>

#include "game/state.h"

namespace korvel {

// Attack counts per seat and square, shaped like GameState::AttackMap.
using AttackTable = std::uint8_t[5][10][10];

// What the search hands to every evaluation of one turn. Plain data, owned by the search.
struct EvalContext {
  // The attack maps of the position before the move (taken once at the start of the turn).
  const AttackTable* AttackBefore = nullptr;
  // The piece under trial before any promotion (the dropped piece for a drop).
  PieceCode TrialPiece;
  // The mover's partner's king, fetched at the start of the turn.
  Square PartnerKing;
};

// The constants that tell the four seats apart in the scoring.
struct SeatParams {
  int E1, E2;                         // the two enemies, in the order their kings are tested
  PieceCode PartnerLow, PartnerHigh;  // taking one of these costs 100
  PieceCode ThreatLow, ThreatHigh;    // the next seat's pieces: removing an attacker earns 100
  int GoodCaptureBonus;               // a good capture on an attacked square
  int QuietMoveBonus;                 // a quiet move away from an attacked square
  int ForwardDx, ForwardDy;           // the seat's forward direction, for the 0.1 step
};

// Indexed by seat 1..4.
const SeatParams& ParamsOf(int seat);

// The score of the trial position: the candidate is already made on the board and the
// attack maps describe the position after it. `placed` is the code now on the destination
// (promoted when the move promotes); the origin is a board square or a hand cell.
double EvaluateMove(GameState& s, const EvalContext& ctx, PieceCode captured, PieceCode placed,
                    int fromX, int fromY, int toX, int toY);

// Is the captured piece worth at least as much as the one taking it?
bool IsGoodCapture(PieceCode mover, PieceCode captured);

// A pawn dropped right behind one of its own golds, so that it guards the gold.
bool IsPawnGuardDrop(const GameState& s, PieceCode placed, int fromX, int toX, int toY);

// An unpromoted silver or gold checking from a square its team defends and exactly one
// enemy piece attacks (counts of the position after the move).
bool IsSupportedCheck(const GameState& s, PieceCode placed, int toX, int toY);

}  // namespace korvel
