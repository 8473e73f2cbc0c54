#include "net/gate.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <chrono>

#include "net/web_page.h"

namespace korvel::net {

namespace {

// The penalty box counts on the monotonic clock, as every other deadline of the server.
qint64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool PenaltyBox::Offence(const QString& key, qint64 nowMs) {
  if (limits_.offences <= 0) return false;
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    if (Size() >= std::max(1, limits_.addresses)) MakeRoom(nowMs);
    it = entries_.emplace(key, Entry{}).first;
    it->second.windowAt = nowMs;
  }
  Entry& e = it->second;
  if (nowMs - e.windowAt > limits_.windowMs) {
    e.windowAt = nowMs;
    e.offences = 0;
  }
  e.lastAt = nowMs;
  if (++e.offences < limits_.offences) return false;
  e.offences = 0;
  e.windowAt = nowMs;
  const qint64 stay =
      std::min<qint64>(limits_.mostMs, qint64{limits_.firstMs} << std::min(e.stays, 20));
  e.until = std::max(e.until, nowMs + stay);
  ++e.stays;
  return true;
}

qint64 PenaltyBox::BoxedUntil(const QString& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? 0 : it->second.until;
}

void PenaltyBox::Forget(qint64 nowMs) {
  std::erase_if(entries_, [&](const auto& kv) { return Forgettable(kv.second, nowMs); });
}

void PenaltyBox::MakeRoom(qint64 nowMs) {
  Forget(nowMs);
  if (Size() < std::max(1, limits_.addresses)) return;
  // The one that offended longest ago, preferring one out of the box.
  auto victim = entries_.begin();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    const bool out = it->second.until <= nowMs, victimOut = victim->second.until <= nowMs;
    if (out != victimOut ? out : it->second.lastAt < victim->second.lastAt) victim = it;
  }
  entries_.erase(victim);
}

bool FrameWalker::Take(const char* data, qint64 size) {
  for (qint64 i = 0; i < size && !unmasked_;) {
    if (skip_ > 0) {
      const quint64 n = std::min<quint64>(skip_, static_cast<quint64>(size - i));
      skip_ -= n;
      i += static_cast<qint64>(n);
      continue;
    }
    head_[have_++] = static_cast<unsigned char>(data[i++]);
    if (have_ < 2) continue;
    if (!(head_[1] & 0x80)) unmasked_ = true;
    const int seven = head_[1] & 0x7f;
    const int more = seven == 126 ? 2 : seven == 127 ? 8 : 0;
    if (have_ < 2 + more) continue;
    quint64 length = more ? 0 : seven;
    for (int k = 0; k < more; ++k) length = length << 8 | head_[2 + k];
    // The mask, then the payload (a length past what any peer may send is the most).
    skip_ = 4 + std::min<quint64>(length, ~quint64{0} - 4);
    have_ = 0;
  }
  return !unmasked_;
}

Gate::Gate(QWebSocketServer* ws, const GateLimits& limits, QObject* parent)
    : QTcpServer(parent), ws_(ws), limits_(limits), penalty_(limits.penalty) {
  // Nothing waits in Qt's queue of pending connections: every socket is taken in
  // incomingConnection at once. The kernel's queue is made deep enough for a burst.
  setListenBacklogSize(1024);
}

void Gate::UseTls(const QSslConfiguration& ssl) {
  tls_ = true;
  ssl_ = ssl;
}

QString Gate::AddressKey(const QHostAddress& address) {
  bool v4 = false;
  const quint32 ip4 = address.toIPv4Address(&v4);
  if (v4) return QHostAddress(ip4).toString();
  Q_IPV6ADDR ip6 = address.toIPv6Address();
  for (int i = 8; i < 16; ++i) ip6[i] = 0;
  return QHostAddress(ip6).toString() + QStringLiteral("/64");
}

int Gate::CountFor(const QString& key) const {
  const auto it = perAddress_.find(key);
  return it == perAddress_.end() ? 0 : it->second;
}

void Gate::Offence(const QString& key) {
  penalty_.Offence(key, NowMs());
}

void Gate::ForgetOffences() {
  penalty_.Forget(NowMs());
}

