#include "net/server.h"

#include <QEventLoop>
#include <QMetaMethod>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <chrono>

#include "net/gate.h"
#include "net/journal.h"
#include "net/protocol.h"
#include "net/thinkers.h"
#include "net/tls.h"
#include "play/texts.h"

namespace korvel::net {

namespace {

// Every timer of the server counts on the monotonic clock: a change of the system's time
// moves no deadline.
qint64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A socket never buffers more than this from one message, whatever the sender claims; the
// protocol's own limit (kMaxMessageBytes) is checked after, with an error answer.
constexpr qint64 kHardMessageCap = 64 * 1024;

// Frames a closed connection may still send before it is cut off at once.
constexpr int kFramesWhileClosing = 64;

}  // namespace

// Tells the server of every ping and pong frame a WebSocket reads. Qt answers a ping by
// itself and announces none: its frame reader (a child of the QWebSocket) has the signal.
class FrameTap : public QObject {
  Q_OBJECT
 public:
  FrameTap(QWebSocket* ws, std::function<void()> onFrame)
      : QObject(ws), onFrame_(std::move(onFrame)) {}
  // False when the WebSocket's frame reader has no ping signal (another Qt).
  bool Attach(QWebSocket* ws) {
    connect(ws, &QWebSocket::pong, this, &FrameTap::Frame);
    for (QObject* child : ws->findChildren<QObject*>()) {
      const QMetaObject* mo = child->metaObject();
      const int ping = mo->indexOfSignal("pingReceived(QByteArray)");
      if (ping < 0) continue;
      const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("Frame()"));
      return static_cast<bool>(connect(child, mo->method(ping), this, slot));
    }
    return false;
  }
 public slots:
  void Frame() { onFrame_(); }

 private:
  std::function<void()> onFrame_;
};

// One computer turn being thought on a thread of the pool: the job (a copy of the game),
// the choice when it is made, and the flag that stops it early.
struct Thinking {
  Room::ComputerJob job;
  ChosenMove chosen;
  std::atomic<bool> stop{false};
};

Server::Server(const ServerOptions& options, QObject* parent) : QObject(parent), options_(options) {
  const bool tls = !options_.certFile.isEmpty() && !options_.keyFile.isEmpty();
  server_ = new QWebSocketServer(
      QStringLiteral("korvel4"),
      tls ? QWebSocketServer::SecureMode : QWebSocketServer::NonSecureMode, this);
  server_->setMaxPendingConnections(64);
  connect(server_, &QWebSocketServer::newConnection, this, &Server::OnNewConnection);
  GateLimits limits;
  limits.maxSockets = options_.maxConnections;
  limits.maxPerAddress = options_.maxPerAddress;
  limits.handshakeMs = options_.handshakeMs;
  limits.penalty = options_.penalty;
  gate_ = new Gate(server_, limits, this);
  if (!options_.webFolder.isEmpty()) page_.Load(options_.webFolder, &pageMissing_);
  gate_->ServePage(&page_);
  // Another site's page is refused before its WebSocket exists (the check after the
  // upgrade stays for any path that bypasses the gate).
  gate_->CheckUpgrades([tls = !options_.certFile.isEmpty() && !options_.keyFile.isEmpty()](
                           const QString& origin, const QString& host) {
    return SameOrigin(origin, QUrl(QStringLiteral("http://") + host, QUrl::StrictMode), tls);
  });
  // A frame without its mask breaks the protocol: closed (1002) as misbehaving.
  gate_->OnUnmasked([this](QTcpSocket* s) {
    for (auto& [ws, c] : conns_) {
      if (c.socket != s) continue;
      if (c.closing) return;
      Offence(c);
      return Drop(ws, c, QWebSocketProtocol::CloseCodeProtocolError, QStringLiteral("unmasked"));
    }
    s->abort();
  });
  thinkers_ = std::make_unique<ThinkerPool>(
      options_.deepThinkers > 0 ? options_.deepThinkers : ThinkerPool::DefaultDeep());
  auto* sweep = new QTimer(this);
  connect(sweep, &QTimer::timeout, this, &Server::Sweep);
  sweep->start(1000);
  auto* live = new QTimer(this);
  connect(live, &QTimer::timeout, this, &Server::Liveness);
  live->start(std::clamp(std::min(options_.pingMs, options_.silenceMs) / 4, 20, 1000));
}

