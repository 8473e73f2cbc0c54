// The authority's door: every TCP connection is accepted here the moment it arrives, plain
// or TLS, so that none waits unseen in a queue of pending connections. Each accepted socket
// counts against the server's cap and its address's cap from then until it is gone, and has
// a deadline for its handshakes (TLS, then the WebSocket upgrade); one that misses it is
// cut off. The head of the first request is looked at before anything reads it: a request
// for a WebSocket is handed, unread, to the QWebSocketServer, whose newConnection the server
// answers (Claim then finds the socket beneath the WebSocket); any other request is answered
// from the browser page's files (web_page.h) and the connection closed.
//
// An address that keeps misbehaving is put in the penalty box (PenaltyBox): while it is
// there, every new connection from it is closed the moment it is accepted, before a socket
// object, a handshake or a byte read exists for it.
#pragma once

#include <QHostAddress>
#include <QSslConfiguration>
#include <QTcpServer>
#include <functional>
#include <map>
#include <unordered_map>
#include <utility>

class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

namespace korvel::net {

class WebPage;

// When an address is put in the penalty box, and for how long.
struct PenaltyLimits {
  int offences = 3;         // offences within the window put the address in the box (0: never)
  int windowMs = 10000;
  int firstMs = 1000;       // its first stay; each further one doubles...
  int mostMs = 60000;       // ...up to this
  int memoryMs = 600000;    // an address is forgotten this long after its last offence
  int addresses = 4096;     // the most addresses remembered at once
};

// The addresses (Gate::AddressKey) that offended lately: connections closed for misbehaving
// or turned away at a cap. Told the time (milliseconds of a monotonic clock). The table
// never holds more than `addresses` entries: when it is full, an address that offends for
// the first time takes the place of the one that offended longest ago, among those not in
// the box if any.
class PenaltyBox {
 public:
  explicit PenaltyBox(const PenaltyLimits& limits) : limits_(limits) {}
  // One offence of the address; true when it puts the address in the box (or keeps it
  // there longer).
  bool Offence(const QString& key, qint64 nowMs);
  bool Boxed(const QString& key, qint64 nowMs) const { return BoxedUntil(key) > nowMs; }
  // When the address's stay in the box ends (0: it was never put there, or is forgotten).
  qint64 BoxedUntil(const QString& key) const;
  // Forgets the addresses out of the box whose memory has passed.
  void Forget(qint64 nowMs);
  int Size() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    int offences = 0;        // within the window that began at windowAt
    qint64 windowAt = 0;
    int stays = 0;           // times put in the box while remembered
    qint64 until = 0;        // the present stay's end
    qint64 lastAt = 0;       // the last offence
  };
  bool Forgettable(const Entry& e, qint64 nowMs) const {
    return e.until <= nowMs && nowMs - e.lastAt > limits_.memoryMs;
  }
  void MakeRoom(qint64 nowMs);

  PenaltyLimits limits_;
  std::unordered_map<QString, Entry> entries_;
};

// Follows the frames a WebSocket client sends from the bytes of its stream, given in order
// however they were split, and tells whether one came without its mask (which a server
// must close the connection for). Only headers are read: a payload is skipped by its length
// (7 bits, or 16 or 64 more), so honest traffic costs a look at two to ten bytes a frame.
class FrameWalker {
 public:
  // Takes the next bytes of the stream; false from the moment an unmasked frame is seen.
  bool Take(const char* data, qint64 size);
  bool Unmasked() const { return unmasked_; }

 private:
  quint64 skip_ = 0;        // the mask and payload of the frame under way still to come
  unsigned char head_[10];  // the frame's first bytes, up to the end of its length
  int have_ = 0;
  bool unmasked_ = false;
};

struct GateLimits {
  int maxSockets = 8000;     // every accepted socket, handshaken or not
  int maxPerAddress = 64;    // the same, from one address (AddressKey)
  int handshakeMs = 5000;    // from accept to a WebSocket (TLS included)
  PenaltyLimits penalty;
};

