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
  EXPECT_EQ(NoticeCodes(out), (std::vector<QString>{"missing", "host"}));
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

}  // namespace
}  // namespace korvel::net
