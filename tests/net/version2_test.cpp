// Version 2 of the protocol over real WebSockets on 127.0.0.1: the position and the legal
// moves (exactly what the authority's door accepts, and only for the seat to move), a
// version-1 connection's bytes unchanged beside version-2 players and watchers, the
// watchers' bound and refusals, the /ws path, and the Origin check of browser connections.
// Every wait is bounded.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QRegularExpression>
#include <QWebSocket>
#include <memory>
#include <set>
#include <tuple>

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

// A connection that keeps every text it is sent.
struct Wire {
  QWebSocket ws;
  std::vector<QString> texts;
  bool closed = false;
  int closeCode = 0;

  Wire(quint16 port, const QString& path = "/", const QString& origin = QString())
      : ws(origin) {
    QObject::connect(&ws, &QWebSocket::textMessageReceived,
                     [this](const QString& t) { texts.push_back(t); });
    QObject::connect(&ws, &QWebSocket::disconnected, [this] {
      closed = true;
      closeCode = ws.closeCode();
    });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
  }
  bool Up() {
    return WaitFor([this] { return ws.state() == QAbstractSocket::ConnectedState || closed; }) &&
           !closed;
  }
  void Send(const QJsonObject& o) { ws.sendTextMessage(Serialize(o)); }
  std::vector<QJsonObject> All(const QString& type) const {
    std::vector<QJsonObject> out;
    for (const QString& t : texts) {
      const QJsonObject o = QJsonDocument::fromJson(t.toUtf8()).object();
      if (o.value("t").toString() == type) out.push_back(o);
    }
    return out;
  }
  QJsonObject Last(const QString& type) const {
    const auto all = All(type);
    return all.empty() ? QJsonObject{} : all.back();
  }
  bool Await(const QString& type, size_t count = 1) {
    return WaitFor([&] { return All(type).size() >= count; });
  }
};

std::unique_ptr<Server> Listening(ServerOptions so = {}) {
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.pauseSeconds = 0;
  auto server = std::make_unique<Server>(so);
  QString error;
  EXPECT_TRUE(server->Listen(&error)) << error.toStdString();
  return server;
}

Room* FourPeople(Server& server, const QString& code = "VTWOROOM") {
  RoomOptions ro;
  ro.hostSeat = 1;
  ro.level = 1;
  return server.OpenRoom(code, ro);
}

QJsonObject Hello(int v, int seat, const QString& room = "VTWOROOM") {
  return {{"t", "hello"}, {"v", v}, {"room", room}, {"seat", seat},
          {"name", QStringLiteral("P%1").arg(seat)}};
}

// What the door accepts from `seat` now, tried move by move on a fresh copy of the game:
// (from x, from y, to x, to y, promote) for every origin (board squares and all sixteen
// hand cells) and every destination.
std::set<std::tuple<int, int, int, int, bool>> Accepted(const Game& game, int seat) {
  std::set<std::tuple<int, int, int, int, bool>> out;
  std::vector<Square> origins;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) origins.push_back({x, y});
  for (int s = 1; s <= 4; ++s)
    for (int k = 1; k <= 4; ++k) origins.push_back(HandCellOf(s, k));
  for (const Square from : origins)
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y)
        for (const bool promote : {false, true}) {
          Game copy = game;
          Turn t;
          t.seat = seat;
          t.move = Room::IntendedMove(copy.State(), from, {x, y}, promote);
          if (ApplyTurn(copy, t)) out.insert({from.x, from.y, x, y, promote});
        }
  return out;
}

// The same read from a `legal` list (p 0: unpromoted, 1: promoted, 2: either).
std::set<std::tuple<int, int, int, int, bool>> Listed(const QJsonArray& legal) {
  std::set<std::tuple<int, int, int, int, bool>> out;
  for (const QJsonValue& v : legal) {
    const QJsonArray from = v.toObject().value("from").toArray();
    for (const QJsonValue& d : v.toObject().value("to").toArray()) {
      const QJsonArray to = d.toArray();
      const int p = to[2].toInt();
      const auto key = [&](bool promote) {
        return std::make_tuple(from[0].toInt(), from[1].toInt(), to[0].toInt(), to[1].toInt(),
                               promote);
      };
      if (p == 0 || p == 2) out.insert(key(false));
      if (p == 1 || p == 2) out.insert(key(true));
    }
  }
  return out;
}

