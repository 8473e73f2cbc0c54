#include "net/room.h"

#include <algorithm>
#include <chrono>

#include "game/check.h"
#include "game/movement.h"
#include "game/play_move.h"
#include "net/protocol.h"
#include "play/game_record.h"
#include "play/repetition.h"
#include "play/texts.h"

namespace korvel::net {

namespace {

QJsonObject RefusalJson(const char* code, const QString& text, const QString& detail) {
  return QJsonObject{{"t", "refused"}, {"code", code}, {"text", text}, {"detail", detail}};
}

// The protocol's version 1 speaks Japanese whatever the window's language: its peers
// compare these texts.
QString V1(TextId id) { return QString::fromUtf8(TextIn(Language::JAPANESE, id)); }

// A format of the table with its parts, kept exactly as they came (a name may hold what
// UTF-8 cannot).
QString V1(TextId id, std::initializer_list<QString> parts) {
  QString out;
  WalkFormat(
      TextIn(Language::JAPANESE, id),
      [&](std::string_view literal) {
        out += QString::fromUtf8(literal.data(), static_cast<qsizetype>(literal.size()));
      },
      [&](int n) {
        if (static_cast<size_t>(n) <= parts.size()) out += parts.begin()[n - 1];
      });
  return out;
}

QString V1Prompt(int seat) { return V1(SeatPromptId(seat)); }

// The protocol's words for a refused move (version 1: code, text, detail).
struct RefusalText {
  const char* code;
  QString text;
  QString detail;
};

RefusalText ProtocolText(Refusal r, int seatToMove) {
  using enum TextId;
  switch (r) {
    case Refusal::NOT_STARTED: return {"not-started", V1(TITLE_START), V1(NOT_STARTED)};
    case Refusal::GAME_OVER: return {"over", V1(TITLE_END), V1(GAME_ENDED)};
    case Refusal::NOT_YOUR_TURN: return {"turn", V1(WRONG_TURN), V1Prompt(seatToMove)};
    case Refusal::NOT_YOUR_PIECE: return {"illegal", V1(TITLE_FORBIDDEN), V1(NOT_OWN_PIECE)};
    case Refusal::CANNOT_PROMOTE: return {"illegal", V1(TITLE_FORBIDDEN), V1(CANNOT_PROMOTE)};
    case Refusal::PARTNER_CHECK: return {"partner", V1(TITLE_FORBIDDEN), V1(PARTNER_CHECK)};
    case Refusal::MUST_PROMOTE: return {"promote", V1(TITLE_PROMOTE), V1(MUST_PROMOTE)};
    case Refusal::NONE:
    case Refusal::EMPTY_HAND:
    case Refusal::CANNOT_MOVE: break;
  }
  return {"illegal", V1(TextId::TITLE_FORBIDDEN), V1(TextId::CANNOT_MOVE)};
}

QJsonObject Notice(const QString& text, const QString& code, int seat) {
  return QJsonObject{{"t", "notice"}, {"code", code}, {"text", text}, {"seat", seat}};
}

}  // namespace

Room::Room(QString code, const RoomOptions& options) : code_(std::move(code)), options_(options) {
  for (int seat = 0; seat <= 4; ++seat) person_[seat] = seat > 0 && options.person[seat];
  // The waiting time counts on the monotonic clock: a change of the system's time moves it
  // not.
  now_ = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
}

bool Room::AnyoneConnected() const {
  for (int seat = 1; seat <= 4; ++seat)
    if (seats_[seat].connected) return true;
  return false;
}

QJsonArray Room::SeatsJson() const {
  QJsonArray a;
  for (int seat = 1; seat <= 4; ++seat) {
    const SeatInfo& s = seats_[seat];
    a.append(QJsonObject{{"seat", seat},
                         {"kind", person_[seat] ? "person" : "computer"},
                         {"name", s.name},
                         {"joined", s.joined},
                         {"connected", s.connected}});
  }
  return a;
}

QJsonObject Room::RoomMessage() const {
  return QJsonObject{{"t", "room"}, {"host", host_}, {"seats", SeatsJson()}};
}

void Room::BroadcastRoom() {
  Send(kEveryone, RoomMessage());
}

void Room::Send(int to, const QJsonObject& msg) {
  Outgoing o{to, msg, {}, 0, {}};
  const QString t = msg.value("t").toString();
  if (positionWanted_ && (t == "welcome" || t == "start" || t == "moved")) {
    o.v2.insert("position", PositionJson());
    const int seat = SeatToMoveNow();
    if (seat != NO_SEAT && legalWanted_[seat] && person_[seat]) {
      o.legalSeat = seat;
      o.legal = LegalJson();
    }
  }
  out_.push_back(std::move(o));
}

void Room::WantPosition(int seat) {
  positionWanted_ = true;
  if (seat >= 1 && seat <= 4) legalWanted_[seat] = true;
}

int Room::SeatToMoveNow() const {
  if (!started_ || over_ || game_.State().GameOver) return NO_SEAT;
  if (!Turns().empty()) {
    const Game::Turn& last = Turns().back();
    // A king taken: the game ends with this turn (over_ follows the message).
    if (!last.pass && last.next == NO_SEAT) return NO_SEAT;
  }
  // The move limit ends the game with the turn that reaches it.
  if (options_.maxTurns > 0 && Turns().size() >= static_cast<size_t>(options_.maxTurns))
    return NO_SEAT;
  const int seat = game_.State().CurrentSeat;
  return seat >= 1 && seat <= 4 ? seat : NO_SEAT;
}

QJsonObject Room::PositionJson() const {
  const GameState& s = game_.State();
  QJsonArray board;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (!s.Board[x][y].IsEmpty()) board.append(QJsonArray{x, y, PieceJson(s.Board[x][y])});
  QJsonArray hands;
  for (int seat = 1; seat <= 4; ++seat)
    for (int slot = 1; slot <= 4; ++slot) {
      const Square c = HandCellOf(seat, slot);
      hands.append(QJsonArray{c.x, c.y, PieceJson(HandCellCode(c.x, c.y)), s.Hand[seat][slot], seat});
    }
  QJsonValue last = QJsonValue::Null;
  if (!Turns().empty() && !Turns().back().pass) {
    const Game::Turn& t = Turns().back();
    last = QJsonObject{{"from", SquareJson(t.move.fromX, t.move.fromY)},
                       {"to", SquareJson(t.move.toX, t.move.toY)},
                       {"seat", t.seat}};
  }
  const int toMove = SeatToMoveNow();
  return QJsonObject{{"n", static_cast<int>(Turns().size()) + 1},
                     {"toMove", toMove == NO_SEAT ? 0 : toMove},
                     {"board", board},
                     {"hands", hands},
                     {"last", last},
                     {"check", lastCheck_ == NO_SEAT ? 0 : lastCheck_}};
}

Move Room::IntendedMove(const GameState& s, Square from, Square to, bool promote) {
  const PieceCode before =
      OnBoard(from.x, from.y) ? s.Board[from.x][from.y] : HandCellCode(from.x, from.y);
  PieceCode placed = before;
  if (promote && !CanPromote(from.x, from.y, to.x, to.y, before, &placed)) placed = EMPTY;
  return Move{from.x, from.y, to.x, to.y, before, placed};
}

QJsonArray Room::LegalJson() const {
  QJsonArray list;
  const int seat = SeatToMoveNow();
  if (seat == NO_SEAT || !person_[seat]) return list;
  // The door on a copy: the room's game and its caches stay as they are.
  Game work = game_;
  std::vector<Square> origins;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (BelongsTo(work.State().Board[x][y], seat)) origins.push_back({x, y});
  for (int slot = 1; slot <= 4; ++slot)
    if (work.State().Hand[seat][slot] > 0) origins.push_back(HandCellOf(seat, slot));
  for (const Square from : origins) {
    QJsonArray dests;
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y) {
        const Square to{x, y};
        const bool plain = PersonMoveRefusal(work, seat, IntendedMove(work.State(), from, to,
                                                                      false)) == Refusal::NONE;
        const bool promoted = PersonMoveRefusal(work, seat, IntendedMove(work.State(), from, to,
                                                                         true)) == Refusal::NONE;
        if (plain || promoted) dests.append(QJsonArray{x, y, plain && promoted ? 2 : plain ? 0 : 1});
      }
    if (!dests.isEmpty())
      list.append(QJsonObject{{"from", SquareJson(from.x, from.y)}, {"to", dests}});
  }
  return list;
}

