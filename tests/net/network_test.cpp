// The server and its clients over real WebSockets on 127.0.0.1: a dropped player comes
// back with the token, the authority going away leaves every client its game, and a storm
// of random and mutated messages changes nothing. Every wait is bounded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QWebSocket>
#include <memory>
#include <random>
#include <utility>

#include "game/play_move.h"
#include "net/autoplay.h"
#include "net/client.h"
#include "net/protocol.h"
#include "net/server.h"
#include "play/game_record.h"
#include "play/repetition.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

using testing::WaitFor;

// The records match but for the date and time of the first move (each side's own clock),
// and the record opens at the authority's position.
void ExpectSameRecord(const std::string& copy, const std::string& authority,
                      const PositionKey& at) {
  auto withoutStart = [](std::string text) {
    const size_t p = text.find("\n開始日時: ");
    if (p != std::string::npos) text.erase(p, text.find('\n', p + 1) - p);
    return text;
  };
  EXPECT_EQ(withoutStart(copy), withoutStart(authority));
  const RecordReading r = ReadRecord(copy);
  ASSERT_TRUE(r.record) << r.error.Text() << "\n" << copy;
  EXPECT_TRUE(KeyOf(r.record->game.State()) == at) << copy;
}

QUrl Local(quint16 port) {
  return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port));
}

struct Table {
  std::unique_ptr<Server> server;
  Room* room = nullptr;
  std::unique_ptr<Client> clients[5];
  bool autoplay = true;
  // The players wait when the game has this many turns (in-process games are fast: one
  // wait may otherwise see a whole game played).
  size_t pauseAt = SIZE_MAX;
  std::uint64_t seed = 11;
  // The turn count at which each seat last moved: the start and an announcement may both
  // find the same turn waiting, and a seat moves once a turn.
  size_t sentAt[5] = {SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX};

  explicit Table(std::initializer_list<int> people, ServerOptions so = {},
                 int maxTurns = kDefaultMaxTurns) {
    so.address = QHostAddress::LocalHost;
    so.port = 0;
    so.pauseSeconds = 0;
    server = std::make_unique<Server>(so);
    QString error;
    EXPECT_TRUE(server->Listen(&error)) << error.toStdString();
    RoomOptions ro;
    for (int s = 0; s <= 4; ++s) ro.person[s] = false;
    for (int s : people) ro.person[s] = true;
    ro.level = 1;
    ro.hostSeat = *people.begin();
    ro.waitSeconds = 0;
    ro.maxTurns = maxTurns;
    room = server->OpenRoom("TESTROOM", ro);
    for (int s : people) Seat(s);
  }
  Client& Seat(int s, bool rejoin = false) {
    QString token = clients[s] ? clients[s]->Token() : QString();
    clients[s] = std::make_unique<Client>();
    Client& c = *clients[s];
    QObject::connect(&c, &Client::connected, &c, [&c, s, rejoin, token] {
      if (rejoin) {
        c.SendText(Serialize({{"t", "rejoin"},
                              {"v", kProtocolVersion},
                              {"room", "TESTROOM"},
                              {"seat", s},
                              {"token", token}}));
      } else {
        c.Hello("TESTROOM", QString("P%1").arg(s), s);
      }
    });
    sentAt[s] = SIZE_MAX;
    QObject::connect(&c, &Client::started, &c, [this, s] { sentAt[s] = SIZE_MAX; });
    QObject::connect(&c, &Client::updated, &c, [this, s] { Play(s); });
    c.Open(Local(server->Port()));
    EXPECT_TRUE(WaitFor([&c] { return c.Welcomed(); }));
    return c;
  }
  void Start(int host) {
    clients[host]->Start();
    ASSERT_TRUE(WaitFor([this, host] { return clients[host]->Started(); }));
    // The first move when it is a person's: later ones follow the announcements.
    for (int s = 1; s <= 4; ++s)
      if (clients[s]) Play(s);
  }
  void Play(int s) {
    Client& c = *clients[s];
    if (!autoplay || !c.MyTurn() || c.Turns().size() >= pauseAt) return;
    if (sentAt[s] == c.Turns().size()) return;
    const auto m = ChooseOwnMove(c.TheGame(), 1, seed);
    if (!m) return;
    sentAt[s] = c.Turns().size();
    c.SendMove(*m);
  }
  // Every connected client's copy equals the authority's game.
  void ExpectAllAgree() {
    for (int s = 1; s <= 4; ++s) {
      if (!clients[s]) continue;
      Client& c = *clients[s];
      EXPECT_FALSE(c.Desynced()) << s;
      ASSERT_EQ(c.Turns().size(), room->Turns().size()) << s;
      EXPECT_EQ(TurnsJson(c.Turns()), TurnsJson(room->Turns())) << s;
      EXPECT_TRUE(KeyOf(c.TheGame().State()) == KeyOf(room->TheGame().State())) << s;
    }
  }
};