// The position a version-2 message carries equals the authority's game.
void ExpectPositionOf(const QJsonObject& position, const Room& room) {
  const GameState& s = room.TheGame().State();
  EXPECT_EQ(position.value("n").toInt(), static_cast<int>(room.Turns().size()) + 1);
  int occupied = 0;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) occupied += s.Board[x][y].IsEmpty() ? 0 : 1;
  const QJsonArray board = position.value("board").toArray();
  EXPECT_EQ(board.size(), occupied);
  for (const QJsonValue& v : board) {
    const QJsonArray c = v.toArray();
    EXPECT_EQ(c[2].toDouble(), PieceJson(s.Board[c[0].toInt()][c[1].toInt()]));
  }
  const QJsonArray hands = position.value("hands").toArray();
  ASSERT_EQ(hands.size(), 16);
  for (const QJsonValue& v : hands) {
    const QJsonArray c = v.toArray();
    const int seat = c[4].toInt();
    EXPECT_EQ(HandCellSeat(c[0].toInt(), c[1].toInt()), seat);
    EXPECT_EQ(c[2].toDouble(), PieceJson(HandCellCode(c[0].toInt(), c[1].toInt())));
    EXPECT_EQ(c[3].toInt(), s.Hand[seat][HandCellSlot(c[0].toInt(), c[1].toInt())]);
  }
}

// Plays the room's game on by the seat to move's wire (a level-1 choice on the authority's
// game, the same for the same game) until it has `turns` turns.
void PlayTo(Room& room, Wire* wires[5], size_t turns) {
  while (room.Turns().size() < turns && !room.Over()) {
    const int seat = room.TheGame().State().CurrentSeat;
    std::uint64_t rng = 5;
    const auto m = ChooseOwnMove(room.TheGame(), 1, rng);
    ASSERT_TRUE(m);
    const size_t before = room.Turns().size();
    wires[seat]->Send(QJsonObject{{"t", "move"},
                                  {"n", static_cast<int>(before) + 1},
                                  {"from", SquareJson(m->fromX, m->fromY)},
                                  {"to", SquareJson(m->toX, m->toY)},
                                  {"promote", m->Promotes()}});
    ASSERT_TRUE(WaitFor([&] { return room.Turns().size() > before; }));
  }
}