class Gate : public QTcpServer {
 public:
  Gate(QWebSocketServer* ws, const GateLimits& limits, QObject* parent = nullptr);
  // TLS for every socket accepted from now on.
  void UseTls(const QSslConfiguration& ssl);
  // The page's files that plain requests are answered from (not owned; every path is 404
  // without it).
  void ServePage(const WebPage* page) { page_ = page; }
  // Whether a WebSocket upgrade may go on, from its Origin header (empty: none) and its Host
  // header; one refused is answered with 403 and closed before any WebSocket exists.
  using UpgradeCheck = std::function<bool(const QString& origin, const QString& host)>;
  void CheckUpgrades(UpgradeCheck check) { upgradeCheck_ = std::move(check); }
  // Told of a claimed socket (Claim) whose client sent a frame without its mask; one not
  // claimed yet is cut off by the gate itself, as an offence of its address.
  void OnUnmasked(std::function<void(QTcpSocket*)> told) { onUnmasked_ = std::move(told); }

  // The socket beneath a WebSocket the QWebSocketServer made of one of ours (matched by the
  // peer's address and port); its handshake deadline no longer applies. Null when unknown.
  QTcpSocket* Claim(const QWebSocket* ws);

  int SocketCount() const { return static_cast<int>(sockets_.size()); }
  int CountFor(const QString& key) const;
  // Accepted sockets turned away at once (a cap reached), and cut off at the deadline.
  long long Refused() const { return refused_; }
  long long Expired() const { return expired_; }
  // An offence of the address (a connection closed for misbehaving, a cap reached): the
  // gate's own (a cap per address, a handshake not finished in time) are told here too.
  void Offence(const QString& key);
  // Connections closed at accept for their address's stay in the penalty box.
  long long Boxed() const { return boxed_; }
  const PenaltyBox& Penalties() const { return penalty_; }
  // Forgets the offences whose memory has passed (called every second or so).
  void ForgetOffences();
  // Plain HTTP requests answered (the page's files, 404s and the like), and WebSocket
  // upgrades refused with 403 for their Origin.
  long long PagesAnswered() const { return answered_; }
  long long UpgradesRefused() const { return upgradesRefused_; }

  // The address that caps count by: an IPv4 address (also when mapped into IPv6), or the
  // /64 network of an IPv6 address (one host may hold a whole /64).
  static QString AddressKey(const QHostAddress& address);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  struct Entry {
    QString key;
    std::pair<QString, quint16> peer;
    bool handed = false;   // given to the QWebSocketServer
    bool upgraded = false; // claimed as a WebSocket
    bool answered = false; // a plain request was answered: it is closing
    QObject* looking = nullptr;  // the context of the signals watched until the head is read
    // The frames from the client (Walk), by offsets from the stream's first byte: where the
    // socket's last read transaction began, and how far the walker has come.
    FrameWalker frames;
    qint64 base = 0, walked = 0;
    bool walking = false;
  };
  void Forget(QTcpSocket* s);
  // Waits for the head of the first request, then hands or answers it.
  void Look(QTcpSocket* s);
  void Peek(QTcpSocket* s);
  void StopLooking(QTcpSocket* s, Entry& e);
  // Hands a WebSocket's request (of `headLength` bytes) on; its frames are walked from then.
  void Hand(QTcpSocket* s, qint64 headLength);
  // Walks the frames that came since the last time, before the WebSocket reads them.
  void Walk(QTcpSocket* s);

  QWebSocketServer* ws_;
  GateLimits limits_;
  bool tls_ = false;
  QSslConfiguration ssl_;
  const WebPage* page_ = nullptr;
  UpgradeCheck upgradeCheck_;
  std::function<void(QTcpSocket*)> onUnmasked_;
  long long answered_ = 0;
  long long upgradesRefused_ = 0;
  std::unordered_map<QTcpSocket*, Entry> sockets_;
  std::map<std::pair<QString, quint16>, QTcpSocket*> byPeer_;
  std::unordered_map<QString, int> perAddress_;
  long long refused_ = 0;
  long long expired_ = 0;
  PenaltyBox penalty_;
  long long boxed_ = 0;
};

}  // namespace korvel::net
