// The room's own answers to a host who goes and to games that never end, without sockets:
// the host's role passes to a connected person at once (announced), a game is cut off at
// its move limit as a draw by length, and a welcome far into a game stays small.
#include <gtest/gtest.h>

#include "game/play_move.h"
#include "net/protocol.h"
#include "net/room.h"
#include "play/game_record.h"
#include "play/repetition.h"

namespace korvel::net {
namespace {

RoomOptions People(std::initializer_list<int> seats, int level = 1) {
  RoomOptions o;
  for (int s = 0; s <= 4; ++s) o.person[s] = false;
  for (int s : seats) o.person[s] = true;
  o.level = level;
  return o;
}

std::vector<Outgoing> OfType(const std::vector<Outgoing>& out, const QString& t) {
  std::vector<Outgoing> r;
  for (const Outgoing& o : out)
    if (o.msg.value("t").toString() == t) r.push_back(o);
  return r;
}

// The codes of the notices, in order.
std::vector<QString> NoticeCodes(const std::vector<Outgoing>& out) {
  std::vector<QString> codes;
  for (const Outgoing& o : OfType(out, "notice")) codes.push_back(o.msg.value("code").toString());
  return codes;
}

TEST(RoomHost, TheHostsRoleGoesToTheNextConnectedPersonAndIsAnnounced) {
  Room room("ABCDEF", People({1, 2, 3, 4}));
  ASSERT_TRUE(room.Join(1, "A").ok);
  const auto b = room.Join(2, "B");
  ASSERT_TRUE(b.ok);
  ASSERT_TRUE(room.Join(3, "C").ok);
  ASSERT_TRUE(room.Join(4, "D").ok);
  EXPECT_EQ(room.HostSeat(), 1);
  room.TakeOutgoing();

  // A person who is not the host leaves: nothing passes.
  room.Left(3);
  auto out = room.TakeOutgoing();
  EXPECT_EQ(NoticeCodes(out), std::vector<QString>{"missing"});
  EXPECT_EQ(room.HostSeat(), 1);

  // The host leaves: seat 2 comes next (seat 3 is away); the notice, then the room.
  room.Left(1);
  out = room.TakeOutgoing();
  EXPECT_EQ(room.HostSeat(), 2);
  ASSERT_EQ(NoticeCodes(out), (std::vector<QString>{"missing", "host"}));
  const auto host = OfType(out, "notice")[1].msg;
  EXPECT_EQ(host.value("seat").toInt(), 2);
  EXPECT_EQ(host.value("text").toString(), QStringLiteral("Bさんが主催者になりました"));
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back().msg.value("t").toString(), "room");
  EXPECT_EQ(out.back().msg.value("host").toInt(), 2);
  EXPECT_TRUE(OfType(out, "ask").empty()) << "no game is over";

  // The old host comes back as a player; the new host keeps the role and may do a host's
  // part, the old one may not.
  room.Left(2);
  out = room.TakeOutgoing();
  EXPECT_EQ(room.HostSeat(), 4) << "after seat 2: 3 is away, 4 is here";
  room.Start(1);
  out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "refused").size(), 1u);
  EXPECT_EQ(OfType(out, "refused")[0].msg.value("code").toString(), "host-only");
  ASSERT_TRUE(room.Rejoin(2, b.token).ok);
  EXPECT_EQ(room.HostSeat(), 4);
}

TEST(RoomHost, WithNobodyLeftTheRoleWaitsForTheFirstPersonToConnect) {
  Room room("ABCDEF", People({1, 3}));
  const auto a = room.Join(1, "A");
  ASSERT_TRUE(a.ok);
  room.Left(1);
  auto out = room.TakeOutgoing();
  EXPECT_EQ(NoticeCodes(out), std::vector<QString>{"missing"});
  EXPECT_EQ(room.HostSeat(), 1);
  // The first person to connect takes it, in their welcome's room message.
  ASSERT_TRUE(room.Join(3, "C").ok);
  out = room.TakeOutgoing();
  EXPECT_EQ(room.HostSeat(), 3);
  EXPECT_EQ(NoticeCodes(out), std::vector<QString>{"host"});
  EXPECT_EQ(out.back().msg.value("host").toInt(), 3);
  // The host who comes back to an empty room is host again, silently.
  room.Left(3);
  room.TakeOutgoing();
  ASSERT_TRUE(room.Rejoin(1, a.token).ok);
  out = room.TakeOutgoing();
  EXPECT_EQ(room.HostSeat(), 1);
  EXPECT_EQ(NoticeCodes(out), (std::vector<QString>{"back", "host"}));
}

