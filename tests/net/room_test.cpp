// The authority's rules for one room, without sockets: who may join, who may move, what
// every seat is told, and that no refused intention changes the game.
#include "net/room.h"

#include <gtest/gtest.h>

#include "game/play_move.h"
#include "net/protocol.h"
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

// The messages of one kind, and to whom.
std::vector<Outgoing> OfType(const std::vector<Outgoing>& out, const QString& t) {
  std::vector<Outgoing> r;
  for (const Outgoing& o : out)
    if (o.msg.value("t").toString() == t) r.push_back(o);
  return r;
}

Move FirstLegal(const Room& room) {
  return LegalMoves(room.TheGame().State()).front();
}

void Intend(Room& room, int seat, const Move& m) {
  room.Intend(seat, static_cast<int>(room.Turns().size()) + 1, {m.fromX, m.fromY}, {m.toX, m.toY},
              m.Promotes());
}

// A copy that replays the room's turns as the wire carries them must reach the room's
// position exactly, with the same list of turns.
void ExpectReplayMatches(const Room& room, const bool person[5], int level) {
  Game copy;
  StartNetGame(copy, person, level);
  const QJsonArray wire = TurnsJson(room.Turns());
  const auto turns = TurnsFromJson(wire);
  ASSERT_TRUE(turns);
  for (const Turn& t : *turns) ASSERT_TRUE(ApplyTurn(copy, t));
  EXPECT_TRUE(KeyOf(copy.State()) == KeyOf(room.TheGame().State()));
  EXPECT_EQ(TurnsJson(copy.Turns()), wire);
}

TEST(RoomJoining, SeatsTokensHostAndStart) {
  Room room("ABCDEF", People({1, 3}));
  const auto computerSeat = room.Join(2, "B");
  EXPECT_FALSE(computerSeat.ok);
  EXPECT_EQ(computerSeat.error.value("code").toString(), "seat-computer");

  const auto a = room.Join(1, "A");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.token.size(), 32);
  EXPECT_EQ(room.HostSeat(), 1);
  auto out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "welcome").size(), 1u);
  EXPECT_EQ(OfType(out, "welcome")[0].to, 1);
  EXPECT_EQ(OfType(out, "welcome")[0].msg.value("token").toString(), a.token);

  EXPECT_EQ(room.Join(1, "X").error.value("code").toString(), "seat-taken");
  room.Start(1);  // seat 3 is still empty
  out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "refused").size(), 1u);
  EXPECT_EQ(OfType(out, "refused")[0].msg.value("code").toString(), "seats");
  EXPECT_FALSE(room.Started());

  const auto c = room.Join(3, "C");
  ASSERT_TRUE(c.ok);
  EXPECT_NE(c.token, a.token);
  room.TakeOutgoing();
  room.Start(3);  // not the host
  out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "refused").size(), 1u);
  EXPECT_EQ(OfType(out, "refused")[0].to, 3);
  room.Start(1);
  out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "start").size(), 1u);
  EXPECT_EQ(OfType(out, "start")[0].to, kEveryone);
  EXPECT_TRUE(room.Started());
  EXPECT_EQ(room.TheGame().State().CurrentSeat, SITA);
}

