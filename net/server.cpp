#include "net/server.h"

#include <QDateTime>
#include <QEventLoop>
#include <QSslSocket>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <thread>

#include "net/protocol.h"
#include "net/tls.h"

namespace korvel::net {

namespace {

qint64 NowMs() {
  return QDateTime::currentMSecsSinceEpoch();
}

// A socket never buffers more than this from one message, whatever the sender claims; the
// protocol's own limit (kMaxMessageBytes) is checked after, with an error answer.
constexpr qint64 kHardMessageCap = 64 * 1024;

}  // namespace

// One computer turn being thought on a thread of its own: the job (a copy of the game),
// the choice when it is made, and the flag that stops it early.
struct Thinking {
  Room::ComputerJob job;
  ChosenMove chosen;
  std::atomic<bool> stop{false};
  std::thread thread;
};

Server::Server(const ServerOptions& options, QObject* parent) : QObject(parent), options_(options) {
  const bool tls = !options_.certFile.isEmpty() && !options_.keyFile.isEmpty();
  server_ = new QWebSocketServer(
      QStringLiteral("korvel4"),
      tls ? QWebSocketServer::SecureMode : QWebSocketServer::NonSecureMode, this);
  server_->setMaxPendingConnections(64);
  connect(server_, &QWebSocketServer::newConnection, this, &Server::OnNewConnection);
  if (!tls) {
    // Small messages in both directions: each goes out at once, not after the peer's
    // delayed acknowledgement of the one before.
    tcp_ = new QTcpServer(this);
    tcp_->setMaxPendingConnections(64);
    connect(tcp_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = tcp_->nextPendingConnection()) {
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        server_->handleConnection(s);
      }
    });
  }
  auto* sweep = new QTimer(this);
  connect(sweep, &QTimer::timeout, this, &Server::Sweep);
  sweep->start(1000);
}

Server::~Server() {
  for (auto& t : thinkings_) t->stop = true;
  for (auto& t : thinkings_)
    if (t->thread.joinable()) t->thread.join();
  CloseAll();
}

bool Server::Listen(QString* error) {
  if (!options_.certFile.isEmpty() || !options_.keyFile.isEmpty()) {
    const auto certs = ReadCertificates(options_.certFile, error);
    if (!certs) return false;
    const auto key = ReadPrivateKey(options_.keyFile, error);
    if (!key) return false;
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setLocalCertificateChain(*certs);
    ssl.setPrivateKey(*key);
    ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
    server_->setSslConfiguration(ssl);
  }
  if (tcp_ ? !tcp_->listen(options_.address, options_.port)
           : !server_->listen(options_.address, options_.port)) {
    *error = tcp_ ? tcp_->errorString() : server_->errorString();
    return false;
  }
  if (!options_.certFile.isEmpty() && !HandshakeWithItself(error)) {
    server_->close();
    return false;
  }
  return true;
}

