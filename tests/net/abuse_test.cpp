// The authority under a hostile client on 127.0.0.1: a flood of ping frames, a client that
// never reads, sockets that never finish a handshake (plain and TLS), one address opening
// room after room, many level-4 computers thinking at once, and frames sent without their
// mask (the gate's FrameWalker on its own first). Each is held within the
// server's limits while honest players go on being served. Every wait is bounded; nothing
// here asserts a speed (the bounds are generous deadlines, not measurements).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QSslSocket>
#include <QWebSocket>
#include <functional>
#include <memory>
#include <vector>

#include "net/autoplay.h"
#include "net/client.h"
#include "net/protocol.h"
#include "net/server.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

using testing::WaitFor;

const QString kCert = QStringLiteral(KORVEL4_TEST_CERTS "/localhost-cert.pem");
const QString kKey = QStringLiteral(KORVEL4_TEST_CERTS "/localhost-key.pem");

std::unique_ptr<Server> Listening(ServerOptions so) {
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.pauseSeconds = 0;
  auto server = std::make_unique<Server>(so);
  QString error;
  EXPECT_TRUE(server->Listen(&error)) << error.toStdString();
  return server;
}

// A hostile peer on a bare POSIX socket: it writes what it is told and reads nothing at all
// (with a small receive buffer, so what it leaves unread backs up into the server). It
// connects from `from` (an address of 127.0.0.0/8) when given.
class Raw {
 public:
  explicit Raw(quint16 port, int receiveBuffer = 0, const char* from = nullptr) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
      ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    if (from) {
      sockaddr_in local{};
      local.sin_family = AF_INET;
      ::inet_pton(AF_INET, from, &local.sin_addr);
      if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return;
    }
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
  }
  ~Raw() {
    if (fd_ >= 0) ::close(fd_);
  }
  Raw(const Raw&) = delete;
  Raw& operator=(const Raw&) = delete;
  bool Connected() const { return connected_; }

  // Writes all of `bytes` without blocking the event loop the server runs on; false when
  // the connection is gone or 5 s pass.
  bool Write(const QByteArray& bytes) {
    qint64 done = 0;
    QElapsedTimer t;
    t.start();
    while (done < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.constData() + done,
                               static_cast<size_t>(bytes.size() - done),
                               MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n > 0) {
        done += n;
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
      if (t.elapsed() > 5000) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }
  // What the server sent, up to `max` bytes, read without blocking the event loop the server
  // runs on: once something came (and `until` holds of it), once the connection ended, or
  // after 5 s. `ended` tells whether the server closed or reset it.
  QByteArray Read(bool* ended, const std::function<bool(const QByteArray&)>& until = {}) {
    QByteArray got;
    *ended = false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
      char buffer[4096];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) {
        got.append(buffer, n);
        if (!until || until(got)) return got;
        continue;
      }
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
        *ended = true;
        return got;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return got;
  }
  bool Upgrade(quint16 port) {
    return Write(QStringLiteral("GET / HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nUpgrade: websocket\r\n"
                                "Connection: Upgrade\r\nSec-WebSocket-Key: "
                                "dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
                     .arg(port)
                     .toLatin1());
  }

  // One masked client frame (payload up to 125 bytes).
  static QByteArray Frame(int opcode, const QByteArray& payload) {
    QByteArray f;
    f.append(static_cast<char>(0x80 | opcode));
    f.append(static_cast<char>(0x80 | payload.size()));
    const char mask[4] = {0x11, 0x22, 0x33, 0x44};
    f.append(mask, 4);
    for (int i = 0; i < payload.size(); ++i) f.append(static_cast<char>(payload[i] ^ mask[i % 4]));
    return f;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

// A room of two people and two level-1 computers; `honest` plays seat 1 by hand.
struct Honest {
  Client c;
  Room* room = nullptr;
  Honest(Server& server, const QString& code) {
    RoomOptions ro;
    for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1;
    ro.level = 1;
    ro.hostSeat = 1;
    room = server.OpenRoom(code, ro);
    QObject::connect(&c, &Client::connected, &c, [this, code] { c.Hello(code, "Honest", 1); });
    c.Open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server.Port())));
  }
  // Plays one move when it is seat 1's turn; true when the authority's answer (the move
  // and the computers' replies up to seat 1 again) arrived within `ms`.
  bool MoveAnswered(int ms) {
    if (!WaitFor([&] { return c.MyTurn(); }, ms)) return false;
    std::uint64_t rng = 9;
    const size_t before = c.Turns().size();
    const auto m = ChooseOwnMove(c.TheGame(), 1, rng);
    if (!m) return false;
    c.SendMove(*m);
    return WaitFor([&] { return c.Turns().size() > before; }, ms);
  }
};

