// The client against an authority the test speaks for, on 127.0.0.1: every message is
// taken into the copy before it is told, as typed signals any number of listeners hear,
// and an announced turn the copy cannot follow stops the copy instead of changing it.
// Every wait is bounded.
#include "net/client.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QWebSocket>
#include <QWebSocketServer>
#include <functional>
#include <memory>

#include "net/protocol.h"
#include "play/repetition.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

using testing::WaitFor;

// Says what the test tells it to, to the one client that connects.
class Authority {
 public:
  Authority() : server_(QStringLiteral("test"), QWebSocketServer::NonSecureMode) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QWebSocketServer::newConnection, [this] {
      socket_.reset(server_.nextPendingConnection());
      QObject::connect(socket_.get(), &QWebSocket::textMessageReceived,
                       [this](const QString& text) { heard.push_back(text); });
    });
  }
  QUrl Url() const { return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server_.serverPort())); }
  void Say(const QJsonObject& msg) { socket_->sendTextMessage(Serialize(msg)); }

  std::vector<QString> heard;

 private:
  QWebSocketServer server_;
  std::unique_ptr<QWebSocket> socket_;
};

// Three people and a computer at seat 4; seat 3's player has joined, and is away unless
// `allHere`.
QJsonArray Seats(bool allHere = false) {
  QJsonArray seats;
  for (int seat = 1; seat <= 4; ++seat)
    seats.append(QJsonObject{{"seat", seat},
                             {"kind", seat == 4 ? "computer" : "person"},
                             {"name", QStringLiteral("P%1").arg(seat)},
                             {"joined", seat != 4},
                             {"connected", seat != 4 && (seat != 3 || allHere)}});
  return seats;
}

QJsonObject Welcome(int seat, bool started, const QJsonArray& turns = {}) {
  return {{"t", "welcome"},
          {"v", 1},
          {"room", "ROOM0001"},
          {"seat", seat},
          {"token", QString(32, QChar('b'))},
          {"host", 1},
          {"level", 1},
          {"seats", Seats()},
          {"started", started},
          {"over", false},
          {"turns", turns}};
}

const QJsonObject kStart{{"t", "start"}, {"level", 1}, {"seats", Seats()}, {"toMove", 1}};

Turn PersonTurn(int seat, Move m, int next) {
  Turn t;
  t.seat = seat;
  t.move = m;
  t.next = next;
  return t;
}

QJsonObject Moved(int n, const QJsonObject& turn, PieceCode captured = EMPTY) {
  return {{"t", "moved"}, {"n", n},       {"turn", turn}, {"captured", PieceJson(captured)},
          {"check", 0},   {"mate", false}};
}

// The first turn of every game here: SITA's pawn forward, HIDARI to move.
const Turn kFirst = PersonTurn(SITA, {5, 7, 5, 6, 11_pc, 11_pc}, HIDARI);
// HIDARI's pawn forward: the second turn.
const Turn kSecond = PersonTurn(HIDARI, {3, 5, 4, 5, 21_pc, 21_pc}, UE);

// A client in the room for seat `seat`, its hello heard by the authority.
std::unique_ptr<Client> Joined(Authority& authority, int seat) {
  auto c = std::make_unique<Client>();
  Client* p = c.get();
  QObject::connect(p, &Client::connected, p, [p, seat] { p->Hello("ROOM0001", "Me", seat); });
  p->Open(authority.Url());
  EXPECT_TRUE(WaitFor([&] { return !authority.heard.empty(); }));
  return c;
}

// Says `msg`, then a notice, and waits for the notice: `msg` has been taken in by then.
void SayAndSettle(Authority& authority, Client& c, const QJsonObject& msg) {
  const auto notices = c.Notices().size();
  authority.Say(msg);
  authority.Say({{"t", "notice"}, {"code", "back"}, {"text", "-"}, {"seat", 0}});
  EXPECT_TRUE(WaitFor([&] { return c.Notices().size() > notices; }));
}