TEST(RoomIntentions, RefusalsGoToTheSenderAndChangeNothing) {
  Room room("ABCDEF", People({1, 2, 3, 4}));
  for (int s = 1; s <= 4; ++s) ASSERT_TRUE(room.Join(s, QString("P%1").arg(s)).ok);
  room.Start(1);
  room.TakeOutgoing();
  const PositionKey before = KeyOf(room.TheGame().State());
  const Move legal = FirstLegal(room);

  struct Case {
    int seat, n;
    Square from, to;
    bool promote;
    const char* code;
  };
  const GameState& s = room.TheGame().State();
  Square hidariPiece{};
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (SeatOfCode(s.Board[x][y]) == HIDARI) hidariPiece = {x, y};
  const Case cases[] = {
      {2, 1, {legal.fromX, legal.fromY}, {legal.toX, legal.toY}, false, "turn"},
      {1, 5, {legal.fromX, legal.fromY}, {legal.toX, legal.toY}, false, "stale"},
      {1, 1, hidariPiece, {5, 5}, false, "illegal"},  // another seat's piece
      {1, 1, {5, 5}, {5, 4}, false, "illegal"},       // an empty square
      {1, 1, {legal.fromX, legal.fromY}, {legal.fromX, legal.fromY}, false, "illegal"},
      {1, 1, {legal.fromX, legal.fromY}, {legal.toX, legal.toY}, true, "illegal"},  // no promotion
                                                                                    // there
      {1, 1, HandCellOf(SITA, 1), {5, 5}, false, "illegal"},                        // an empty hand
  };
  for (const Case& c : cases) {
    room.Intend(c.seat, c.n, c.from, c.to, c.promote);
    const auto out = room.TakeOutgoing();
    ASSERT_EQ(out.size(), 1u) << c.code;
    EXPECT_EQ(out[0].to, c.seat) << c.code;
    EXPECT_EQ(out[0].msg.value("t").toString(), "refused") << c.code;
    EXPECT_EQ(out[0].msg.value("code").toString(), c.code);
    EXPECT_TRUE(KeyOf(room.TheGame().State()) == before) << c.code;
    EXPECT_TRUE(room.Turns().empty());
  }
  // Only the host answers whether another game follows, and only when one is over.
  room.Again(2, false);
  room.Again(1, true);
  const auto again = room.TakeOutgoing();
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].to, 2);
  EXPECT_EQ(again[0].msg.value("code").toString(), "host-only");
  EXPECT_EQ(again[1].to, 1);
  EXPECT_EQ(again[1].msg.value("code").toString(), "not-over");
  EXPECT_FALSE(room.Closed());

  Intend(room, 1, legal);
  const auto out = room.TakeOutgoing();
  const auto moved = OfType(out, "moved");
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0].to, kEveryone);
  EXPECT_EQ(moved[0].msg.value("n").toInt(), 1);
  EXPECT_EQ(room.Turns().size(), 1u);
  EXPECT_FALSE(KeyOf(room.TheGame().State()) == before);
  EXPECT_EQ(room.TheGame().State().CurrentSeat, room.Turns()[0].next);
  // The same intention again is now stale, and the seat has moved on.
  Intend(room, 1, legal);
  EXPECT_EQ(OfType(room.TakeOutgoing(), "refused").size(), 1u);
}

// A person against three computers until the game ends or a bound: every turn the room
// announces replays on a copy to the same position; the host is asked, and again starts
// a fresh game for everyone.
TEST(RoomComputers, WholeGameReplaysAndTheHostIsAsked) {
  const RoomOptions o = People({1}, 1);
  Room room("ABCDEF", o);
  ASSERT_TRUE(room.Join(1, "A").ok);
  room.Start(1);
  room.TakeOutgoing();
  int moves = 0;
  bool sawCheckNotice = false;
  int asks = 0;
  while (!room.Over() && moves < 400) {
    if (room.ComputerToMove()) {
      room.PlayComputerTurn();
    } else {
      ASSERT_EQ(room.TheGame().State().CurrentSeat, SITA);
      const auto legal = LegalMoves(room.TheGame().State());
      ASSERT_FALSE(legal.empty());
      Intend(room, 1, legal[static_cast<size_t>(moves * 7) % legal.size()]);
    }
    ++moves;
    for (const Outgoing& out : room.TakeOutgoing()) {
      if (out.msg.value("code").toString() == "check") sawCheckNotice = true;
      if (out.msg.value("t").toString() == "refused") FAIL() << "a legal move was refused";
      if (out.msg.value("t").toString() == "ask") {
        ++asks;
        EXPECT_EQ(out.to, 1) << "only the host is asked";
      }
    }
  }
  ExpectReplayMatches(room, o.person, o.level);
  EXPECT_TRUE(sawCheckNotice);
  if (!room.Over()) GTEST_SKIP() << "no end within the bound";
  EXPECT_EQ(asks, 1);
  room.Again(2, false);  // not the host's answer: the room stays
  ASSERT_EQ(OfType(room.TakeOutgoing(), "refused").size(), 1u);
  EXPECT_FALSE(room.Closed());
  room.Again(1, true);
  const auto out = room.TakeOutgoing();
  EXPECT_EQ(OfType(out, "start").size(), 1u);
  EXPECT_TRUE(room.Turns().empty());
  EXPECT_FALSE(room.Over());
}