void Room::Refuse(int seat, const char* code, const QString& text, const QString& detail) {
  Send(seat, RefusalJson(code, text, detail));
}

void Room::RefuseMove(int seat, Refusal r) {
  const RefusalText t = ProtocolText(r, game_.State().CurrentSeat);
  Refuse(seat, t.code, t.text, t.detail);
}

Room::JoinAnswer Room::Join(int seat, const QString& name) {
  JoinAnswer a;
  if (closed_) {
    a.error = ErrorMessage("closed", V1(TextId::ROOM_CLOSED));
  } else if (!person_[seat]) {
    a.error = ErrorMessage("seat-computer", V1(TextId::SEAT_COMPUTER));
  } else if (seats_[seat].joined) {
    a.error = ErrorMessage("seat-taken", V1(TextId::SEAT_TAKEN));
  } else {
    SeatInfo& s = seats_[seat];
    s.name = name;
    s.token = NewToken();
    s.joined = s.connected = true;
    Journal(QJsonObject{{"j", "seat"}, {"seat", seat}, {"name", name}, {"token", s.token}});
    if (host_ == NO_SEAT && (options_.hostSeat == NO_SEAT || options_.hostSeat == seat)) {
      host_ = seat;
      Journal(QJsonObject{{"j", "host"}, {"seat", host_}});
    }
    a.ok = true;
    a.token = s.token;
    Send(seat, Welcome(seat, s.token));
    KeepHostPresent();
    BroadcastRoom();
  }
  return a;
}