// The copy follows only what the rules let it follow: a turn out of order, for the seat
// that is not to move, a person's move the rules forbid, a turn that cannot be read, or a
// welcome whose game cannot be replayed leaves the copy where it was, marked as lost and
// told once; it no longer offers its player a turn.
TEST(ClientCopy, AnnouncedTurnsItCannotFollowStopTheCopy) {
  Game afterFirst;
  const bool people[5] = {false, true, true, true, false};
  StartNetGame(afterFirst, people, 1);
  ASSERT_TRUE(ApplyTurn(afterFirst, kFirst));
  const PositionKey expected = KeyOf(afterFirst.State());

  struct Case {
    const char* what;
    QJsonObject said;
  };
  Turn computerOutOfTurn = PersonTurn(UE, {5, 3, 5, 4, 31_pc, 31_pc}, MIGI);
  computerOutOfTurn.byComputer = true;
  Turn passOutOfTurn;
  passOutOfTurn.seat = UE;
  passOutOfTurn.pass = true;
  passOutOfTurn.next = MIGI;
  QJsonObject unreadable = TurnJson(kSecond);
  unreadable.remove("by");
  const Case cases[] = {
      {"a turn out of order", Moved(3, TurnJson(kSecond))},
      {"a turn for the seat not to move",
       Moved(2, TurnJson(PersonTurn(UE, {5, 3, 5, 4, 31_pc, 31_pc}, MIGI)))},
      {"a computer's turn for the seat not to move", Moved(2, TurnJson(computerOutOfTurn))},
      {"a pass for the seat not to move", Moved(2, TurnJson(passOutOfTurn))},
      {"a pawn two squares forward",
       Moved(2, TurnJson(PersonTurn(HIDARI, {3, 5, 5, 5, 21_pc, 21_pc}, UE)))},
      {"a turn that cannot be read", Moved(2, unreadable)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Authority authority;
    auto c = Joined(authority, HIDARI);
    int lost = 0;
    QObject::connect(c.get(), &Client::desynced, [&] { ++lost; });
    authority.Say(Welcome(HIDARI, false));
    authority.Say(kStart);
    SayAndSettle(authority, *c, Moved(1, TurnJson(kFirst)));
    ASSERT_TRUE(c->MyTurn());
    ASSERT_FALSE(c->Desynced());

    SayAndSettle(authority, *c, k.said);
    EXPECT_TRUE(c->Desynced());
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(c->Turns().size(), 1u);
    EXPECT_TRUE(KeyOf(c->TheGame().State()) == expected);
    EXPECT_FALSE(c->MyTurn());
    // What comes after does not bring it back, nor is it told again.
    SayAndSettle(authority, *c, Moved(2, TurnJson(kSecond)));
    EXPECT_TRUE(c->Desynced());
    EXPECT_EQ(lost, 1);
  }

  // Coming back to a game whose turns cannot be replayed.
  Authority authority;
  auto c = Joined(authority, HIDARI);
  QJsonArray turns{TurnJson(kFirst), TurnJson(kFirst)};
  SayAndSettle(authority, *c, Welcome(HIDARI, true, turns));
  EXPECT_TRUE(c->Welcomed());
  EXPECT_TRUE(c->Desynced());
  EXPECT_EQ(c->Turns().size(), 1u);
  EXPECT_FALSE(c->MyTurn());
}

// A whole conversation: each message is told by its own signal with the values it
// carried, after the copy has taken it in, to every listener, and followed by `updated`
// (an error answer aside, which changes nothing of the game).
TEST(ClientCopy, EveryMessageIsToldTypedToEveryListenerAfterTheCopyTookItIn) {
  Authority authority;
  auto owned = Joined(authority, HIDARI);
  Client& c = *owned;
  std::vector<std::string> told;
  auto tell = [&told](const QString& line) { told.push_back(line.toStdString()); };
  QObject::connect(&c, &Client::welcomed,
                   [&](const QString& room, int seat, const QString& token, int host) {
                     tell(QStringLiteral("welcomed %1 %2 %3 %4 started=%5")
                              .arg(room)
                              .arg(seat)
                              .arg(token.left(4))
                              .arg(host)
                              .arg(static_cast<int>(c.Started())));
                   });
  QObject::connect(&c, &Client::roomChanged, [&](int host, const std::vector<SeatInfo>& seats) {
    QString line =
        QStringLiteral("room %1 filled=%2").arg(host).arg(static_cast<int>(c.SeatsFilled()));
    for (const SeatInfo& s : seats)
      line += QStringLiteral(" %1:%2:%3:%4%5")
                  .arg(s.seat)
                  .arg(s.Person()     ? "person"
                       : s.Computer() ? "computer"
                                      : "?")
                  .arg(s.name)
                  .arg(s.joined ? "j" : "-")
                  .arg(s.connected ? "c" : "-");
    tell(line);
  });
  QObject::connect(&c, &Client::started, [&](int level) {
    tell(QStringLiteral("started %1 turns=%2").arg(level).arg(c.Turns().size()));
  });
  QObject::connect(&c, &Client::moved, [&](int n, const Turn& turn, PieceCode captured) {
    tell(QStringLiteral("moved %1 seat=%2 captured=%3 copy=%4 toMove=%5")
             .arg(n)
             .arg(turn.seat)
             .arg(QString::fromStdString(captured.ToString()))
             .arg(c.Turns().size())
             .arg(c.TheGame().State().CurrentSeat));
  });
  int movedHeardByAnother = 0;
  QObject::connect(&c, &Client::moved, [&] { ++movedHeardByAnother; });
  QObject::connect(&c, &Client::noticed, [&](const QString& code, const QString& text, int seat) {
    tell(QStringLiteral("notice %1 %2 %3").arg(code, text).arg(seat));
  });
  QObject::connect(&c, &Client::refused, [&](const Refusal& r) {
    tell(QStringLiteral("refused %1 %2 %3").arg(r.code, r.text, r.detail));
  });
  QObject::connect(&c, &Client::errorReceived, [&](const ErrorReply& e) {
    tell(QStringLiteral("error %1 %2").arg(e.code, e.text));
  });
  QObject::connect(&c, &Client::over, [&](int winner, const QString& text) {
    tell(
        QStringLiteral("over %1 %2 copy=%3").arg(winner).arg(text).arg(static_cast<int>(c.Over())));
  });
  QObject::connect(&c, &Client::asked, [&](const QString& text) {
    tell(QStringLiteral("asked %1 %2").arg(text).arg(static_cast<int>(c.Asked())));
  });
  QObject::connect(&c, &Client::roomClosed, [&](const QString& text) {
    tell(QStringLiteral("closed %1 %2").arg(text).arg(static_cast<int>(c.Closed())));
  });
  QObject::connect(&c, &Client::updated, [&] { tell("updated"); });

  authority.Say(Welcome(HIDARI, false));
  authority.Say({{"t", "room"}, {"host", 1}, {"seats", Seats()}});
  authority.Say({{"t", "room"}, {"host", 1}, {"seats", Seats(true)}});
  authority.Say(kStart);
  authority.Say(Moved(1, TurnJson(kFirst)));
  authority.Say(Moved(2, TurnJson(kSecond), 31_pc));
  authority.Say({{"t", "notice"}, {"code", "check"}, {"text", "王手です"}, {"seat", 3}});
  authority.Say({{"t", "refused"}, {"code", "turn"}, {"text", "手番が違います"}, {"detail", "d"}});
  authority.Say({{"t", "error"}, {"code", "bad-message"}, {"text", "読めません"}});
  authority.Say({{"t", "over"}, {"winner", 1}, {"text", "先手組みの勝ちです"}});
  authority.Say({{"t", "ask"}, {"text", "続けますか？"}});
  authority.Say({{"t", "pong"}});
  authority.Say({{"t", "closed"}, {"text", "さようなら"}});
  ASSERT_TRUE(WaitFor([&] { return c.Closed(); }));

  const std::vector<std::string> expected = {
      "welcomed ROOM0001 2 bbbb 1 started=0",
      "updated",
      "room 1 filled=0 1:person:P1:jc 2:person:P2:jc 3:person:P3:j- 4:computer:P4:--",
      "updated",
      "room 1 filled=1 1:person:P1:jc 2:person:P2:jc 3:person:P3:jc 4:computer:P4:--",
      "updated",
      "started 1 turns=0",
      "updated",
      "moved 1 seat=1 captured=0 copy=1 toMove=2",
      "updated",
      "moved 2 seat=2 captured=31 copy=2 toMove=3",
      "updated",
      "notice check 王手です 3",
      "updated",
      "refused turn 手番が違います d",
      "updated",
      "error bad-message 読めません",
      "over 1 先手組みの勝ちです copy=1",
      "updated",
      "asked 続けますか？ 1",
      "updated",
      "updated",  // a message it does not know changes nothing but is told
      "closed さようなら 1",
      "updated",
  };
  EXPECT_EQ(told, expected);
  EXPECT_EQ(movedHeardByAnother, 2);
  // What the signals told stays to be read.
  ASSERT_EQ(c.Seats().size(), 4u);
  EXPECT_TRUE(c.Seats()[3].Computer());
  ASSERT_EQ(c.Refusals().size(), 1u);
  EXPECT_EQ(c.Refusals()[0].code, "turn");
  ASSERT_EQ(c.Errors().size(), 1u);
  EXPECT_EQ(c.Errors()[0].code, "bad-message");
  EXPECT_EQ(c.Winner(), 1);
  EXPECT_FALSE(c.Desynced());
}

}  // namespace
}  // namespace korvel::net