// A key that is not the certificate's own would let the server start and then fail every
// player's handshake: one handshake with itself at start shows it at once.
bool Server::HandshakeWithItself(QString* error) {
  QHostAddress to = options_.address;
  if (to == QHostAddress::Any || to == QHostAddress::AnyIPv4 || to.isNull())
    to = QHostAddress(QHostAddress::LocalHost);
  else if (to == QHostAddress::AnyIPv6)
    to = QHostAddress(QHostAddress::LocalHostIPv6);
  QSslSocket probe;
  probe.setPeerVerifyMode(QSslSocket::VerifyNone);
  QEventLoop loop;
  bool ok = false;
  QString why = QStringLiteral("no answer within 5 s");
  QObject::connect(&probe, &QSslSocket::encrypted, &loop, [&] {
    ok = true;
    loop.quit();
  });
  QObject::connect(&probe, &QSslSocket::errorOccurred, &loop, [&] {
    why = probe.errorString();
    loop.quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  probe.connectToHostEncrypted(to.toString(), Port());
  loop.exec();
  probe.abort();
  if (!ok)
    *error = QStringLiteral("the certificate and the key do not work together (a TLS handshake "
                            "with this server failed: %1)")
                 .arg(why);
  return ok;
}

quint16 Server::Port() const {
  return tcp_ ? tcp_->serverPort() : server_->serverPort();
}

Room* Server::OpenRoom(const QString& code, const RoomOptions& options) {
  return OpenEntry(code, options, true);
}

Room* Server::OpenEntry(const QString& code, const RoomOptions& options, bool fixed) {
  if (rooms_.count(code)) return nullptr;
  RoomEntry& e = rooms_[code];
  e.room = std::make_unique<Room>(code, options);
  e.emptySince = NowMs();
  e.fixed = fixed;
  return e.room.get();
}

Room* Server::FindRoom(const QString& code) {
  auto it = rooms_.find(code);
  return it == rooms_.end() ? nullptr : it->second.room.get();
}

std::vector<std::pair<QString, std::string>> Server::GamesInProgress() const {
  std::vector<std::pair<QString, std::string>> games;
  for (const auto& [code, e] : rooms_)
    if (e.room->Started() && !e.room->Over()) games.emplace_back(code, e.room->Record());
  return games;
}

void Server::CloseAll() {
  std::vector<QWebSocket*> all;
  for (auto& [ws, c] : conns_) all.push_back(ws);
  for (QWebSocket* ws : all) {
    ws->disconnect(this);
    ws->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("server stopping"));
    ws->deleteLater();
  }
  conns_.clear();
}

void Server::Farewell(const QString& text) {
  const QString msg = Serialize(QJsonObject{{"t", "closed"}, {"text", text}});
  for (auto& [ws, c] : conns_)
    if (!c.room.isEmpty()) ws->sendTextMessage(msg);
  for (auto& [ws, c] : conns_) ws->flush();
}

void Server::OnNewConnection() {
  while (QWebSocket* ws = server_->nextPendingConnection()) {
    if (static_cast<int>(conns_.size()) >= options_.maxConnections) {
      ws->close(QWebSocketProtocol::CloseCodeAbnormalDisconnection, QStringLiteral("full"));
      ws->deleteLater();
      continue;
    }
    ws->setMaxAllowedIncomingMessageSize(kHardMessageCap);
    ws->setMaxAllowedIncomingFrameSize(kHardMessageCap);
    Conn c;
    c.tokens = options_.burst;
    c.refilledAt = c.openedAt = NowMs();
    conns_.emplace(ws, c);
    connect(ws, &QWebSocket::textMessageReceived, this,
            [this, ws](const QString& text) { OnText(ws, text); });
    connect(ws, &QWebSocket::binaryMessageReceived, this, [this, ws](const QByteArray&) {
      auto it = conns_.find(ws);
      if (it != conns_.end()) Strike(ws, it->second, "binary", "text messages only");
    });
    connect(ws, &QWebSocket::disconnected, this, [this, ws] { OnClosed(ws); });
  }
}

void Server::SendTo(QWebSocket* ws, const QJsonObject& msg) {
  if (ws) ws->sendTextMessage(Serialize(msg));
}

void Server::Strike(QWebSocket* ws, Conn& c, const QString& code, const QString& text) {
  ++c.strikes;
  if (c.strikes >= options_.strikesToClose) {
    SendTo(ws, ErrorMessage("closing", "too many refused messages"));
    ws->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("misbehaving"));
    return;
  }
  SendTo(ws, ErrorMessage(code, text));
}

void Server::OnText(QWebSocket* ws, const QString& text) {
  auto it = conns_.find(ws);
  if (it == conns_.end()) return;
  Conn& c = it->second;
  ++messagesRead_;
  const qint64 now = NowMs();
  c.tokens = std::min(options_.burst,
                      c.tokens + (now - c.refilledAt) * options_.messagesPerSecond / 1000.0);
  c.refilledAt = now;
  if (c.tokens < 1) return Strike(ws, c, "rate", "too many messages");
  c.tokens -= 1;
  if (text.size() > kMaxMessageBytes || text.toUtf8().size() > kMaxMessageBytes)
    return Strike(ws, c, "size", "a message is at most 4096 bytes");
  const auto msg = ParseMessage(text);
  if (!msg) return Strike(ws, c, "malformed", "a message is one JSON object with \"t\"");
  Handle(ws, c, *msg);
}

