// The game so far as the network game keeps it: every turn in order (a move, by a person
// or a computer, or a pass), as JSON. This is the one place that turns a game into a
// record and back, so the record file can change format here alone.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <optional>
#include <vector>

#include "game/move.h"
#include "play/game.h"

namespace korvel::net {

struct Turn {
  int seat = NO_SEAT;
  bool pass = false;
  bool byComputer = false;  // which door of Game played it: the two differ on purpose
  Move move;
  // The seat to move after it as the authority found it (NO_SEAT when a king was taken):
  // a replay follows it, whoever played each seat at the time.
  int next = NO_SEAT;
};

QJsonObject TurnJson(const Turn& t);
std::optional<Turn> TurnFromJson(const QJsonObject& o);
QJsonArray TurnsJson(const std::vector<Turn>& turns);
std::optional<std::vector<Turn>> TurnsFromJson(const QJsonArray& a);

// Plays one turn on `g` the way the authority played it and hands the turn to `next`
// (when it is a seat; the authority itself plays with NO_SEAT and reads the hand-off).
// False (and nothing changed) when it is not that seat's turn, or a person's move is not
// legal there.
bool ApplyTurn(Game& g, const Turn& t, MoveOutcome* outcome = nullptr);

// A new game for the network: the initial position, who plays each seat (persons are
// HUMAN), the level, SITA to move.
void StartNetGame(Game& g, const bool person[5], int level);

// The record of a whole game as one JSON document: the seats, names, level and turns.
QJsonObject RecordJson(const bool person[5], const QString names[5], int level,
                       const std::vector<Turn>& turns);

}  // namespace korvel::net