// The record the authority saves opens, through the reader the window and the runner use,
// at the authority's own position: seeded games of people and computers at levels 1-3,
// captures preferred so that drops and promotions come, a seat given to the computer
// halfway, read back every few turns and at the end.
TEST(RoomRecords, EveryGameOpensAsARecordAtTheAuthoritysPosition) {
  int ended = 0, repetitions = 0, drops = 0, passes = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::uint64_t rng = seed * 2654435761u;
    auto next = [&rng] {
      rng = rng * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<unsigned>(rng >> 33);
    };
    qint64 now = 0;
    RoomOptions o = People({}, 1 + static_cast<int>(seed % 3));
    for (int s = 1; s <= 4; ++s) o.person[s] = next() % 2 == 0;
    o.person[1] = true;
    o.waitSeconds = 0;
    Room room("RECORDS", o);
    room.SetClock([&now] { return now; });
    for (int s = 1; s <= 4; ++s) {
      if (o.person[s]) {
        ASSERT_TRUE(room.Join(s, QString("P%1").arg(s)).ok);
      }
    }
    room.Start(1);
    const int giveAt = seed % 4 == 0 ? 30 : -1;
    for (int turn = 0; turn < 300 && !room.Over(); ++turn) {
      if (turn == giveAt && o.person[3]) {
        room.Left(3);
        now += 1000;
        room.GiveToComputer(1, 3);
      }
      if (room.ComputerToMove()) {
        room.PlayComputerTurn();
      } else {
        const int seat = room.TheGame().State().CurrentSeat;
        GameState w = room.TheGame().State();
        FindAllKings(w);
        UpdatePawnLines(w);
        const auto legal = LegalMoves(w);
        if (legal.empty()) break;
        std::vector<Move> captures;
        for (const Move& m : legal)
          if (!w.Board[m.toX][m.toY].IsEmpty()) captures.push_back(m);
        const auto& from = !captures.empty() && next() % 10 < 7 ? captures : legal;
        Intend(room, seat, from[next() % from.size()]);
      }
      room.TakeOutgoing();
      if (turn % 37 != 0 && !room.Over()) continue;
      const std::string text = room.Record();
      const RecordReading r = ReadRecord(text);
      ASSERT_TRUE(r.record) << "seed " << seed << ": " << r.error.Text() << "\n" << text;
      const GameState& got = r.record->game.State();
      const GameState& want = room.TheGame().State();
      ASSERT_TRUE(KeyOf(got) == KeyOf(want)) << "seed " << seed << "\n" << text;
      EXPECT_EQ(got.GameOver, room.Over()) << "seed " << seed;
      EXPECT_EQ(got.Level, o.level);
      for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(got.PlayerKind[s], room.IsPersonSeat(s) ? HUMAN : COMPUTER) << s;
      EXPECT_EQ(text.find("# 下: P1\n") != std::string::npos, room.IsPersonSeat(1));
    }
    ended += room.Over();
    for (const Game::Turn& t : room.Turns()) {
      drops += !t.pass && t.move.IsDrop();
      passes += t.pass;
    }
    const std::string text = room.Record();
    repetitions += text.find("結果: 千日手") != std::string::npos;
  }
  // The games did meet what the record must carry.
  EXPECT_GT(ended, 50);
  EXPECT_GT(drops, 50);
  EXPECT_GT(repetitions + passes, 0);
}

// A game the authority ended without a king taken (the repetition rule among computers)
// is written 千日手 with the winner it named, or none, and opens finished there.
TEST(RoomRecords, AGameEndedByRepetitionOpensFinishedWithItsWinner) {
  Room room("RECORDS", People({1, 2, 3, 4}));
  for (int s = 1; s <= 4; ++s) ASSERT_TRUE(room.Join(s, QString("P%1").arg(s)).ok);
  room.Start(1);
  for (int i = 0; i < 9; ++i) Intend(room, room.TheGame().State().CurrentSeat, FirstLegal(room));
  ASSERT_EQ(room.Turns().size(), 9u);
  const bool person[5] = {false, true, false, true, false};
  const QString names[5] = {"", "A", "", "C", ""};
  for (const int winner : {HIDARI, 0}) {
    const std::string text =
        RecordText(room.TheGame(), person, names, 2, true, winner, "2026-12-08 10:00:00");
    EXPECT_NE(text.find(winner ? "結果: 千日手 左 後手組みの勝ち\n" : "結果: 千日手 引き分け\n"),
              std::string::npos)
        << text;
    const RecordReading r = ReadRecord(text);
    ASSERT_TRUE(r.record) << r.error.Text() << "\n" << text;
    EXPECT_TRUE(r.record->game.State().GameOver);
    EXPECT_EQ(r.record->game.State().WinnerSeat, winner ? winner : NO_SEAT);
    EXPECT_TRUE(KeyOf(r.record->game.State()) == KeyOf(room.TheGame().State()));
    EXPECT_EQ(r.record->game.State().PlayerKind[HIDARI], COMPUTER);
    EXPECT_EQ(r.record->started, "2026-12-08 10:00:00");
  }
}