Server::~Server() {
  for (auto& t : thinkings_) t->stop = true;
  thinkers_->Stop();
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
    gate_->UseTls(ssl);
  }
  if (!gate_->listen(options_.address, options_.port)) {
    *error = gate_->errorString();
    return false;
  }
  if (!options_.certFile.isEmpty() && !HandshakeWithItself(error)) {
    gate_->close();
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
  return gate_->serverPort();
}

int Server::SocketCount() const {
  return gate_->SocketCount();
}

long long Server::SocketsRefused() const {
  return gate_->Refused();
}

long long Server::SocketsBoxed() const {
  return gate_->Boxed();
}

bool Server::InPenaltyBox(const QHostAddress& address) const {
  return gate_->Penalties().Boxed(Gate::AddressKey(address), NowMs());
}

int Server::AddressesRemembered() const {
  return gate_->Penalties().Size();
}

long long Server::OriginsRefused() const {
  return originsRefused_ + gate_->UpgradesRefused();
}

long long Server::PagesAnswered() const {
  return gate_->PagesAnswered();
}

long long Server::HandshakesExpired() const {
  return gate_->Expired();
}

int Server::ThinkerThreads() const {
  return thinkers_->Threads();
}

int Server::MostThinkingAtOnce() const {
  return thinkers_->MostRunning();
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
  if (!options_.journalDir.isEmpty()) {
    QString error;
    auto file = JournalFile::Create(options_.journalDir, code, &error);
    if (file && !file->Append(e.room->JournalHead(fixed), &error)) file.reset();
    if (!file)
      qWarning("korvel4-server: the room %s is kept in no journal: %s", qPrintable(code),
               qPrintable(error));
    else
      KeepJournal(e, std::move(file));
  }
  return e.room.get();
}

void Server::KeepJournal(RoomEntry& e, std::unique_ptr<JournalFile> file) {
  e.journal = std::move(file);
  JournalFile* j = e.journal.get();
  e.room->SetJournal([j](const QJsonObject& entry) {
    QString error;
    if (!j->Append(entry, &error))
      qWarning("korvel4-server: cannot write the journal: %s", qPrintable(error));
  });
}

int Server::Restore(QStringList* problems) {
  if (options_.journalDir.isEmpty()) return 0;
  int restored = 0;
  for (ReadJournal& j : ReadJournals(options_.journalDir, problems)) {
    bool fixed = false;
    std::unique_ptr<Room> room;
    size_t bad = 0;  // the line that cannot be taken back (1-based), 0: none
    if (j.entries.empty() || !(room = Room::FromJournalHead(j.entries[0], &fixed)) ||
        room->Code() != j.code)
      bad = 1;
    for (size_t i = 1; !bad && i < j.entries.size(); ++i)
      if (!room->Replay(j.entries[i])) bad = i + 1;
    if (bad) {
      problems->append(QStringLiteral("%1: line %2 cannot be taken back (skipped)")
                           .arg(j.path)
                           .arg(bad));
      continue;
    }
    if (rooms_.count(j.code)) continue;
    QString error;
    auto file = JournalFile::Continue(j.path, j.wholeBytes, &error);
    if (!file) {
      problems->append(error + QStringLiteral(" (skipped)"));
      continue;
    }
    RoomEntry& e = rooms_[j.code];
    e.room = std::move(room);
    e.emptySince = NowMs();
    e.fixed = fixed;
    KeepJournal(e, std::move(file));
    ++restored;
  }
  return restored;
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
    if (QTcpSocket* socket = conns_[ws].socket) socket->deleteLater();
  }
  conns_.clear();
}

void Server::Farewell(const QString& text, const QString& reason) {
  QJsonObject closed{{"t", "closed"}, {"text", text}};
  if (!reason.isEmpty()) closed.insert("reason", reason);
  const QString msg = Serialize(closed);
  for (auto& [ws, c] : conns_)
    if (!c.room.isEmpty() && !c.closing) ws->sendTextMessage(msg);
  for (auto& [ws, c] : conns_) ws->flush();
}

