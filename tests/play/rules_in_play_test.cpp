// The rules as a player meets them at the window: what is refused and with which message,
// the notices a move gives, who is announced the winner by each path, the question before
// play resumes, and the history across a taken king.
#include <gtest/gtest.h>

#include <algorithm>

#include "../game/positions.h"
#include "support/fake_ports.h"
#include "view/board_drawing.h"

namespace korvel {
namespace {

using testing::FormRig;
using testing::FromGrid;
using testing::InFreshFolder;

class RulesInPlay : public InFreshFolder {
 protected:
  void Start(FormRig& rig, void (Form1::*mode)(), const char* grid, int seat) {
    rig.form.Form_Load();
    (rig.form.*mode)();
    const GameState s = FromGrid(grid);
    rig.form.SetBoard(s.Board);
    rig.form.SetSeatToMove(seat);
    rig.dialogs.shown.clear();
    rig.sound.calls.clear();
  }
  static void Click(FormRig& rig, int c, int r, MouseButton b = MouseButton::LEFT) {
    rig.form.Form_MouseDown(b, 0, CellX(c) + 352, CellY(r) + 352);
  }
  static bool Shown(const FormRig& rig, const std::string& line) {
    return std::find(rig.dialogs.shown.begin(), rig.dialogs.shown.end(), line) !=
           rig.dialogs.shown.end();
  }
  static long IndexOf(const FormRig& rig, const std::string& line) {
    return std::find(rig.dialogs.shown.begin(), rig.dialogs.shown.end(), line) -
           rig.dialogs.shown.begin();
  }
};

// SITA's rook on 4五 could slide to 5五 and bear on its partner UE's king on 5一.
constexpr const char* kPartnerLine = R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  . 14  .  .  .  . 45
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  . 15  .  .  .)";

TEST_F(RulesInPlay, AMoveOnThePartnersKingIsRefusedAndChangesNothing) {
  FormRig rig;
  Start(rig, &Form1::PLAY_4_Click, kPartnerLine, SITA);
  Click(rig, 4, 5);
  Click(rig, 5, 5);
  EXPECT_TRUE(Shown(rig, "message 禁手|味方に王手はできません"));
  EXPECT_EQ(rig.form.State().Board[4][5], 14_pc);
  EXPECT_TRUE(rig.form.State().Board[5][5].IsEmpty());
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 0);
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  EXPECT_EQ(rig.form.State().CurrentSeat, SITA);
  // The rook may go where it does not bear on the partner's king.
  Click(rig, 4, 5);
  Click(rig, 4, 4);
  EXPECT_EQ(rig.form.State().Board[4][4], 14_pc);
  EXPECT_EQ(rig.form.State().CurrentSeat, HIDARI);
}

// A piece picked before the turn passed on stays picked: the second press checks all but
// the owner, and refuses a square the piece cannot reach.
TEST_F(RulesInPlay, APiecePickedBeforeTheTurnPassedIsCheckedAtTheSecondPress) {
  FormRig rig;
  Start(rig, &Form1::PLAY_4_Click, kPartnerLine, SITA);
  Click(rig, 4, 5);
  rig.form.SetSeatToMove(HIDARI);
  rig.sound.calls.clear();
  Click(rig, 3, 4);  // no rook's move
  EXPECT_EQ(rig.sound.calls, std::vector<std::string>{"play 禁止.wav"});
  EXPECT_EQ(rig.form.State().Board[4][5], 14_pc);
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 0);
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  Click(rig, 4, 5);  // HIDARI's turn: SITA's rook is not picked
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  rig.form.SetSeatToMove(SITA);
  Click(rig, 4, 5);
  rig.form.SetSeatToMove(HIDARI);
  Click(rig, 4, 4);  // the rook's move, played by the seat to move
  EXPECT_EQ(rig.form.State().Board[4][4], 14_pc);
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 1);
}

TEST_F(RulesInPlay, PiecesAndHandsOfAnotherSeatAreRefusedWithTheSeatToMove) {
  FormRig rig;
  Start(rig, &Form1::PLAY_4_Click, kPartnerLine, SITA);
  const int pawns[4] = {1, 0, 0, 0};
  rig.form.SetHand(UE, pawns);
  const Square ueHand = HandCellOf(UE, 1);
  Click(rig, ueHand.x, ueHand.y);
  EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{"message 手番が違います|下の番です"});
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);

  rig.dialogs.shown.clear();
  Click(rig, 9, 5);  // MIGI's king
  EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{"message 手番が違います|下の番です"});
  EXPECT_EQ(rig.sound.calls, std::vector<std::string>{"play 禁止.wav"});
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
}

// SITA's rook on 6六 slides to 1六 and checks MIGI's king on 1三, which cannot get away.
constexpr const char* kMateInOne = R"(
 . 34  . 13  . 25  .  .  .
 .  .  .  .  .  .  .  .  .
45  .  .  .  .  .  .  .  .
 .  .  . 24  .  .  .  .  .
 .  . 14.5 . 44  .  .  .  .
 .  .  .  .  . 14  .  .  .
