// A player's end of the network game: one WebSocket to the authority, the intentions it
// sends, and a copy of the game kept by playing every turn the authority announces with
// the same rules. The copy is what a window shows, and what stays when the authority goes.
// The authority's messages are read here and nowhere else: each one is taken into the
// copy, then told as a typed signal (and `updated`), for any number of listeners.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/game_record.h"
#include "play/game.h"

class QWebSocket;

namespace korvel::net {

// One seat as the authority last described it (`room`, `start`, `welcome`), in the order
// it listed them.
struct SeatInfo {
  enum class Kind { UNKNOWN, PERSON, COMPUTER };
  int seat = 0;
  Kind kind = Kind::UNKNOWN;
  QString name;
  bool joined = false;
  bool connected = false;
  bool Person() const { return kind == Kind::PERSON; }
  bool Computer() const { return kind == Kind::COMPUTER; }
};

// An intention of this player the authority refused: why (`code`), in words, and more.
struct Refusal {
  QString code, text, detail;
};

// The authority's answer to a message it could not take (a bad join, a stale token...).
struct ErrorReply {
  QString code, text;
};

// The authority's address for a room: `base` (ws://HOST:PORT or wss://HOST:PORT) with the
// path /ws and the room's code as its query, /ws?room=CODE, by which a proxy in front of
// several servers finds the room's own (docs/haproxy.cfg); /ws alone while the code is not
// known yet (a room to be created, which any server may open).
QUrl RoomUrl(const QUrl& base, const QString& room);

// How long a player waits before its `attempt`-th try (1, 2, ...) to come back after a lost
// connection: 0.25 s, doubling to at most 4 s.
int RejoinDelayMs(int attempt);

class Client : public QObject {
  Q_OBJECT
 public:
  explicit Client(QObject* parent = nullptr);
  ~Client() override;

  // Opens the connection (ws:// or wss://); `connected` is emitted when it is up.
  void Open(const QUrl& url);
  // After a welcome, a lost connection is opened again by the client itself (RoomUrl with
  // the room's code) and the seat taken back with `rejoin`, up to `tries` times in a row,
  // each after RejoinDelayMs (0, the default: never). Meanwhile `reconnecting` is told, not
  // `disconnected`, which comes only when no try is left, the room is closed, or the
  // authority refuses the seat (a server started again without its journal).
  void KeepSeat(int tries) { keepTries_ = tries; }
  // For wss://: the certificates in this PEM file are trusted besides the system's (a
  // server's own self-signed certificate). False with the reason when the file cannot be
  // used.
  bool TrustCertificates(const QString& pemFile, QString* error);
  // Why the connection failed or was lost (a refused connection, a certificate that is not
  // trusted); empty when nothing went wrong.
  const QString& ConnectionError() const { return connectionError_; }
  bool IsOpen() const;
  // Ends the connection abruptly, as a lost network would (no closing handshake).
  void Drop();
  void Close();

  // --- intentions -----------------------------------------------------------------------
  void Hello(const QString& room, const QString& name, int seat);
  // `clock`: the room's time control (off: none is sent, and the room has no clocks).
  void Create(const QString& name, int seat, const std::vector<int>& people, int level,
              const GameTimeControl& clock = {});
  // Watches a room without a seat (protocol version 2): seat 0, no token, no moves.
  void Watch(const QString& room);
  void Rejoin();  // the room, seat and token of the last welcome (a watcher watches again)
  // A seat taken by an earlier connection (a window started again), with its token.
  void Rejoin(const QString& room, int seat, const QString& token);
  void SendMove(const Move& m);
  void Start();
  void Again(bool yes);
  void Give(int seat);
  void SendText(const QString& text);  // anything at all (tests)