void Server::OnNewConnection() {
  while (QWebSocket* ws = server_->nextPendingConnection()) {
    ws->setMaxAllowedIncomingMessageSize(kHardMessageCap);
    ws->setMaxAllowedIncomingFrameSize(kHardMessageCap);
    Conn c;
    c.tokens = options_.burst;
    c.refilledAt = c.openedAt = c.heardAt = c.pingedAt = NowMs();
    c.socket = gate_->Claim(ws);
    c.address = Gate::AddressKey(ws->peerAddress());
    auto [it, added] = conns_.emplace(ws, c);
    // A browser's page must be this server's own: another site's page is closed at once.
    const bool tls = !options_.certFile.isEmpty() && !options_.keyFile.isEmpty();
    if (!SameOrigin(ws->origin(), ws->requestUrl(), tls)) {
      ++originsRefused_;
      connect(ws, &QWebSocket::disconnected, this, [this, ws] { OnClosed(ws); });
      Drop(ws, it->second, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("origin"));
      continue;
    }
    connect(ws, &QWebSocket::textMessageReceived, this,
            [this, ws](const QString& text) { OnText(ws, text); });
    connect(ws, &QWebSocket::binaryMessageReceived, this, [this, ws](const QByteArray&) {
      auto it = conns_.find(ws);
      if (it != conns_.end() && !it->second.closing)
        Strike(ws, it->second, "binary", "text messages only");
    });
    connect(ws, &QWebSocket::disconnected, this, [this, ws] { OnClosed(ws); });
    auto* tap = new FrameTap(ws, [this, ws] { OnControlFrame(ws); });
    if (!tap->Attach(ws))
      qWarning("korvel4-server: ping frames cannot be counted with this Qt WebSockets");
  }
}

bool Server::SameOrigin(const QString& origin, const QUrl& requestUrl, bool tls) {
  if (origin.isEmpty()) return true;  // not a browser: the window, the clients, the runner
  const QUrl o(origin, QUrl::StrictMode);
  const int defaultPort = tls ? 443 : 80;
  return o.isValid() && o.scheme() == (tls ? "https" : "http") && !o.host().isEmpty() &&
         o.path().isEmpty() && o.host().compare(requestUrl.host(), Qt::CaseInsensitive) == 0 &&
         o.port(defaultPort) == requestUrl.port(defaultPort);
}

int Server::WatcherCount(const QString& code) const {
  const auto it = rooms_.find(code);
  return it == rooms_.end() ? 0 : static_cast<int>(it->second.watchers.size());
}

bool Server::IsVersion2(QWebSocket* ws) const {
  const auto it = conns_.find(ws);
  return it != conns_.end() && it->second.version >= kProtocolVersion2;
}

QJsonObject Server::Version2(const RoomEntry& e, const Outgoing& o, bool legal) const {
  QJsonObject msg = o.msg;
  for (auto it = o.v2.begin(); it != o.v2.end(); ++it) msg.insert(it.key(), it.value());
  const QString t = msg.value("t").toString();
  if (t == "room" || t == "welcome")
    msg.insert("watchers", static_cast<int>(e.watchers.size()));
  if (t == "welcome") msg.insert("v", kProtocolVersion2);
  if (legal) msg.insert("legal", o.legal);
  return msg;
}

QJsonObject Server::Version1(const RoomEntry& e, const Outgoing& o) const {
  const QString t = o.msg.value("t").toString();
  if (e.watchers.empty() || (t != "room" && t != "welcome")) return o.msg;
  QJsonObject msg = o.msg;
  msg.insert("watchers", static_cast<int>(e.watchers.size()));
  return msg;
}