void Gate::incomingConnection(qintptr descriptor) {
  const int fd = static_cast<int>(descriptor);
  // An address in the penalty box costs no more than this: its peer's address is read from
  // the descriptor, which is closed at once with a reset (nothing lingers in TIME_WAIT here).
  sockaddr_storage peer{};
  socklen_t peerLength = sizeof peer;
  QString key;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) {
    key = AddressKey(QHostAddress(reinterpret_cast<const sockaddr*>(&peer)));
    if (penalty_.Boxed(key, NowMs())) {
      ++boxed_;
      const linger reset{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      ::close(fd);
      return;
    }
  }
  QTcpSocket* s = tls_ ? new QSslSocket(this) : new QTcpSocket(this);
  if (!s->setSocketDescriptor(descriptor)) {
    ::close(fd);
    delete s;
    return;
  }
  if (key.isEmpty()) key = AddressKey(s->peerAddress());
  if (SocketCount() >= limits_.maxSockets || CountFor(key) >= limits_.maxPerAddress) {
    ++refused_;
    // The server's own cap is no one address's doing; its cap per address is.
    if (CountFor(key) >= limits_.maxPerAddress) Offence(key);
    s->abort();
    s->deleteLater();
    return;
  }
  Entry e;
  e.key = key;
  e.peer = {s->peerAddress().toString(), s->peerPort()};
  sockets_.emplace(s, e);
  byPeer_[e.peer] = s;
  ++perAddress_[key];
  // Told by a child of the socket: the WebSocket disconnects every signal of its socket.
  auto* guard = new QObject(s);
  connect(guard, &QObject::destroyed, this, [this, s] { Forget(s); });
  // Small messages in both directions: each goes out at once, not after the peer's
  // delayed acknowledgement of the one before.
  s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  QTimer::singleShot(limits_.handshakeMs, s, [this, s] {
    const auto it = sockets_.find(s);
    if (it == sockets_.end() || it->second.upgraded) return;
    ++expired_;
    Offence(it->second.key);
    const bool handed = it->second.handed;
    s->abort();
    // One the QWebSocketServer holds is deleted by it when it sees the end.
    if (!handed) s->deleteLater();
  });
  if (!tls_) return Look(s);
  auto* ss = static_cast<QSslSocket*>(s);
  ss->setSslConfiguration(ssl_);
  connect(ss, &QSslSocket::encrypted, this, [this, ss] { Look(ss); });
  auto fail = [this, ss] {
    const auto it = sockets_.find(ss);
    if (it == sockets_.end() || it->second.handed) return;
    ss->abort();
    ss->deleteLater();
  };
  connect(ss, &QSslSocket::errorOccurred, this, fail);
  connect(ss, &QSslSocket::disconnected, this, fail);
  ss->startServerEncryption();
}

void Gate::Look(QTcpSocket* s) {
  const auto it = sockets_.find(s);
  if (it == sockets_.end() || it->second.handed || it->second.looking) return;
  // Every signal watched here goes with this context when the socket is handed on.
  auto* looking = new QObject(s);
  it->second.looking = looking;
  connect(s, &QIODevice::readyRead, looking, [this, s] { Peek(s); });
  connect(s, &QAbstractSocket::disconnected, looking, [this, s] {
    const auto e = sockets_.find(s);
    if (e == sockets_.end() || e->second.handed) return;
    s->deleteLater();
  });
  Peek(s);  // what came with the TLS handshake is not announced again
}

