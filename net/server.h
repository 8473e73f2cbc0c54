// The authority's network side: a WebSocket listener holding many rooms. It binds each
// connection to one seat of one room, passes on what the seat intends and sends out what
// the room answers. Every message is untrusted: a size limit, a rate limit per connection,
// an error for anything unknown or malformed, and a connection that keeps misbehaving is
// closed. Nothing read from the network names a file.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/room.h"

class QWebSocket;
class QWebSocketServer;
class QTcpServer;

namespace korvel::net {

struct Thinking;

struct ServerOptions {
  QHostAddress address = QHostAddress::Any;
  quint16 port = 0;           // 0: any free port (tests)
  double pauseSeconds = 0.6;  // before each computer move, as in the window
  double deepSeconds = 3.0;   // level 4's cap per move
  int waitSeconds = 60;       // before the host may give a missing seat to the computer
  int maxRooms = 2000;
  int maxConnections = 8000;
  bool allowCreate = true;        // clients may open rooms of their own
  double messagesPerSecond = 20;  // the rate limit: a bucket refilled at this rate...
  double burst = 40;              // ...holding this many messages
  int strikesToClose = 10;        // refused messages (malformed, unknown, too fast) in a row
  int joinSeconds = 30;           // a connection that has not joined by then is closed
  int idleRoomSeconds = 3600;     // a room nobody is connected to is dropped after this
  QString certFile, keyFile;      // both set: TLS (wss://)
};

class Server : public QObject {
 public:
  explicit Server(const ServerOptions& options, QObject* parent = nullptr);
  ~Server() override;

  // Starts listening; false with the reason in `error`.
  bool Listen(QString* error);
  quint16 Port() const;
  // A room opened by the authority itself (a fixed code); null when the code is taken.
  Room* OpenRoom(const QString& code, const RoomOptions& options);
  Room* FindRoom(const QString& code);
  int RoomCount() const { return static_cast<int>(rooms_.size()); }
  int ConnectionCount() const { return static_cast<int>(conns_.size()); }
  long long MessagesRead() const { return messagesRead_; }
  // Computer turns being thought on their threads now.
  int ThinkingCount() const { return static_cast<int>(thinkings_.size()); }
  // The records (.k4k text) of the games in progress, each with its room code.
  std::vector<std::pair<QString, std::string>> GamesInProgress() const;
  // Closes every connection (the authority is going away).
  void CloseAll();
  // Tells every player the authority is going away (a `closed` message), before CloseAll.
  void Farewell(const QString& text);
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
  };
  struct RoomEntry {
    std::unique_ptr<Room> room;
    QWebSocket* seat[5] = {};
    bool computerPending = false;
    // The computer's thinking of this room, on its own thread while it runs.
    std::shared_ptr<Thinking> thinking;
    bool fixed = false;  // opened by the authority: kept while the program runs
    qint64 emptySince = 0;
  };

  Room* OpenEntry(const QString& code, const RoomOptions& options, bool fixed);
  void OnNewConnection();
  void OnText(QWebSocket* ws, const QString& text);
  void OnClosed(QWebSocket* ws);
  void Handle(QWebSocket* ws, Conn& c, const QJsonObject& msg);
  void HandleJoin(QWebSocket* ws, Conn& c, const QJsonObject& msg, const QString& type);
  void Strike(QWebSocket* ws, Conn& c, const QString& code, const QString& text);
  void SendTo(QWebSocket* ws, const QJsonObject& msg);
  void Dispatch(RoomEntry& e);
  void ScheduleComputer(const QString& code);
  void Sweep();
  void Thought(const QString& code);

  ServerOptions options_;
  QWebSocketServer* server_ = nullptr;
  QTcpServer* tcp_ = nullptr;  // plain connections: accepted here, without Nagle's delay
  std::unordered_map<QWebSocket*, Conn> conns_;
  std::map<QString, RoomEntry> rooms_;
  long long messagesRead_ = 0;
  // Every thinking still running: stopped and waited for when the server goes.
  std::vector<std::shared_ptr<Thinking>> thinkings_;
};

}  // namespace korvel::net