void Server::TellWatcherCount(RoomEntry& e) {
  // Every seat is told, version 1 too (its `room` then carries the count, 0 included); the
  // message is the same text for both versions, as a `room` has no version-2 fields.
  QJsonObject msg = e.room->RoomMessage();
  msg.insert("watchers", static_cast<int>(e.watchers.size()));
  const QString text = Serialize(msg);
  std::vector<QWebSocket*> to(e.watchers);
  for (int seat = 1; seat <= 4; ++seat)
    if (e.seat[seat]) to.push_back(e.seat[seat]);
  for (QWebSocket* ws : to) Send(ws, text);
}

void Server::ForgetWatcher(QWebSocket* ws, const QString& room) {
  auto rit = rooms_.find(room);
  if (rit == rooms_.end()) return;
  if (std::erase(rit->second.watchers, ws) > 0) TellWatcherCount(rit->second);
}

qint64 Server::Unwritten(QWebSocket* ws, const Conn& c) const {
  qint64 n = ws->bytesToWrite();
  if (const auto* ssl = qobject_cast<const QSslSocket*>(c.socket)) n += ssl->encryptedBytesToWrite();
  return n;
}

void Server::CheckOutgoing(QWebSocket* ws, Conn& c) {
  if (c.closing || Unwritten(ws, c) <= options_.maxOutgoingBytes) return;
  ++slowClosed_;
  Offence(c);
  Drop(ws, c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("not reading"));
}

void Server::Drop(QWebSocket* ws, Conn& c, int code, const QString& reason) {
  if (c.closing) return;
  c.closing = true;
  ws->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
  // A peer that neither reads nor answers the close is cut off.
  QTimer::singleShot(options_.closeGraceMs, ws, [ws] { ws->abort(); });
}

void Server::Send(QWebSocket* ws, const QString& text) {
  auto it = conns_.find(ws);
  if (it == conns_.end() || it->second.closing) return;
  ws->sendTextMessage(text);
  CheckOutgoing(ws, it->second);
}

void Server::SendTo(QWebSocket* ws, const QJsonObject& msg) {
  if (ws) Send(ws, Serialize(msg));
}

void Server::Strike(QWebSocket* ws, Conn& c, const QString& code, const QString& text) {
  ++c.strikes;
  if (c.strikes >= options_.strikesToClose) {
    Offence(c);
    SendTo(ws, ErrorMessage("closing", "too many refused messages"));
    Drop(ws, c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("misbehaving"));
    return;
  }
  SendTo(ws, ErrorMessage(code, text));
}

void Server::Offence(const Conn& c) {
  gate_->Offence(c.address);
}

bool Server::Take(Conn& c) {
  const qint64 now = NowMs();
  c.tokens = std::min(options_.burst,
                      c.tokens + (now - c.refilledAt) * options_.messagesPerSecond / 1000.0);
  c.refilledAt = now;
  if (c.tokens < 1) return false;
  c.tokens -= 1;
  return true;
}

void Server::OnControlFrame(QWebSocket* ws) {
  auto it = conns_.find(ws);
  if (it == conns_.end()) return;
  Conn& c = it->second;
  ++controlRead_;
  c.heardAt = NowMs();
  if (c.closing) {
    if (++c.framesWhileClosing > kFramesWhileClosing) ws->abort();
    return;
  }
  // Qt has answered a ping already: the answer counts in what the peer leaves unread.
  // Closing a connection may forget it at once: it is looked up again.
  CheckOutgoing(ws, c);
  it = conns_.find(ws);
  if (it == conns_.end() || it->second.closing) return;
  if (!Take(it->second)) Strike(ws, it->second, "rate", "too many messages");
}

void Server::OnText(QWebSocket* ws, const QString& text) {
  auto it = conns_.find(ws);
  if (it == conns_.end()) return;
  Conn& c = it->second;
  ++messagesRead_;
  c.heardAt = NowMs();
  if (c.closing) {
    if (++c.framesWhileClosing > kFramesWhileClosing) ws->abort();
    return;
  }
  if (!Take(c)) return Strike(ws, c, "rate", "too many messages");
  if (text.size() > kMaxMessageBytes || text.toUtf8().size() > kMaxMessageBytes)
    return Strike(ws, c, "size", "a message is at most 4096 bytes");
  const auto msg = ParseMessage(text);
  if (!msg) return Strike(ws, c, "malformed", "a message is one JSON object with \"t\"");
  Handle(ws, c, *msg);
}