TEST(RoomHost, AComputerSeatNeverHostsAndARoomWithAFixedHostWaitsForThem) {
  RoomOptions o = People({2, 4});
  o.hostSeat = 4;
  Room room("ABCDEF", o);
  ASSERT_TRUE(room.Join(2, "B").ok);
  EXPECT_EQ(room.HostSeat(), NO_SEAT) << "the room's host has not come yet";
  room.Left(2);
  EXPECT_EQ(NoticeCodes(room.TakeOutgoing()), std::vector<QString>{"missing"});
  EXPECT_EQ(room.HostSeat(), NO_SEAT);
}

// A person (seat 1) and three computers play until the room ends the game or `bound`
// turns: the person plays its first legal move in a fixed order.
void PlayOn(Room& room, int bound) {
  int moves = 0;
  while (!room.Over() && moves++ < bound) {
    if (room.ComputerToMove()) {
      room.PlayComputerTurn();
    } else {
      const auto legal = LegalMoves(room.TheGame().State());
      ASSERT_FALSE(legal.empty());
      const Move& m = legal[static_cast<size_t>(moves * 5) % legal.size()];
      room.Intend(room.TheGame().State().CurrentSeat, static_cast<int>(room.Turns().size()) + 1,
                  {m.fromX, m.fromY}, {m.toX, m.toY}, m.Promotes());
    }
  }
}

TEST(RoomLength, AGameAtItsMoveLimitEndsAsADrawByLengthAndItsRecordReadsBack) {
  RoomOptions o = People({1, 3});
  o.maxTurns = 9;
  Room room("ABCDEF", o);
  ASSERT_TRUE(room.Join(1, "A").ok);
  ASSERT_TRUE(room.Join(3, "C").ok);
  room.Start(1);
  room.TakeOutgoing();
  std::vector<Outgoing> out;
  for (int i = 0; i < 40 && !room.Over(); ++i) {
    if (room.ComputerToMove()) {
      room.PlayComputerTurn();
    } else {
      const Move m = LegalMoves(room.TheGame().State()).front();
      room.Intend(room.TheGame().State().CurrentSeat, static_cast<int>(room.Turns().size()) + 1,
                  {m.fromX, m.fromY}, {m.toX, m.toY}, m.Promotes());
    }
    for (Outgoing& o2 : room.TakeOutgoing()) out.push_back(o2);
  }
  ASSERT_TRUE(room.Over());
  EXPECT_EQ(room.Turns().size(), 9u);
  EXPECT_EQ(room.OverReason(), "length");
  const auto over = OfType(out, "over");
  ASSERT_EQ(over.size(), 1u);
  EXPECT_EQ(over[0].msg.value("reason").toString(), "length");
  EXPECT_EQ(over[0].msg.value("winner").toInt(), 0);
  EXPECT_EQ(over[0].msg.value("text").toString(),
            QStringLiteral("手数が上限に達しました。引き分けです"));
  // The over is the last word on the ninth turn, and the host is asked.
  ASSERT_EQ(OfType(out, "moved").size(), 9u);
  EXPECT_EQ(OfType(out, "ask").size(), 1u);
  EXPECT_EQ(OfType(out, "ask")[0].to, 1);

  // Nothing more is played: a move is refused, no computer is to move.
  EXPECT_FALSE(room.ComputerToMove());
  const Move m = LegalMoves(room.TheGame().State()).front();
  room.Intend(room.TheGame().State().CurrentSeat, 10, {m.fromX, m.fromY}, {m.toX, m.toY}, false);
  room.TakeOutgoing();
  EXPECT_EQ(room.Turns().size(), 9u);

  // The record names the end and opens finished at the authority's position; a welcome
  // after the end says how it ended.
  const std::string record = room.Record();
  EXPECT_NE(record.find("\n結果: 手数 引き分け\n"), std::string::npos) << record;
  const RecordReading r = ReadRecord(record);
  ASSERT_TRUE(r.record) << r.error.Text() << "\n" << record;
  EXPECT_TRUE(r.record->game.State().GameOver);
  EXPECT_TRUE(KeyOf(r.record->game.State()) == KeyOf(room.TheGame().State()));
  EXPECT_EQ(room.Welcome(1, "").value("reason").toString(), "length");

  // The host goes before answering: the new host is asked, and starts another game.
  room.Left(1);
  out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "ask").size(), 1u);
  EXPECT_EQ(OfType(out, "ask")[0].to, 3);
  room.Again(3, true);
  EXPECT_EQ(OfType(room.TakeOutgoing(), "start").size(), 1u);
  EXPECT_FALSE(room.Over());
  EXPECT_EQ(room.OverReason(), "");
}