Room::JoinAnswer Room::Rejoin(int seat, const QString& token) {
  JoinAnswer a;
  SeatInfo& s = seats_[seat];
  if (closed_) {
    a.error = ErrorMessage("closed", V1(TextId::ROOM_CLOSED));
    return a;
  }
  if (!s.joined || s.token.size() != token.size()) {
    a.error = ErrorMessage("token", V1(TextId::BAD_TOKEN));
    return a;
  }
  // Compared in full whatever differs, so the answer's timing tells nothing.
  int diff = 0;
  for (int i = 0; i < token.size(); ++i) diff |= token[i].unicode() ^ s.token[i].unicode();
  if (diff != 0) {
    a.error = ErrorMessage("token", V1(TextId::BAD_TOKEN));
    return a;
  }
  s.connected = true;
  if (!person_[seat]) {  // the computer kept the seat meanwhile: it is the person's again
    person_[seat] = true;
    JournalPeople();
    ApplyKinds();
  }
  a.ok = true;
  a.token = s.token;
  Send(seat, Welcome(seat, s.token));
  Send(kEveryone, Notice(V1(TextId::CAME_BACK, {s.name}), "back", seat));
  KeepHostPresent();
  BroadcastRoom();
  // A seat the computer held goes back to a person at its turn: with no move, it passes.
  PassIfNoMove();
  return a;
}

void Room::Left(int seat) {
  SeatInfo& s = seats_[seat];
  if (!s.connected) return;
  s.connected = false;
  s.leftAt = now_();
  const QString who = V1(seat == host_ ? TextId::PERSON_HOST : TextId::PERSON, {s.name});
  Send(kEveryone, Notice(V1(TextId::CONNECTION_LOST, {who}), "missing", seat));
  KeepHostPresent();
  BroadcastRoom();
}

bool Room::KeepHostPresent() {
  if (host_ == NO_SEAT || seats_[host_].connected) return false;
  for (int step = 1; step <= 3; ++step) {
    const int seat = (host_ - 1 + step) % 4 + 1;
    if (!person_[seat] || !seats_[seat].connected) continue;
    host_ = seat;
    Journal(QJsonObject{{"j", "host"}, {"seat", host_}});
    Send(kEveryone, Notice(V1(TextId::HOST_PASSED, {seats_[seat].name}), "host", seat));
    // The question the last host left unanswered is the new host's.
    if (over_ && !closed_) Send(host_, QJsonObject{{"t", "ask"}, {"text", V1(TextId::CONTINUE)}});
    return true;
  }
  return false;
}