// A flood of ping frames from one connection is counted in its rate limit: past the bucket
// each is refused and the connection is closed, while a player in another room has every
// move answered.
TEST(ServerAbuse, APingFloodIsClosedWhileAnotherRoomIsServed) {
  const auto server = Listening({});
  Honest honest(*server, "HONESTRM");
  ASSERT_TRUE(WaitFor([&] { return honest.c.Welcomed(); }));
  honest.c.Start();
  ASSERT_TRUE(WaitFor([&] { return honest.c.Started(); }));

  Raw flood(server->Port(), 4096);
  ASSERT_TRUE(flood.Connected());
  ASSERT_TRUE(flood.Upgrade(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return server->ConnectionCount() == 2; }));
  QByteArray pings;
  for (int i = 0; i < 400; ++i) pings += Raw::Frame(0x9, QByteArray(100, 'p'));
  flood.Write(pings);  // may fail part way: the server ends the connection
  ASSERT_TRUE(WaitFor([&] { return server->ConnectionCount() == 1; }));
  // Counted as messages: the bucket's 40, then ten refusals in a row; not all 400.
  EXPECT_GE(server->ControlFramesRead(), 50);
  EXPECT_LT(server->ControlFramesRead(), 400);
  EXPECT_TRUE(WaitFor([&] { return server->SocketCount() == 1; }, 5000));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(honest.MoveAnswered(5000)) << i;

  // Pong frames are counted alike.
  Raw pongs(server->Port(), 4096);
  ASSERT_TRUE(pongs.Upgrade(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return server->ConnectionCount() == 2; }));
  QByteArray frames;
  for (int i = 0; i < 200; ++i) frames += Raw::Frame(0xA, "x");
  pongs.Write(frames);
  EXPECT_TRUE(WaitFor([&] { return server->ConnectionCount() == 1; }));
}

// What a peer leaves unread is capped: past maxOutgoingBytes waiting to be written to it,
// the connection is closed. Here the bucket is opened wide so that only the cap holds, and
// the server's own answers to pings (echoing 120 bytes each) pile up.
TEST(ServerAbuse, AClientThatDoesNotReadIsClosed) {
  ServerOptions so;
  so.burst = 1e9;
  so.messagesPerSecond = 1e9;
  so.maxOutgoingBytes = 64 * 1024;
  const auto server = Listening(so);
  Raw sink(server->Port(), 4096);
  ASSERT_TRUE(sink.Upgrade(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return server->ConnectionCount() == 1; }));
  const QByteArray ping = Raw::Frame(0x9, QByteArray(120, 'q'));
  for (int round = 0; round < 400 && server->SlowReadersClosed() == 0; ++round) {
    QByteArray batch;
    for (int i = 0; i < 100; ++i) batch += ping;
    if (!sink.Write(batch)) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  EXPECT_TRUE(WaitFor([&] { return server->SlowReadersClosed() == 1; }));
  EXPECT_TRUE(WaitFor([&] { return server->ConnectionCount() == 0; }));
  // Cut off after the grace for a close nobody answers; the socket is gone too.
  EXPECT_TRUE(WaitFor([&] { return server->SocketCount() == 0; }));
}

// A seated peer that goes silent (it neither reads nor answers the server's pings) counts
// as missing after the silence time, as a lost connection does: the others are told, its
// seat can be given to the computer, and its connection is closed. An honest client,
// whose WebSocket answers every ping, stays seated through many silence times.
TEST(ServerAbuse, ASilentSeatIsMissingAndCanBeGivenToTheComputer) {
  ServerOptions so;
  so.pingMs = 100;
  so.silenceMs = 600;
  const auto server = Listening(so);
  RoomOptions ro;
  for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1 || s == 2;
  ro.level = 1;
  ro.hostSeat = 1;
  ro.waitSeconds = 0;
  Room* room = server->OpenRoom("SILENT01", ro);
  Client host;
  QObject::connect(&host, &Client::connected, &host, [&] { host.Hello("SILENT01", "Host", 1); });
  host.Open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port())));
  ASSERT_TRUE(WaitFor([&] { return host.Welcomed(); }));

  Raw mute(server->Port());
  ASSERT_TRUE(mute.Upgrade(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return server->ConnectionCount() == 2; }));
  ASSERT_TRUE(mute.Write(Raw::Frame(
      0x1, R"({"t":"hello","v":1,"room":"SILENT01","seat":2,"name":"Mute"})")));
  ASSERT_TRUE(WaitFor([&] { return host.Seats().size() == 4 && host.Seats()[1].connected; }));

  ASSERT_TRUE(WaitFor([&] { return !room->Connected(2); }));
  EXPECT_EQ(server->SilentClosed(), 1);
  ASSERT_TRUE(
      WaitFor([&] { return host.Notices().join(" ").contains("Muteさんの接続が切れました"); }));
  host.Give(2);
  ASSERT_TRUE(WaitFor([&] { return !room->IsPersonSeat(2); }));
  EXPECT_TRUE(host.Refusals().empty());
  // The game starts with the computer in the silent peer's seat.
  host.Start();
  ASSERT_TRUE(WaitFor([&] { return host.Started(); }));
  // The silent peer's connection is gone (cut off when it does not answer the close).
  EXPECT_TRUE(WaitFor([&] { return server->ConnectionCount() == 1; }));

  // The honest host, pinged all along, is still seated after several silence times.
  WaitFor([] { return false; }, 3 * so.silenceMs);
  EXPECT_TRUE(room->Connected(1));
  EXPECT_TRUE(host.IsOpen());
  EXPECT_EQ(server->SilentClosed(), 1);
}