// A king taken names its reason, and a game that ends before the limit writes the same
// record as without one.
TEST(RoomLength, AKingTakenNamesItsReasonAndWritesNoLengthEnd) {
  RoomOptions o = People({1}, 1);
  Room room("ABCDEF", o);
  ASSERT_TRUE(room.Join(1, "A").ok);
  room.Start(1);
  PlayOn(room, 1500);
  ASSERT_TRUE(room.Over());
  EXPECT_EQ(room.OverReason(), "king");
  const auto over = OfType(room.TakeOutgoing(), "over");
  ASSERT_EQ(over.size(), 1u);
  EXPECT_EQ(over[0].msg.value("reason").toString(), "king");
  const std::string record = room.Record();
  EXPECT_EQ(record.find("結果: 手数"), std::string::npos);
}

// The reader takes a draw by length, and only as a draw.
TEST(RoomLength, TheReaderTakesALengthEndOnlyAsADraw) {
  RoomOptions o = People({1, 2, 3, 4});
  Room room("ABCDEF", o);
  for (int s = 1; s <= 4; ++s) ASSERT_TRUE(room.Join(s, "P").ok);
  room.Start(1);
  for (int i = 0; i < 5; ++i) {
    const Move m = LegalMoves(room.TheGame().State()).front();
    room.Intend(room.TheGame().State().CurrentSeat, i + 1, {m.fromX, m.fromY}, {m.toX, m.toY},
                m.Promotes());
  }
  const QString names[5] = {"", "A", "B", "C", "D"};
  const std::string draw = RecordText(room.TheGame(), o.person, names, 1, true, NO_SEAT, "", true);
  ASSERT_NE(draw.find("\n結果: 手数 引き分け\n"), std::string::npos) << draw;
  const RecordReading r = ReadRecord(draw);
  ASSERT_TRUE(r.record) << r.error.Text();
  EXPECT_TRUE(r.record->game.State().GameOver);
  EXPECT_EQ(r.record->game.State().WinnerSeat, NO_SEAT);
  std::string won = draw;
  won.replace(won.find("手数 引き分け"), std::string("手数 引き分け").size(),
              "手数 下 先手組みの勝ち");
  EXPECT_FALSE(ReadRecord(won).record);
  // Without the limit's end the same game writes 千日手, as before.
  const std::string repetition =
      RecordText(room.TheGame(), o.person, names, 1, true, NO_SEAT, "", false);
  std::string expected = draw;
  expected.replace(expected.find("手数 引き分け"), std::string("手数").size(), "千日手");
  EXPECT_EQ(repetition, expected);
}

// With the move limit a welcome always fits a client's 1 MiB: the longest turn the wire
// can carry, as many times as the limit allows, in a welcome of four long names.
TEST(RoomLength, AWelcomeAtTheMoveLimitFitsAClientsLimit) {
  Turn longest;
  longest.seat = MIGI;
  longest.byComputer = true;
  longest.next = HIDARI;
  const PieceCode dragon = PieceCode::Of(MIGI, 4, true);  // 44.5: the longest code
  longest.move = Move{11, 9, 9, 9, dragon, dragon};
  QJsonArray turns;
  for (int i = 0; i < kDefaultMaxTurns; ++i) turns.append(TurnJson(longest));
  Room room("ABCDEFGHJKMNPQRS", People({1, 2, 3, 4}));
  for (int s = 1; s <= 4; ++s)
    ASSERT_TRUE(room.Join(s, QString(kMaxNameChars, QChar(0x4e00))).ok);
  QJsonObject w = room.Welcome(1, QString(32, 'f'));
  w.insert("turns", turns);
  w.insert("winner", 4);
  w.insert("text", QStringLiteral("手数が上限に達しました。引き分けです"));
  w.insert("reason", "repetition");
  EXPECT_LT(Serialize(w).toUtf8().size(), 1024 * 1024 / 4);
}

}  // namespace
}  // namespace korvel::net