void Room::ApplyKinds() {
  if (!started_) return;
  bool computers = false;
  int kind[5]{};
  for (int seat = 1; seat <= 4; ++seat) {
    kind[seat] = person_[seat] ? HUMAN : COMPUTER;
    computers = computers || !person_[seat];
  }
  game_.SetSeats(kind[SITA], kind[HIDARI], kind[UE], kind[MIGI], computers ? 1 : 0);
}

void Room::Start(int by) {
  if (by != host_) return Refuse(by, "host-only", V1(TextId::HOST_ONLY), V1(TextId::TITLE_START));
  if (started_ && !over_) return Refuse(by, "started", V1(TextId::IN_PLAY), "");
  for (int seat = 1; seat <= 4; ++seat)
    if (person_[seat] && !seats_[seat].connected)
      return Refuse(by, "seats", V1(TextId::SEATS_MISSING), V1Prompt(seat));
  NewGameForAll();
}

void Room::ResetGame() {
  StartNetGame(game_, person_, options_.level);
  game_.SetTimeControl(options_.clock);
  run_.Restart();
  started_ = true;
  over_ = false;
  winner_ = NO_SEAT;
  timeLoser_ = NO_SEAT;
  result_.clear();
  reason_.clear();
  startedAt_.clear();
  lastCheck_ = NO_SEAT;
  if (options_.clock.On()) clocks_.emplace(options_.clock);
  else clocks_.reset();
  FollowClock();
}

void Room::FollowClock() {
  if (!clocks_) return;
  const int seat = game_.State().CurrentSeat;
  if (!started_ || over_ || seat < 1 || seat > 4) clocks_->Stop(now_());
  else clocks_->TurnTo(seat, now_());
}

// Only a room with a time control says anything of clocks: version 1 clients of a room
// without one see every message as before.
void Room::AddClocks(QJsonObject& msg) const {
  if (!clocks_) return;
  msg.insert("clock", TimeControlJson(clocks_->Control()));
  msg.insert("clocks", ClocksJson(*clocks_, now_()));
}

bool Room::CheckClock() {
  if (!clocks_ || !started_ || over_ || closed_) return false;
  const int loser = clocks_->OutOfTime(now_());
  if (loser == NO_SEAT) return false;
  clocks_->Stop(now_());
  timeLoser_ = loser;
  const int winner = loser % 4 + 1;
  static constexpr TextId WORDS[] = {TextId::NONE, TextId::SEAT_WORD_SITA, TextId::SEAT_WORD_HIDARI,
                                     TextId::SEAT_WORD_UE, TextId::SEAT_WORD_MIGI};
  EndGame(winner, V1(TextId::TIME_UP_WINS, {V1(WORDS[loser]), V1(TeamNameId(winner))}), "time");
  return true;
}

void Room::NewGameForAll() {
  ResetGame();
  Journal(QJsonObject{{"j", "start"}});
  QJsonObject start{{"t", "start"},
                    {"level", options_.level},
                    {"seats", SeatsJson()},
                    {"toMove", game_.State().CurrentSeat}};
  AddClocks(start);
  Send(kEveryone, start);
  PassIfNoMove();
}

void Room::Again(int by, bool yes) {
  if (by != host_) return Refuse(by, "host-only", V1(TextId::HOST_ONLY), V1(TextId::TITLE_AGAIN));
  if (!over_) return Refuse(by, "not-over", V1(TextId::IN_PLAY), "");
  if (yes) {
    NewGameForAll();
    return;
  }
  closed_ = true;
  Journal(QJsonObject{{"j", "closed"}});
  Send(kEveryone, QJsonObject{{"t", "closed"}, {"text", V1(TextId::HOST_ENDED)}});
}