// Every accepted socket counts against the caps at once and must finish its handshake
// within the deadline: idle ones are cut off then, and the places they held are free again.
TEST(ServerAbuse, SocketsThatNeverHandshakeAreCountedAndCutOff) {
  ServerOptions so;
  so.penalty.offences = 0;  // the caps alone (the penalty box has tests of its own)
  so.handshakeMs = 400;
  so.maxConnections = 12;
  so.maxPerAddress = 8;
  const auto server = Listening(so);
  std::vector<std::unique_ptr<Raw>> idle;
  for (int i = 0; i < 10; ++i) idle.push_back(std::make_unique<Raw>(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return server->SocketCount() + server->SocketsRefused() == 10; }));
  EXPECT_EQ(server->SocketCount(), 8) << "the address's cap";
  EXPECT_EQ(server->SocketsRefused(), 2);
  // A player from the same address meanwhile is turned away...
  Client turned;
  turned.Open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port())));
  WaitFor([&] { return server->SocketsRefused() == 3; }, 2000);
  EXPECT_EQ(server->SocketsRefused(), 3);
  // ...and once the deadline has cut the idle ones off, one is let in.
  ASSERT_TRUE(WaitFor([&] { return server->HandshakesExpired() == 8; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return server->SocketCount() == 0; }));
  Client welcome;
  bool connected = false;
  QObject::connect(&welcome, &Client::connected, &welcome, [&] { connected = true; });
  welcome.Open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port())));
  EXPECT_TRUE(WaitFor([&] { return connected; }));
  EXPECT_EQ(server->SocketCount(), 1);
  // One that finished its handshake is no longer under the deadline.
  WaitFor([] { return false; }, 800);
  EXPECT_EQ(server->SocketCount(), 1);
  EXPECT_EQ(server->HandshakesExpired(), 8);

  // The server's own cap counts sockets from any address alike.
  ServerOptions small;
  small.maxConnections = 3;
  const auto full = Listening(small);
  std::vector<std::unique_ptr<Raw>> more;
  for (int i = 0; i < 5; ++i) more.push_back(std::make_unique<Raw>(full->Port()));
  ASSERT_TRUE(WaitFor([&] { return full->SocketCount() + full->SocketsRefused() == 5; }));
  EXPECT_EQ(full->SocketCount(), 3);
}

// New TLS players are not queued behind idle sockets: with 150 plain TCP connections open
// and silent, a player who trusts the certificate joins.
TEST(ServerAbuse, ATlsPlayerJoinsWhileManyIdleSocketsAreOpen) {
  ServerOptions so;
  so.certFile = kCert;
  so.keyFile = kKey;
  so.maxPerAddress = 1000;
  so.handshakeMs = 20000;  // the idle ones stay for the whole test
  const auto server = Listening(so);
  RoomOptions ro;
  for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1;
  ro.level = 1;
  ro.hostSeat = 1;
  ASSERT_TRUE(server->OpenRoom("TLSIDLE", ro));
  std::vector<std::unique_ptr<Raw>> idle;
  for (int i = 0; i < 150; ++i) idle.push_back(std::make_unique<Raw>(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return server->SocketCount() >= 150; }));
  Client player;
  QString error;
  ASSERT_TRUE(player.TrustCertificates(kCert, &error)) << error.toStdString();
  QObject::connect(&player, &Client::connected, &player,
                   [&] { player.Hello("TLSIDLE", "Secure", 1); });
  player.Open(QUrl(QStringLiteral("wss://127.0.0.1:%1").arg(server->Port())));
  EXPECT_TRUE(WaitFor([&] { return player.Welcomed(); }, 10000))
      << player.ConnectionError().toStdString();
  EXPECT_EQ(server->SocketCount(), 151);
}

