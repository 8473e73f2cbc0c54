// The authority keeps the clocks of a room with a time control: every player is told the
// times left, a computer's pause and thinking count on its clock, a seat whose time runs
// out loses for its team, and a room without one says nothing of clocks.
#include <gtest/gtest.h>

#include "game/play_move.h"
#include "net/protocol.h"
#include "net/room.h"
#include "play/game_record.h"

namespace korvel::net {
namespace {

RoomOptions TimedRoom(std::initializer_list<int> people, TimeControl each) {
  RoomOptions o;
  for (int s = 0; s <= 4; ++s) o.person[s] = false;
  for (int s : people) o.person[s] = true;
  o.level = 1;
  o.clock = GameTimeControl::Every(each);
  return o;
}

std::vector<QJsonObject> OfType(const std::vector<Outgoing>& out, const QString& t) {
  std::vector<QJsonObject> r;
  for (const Outgoing& o : out)
    if (o.msg.value("t").toString() == t) r.push_back(o.msg);
  return r;
}

void IntendFirstLegal(Room& room, int seat) {
  const Move m = LegalMoves(room.TheGame().State()).front();
  room.Intend(seat, static_cast<int>(room.Turns().size()) + 1, {m.fromX, m.fromY},
              {m.toX, m.toY}, m.Promotes());
}

double MainLeft(const QJsonObject& msg, int seat) {
  return msg.value("clocks").toArray().at(seat - 1).toObject().value("main").toDouble();
}

TEST(RoomClocks, EveryoneIsToldTheTimesAndTheSeatToMoveLosesOnTime) {
  std::int64_t now = 1'000'000;
  Room room("CLOCKS", TimedRoom({1, 3}, {5'000, 2'000}));
  room.SetClock([&now] { return now; });
  ASSERT_TRUE(room.Join(1, "A").ok);
  ASSERT_TRUE(room.Join(3, "C").ok);
  room.TakeOutgoing();
  room.Start(1);
  const auto start = OfType(room.TakeOutgoing(), "start");
  ASSERT_EQ(start.size(), 1u);
  EXPECT_EQ(TimeControlField(start[0], "clock"), GameTimeControl::Every({5'000, 2'000}));
  EXPECT_EQ(MainLeft(start[0], 1), 5'000);

  now += 1'200;
  IntendFirstLegal(room, 1);
  const auto moved = OfType(room.TakeOutgoing(), "moved");
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(MainLeft(moved[0], 1), 3'800);
  // The computer's clock runs from the moment its turn came, whatever the pause and the
  // thinking take.
  ASSERT_TRUE(room.ComputerToMove());
  auto job = room.PrepareComputerTurn();
  ASSERT_TRUE(job);
  const ChosenMove m = Room::Think(*job);
  now += 3'000;
  room.FinishComputerTurn(*job, m);
  ASSERT_EQ(room.Turns().size(), 2u);
  EXPECT_EQ(room.Clocks()->LeftAt(HIDARI, now).mainMs, 2'000);
  // A welcome carries the clocks too.
  const QJsonObject welcome = room.Welcome(3, "token");
  EXPECT_EQ(MainLeft(welcome, 2), 2'000);
  EXPECT_TRUE(TimeControlField(welcome, "clock"));
  room.TakeOutgoing();

  // 上 to move: within the main time and 秒読み nothing happens, then it has lost.
  EXPECT_FALSE(room.CheckClock());
  now += 6'999;
  EXPECT_FALSE(room.CheckClock());
  EXPECT_TRUE(room.TakeOutgoing().empty());
  now += 1;
  // A move that arrives after the time ran out is too late.
  IntendFirstLegal(room, 3);
  const auto out = room.TakeOutgoing();
  const auto over = OfType(out, "over");
  ASSERT_EQ(over.size(), 1u);
  EXPECT_EQ(over[0].value("reason").toString(), "time");
  EXPECT_EQ(over[0].value("winner").toInt(), MIGI);
  EXPECT_EQ(over[0].value("text").toString(), QString::fromUtf8("上の時間切れです　後手組みの勝ちです"));
  ASSERT_EQ(OfType(out, "refused").size(), 1u);
  EXPECT_EQ(OfType(out, "refused")[0].value("code").toString(), "over");
  EXPECT_EQ(room.Turns().size(), 2u);
  EXPECT_TRUE(room.Over());
  EXPECT_EQ(room.OverReason(), "time");
  EXPECT_FALSE(room.CheckClock());  // once

  // The record says why, and reads back as a game ended on time.
  const std::string record = room.Record();
  EXPECT_NE(record.find("結果: 時間切れ 右 後手組みの勝ち（上の時間切れ）"), std::string::npos) << record;
  EXPECT_NE(record.find("# 持ち時間 5秒 秒読み 2秒"), std::string::npos) << record;
  const RecordReading back = ReadRecord(record);
  ASSERT_TRUE(back.record) << back.error.Text();
  EXPECT_EQ(back.record->game.EndingOfGame().timeLoser, UE);

  // Another game: the clocks begin afresh.
  room.Again(1, true);
  const auto again = OfType(room.TakeOutgoing(), "start");
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(MainLeft(again[0], 3), 5'000);
}

TEST(RoomClocks, AComputerThatThinksTooLongLosesAndARoomWithoutClocksSaysNothing) {
  std::int64_t now = 0;
  Room room("CLOCKS", TimedRoom({1}, {1'000, 0}));
  room.SetClock([&now] { return now; });
  ASSERT_TRUE(room.Join(1, "A").ok);
  room.Start(1);
  IntendFirstLegal(room, 1);
  room.TakeOutgoing();
  auto job = room.PrepareComputerTurn();
  ASSERT_TRUE(job);
  const ChosenMove m = Room::Think(*job);
  now += 1'000;
  room.FinishComputerTurn(*job, m);  // its choice came too late: dropped, the game over
  EXPECT_EQ(room.Turns().size(), 1u);
  const auto over = OfType(room.TakeOutgoing(), "over");
  ASSERT_EQ(over.size(), 1u);
  EXPECT_EQ(over[0].value("winner").toInt(), UE);
  EXPECT_FALSE(room.ComputerToMove());

  // Version 1 as it was: no clock, no clocks, nothing ends on time.
  Room plain("PLAINS", RoomOptions{});
  plain.SetClock([&now] { return now; });
  ASSERT_TRUE(plain.Join(1, "A").ok);
  ASSERT_TRUE(plain.Join(2, "B").ok);
  ASSERT_TRUE(plain.Join(3, "C").ok);
  ASSERT_TRUE(plain.Join(4, "D").ok);
  plain.Start(1);
  IntendFirstLegal(plain, 1);
  now += 100'000'000;
  EXPECT_FALSE(plain.CheckClock());
  for (const Outgoing& o : plain.TakeOutgoing()) {
    EXPECT_FALSE(o.msg.contains("clock")) << o.msg.value("t").toString().toStdString();
    EXPECT_FALSE(o.msg.contains("clocks")) << o.msg.value("t").toString().toStdString();
  }
  EXPECT_FALSE(plain.Welcome(1, "t").contains("clocks"));
  EXPECT_FALSE(plain.Clocks());
}

TEST(RoomClocks, TheTimeControlOnTheWireIsChecked) {
  const QJsonObject every{{"clock", QJsonObject{{"main", 60000}, {"byoyomi", 10000}}}};
  EXPECT_EQ(TimeControlField(every, "clock"), GameTimeControl::Every({60'000, 10'000}));
  GameTimeControl mixed = GameTimeControl::Every({1'000, 0});
  mixed.seat[MIGI] = {0, 0};
  const QJsonObject four{{"clock", TimeControlJson(mixed)}};
  EXPECT_EQ(TimeControlField(four, "clock"), mixed);
  for (const QJsonValue& bad :
       {QJsonValue(QJsonObject{{"main", -1}, {"byoyomi", 0}}),
        QJsonValue(QJsonObject{{"main", 1.5}, {"byoyomi", 0}}),
        QJsonValue(QJsonObject{{"main", 0}, {"byoyomi", 3'600'001}}),
        QJsonValue(QJsonObject{{"main", 36'000'001}, {"byoyomi", 0}}),
        QJsonValue(QJsonObject{{"main", "60"}, {"byoyomi", 0}}), QJsonValue(QJsonObject{{"main", 1}}),
        QJsonValue(QJsonArray{QJsonObject{{"main", 1}, {"byoyomi", 1}}}), QJsonValue(7)})
    EXPECT_FALSE(TimeControlField(QJsonObject{{"clock", bad}}, "clock"));
  EXPECT_FALSE(ClocksField(QJsonObject{{"clocks", QJsonArray{1, 2, 3, 4}}}, "clocks"));
}

}  // namespace
}  // namespace korvel::net