15  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  . 35  .
 .  .  .  .  .  .  .  .  .)";

TEST_F(RulesInPlay, TheMateNoticeComesBeforeTheCheckNotice) {
  FormRig rig;
  rig.dialogs.answers = {false};
  Start(rig, &Form1::JYUNBAN_1_Click, kMateInOne, SITA);
  Click(rig, 6, 6);
  Click(rig, 1, 6);
  ASSERT_GE(rig.dialogs.shown.size(), 2u);
  EXPECT_EQ(rig.dialogs.shown[0], "message 詰め ?|よし！!");
  EXPECT_EQ(rig.dialogs.shown[1], "message 王手です|右の番です");
}

TEST_F(RulesInPlay, WithoutComputersThereIsNoMateNoticeButTheCheckHandsOn) {
  FormRig rig;
  Start(rig, &Form1::PLAY_4_Click, kMateInOne, SITA);
  Click(rig, 6, 6);
  Click(rig, 1, 6);
  EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{"message 王手です|右の番です"});
  EXPECT_EQ(rig.form.State().CurrentSeat, MIGI);
}

// SITA's rook on 5五 takes HIDARI's king on 5三 (the pawn shields UE's king above).
constexpr const char* kKingToTake = R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  . 11  .  .  .  .
 .  .  .  . 25  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  . 14  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
45  .  .  .  .  .  .  .  .
 .  .  .  . 15  .  .  .  .)";

TEST_F(RulesInPlay, APersonTakingAKingIsAnnouncedForTheMoversTeam) {
  FormRig rig;
  rig.dialogs.answers = {false};
  Start(rig, &Form1::PLAY_4_Click, kKingToTake, SITA);
  Click(rig, 5, 5);
  Click(rig, 5, 3);
  EXPECT_EQ(rig.dialogs.shown, (std::vector<std::string>{"message 終了|先手組みの勝ちです",
                                                         "question 再ゲーム|続けますか？"}));
  EXPECT_TRUE(rig.form.Ended());
}

TEST_F(RulesInPlay, AComputerTakingAKingIsAnnouncedForItsTeamAndEndsTheGame) {
  FormRig rig;
  rig.dialogs.answers = {false};
  // Turned a quarter: MIGI's rook faces UE's king with nothing between; MIGI is a computer.
  Start(rig, &Form1::JYUNBAN_1_Click, R"(
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
15  .  .  .  .  . 35  . 44
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 . 25  .  .  .  .  .  . 45
 .  .  .  .  .  .  .  .  .)", MIGI);
  rig.form.JYUNBAN_1_Click();  // the computers' turn runs
  EXPECT_TRUE(Shown(rig, "message 終了|後手組みの勝ちです"));
  EXPECT_FALSE(Shown(rig, "message 終了|先手組みの勝ちです"));
}

TEST_F(RulesInPlay, AfterStepsTheNextPressOnlyAsksBeforePlayResumes) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.PLAY_4_Click();
  Click(rig, 5, 7);
  Click(rig, 5, 6);
  Click(rig, 3, 5);
  Click(rig, 4, 5);
  rig.form.REPLAY_Click();
  rig.dialogs.shown.clear();
  Click(rig, 5, 7);  // would pick a pawn: it only asks
  EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{"message 再開|OKですか？"});
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  Click(rig, 3, 5);  // HIDARI is to move again
  EXPECT_EQ(rig.form.Looks().pieceSelected, 1);

  // Stepped back to the very start, a press is refused as before any game.
  rig.form.CANCEL_Click();
  rig.form.PLAY_4_Click();
  Click(rig, 5, 7);
  Click(rig, 5, 6);
  rig.form.REPLAY_Click();
  rig.form.AFTER_Click();
  rig.form.REPLAY_Click();
  rig.dialogs.shown.clear();
  Click(rig, 5, 7);
  EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{"message 開始|「対局」で始めて下さい"});
}

TEST_F(RulesInPlay, TheHistoryStepsBackAcrossATakenKing) {
  FormRig rig;
  Start(rig, &Form1::PLAY_4_Click, kKingToTake, SITA);
  // The computer's turn procedure plays SITA's seat: it takes the king and ends the game.
  ASSERT_TRUE(rig.form.PlayComputerTurnForSeatToMove());
  ASSERT_TRUE(rig.form.State().GameOver);
  EXPECT_EQ(rig.form.State().Board[5][3], 14_pc);
  EXPECT_EQ(rig.form.State().Hand[SITA][0], 1);

  rig.form.REPLAY_Click();
  EXPECT_FALSE(rig.form.State().GameOver);
  EXPECT_EQ(rig.form.State().Board[5][3], 25_pc);
  EXPECT_EQ(rig.form.State().Board[5][5], 14_pc);
  EXPECT_EQ(rig.form.State().Hand[SITA][0], 0);
  EXPECT_EQ(rig.form.State().CurrentSeat, SITA);

  rig.form.AFTER_Click();
  EXPECT_EQ(rig.form.State().Board[5][3], 14_pc);
  EXPECT_EQ(rig.form.State().Hand[SITA][0], 1);
}

}  // namespace
}  // namespace korvel