// One address cannot hold every room: at most roomsPerAddress open and createsPerAddress in
// the window. A room whose game never started is dropped soon after its last player left,
// which frees the address's place (but not its count in the window).
TEST(ServerAbuse, OneAddressCannotTakeEveryRoomAndEmptyUnstartedRoomsExpire) {
  ServerOptions so;
  so.roomsPerAddress = 3;
  so.createsPerAddress = 5;
  so.unstartedRoomMs = 300;
  const auto server = Listening(so);
  RoomOptions fixed;
  fixed.level = 1;
  ASSERT_TRUE(server->OpenRoom("KEPTROOM", fixed));  // opened by the authority: kept

  std::vector<std::unique_ptr<QWebSocket>> creators;
  std::vector<QString> said;
  auto create = [&] {
    auto ws = std::make_unique<QWebSocket>();
    QWebSocket* w = ws.get();
    QObject::connect(w, &QWebSocket::textMessageReceived, [&said](const QString& text) {
      const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
      if (o.value("t") == "welcome" || o.value("t") == "error")
        said.push_back(o.value("t") == "error" ? o.value("code").toString() : "welcome");
    });
    QObject::connect(w, &QWebSocket::connected, [w] {
      w->sendTextMessage(Serialize({{"t", "create"},
                                    {"v", kProtocolVersion},
                                    {"name", "C"},
                                    {"seat", 1},
                                    {"people", QJsonArray{1, 2}},
                                    {"level", 1}}));
    });
    const size_t before = said.size();
    w->open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port())));
    creators.push_back(std::move(ws));
    EXPECT_TRUE(WaitFor([&] { return said.size() > before; }));
  };
  for (int i = 0; i < 4; ++i) create();
  EXPECT_EQ(said, (std::vector<QString>{"welcome", "welcome", "welcome", "rooms"}));
  EXPECT_EQ(server->RoomCount(), 4);

  // The creators leave: their unstarted rooms go, the fixed room stays.
  creators.clear();
  ASSERT_TRUE(WaitFor([&] { return server->RoomCount() == 1; }, 5000));
  EXPECT_TRUE(server->FindRoom("KEPTROOM"));
  said.clear();
  for (int i = 0; i < 3; ++i) create();
  // Two more fill the window's five; the third is refused though only two are open.
  EXPECT_EQ(said, (std::vector<QString>{"welcome", "welcome", "rooms"}));
  EXPECT_EQ(server->RoomCount(), 3);
}

// The computer's turns of every room are thought on a fixed pool: two deep threads and one
// quick one here, however many level-4 rooms think at once, and every room's turns still
// come in order and agree with its authority.
TEST(ServerAbuse, ManyLevel4RoomsShareAFixedPoolOfThinkers) {
  ServerOptions so;
  so.deepThinkers = 2;
  const auto server = Listening(so);
  EXPECT_EQ(server->ThinkerThreads(), 3);
  constexpr int kRooms = 6;
  std::unique_ptr<Client> players[kRooms];
  Room* rooms[kRooms];
  std::uint64_t rng = 17;
  for (int r = 0; r < kRooms; ++r) {
    RoomOptions ro;
    for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1;
    ro.level = 4;
    ro.hostSeat = 1;
    ro.deepSeconds = 0.2;  // a short cap: this test counts threads, not choices
    const QString code = QStringLiteral("DEEPPOOL%1").arg(r);
    rooms[r] = server->OpenRoom(code, ro);
    players[r] = std::make_unique<Client>();
    Client* c = players[r].get();
    QObject::connect(c, &Client::connected, c, [c, code] { c->Hello(code, "P", 1); });
    QObject::connect(c, &Client::updated, c, [c, &rng] {
      if (c->MyTurn() && c->Turns().size() < 8)
        if (const auto m = ChooseOwnMove(c->TheGame(), 1, rng)) c->SendMove(*m);
    });
    c->Open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port())));
  }
  for (auto& c : players) ASSERT_TRUE(WaitFor([&] { return c->Welcomed(); }));
  for (auto& c : players) c->Start();
  ASSERT_TRUE(WaitFor(
      [&] {
        for (int r = 0; r < kRooms; ++r)
          if (rooms[r]->Turns().size() < 8 && !rooms[r]->Over()) return false;
        return true;
      },
      40000));
  EXPECT_LE(server->MostThinkingAtOnce(), 3);
  EXPECT_GE(server->MostThinkingAtOnce(), 2);
  for (int r = 0; r < kRooms; ++r) {
    ASSERT_TRUE(WaitFor([&] { return players[r]->Turns().size() == rooms[r]->Turns().size(); }));
    EXPECT_FALSE(players[r]->Desynced()) << r;
    EXPECT_EQ(TurnsJson(players[r]->Turns()), TurnsJson(rooms[r]->Turns())) << r;
    // Seat 1 moved first, then the three computers in turn (unless a check handed over).
    for (size_t i = 1; i < rooms[r]->Turns().size(); ++i)
      EXPECT_EQ(rooms[r]->Turns()[i].seat, rooms[r]->Turns()[i - 1].next) << r << " " << i;
  }
  EXPECT_EQ(server->ThinkerThreads(), 3);
}

// --- The penalty box ----------------------------------------------------------------------

