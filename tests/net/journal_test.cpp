// The authority's journal: a room taken back from its entries is the room it was (codes,
// tokens, host, who plays each seat, every turn played again through the game's door, the
// end of a game); the files are read whole lines only, a torn last line is left out, a
// damaged file is named and skipped; and a server started again from the folder takes its
// rooms back, its players coming back by themselves and playing on. Every wait is bounded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "game/play_move.h"
#include "net/autoplay.h"
#include "net/client.h"
#include "net/journal.h"
#include "net/protocol.h"
#include "net/room.h"
#include "net/server.h"
#include "play/game_record.h"
#include "play/repetition.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

using testing::WaitFor;

RoomOptions People(std::initializer_list<int> seats, int level = 1) {
  RoomOptions o;
  for (int s = 0; s <= 4; ++s) o.person[s] = false;
  for (int s : seats) o.person[s] = true;
  o.level = level;
  o.waitSeconds = 0;
  return o;
}

void IntendFirstLegal(Room& room) {
  const int seat = room.TheGame().State().CurrentSeat;
  const Move m = LegalMoves(room.TheGame().State()).front();
  room.Intend(seat, static_cast<int>(room.Turns().size()) + 1, {m.fromX, m.fromY},
              {m.toX, m.toY}, m.Promotes());
}

// Plays until `turns` turns or the end: the people's seats their first legal move, the
// computers' their own choice.
void PlayTo(Room& room, size_t turns) {
  while (room.Turns().size() < turns && !room.Over()) {
    const size_t before = room.Turns().size();
    if (room.ComputerToMove())
      room.PlayComputerTurn();
    else
      IntendFirstLegal(room);
    room.TakeOutgoing();
    if (room.Turns().size() == before && !room.Over()) FAIL() << "no turn was played";
  }
}

std::unique_ptr<Room> TakeBack(const std::vector<QJsonObject>& entries) {
  bool fixed = true;
  auto room = Room::FromJournalHead(entries.at(0), &fixed);
  if (!room) return nullptr;
  EXPECT_FALSE(fixed);
  for (size_t i = 1; i < entries.size(); ++i)
    if (!room->Replay(entries[i])) {
      ADD_FAILURE() << "entry " << i << " not taken back";
      return nullptr;
    }
  return room;
}

void ExpectSameRoom(const Room& a, const Room& b) {
  EXPECT_EQ(a.Code(), b.Code());
  EXPECT_EQ(a.HostSeat(), b.HostSeat());
  EXPECT_EQ(a.Started(), b.Started());
  EXPECT_EQ(a.Over(), b.Over());
  EXPECT_EQ(a.OverReason(), b.OverReason());
  EXPECT_EQ(a.Closed(), b.Closed());
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(a.IsPersonSeat(s), b.IsPersonSeat(s)) << s;
  EXPECT_EQ(TurnsJson(a.Turns()), TurnsJson(b.Turns()));
  EXPECT_TRUE(KeyOf(a.TheGame().State()) == KeyOf(b.TheGame().State()));
  // The same record, to the date and time of the first move.
  EXPECT_EQ(a.Record(), b.Record());
}

TEST(Journal, ARoomTakenBackIsTheRoomItWas) {
  Room room("JOURNAL1", People({1, 3}));
  std::vector<QJsonObject> entries{room.JournalHead(false)};
  room.SetJournal([&](const QJsonObject& e) { entries.push_back(e); });
  const auto a = room.Join(1, "A");
  const auto c = room.Join(3, "吉田");
  room.Start(1);
  room.TakeOutgoing();
  PlayTo(room, 9);
  // The host goes: the role passes to 上; 下's seat goes to the computer and plays.
  room.Left(1);
  room.GiveToComputer(3, 1);
  PlayTo(room, 17);
  room.TakeOutgoing();
  ASSERT_EQ(room.HostSeat(), 3);
  ASSERT_FALSE(room.IsPersonSeat(1));

  auto back = TakeBack(entries);
  ASSERT_TRUE(back);
  ExpectSameRoom(room, *back);
  // Every seat is missing until its player comes back with the token it was given.
  EXPECT_FALSE(back->AnyoneConnected());
  EXPECT_EQ(back->Rejoin(3, a.token).error.value("code").toString(), "token");
  ASSERT_TRUE(back->Rejoin(3, c.token).ok);
  ASSERT_TRUE(back->Rejoin(1, a.token).ok);  // the person's seat again, as before
  EXPECT_TRUE(back->IsPersonSeat(1));
  back->TakeOutgoing();

  // Both go on alike from there.
  room.Rejoin(1, a.token);
  room.TakeOutgoing();
  PlayTo(room, 40);
  PlayTo(*back, 40);
  ExpectSameRoom(room, *back);
}