TEST(NetworkGame, DroppedPlayerComesBackWithTheTokenAndPlaysOn) {
  Table t({1, 2, 3, 4});
  t.pauseAt = 6;
  t.Start(1);
  ASSERT_TRUE(WaitFor([&] { return t.room->Turns().size() >= 6 || t.room->Over(); }));
  ASSERT_FALSE(t.room->Over());
  // Seat 3 loses its connection without a word; the others are told who is missing (which
  // wakes them) and the game waits at seat 3's turn.
  t.clients[3]->Drop();
  t.pauseAt = SIZE_MAX;
  ASSERT_TRUE(WaitFor([&] { return !t.room->Connected(3); }));
  ASSERT_TRUE(WaitFor(
      [&] { return t.clients[1]->Notices().join(" ").contains("P3さんの接続が切れました"); }));
  ASSERT_TRUE(WaitFor([&] { return t.room->TheGame().State().CurrentSeat == 3; }));
  const size_t waitedAt = t.room->Turns().size();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(t.room->Turns().size(), waitedAt);

  // A stranger with a made-up token is refused and changes nothing.
  Client stranger;
  QObject::connect(&stranger, &Client::connected, &stranger, [&] {
    stranger.SendText(Serialize({{"t", "rejoin"},
                                 {"v", 1},
                                 {"room", "TESTROOM"},
                                 {"seat", 3},
                                 {"token", QString(32, 'a')}}));
  });
  stranger.Open(Local(t.server->Port()));
  ASSERT_TRUE(WaitFor([&] { return !stranger.Errors().empty(); }));
  EXPECT_EQ(stranger.Errors()[0].code, "token");
  EXPECT_FALSE(t.room->Connected(3));

  Client& back = t.Seat(3, true);
  // The game so far came with the welcome (and the seat may have moved since).
  ASSERT_GE(back.Turns().size(), waitedAt);
  EXPECT_EQ(
      TurnsJson({back.Turns().begin(), back.Turns().begin() + static_cast<long>(waitedAt)}),
      TurnsJson({t.room->Turns().begin(), t.room->Turns().begin() + static_cast<long>(waitedAt)}));
  ASSERT_TRUE(WaitFor([&] { return t.room->Turns().size() >= waitedAt + 8 || t.room->Over(); }));
  WaitFor([&] { return t.clients[1]->Turns().size() == t.room->Turns().size(); }, 2000);
  t.autoplay = false;
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  t.ExpectAllAgree();
}

TEST(NetworkGame, WhenTheAuthorityGoesEveryClientKeepsTheGame) {
  Table t({1, 3});
  t.Start(1);
  ASSERT_TRUE(WaitFor([&] { return t.room->Turns().size() >= 10 || t.room->Over(); }));
  t.autoplay = false;
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const QJsonArray played = TurnsJson(t.room->Turns());
  const std::string record = t.room->Record();
  const PositionKey at = KeyOf(t.room->TheGame().State());
  bool gone[5] = {};
  for (int s : {1, 3})
    QObject::connect(t.clients[s].get(), &Client::disconnected, [&gone, s] { gone[s] = true; });
  t.server.reset();  // the host's program ends
  ASSERT_TRUE(WaitFor([&] { return gone[1] && gone[3]; }));
  for (int s : {1, 3}) {
    EXPECT_EQ(TurnsJson(t.clients[s]->Turns()), played);
    ExpectSameRecord(t.clients[s]->Record(), record, at);
  }
}