// Told the time: the third offence within the window puts an address in the box for the
// first stay, each further stay doubles up to the most, offences further apart than the
// window never add up, and an address is forgotten after its memory (its next stay is the
// first again).
TEST(PenaltyBox, OffencesPutAnAddressInTheBoxForDoublingStays) {
  PenaltyLimits limits;
  limits.offences = 3;
  limits.windowMs = 10000;
  limits.firstMs = 1000;
  limits.mostMs = 5000;
  limits.memoryMs = 60000;
  PenaltyBox box(limits);
  const QString a = QStringLiteral("192.0.2.1");
  qint64 now = 1000000;
  EXPECT_FALSE(box.Offence(a, now));
  EXPECT_FALSE(box.Offence(a, now + 100));
  EXPECT_FALSE(box.Boxed(a, now + 100));
  EXPECT_TRUE(box.Offence(a, now + 200));
  EXPECT_EQ(box.BoxedUntil(a), now + 1200);
  EXPECT_TRUE(box.Boxed(a, now + 1199));
  EXPECT_FALSE(box.Boxed(a, now + 1200));
  EXPECT_FALSE(box.Boxed(QStringLiteral("192.0.2.2"), now + 200)) << "another address";
  now += 1200;
  for (const qint64 stay : {2000, 4000, 5000, 5000}) {
    EXPECT_FALSE(box.Offence(a, now));
    EXPECT_FALSE(box.Offence(a, now + 1));
    EXPECT_TRUE(box.Offence(a, now + 2));
    EXPECT_EQ(box.BoxedUntil(a), now + 2 + stay) << stay;
    now += 2 + stay;
  }
  // While in the box, offences (of connections it opened before) keep it there longer.
  box.Offence(a, now);
  box.Offence(a, now + 1);
  box.Offence(a, now + 2);
  EXPECT_EQ(box.BoxedUntil(a), now + 5002);
  box.Offence(a, now + 3);
  box.Offence(a, now + 4);
  EXPECT_TRUE(box.Offence(a, now + 5));
  EXPECT_EQ(box.BoxedUntil(a), now + 5005);
  const qint64 last = now + 5;
  box.Forget(last + 60000);
  EXPECT_EQ(box.Size(), 1);
  box.Forget(last + 60001);
  EXPECT_EQ(box.Size(), 0);
  now = last + 60001;
  box.Offence(a, now);
  box.Offence(a, now);
  EXPECT_TRUE(box.Offence(a, now));
  EXPECT_EQ(box.BoxedUntil(a), now + 1000) << "forgotten: the first stay again";

  // Offences further apart than the window never add up.
  PenaltyBox slow(limits);
  const QString b = QStringLiteral("2001:db8::/64");
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(slow.Offence(b, i * 5001LL)) << i;
  EXPECT_EQ(slow.BoxedUntil(b), 0);

  // With no offences set the box is never used.
  limits.offences = 0;
  PenaltyBox off(limits);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(off.Offence(a, i));
  EXPECT_EQ(off.Size(), 0);
}

// However many addresses offend, the table holds at most its bound: an address out of the
// box makes room first, the one that offended longest ago; when all are in the box, the
// oldest offender goes.
TEST(PenaltyBox, TheTableOfAddressesStaysBounded) {
  PenaltyLimits limits;
  limits.offences = 2;
  limits.firstMs = 100000;
  limits.addresses = 4;
  PenaltyBox box(limits);
  auto address = [](int i) { return QStringLiteral("198.51.100.%1").arg(i); };
  const QString boxed = QStringLiteral("192.0.2.9");
  box.Offence(boxed, 0);
  ASSERT_TRUE(box.Offence(boxed, 1));
  for (int i = 1; i <= 10; ++i) {
    box.Offence(address(i), 10 + i);
    EXPECT_LE(box.Size(), 4) << i;
  }
  EXPECT_TRUE(box.Boxed(boxed, 30));
  // The three newest stay: a second offence of the newest puts it in the box, while the
  // oldest was forgotten (one offence only, again).
  EXPECT_TRUE(box.Offence(address(10), 30));
  EXPECT_FALSE(box.Offence(address(1), 31));
  EXPECT_EQ(box.Size(), 4);
  // Every entry in the box: the one that offended longest ago makes room.
  PenaltyBox full(limits);
  for (int i = 1; i <= 4; ++i) {
    full.Offence(address(i), i);
    full.Offence(address(i), i);
  }
  full.Offence(address(5), 10);
  EXPECT_EQ(full.Size(), 4);
  EXPECT_EQ(full.BoxedUntil(address(1)), 0);
  EXPECT_TRUE(full.Boxed(address(2), 10));
  // A great many addresses, one offence each.
  for (int i = 0; i < 20000; ++i) full.Offence(QStringLiteral("10.%1.%2.1").arg(i / 256).arg(i % 256), 20 + i);
  EXPECT_EQ(full.Size(), 4);
}

// What the server does with it. A connection from `from` asks for a WebSocket and reads the
// answer: true when the upgrade was answered (101), false when the server closed the
// connection before a byte came back (the penalty box, or a cap).
bool Upgraded(Raw& raw, quint16 port) {
  if (!raw.Connected() || !raw.Upgrade(port)) return false;
  bool ended = false;
  return raw.Read(&ended, [](const QByteArray& b) { return b.contains("\r\n\r\n"); })
      .startsWith("HTTP/1.1 101");
}
bool Answered(quint16 port, const char* from) {
  Raw knock(port, 0, from);
  return Upgraded(knock, port);
}

// A connection from `from` that upgrades, then misbehaves in `how` until the server closes
// it: true when it was closed.
bool Misbehave(Server& server, const char* from, const QByteArray& how) {
  Raw bad(server.Port(), 0, from);
  if (!Upgraded(bad, server.Port())) return false;
  bad.Write(how);  // may fail part way: the server ends the connection
  bool ended = false;
  bad.Read(&ended, [](const QByteArray&) { return false; });
  return ended;
}