void Gate::Peek(QTcpSocket* s) {
  const auto it = sockets_.find(s);
  if (it == sockets_.end() || it->second.handed || it->second.answered) return;
  // Only looked at: a WebSocket's handshake is read by the QWebSocketServer as it came.
  const QByteArray seen = s->peek(kMaxRequestHead + 1);
  const int length = RequestHeadLength(seen.left(kMaxRequestHead));
  QByteArray answer;
  if (length == 0) {
    if (seen.size() <= kMaxRequestHead) return;  // more to come
    answer = WebPage::TooLarge();
  } else {
    const auto head = ParseRequestHead(seen.left(length));
    const bool refused = head && head->WantsWebSocket() && upgradeCheck_ &&
                         !upgradeCheck_(QString::fromUtf8(head->Header("origin")),
                                        QString::fromUtf8(head->Header("host")));
    if (head && head->WantsWebSocket() && !refused) {
      StopLooking(s, it->second);
      return Hand(s, length);
    }
    if (refused) ++upgradesRefused_;
    answer = refused ? WebPage::Forbidden() : page_ ? page_->Answer(head) : WebPage().Answer(head);
  }
  it->second.answered = true;
  ++answered_;
  StopLooking(s, it->second);
  // Nothing more is read from it; the answer is written and the connection closed (the
  // handshake deadline still cuts off one that does not take its answer).
  connect(s, &QAbstractSocket::disconnected, s, &QObject::deleteLater);
  s->write(answer);
  s->disconnectFromHost();
}

void Gate::StopLooking(QTcpSocket* s, Entry& e) {
  if (!e.looking) return;
  // Called from one of its own slots: disconnected now, deleted after it returns.
  QObject::disconnect(s, nullptr, e.looking, nullptr);
  e.looking->deleteLater();
  e.looking = nullptr;
}

void Gate::Hand(QTcpSocket* s, qint64 headLength) {
  const auto it = sockets_.find(s);
  if (it == sockets_.end() || it->second.handed) return;
  it->second.handed = true;
  // Every frame's mask is looked at before the WebSocket reads it: Qt's server takes frames
  // without one. What the WebSocket reads stays in the socket's buffer (a read transaction)
  // until the walker has been over it. Connected before the WebSocket's own readyRead.
  it->second.walking = true;
  it->second.walked = headLength;
  s->startTransaction();
  connect(s, &QIODevice::readyRead, this, [this, s] { Walk(s); });
  ws_->handleConnection(s);
}

void Gate::Walk(QTcpSocket* s) {
  const auto it = sockets_.find(s);
  if (it == sockets_.end() || !it->second.walking || !s->isTransactionStarted()) return;
  Entry& e = it->second;
  const qint64 unread = s->bytesAvailable();
  s->rollbackTransaction();
  const qint64 buffered = s->bytesAvailable(), from = e.walked - e.base;
  bool masked = true;
  if (from < buffered) {
    s->startTransaction();
    s->skip(from);
    const QByteArray fresh = s->read(buffered - from);
    s->rollbackTransaction();
    e.walked += fresh.size();
    masked = e.frames.Take(fresh.constData(), fresh.size());
  }
  // What the WebSocket has read is let go; the rest is read in a new transaction.
  s->skip(buffered - unread);
  e.base += buffered - unread;
  s->startTransaction();
  if (masked) return;
  e.walking = false;
  if (e.upgraded && onUnmasked_) return onUnmasked_(s);
  Offence(e.key);
  s->abort();  // the QWebSocketServer holding it deletes it
}

QTcpSocket* Gate::Claim(const QWebSocket* ws) {
  const auto it = byPeer_.find({ws->peerAddress().toString(), ws->peerPort()});
  if (it == byPeer_.end()) return nullptr;
  QTcpSocket* s = it->second;
  sockets_[s].upgraded = true;
  // Frames that came with the request, once the caller holds the WebSocket; and after each
  // time the WebSocket has read (its readyRead is queued, connected before this one), what
  // it read is let go at once.
  QMetaObject::invokeMethod(
      this, [this, p = QPointer<QTcpSocket>(s)] { if (p) Walk(p); }, Qt::QueuedConnection);
  connect(s, &QIODevice::readyRead, this, [this, s] { Walk(s); }, Qt::QueuedConnection);
  return s;
}

void Gate::Forget(QTcpSocket* s) {
  const auto it = sockets_.find(s);
  if (it == sockets_.end()) return;
  const auto peer = byPeer_.find(it->second.peer);
  if (peer != byPeer_.end() && peer->second == s) byPeer_.erase(peer);
  if (--perAddress_[it->second.key] <= 0) perAddress_.erase(it->second.key);
  sockets_.erase(it);
}

}  // namespace korvel::net