TEST(Version2, PositionEveryTimeAndLegalMovesOnlyToTheSeatToMove) {
  auto server = Listening();
  Room* room = FourPeople(*server);
  Wire one(server->Port()), two(server->Port(), "/ws?room=VTWOROOM"), three(server->Port()),
      four(server->Port());
  Wire* wires[5] = {nullptr, &one, &two, &three, &four};
  for (int s = 1; s <= 4; ++s) {
    ASSERT_TRUE(wires[s]->Up());
    wires[s]->Send(Hello(s == 3 ? 1 : 2, s));  // seat 3 speaks version 1
    ASSERT_TRUE(wires[s]->Await("welcome"));
  }
  // Before the game: the position (the initial one), nobody to move, no legal moves.
  const QJsonObject w = one.Last("welcome");
  EXPECT_EQ(w.value("v").toInt(), 2);
  EXPECT_EQ(w.value("position").toObject().value("toMove").toInt(), 0);
  EXPECT_FALSE(w.contains("legal"));
  EXPECT_FALSE(three.Last("welcome").contains("position"));
  EXPECT_EQ(three.Last("welcome").value("v").toInt(), 1);
  one.Send({{"t", "start"}});
  for (Wire* x : {&one, &two, &three, &four}) ASSERT_TRUE(x->Await("start"));
  // Seat 1 is to move: the list is its alone, and is exactly what the door accepts.
  const QJsonObject start = one.Last("start");
  ExpectPositionOf(start.value("position").toObject(), *room);
  EXPECT_EQ(start.value("position").toObject().value("toMove").toInt(), 1);
  EXPECT_EQ(start.value("position").toObject().value("last"), QJsonValue(QJsonValue::Null));
  EXPECT_EQ(Listed(start.value("legal").toArray()), Accepted(room->TheGame(), 1));
  EXPECT_FALSE(Listed(start.value("legal").toArray()).empty());
  EXPECT_FALSE(two.Last("start").contains("legal"));
  EXPECT_TRUE(two.Last("start").contains("position"));
  EXPECT_FALSE(three.Last("start").contains("position"));
  // After each turn: everyone's position is the game's, the last move is marked, and the
  // new seat to move alone gets its list, the door's own.
  for (size_t n = 1; n <= 24 && !room->Over(); ++n) {
    PlayTo(*room, wires, n);
    for (Wire* x : {&one, &two, &four}) ASSERT_TRUE(x->Await("moved", n));
    const int toMove = room->TheGame().State().CurrentSeat;
    for (int s : {1, 2, 4}) {
      const QJsonObject moved = wires[s]->All("moved")[n - 1];
      const QJsonObject position = moved.value("position").toObject();
      ExpectPositionOf(position, *room);
      EXPECT_EQ(position.value("toMove").toInt(), toMove);
      const Game::Turn& last = room->Turns().back();
      EXPECT_EQ(position.value("last").toObject().value("to").toArray(),
                SquareJson(last.move.toX, last.move.toY));
      EXPECT_EQ(position.value("check").toInt(), moved.value("check").toInt());
      if (s == toMove)
        EXPECT_EQ(Listed(moved.value("legal").toArray()), Accepted(room->TheGame(), s)) << n;
      else
        EXPECT_FALSE(moved.contains("legal")) << n << " " << s;
    }
    EXPECT_FALSE(three.All("moved").empty() ? false : three.All("moved").back().contains("position"));
  }
}

// Every turn a version-1 connection was sent is the same text, byte for byte, whether or
// not version-2 players are in the room (the tokens aside, which are random); a watcher adds
// only the `room` messages that say how many watch.
TEST(Version2, VersionOneBytesUnchangedBesideVersionTwo) {
  auto run = [](bool withVersion2, bool withWatcher) {
    auto server = Listening();
    Room* room = FourPeople(*server);
    Wire one(server->Port()), two(server->Port()), three(server->Port()), four(server->Port());
    Wire* wires[5] = {nullptr, &one, &two, &three, &four};
    for (int s = 1; s <= 4; ++s) {
      EXPECT_TRUE(wires[s]->Up());
      wires[s]->Send(Hello(withVersion2 && s != 1 ? 2 : 1, s));
      EXPECT_TRUE(wires[s]->Await("welcome"));
    }
    std::unique_ptr<Wire> watcher;
    if (withWatcher) {
      watcher = std::make_unique<Wire>(server->Port());
      EXPECT_TRUE(watcher->Up());
      watcher->Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
      EXPECT_TRUE(watcher->Await("welcome"));
    }
    one.Send({{"t", "start"}});
    EXPECT_TRUE(one.Await("start"));
    PlayTo(*room, wires, 30);
    const size_t turns = room->Turns().size();
    EXPECT_TRUE(one.Await("moved", turns));
    if (watcher) {
      EXPECT_TRUE(watcher->Await("moved", turns));
    }
    // A refusal and a ping too.
    wires[room->TheGame().State().CurrentSeat % 4 + 1]->Send(QJsonObject{
        {"t", "move"}, {"n", 1}, {"from", SquareJson(1, 1)}, {"to", SquareJson(1, 2)}});
    one.Send({{"t", "ping"}});
    EXPECT_TRUE(one.Await("pong"));
    QStringList texts;
    for (QString t : one.texts)
      texts << t.replace(QRegularExpression("\"token\":\"[0-9a-f]{32}\""), "\"token\":\"-\"");
    return texts;
  };
  const QStringList alone = run(false, false);
  EXPECT_GT(alone.size(), 30);
  EXPECT_EQ(alone, run(true, false));
  for (const QString& t : alone) {
    EXPECT_FALSE(t.contains("\"position\"")) << t.toStdString();
    EXPECT_FALSE(t.contains("\"watchers\"")) << t.toStdString();
  }
  // With a watcher: one `room` more, with the count, and nothing else changed.
  QStringList watched = run(true, true);
  const QStringList counts = watched.filter("\"watchers\"");
  ASSERT_EQ(counts.size(), 1);
  const QJsonObject count = QJsonDocument::fromJson(counts[0].toUtf8()).object();
  EXPECT_EQ(count.value("t").toString(), "room");
  EXPECT_EQ(count.value("watchers").toInt(), 1);
  watched.removeAll(counts[0]);
  EXPECT_EQ(alone, watched);
}

