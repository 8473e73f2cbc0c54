// The words of the protocol's version 1 are a contract: its peers compare the `text` and
// `detail` of what the authority sends byte for byte. Each case here is the exact string a
// peer expects, written out, whatever the program's own table says.
#include <gtest/gtest.h>

#include "game/play_move.h"
#include "net/protocol.h"
#include "net/room.h"

namespace korvel::net {
namespace {

RoomOptions People(std::initializer_list<int> seats) {
  RoomOptions o;
  for (int s = 0; s <= 4; ++s) o.person[s] = false;
  for (int s : seats) o.person[s] = true;
  o.level = 1;
  return o;
}

// "type code text | detail" of each message, the fields a peer reads.
std::vector<std::string> Said(Room& room) {
  std::vector<std::string> said;
  for (const Outgoing& o : room.TakeOutgoing()) {
    const QString t = o.msg.value("t").toString();
    if (t != "refused" && t != "notice" && t != "error" && t != "over" && t != "ask" &&
        t != "closed")
      continue;
    QString line = t;
    if (o.msg.contains("code")) line += " " + o.msg.value("code").toString();
    line += " " + o.msg.value("text").toString();
    if (o.msg.contains("detail")) line += " | " + o.msg.value("detail").toString();
    said.push_back(line.toStdString());
  }
  return said;
}

std::string ErrorOf(const Room::JoinAnswer& a) {
  return (a.error.value("code").toString() + " " + a.error.value("text").toString()).toStdString();
}

using Lines = std::vector<std::string>;

TEST(ProtocolTexts, JoiningStartingAndGivingSeatsAway) {
  qint64 now = 1000;
  Room room("ABCDEF", People({1, 2, 3}));
  room.SetClock([&] { return now; });
  EXPECT_EQ(ErrorOf(room.Join(4, "D")), "seat-computer その席はコンピュータが指します");
  QString token[4];
  token[1] = room.Join(1, "山田").token;
  EXPECT_EQ(ErrorOf(room.Join(1, "X")), "seat-taken その席はふさがっています");
  room.TakeOutgoing();
  room.Start(1);
  EXPECT_EQ(Said(room), Lines{"refused seats 席がそろっていません | 左の番です"});
  token[2] = room.Join(2, "B").token;
  token[3] = room.Join(3, "C").token;
  room.TakeOutgoing();
  room.Start(2);
  room.Again(3, true);
  room.Again(1, true);
  room.GiveToComputer(2, 3);
  room.GiveToComputer(1, 3);
  EXPECT_EQ(Said(room), (Lines{"refused host-only 主催者だけができます | 開始",
                               "refused host-only 主催者だけができます | 再ゲーム",
                               "refused not-over 対局中です | ",
                               "refused host-only 主催者だけができます | 交代",
                               "refused seat-present その席の人はいます | 上の番です"}));
  room.Start(1);
  room.Start(1);
  EXPECT_EQ(Said(room), Lines{"refused started 対局中です | "});

  EXPECT_EQ(ErrorOf(room.Rejoin(2, token[3])), "token その席に戻る証明が違います");
  room.Left(2);
  room.Left(1);
  // The host's role passes to the person still here.
  EXPECT_EQ(Said(room), (Lines{"notice missing Bさんの接続が切れました。戻るのを待っています",
                               "notice missing 山田さん（主催者）の接続が切れました。戻るのを待っています",
                               "notice host Cさんが主催者になりました"}));
  room.GiveToComputer(3, 2);
  EXPECT_EQ(Said(room), Lines{"refused wait まだ待っています | 60秒待ってから交代できます"});
  now += 61 * 1000;
  room.GiveToComputer(3, 2);
  EXPECT_EQ(Said(room), Lines{"notice computer 左の番です コンピュータが代わりに指します"});
  ASSERT_TRUE(room.Rejoin(1, token[1]).ok);
  EXPECT_EQ(Said(room), Lines{"notice back 山田さんが戻りました"});
}

TEST(ProtocolTexts, RefusedMoves) {
  Room room("ABCDEF", People({1, 2, 3, 4}));
  for (int s = 1; s <= 4; ++s) ASSERT_TRUE(room.Join(s, QString("P%1").arg(s)).ok);
  room.TakeOutgoing();
  room.Intend(1, 1, {5, 7}, {5, 6}, false);
  EXPECT_EQ(Said(room), Lines{"refused not-started 開始 | まだ始まっていません"});
  room.Start(1);
  room.TakeOutgoing();
  const Move legal = LegalMoves(room.TheGame().State()).front();

  Square hidariPiece{};
  const GameState& s = room.TheGame().State();
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (SeatOfCode(s.Board[x][y]) == HIDARI) hidariPiece = {x, y};
  const Square from{legal.fromX, legal.fromY}, to{legal.toX, legal.toY};
  room.Intend(2, 1, from, to, false);
  room.Intend(1, 5, from, to, false);
  room.Intend(1, 1, hidariPiece, {5, 5}, false);
  room.Intend(1, 1, from, to, true);
  room.Intend(1, 1, from, from, false);
  room.Intend(1, 1, HandCellOf(SITA, 1), {5, 5}, false);
  EXPECT_EQ(Said(room), (Lines{"refused turn 手番が違います | 下の番です",
                               "refused stale 手番が違います | 最新の手を待って下さい",
                               "refused illegal 禁手 | 自分の駒ではありません",
                               "refused illegal 禁手 | 成れません",
                               "refused illegal 禁手 | 動かせません",
                               "refused illegal 禁手 | 動かせません"}));
}

// Computers play a whole game: each check, mate and end is told in the words peers know.
TEST(ProtocolTexts, ChecksAndTheEndOfAGame) {
  qint64 now = 1000;
  Room room("ABCDEF", People({1}));
  room.SetClock([&] { return now; });
  ASSERT_TRUE(room.Join(1, "A").ok);
  room.Start(1);
  room.Left(1);
  now += 61 * 1000;
  room.GiveToComputer(1, 1);
  room.TakeOutgoing();
  const char* prompts[] = {"", "下の番です", "左の番です", "上の番です", "右の番です"};
  int checks = 0, overs = 0;
  for (int turn = 0; turn < 4000 && !room.Over(); ++turn) {
    room.PlayComputerTurn();
    for (const Outgoing& o : room.TakeOutgoing()) {
      const QString t = o.msg.value("t").toString();
      const std::string text = o.msg.value("text").toString().toStdString();
      if (t == "notice" && o.msg.value("code") == "check") {
        ++checks;
        EXPECT_EQ(text, std::string("王手です ") + prompts[o.msg.value("seat").toInt()]);
      } else if (t == "notice" && o.msg.value("code") == "mate") {
        EXPECT_EQ(text, "詰め ?");
      } else if (t == "over") {
        ++overs;
        const int winner = o.msg.value("winner").toInt();
        if (winner == 1 || winner == 3) EXPECT_EQ(text, "先手組みの勝ちです");
        else if (winner == 2 || winner == 4) EXPECT_EQ(text, "後手組みの勝ちです");
        else EXPECT_TRUE(text == "千日手です" || text == "終局です") << text;
      } else if (t == "ask") {
        EXPECT_EQ(text, "続けますか？");
      }
    }
  }
  ASSERT_TRUE(room.Over());
  EXPECT_GT(checks, 0);
  EXPECT_EQ(overs, 1);
  room.Again(1, false);
  EXPECT_EQ(Said(room), Lines{"closed 主催者が対局を終えました"});
  EXPECT_EQ(ErrorOf(room.Join(1, "A")), "closed この部屋は閉じられました");
}

}  // namespace
}  // namespace korvel::net
