// A welcome always fits: far into a game it carries the newest turns only, with `first` and
// `more`, and the earlier ones come in pages (`turns`); the program's client asks for every
// page, holds what the authority announces meanwhile, and ends with the whole game. A game
// under the limit is welcomed whole, with no new field, as before.
#include <gtest/gtest.h>

#include <memory>

#include "game/play_move.h"
#include "net/autoplay.h"
#include "net/client.h"
#include "net/protocol.h"
#include "net/room.h"
#include "net/server.h"
#include "play/repetition.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

using testing::WaitFor;

RoomOptions Paged(std::initializer_list<int> seats) {
  RoomOptions o;
  for (int s = 0; s <= 4; ++s) o.person[s] = false;
  for (int s : seats) o.person[s] = true;
  o.level = 1;
  o.welcomeTurns = 4;
  o.pageTurns = 3;
  o.hostSeat = *seats.begin();
  return o;
}

TEST(WelcomePages, TheNewestTurnsAndPagesOfTheRest) {
  Room room("PAGEDROOM", Paged({1, 2, 3, 4}));
  std::vector<QString> tokens(5);
  for (int s = 1; s <= 4; ++s) tokens[s] = room.Join(s, "P").token;
  room.Start(1);
  const QJsonObject early = room.Welcome(1, tokens[1]);
  EXPECT_FALSE(early.contains("more"));
  EXPECT_FALSE(early.contains("first"));
  for (int i = 0; i < 4; ++i) {
    const int seat = room.TheGame().State().CurrentSeat;
    const Move m = LegalMoves(room.TheGame().State()).front();
    room.Intend(seat, i + 1, {m.fromX, m.fromY}, {m.toX, m.toY}, m.Promotes());
  }
  const QJsonObject whole = room.Welcome(1, tokens[1]);  // just at the limit: whole
  EXPECT_FALSE(whole.contains("more"));
  EXPECT_EQ(whole.value("turns").toArray(), TurnsJson(room.Turns()));
  for (int i = 4; i < 11; ++i) {
    const int seat = room.TheGame().State().CurrentSeat;
    const Move m = LegalMoves(room.TheGame().State()).front();
    room.Intend(seat, i + 1, {m.fromX, m.fromY}, {m.toX, m.toY}, m.Promotes());
  }
  ASSERT_EQ(room.Turns().size(), 11u);
  const QJsonObject w = room.Welcome(1, tokens[1]);
  EXPECT_TRUE(w.value("more").toBool());
  EXPECT_EQ(w.value("first").toInt(), 8);
  EXPECT_EQ(w.value("turns").toArray(), TurnsJson(room.Turns(), 8, 4));
  const QJsonObject page = room.TurnsPage(2, 100);  // at most pageTurns
  EXPECT_EQ(page.value("from").toInt(), 2);
  ASSERT_EQ(page.value("turns").toArray().size(), 3);
  EXPECT_EQ(page.value("turns").toArray(), TurnsJson(room.Turns(), 2, 3));
  EXPECT_TRUE(room.TurnsPage(12, 5).value("turns").toArray().isEmpty());  // none yet
}

// Over WebSockets: a player who comes back far into the game asks for every page while the
// game goes on, and its copy is the authority's game.
TEST(WelcomePages, AClientComingBackFetchesEveryPage) {
  ServerOptions so;
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.pauseSeconds = 0;
  Server server(so);
  QString error;
  ASSERT_TRUE(server.Listen(&error)) << error.toStdString();
  Room* room = server.OpenRoom("PAGEDROOM", Paged({1, 3}));
  std::unique_ptr<Client> clients[4];
  size_t pauseAt = 20;
  std::uint64_t seed = 3;
  for (int s : {1, 3}) {
    clients[s] = std::make_unique<Client>();
    Client& c = *clients[s];
    c.KeepSeat(5);
    QObject::connect(&c, &Client::connected, &c, [&c, s] { c.Hello("PAGEDROOM", "P", s); });
    QObject::connect(&c, &Client::updated, &c, [&c, &pauseAt, &seed] {
      if (c.MyTurn() && c.Turns().size() < pauseAt)
        if (const auto m = ChooseOwnMove(c.TheGame(), 1, seed)) c.SendMove(*m);
    });
    c.Open(RoomUrl(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server.Port())), "PAGEDROOM"));
    ASSERT_TRUE(WaitFor([&c] { return c.Welcomed(); }));
  }
  clients[1]->Start();
  ASSERT_TRUE(WaitFor([&] { return clients[3]->Turns().size() >= pauseAt || room->Over(); }));
  ASSERT_FALSE(room->Over());
  // 上 loses its connection and comes back by itself, while the game goes on.
  int welcomes = 0;
  QObject::connect(clients[3].get(), &Client::welcomed, [&welcomes] { ++welcomes; });
  pauseAt = 40;
  clients[3]->Drop();
  if (clients[1]->MyTurn())
    if (const auto m = ChooseOwnMove(clients[1]->TheGame(), 1, seed)) clients[1]->SendMove(*m);
  ASSERT_TRUE(WaitFor([&] { return welcomes == 1; }));
  // What came right after the welcome, while the pages were asked for (the notice that 上
  // is back, the room with 上 connected), was held and taken after it.
  ASSERT_TRUE(WaitFor([&] { return clients[3]->SeatsFilled(); }));
  EXPECT_TRUE(clients[3]->Notices().join('\n').contains(QStringLiteral("戻りました")))
      << clients[3]->Notices().join('\n').toStdString();
  ASSERT_TRUE(WaitFor([&] {
    return room->Over() || (room->Turns().size() >= pauseAt && !room->ComputerToMove() &&
                            clients[3]->Turns().size() == room->Turns().size() &&
                            clients[1]->Turns().size() == room->Turns().size());
  }));
  for (int s : {1, 3}) {
    ASSERT_TRUE(WaitFor([&] { return clients[s]->Turns().size() == room->Turns().size(); }));
    EXPECT_FALSE(clients[s]->Desynced()) << s;
    EXPECT_EQ(TurnsJson(clients[s]->Turns()), TurnsJson(room->Turns())) << s;
    EXPECT_TRUE(KeyOf(clients[s]->TheGame().State()) == KeyOf(room->TheGame().State())) << s;
  }
}

}  // namespace
}  // namespace korvel::net