void Server::Handle(QWebSocket* ws, Conn& c, const QJsonObject& msg) {
  const QString type = msg.value("t").toString();
  if (type == "hello" || type == "rejoin" || type == "create") {
    if (!c.room.isEmpty()) return Strike(ws, c, "joined", "this connection has a seat already");
    return HandleJoin(ws, c, msg, type);
  }
  if (type == "ping") {
    c.strikes = 0;
    return SendTo(ws, QJsonObject{{"t", "pong"}});
  }
  if (type != "move" && type != "start" && type != "again" && type != "give")
    return Strike(ws, c, "unknown", "unknown message");
  auto rit = rooms_.find(c.room);
  if (c.room.isEmpty() || rit == rooms_.end())
    return Strike(ws, c, "not-joined", "join a room first");
  RoomEntry& e = rit->second;
  Room& room = *e.room;
  if (type == "move") {
    const auto n = IntField(msg, "n", 1, 1000000);
    const auto from = SquareField(msg, "from");
    const auto to = SquareField(msg, "to");
    const auto promote = msg.contains("promote") ? BoolField(msg, "promote") : false;
    if (!n || !from || !to || !promote)
      return Strike(ws, c, "malformed", "move: n, from, to, promote");
    room.Intend(c.seat, *n, *from, *to, *promote);
  } else if (type == "start") {
    room.Start(c.seat);
  } else if (type == "again") {
    const auto yes = BoolField(msg, "yes");
    if (!yes) return Strike(ws, c, "malformed", "again: yes");
    room.Again(c.seat, *yes);
  } else {
    const auto seat = SeatField(msg, "seat");
    if (!seat) return Strike(ws, c, "malformed", "give: seat");
    room.GiveToComputer(c.seat, *seat);
  }
  c.strikes = 0;
  Dispatch(e);
}

void Server::HandleJoin(QWebSocket* ws, Conn& c, const QJsonObject& msg, const QString& type) {
  const auto v = IntField(msg, "v", 0, 1000000);
  if (!v || *v != kProtocolVersion) {
    SendTo(ws, ErrorMessage("version",
                            QStringLiteral("protocol version %1 only").arg(kProtocolVersion)));
    ws->close(QWebSocketProtocol::CloseCodeProtocolError, QStringLiteral("version"));
    return;
  }
  const auto seat = SeatField(msg, "seat");
  if (!seat) return Strike(ws, c, "malformed", "seat: 1..4");
  QString code;
  Room::JoinAnswer a;
  if (type == "create") {
    const auto name = NameField(msg, "name");
    const auto level = IntField(msg, "level", 1, 4);
    const QJsonValue people = msg.value("people");
    if (!name || !level || !people.isArray() || people.toArray().size() > 4)
      return Strike(ws, c, "malformed", "create: name, seat, people, level");
    RoomOptions ro;
    std::fill(std::begin(ro.person), std::end(ro.person), false);
    for (const QJsonValue& p : people.toArray()) {
      const auto s = SeatField(QJsonObject{{"s", p}}, "s");
      if (!s) return Strike(ws, c, "malformed", "people: seats 1..4");
      ro.person[*s] = true;
    }
    if (!ro.person[*seat]) return Strike(ws, c, "malformed", "seat must be one of people");
    if (!options_.allowCreate) return Strike(ws, c, "no-create", "rooms are fixed here");
    if (static_cast<int>(rooms_.size()) >= options_.maxRooms)
      return Strike(ws, c, "full", "no more rooms");
    ro.level = *level;
    ro.waitSeconds = options_.waitSeconds;
    ro.deepSeconds = options_.deepSeconds;
    do code = NewRoomCode();
    while (rooms_.count(code));
    OpenEntry(code, ro, false);
    a = rooms_[code].room->Join(*seat, *name);
  } else {
    const auto room = CodeField(msg, "room");
    if (!room) return Strike(ws, c, "malformed", "room: a room code");
    auto it = rooms_.find(*room);
    if (it == rooms_.end()) return Strike(ws, c, "no-room", "no such room");
    code = *room;
    RoomEntry& e = it->second;
    if (type == "hello") {
      const auto name = NameField(msg, "name");
      if (!name) return Strike(ws, c, "malformed", "name: 1..24 characters");
      a = e.room->Join(*seat, *name);
    } else {
      const auto token = TokenField(msg, "token");
      if (!token) return Strike(ws, c, "malformed", "token: 32 hexadecimal digits");
      a = e.room->Rejoin(*seat, *token);
      if (a.ok && e.seat[*seat] && e.seat[*seat] != ws) {
        // The old connection is dead or a duplicate: the token wins the seat.
        QWebSocket* old = e.seat[*seat];
        e.seat[*seat] = nullptr;
        auto oc = conns_.find(old);
        if (oc != conns_.end()) oc->second.room.clear();
        old->close(QWebSocketProtocol::CloseCodeNormal, QStringLiteral("replaced"));
      }
    }
  }
  RoomEntry& e = rooms_[code];
  if (!a.ok) {
    e.room->TakeOutgoing();
    return Strike(ws, c, a.error.value("code").toString(), a.error.value("text").toString());
  }
  c.room = code;
  c.seat = *seat;
  c.strikes = 0;
  e.seat[*seat] = ws;
  Dispatch(e);
}