void Server::Handle(QWebSocket* ws, Conn& c, const QJsonObject& msg) {
  const QString type = msg.value("t").toString();
  if (type == "record" && c.version >= kProtocolVersion2) {
    // The game so far as the authority writes it (.k4k): a player or a watcher downloads it.
    const auto rit = rooms_.find(c.room);
    if (c.room.isEmpty() || rit == rooms_.end())
      return Strike(ws, c, "not-joined", "join a room first");
    c.strikes = 0;
    return SendTo(ws, QJsonObject{{"t", "record"},
                                  {"text", QString::fromStdString(rit->second.room->Record())}});
  }
  if (c.watcher && type != "ping") {
    // A watcher has no seat: whatever it sends is refused, and counts as a refusal.
    if (c.strikes + 1 >= options_.strikesToClose)
      return Strike(ws, c, "watcher", "too many refused messages");
    ++c.strikes;
    return SendTo(ws, QJsonObject{{"t", "refused"},
                                  {"code", "watcher"},
                                  {"text", QString::fromUtf8(TextIn(Language::JAPANESE,
                                                                    TextId::NET_WATCHING))},
                                  {"detail", type}});
  }
  if (type == "hello" || type == "rejoin" || type == "create" || type == "watch") {
    if (!c.room.isEmpty()) return Strike(ws, c, "joined", "this connection has a seat already");
    return HandleJoin(ws, c, msg, type);
  }
  if (type == "ping") {
    c.strikes = 0;
    return SendTo(ws, QJsonObject{{"t", "pong"}});
  }
  if (type != "move" && type != "start" && type != "again" && type != "give" && type != "turns")
    return Strike(ws, c, "unknown", "unknown message");
  auto rit = rooms_.find(c.room);
  if (c.room.isEmpty() || rit == rooms_.end())
    return Strike(ws, c, "not-joined", "join a room first");
  RoomEntry& e = rit->second;
  Room& room = *e.room;
  if (type == "turns") {
    const auto from = IntField(msg, "from", 1, 10000000);
    const auto count = IntField(msg, "count", 1, kTurnsPage);
    if (!from || !count) return Strike(ws, c, "malformed", "turns: from, count 1..1000");
    c.strikes = 0;
    return SendTo(ws, room.TurnsPage(*from, *count));
  }
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
  if (!v || (*v != kProtocolVersion && *v != kProtocolVersion2) ||
      (type == "watch" && *v != kProtocolVersion2)) {
    SendTo(ws, ErrorMessage("version",
                            type == "watch"
                                ? QStringLiteral("watch: protocol version %1").arg(kProtocolVersion2)
                                : QStringLiteral("protocol version %1 or %2 only")
                                      .arg(kProtocolVersion)
                                      .arg(kProtocolVersion2)));
    Drop(ws, c, QWebSocketProtocol::CloseCodeProtocolError, QStringLiteral("version"));
    return;
  }
  c.version = *v;
  if (type == "watch") return HandleWatch(ws, c, msg);
  if (*v == kProtocolVersion && type != "create") {
    // A room continued from a record's own start position: version 1 cannot follow it.
    const auto code = CodeField(msg, "room");
    const auto it = code ? rooms_.find(*code) : rooms_.end();
    if (it != rooms_.end() && !it->second.room->FollowableByVersion1()) {
      SendTo(ws, ErrorMessage("version", QStringLiteral("this room needs protocol version %1")
                                             .arg(kProtocolVersion2)));
      Drop(ws, c, QWebSocketProtocol::CloseCodeProtocolError, QStringLiteral("version"));
      return;
    }
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
    // The time control is optional: a client that sends none plays without clocks.
    if (msg.contains(QLatin1String("clock"))) {
      const auto clock = TimeControlField(msg, "clock");
      if (!clock) return Strike(ws, c, "malformed", "clock: {main, byoyomi} in milliseconds");
      ro.clock = *clock;
    }
    if (!options_.allowCreate) return Strike(ws, c, "no-create", "rooms are fixed here");
    if (static_cast<int>(rooms_.size()) >= options_.maxRooms)
      return Strike(ws, c, "full", "no more rooms");
    QString why;
    if (!MayCreate(c.address, &why)) {
      Offence(c);
      return Strike(ws, c, "rooms", why);
    }
    ro.level = *level;
    ro.waitSeconds = options_.waitSeconds;
    ro.deepSeconds = options_.deepSeconds;
    ro.maxTurns = options_.maxTurns;
    do {
      code = NewRoomCode();
      if (!options_.shard.isEmpty()) code.replace(0, 1, options_.shard.left(1));
    } while (rooms_.count(code) ||
             (!options_.journalDir.isEmpty() && JournalExists(options_.journalDir, code)));
    OpenEntry(code, ro, false);
    rooms_[code].creator = c.address;
    AddressRooms& mine = byAddress_[c.address];
    ++mine.open;
    mine.createdAt.push_back(NowMs());
    if (c.version >= kProtocolVersion2) rooms_[code].room->WantPosition(*seat);
    a = rooms_[code].room->Join(*seat, *name);
  } else {
    const auto room = CodeField(msg, "room");
    if (!room) return Strike(ws, c, "malformed", "room: a room code");
    auto it = rooms_.find(*room);
    if (it == rooms_.end()) return Strike(ws, c, "no-room", "no such room");
    code = *room;
    RoomEntry& e = it->second;
    if (c.version >= kProtocolVersion2) e.room->WantPosition(*seat);
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
        if (oc != conns_.end()) {
          oc->second.room.clear();
          Drop(old, oc->second, QWebSocketProtocol::CloseCodeNormal, QStringLiteral("replaced"));
        }
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

void Server::HandleWatch(QWebSocket* ws, Conn& c, const QJsonObject& msg) {
  if (!c.room.isEmpty()) return Strike(ws, c, "joined", "this connection has a seat already");
  const auto room = CodeField(msg, "room");
  if (!room) return Strike(ws, c, "malformed", "room: a room code");
  auto it = rooms_.find(*room);
  if (it == rooms_.end()) return Strike(ws, c, "no-room", "no such room");
  RoomEntry& e = it->second;
  if (e.room->Closed())
    return Strike(ws, c, "closed",
                  QString::fromUtf8(TextIn(Language::JAPANESE, TextId::ROOM_CLOSED)));
  if (static_cast<int>(e.watchers.size()) >= kMaxWatchers) {
    SendTo(ws, ErrorMessage("watchers",
                            QStringLiteral("at most %1 watchers in a room").arg(kMaxWatchers)));
    Drop(ws, c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("watchers"));
    return;
  }
  c.room = *room;
  c.seat = 0;
  c.watcher = true;
  c.strikes = 0;
  e.room->WantPosition(0);
  e.watchers.push_back(ws);
  Outgoing welcome{0, e.room->WatchWelcome(), {}, 0, {}};
  SendTo(ws, Version2(e, welcome, false));
  TellWatcherCount(e);
}

void Server::OnClosed(QWebSocket* ws) {
  auto it = conns_.find(ws);
  if (it == conns_.end()) return;
  const Conn c = it->second;
  conns_.erase(it);
  // Closed by the WebSocket layer itself for breaking the protocol (a frame over the size
  // the server takes, text that is not UTF-8, a malformed frame): an offence as misbehaving
  // is. The server's own closes are counted where they are decided.
  const auto code = ws->closeCode();
  if (!c.closing && (code == QWebSocketProtocol::CloseCodeProtocolError ||
                     code == QWebSocketProtocol::CloseCodeDatatypeNotSupported ||
                     code == QWebSocketProtocol::CloseCodeWrongDatatype ||
                     code == QWebSocketProtocol::CloseCodeTooMuchData))
    Offence(c);
  ws->deleteLater();
  // The WebSocket leaves its socket behind when it goes.
  if (c.socket) c.socket->deleteLater();
  if (c.watcher) return ForgetWatcher(ws, c.room);
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
    // Version 1's bytes as they always were (a `room` or `welcome` adds the watchers' count
    // while anyone watches); version 2's made once when first needed (the legal moves only
    // for the seat they are for).
    const QString text = Serialize(Version1(e, o));
    QString rich;
    auto richText = [&]() -> const QString& {
      if (rich.isNull()) rich = Serialize(Version2(e, o, false));
      return rich;
    };
    for (int seat = 1; seat <= 4; ++seat) {
      QWebSocket* ws = e.seat[seat];
      if (!ws || (o.to != kEveryone && o.to != seat)) continue;
      if (!IsVersion2(ws))
        Send(ws, text);
      else if (o.legalSeat == seat)
        Send(ws, Serialize(Version2(e, o, true)));
      else
        Send(ws, richText());
    }
    // Watchers get what everyone gets (never `ask`, `refused` nor a welcome of a seat).
    if (o.to == kEveryone && !e.watchers.empty()) {
      const std::vector<QWebSocket*> watchers(e.watchers);
      for (QWebSocket* ws : watchers) Send(ws, richText());
    }
  }
  if (e.room->Closed()) return CloseConnections(e);
  if (e.room->ComputerToMove() && !e.computerPending) ScheduleComputer(e.room->Code());
}

void Server::CloseConnections(RoomEntry& e) {
  // Each connection is left when it is gone (OnClosed), as when a player leaves.
  std::vector<QWebSocket*> all(e.watchers);
  for (int seat = 1; seat <= 4; ++seat)
    if (e.seat[seat]) all.push_back(e.seat[seat]);
  for (QWebSocket* ws : all) {
    const auto c = conns_.find(ws);
    if (c != conns_.end())
      Drop(ws, c->second, QWebSocketProtocol::CloseCodeNormal, QStringLiteral("room closed"));
  }
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
    // The thinking runs on the pool (level 4 may take seconds); every other room, and this
    // room's players, are served meanwhile. Its choice comes back to the loop.
    auto t = std::make_shared<Thinking>();
    t->job = std::move(*job);
    e.thinking = t;
    thinkings_.push_back(t);
    const bool deep = t->job.game.State().Level >= 4;
    thinkers_->Post(deep, [this, t, code] {
      if (t->stop) return;
      t->chosen = Room::Think(t->job, &t->stop);
      if (!t->stop) QMetaObject::invokeMethod(this, [this, t, code] { Thought(code, t); });
    });
  });
}

