// One room of the network game and its authority: the game itself, who sits where, and
// what every intention that arrives does to it. It knows nothing of sockets: it is told
// who joined, who left and what each seat intends, and it answers with messages to send,
// each to one seat or to everyone. Every intention is checked with the game's own rules;
// only the seat to move can move, only its own pieces, only legally.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ai/deep_search.h"
#include "net/protocol.h"
#include "net/game_record.h"
#include "play/computer_run.h"
#include "play/game.h"

namespace korvel::net {

inline constexpr int kEveryone = 0;
// The turns a game may last before it ends as a draw by length.
inline constexpr int kDefaultMaxTurns = 2000;

struct Outgoing {
  int to = kEveryone;  // a seat, or kEveryone
  QJsonObject msg;
  // Version 2's additions to `msg` (the position), for version-2 connections only; and
  // the legal moves, for the version-2 connection of `legalSeat` only (0: nobody's).
  QJsonObject v2;
  int legalSeat = 0;
  QJsonArray legal;
};

struct RoomOptions {
  bool person[5] = {false, true, true, true, true};  // index 1..4: a person plays the seat
  int level = 3;
  // The seat whose player is the host; NO_SEAT: whoever joins first.
  int hostSeat = NO_SEAT;
  // How long a person must have been away before the host may give the seat to the
  // computer.
  int waitSeconds = 60;
  // Level 4's time cap per move in the authority.
  double deepSeconds = 3.0;
  // A game reaching this many turns ends there as a draw by length (0: no limit).
  int maxTurns = kDefaultMaxTurns;
  // The clocks of every game of the room (play/clock.h); off by default.
  GameTimeControl clock = {};
  // The newest turns a welcome carries, and the most a `turns` answer carries (tests make
  // them small).
  int welcomeTurns = kWelcomeTurns;
  int pageTurns = kTurnsPage;
};

class Room {
 public:
  Room(QString code, const RoomOptions& options);

  const QString& Code() const { return code_; }
  const Game& TheGame() const { return game_; }
  // The game's turns so far (its own list; on the wire through TurnsJson).
  const std::vector<Game::Turn>& Turns() const { return game_.Turns(); }
  bool Started() const { return started_; }
  bool Over() const { return over_; }
  // How the last game ended: "king", "repetition", "length" or "time"; empty while none has.
  const QString& OverReason() const { return reason_; }
  bool Closed() const { return closed_; }
  int HostSeat() const { return host_; }
  bool IsPersonSeat(int seat) const { return person_[seat]; }
  bool Connected(int seat) const { return seats_[seat].connected; }
  bool AnyoneConnected() const;
  // The milliseconds clock for the waiting time and the game clocks (tests set their own).
  void SetClock(std::function<qint64()> now) { now_ = std::move(now); }
  // The game clocks of a room with a time control: the seat to move's runs from the moment
  // the turn reaches it until its move is played (a computer's pause and thinking included).
  const SeatClocks* Clocks() const { return clocks_ ? &*clocks_ : nullptr; }
  // Whether the seat to move has run out of time; then the game ends (`over` with `reason`
  // `time`, the other team winning). The server asks it every second; every intention and
  // every computer's choice asks it first. True when the game ended now.
  bool CheckClock();

  // The room goes on from a game (a record read by the record reader), started, before
  // anyone joins: its position, turns and start time; the room's own people and level. False
  // with the reason when it cannot: the game has ended, or stands before moves taken back.
  // The journal keeps the game as its record, which the record reader reads back the same.
  bool ContinueFrom(const Game& game, const std::string& started, QString* why);
  // The person to move whose every move and drop the rules refuse passes at once: a pass
  // turn for everyone with a `pass` notice (the turns after it follow as usual). The room
  // asks it after every turn and at a start; the server after a room went on from a record
  // (not while the journal is read back: the pass is in the journal).
  void PassIfNoMove();
  // Whether a version-1 client can follow the game: it rebuilds the game from the standard
  // start and the turns (false for a game continued from a record with a start position
  // of its own; version 1 is then refused with `error` `version`).
  bool FollowableByVersion1() const { return followableByV1_; }

  // --- who is here ----------------------------------------------------------------------
  // A person takes a free seat; answers the token that proves the seat later, or empty
  // with an error sent to `replyTo` (a seat number is not yet theirs, so the caller passes
  // the error on). The first person to join is the host.
  struct JoinAnswer {
    bool ok = false;
    QString token;
    QJsonObject error;
  };
  JoinAnswer Join(int seat, const QString& name);
  // A person comes back to their seat with the token they were given.
  JoinAnswer Rejoin(int seat, const QString& token);
  // The seat's connection is gone (closed, or silent too long); the seat is kept for its
  // token. When it was the host's, the host's role passes to another connected person.
  void Left(int seat);

  // --- what a seat intends --------------------------------------------------------------
  // `n` is the number the move would have in the game (Turns().size() + 1): an intention
  // sent before the sender saw the latest turn is refused, not played.
  void Intend(int seat, int n, Square from, Square to, bool promote);
  void Start(int by);
  void Again(int by, bool yes);
  void GiveToComputer(int by, int seat);