void Room::GiveToComputer(int by, int seat) {
  if (by != host_) return Refuse(by, "host-only", V1(TextId::HOST_ONLY), V1(TextId::TITLE_HANDOVER));
  const SeatInfo& s = seats_[seat];
  if (!person_[seat] || s.connected)
    return Refuse(by, "seat-present", V1(TextId::SEAT_PRESENT), V1Prompt(seat));
  if (s.joined && now_() - s.leftAt < qint64{options_.waitSeconds} * 1000)
    return Refuse(by, "wait", V1(TextId::STILL_WAITING),
                  V1(TextId::WAIT_SECONDS, {QString::number(options_.waitSeconds)}));
  person_[seat] = false;
  JournalPeople();
  ApplyKinds();
  Send(kEveryone,
       Notice(V1(TextId::COMPUTER_TAKES_OVER, {V1Prompt(seat)}), "computer", seat));
  BroadcastRoom();
}

void Room::Intend(int seat, int n, Square from, Square to, bool promote) {
  const GameState& s = game_.State();
  // A move that comes after the mover's time ran out is too late.
  CheckClock();
  // The room's own end (by repetition, on time) first; the rest is the game's door.
  if (started_ && over_) return RefuseMove(seat, Refusal::GAME_OVER);
  if (const Refusal r = game_.MayMove(seat); r != Refusal::NONE) return RefuseMove(seat, r);
  if (n != static_cast<int>(Turns().size()) + 1)
    return Refuse(seat, "stale", V1(TextId::WRONG_TURN), V1(TextId::WAIT_FOR_NEWEST));
  const Move m = IntendedMove(s, from, to, promote);
  Turn t;
  t.seat = seat;
  t.move = m;
  MoveOutcome o;
  Refusal refusal = Refusal::NONE;
  if (!ApplyTurn(game_, t, &o, &refusal)) return RefuseMove(seat, refusal);
  // A person's move ends the run of computer turns the repetition rule watches.
  run_.Restart();
  Played(o);
}

bool Room::ComputerToMove() const {
  const int seat = game_.State().CurrentSeat;
  return started_ && !over_ && !closed_ && seat >= 1 && seat <= 4 && !person_[seat];
}

void Room::PlayComputerTurn() {
  auto job = PrepareComputerTurn();
  if (!job) return;
  const ChosenMove m = Think(*job);
  FinishComputerTurn(*job, m);
}

std::optional<Room::ComputerJob> Room::PrepareComputerTurn() {
  if (!ComputerToMove()) return std::nullopt;
  const ComputerRun::Step step = run_.Before(game_.State());
  if (step.repeated) {
    EndByRepetition(step.winner);
    return std::nullopt;
  }
  return ComputerJob{game_, step, Turns().size(), run_.History(), options_.deepSeconds};
}

ChosenMove Room::Think(ComputerJob& job, const std::atomic<bool>* stop) {
  ComputerLimits limits;
  limits.maxSeconds = job.maxSeconds;
  limits.history = &job.history;
  limits.stop = stop;
  return job.game.ChooseComputerMove(job.step.seat, limits);
}

void Room::FinishComputerTurn(const ComputerJob& job, const ChosenMove& m) {
  // The game went on without this choice (a new game, a seat taken back): it is dropped.
  // Whatever moved the game on began a new run of computer turns.
  if (CheckClock() || Turns().size() != job.turnsBefore || !ComputerToMove() ||
      game_.State().CurrentSeat != job.step.seat)
    return;
  const int seat = job.step.seat;
  Turn t;
  t.seat = seat;
  t.byComputer = true;
  MoveOutcome o;
  o.mover = seat;
  bool played = false;
  if (!m.found) {
    t.pass = true;
    played = ApplyTurn(game_, t);
  } else {
    t.move = m;
    played = ApplyTurn(game_, t, &o);
  }
  // The door asks only whose turn it is, which was asked above.
  if (!played) return;
  run_.After(job.step, t.pass ? nullptr : &o);
  Played(o);
}

void Room::EndByRepetition(int winner) {
  EndGame(winner,
          winner != NO_SEAT ? V1(TextId::WINS, {V1(TeamNameId(winner))}) : V1(TextId::REPETITION_END),
          "repetition");
}