TEST(Journal, AGameOverAndTheNextTakenBack) {
  RoomOptions o = People({1});
  o.maxTurns = 12;  // the game ends by length
  Room room("JOURNAL2", o);
  std::vector<QJsonObject> entries{room.JournalHead(false)};
  room.SetJournal([&](const QJsonObject& e) { entries.push_back(e); });
  room.Join(1, "A");
  room.Start(1);
  room.TakeOutgoing();
  PlayTo(room, 100);
  ASSERT_TRUE(room.Over());
  ASSERT_EQ(room.OverReason(), "length");
  auto over = TakeBack(entries);
  ASSERT_TRUE(over);
  ExpectSameRoom(room, *over);
  // Another game, then the room closed.
  room.Again(1, true);
  PlayTo(room, 5);
  room.TakeOutgoing();
  auto second = TakeBack(entries);
  ASSERT_TRUE(second);
  ExpectSameRoom(room, *second);
  room.Again(1, true);
  PlayTo(room, 100);
  room.Again(1, false);
  ASSERT_TRUE(room.Closed());
  auto closed = TakeBack(entries);
  ASSERT_TRUE(closed);
  ExpectSameRoom(room, *closed);
  EXPECT_EQ(closed->Join(1, "B").error.value("code").toString(), "closed");
}

// A room that went on from a game record (--from) keeps that game in its journal, as its
// record, and is taken back at the same place.
TEST(Journal, ARoomGoingOnFromARecordTakenBack) {
  Room before("JOURNAL4", People({1, 2, 3, 4}));
  for (int s = 1; s <= 4; ++s) before.Join(s, "P");
  before.Start(1);
  PlayTo(before, 7);
  Room room("JOURNAL5", People({1, 3}));
  std::vector<QJsonObject> entries{room.JournalHead(true)};
  room.SetJournal([&](const QJsonObject& e) { entries.push_back(e); });
  // As korvel4-server --from gives it: the game the record reader makes of a record.
  const RecordReading read = ReadRecord(before.Record());
  ASSERT_TRUE(read.record);
  QString why;
  ASSERT_TRUE(room.ContinueFrom(read.record->game, "2026-12-08 10:00:00", &why))
      << why.toStdString();
  room.Join(1, "A");
  room.Join(3, "C");
  room.TakeOutgoing();
  PlayTo(room, 15);
  bool fixed = false;
  auto back = Room::FromJournalHead(entries[0], &fixed);
  ASSERT_TRUE(back);
  EXPECT_TRUE(fixed);
  for (size_t i = 1; i < entries.size(); ++i) ASSERT_TRUE(back->Replay(entries[i])) << i;
  ExpectSameRoom(room, *back);
}