  // --- the computer ---------------------------------------------------------------------
  bool ComputerToMove() const;
  // One computer turn for the seat to move (a move or a pass).
  void PlayComputerTurn();
  // The same turn in three steps, so that the thinking can run away from the event loop:
  // Prepare (on the loop: the repetition rule, which may end the game instead; empty
  // then), Think (anywhere, on the job's own copy of the game; `stop` ends it early), and
  // Finish (on the loop: the choice is played, unless the game moved on meanwhile).
  struct ComputerJob {
    Game game;
    ComputerRun::Step step;  // the seat to move, as the run of computer turns announced it
    size_t turnsBefore = 0;
    std::vector<DeepPastTurn> history;
    double maxSeconds = 0;
  };
  std::optional<ComputerJob> PrepareComputerTurn();
  static ChosenMove Think(ComputerJob& job, const std::atomic<bool>* stop = nullptr);
  void FinishComputerTurn(const ComputerJob& job, const ChosenMove& m);

  // Everything a player needs on joining or coming back: seats, names, the turns so far
  // (the newest kWelcomeTurns of them, with `first` and `more` when there are more).
  QJsonObject Welcome(int seat, const QString& token) const;
  // The answer to `turns`: the game's turns from..from+count-1 (as many as there are).
  QJsonObject TurnsPage(int from, int count) const;
  // A watcher's welcome (seat 0, no token), with the position.
  QJsonObject WatchWelcome() const;
  // The `room` message everyone gets when the seats change.
  QJsonObject RoomMessage() const;

  // --- version 2 ------------------------------------------------------------------------
  // A version-2 connection is here (a watcher for seat 0): from now on the room adds the
  // position to what it sends, and the legal moves when that seat is to move. Never turned
  // off: the server gives them only to version-2 connections.
  void WantPosition(int seat);
  // The position as version 2 carries it (docs/network-protocol.md).
  QJsonObject PositionJson() const;
  // The seat to move as version 2 tells it: 0 when no game is going on or it has ended.
  int SeatToMoveNow() const;
  // Every move the seat to move could intend now that the authority would play, by the
  // game's own door (on a copy of the game): [{from, to: [[x, y, p], ...]}, ...], p 0 for
  // unpromoted only, 1 promoted only, 2 either. Empty when no person's seat is to move.
  QJsonArray LegalJson() const;
  // The move an intention names: the piece on `from` (or the hand cell's), promoted when
  // asked; a promotion it may not make is kept as asked (EMPTY placed), for the door to
  // refuse.
  static Move IntendedMove(const GameState& s, Square from, Square to, bool promote);
  // The game so far as a game record (.k4k text).
  std::string Record() const;

  std::vector<Outgoing> TakeOutgoing();

  // --- the journal (net/journal.h) ------------------------------------------------------
  // Every change a restart must keep is told to `write` as one entry, before anyone is
  // told of it: who took a seat with which token, the host, who plays each seat, each new
  // game, each turn, the end of a game, the room closed. The room itself is its first
  // entry (JournalHead).
  void SetJournal(std::function<void(const QJsonObject&)> write) { journal_ = std::move(write); }
  QJsonObject JournalHead(bool fixed) const;
  // A room as its journal's first entry describes it (and whether the authority opened it
  // itself); null when the entry describes none.
  static std::unique_ptr<Room> FromJournalHead(const QJsonObject& head, bool* fixed);
  // Takes one later entry back, each turn played again through the game's door; false
  // when the entry cannot follow what came before (the journal is damaged). Every seat is
  // missing afterwards until its player comes back.
  bool Replay(const QJsonObject& entry);

 private:
  struct SeatInfo {
    QString name;
    QString token;
    bool joined = false;
    bool connected = false;
    qint64 leftAt = 0;
  };

  // Adds version 2's position (and legal moves) to a welcome, start or moved when a
  // version-2 connection is in the room.
  void Send(int to, const QJsonObject& msg);
  void Refuse(int seat, const char* code, const QString& text, const QString& detail);
  // A refused move in the protocol's words (one table, net/room.cpp).
  void RefuseMove(int seat, Refusal r);
  QJsonArray SeatsJson() const;
  void BroadcastRoom();
  void NewGameForAll();
  // A new game on the room's own state (what NewGameForAll announces).
  void ResetGame();
  void Journal(const QJsonObject& entry) {
    if (journal_) journal_(entry);
  }
  void JournalPeople();
  void ApplyKinds();
  // After a turn (the game's newest): the notices, the end of the game, and the repetition
  // among computers.
  void Played(const MoveOutcome& o);
  void EndGame(int winner, const QString& text, const char* reason);
  void EndByRepetition(int winner);
  // A host who is not connected hands the role to the next connected person after their
  // seat (in seat order), announced with a `host` notice; the new host is asked 続けますか？
  // when a game is over. True when the host changed (the caller sends `room`).
  bool KeepHostPresent();

  QString code_;
  RoomOptions options_;
  bool person_[5];  // as now: a seat given to the computer is no longer a person's
  SeatInfo seats_[5];
  int host_ = NO_SEAT;
  Game game_;
  bool started_ = false;
  bool over_ = false;
  bool closed_ = false;
  int winner_ = NO_SEAT;
  QString result_;
  QString reason_;
  std::string startedAt_;  // the local date and time of the first move
  // The current run of computer turns, for the repetition rule.
  ComputerRun run_;
  std::vector<Outgoing> out_;
  std::function<qint64()> now_;
  std::optional<SeatClocks> clocks_;
  int timeLoser_ = NO_SEAT;  // whose time ended the last game
  // The clocks follow the game after a turn or a new game: the seat to move runs.
  void FollowClock();
  void AddClocks(QJsonObject& msg) const;
  std::function<void(const QJsonObject&)> journal_;
  // The seat the last turn put in check (NO_SEAT for none).
  int lastCheck_ = NO_SEAT;
  // Version 2: whether a version-2 connection has been here, and for which seats.
  bool followableByV1_ = true;
  bool positionWanted_ = false;
  bool legalWanted_[5] = {};
};

}  // namespace korvel::net