TEST(Version2, WatchersSeeEverythingSendNothingAndAreBounded) {
  auto server = Listening();
  Room* room = FourPeople(*server);
  Wire one(server->Port()), two(server->Port());
  ASSERT_TRUE(one.Up() && two.Up());
  one.Send(Hello(2, 1));
  ASSERT_TRUE(one.Await("welcome"));
  // A watcher: seat 0, no token, the position; the players see how many watch.
  Wire eye(server->Port(), "/ws?room=VTWOROOM");
  ASSERT_TRUE(eye.Up());
  eye.Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
  ASSERT_TRUE(eye.Await("welcome"));
  const QJsonObject w = eye.Last("welcome");
  EXPECT_EQ(w.value("seat").toInt(), 0);
  EXPECT_FALSE(w.contains("token"));
  EXPECT_TRUE(w.contains("position"));
  EXPECT_EQ(w.value("watchers").toInt(), 1);
  ASSERT_TRUE(WaitFor([&] { return one.Last("room").value("watchers").toInt() == 1; }));
  EXPECT_EQ(server->WatcherCount("VTWOROOM"), 1);
  // A watcher is no player: not the host, not a seat that start waits for.
  two.Send(Hello(1, 2));
  ASSERT_TRUE(two.Await("welcome"));
  one.Send({{"t", "start"}});
  ASSERT_TRUE(one.Await("refused"));
  EXPECT_EQ(one.Last("refused").value("code").toString(), "seats");
  EXPECT_FALSE(room->Started());
  // Everything a watcher sends but ping is refused as a watcher's.
  for (const QJsonObject& m :
       {QJsonObject{{"t", "start"}}, QJsonObject{{"t", "give"}, {"seat", 3}},
        QJsonObject{{"t", "move"}, {"n", 1}, {"from", SquareJson(5, 9)}, {"to", SquareJson(5, 8)}},
        Hello(2, 3), QJsonObject{{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}},
        QJsonObject{{"t", "again"}, {"yes", true}}})
    eye.Send(m);
  ASSERT_TRUE(eye.Await("refused", 6));
  for (const QJsonObject& r : eye.All("refused")) {
    EXPECT_EQ(r.value("code").toString(), "watcher");
    EXPECT_EQ(r.value("text").toString(), QStringLiteral("観戦中です"));
  }
  eye.Send({{"t", "ping"}});
  ASSERT_TRUE(eye.Await("pong"));
  EXPECT_FALSE(room->IsPersonSeat(0));
  EXPECT_FALSE(room->Connected(3));
  // A game the watcher sees turn by turn, never with legal moves.
  Wire three(server->Port()), four(server->Port());
  ASSERT_TRUE(three.Up() && four.Up());
  three.Send(Hello(1, 3));
  four.Send(Hello(1, 4));
  ASSERT_TRUE(three.Await("welcome") && four.Await("welcome"));
  one.Send({{"t", "start"}});
  ASSERT_TRUE(eye.Await("start"));
  Wire* wires[5] = {nullptr, &one, &two, &three, &four};
  PlayTo(*room, wires, 8);
  ASSERT_TRUE(eye.Await("moved", room->Turns().size()));
  for (const QJsonObject& m : eye.All("moved")) {
    EXPECT_FALSE(m.contains("legal"));
    EXPECT_TRUE(m.contains("position"));
  }
  EXPECT_TRUE(eye.All("ask").empty());
  // Version 1 cannot watch.
  Wire old(server->Port());
  ASSERT_TRUE(old.Up());
  old.Send({{"t", "watch"}, {"v", 1}, {"room", "VTWOROOM"}});
  ASSERT_TRUE(old.Await("error"));
  EXPECT_EQ(old.Last("error").value("code").toString(), "version");
  // At most kMaxWatchers: the next is told `watchers` and closed.
  std::vector<std::unique_ptr<Wire>> crowd;
  for (int i = 1; i < kMaxWatchers; ++i) {
    crowd.push_back(std::make_unique<Wire>(server->Port()));
    ASSERT_TRUE(crowd.back()->Up());
    crowd.back()->Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
  }
  for (auto& c : crowd) ASSERT_TRUE(c->Await("welcome"));
  EXPECT_EQ(server->WatcherCount("VTWOROOM"), kMaxWatchers);
  Wire late(server->Port());
  ASSERT_TRUE(late.Up());
  late.Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
  ASSERT_TRUE(late.Await("error"));
  EXPECT_EQ(late.Last("error").value("code").toString(), "watchers");
  ASSERT_TRUE(WaitFor([&] { return late.closed; }));
  // One leaves: the count follows, and another may come.
  crowd.pop_back();
  ASSERT_TRUE(WaitFor([&] { return server->WatcherCount("VTWOROOM") == kMaxWatchers - 1; }));
  ASSERT_TRUE(WaitFor([&] {
    return one.Last("room").value("watchers").toInt() == kMaxWatchers - 1;
  }));
  Wire again(server->Port());
  ASSERT_TRUE(again.Up());
  again.Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
  ASSERT_TRUE(again.Await("welcome"));
  // Seats 3 and 4 speak version 1: the count reaches them in `room`, never a position.
  ASSERT_TRUE(WaitFor([&] { return three.Last("room").value("watchers").toInt() == kMaxWatchers; }));
  for (const QString& t : three.texts) EXPECT_FALSE(t.contains("\"position\""));
}

