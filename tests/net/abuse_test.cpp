// The authority under a hostile client on 127.0.0.1: a flood of ping frames, a client that
// never reads, sockets that never finish a handshake (plain and TLS), one address opening
// room after room, and many level-4 computers thinking at once. Each is held within the
// server's limits while honest players go on being served. Every wait is bounded; nothing
// here asserts a speed (the bounds are generous deadlines, not measurements).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QWebSocket>
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
// (with a small receive buffer, so what it leaves unread backs up into the server).
class Raw {
 public:
  explicit Raw(quint16 port, int receiveBuffer = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
      ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
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

}  // namespace
}  // namespace korvel::net