// Ten refused messages in a row (the connection is closed for misbehaving).
QByteArray TenRefusals() {
  QByteArray b;
  for (int i = 0; i < 10; ++i) b += Raw::Frame(0x1, "not json");
  return b;
}

// An address whose connections are closed for misbehaving three times (here: ten refusals
// in a row, a frame over the size the server takes, a create past the address's rooms) has
// its new connections closed at accept, before any handshake, for the first stay, and for
// twice that the next time; connections refused meanwhile do not make it longer. Another
// address is served all along, and a player already seated plays on.
TEST(ServerAbuse, AMisbehavingAddressIsRefusedAtAcceptForItsStay) {
  ServerOptions so;
  so.roomsPerAddress = 1;
  so.closeGraceMs = 200;  // the misbehaving peers here never answer a close
  so.penalty.firstMs = 1500;
  so.penalty.mostMs = 20000;
  const auto server = Listening(so);
  Honest honest(*server, "HONESTPB");
  ASSERT_TRUE(WaitFor([&] { return honest.c.Welcomed(); }));
  honest.c.Start();
  ASSERT_TRUE(WaitFor([&] { return honest.c.Started(); }));

  const QByteArray create = Raw::Frame(
      0x1, R"({"t":"create","v":1,"name":"B","seat":1,"people":[1],"level":1})");
  // The header of a text frame that claims 1 MiB (masked), and a little of it.
  QByteArray huge("\x81\xff\x00\x00\x00\x00\x00\x10\x00\x00\x01\x02\x03\x04", 14);
  huge += QByteArray(1000, 'h');
  Raw roomHolder(server->Port(), 0, "127.0.0.2");  // holds the address's one room
  ASSERT_TRUE(Upgraded(roomHolder, server->Port()));
  ASSERT_TRUE(roomHolder.Write(create));
  ASSERT_TRUE(WaitFor([&] { return server->RoomCount() == 2; }));

  ASSERT_TRUE(Misbehave(*server, "127.0.0.2", TenRefusals()));
  ASSERT_TRUE(Misbehave(*server, "127.0.0.2", huge));
  EXPECT_FALSE(server->InPenaltyBox(QHostAddress("127.0.0.2")));
  QElapsedTimer sinceBefore;  // started before the offence that boxes the address
  sinceBefore.start();
  {
    // A second create from the address, refused (its one room is open): the connection
    // itself is not closed.
    Raw second(server->Port(), 0, "127.0.0.2");
    ASSERT_TRUE(Upgraded(second, server->Port()));
    ASSERT_TRUE(second.Write(create));
    bool ended = false;
    EXPECT_TRUE(second.Read(&ended, [](const QByteArray& b) { return b.contains("\"rooms\""); })
                    .contains("\"rooms\""));
    EXPECT_FALSE(ended);
  }
  ASSERT_TRUE(server->InPenaltyBox(QHostAddress("127.0.0.2")));
  // The honest player's and the room holder's.
  ASSERT_TRUE(WaitFor([&] { return server->SocketCount() == 2; }));
  const int sockets = server->SocketCount();
  const long long accepted = server->SocketsRefused();

  EXPECT_FALSE(Answered(server->Port(), "127.0.0.2"));
  EXPECT_EQ(server->SocketsBoxed(), 1);
  EXPECT_EQ(server->SocketsRefused(), accepted) << "closed in the box, not at a cap";
  EXPECT_EQ(server->SocketCount(), sockets) << "no socket was made for it";
  EXPECT_TRUE(Answered(server->Port(), "127.0.0.3")) << "another address";
  EXPECT_TRUE(honest.MoveAnswered(5000));
  EXPECT_FALSE(server->InPenaltyBox(QHostAddress::LocalHost));

  // Knocking all along: let in again once the stay is over, not before.
  auto letIn = [&] {
    while (sinceBefore.elapsed() < 15000) {
      if (Answered(server->Port(), "127.0.0.2")) return sinceBefore.elapsed();
      WaitFor([] { return false; }, 100);
    }
    return qint64{-1};
  };
  const qint64 first = letIn();
  EXPECT_GE(first, 1500);
  EXPECT_LT(first, 1500 + 6000) << "the refused knocks did not make the stay longer";
  EXPECT_GE(server->SocketsBoxed(), 2);

  // Three more offences: twice the stay.
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(Misbehave(*server, "127.0.0.2", TenRefusals()));
  sinceBefore.restart();
  ASSERT_TRUE(Misbehave(*server, "127.0.0.2", TenRefusals()));
  EXPECT_FALSE(Answered(server->Port(), "127.0.0.2"));
  const qint64 second = letIn();
  EXPECT_GE(second, 3000);
  EXPECT_LT(second, 3000 + 6000);
  EXPECT_TRUE(honest.MoveAnswered(5000));
}