void Server::Thought(const QString& code, const std::shared_ptr<Thinking>& t) {
  std::erase(thinkings_, t);
  auto it = rooms_.find(code);
  if (it == rooms_.end() || it->second.thinking != t) return;
  RoomEntry& e = it->second;
  e.thinking.reset();
  e.computerPending = false;
  e.room->FinishComputerTurn(t->job, t->chosen);
  Dispatch(e);
}

void Server::Liveness() {
  const qint64 now = NowMs();
  // Pinging or closing a connection may forget it at once: the map is walked first, and
  // each connection looked up again before anything is done to it.
  std::vector<QWebSocket*> silent, due;
  for (auto& [ws, c] : conns_) {
    if (c.closing || c.room.isEmpty()) continue;
    if (now - c.heardAt > options_.silenceMs)
      silent.push_back(ws);
    else if (now - c.pingedAt >= options_.pingMs)
      due.push_back(ws);
  }
  for (QWebSocket* ws : due) {
    auto it = conns_.find(ws);
    if (it == conns_.end() || it->second.closing) continue;
    it->second.pingedAt = now;
    ws->ping();
    it = conns_.find(ws);
    if (it != conns_.end()) CheckOutgoing(ws, it->second);
  }
  for (QWebSocket* ws : silent) {
    auto it = conns_.find(ws);
    if (it == conns_.end() || it->second.closing) continue;
    Conn& c = it->second;
    // The seat is missing now, as when a connection is lost, whatever the socket does
    // later: it is closed, and no longer holds the seat.
    if (c.watcher) {
      const QString room = c.room;
      c.room.clear();
      ++silentClosed_;
      Drop(ws, c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("silent"));
      ForgetWatcher(ws, room);
      continue;
    }
    auto rit = rooms_.find(c.room);
    const int seat = c.seat;
    c.room.clear();
    ++silentClosed_;
    Drop(ws, c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("silent"));
    if (rit == rooms_.end() || rit->second.seat[seat] != ws) continue;
    RoomEntry& e = rit->second;
    e.seat[seat] = nullptr;
    e.room->Left(seat);
    if (!e.room->AnyoneConnected()) e.emptySince = now;
    Dispatch(e);
  }
}

