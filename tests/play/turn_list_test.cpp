// The game's one list of turns: what each turn carries, how 戻 and 進 walk it (a pass is
// no step of its own but goes back and comes again with the move before it), and what a
// new turn where moves were taken back leaves of it. The records object's 待った and its
// network file names are here too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../game/positions.h"
#include "io/disk_files.h"
#include "play/game.h"
#include "play/record_keeper.h"
#include "support/fake_ports.h"
#include "support/turns.h"

namespace korvel {
namespace {

using testing::FromGrid;

// Four lone kings and a rook and a gold of SITA's: every seat has moves.
constexpr const char* kOpen = R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  . 14  .  .  .  . 45
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  . 13  .  .
 .  .  .  . 15  .  .  .  .)";

Game FourPeople(int kinds = HUMAN) {
  Game g;
  g.NewGame();
  g.SetSeats(HUMAN, kinds, kinds, kinds, kinds == HUMAN ? 0 : 1);
  g.Fix().SetBoard(FromGrid(kOpen).Board);
  g.Fix().SetSeatToMove(SITA);
  return g;
}

const Move kRook{4, 5, 4, 4, 14_pc, 14_pc};      // SITA
const Move kUeKing{5, 1, 4, 1, 35_pc, 35_pc};    // UE
const Move kMigiKing{9, 5, 9, 4, 45_pc, 45_pc};  // MIGI

TEST(TurnList, EachTurnSaysWhoPlayedItByWhichDoorAndWhoIsToMoveAfter) {
  Game g = FourPeople();
  ASSERT_EQ(g.Play(SITA, kRook, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(HIDARI, Game::Mover::COMPUTER), Refusal::NONE);
  ASSERT_EQ(g.Play(UE, kUeKing, Game::Mover::COMPUTER).refusal, Refusal::NONE);
  // A refused move or pass adds nothing.
  EXPECT_EQ(g.Pass(SITA), Refusal::NOT_YOUR_TURN);
  EXPECT_NE(g.Play(MIGI, {9, 5, 9, 1, 45_pc, 45_pc}, Game::Mover::PERSON).refusal, Refusal::NONE);
  const std::vector<Game::Turn>& t = g.Turns();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].seat, SITA);
  EXPECT_FALSE(t[0].pass);
  EXPECT_TRUE(t[0].by == Game::Mover::PERSON);
  EXPECT_TRUE(static_cast<const Move&>(t[0].move) == kRook);
  EXPECT_EQ(t[0].move.mover, SITA);
  EXPECT_EQ(t[0].next, HIDARI);
  EXPECT_TRUE(t[1].pass);
  EXPECT_EQ(t[1].seat, HIDARI);
  EXPECT_TRUE(t[1].by == Game::Mover::COMPUTER);
  EXPECT_EQ(t[1].next, UE);
  EXPECT_TRUE(t[2].by == Game::Mover::COMPUTER);
  EXPECT_EQ(t[2].next, g.State().CurrentSeat);
  EXPECT_EQ(g.TurnsPlayed(), 3);
  EXPECT_EQ(g.HistoryCount(), 2);
  EXPECT_EQ(g.HistoryTop(), 2);
  EXPECT_TRUE(static_cast<const Move&>(g.LastRecord()) == kUeKing);
  // The network replay keeps the authority's seat to move with the newest turn.
  g.Fix().FollowSeatToMove(MIGI);
  EXPECT_EQ(g.Turns().back().next, MIGI);
  EXPECT_EQ(g.State().CurrentSeat, MIGI);

  // A king taken: no seat to move after it.
  Game k = FourPeople();
  ASSERT_EQ(k.Play(SITA, {4, 5, 5, 1, 14_pc, 14_pc}, Game::Mover::COMPUTER).refusal, Refusal::NONE);
  ASSERT_TRUE(k.Turns().back().move.captured == 35_pc);
  EXPECT_EQ(k.Turns().back().next, NO_SEAT);
}