// Random bytes, mutated valid messages and intentions for seats that are not the
// sender's, from strangers and from a seated player out of turn: none may change the
// game, crash the server or reach the honest players.
TEST(NetworkGame, FuzzedMessagesChangeNothing) {
  // The strangers, all from 127.0.0.1, are closed for misbehaving again and again: the
  // penalty box would soon refuse the next ones at the door (abuse_test.cpp).
  ServerOptions so;
  so.penalty.offences = 0;
  Table t({1, 2, 3, 4}, so);
  t.autoplay = false;
  Client& cheat = *t.clients[4];  // seated, and sends nothing but junk
  t.Start(1);
  ASSERT_EQ(t.room->TheGame().State().CurrentSeat, SITA);
  const PositionKey before = KeyOf(t.room->TheGame().State());

  std::mt19937 rng(20261208);
  const Move legal = LegalMoves(t.room->TheGame().State()).front();
  const QString valid[] = {
      Serialize({{"t", "move"},
                 {"n", 1},
                 {"from", SquareJson(legal.fromX, legal.fromY)},
                 {"to", SquareJson(legal.toX, legal.toY)},
                 {"promote", false}}),
      Serialize({{"t", "hello"}, {"v", 1}, {"room", "TESTROOM"}, {"name", "x"}, {"seat", 1}}),
      Serialize({{"t", "rejoin"},
                 {"v", 1},
                 {"room", "TESTROOM"},
                 {"seat", 1},
                 {"token", NewToken()}}),  // a guess: the real tokens are secret
      Serialize({{"t", "create"},
                 {"v", 1},
                 {"name", "x"},
                 {"seat", 1},
                 {"people", QJsonArray{1}},
                 {"level", 1}}),
      Serialize({{"t", "start"}}),
      Serialize({{"t", "again"}, {"yes", true}}),
      Serialize({{"t", "give"}, {"seat", 1}}),
  };
  auto mutate = [&](QString s) {
    const int kind = static_cast<int>(rng() % 6);
    if (kind == 0) {  // random bytes
      QByteArray b(static_cast<int>(rng() % 300), '\0');
      for (char& c : b) c = static_cast<char>(rng());
      return QString::fromLatin1(b);
    }
    if (kind == 1) return s.repeated(static_cast<int>(2 + rng() % 80));  // long
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !s.isEmpty(); ++e) {
      const int at = static_cast<int>(rng() % static_cast<unsigned>(s.size()));
      static const char kChars[] = "{}[]\":,0123456789-.e ntfalsrue\\";
      if (kind == 2)
        s[at] = QLatin1Char(kChars[rng() % (sizeof kChars - 1)]);
      else if (kind == 3)
        s.remove(at, 1 + static_cast<int>(rng() % 5));
      else if (kind == 4)
        s.insert(at, QString::number(static_cast<int>(rng()) % 100000));
      else
        s.replace(QStringLiteral("1"), QString::number(static_cast<int>(rng() % 13) - 2));
    }
    return s;
  };

  int sent = 0;
  std::vector<std::unique_ptr<QWebSocket>> strangers;
  // Twenty strangers at a time, each sending until the server closes it; bounded in count.
  for (int batch = 0; batch < 40 && t.server->MessagesRead() < 4000; ++batch) {
    strangers.clear();
    for (int i = 0; i < 20; ++i) {
      auto ws = std::make_unique<QWebSocket>();
      ws->open(Local(t.server->Port()));
      strangers.push_back(std::move(ws));
    }
    ASSERT_TRUE(WaitFor([&] {
      for (auto& ws : strangers)
        if (ws->state() != QAbstractSocket::ConnectedState) return false;
      return true;
    }));
    for (int round = 0; round < 12; ++round) {
      for (auto& ws : strangers) {
        ws->sendTextMessage(mutate(valid[rng() % std::size(valid)]));
        ++sent;
      }
      if (cheat.IsOpen()) {
        cheat.SendText(mutate(valid[rng() % std::size(valid)]));
        ++sent;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    WaitFor([] { return false; }, 20);
  }
  strangers.clear();
  WaitFor([] { return false; }, 50);

  EXPECT_TRUE(KeyOf(t.room->TheGame().State()) == before);
  EXPECT_TRUE(t.room->Turns().empty());
  EXPECT_EQ(t.room->HostSeat(), 1);
  EXPECT_FALSE(cheat.IsOpen());  // closed for misbehaving
  for (int s = 1; s <= 3; ++s) {
    EXPECT_TRUE(t.clients[s]->IsOpen()) << s;
    EXPECT_TRUE(t.clients[s]->Refusals().empty()) << s;
    EXPECT_TRUE(t.clients[s]->Errors().empty()) << s;
  }
  // The honest players play on as if nothing happened.
  t.autoplay = true;
  const auto m = ChooseOwnMove(t.clients[1]->TheGame(), 1, t.seed);
  ASSERT_TRUE(m);
  t.clients[1]->SendMove(*m);
  // The cheat's seat is now empty: the game waits there until the host gives it away.
  ASSERT_TRUE(WaitFor([&] { return t.room->TheGame().State().CurrentSeat == MIGI; }));
  t.clients[1]->Give(MIGI);
  ASSERT_TRUE(WaitFor([&] { return t.room->Turns().size() >= 8 || t.room->Over(); }));
  t.autoplay = false;
  WaitFor([] { return false; }, 100);
  t.clients[4].reset();  // its copy stopped when it was closed
  t.ExpectAllAgree();
  std::printf("fuzz: %d messages sent, %lld read by the server\n", sent, t.server->MessagesRead());
  EXPECT_GE(t.server->MessagesRead(), 4000);
}

}  // namespace
}  // namespace korvel::net