bool Server::MayCreate(const QString& address, QString* why) {
  AddressRooms& mine = byAddress_[address];
  const qint64 since = NowMs() - qint64{options_.createWindowSeconds} * 1000;
  std::erase_if(mine.createdAt, [since](qint64 at) { return at < since; });
  if (mine.open >= options_.roomsPerAddress) {
    *why = QStringLiteral("at most %1 open rooms from one address").arg(options_.roomsPerAddress);
    return false;
  }
  if (static_cast<int>(mine.createdAt.size()) >= options_.createsPerAddress) {
    *why = QStringLiteral("at most %1 rooms from one address in %2 minutes")
               .arg(options_.createsPerAddress)
               .arg(options_.createWindowSeconds / 60);
    return false;
  }
  return true;
}

std::map<QString, Server::RoomEntry>::iterator Server::EraseRoom(
    std::map<QString, RoomEntry>::iterator it) {
  RoomEntry& e = it->second;
  if (e.thinking) {
    e.thinking->stop = true;
    std::erase(thinkings_, e.thinking);
  }
  if (e.journal) e.journal->Remove();
  // Its watchers have nothing more to see.
  const std::vector<QWebSocket*> watchers(e.watchers);
  e.watchers.clear();
  for (QWebSocket* ws : watchers) {
    auto c = conns_.find(ws);
    if (c == conns_.end()) continue;
    c->second.room.clear();
    Drop(ws, c->second, QWebSocketProtocol::CloseCodeNormal, QStringLiteral("room gone"));
  }
  if (!e.creator.isEmpty()) {
    auto a = byAddress_.find(e.creator);
    if (a != byAddress_.end() && --a->second.open <= 0 && a->second.createdAt.empty())
      byAddress_.erase(a);
  }
  return rooms_.erase(it);
}