TEST(Journal, AnEntryThatCannotFollowIsRefused) {
  Room room("JOURNAL3", People({1, 2, 3, 4}));
  std::vector<QJsonObject> entries{room.JournalHead(false)};
  room.SetJournal([&](const QJsonObject& e) { entries.push_back(e); });
  for (int s = 1; s <= 4; ++s) room.Join(s, QString("P%1").arg(s));
  room.Start(1);
  PlayTo(room, 4);
  const size_t firstTurn = entries.size() - 4;
  ASSERT_EQ(entries[firstTurn].value("j").toString(), "turn");

  auto takeBackWith = [&](size_t at, const QJsonObject& changed) {
    std::vector<QJsonObject> e = entries;
    e[at] = changed;
    bool fixed = false;
    auto r = Room::FromJournalHead(e[0], &fixed);
    if (!r) return false;
    for (size_t i = 1; i < e.size(); ++i)
      if (!r->Replay(e[i])) return false;
    return true;
  };
  EXPECT_TRUE(takeBackWith(1, entries[1]));
  QJsonObject skipped = entries[firstTurn + 1];
  skipped.insert("n", 3);  // a turn missing before it
  EXPECT_FALSE(takeBackWith(firstTurn + 1, skipped));
  QJsonObject illegal = entries[firstTurn];
  QJsonObject t = illegal.value("turn").toObject();
  t.insert("to", QJsonArray{5, 5});  // no piece gets there in one move
  illegal.insert("turn", t);
  EXPECT_FALSE(takeBackWith(firstTurn, illegal));
  QJsonObject twice = entries[1];  // the same seat taken twice
  EXPECT_FALSE(takeBackWith(2, twice));
  EXPECT_FALSE(takeBackWith(1, QJsonObject{{"j", "nonsense"}}));
  QJsonObject head = entries[0];
  head.insert("code", "../ETC");
  EXPECT_FALSE(takeBackWith(0, head));
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(JournalFiles, WholeLinesOnlyDamagedFilesNamedAndSkipped) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString error;
  auto file = JournalFile::Create(dir.path(), "GOODROOM", &error);
  ASSERT_TRUE(file) << error.toStdString();
  ASSERT_TRUE(file->Append(QJsonObject{{"j", "room"}}, &error));
  ASSERT_TRUE(file->Append(QJsonObject{{"j", "start"}}, &error));
  EXPECT_FALSE(JournalFile::Create(dir.path(), "GOODROOM", &error));  // never over one
  EXPECT_FALSE(JournalFile::Create(dir.path(), "../OUT", &error));
  file.reset();
  // A crash tore the last line.
  {
    QFile f(dir.filePath("GOODROOM.k4j"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("{\"j\":\"tu");
  }
  Write(dir.filePath("BADLINE1.k4j"), "{\"j\":\"room\"}\nnot json\n{\"j\":\"start\"}\n");
  Write(dir.filePath("lower.k4j"), "{}\n");       // no room's name: not read
  Write(dir.filePath("NOTAJOURNAL.txt"), "{}\n");  // nor this
  ASSERT_TRUE(QDir(dir.path()).mkdir("AFOLDER.k4j"));
  ASSERT_EQ(::symlink("/etc/passwd", QFile::encodeName(dir.filePath("LINKROOM.k4j")).constData()),
            0);

  QStringList problems;
  auto read = ReadJournals(dir.path(), &problems);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].code, "GOODROOM");
  ASSERT_EQ(read[0].entries.size(), 2u);
  EXPECT_TRUE(read[0].torn);
  EXPECT_EQ(problems.size(), 3) << problems.join('\n').toStdString();
  EXPECT_TRUE(problems.join('\n').contains("BADLINE1.k4j: line 2"));
  EXPECT_TRUE(problems.join('\n').contains("LINKROOM.k4j"));
  EXPECT_TRUE(problems.join('\n').contains("AFOLDER.k4j"));

  // Written on again: the torn line is cut off first, so the next line stands whole.
  auto again = JournalFile::Continue(read[0].path, read[0].wholeBytes, &error);
  ASSERT_TRUE(again) << error.toStdString();
  ASSERT_TRUE(again->Append(QJsonObject{{"j", "over"}}, &error));
  problems.clear();
  read = ReadJournals(dir.path(), &problems);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_FALSE(read[0].torn);
  ASSERT_EQ(read[0].entries.size(), 3u);
  EXPECT_EQ(read[0].entries[2].value("j").toString(), "over");
  again->Remove();
  EXPECT_FALSE(JournalExists(dir.path(), "GOODROOM"));
}

