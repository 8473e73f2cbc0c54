// The network game's turns: the game's own list of turns (Game::Turns: a move, by a
// person or a computer, or a pass) as JSON on the wire, and the same game as a game record
// (.k4k, written by play/game_record.h) on disk. The network code keeps no list of its own.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <optional>
#include <string>
#include <vector>

#include "game/move.h"
#include "play/game.h"

namespace korvel::net {

// One turn as the wire carries it.
struct Turn {
  int seat = NO_SEAT;
  bool pass = false;
  bool byComputer = false;  // which door of Game played it: the two differ on purpose
  Move move;
  // The seat to move after it as the authority found it (NO_SEAT when a king was taken):
  // a replay follows it, whoever played each seat at the time.
  int next = NO_SEAT;
};

// A turn of the game's list as the wire carries it.
Turn WireTurn(const Game::Turn& t);
QJsonObject TurnJson(const Turn& t);
std::optional<Turn> TurnFromJson(const QJsonObject& o);
// The game's list of turns on the wire.
QJsonArray TurnsJson(const std::vector<Game::Turn>& turns);
// The turns numbered from..from+count-1 of the list (1 the first), as many as there are.
QJsonArray TurnsJson(const std::vector<Game::Turn>& turns, size_t from, size_t count);
std::optional<std::vector<Turn>> TurnsFromJson(const QJsonArray& a);

// Plays one turn on `g` through the game's door, the way the authority played it, and
// hands the turn to `next` (when it is a seat; the authority itself plays with NO_SEAT and
// reads the hand-off). True when played; else false with the door's refusal in `refusal`
// (when given), and the game as it was but for the caches a press would have refreshed:
// not that seat's turn, the game over, or a person's move the rules refuse.
bool ApplyTurn(Game& g, const Turn& t, MoveOutcome* outcome = nullptr,
               Refusal* refusal = nullptr);

// The door's answer to a person's move of `seat`, without playing it: the refusal
// ApplyTurn would meet (the game over, not the seat's turn, the rules), NONE when it would
// play the move. It refreshes the caches ApplyTurn refreshes first (the pawn lines for a
// drop, the kings once the piece's own move passed): run it on a copy of a game whose
// caches matter (the computer's choices read them).
Refusal PersonMoveRefusal(Game& g, int seat, const Move& m);

// A new game for the network: the initial position, who plays each seat (persons are
// HUMAN), the level, SITA to move.
void StartNetGame(Game& g, const bool person[5], int level);

// The network game as a game record (docs/record-format.md) that the window's 棋譜を開く
// and the runner's `load` open and continue: the game's own turns, the seats people play
// now as 人 and the others as COM, the players' names in comment lines, and a game that is
// `over` without a king taken as 千日手 with its `winner` (as 手数 when `byLength`: the move
// limit ended it; as 時間切れ when `timeLoser`'s time ended it). A game not begun yet is written as the start of a game at `level`.
// `started` is the date and time of the first move ("" when not known).
std::string RecordText(const Game& game, const bool person[5], const QString names[5],
                       int level, bool over, int winner, const std::string& started,
                       bool byLength = false, int timeLoser = NO_SEAT);

// A name as a record's comment line may carry it: no control or format characters (a line
// break would end the comment), at most 24 characters, trimmed.
QString RecordableName(const QString& name);

}  // namespace korvel::net