void Server::Sweep() {
  const qint64 now = NowMs();
  std::vector<QWebSocket*> late;
  for (auto& [ws, c] : conns_) {
    if (c.closing) continue;
    if (c.room.isEmpty() && now - c.openedAt > qint64{options_.joinSeconds} * 1000)
      late.push_back(ws);
    else
      CheckOutgoing(ws, c);
  }
  for (QWebSocket* ws : late) {
    auto it = conns_.find(ws);
    if (it != conns_.end())
      Drop(ws, it->second, QWebSocketProtocol::CloseCodePolicyViolated,
           QStringLiteral("join in time"));
  }
  // A seat to move whose time ran out loses (within this sweep's second).
  for (auto& [code, e] : rooms_)
    if (e.room->CheckClock()) Dispatch(e);
  for (auto it = rooms_.begin(); it != rooms_.end();) {
    RoomEntry& e = it->second;
    const bool empty = !e.room->AnyoneConnected() && !e.computerPending;
    const qint64 away = now - e.emptySince;
    const bool idle = away > qint64{options_.idleRoomSeconds} * 1000 ||
                      (!e.room->Started() && away > options_.unstartedRoomMs);
    if (empty && (e.room->Closed() || (idle && !e.fixed)))
      it = EraseRoom(it);
    else
      ++it;
  }
  gate_->ForgetOffences();
  // Addresses whose window has passed with no open room are forgotten.
  const qint64 since = now - qint64{options_.createWindowSeconds} * 1000;
  for (auto it = byAddress_.begin(); it != byAddress_.end();) {
    std::erase_if(it->second.createdAt, [since](qint64 at) { return at < since; });
    if (it->second.open <= 0 && it->second.createdAt.empty())
      it = byAddress_.erase(it);
    else
      ++it;
  }
}

}  // namespace korvel::net

#include "server.moc"
