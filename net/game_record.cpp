#include "net/game_record.h"

#include "game/play_move.h"
#include "net/protocol.h"
#include "play/game_record.h"

namespace korvel::net {

QJsonObject TurnJson(const Turn& t) {
  QJsonObject o{{"seat", t.seat}, {"next", t.next == NO_SEAT ? 0 : t.next}};
  if (t.pass) {
    o.insert("pass", true);
    return o;
  }
  o.insert("by", t.byComputer ? "computer" : "person");
  o.insert("from", SquareJson(t.move.fromX, t.move.fromY));
  o.insert("to", SquareJson(t.move.toX, t.move.toY));
  o.insert("before", PieceJson(t.move.before));
  o.insert("placed", PieceJson(t.move.placed));
  return o;
}

std::optional<Turn> TurnFromJson(const QJsonObject& o) {
  Turn t;
  const auto seat = SeatField(o, "seat");
  if (!seat) return std::nullopt;
  t.seat = *seat;
  const auto next = IntField(o, "next", 0, 4);
  if (!next) return std::nullopt;
  t.next = *next == 0 ? NO_SEAT : *next;
  if (o.contains("pass")) {
    if (BoolField(o, "pass") != true) return std::nullopt;
    t.pass = true;
    return t;
  }
  const QString by = o.value("by").toString();
  if (by != "computer" && by != "person") return std::nullopt;
  t.byComputer = by == "computer";
  const auto from = SquareField(o, "from");
  const auto to = SquareField(o, "to");
  const auto before = PieceField(o, "before", false);
  const auto placed = PieceField(o, "placed", false);
  if (!from || !to || !before || !placed || !OnBoard(to->x, to->y)) return std::nullopt;
  t.move = Move{from->x, from->y, to->x, to->y, *before, *placed};
  return t;
}

Turn WireTurn(const Game::Turn& g) {
  Turn t;
  t.seat = g.seat;
  t.pass = g.pass;
  t.byComputer = g.by == Game::Mover::COMPUTER;
  if (!g.pass) t.move = g.move;
  t.next = g.next;
  return t;
}

QJsonArray TurnsJson(const std::vector<Game::Turn>& turns) {
  QJsonArray a;
  for (const Game::Turn& t : turns) a.append(TurnJson(WireTurn(t)));
  return a;
}

QJsonArray TurnsJson(const std::vector<Game::Turn>& turns, size_t from, size_t count) {
  QJsonArray a;
  for (size_t i = from; i >= 1 && i < from + count && i <= turns.size(); ++i)
    a.append(TurnJson(WireTurn(turns[i - 1])));
  return a;
}

std::optional<std::vector<Turn>> TurnsFromJson(const QJsonArray& a) {
  std::vector<Turn> turns;
  turns.reserve(static_cast<size_t>(a.size()));
  for (const QJsonValue& v : a) {
    if (!v.isObject()) return std::nullopt;
    const auto t = TurnFromJson(v.toObject());
    if (!t) return std::nullopt;
    turns.push_back(*t);
  }
  return turns;
}

namespace {

Refusal TurnRefusal(Game& g, const Turn& t, MoveOutcome* outcome) {
  // A game over (the model's own end) takes no turn, whoever's.
  if (g.State().GameOver) return Refusal::GAME_OVER;
  const Game::Mover who = t.byComputer ? Game::Mover::COMPUTER : Game::Mover::PERSON;
  if (t.pass) {
    const Refusal r = g.Pass(t.seat, who);
    // The replay follows the authority's hand-off, which is no rule of the game here: the
    // seat to move as the authority found it.
    if (r == Refusal::NONE && t.next != NO_SEAT) g.Fix().FollowSeatToMove(t.next);
    return r;
  }
  if (!t.byComputer) {
    // A person's move: the door's answer first (the same checks Play makes again).
    if (const Refusal r = PersonMoveRefusal(g, t.seat, t.move); r != Refusal::NONE) return r;
  } else {
    if (t.seat != g.State().CurrentSeat) return Refusal::NOT_YOUR_TURN;
    // A computer's choice was thought on a copy of the game, so what the search leaves on
    // the game in the window is done here: the kings found (the hand-off reads them, as it
    // does in a record's replay), and at levels 1-3 the pawn lines. A computer's choice
    // follows the search's own rules.
    if (g.State().Level != 4) g.RefreshPawnLines();
    g.RefreshKings();
  }
  const Game::Played p = g.Play(t.seat, t.move, who);
  if (p.refusal != Refusal::NONE) return p.refusal;
  if (t.next != NO_SEAT) g.Fix().FollowSeatToMove(t.next);
  if (outcome) *outcome = p.outcome;
  return Refusal::NONE;
}

}  // namespace

Refusal PersonMoveRefusal(Game& g, int seat, const Move& m) {
  if (g.State().GameOver) return Refusal::GAME_OVER;
  if (const Refusal r = g.MayMove(seat); r != Refusal::NONE) return r;
  // The moment a press refreshes the caches: the pawn lines when a hand cell is picked
  // (the kings before the partner-check test are the door's).
  if (m.IsDrop()) g.RefreshPawnLines();
  return g.Check(seat, m);
}

bool ApplyTurn(Game& g, const Turn& t, MoveOutcome* outcome, Refusal* refusal) {
  const Refusal r = TurnRefusal(g, t, outcome);
  if (refusal) *refusal = r;
  return r == Refusal::NONE;
}

void StartNetGame(Game& g, const bool person[5], int level) {
  g.NewGame();
  bool computers = false;
  int kind[5]{};
  for (int seat = 1; seat <= 4; ++seat) {
    kind[seat] = person[seat] ? HUMAN : COMPUTER;
    computers = computers || !person[seat];
  }
  g.SetSeats(kind[SITA], kind[HIDARI], kind[UE], kind[MIGI], computers ? 1 : 0);
  g.SetLevel(level);
  // A new game's move number and first seat are set, not played.
  g.Fix().ResetMoveNumber();
  g.Fix().SetSeatToMove(SITA);
}

QString RecordableName(const QString& name) {
  QString out;
  for (const char32_t c : CodePointsOf(name)) {
    const QChar::Category k = QChar::category(c);
    const bool unsafe = k == QChar::Other_Control || k == QChar::Other_Format ||
                        k == QChar::Separator_Line || k == QChar::Separator_Paragraph ||
                        k == QChar::Other_Surrogate || k == QChar::Other_NotAssigned;
    if (unsafe)
      out += QChar(u' ');
    else
      out += QChar::fromUcs4(c);
  }
  out = out.simplified();
  return LeftCodePoints(out, kMaxNameChars).trimmed();
}

std::string RecordText(const Game& game, const bool person[5], const QString names[5],
                       int level, bool over, int winner, const std::string& started,
                       bool byLength, int timeLoser) {
  RecordNotes notes;
  notes.comments.push_back("# ネット対局");
  notes.people.emplace();
  for (int seat = 1; seat <= 4; ++seat) {
    (*notes.people)[seat] = person[seat];
    QString who = person[seat] ? RecordableName(names[seat]) : QStringLiteral("コンピュータ");
    if (who.isEmpty()) who = QStringLiteral("（空席）");
    notes.comments.push_back("# " + SeatName(seat) + ": " + who.toStdString());
  }
  if (over) notes.repetitionWinner = winner;
  notes.byLength = over && byLength;
  if (over) notes.timeLoser = timeLoser;
  if (game.State().GameStarted) return WriteRecord(game, started, notes);
  // Nothing begun: the start of a game, as the authority would begin it.
  Game start;
  StartNetGame(start, person, level);
  return WriteRecord(start, started, notes);
}

}  // namespace korvel::net