void Room::PassIfNoMove() {
  if (!started_ || over_ || closed_) return;
  const int seat = game_.State().CurrentSeat;
  if (seat < 1 || seat > 4 || !person_[seat] || !game_.MustPass(seat)) return;
  // The pass is a turn of the run the repetition rule watches, as a computer's is: passes
  // that come round to the same position end the game instead of going round for ever.
  const ComputerRun::Step step = run_.Before(game_.State());
  if (step.repeated) return EndByRepetition(step.winner);
  Turn t;
  t.seat = seat;
  t.pass = true;
  if (!ApplyTurn(game_, t)) return;
  run_.After(step, nullptr);
  MoveOutcome o;
  o.mover = seat;
  Played(o);
}

void Room::Played(const MoveOutcome& o) {
  // The game keeps the turn, with the seat to move after it.
  const Turn t = WireTurn(Turns().back());
  const int n = static_cast<int>(Turns().size());
  if (n == 1) startedAt_ = LocalTimeText();
  FollowClock();
  lastCheck_ = t.pass ? NO_SEAT : o.checked;
  QJsonObject entry{{"j", "turn"}, {"n", n}, {"turn", TurnJson(t)}};
  if (n == 1) entry.insert("at", QString::fromStdString(startedAt_));
  Journal(entry);
  QJsonObject msg{{"t", "moved"}, {"n", n}, {"turn", TurnJson(t)}};
  if (clocks_) msg.insert("clocks", ClocksJson(*clocks_, now_()));
  if (!t.pass) {
    msg.insert("captured", PieceJson(o.captured));
    msg.insert("check", o.checked == NO_SEAT ? 0 : o.checked);
    msg.insert("mate", o.mate);
  }
  Send(kEveryone, msg);
  // A person's pass is the rules' doing, not the player's: everyone is told why.
  if (t.pass && !t.byComputer)
    Send(kEveryone, Notice(V1(TextId::NO_MOVE_PASS, {V1(SeatWordId(t.seat))}), "pass", t.seat));
  if (o.kingTaken) {
    // A person's capture wins for the mover's team; a computer's as the model recorded it.
    const int winner = t.byComputer ? game_.State().WinnerSeat : o.mover;
    EndGame(winner,
            winner != NO_SEAT ? V1(TextId::WINS, {V1(TeamNameId(winner))})
                              : V1(TextId::KING_TAKEN_END),
            "king");
    return;
  }
  if (o.mate) Send(kEveryone, Notice(V1(TextId::TITLE_MATE), "mate", o.checked == NO_SEAT ? 0 : o.checked));
  if (o.checked != NO_SEAT)
    Send(kEveryone, Notice(V1(TextId::CHECK_SEAT, {V1Prompt(o.checked)}), "check", o.checked));
  // The game is bounded: at the limit it ends as a draw by length.
  if (options_.maxTurns > 0 && Turns().size() >= static_cast<size_t>(options_.maxTurns))
    EndGame(NO_SEAT, V1(TextId::LENGTH_END), "length");
  // The turn has come to the next seat: a person the rules leave no move passes now.
  PassIfNoMove();
}

void Room::EndGame(int winner, const QString& text, const char* reason) {
  over_ = true;
  FollowClock();
  winner_ = winner;
  result_ = text;
  reason_ = QString::fromLatin1(reason);
  Journal(QJsonObject{{"j", "over"},
                      {"winner", winner == NO_SEAT ? 0 : winner},
                      {"text", text},
                      {"reason", reason_}});
  Send(kEveryone, QJsonObject{{"t", "over"},
                              {"winner", winner == NO_SEAT ? 0 : winner},
                              {"text", text},
                              {"reason", reason_}});
  if (host_ != NO_SEAT) Send(host_, QJsonObject{{"t", "ask"}, {"text", V1(TextId::CONTINUE)}});
}

QJsonObject Room::Welcome(int seat, const QString& token) const {
  QJsonObject w{{"t", "welcome"},
                {"v", kProtocolVersion},
                {"room", code_},
                {"seat", seat},
                {"token", token},
                {"host", host_},
                {"level", options_.level},
                {"seats", SeatsJson()},
                {"started", started_},
                {"over", over_},
                {"toMove", game_.State().CurrentSeat}};
  // A welcome always fits: a longer game's earlier turns are asked for in pages.
  const size_t n = Turns().size();
  const size_t carried = static_cast<size_t>(std::max(1, options_.welcomeTurns));
  if (n > carried) {
    const size_t first = n - carried + 1;
    w.insert("turns", TurnsJson(Turns(), first, carried));
    w.insert("first", static_cast<qint64>(first));
    w.insert("more", true);
  } else {
    w.insert("turns", TurnsJson(Turns()));
  }
  AddClocks(w);
  if (over_) {
    w.insert("winner", winner_ == NO_SEAT ? 0 : winner_);
    w.insert("text", result_);
    w.insert("reason", reason_);
  }
  return w;
}