  // --- what the authority said ----------------------------------------------------------
  const Game& TheGame() const { return game_; }
  // The copy's turns so far (the game's own list).
  const std::vector<Game::Turn>& Turns() const { return game_.Turns(); }
  const QString& Room() const { return room_; }
  const QString& Token() const { return token_; }
  int Seat() const { return seat_; }
  bool Watching() const { return watching_; }
  // How many watch the room, as the authority last said (0 before it did, and when its
  // `room` or `welcome` says nothing of watchers).
  int Watchers() const { return watchers_; }
  int Host() const { return host_; }
  bool Welcomed() const { return welcomed_; }
  bool Started() const { return started_; }
  bool Over() const { return over_; }
  bool Closed() const { return closed_; }
  // Why the room was closed (`closed`'s `reason`, e.g. "stopping": the server itself is
  // going away); empty when not said.
  const QString& ClosedReason() const { return closedReason_; }
  int Winner() const { return winner_; }
  // How the game ended as the authority said (`over`'s `reason`: "king", "repetition",
  // "length"); empty while it goes on, or from an authority that does not say.
  const QString& OverReason() const { return overReason_; }
  bool Asked() const { return asked_; }
  bool MyTurn() const;
  // The authority announced something the copy could not follow.
  bool Desynced() const { return desynced_; }
  const std::vector<SeatInfo>& Seats() const { return seats_; }
  // Every person's seat has its player connected.
  bool SeatsFilled() const;
  const QStringList& Notices() const { return notices_; }
  const std::vector<Refusal>& Refusals() const { return refusals_; }
  const std::vector<ErrorReply>& Errors() const { return errors_; }
  void ClearAsked() { asked_ = false; }
  // The game so far as a game record (.k4k text), kept when the authority goes.
  std::string Record() const;
  // The clocks of a room with a time control, as the authority last told them and counted
  // on since then by this program's monotonic clock (the game's seat to move runs); none
  // for a room without.
  const SeatClocks* Clocks() const { return clocks_ ? &*clocks_ : nullptr; }
  // The milliseconds of that monotonic clock (tests set their own).
  void SetClock(std::function<std::int64_t()> now) { now_ = std::move(now); }
  std::int64_t NowMs() const { return now_(); }

 signals:
  // The connection is up: time for hello, create or rejoin.
  void connected();
  // The connection ended, or could not be made (ConnectionError() says why).
  void disconnected();
  // The connection was lost and try `attempt` to come back begins (KeepSeat).
  void reconnecting(int attempt);

  // What the authority announced, each after the copy has taken it in. `welcomed`: this
  // player has its seat (the game so far came with it).
  void welcomed(const QString& room, int seat, const QString& token, int host);
  // Who plays each seat changed (someone joined, left, came back, or a seat was given).
  void roomChanged(int host, const std::vector<korvel::net::SeatInfo>& seats);
  // A new game began.
  void started(int level);
  // Turn `n` was announced (`captured`: the piece it took, EMPTY for none). Emitted for a
  // turn that could be read even when the copy could not follow it (then `desynced` came
  // first).
  void moved(int n, const korvel::net::Turn& turn, korvel::PieceCode captured);
  void noticed(const QString& code, const QString& text, int seat);
  void refused(const korvel::net::Refusal& refusal);
  void over(int winner, const QString& text);
  // The host is asked whether another game follows (answer with Again).
  void asked(const QString& text);
  // The room was closed by its host, or the authority is going away.
  void roomClosed(const QString& text);
  // The authority could not take a message of this player.
  void errorReceived(const korvel::net::ErrorReply& error);
  // The copy could not follow what was announced: it stops there (emitted once).
  void desynced();
  // After every message but an error answer, once its own signal above was emitted (the
  // copy may have changed).
  void updated();

 private:
  void OnText(const QString& text);
  void Take(const QJsonObject& msg);
  // A welcome that carries only the newest turns (`more`): the earlier ones are asked for
  // page by page, and what comes meanwhile is held, then taken after the welcome.
  bool Fetching(const QJsonObject& msg);
  void AskNextPage();
  void OnDisconnected();
  void Send(const QJsonObject& msg);
  void TakeSeats(const QJsonArray& seats);
  void NewCopy();
  // The clocks as a welcome, start, moved or over tells them.
  void FollowClocks(const QJsonObject& msg, bool newGame);

  QWebSocket* ws_;
  Game game_;
  bool person_[5] = {};
  QString names_[5];
  std::vector<SeatInfo> seats_;
  int level_ = 3;
  std::string startedAt_;  // the local date and time the first move arrived
  QString room_, token_, overReason_;
  int seat_ = 0, host_ = 0, winner_ = 0, watchers_ = 0;
  bool watching_ = false;
  bool welcomed_ = false, started_ = false, over_ = false, closed_ = false, asked_ = false;
  bool desynced_ = false;
  QStringList notices_;
  std::vector<Refusal> refusals_;
  std::vector<ErrorReply> errors_;
  QString connectionError_;
  std::optional<SeatClocks> clocks_;
  std::function<std::int64_t()> now_;
  QString closedReason_;
  QUrl base_;
  int keepTries_ = 0;
  int attempt_ = 0;       // the tries to come back since the last welcome
  bool closing_ = false;  // this side ended the connection (Close)
  bool gaveUp_ = false;   // the authority refused the seat on a try to come back
  bool fetching_ = false;
  QJsonObject pendingWelcome_;
  QJsonArray fetched_;  // the game's turns from the first, as the pages came
  std::vector<QJsonObject> held_;
};

}  // namespace korvel::net