QUrl Local(quint16 port) {
  return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port));
}

// Two people and two computers on a server with a journal; the server goes at once (as a
// killed one would: nothing more is written) and one started again from its folder on the
// same port takes the room back; the players come back by themselves and play to the end.
TEST(JournalServer, AServerStartedAgainTakesItsRoomsBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ServerOptions so;
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.pauseSeconds = 0;
  so.journalDir = dir.path();
  so.shard = "K";
  so.maxTurns = 120;
  auto server = std::make_unique<Server>(so);
  QString error;
  ASSERT_TRUE(server->Listen(&error)) << error.toStdString();
  const quint16 port = server->Port();

  std::unique_ptr<Client> clients[5];
  size_t pauseAt = 30;
  std::uint64_t seed = 5;
  QString code;
  auto open = [&](int seat) {
    clients[seat] = std::make_unique<Client>();
    Client& c = *clients[seat];
    c.KeepSeat(20);
    QObject::connect(&c, &Client::connected, &c, [&c, seat, &code] {
      if (seat == 1)
        c.Create("A", 1, {1, 3}, 1);
      else
        c.Hello(code, "C", seat);
    });
    QObject::connect(&c, &Client::updated, &c, [&c, &pauseAt, &seed] {
      if (c.MyTurn() && c.Turns().size() < pauseAt)
        if (const auto m = ChooseOwnMove(c.TheGame(), 1, seed)) c.SendMove(*m);
    });
    c.Open(RoomUrl(Local(port), seat == 1 ? QString() : code));
    ASSERT_TRUE(WaitFor([&c] { return c.Welcomed(); }));
  };
  open(1);
  code = clients[1]->Room();
  EXPECT_TRUE(code.startsWith('K')) << code.toStdString();  // the shard's letter
  open(3);
  clients[1]->Start();
  ASSERT_TRUE(WaitFor([&] { return clients[3]->Turns().size() >= pauseAt; }));
  ASSERT_TRUE(WaitFor([&] { return clients[1]->Turns().size() >= pauseAt; }));
  const QJsonArray before = TurnsJson(server->FindRoom(code)->Turns());
  const QString token1 = clients[1]->Token();

  int tries = 0;
  QObject::connect(clients[3].get(), &Client::reconnecting, [&tries](int) { ++tries; });
  server.reset();
  pauseAt = 80;
  ASSERT_TRUE(WaitFor([&] { return tries >= 2; }));  // nobody there yet: tried again
  so.port = port;
  server = std::make_unique<Server>(so);
  QStringList problems;
  ASSERT_EQ(server->Restore(&problems), 1) << problems.join('\n').toStdString();
  ASSERT_TRUE(server->Listen(&error)) << error.toStdString();
  Room* room = server->FindRoom(code);
  ASSERT_TRUE(room);
  EXPECT_EQ(TurnsJson(room->Turns()), before);
  EXPECT_TRUE(room->Started());

  // Both come back by themselves, with the same seats and tokens, and play on.
  ASSERT_TRUE(WaitFor([&] { return room->Connected(1) && room->Connected(3); }, 20000));
  EXPECT_EQ(clients[1]->Token(), token1);
  // A nudge: whoever is to move moves (the welcome told them the game so far).
  for (int s : {1, 3})
    if (clients[s]->MyTurn())
      if (const auto m = ChooseOwnMove(clients[s]->TheGame(), 1, seed)) clients[s]->SendMove(*m);
  ASSERT_TRUE(WaitFor([&] { return room->Over(); }, 20000));
  ASSERT_TRUE(WaitFor([&] {
    return clients[1]->Turns().size() == room->Turns().size() &&
           clients[3]->Turns().size() == room->Turns().size();
  }));
  for (int s : {1, 3}) {
    EXPECT_FALSE(clients[s]->Desynced());
    EXPECT_EQ(TurnsJson(clients[s]->Turns()), TurnsJson(room->Turns()));
  }
  EXPECT_GT(room->Turns().size(), before.size());
}

}  // namespace
}  // namespace korvel::net