QJsonObject Room::TurnsPage(int from, int count) const {
  return QJsonObject{{"t", "turns"},
                     {"from", from},
                     {"turns", TurnsJson(Turns(), static_cast<size_t>(from),
                                         static_cast<size_t>(std::min(count, options_.pageTurns)))}};
}

bool Room::ContinueFrom(const Game& game, const std::string& started, QString* why) {
  if (game.Finished()) {
    *why = QStringLiteral("the game in it has ended");
    return false;
  }
  if (game.TurnsPlayed() != static_cast<int>(game.Turns().size())) {
    *why = QStringLiteral("it stands before moves that were taken back (現在)");
    return false;
  }
  game_ = game;
  started_ = true;
  over_ = false;
  winner_ = NO_SEAT;
  result_.clear();
  reason_.clear();
  startedAt_ = started;
  run_.Restart();
  game_.SetLevel(options_.level);
  ApplyKinds();
  // The check the last turn gave: the turn went to a checked opponent out of turn order.
  lastCheck_ = NO_SEAT;
  if (!Turns().empty() && !Turns().back().pass && Turns().back().next != NO_SEAT &&
      Turns().back().next != NextSeat(Turns().back().seat))
    lastCheck_ = Turns().back().next;
  // A version-1 client rebuilds the game from the standard start and the turns, as here.
  Game replay;
  StartNetGame(replay, person_, options_.level);
  followableByV1_ = true;
  for (const Game::Turn& t : Turns())
    if (!ApplyTurn(replay, WireTurn(t))) {
      followableByV1_ = false;
      break;
    }
  followableByV1_ = followableByV1_ && KeyOf(replay.State()) == KeyOf(game_.State());
  // The journal keeps the game it goes on from as its record, read back by the same reader.
  Journal(QJsonObject{{"j", "from"},
                      {"record", QString::fromStdString(Record())},
                      {"at", QString::fromStdString(started)}});
  return true;
}

QJsonObject Room::WatchWelcome() const {
  QJsonObject w = Welcome(0, QString());
  w.remove("token");
  w.insert("position", PositionJson());
  return w;
}

std::string Room::Record() const {
  QString names[5];
  for (int seat = 1; seat <= 4; ++seat) names[seat] = seats_[seat].name;
  return RecordText(game_, person_, names, options_.level, over_, winner_, startedAt_,
                    over_ && reason_ == "length", over_ && reason_ == "time" ? timeLoser_ : NO_SEAT);
}

namespace {

QJsonArray PeopleJson(const bool person[5]) {
  QJsonArray a;
  for (int seat = 1; seat <= 4; ++seat)
    if (person[seat]) a.append(seat);
  return a;
}

// The seats of a journal's `person` list; false for anything else.
bool PeopleFrom(const QJsonValue& v, bool person[5]) {
  if (!v.isArray() || v.toArray().size() > 4) return false;
  std::fill(person, person + 5, false);
  for (const QJsonValue& p : v.toArray()) {
    const auto seat = SeatField(QJsonObject{{"s", p}}, "s");
    if (!seat) return false;
    person[*seat] = true;
  }
  return true;
}

}  // namespace

void Room::JournalPeople() {
  Journal(QJsonObject{{"j", "people"}, {"person", PeopleJson(person_)}});
}

QJsonObject Room::JournalHead(bool fixed) const {
  return QJsonObject{{"j", "room"},
                     {"v", 1},
                     {"code", code_},
                     {"person", PeopleJson(options_.person)},
                     {"level", options_.level},
                     {"hostSeat", options_.hostSeat == NO_SEAT ? 0 : options_.hostSeat},
                     {"wait", options_.waitSeconds},
                     {"deep", options_.deepSeconds},
                     {"maxTurns", options_.maxTurns},
                     {"fixed", fixed}};
}