// Turned away at the cap per address, again and again, from many addresses: each is boxed,
// and the server remembers no more addresses than its bound. An address never seen is let
// in.
TEST(ServerAbuse, ThePenaltyBoxRemembersABoundedNumberOfAddresses) {
  ServerOptions so;
  so.maxPerAddress = 1;
  so.handshakeMs = 60000;  // the sockets held stay for the whole test
  so.penalty.addresses = 8;
  const auto server = Listening(so);
  std::vector<std::unique_ptr<Raw>> held;
  for (int i = 1; i <= 20; ++i) {
    const QByteArray from = QStringLiteral("127.0.3.%1").arg(i).toLatin1();
    held.push_back(std::make_unique<Raw>(server->Port(), 0, from.constData()));
    ASSERT_TRUE(WaitFor([&] { return server->SocketCount() == i; })) << i;
    for (int k = 0; k < 3; ++k) EXPECT_FALSE(Answered(server->Port(), from.constData()));
    EXPECT_TRUE(server->InPenaltyBox(QHostAddress(QString::fromLatin1(from)))) << i;
    EXPECT_LE(server->AddressesRemembered(), 8) << i;
  }
  EXPECT_EQ(server->SocketsRefused(), 60);
  EXPECT_EQ(server->AddressesRemembered(), 8);
  // The newest is still in the box; one never seen is answered.
  const long long boxed = server->SocketsBoxed();
  EXPECT_FALSE(Answered(server->Port(), "127.0.3.20"));
  EXPECT_EQ(server->SocketsBoxed(), boxed + 1);
  EXPECT_TRUE(Answered(server->Port(), "127.0.4.1"));
}

}  // namespace
}  // namespace korvel::net