namespace korvel::net {
namespace {

// A level-4 computer thinks for seconds on a thread of its own: meanwhile the server
// relays another room's moves, and the choice still comes back and is played.
TEST(NetworkGame, AnotherRoomPlaysOnWhileOneRoomsComputerThinks) {
  ServerOptions so;
  so.deepSeconds = 3;
  Table t({1, 2, 3, 4}, so);
  RoomOptions ro;
  for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1;
  ro.level = 4;
  ro.hostSeat = 1;
  Room* deep = t.server->OpenRoom("DEEPROOM", ro);
  ASSERT_NE(deep, nullptr);
  Client alone;
  QObject::connect(&alone, &Client::connected, &alone,
                   [&] { alone.Hello("DEEPROOM", "Alone", 1); });
  alone.Open(Local(t.server->Port()));
  ASSERT_TRUE(WaitFor([&] { return alone.Welcomed(); }));
  alone.Start();
  ASSERT_TRUE(WaitFor([&] { return alone.MyTurn(); }));
  std::uint64_t rng = 5;
  alone.SendMove(*ChooseOwnMove(alone.TheGame(), 1, rng));
  ASSERT_TRUE(WaitFor([&] { return t.server->ThinkingCount() > 0; }));
  const size_t thoughtAt = deep->Turns().size();

  t.Start(1);
  ASSERT_TRUE(WaitFor([&] {
    return t.room->Turns().size() >= 4 || t.room->Over() || deep->Turns().size() != thoughtAt;
  }));
  EXPECT_EQ(deep->Turns().size(), thoughtAt) << "the other room waited for the thinking";
  EXPECT_GE(t.room->Turns().size(), 4u);
  // The choice comes back to the loop and is announced.
  ASSERT_TRUE(WaitFor([&] { return alone.Turns().size() > thoughtAt; }, 15000));
  EXPECT_EQ(alone.Turns()[thoughtAt].seat, HIDARI);
  EXPECT_TRUE(alone.Turns()[thoughtAt].by == Game::Mover::COMPUTER);
  t.autoplay = false;
  alone.Close();
  // Closing the server stops any thinking still running and waits for it.
}

// The host is a player like the others: when their connection goes, the others are told
// that the host is missing, keep the game, and the host's role passes at once to a person
// still connected, who may give the missing seat to the computer.
TEST(NetworkGame, WhenThePlayerHostLeavesTheRolePassesAndTheGameGoesOn) {
  Table t({1, 3});
  t.pauseAt = 6;
  t.Start(1);
  ASSERT_TRUE(WaitFor([&] { return t.room->Turns().size() >= 6 || t.room->Over(); }));
  ASSERT_FALSE(t.room->Over());
  t.autoplay = false;
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  std::vector<std::pair<QString, int>> told;
  QObject::connect(t.clients[3].get(), &Client::noticed,
                   [&](const QString& code, const QString&, int seat) {
                     told.emplace_back(code, seat);
                   });
  t.clients[1]->Drop();
  ASSERT_TRUE(WaitFor([&] { return t.clients[3]->Host() == 3; }));
  EXPECT_EQ(t.room->HostSeat(), 3);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0], std::make_pair(QString("missing"), 1));
  EXPECT_EQ(told[1], std::make_pair(QString("host"), 3));
  EXPECT_TRUE(t.clients[3]->Notices().join(" ").contains("主催者"));
  EXPECT_FALSE(t.clients[3]->Closed());
  EXPECT_EQ(TurnsJson(t.clients[3]->Turns()), TurnsJson(t.room->Turns()));
  ExpectSameRecord(t.clients[3]->Record(), t.room->Record(), KeyOf(t.room->TheGame().State()));
  // The new host gives the missing seat to the computer (no waiting time in this room).
  t.clients[3]->Give(1);
  ASSERT_TRUE(WaitFor([&] { return !t.room->IsPersonSeat(1); }));
  for (const auto& r : t.clients[3]->Refusals()) ADD_FAILURE() << "refused: " << r.code.toStdString();
}