std::unique_ptr<Room> Room::FromJournalHead(const QJsonObject& head, bool* fixed) {
  RoomOptions o;
  const auto code = CodeField(head, "code");
  const auto level = IntField(head, "level", 1, 4);
  const auto hostSeat = IntField(head, "hostSeat", 0, 4);
  const auto wait = IntField(head, "wait", 0, 86400);
  const auto maxTurns = IntField(head, "maxTurns", 0, 1000000);
  const auto isFixed = BoolField(head, "fixed");
  const double deep = head.value("deep").toDouble(-1);
  if (head.value("j").toString() != "room" || IntField(head, "v", 1, 1) != 1 || !code ||
      !level || !hostSeat || !wait || !maxTurns || !isFixed || !(deep >= 0 && deep <= 600) ||
      !PeopleFrom(head.value("person"), o.person))
    return nullptr;
  o.level = *level;
  o.hostSeat = *hostSeat == 0 ? NO_SEAT : *hostSeat;
  o.waitSeconds = *wait;
  o.deepSeconds = deep;
  o.maxTurns = *maxTurns;
  *fixed = *isFixed;
  return std::make_unique<Room>(*code, o);
}

bool Room::Replay(const QJsonObject& e) {
  const QString j = e.value("j").toString();
  if (j == "seat") {
    const auto seat = SeatField(e, "seat");
    const auto name = NameField(e, "name");
    const auto token = TokenField(e, "token");
    if (!seat || !name || !token || seats_[*seat].joined) return false;
    SeatInfo& s = seats_[*seat];
    s.name = *name;
    s.token = *token;
    s.joined = true;
    s.connected = false;
    // Away since the restart: the waiting time before the seat may be given counts anew.
    s.leftAt = now_();
    return true;
  }
  if (j == "host") {
    const auto seat = SeatField(e, "seat");
    if (!seat) return false;
    host_ = *seat;
    return true;
  }
  if (j == "people") {
    if (!PeopleFrom(e.value("person"), person_)) return false;
    ApplyKinds();
    return true;
  }
  if (j == "start") {
    ResetGame();
    return true;
  }
  if (j == "from") {
    const RecordReading r = ReadRecord(e.value("record").toString().toStdString());
    QString why;
    return r.record && ContinueFrom(r.record->game, e.value("at").toString().toStdString(), &why);
  }
  if (j == "turn") {
    const auto n = IntField(e, "n", 1, 10000000);
    const auto t = TurnFromJson(e.value("turn").toObject());
    if (!started_ || over_ || closed_ || !n || !t ||
        *n != static_cast<int>(Turns().size()) + 1)
      return false;
    // Played again through the game's door, and told to the run of computer turns as it
    // was when it was played.
    MoveOutcome o;
    // A pass (a computer's, or a person's the rules left no move) was a turn of the run too.
    if (t->byComputer || t->pass) {
      const ComputerRun::Step step = run_.Before(game_.State());
      if (step.repeated || step.seat != t->seat || !ApplyTurn(game_, *t, &o)) return false;
      run_.After(step, t->pass ? nullptr : &o);
    } else {
      if (!ApplyTurn(game_, *t, &o)) return false;
      run_.Restart();
    }
    lastCheck_ = t->pass ? NO_SEAT : o.checked;
    if (*n == 1) startedAt_ = e.value("at").toString().toStdString();
    return true;
  }
  if (j == "over") {
    const auto winner = IntField(e, "winner", 0, 4);
    const QString reason = e.value("reason").toString();
    if (!started_ || !winner ||
        (reason != "king" && reason != "repetition" && reason != "length"))
      return false;
    over_ = true;
    winner_ = *winner == 0 ? NO_SEAT : *winner;
    result_ = e.value("text").toString();
    reason_ = reason;
    return true;
  }
  if (j == "closed") {
    closed_ = true;
    return true;
  }
  return false;
}

std::vector<Outgoing> Room::TakeOutgoing() {
  std::vector<Outgoing> out;
  out.swap(out_);
  return out;
}

}  // namespace korvel::net