// The program's own client speaks version 1 as a player and still learns how many watch:
// from the `room` each coming and going sends, and from a welcome while anyone watches.
TEST(Version2, APlayerOfVersionOneIsToldHowManyWatch) {
  auto server = Listening();
  FourPeople(*server);
  const QUrl url(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port()));
  Client one;
  QObject::connect(&one, &Client::connected, [&] { one.Hello("VTWOROOM", "P1", 1); });
  one.Open(url);
  ASSERT_TRUE(WaitFor([&] { return one.Welcomed(); }));
  EXPECT_EQ(one.Watchers(), 0);
  Wire eye(server->Port()), eye2(server->Port());
  for (Wire* w : {&eye, &eye2}) {
    ASSERT_TRUE(w->Up());
    w->Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
    ASSERT_TRUE(w->Await("welcome"));
  }
  EXPECT_TRUE(WaitFor([&] { return one.Watchers() == 2; }));
  eye2.ws.close();
  EXPECT_TRUE(WaitFor([&] { return one.Watchers() == 1; }));
  // A player who arrives while one watches is told at once.
  Client two;
  QObject::connect(&two, &Client::connected, [&] { two.Hello("VTWOROOM", "P2", 2); });
  two.Open(url);
  ASSERT_TRUE(WaitFor([&] { return two.Welcomed(); }));
  EXPECT_EQ(two.Watchers(), 1);
  // The last watcher gone: 0, and the next `room` (nothing of watchers in it) keeps 0.
  eye.ws.close();
  EXPECT_TRUE(WaitFor([&] { return one.Watchers() == 0 && two.Watchers() == 0; }));
}