// A player's name goes into a comment line: whatever it holds, it adds no line of its own.
TEST(RoomRecords, ANameCannotAddLinesToTheRecord) {
  Room room("RECORDS", People({1, 3}));
  ASSERT_TRUE(room.Join(1, QString::fromUtf8("A\n上: COM\r\n1 下 ５六歩(57)\u2028x")).ok);
  ASSERT_TRUE(room.Join(3, QString::fromUtf8("\u202e\t")).ok);
  room.Start(1);
  Intend(room, 1, FirstLegal(room));
  const std::string text = room.Record();
  EXPECT_NE(text.find("# 下: A 上: COM 1 下 ５六歩(57) x\n"), std::string::npos) << text;
  EXPECT_NE(text.find("# 上: （空席）\n"), std::string::npos) << text;
  EXPECT_NE(text.find("# 左: コンピュータ\n"), std::string::npos) << text;
  const RecordReading r = ReadRecord(text);
  ASSERT_TRUE(r.record) << r.error.Text();
  EXPECT_EQ(r.record->game.State().PlayerKind[UE], HUMAN);
  EXPECT_EQ(r.record->game.MoveNumber(), 1);
}

// Sixteen turns of four people that leave SITA with no move the rules accept: UE's rook
// leaves the file it shared with SITA's rook and UE's king, and SITA's rook, boxed in by its
// own pawns and king, now looks at its partner's king, so every move and drop is refused.
const int kToStuck[16][4] = {{5, 7, 5, 6}, {2, 4, 3, 4}, {3, 1, 3, 2}, {9, 6, 8, 7},
                             {5, 6, 5, 5}, {1, 3, 2, 2}, {5, 3, 5, 4}, {8, 7, 8, 8},
                             {5, 5, 5, 4}, {1, 4, 1, 3}, {5, 2, 5, 4}, {9, 5, 9, 6},
                             {11, 6, 3, 3}, {1, 6, 2, 7}, {5, 4, 8, 4}, {9, 4, 9, 5}};

// The person the rules leave no move passes the moment the turn comes: a pass turn and a
// `pass` notice for everyone, the turn handed on, the game replayed and recorded with it.
TEST(RoomPass, APersonWithNoMovePassesAtOnce) {
  Room room("PASSES", People({1, 2, 3, 4}));
  for (int s = 1; s <= 4; ++s) ASSERT_TRUE(room.Join(s, QString("P%1").arg(s)).ok);
  room.Start(1);
  room.TakeOutgoing();
  for (int i = 0; i < 16; ++i) {
    const int seat = room.TheGame().State().CurrentSeat;
    ASSERT_EQ(seat, i % 4 + 1) << i;
    const auto* t = kToStuck[i];
    room.Intend(seat, static_cast<int>(room.Turns().size()) + 1, {t[0], t[1]}, {t[2], t[3]}, false);
    const auto out = room.TakeOutgoing();
    ASSERT_EQ(OfType(out, "refused").size(), 0u) << i;
    if (i < 15) {
      EXPECT_EQ(OfType(out, "notice").size(), 0u) << i;
      continue;
    }
    // MIGI's move, then SITA's pass.
    const auto moved = OfType(out, "moved");
    ASSERT_EQ(moved.size(), 2u);
    const QJsonObject pass = moved[1].msg.value("turn").toObject();
    EXPECT_EQ(moved[1].to, kEveryone);
    EXPECT_EQ(moved[1].msg.value("n").toInt(), 17);
    EXPECT_EQ(pass.value("pass").toBool(), true);
    EXPECT_EQ(pass.value("seat").toInt(), SITA);
    EXPECT_EQ(pass.value("next").toInt(), HIDARI);
    const auto notices = OfType(out, "notice");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].to, kEveryone);
    EXPECT_EQ(notices[0].msg.value("code").toString(), "pass");
    EXPECT_EQ(notices[0].msg.value("seat").toInt(), SITA);
    EXPECT_EQ(notices[0].msg.value("text").toString(), QString::fromUtf8("下は指せる手がないのでパスします"));
  }
  ASSERT_EQ(room.Turns().size(), 17u);
  EXPECT_TRUE(room.Turns().back().pass);
  EXPECT_EQ(room.TheGame().State().CurrentSeat, HIDARI);
  const bool person[5] = {false, true, true, true, true};
  ExpectReplayMatches(room, person, 1);
  const std::string text = room.Record();
  EXPECT_NE(text.find(" 下 パス\n"), std::string::npos) << text;
  const RecordReading r = ReadRecord(text);
  ASSERT_TRUE(r.record) << r.error.Text() << "\n" << text;
  EXPECT_TRUE(KeyOf(r.record->game.State()) == KeyOf(room.TheGame().State()));
  // A welcome carries the pass like any turn.
  EXPECT_EQ(room.Welcome(2, "").value("turns").toArray().size(), 17);
}