namespace korvel::net {
namespace {

// A client frame of any length (7 bits, or 16 or 64 more), masked unless told otherwise.
QByteArray ClientFrame(const QByteArray& payload, bool masked = true, int opcode = 0x1) {
  QByteArray f(1, static_cast<char>(0x80 | opcode));
  const char bit = masked ? static_cast<char>(0x80) : 0;
  const qint64 n = payload.size();
  const int more = n < 126 ? 0 : n < 65536 ? 2 : 8;
  f += static_cast<char>(bit | (more == 0 ? n : more == 2 ? 126 : 127));
  for (int k = more - 1; k >= 0; --k) f += static_cast<char>((n >> (8 * k)) & 0xff);
  const char mask[4] = {0x11, 0x22, 0x33, 0x44};
  if (masked) f.append(mask, 4);
  for (qint64 i = 0; i < n; ++i) f += static_cast<char>(payload[i] ^ (masked ? mask[i % 4] : 0));
  return f;
}

// Payloads that read like the header of an unmasked frame wherever the walker might look.
QByteArray Decoy(qint64 n) {
  QByteArray b;
  while (b.size() < n) b += QByteArray("\x81\x05\x01\x7e\x7f", 5);
  return b.left(n);
}

// Walks `stream` cut at `cuts` (offsets, ascending): the first chunk after which the walker
// said no, or -1.
int RefusedAt(const QByteArray& stream, const std::vector<qint64>& cuts) {
  FrameWalker w;
  qint64 from = 0;
  for (size_t i = 0; i <= cuts.size(); ++i) {
    const qint64 to = i < cuts.size() ? cuts[i] : stream.size();
    if (!w.Take(stream.constData() + from, to - from)) return static_cast<int>(i);
    from = to;
  }
  return -1;
}

// Masked frames pass however the stream is cut, every length form included; the first
// unmasked frame is seen in the chunk that completes its first two bytes, never earlier.
TEST(FrameWalker, OnlyAnUnmaskedFrameIsSeenHoweverTheStreamIsCut) {
  QByteArray masked;
  for (qint64 n : {0, 1, 5, 125, 126, 127, 300, 65535}) masked += ClientFrame(Decoy(n));
  masked += ClientFrame("", true, 0x9) + ClientFrame("ping", true, 0xA);
  const QByteArray stream = masked + ClientFrame(Decoy(7), false) + ClientFrame("after");
  for (qint64 cut = 0; cut <= masked.size() + 2; ++cut) {
    if (cut <= masked.size()) {
      EXPECT_EQ(RefusedAt(masked, {cut}), -1) << cut;
    }
    // Cut before the unmasked frame's second byte, the walker says no in the second chunk.
    EXPECT_EQ(RefusedAt(stream, {cut}), cut <= masked.size() + 1 ? 1 : 0) << cut;
  }
  FrameWalker bytes;
  for (qint64 i = 0; i < masked.size(); ++i) ASSERT_TRUE(bytes.Take(masked.constData() + i, 1)) << i;
  EXPECT_FALSE(bytes.Unmasked());
  EXPECT_FALSE(bytes.Take(stream.constData() + masked.size(), 2));
  EXPECT_TRUE(bytes.Unmasked());
}

TEST(FrameWalker, ManyFramesInOneChunkAndLongLengths) {
  QByteArray many;
  for (int i = 0; i < 1000; ++i) many += ClientFrame(Decoy(i % 130));
  FrameWalker w;
  EXPECT_TRUE(w.Take(many.constData(), many.size()));
  EXPECT_FALSE(w.Take((ClientFrame("x", false) + many).constData(), many.size() + 3));
  const QByteArray both = many + ClientFrame("x", false) + many;
  EXPECT_FALSE(FrameWalker().Take(both.constData(), both.size()));
  // Seen at its second byte, whatever form its length takes.
  for (qint64 n : {0, 126, 70000})
    EXPECT_FALSE(FrameWalker().Take(ClientFrame(Decoy(n), false).constData(), 2)) << n;

  // A frame of 70000 bytes (a 64-bit length), then one whose length has its top bits set:
  // what follows each header is its payload, however it reads.
  QByteArray big = ClientFrame(Decoy(70000)) + ClientFrame("x", false);
  EXPECT_EQ(RefusedAt(big, {10, 14, 70013, 70014}), 4);
  QByteArray huge("\x81\xff\x80\x00\x00\x00\x00\x00\x00\x00\x01\x02\x03\x04", 14);
  EXPECT_EQ(RefusedAt(huge + Decoy(100000), {3, 13}), -1);
}

// An unmasked frame from a client breaks the protocol: the connection is closed (1002) and
// counts as an offence of its address, three of them put it in the penalty box. Masked
// frames go on being answered: split into single bytes, with a 16-bit length, or many in
// one write.
TEST(ServerAbuse, AnUnmaskedFrameClosesTheConnection) {
  ServerOptions so;
  so.closeGraceMs = 300;
  const auto server = Listening(so);
  const QByteArray ping = R"({"t":"ping"})";
  Raw good(server->Port());
  ASSERT_TRUE(Upgraded(good, server->Port()));
  const QByteArray padded = ClientFrame(R"({"t":"ping","p":")" + QByteArray(200, 'p') + "\"}");
  QByteArray burst = padded;
  for (int i = 0; i < 9; ++i) burst += ClientFrame(ping);
  for (const char c : burst) {
    ASSERT_TRUE(good.Write(QByteArray(1, c)));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  ASSERT_TRUE(good.Write(burst));
  bool ended = false;
  const QByteArray pongs =
      good.Read(&ended, [](const QByteArray& b) { return b.count("pong") >= 20; });
  EXPECT_EQ(pongs.count("pong"), 20);
  EXPECT_FALSE(ended);

  for (int i = 0; i < 3; ++i) {
    Raw bad(server->Port(), 0, "127.0.0.9");
    ASSERT_TRUE(Upgraded(bad, server->Port()));
    ASSERT_TRUE(bad.Write(ClientFrame(ping) + ClientFrame(ping, false) + ClientFrame(ping)));
    const QByteArray got = bad.Read(&ended, [](const QByteArray&) { return false; });
    EXPECT_TRUE(ended);
    // One pong at most (the masked frame before), then a close frame with 1002 (0x03ea).
    EXPECT_LE(got.count("pong"), 1) << got.toHex().toStdString();
    EXPECT_NE(got.indexOf(QByteArray("\x88\x0a\x03\xea" "unmasked", 12)), -1)
        << got.toHex().toStdString();
  }
  EXPECT_TRUE(server->InPenaltyBox(QHostAddress("127.0.0.9")));
  EXPECT_FALSE(server->InPenaltyBox(QHostAddress::LocalHost));
  ASSERT_TRUE(good.Write(ClientFrame(ping)));
  EXPECT_TRUE(good.Read(&ended, [](const QByteArray& b) { return b.contains("pong"); })
                  .contains("pong"));
}

// Over TLS the decrypted stream is walked alike.
TEST(ServerAbuse, AnUnmaskedFrameOverTlsClosesTheConnection) {
  ServerOptions so;
  so.certFile = kCert;
  so.keyFile = kKey;
  const auto server = Listening(so);
  QSslSocket tls;
  tls.setPeerVerifyMode(QSslSocket::VerifyNone);
  QByteArray got;
  bool gone = false;
  QObject::connect(&tls, &QSslSocket::readyRead, [&] { got += tls.readAll(); });
  QObject::connect(&tls, &QSslSocket::disconnected, [&] { gone = true; });
  tls.connectToHostEncrypted("127.0.0.1", server->Port());
  ASSERT_TRUE(WaitFor([&] { return tls.isEncrypted(); }));
  tls.write(QStringLiteral("GET / HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n")
                .arg(server->Port())
                .toLatin1());
  ASSERT_TRUE(WaitFor([&] { return got.contains("\r\n\r\n"); }));
  EXPECT_TRUE(got.startsWith("HTTP/1.1 101"));
  tls.write(ClientFrame(R"({"t":"ping"})"));
  ASSERT_TRUE(WaitFor([&] { return got.contains("pong"); }));
  tls.write(ClientFrame(R"({"t":"ping"})", false));
  EXPECT_TRUE(WaitFor([&] { return gone; }, 5000));
  EXPECT_EQ(got.count("pong"), 1);
  EXPECT_NE(got.indexOf(QByteArray("\x88\x0a\x03\xea", 4)), -1) << got.toHex().toStdString();
}

}  // namespace
}  // namespace korvel::net
