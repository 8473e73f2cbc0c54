// The authority's network side: a WebSocket listener holding many rooms. It binds each
// connection to one seat of one room, passes on what the seat intends and sends out what
// the room answers. Every message is untrusted: a size limit, a rate limit per connection,
// an error for anything unknown or malformed, and a connection that keeps misbehaving is
// closed. Nothing read from the network names a file.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/gate.h"
#include "net/protocol.h"
#include "net/room.h"
#include "net/web_page.h"

class QWebSocket;
class QWebSocketServer;

namespace korvel::net {

struct Thinking;
class ThinkerPool;
class JournalFile;

struct ServerOptions {
  QHostAddress address = QHostAddress::Any;
  quint16 port = 0;           // 0: any free port (tests)
  double pauseSeconds = 0.6;  // before each computer move, as in the window
  double deepSeconds = 3.0;   // level 4's cap per move
  int waitSeconds = 60;       // before the host may give a missing seat to the computer
  int maxTurns = kDefaultMaxTurns;  // a game of the rooms players create ends there (a draw)
  int maxRooms = 2000;
  int maxConnections = 8000;      // every accepted socket, from accept on
  int maxPerAddress = 64;         // the same from one address (an IPv6 /64 counts as one)
  int handshakeMs = 5000;         // from accept to a WebSocket, TLS included
  // An address whose connections are closed for misbehaving (refusals in a row, unread
  // output, a handshake not finished, a protocol error of the WebSocket layer) or turned
  // away at a cap of its own (connections, rooms) `penalty.offences` times within the window
  // has every new connection closed at accept for a while (gate.h, PenaltyBox).
  PenaltyLimits penalty;
  bool allowCreate = true;        // clients may open rooms of their own
  int roomsPerAddress = 20;       // rooms created from one address and still open...
  int createsPerAddress = 40;     // ...and created from one address in the window
  int createWindowSeconds = 600;
  double messagesPerSecond = 20;  // the rate limit: a bucket refilled at this rate...
  double burst = 40;              // ...holding this many messages (ping and pong frames too)
  int strikesToClose = 10;        // refused messages (malformed, unknown, too fast) in a row
  int joinSeconds = 30;           // a connection that has not joined by then is closed
  int idleRoomSeconds = 3600;     // a room nobody is connected to is dropped after this...
  int unstartedRoomMs = 180000;   // ...and one whose game never started after this
  qint64 maxOutgoingBytes = 2 * 1024 * 1024;  // a connection that reads no faster is closed
  int closeGraceMs = 2000;        // a closed connection that lingers is cut off after this
  int deepThinkers = 0;           // threads for level 4's turns; 0: the processors, 2 to 4
  int pingMs = 10000;             // a seated connection is sent a WebSocket ping this often...
  int silenceMs = 25000;          // ...and counts as missing when nothing came for longer
  QString certFile, keyFile;      // both set: TLS (wss://)
  // A folder of the server's own: each room's journal (net/journal.h), from which a server
  // started again resumes every room (Restore). Empty: no journal.
  QString journalDir;
  // A letter: every room code this server makes begins with it, so that a proxy in front of
  // several servers sends each room's connections to its own (docs/haproxy.cfg). Empty: any.
  QString shard;
  QString webFolder;              // the browser page's files (web_page.h); empty: none served
};

class Server : public QObject {
 public:
  explicit Server(const ServerOptions& options, QObject* parent = nullptr);
  ~Server() override;