void Server::OnClosed(QWebSocket* ws) {
  auto it = conns_.find(ws);
  if (it == conns_.end()) return;
  const Conn c = it->second;
  conns_.erase(it);
  ws->deleteLater();
  auto rit = rooms_.find(c.room);
  if (c.room.isEmpty() || rit == rooms_.end()) return;
  RoomEntry& e = rit->second;
  if (e.seat[c.seat] != ws) return;
  e.seat[c.seat] = nullptr;
  e.room->Left(c.seat);
  if (!e.room->AnyoneConnected()) e.emptySince = NowMs();
  Dispatch(e);
}

void Server::Dispatch(RoomEntry& e) {
  for (const Outgoing& o : e.room->TakeOutgoing()) {
    if (o.msg.value("t").toString() == "over" && onGameEnded)
      onGameEnded(e.room->Code(), e.room->Record());
    const QString text = Serialize(o.msg);
    for (int seat = 1; seat <= 4; ++seat)
      if (e.seat[seat] && (o.to == kEveryone || o.to == seat)) e.seat[seat]->sendTextMessage(text);
  }
  if (e.room->ComputerToMove() && !e.computerPending) ScheduleComputer(e.room->Code());
}

void Server::ScheduleComputer(const QString& code) {
  rooms_[code].computerPending = true;
  QTimer::singleShot(static_cast<int>(options_.pauseSeconds * 1000), this, [this, code] {
    auto it = rooms_.find(code);
    if (it == rooms_.end()) return;
    RoomEntry& e = it->second;
    auto job = e.room->PrepareComputerTurn();
    if (!job) {  // the repetition rule ended the game, or no computer is to move
      e.computerPending = false;
      return Dispatch(e);
    }
    // The thinking runs on its own thread (level 4 may take seconds); every other room,
    // and this room's players, are served meanwhile. Its choice comes back to the loop.
    auto t = std::make_shared<Thinking>();
    t->job = std::move(*job);
    e.thinking = t;
    thinkings_.push_back(t);
    t->thread = std::thread([this, t, code] {
      t->chosen = Room::Think(t->job, &t->stop);
      if (!t->stop) QMetaObject::invokeMethod(this, [this, code] { Thought(code); });
    });
  });
}

void Server::Thought(const QString& code) {
  auto it = rooms_.find(code);
  if (it == rooms_.end() || !it->second.thinking) return;
  RoomEntry& e = it->second;
  const std::shared_ptr<Thinking> t = std::move(e.thinking);
  if (t->thread.joinable()) t->thread.join();  // it has finished: only its end is waited for
  std::erase(thinkings_, t);
  e.computerPending = false;
  e.room->FinishComputerTurn(t->job, t->chosen);
  Dispatch(e);
}

void Server::Sweep() {
  const qint64 now = NowMs();
  std::vector<QWebSocket*> late;
  for (auto& [ws, c] : conns_)
    if (c.room.isEmpty() && now - c.openedAt > qint64{options_.joinSeconds} * 1000)
      late.push_back(ws);
  for (QWebSocket* ws : late)
    ws->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("join in time"));
  for (auto it = rooms_.begin(); it != rooms_.end();) {
    RoomEntry& e = it->second;
    const bool empty = !e.room->AnyoneConnected() && !e.computerPending;
    const bool idle = now - e.emptySince > qint64{options_.idleRoomSeconds} * 1000;
    if (empty && (e.room->Closed() || (idle && !e.fixed)))
      it = rooms_.erase(it);
    else
      ++it;
  }
}

}  // namespace korvel::net
