// Fitting level 4's evaluation weights to game results (korvel4-tune): quiet positions of
// self-play games, each with the result for the team to move, and a logistic model of that
// result from the evaluation, sigmoid(k * eval); the weights are moved together to make the
// model's squared error smallest (a local search over every weight, steps halving).
#pragma once

#include <functional>
#include <vector>

#include "ai/deep_board.h"
#include "ai/deep_eval.h"

namespace korvel::tune {

struct Sample {
  deep::Board board;
  float result = 0.5f;  // for the team to move: 1 won, 0 lost, 0.5 drawn
};

// The weights the fit moves, each one number of EvalParams (the king's board value and the
// unused slots left out).
int WeightCount();
int& Weight(deep::EvalParams& p, int i);
// "board[4]", "defender", ...
std::string WeightName(int i);
deep::WeightRange WeightRangeOf(int i);

// Is the position quiet enough to learn from: the seat to move has no capture of an enemy
// piece, and no king of its team stands where the next seat reaches?
bool IsQuiet(const deep::Board& b);

// The expected result for the team to move: 1 / (1 + 10^(-k * eval / 400)).
double Expected(double eval, double k);
// The mean squared error of the expected results over the samples.
double Loss(const std::vector<Sample>& samples, const deep::EvalParams& p, double k);
// The k that makes the loss smallest for these weights (searched in 0.01..10).
double FitScale(const std::vector<Sample>& samples, const deep::EvalParams& p);

// Moves every weight by its step while the loss falls, halving the steps when no weight
// helps, within each weight's range, for at most `passes` passes over the weights. `told`
// hears each pass's loss.
deep::EvalParams Fit(const std::vector<Sample>& samples, const deep::EvalParams& start, double k,
                     int passes, const std::function<void(int, double)>& told = {});

}  // namespace korvel::tune