  // Takes back every room kept in the journal folder (before Listen): the rooms with their
  // codes, seats, tokens, host and turns, every player missing until they come back. A
  // journal that cannot be read or taken back is named in `problems` and left where it is.
  // The number of rooms taken back.
  int Restore(QStringList* problems);
  // Starts listening; false with the reason in `error`.
  bool Listen(QString* error);
  quint16 Port() const;
  // A room opened by the authority itself (a fixed code); null when the code is taken.
  Room* OpenRoom(const QString& code, const RoomOptions& options);
  Room* FindRoom(const QString& code);
  int RoomCount() const { return static_cast<int>(rooms_.size()); }
  // WebSocket connections (handshaken), and every accepted socket (what the caps count).
  int ConnectionCount() const { return static_cast<int>(conns_.size()); }
  int SocketCount() const;
  // Sockets turned away at accept (a cap reached) and cut off at the handshake deadline.
  long long SocketsRefused() const;
  long long HandshakesExpired() const;
  // Connections closed at accept for their address's stay in the penalty box, whether the
  // address is in it now, and how many addresses the box remembers.
  long long SocketsBoxed() const;
  bool InPenaltyBox(const QHostAddress& address) const;
  int AddressesRemembered() const;
  // Connections closed for not reading what was sent to them.
  long long SlowReadersClosed() const { return slowClosed_; }
  long long MessagesRead() const { return messagesRead_; }
  // Ping and pong frames read (counted in the rate limit as messages are).
  long long ControlFramesRead() const { return controlRead_; }
  // Seated connections closed for their silence (their seats counted as missing).
  long long SilentClosed() const { return silentClosed_; }
  // Browser connections refused for an Origin that is not this server's: answered 403 by
  // the gate, or closed at once after an upgrade that did not pass the gate.
  long long OriginsRefused() const;
  // The watchers of a room (0 for no such room).
  int WatcherCount(const QString& code) const;
  // Whether a WebSocket upgrade with this Origin header (empty: none) may go on, made to
  // `requestUrl` (its host and port from the request's Host header): no Origin, or the
  // scheme, host and port of the page this server serves there (https with TLS).
  static bool SameOrigin(const QString& origin, const QUrl& requestUrl, bool tls);
  // Computer turns queued or being thought now.
  int ThinkingCount() const { return static_cast<int>(thinkings_.size()); }
  // The computer's threads, and the most turns ever thought at once.
  int ThinkerThreads() const;
  int MostThinkingAtOnce() const;
  // The records (.k4k text) of the games in progress, each with its room code.
  std::vector<std::pair<QString, std::string>> GamesInProgress() const;
  // The page's files that were not found in its folder (the page is served without them).
  const QStringList& PageFilesMissing() const { return pageMissing_; }
  bool ServesPage() const { return page_.Loaded(); }
  // Plain HTTP requests answered.
  long long PagesAnswered() const;
  // Closes every connection (the authority is going away).
  void CloseAll();
  // Tells every player the authority is going away (a `closed` message), before CloseAll.
  // With a `reason` (e.g. "stopping": the server itself), the message carries it.
  void Farewell(const QString& text, const QString& reason = {});
  // Called with a room's record (.k4k text) when a game in it ends.
  std::function<void(const QString& code, const std::string& record)> onGameEnded;

 private:
  bool HandshakeWithItself(QString* error);
  struct Conn {
    QString room;
    int seat = 0;
    double tokens = 0;
    qint64 refilledAt = 0;
    qint64 openedAt = 0;
    int strikes = 0;
    QPointer<QTcpSocket> socket;  // beneath the WebSocket (its bytes not yet written)
    QString address;               // Gate::AddressKey
    bool closing = false;          // closed by the server: nothing more is read or sent
    int framesWhileClosing = 0;
    qint64 heardAt = 0;            // the last message, ping or pong frame from it
    qint64 pingedAt = 0;           // the last ping the server sent it
    int version = kProtocolVersion;  // what its join said (version 2 gets more)
    bool watcher = false;          // joined with `watch`: seat 0, sends nothing but ping
  };
  struct RoomEntry {
    std::unique_ptr<Room> room;
    QWebSocket* seat[5] = {};
    bool computerPending = false;
    // The computer's thinking of this room, on its own thread while it runs.
    std::shared_ptr<Thinking> thinking;
    bool fixed = false;  // opened by the authority: kept while the program runs
    qint64 emptySince = 0;
    QString creator;     // the address that created it (Gate::AddressKey); empty if fixed
    std::unique_ptr<JournalFile> journal;  // with ServerOptions::journalDir
    std::vector<QWebSocket*> watchers;  // at most kMaxWatchers, never a seat
  };
  struct AddressRooms {
    int open = 0;
    std::vector<qint64> createdAt;  // within the window
  };