// Four people play to a small move limit: every client is told the game ended by length
// and writes the authority's record, which reads back finished.
TEST(NetworkGame, AGameAtTheMoveLimitEndsByLengthForEveryone) {
  Table t({1, 2, 3, 4}, {}, 14);
  t.Start(1);
  ASSERT_TRUE(WaitFor([&] { return t.room->Over(); }));
  EXPECT_EQ(t.room->OverReason(), "length");
  for (int s = 1; s <= 4; ++s)
    ASSERT_TRUE(WaitFor([&] { return t.clients[s]->Over(); })) << s;
  t.ExpectAllAgree();
  EXPECT_EQ(t.room->Turns().size(), 14u);
  for (int s = 1; s <= 4; ++s) {
    EXPECT_EQ(t.clients[s]->OverReason(), "length") << s;
    EXPECT_EQ(t.clients[s]->Winner(), 0) << s;
    ExpectSameRecord(t.clients[s]->Record(), t.room->Record(), KeyOf(t.room->TheGame().State()));
  }
  EXPECT_NE(t.room->Record().find("結果: 手数 引き分け"), std::string::npos);
  // A player coming back after the end is told how it ended.
  t.clients[2]->Drop();
  ASSERT_TRUE(WaitFor([&] { return !t.room->Connected(2); }));
  Client& back = t.Seat(2, true);
  EXPECT_TRUE(back.Over());
  EXPECT_EQ(back.OverReason(), "length");
  ExpectSameRecord(back.Record(), t.room->Record(), KeyOf(t.room->TheGame().State()));
}