TEST(RoomAbsence, TokenRejoinAndGivingTheSeatAway) {
  qint64 now = 1000;
  Room room("ABCDEF", People({1, 2, 3, 4}));
  room.SetClock([&] { return now; });
  QString token[5];
  for (int s = 1; s <= 4; ++s) token[s] = room.Join(s, QString("P%1").arg(s)).token;
  room.Start(1);
  Intend(room, 1, FirstLegal(room));
  room.TakeOutgoing();

  room.Left(2);
  auto out = room.TakeOutgoing();
  ASSERT_EQ(OfType(out, "notice").size(), 1u);
  EXPECT_EQ(OfType(out, "notice")[0].msg.value("code").toString(), "missing");
  EXPECT_FALSE(room.ComputerToMove());  // the game waits for seat 2

  EXPECT_FALSE(room.Rejoin(2, token[3]).ok);  // another seat's token proves nothing
  EXPECT_FALSE(room.Rejoin(2, QString(32, '0')).ok);
  // Only the whole token proves the seat: none of its beginnings, nothing longer.
  EXPECT_FALSE(room.Rejoin(2, QString()).ok);
  EXPECT_FALSE(room.Rejoin(2, token[2].left(1)).ok);
  EXPECT_FALSE(room.Rejoin(2, token[2].left(31)).ok);
  EXPECT_FALSE(room.Rejoin(2, token[2] + "0").ok);

  room.GiveToComputer(3, 2);  // only the host
  room.GiveToComputer(1, 2);  // not before the waiting time
  out = room.TakeOutgoing();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].msg.value("code").toString(), "host-only");
  EXPECT_EQ(out[1].msg.value("code").toString(), "wait");

  const auto back = room.Rejoin(2, token[2]);
  ASSERT_TRUE(back.ok);
  out = room.TakeOutgoing();
  const auto welcome = OfType(out, "welcome");
  ASSERT_EQ(welcome.size(), 1u);
  EXPECT_EQ(welcome[0].to, 2);
  EXPECT_EQ(welcome[0].msg.value("turns").toArray().size(), 1);

  room.Left(2);
  now += 59 * 1000;
  room.GiveToComputer(1, 2);  // the waiting time is a minute
  out = room.TakeOutgoing();
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back().msg.value("code").toString(), "wait");
  EXPECT_TRUE(room.IsPersonSeat(2));
  now += 2 * 1000;
  room.GiveToComputer(1, 2);
  room.TakeOutgoing();
  EXPECT_FALSE(room.IsPersonSeat(2));
  EXPECT_TRUE(room.ComputerToMove());
  room.PlayComputerTurn();
  EXPECT_EQ(room.Turns().size(), 2u);
  EXPECT_TRUE(room.Turns()[1].by == Game::Mover::COMPUTER);
  // The player comes back and has the seat again.
  ASSERT_TRUE(room.Rejoin(2, token[2]).ok);
  EXPECT_TRUE(room.IsPersonSeat(2));
}

}  // namespace
}  // namespace korvel::net