TEST(TurnList, APassGoesBackAndComesAgainWithTheMoveBeforeIt) {
  Game g = FourPeople();
  ASSERT_EQ(g.Play(SITA, kRook, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(HIDARI), Refusal::NONE);
  ASSERT_EQ(g.Play(UE, kUeKing, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(MIGI), Refusal::NONE);
  ASSERT_EQ(g.State().CurrentSeat, SITA);
  EXPECT_TRUE(static_cast<const Move&>(g.LastRecord()) == kUeKing) << "a pass is no move";

  // 戻: the move and the pass after it go back together; the mover is to move again.
  ASSERT_TRUE(g.StepBack());
  EXPECT_EQ(g.HistoryCount(), 1);
  EXPECT_EQ(g.TurnsPlayed(), 2) << "the pass after the first move stays played";
  EXPECT_EQ(g.State().CurrentSeat, UE);
  EXPECT_TRUE(static_cast<const Move&>(g.LastRecord()) == kRook);
  ASSERT_TRUE(g.StepBack());
  EXPECT_EQ(g.TurnsPlayed(), 0);
  EXPECT_FALSE(g.StepBack());
  EXPECT_EQ(g.LastRecord().mover, MoveRecord{}.mover) << "none before the first move";
  // 進 in the middle: the next move's mover; at the newest, the passes after it again.
  ASSERT_TRUE(g.StepForward());
  EXPECT_EQ(g.TurnsPlayed(), 2);
  EXPECT_EQ(g.State().CurrentSeat, UE);
  ASSERT_TRUE(g.StepForward());
  EXPECT_EQ(g.TurnsPlayed(), 4);
  EXPECT_EQ(g.State().CurrentSeat, SITA);
  EXPECT_FALSE(g.StepForward());
  EXPECT_EQ(g.Turns().size(), 4u) << "stepping changes no turn";

  // A move where moves were taken back keeps what came before it, the pass included, and
  // drops the rest.
  ASSERT_TRUE(g.StepBack());
  ASSERT_EQ(g.Play(UE, {5, 1, 6, 1, 35_pc, 35_pc}, Game::Mover::PERSON).refusal, Refusal::NONE);
  EXPECT_EQ(PassesOf(g), (std::vector<std::pair<int, int>>{{1, HIDARI}}));
  EXPECT_EQ(g.HistoryTop(), 2);
  EXPECT_EQ(NthMove(g, 2).toX, 6);
  // A pass does the same: after the first move's pass, HIDARI's second pass.
  ASSERT_TRUE(g.StepBack());
  ASSERT_EQ(g.Pass(UE), Refusal::NONE);
  EXPECT_EQ(PassesOf(g), (std::vector<std::pair<int, int>>{{1, HIDARI}, {1, UE}}));
  EXPECT_EQ(g.HistoryTop(), 1);
  EXPECT_EQ(g.Turns().size(), 3u);
  // At the start, a pass leaves nothing else.
  ASSERT_TRUE(g.StepBack());
  ASSERT_EQ(g.Pass(SITA), Refusal::NONE);
  EXPECT_EQ(g.Turns().size(), 1u);
  EXPECT_EQ(g.HistoryTop(), 0);
}

TEST(TurnList, TheEndByRepetitionAndANewGameLeaveNoFuture) {
  Game g = FourPeople();
  ASSERT_EQ(g.Play(SITA, kRook, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(HIDARI), Refusal::NONE);
  ASSERT_EQ(g.Play(UE, kUeKing, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_TRUE(g.StepBack());
  g.EndByRepetition(UE);
  EXPECT_EQ(g.Turns().size(), 2u) << "the pass before stays";
  EXPECT_TRUE(g.Finished());
  EXPECT_FALSE(g.StepForward());
  g.NewGame();
  EXPECT_TRUE(g.Turns().empty());
  EXPECT_EQ(g.TurnsPlayed(), 0);
}

// 待った: back over the computers' moves and passes to before the person's last move.
TEST(RecordKeeperTakeBack, GoesBackToBeforeThePersonsLastMove) {
  Game g = FourPeople(COMPUTER);
  EXPECT_FALSE(RecordKeeper::TakeBack(g)) << "nothing played";
  ASSERT_EQ(g.Play(SITA, kRook, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(HIDARI, Game::Mover::COMPUTER), Refusal::NONE);
  ASSERT_EQ(g.Play(UE, kUeKing, Game::Mover::COMPUTER).refusal, Refusal::NONE);
  ASSERT_EQ(g.Play(MIGI, kMigiKing, Game::Mover::COMPUTER).refusal, Refusal::NONE);
  ASSERT_EQ(g.State().CurrentSeat, SITA);
  ASSERT_EQ(g.Play(SITA, {4, 4, 5, 4, 14_pc, 14_pc}, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_TRUE(RecordKeeper::TakeBack(g));
  EXPECT_EQ(g.HistoryCount(), 3);
  EXPECT_EQ(g.State().CurrentSeat, SITA);
  ASSERT_TRUE(RecordKeeper::TakeBack(g));
  EXPECT_EQ(g.HistoryCount(), 0);
  EXPECT_EQ(g.HistoryTop(), 4) << "taken back, not forgotten";
  EXPECT_FALSE(RecordKeeper::TakeBack(g));
  EXPECT_EQ(g.HistoryCount(), 0);
}

class RecordKeeperFiles : public testing::InFreshFolder {
 protected:
  DiskFiles disk{"", "", ""};
  RecordKeeper keeper{disk};
};

TEST_F(RecordKeeperFiles, NetworkRecordsGetNewNamesAndNeverReplaceAFile) {
  namespace fs = std::filesystem;
  auto here = [](const std::string& name) { return name; };
  std::string error;
  const std::string a = keeper.SaveNew(here, "-finished", "A", &error);
  const std::string b = keeper.SaveNew(here, "-finished", "B", &error);
  ASSERT_FALSE(a.empty()) << error;
  ASSERT_NE(a, b);
  EXPECT_TRUE(a.starts_with("korvel4-net-")) << a;
  EXPECT_TRUE(a.ends_with("-finished.k4k")) << a;
  // The local clock (YYYYMMDD-HHMMSS) and the count between.
  const std::string middle = a.substr(12, a.size() - 12 - 13);
  EXPECT_EQ(middle.find_first_not_of("0123456789-"), std::string::npos) << a;
  EXPECT_EQ(middle[8], '-') << a;
  std::ifstream in(a);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "A");
  // Wherever a name leads to something already there, nothing is replaced.
  std::ofstream("kept.k4k") << "old";
  EXPECT_EQ(
      keeper.SaveNew([](const std::string&) { return std::string("kept.k4k"); }, "", "new", &error),
      "");
  std::ifstream kept("kept.k4k");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");
  // A folder that is not there: the reason.
  error.clear();
  EXPECT_EQ(keeper.SaveNew([](const std::string& n) { return "missing/" + n; }, "", "x", &error),
            "");
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists("missing"));
}

TEST_F(RecordKeeperFiles, WhatThePlayerIsToldWhenARecordCannotBeUsed) {
  std::filesystem::create_directory("folder.k4k");
  // A missing file: the player named it a moment ago. Anything else names the file.
  EXPECT_EQ(keeper.Open("none.k4k").error, "ファイルがありません");
  EXPECT_EQ(keeper.Open("folder.k4k").error, "folder.k4k: 通常のファイルではありません");
  std::ofstream("bad.k4k") << "not a record\n";
  EXPECT_EQ(keeper.Open("bad.k4k").error, "bad.k4k: 1行目: 棋譜のファイルではありません");
  EXPECT_FALSE(keeper.Open("bad.k4k").record);
  Game g;
  EXPECT_EQ(keeper.Save("x.k4k", g, ""), "対局が始まっていません");
  g = FourPeople();
  EXPECT_EQ(keeper.Save("x.k4k", g, ""), "");
  EXPECT_NE(keeper.Save("folder.k4k", g, ""), "");
  const RecordKeeper::Opened back = keeper.Open("x.k4k");
  ASSERT_TRUE(back.record) << back.error;
  EXPECT_EQ(WriteRecord(back.record->game, ""), WriteRecord(g, ""));
}

}  // namespace
}  // namespace korvel