// A host who leaves before the game starts: the next person connected becomes the host,
// gives the empty seat to the computer and starts the game.
TEST(NetworkGame, ANewHostStartsTheNextGame) {
  Table t({1, 3});
  t.autoplay = false;
  t.clients[1]->Drop();
  ASSERT_TRUE(WaitFor([&] { return t.clients[3]->Host() == 3; }));
  t.clients[3]->Start();  // seat 1 is missing
  ASSERT_TRUE(WaitFor([&] { return !t.clients[3]->Refusals().empty(); }));
  EXPECT_EQ(t.clients[3]->Refusals().back().code, "seats");
  t.clients[3]->Give(1);
  ASSERT_TRUE(WaitFor([&] { return !t.room->IsPersonSeat(1); }));
  t.clients[3]->Start();
  ASSERT_TRUE(WaitFor([&] { return t.clients[3]->Started(); }));
  // The computer plays seat 1, the game reaches seat 3's turn.
  ASSERT_TRUE(WaitFor([&] { return t.clients[3]->MyTurn(); }));
  EXPECT_TRUE(t.room->Turns().front().by == Game::Mover::COMPUTER);
}

}  // namespace
}  // namespace korvel::net
namespace korvel::net {
namespace {

// A bare connection to the server: every answer it gets, and whether it was closed.
struct Bare {
  QWebSocket ws;
  std::vector<QJsonObject> answers;
  bool closed = false;
  explicit Bare(quint16 port) {
    QObject::connect(&ws, &QWebSocket::textMessageReceived, [this](const QString& text) {
      answers.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
    });
    QObject::connect(&ws, &QWebSocket::disconnected, [this] { closed = true; });
    ws.open(Local(port));
  }
  // "pong", or the error's code.
  std::vector<QString> Said() const {
    std::vector<QString> said;
    for (const QJsonObject& a : answers)
      said.push_back(a.value("t") == "error" ? a.value("code").toString()
                                             : a.value("t").toString());
    return said;
  }
};

std::unique_ptr<Server> Listening(ServerOptions so) {
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  auto server = std::make_unique<Server>(so);
  QString error;
  EXPECT_TRUE(server->Listen(&error)) << error.toStdString();
  return server;
}

// A ping padded to exactly `bytes` bytes of UTF-8 with the given character.
QString Ping(int bytes, QChar pad = QLatin1Char('x')) {
  const QString empty = Serialize({{"t", "ping"}, {"p", ""}});
  const int each = static_cast<int>(QString(pad).toUtf8().size());
  const int room = bytes - static_cast<int>(empty.toUtf8().size());
  QString text = Serialize({{"t", "ping"}, {"p", QString(room / each, pad)}});
  text.insert(text.size() - 1, QString(room % each, QLatin1Char(' ')));
  return text;
}

// The limit is 4096 bytes of UTF-8, whatever the characters: one byte more is refused
// with `size`, up to the socket's own cap of 64 KiB; a refusal changes nothing else.
TEST(ServerLimits, AMessageIsAtMost4096BytesOfUtf8) {
  const auto server = Listening({});
  Bare c(server->Port());
  ASSERT_TRUE(WaitFor([&] { return c.ws.state() == QAbstractSocket::ConnectedState; }));
  const QString sent[] = {Ping(4096),
                          Ping(4097),
                          Ping(4096 + 3, QChar(0x3042)),  // fewer than 4096 characters
                          Ping(60000),
                          Ping(4096, QChar(0x3042))};
  ASSERT_EQ(sent[0].toUtf8().size(), 4096);
  ASSERT_EQ(sent[1].toUtf8().size(), 4097);
  ASSERT_LT(sent[2].size(), 4096);
  ASSERT_EQ(sent[2].toUtf8().size(), 4099);
  for (const QString& text : sent) c.ws.sendTextMessage(text);
  ASSERT_TRUE(WaitFor([&] { return c.answers.size() >= 5 || c.closed; }));
  EXPECT_EQ(c.Said(), (std::vector<QString>{"pong", "size", "size", "size", "pong"}));
  EXPECT_FALSE(c.closed);
}

// Each connection has a bucket of `burst` messages refilled at `messagesPerSecond`: past
// it every message is refused with `rate`, and ten refusals in a row close the connection.
TEST(ServerLimits, TooManyMessagesAreRefusedAndTenRefusalsInARowClose) {
  ServerOptions so;
  so.burst = 5;
  so.messagesPerSecond = 0;  // never refilled: the count alone decides
  const auto server = Listening(so);
  Bare c(server->Port());
  ASSERT_TRUE(WaitFor([&] { return c.ws.state() == QAbstractSocket::ConnectedState; }));
  for (int i = 0; i < 14; ++i) c.ws.sendTextMessage(Ping(20));
  ASSERT_TRUE(WaitFor([&] { return c.answers.size() >= 14 || c.closed; }));
  std::vector<QString> want(5, "pong");
  want.resize(14, "rate");
  EXPECT_EQ(c.Said(), want);
  WaitFor([] { return false; }, 50);
  EXPECT_FALSE(c.closed) << "nine refusals";
  c.ws.sendTextMessage(Ping(20));
  ASSERT_TRUE(WaitFor([&] { return c.closed; }));
  ASSERT_EQ(c.answers.size(), 15u);
  EXPECT_EQ(c.Said().back(), "closing");
  // Another connection has a bucket of its own.
  Bare d(server->Port());
  ASSERT_TRUE(WaitFor([&] { return d.ws.state() == QAbstractSocket::ConnectedState; }));
  d.ws.sendTextMessage(Ping(20));
  ASSERT_TRUE(WaitFor([&] { return !d.answers.empty(); }));
  EXPECT_EQ(d.Said(), std::vector<QString>{"pong"});
}

// Ten refused messages in a row close the connection; one that is served breaks the row.
TEST(ServerLimits, OnlyTenRefusalsInARowClose) {
  const auto server = Listening({});
  Bare c(server->Port());
  ASSERT_TRUE(WaitFor([&] { return c.ws.state() == QAbstractSocket::ConnectedState; }));
  for (int i = 0; i < 9; ++i) c.ws.sendTextMessage("{");
  c.ws.sendTextMessage(Ping(20));
  for (int i = 0; i < 10; ++i) c.ws.sendTextMessage("[]");
  ASSERT_TRUE(WaitFor([&] { return c.closed; }));
  std::vector<QString> want(9, "malformed");
  want.push_back("pong");
  want.resize(19, "malformed");
  want.push_back("closing");
  EXPECT_EQ(c.Said(), want);
}

// A connection holds one seat: a seated player's hello or create is refused and takes
// nothing; the player keeps the seat it has.
TEST(ServerLimits, ASeatedConnectionTakesNoOtherSeatOrRoom) {
  const auto server = Listening({});
  RoomOptions ro;
  for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1 || s == 2;
  ro.level = 1;
  ro.hostSeat = 1;
  ASSERT_TRUE(server->OpenRoom("FIRSTRM", ro));
  ASSERT_TRUE(server->OpenRoom("SECONDRM", ro));
  Bare c(server->Port());
  ASSERT_TRUE(WaitFor([&] { return c.ws.state() == QAbstractSocket::ConnectedState; }));
  auto hello = [](const char* room, int seat) {
    return Serialize({{"t", "hello"}, {"v", 1}, {"room", room}, {"seat", seat}, {"name", "A"}});
  };
  c.ws.sendTextMessage(hello("FIRSTRM", 1));
  ASSERT_TRUE(WaitFor([&] { return c.answers.size() >= 2; }));  // welcome, room
  c.answers.clear();
  c.ws.sendTextMessage(hello("SECONDRM", 2));
  c.ws.sendTextMessage(hello("FIRSTRM", 2));
  c.ws.sendTextMessage(Serialize({{"t", "create"},
                                  {"v", 1},
                                  {"name", "A"},
                                  {"seat", 2},
                                  {"people", QJsonArray{2}},
                                  {"level", 1}}));
  ASSERT_TRUE(WaitFor([&] { return c.answers.size() >= 3 || c.closed; }));
  EXPECT_EQ(c.Said(), (std::vector<QString>{"joined", "joined", "joined"}));
  EXPECT_EQ(server->RoomCount(), 2);
  EXPECT_TRUE(server->FindRoom("FIRSTRM")->Connected(1));
  EXPECT_FALSE(server->FindRoom("FIRSTRM")->Connected(2));
  EXPECT_FALSE(server->FindRoom("SECONDRM")->Connected(2));
}

// Names count characters, not UTF-16 units: 𠮷田 joins and is shown to the others and in
// the record; 24 characters outside the BMP are a name, 25 are not, nor is a name with a
// lone surrogate (a JSON escape).
TEST(ServerLimits, ANameIsCountedInCharacters) {
  const auto server = Listening({});
  RoomOptions ro;
  for (int s = 0; s <= 4; ++s) ro.person[s] = s == 1 || s == 2;
  ro.level = 1;
  ro.hostSeat = 1;
  ASSERT_TRUE(server->OpenRoom("NAMESRM", ro));
  const QString yoshi = QString::fromUtf8("\U00020BB7"), yoshida = yoshi + QString::fromUtf8("田");
  Client one;
  QObject::connect(&one, &Client::connected, [&] { one.Hello("NAMESRM", yoshida, 1); });
  one.Open(Local(server->Port()));
  ASSERT_TRUE(WaitFor([&] { return one.Welcomed(); }));
  Bare two(server->Port());
  ASSERT_TRUE(WaitFor([&] { return two.ws.state() == QAbstractSocket::ConnectedState; }));
  auto hello = [](const QString& name) {
    return Serialize({{"t", "hello"}, {"v", 1}, {"room", "NAMESRM"}, {"seat", 2}, {"name", name}});
  };
  two.ws.sendTextMessage(hello(yoshi.repeated(25)));
  two.ws.sendTextMessage(R"({"t":"hello","v":1,"room":"NAMESRM","seat":2,"name":"a\ud842b"})");
  two.ws.sendTextMessage(hello(yoshi.repeated(24)));
  ASSERT_TRUE(WaitFor([&] { return two.answers.size() >= 4 || two.closed; }));
  const std::vector<QString> said = two.Said();
  ASSERT_GE(said.size(), 3u);
  EXPECT_EQ(std::vector<QString>(said.begin(), said.begin() + 3),
            (std::vector<QString>{"malformed", "malformed", "welcome"}));
  EXPECT_EQ(two.answers[2].value("seats").toArray().at(0).toObject().value("name").toString(),
            yoshida);
  ASSERT_TRUE(WaitFor([&] { return one.Seats().size() >= 2 && one.Seats()[1].connected; }));
  EXPECT_EQ(one.Seats()[1].name, yoshi.repeated(24));
  const std::string record = server->FindRoom("NAMESRM")->Record();
  EXPECT_NE(record.find("# 下: \U00020BB7田\n"), std::string::npos) << record;
}

// A room its host closes ends every connection to it within a bounded time: each player
// and watcher gets `closed`, then the close (1000, "room closed"); no player comes back by
// itself, and the room is dropped once everyone is gone.
TEST(NetworkGame, ARoomItsHostClosesClosesEveryConnection) {
  Table t({1, 2, 3, 4}, {}, 14);
  Bare watcher(t.server->Port());
  ASSERT_TRUE(WaitFor([&] { return watcher.ws.state() == QAbstractSocket::ConnectedState; }));
  watcher.ws.sendTextMessage(Serialize({{"t", "watch"}, {"v", 2}, {"room", "TESTROOM"}}));
  ASSERT_TRUE(WaitFor([&] { return t.server->WatcherCount("TESTROOM") == 1; }));
  int comebacks = 0;
  for (int s = 1; s <= 4; ++s) {
    t.clients[s]->KeepSeat(8);
    QObject::connect(t.clients[s].get(), &Client::reconnecting, [&] { ++comebacks; });
  }
  t.Start(1);
  ASSERT_TRUE(WaitFor([&] { return t.clients[1]->Over(); }));
  t.clients[1]->Again(false);
  for (int s = 1; s <= 4; ++s)
    EXPECT_TRUE(WaitFor([&] { return t.clients[s]->Closed() && !t.clients[s]->IsOpen(); }, 3000))
        << s;
  ASSERT_TRUE(WaitFor([&] { return watcher.closed; }, 3000));
  EXPECT_EQ(watcher.ws.closeCode(), QWebSocketProtocol::CloseCodeNormal);
  EXPECT_EQ(watcher.ws.closeReason(), "room closed");
  EXPECT_EQ(watcher.Said().back(), "closed");
  EXPECT_TRUE(WaitFor([&] { return t.server->ConnectionCount() == 0; }, 3000));
  EXPECT_TRUE(WaitFor([&] { return t.server->RoomCount() == 0; }, 3000));
  WaitFor([] { return false; }, 600);  // longer than a client's first wait before coming back
  EXPECT_EQ(comebacks, 0);
  EXPECT_EQ(t.server->ConnectionCount(), 0);
}

// With the server's own limits: a burst of pings is answered by at most 40 pongs and 20
// more a second, however long the answers took, and the rest refused.
TEST(ServerLimits, TheDefaultBucketHolds40AndRefills20ASecond) {
  const auto server = Listening({});
  QElapsedTimer since;
  since.start();  // before the connection: its bucket cannot have filled any earlier
  Bare c(server->Port());
  ASSERT_TRUE(WaitFor([&] { return c.ws.state() == QAbstractSocket::ConnectedState; }));
  for (int i = 0; i < 200; ++i) c.ws.sendTextMessage(Ping(20));
  ASSERT_TRUE(WaitFor([&] { return c.answers.size() >= 200 || c.closed; }, 20000));
  WaitFor([] { return false; }, 50);
  const double seconds = static_cast<double>(since.elapsed()) / 1000;
  const auto said = c.Said();
  const auto pongs = std::count(said.begin(), said.end(), "pong");
  EXPECT_GE(pongs, 40);
  EXPECT_LE(static_cast<double>(pongs), 40 + 20 * seconds + 1) << seconds << " s";
  EXPECT_EQ(static_cast<long>(said.size()) - pongs,
            std::count(said.begin(), said.end(), "rate") + (c.closed ? 1 : 0));
}

}  // namespace
}  // namespace korvel::net