TEST(Version2, BrowserOriginsMustBeThisServersOwn) {
  auto server = Listening();
  FourPeople(*server);
  const QString self = QStringLiteral("http://127.0.0.1:%1").arg(server->Port());
  auto joins = [&](const QString& origin, const QString& path = "/") {
    Wire w(server->Port(), path, origin);
    if (!w.Up()) return false;
    w.Send({{"t", "watch"}, {"v", 2}, {"room", "VTWOROOM"}});
    return w.Await("welcome") && !w.closed;
  };
  EXPECT_TRUE(joins(QString()));  // no Origin: the window, the clients
  EXPECT_TRUE(joins(self));
  EXPECT_TRUE(joins(self, "/ws?room=VTWOROOM"));
  EXPECT_EQ(server->OriginsRefused(), 0);
  for (const QString& other :
       {QStringLiteral("http://example.com"), QStringLiteral("https://127.0.0.1:%1").arg(server->Port()),
        QStringLiteral("http://127.0.0.1:%1").arg(server->Port() + 1), QStringLiteral("http://127.0.0.1"),
        QStringLiteral("http://localhost:%1").arg(server->Port()), QStringLiteral("null")}) {
    Wire w(server->Port(), "/", other);
    w.Up();
    ASSERT_TRUE(WaitFor([&] { return w.closed; })) << other.toStdString();
    EXPECT_TRUE(w.texts.empty()) << other.toStdString();
  }
  EXPECT_EQ(server->OriginsRefused(), 6);
  // The rule itself: scheme by TLS, host case-insensitive, default ports.
  const QUrl plain("ws://Example.org/ws?room=AB"), tls("wss://example.org:8443/");
  EXPECT_TRUE(Server::SameOrigin("http://example.org", plain, false));
  EXPECT_TRUE(Server::SameOrigin("http://EXAMPLE.org:80", plain, false));
  EXPECT_FALSE(Server::SameOrigin("https://example.org", plain, false));
  EXPECT_TRUE(Server::SameOrigin("https://example.org:8443", tls, true));
  EXPECT_FALSE(Server::SameOrigin("https://example.org", tls, true));
  EXPECT_FALSE(Server::SameOrigin("http://example.org:8443", tls, true));
  EXPECT_FALSE(Server::SameOrigin("http://example.org/page", plain, false));
}

}  // namespace
}  // namespace korvel::net