  Room* OpenEntry(const QString& code, const RoomOptions& options, bool fixed);
  // Writes the room's journal to `file` from now on (what goes wrong is told on stderr).
  void KeepJournal(RoomEntry& e, std::unique_ptr<JournalFile> file);
  void OnNewConnection();
  void OnText(QWebSocket* ws, const QString& text);
  void OnControlFrame(QWebSocket* ws);
  // Takes one message from the connection's bucket; false when it is empty.
  bool Take(Conn& c);
  // Closes the connection with a WebSocket close code and reason; it is cut off if it
  // lingers.
  void Drop(QWebSocket* ws, Conn& c, int code, const QString& reason);
  // Closes the connection when more is waiting to be written to it than the cap.
  void CheckOutgoing(QWebSocket* ws, Conn& c);
  qint64 Unwritten(QWebSocket* ws, const Conn& c) const;
  void Send(QWebSocket* ws, const QString& text);
  bool MayCreate(const QString& address, QString* why);
  std::map<QString, RoomEntry>::iterator EraseRoom(std::map<QString, RoomEntry>::iterator it);
  void OnClosed(QWebSocket* ws);
  void Handle(QWebSocket* ws, Conn& c, const QJsonObject& msg);
  void HandleJoin(QWebSocket* ws, Conn& c, const QJsonObject& msg, const QString& type);
  void HandleWatch(QWebSocket* ws, Conn& c, const QJsonObject& msg);
  // A watcher leaves its room's list (closed, silent, the room gone); the others are told.
  void ForgetWatcher(QWebSocket* ws, const QString& room);
  // The room's `room` message with the watchers' count, to every seat and watcher.
  void TellWatcherCount(RoomEntry& e);
  // What a version-1 connection is sent for `o`: the message itself, with the watchers'
  // count in a `room` or `welcome` while anyone watches.
  QJsonObject Version1(const RoomEntry& e, const Outgoing& o) const;
  // What a version-2 connection is sent for `o` (with the legal moves when `legal`).
  QJsonObject Version2(const RoomEntry& e, const Outgoing& o, bool legal) const;
  bool IsVersion2(QWebSocket* ws) const;
  void Strike(QWebSocket* ws, Conn& c, const QString& code, const QString& text);
  // The connection's address misbehaved (gate.h, PenaltyBox).
  void Offence(const Conn& c);
  void SendTo(QWebSocket* ws, const QJsonObject& msg);
  // Sends out what the room has to say; a room its host closed then closes every
  // connection to it (CloseConnections).
  void Dispatch(RoomEntry& e);
  // Closes every player's and watcher's connection to the room (1000, "room closed"): the
  // room is dropped once they are gone.
  void CloseConnections(RoomEntry& e);
  void ScheduleComputer(const QString& code);
  void Sweep();
  // Pings the seated connections that are due, and lets go of the silent ones.
  void Liveness();
  void Thought(const QString& code, const std::shared_ptr<Thinking>& t);

  ServerOptions options_;
  QWebSocketServer* server_ = nullptr;
  Gate* gate_ = nullptr;  // every socket is accepted here (gate.h)
  WebPage page_;
  QStringList pageMissing_;
  std::unordered_map<QWebSocket*, Conn> conns_;
  std::map<QString, RoomEntry> rooms_;
  std::unordered_map<QString, AddressRooms> byAddress_;
  long long messagesRead_ = 0;
  long long controlRead_ = 0;
  long long slowClosed_ = 0;
  long long silentClosed_ = 0;
  long long originsRefused_ = 0;
  // Every thinking queued or running: stopped and waited for when the server goes.
  std::vector<std::shared_ptr<Thinking>> thinkings_;
  std::unique_ptr<ThinkerPool> thinkers_;
};

}  // namespace korvel::net