namespace korvel::net {
namespace {

// 下 to move with a silver that may promote or not, a pawn and two golds in hand.
const char* kSetPosition =
    "Korvel4人将棋 棋譜 1\n"
    "対局: 四人対局\n下: 人\n左: 人\n上: 人\n右: 人\n"
    "盤: ・ ・ ・ ・ 上王 ・ ・ ・ ・\n"
    "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
    "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
    "盤: ・ ・ 下銀 ・ ・ ・ ・ ・ ・\n"
    "盤: 左王 ・ ・ ・ 下と ・ ・ ・ 右王\n"
    "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
    "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
    "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
    "盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・\n"
    "持駒: 下 歩1 銀0 金2 飛0\n"
    "手番: 下\n";

Game Read(const std::string& text) {
  const RecordReading r = ReadRecord(text);
  EXPECT_TRUE(r.record) << r.error.Text();
  return r.record ? r.record->game : Game();
}

TEST(FromRecord, ASetPositionGoesOnForVersionTwoWithTheDoorsOwnChoices) {
  auto server = Listening();
  Room* room = FourPeople(*server, "FROMSET1");
  QString why;
  ASSERT_TRUE(room->ContinueFrom(Read(kSetPosition), "", &why)) << why.toStdString();
  EXPECT_TRUE(room->Started());
  EXPECT_FALSE(room->FollowableByVersion1());
  // Version 1 cannot follow a game that did not begin at the standard start.
  Wire old(server->Port());
  ASSERT_TRUE(old.Up());
  old.Send(Hello(1, 2, "FROMSET1"));
  ASSERT_TRUE(old.Await("error"));
  EXPECT_EQ(old.Last("error").value("code").toString(), "version");
  // Version 2: the position, and 下's moves: a silver that chooses, drops from its hand.
  Wire one(server->Port());
  ASSERT_TRUE(one.Up());
  one.Send(Hello(2, 1, "FROMSET1"));
  ASSERT_TRUE(one.Await("welcome"));
  const QJsonObject w = one.Last("welcome");
  ExpectPositionOf(w.value("position").toObject(), *room);
  EXPECT_EQ(w.value("position").toObject().value("toMove").toInt(), 1);
  const QJsonArray legal = w.value("legal").toArray();
  EXPECT_EQ(Listed(legal), Accepted(room->TheGame(), 1));
  bool choice = false, drop = false, mustNot = false;
  for (const QJsonValue& v : legal) {
    const QJsonArray from = v.toObject().value("from").toArray();
    if (!OnBoard(from[0].toInt(), from[1].toInt())) drop = true;
    for (const QJsonValue& d : v.toObject().value("to").toArray()) {
      choice = choice || d.toArray()[2].toInt() == 2;
      mustNot = mustNot || d.toArray()[2].toInt() == 0;
    }
  }
  EXPECT_TRUE(choice);
  EXPECT_TRUE(drop);
  EXPECT_TRUE(mustNot);
  // A drop from the list is played, and the position follows it.
  QJsonObject pick;
  for (const QJsonValue& v : legal)
    if (!OnBoard(v.toObject().value("from").toArray()[0].toInt(), 1)) pick = v.toObject();
  const QJsonArray to = pick.value("to").toArray()[0].toArray();
  one.Send(QJsonObject{{"t", "move"}, {"n", 1}, {"from", pick.value("from")},
                       {"to", SquareJson(to[0].toInt(), to[1].toInt())}, {"promote", false}});
  ASSERT_TRUE(one.Await("moved"));
  const QJsonObject moved = one.Last("moved");
  ExpectPositionOf(moved.value("position").toObject(), *room);
  EXPECT_EQ(moved.value("position").toObject().value("last").toObject().value("from"),
            pick.value("from"));
  EXPECT_FALSE(moved.contains("legal"));  // seat 2 is to move now
}

TEST(FromRecord, AGameFromTheStandardStartGoesOnForEveryClient) {
  // A game played a little, kept as the authority writes it.
  auto first = Listening();
  Room* played = FourPeople(*first, "FROMSTD1");
  Wire one(first->Port()), two(first->Port()), three(first->Port()), four(first->Port());
  Wire* wires[5] = {nullptr, &one, &two, &three, &four};
  for (int s = 1; s <= 4; ++s) {
    ASSERT_TRUE(wires[s]->Up());
    wires[s]->Send(Hello(1, s, "FROMSTD1"));
    ASSERT_TRUE(wires[s]->Await("welcome"));
  }
  one.Send({{"t", "start"}});
  ASSERT_TRUE(one.Await("start"));
  PlayTo(*played, wires, 13);
  const std::string record = played->Record();

  auto server = Listening();
  RoomOptions ro;
  ro.person[2] = ro.person[4] = false;  // the computer goes on for two seats
  ro.level = 1;
  ro.hostSeat = 1;
  Room* room = server->OpenRoom("FROMSTD2", ro);
  QString why;
  ASSERT_TRUE(room->ContinueFrom(Read(record), "", &why)) << why.toStdString();
  EXPECT_TRUE(room->FollowableByVersion1());
  // The same position and turns (a record does not say which door played a turn).
  EXPECT_TRUE(KeyOf(room->TheGame().State()) == KeyOf(played->TheGame().State()));
  ASSERT_EQ(room->Turns().size(), played->Turns().size());
  EXPECT_TRUE(room->IsPersonSeat(1));
  EXPECT_FALSE(room->IsPersonSeat(2));
  // A version-1 player rebuilds the same game from the turns, and the game goes on.
  Client again;
  QObject::connect(&again, &Client::connected, [&again] { again.Hello("FROMSTD2", "P3", 3); });
  again.Open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server->Port())));
  ASSERT_TRUE(WaitFor([&] { return again.Welcomed(); }));
  EXPECT_TRUE(again.Started());
  // The computer seats may move on at once: compare when the player has heard every turn.
  ASSERT_TRUE(WaitFor([&] {
    return !room->ComputerToMove() && again.Turns().size() == room->Turns().size();
  }));
  EXPECT_FALSE(again.Desynced());
  EXPECT_TRUE(KeyOf(again.TheGame().State()) == KeyOf(room->TheGame().State()));
  // A finished game, and one standing before moves taken back, are refused.
  Game ended = Read(record);
  ended.EndByRepetition(NO_SEAT);
  Room* other = server->OpenRoom("FROMEND1", ro);
  EXPECT_FALSE(other->ContinueFrom(ended, "", &why));
  EXPECT_FALSE(why.isEmpty());
  Game back = Read(record);
  back.StepBack();
  EXPECT_FALSE(other->ContinueFrom(back, "", &why));
  EXPECT_FALSE(other->Started());
}

}  // namespace
}  // namespace korvel::net
