// Records as the player meets them in the window: a finished game opened takes no more
// moves, a record standing where a computer is to move starts the computers, and the
// unfinished games of two copies of the program sharing a folder are both kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "play/game_record.h"
#include "support/fake_ports.h"
#include "view/board_drawing.h"
#include "support/turns.h"
#include "support/record_boards.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FormRig;
using testing::InFreshFolder;

constexpr const char* COMPUTERS_HEAD =
    "Korvel4人将棋 棋譜 1\n対局: COM対局\n下: 人\n左: COM\n上: COM\n右: COM\nレベル: 1\n";

// 下's rook on 5五 takes 左's king on 9五 with the first move, move 11.
constexpr const char* KING_TAKEN =
    KORVEL4_ROOK_BETWEEN_KINGS_ROWS
    "手番: 下\n"
    "開始手数: 10\n"
    "11 下 ９五飛(55)\n";

class RecordsInPlay : public InFreshFolder {
 protected:
  static void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Click(FormRig& rig, int c, int r) {
    rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(c) + 352, CellY(r) + 352);
  }
  static bool Shown(const FormRig& rig, const std::string& line) {
    return std::find(rig.dialogs.shown.begin(), rig.dialogs.shown.end(), line) !=
           rig.dialogs.shown.end();
  }
  // The game a record holds, written without its start time, for comparing games.
  static std::string GameIn(const std::string& text) {
    const RecordReading r = ReadRecord(text);
    return r.record ? WriteRecord(r.record->game, "") : "unreadable: " + r.error.Text();
  }
  // The unfinished games kept in the folder, by name.
  std::vector<std::string> Kept() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n.starts_with("korvel4-unfinished") && n.ends_with(".k4k")) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // Ends the session with this many computer turns played in a game of its mode.
  static void PlayAndEnd(FormRig& rig, void (Form1::*mode)(), int turns) {
    (rig.form.*mode)();
    for (int i = 0; i < turns; ++i) rig.form.PlayComputerTurnForSeatToMove();
    rig.form.OWARI_Click();
  }
};

// After the end of an opened finished game a press moves nothing: it shows the end again
// and asks for another game, as the end of a game does. What is saved of it opens again.
TEST_F(RecordsInPlay, AFinishedGameTakesNoMorePresses) {
  Put(dir_ / "king.k4k", std::string(COMPUTERS_HEAD) + KING_TAKEN);
  Put(dir_ / "repetition.k4k",
      std::string(COMPUTERS_HEAD) + "結果: 千日手 引き分け\n1 下 ５六歩(57)\n2 左 ６五歩(75)\n");
  struct Case {
    const char* file;
    const char* end;
  };
  for (const Case& c : {Case{"king.k4k", "message 終了|先手組みの勝ちです"},
                        Case{"repetition.k4k", "message 終了|千日手です"}}) {
    FormRig rig;
    rig.form.Form_Load();
    ASSERT_TRUE(rig.form.OpenRecord((dir_ / c.file).string())) << c.file;
    const int top = rig.form.TheGame().HistoryTop();
    ASSERT_TRUE(rig.form.SaveRecord((dir_ / "saved.k4k").string()));
    EXPECT_TRUE(ReadRecord(Slurp(dir_ / "saved.k4k")).record) << c.file;
    rig.dialogs.answers = {false};
    rig.dialogs.shown.clear();
    rig.sound.calls.clear();
    Click(rig, 5, 9);  // SITA's king
    EXPECT_EQ(rig.form.TheGame().HistoryTop(), top) << c.file;
    EXPECT_EQ(rig.form.Looks().pieceSelected, 0) << c.file;
    EXPECT_TRUE(Shown(rig, c.end)) << c.file;
    EXPECT_TRUE(Shown(rig, "question 再ゲーム|続けますか？")) << c.file;
    EXPECT_EQ(rig.sound.calls.front(), "play 終局.wav") << c.file;
    EXPECT_TRUE(rig.form.Ended()) << "No ends the program, as at the end of any game";
  }

  // Nor does a game-mode choice set the computers playing on after the end.
  {
    FormRig rig;
    rig.form.Form_Load();
    ASSERT_TRUE(rig.form.OpenRecord((dir_ / "king.k4k").string()));
    rig.dialogs.answers = {false};
    rig.form.JYUNBAN_2_Click();  // 下 becomes a computer's seat, and it is to move
    EXPECT_EQ(rig.form.TheGame().HistoryTop(), 1);
    EXPECT_TRUE(rig.form.Ended());
  }

  // Yes starts another game; stepped back and forward to the taken king, the game is over
  // again; stepped back only, play goes on from there.
  FormRig rig;
  rig.form.Form_Load();
  ASSERT_TRUE(rig.form.OpenRecord((dir_ / "king.k4k").string()));
  rig.form.REPLAY_Click();
  rig.form.AFTER_Click();
  rig.dialogs.shown.clear();
  Click(rig, 5, 9);
  EXPECT_TRUE(Shown(rig, "message 終了|先手組みの勝ちです"));
  EXPECT_FALSE(rig.form.State().GameStarted) << "Yes: a new game, not yet started";
  ASSERT_TRUE(rig.form.OpenRecord((dir_ / "king.k4k").string()));
  rig.form.REPLAY_Click();
  rig.dialogs.shown.clear();
  Click(rig, 5, 9);
  EXPECT_TRUE(Shown(rig, "message 再開|OKですか？"));
}

// The runner's computer turn that takes a king leaves the game over: no press plays after
// it, no computer turn either.
TEST_F(RecordsInPlay, AKingTakenByTheRunnersComputerTurnEndsThePresses) {
  const std::string position(KING_TAKEN);
  Put(dir_ / "start.k4k", COMPUTERS_HEAD + position.substr(0, position.find("11 下")));
  FormRig rig;
  rig.form.Form_Load();
  ASSERT_TRUE(rig.form.OpenRecord((dir_ / "start.k4k").string()));
  ASSERT_TRUE(rig.form.PlayComputerTurnForSeatToMove());
  ASSERT_TRUE(rig.form.State().GameOver) << WriteRecord(rig.form.TheGame(), "");
  EXPECT_FALSE(rig.form.PlayComputerTurnForSeatToMove());
  rig.form.REPLAY_Click();
  rig.form.AFTER_Click();
  EXPECT_FALSE(rig.form.PlayComputerTurnForSeatToMove()) << "進 to the end: still over";
  rig.dialogs.answers = {false};
  rig.dialogs.shown.clear();
  Click(rig, 5, 9);
  Click(rig, 5, 8);
  EXPECT_EQ(rig.form.TheGame().HistoryTop(), 1);
  EXPECT_TRUE(Shown(rig, "message 終了|先手組みの勝ちです"));
}

// A record standing at its start with a computer to move: the first press starts the
// computers as 再開 does, and the person never moves the computer's army.
TEST_F(RecordsInPlay, APressWhereAComputerIsToMoveStartsTheComputers) {
  // A game of two people (左 and 右) with computers, stepped back to move 0 and saved.
  {
    FormRig a;
    a.form.Form_Load();
    a.form.PLAY_TONARI_Click();  // 下, a computer, moves first
    ASSERT_EQ(a.form.State().CurrentSeat, HIDARI);
    a.form.StepHistoryTo(0);
    ASSERT_TRUE(a.form.SaveRecord((dir_ / "zero.k4k").string()));
  }
  // A record with no move yet whose seat to move is a computer's.
  Put(dir_ / "none.k4k",
      "Korvel4人将棋 棋譜 1\n対局: COM対局\n下: COM\n左: 人\n上: COM\n右: 人\nレベル: 2\n");
  for (const char* file : {"zero.k4k", "none.k4k"}) {
    FormRig rig;
    rig.form.Form_Load();
    ASSERT_TRUE(rig.form.OpenRecord((dir_ / file).string())) << file;
    ASSERT_EQ(rig.form.TheGame().MoveNumber(), 0);
    ASSERT_EQ(rig.form.State().CurrentSeat, SITA);
    rig.dialogs.shown.clear();
    Click(rig, 5, 7);  // 下's pawn
    EXPECT_TRUE(Shown(rig, "message 再開|OKですか？")) << file;
    EXPECT_EQ(rig.form.Looks().pieceSelected, 0) << file;
    ASSERT_EQ(rig.form.TheGame().HistoryCount(), 1) << file;
    EXPECT_EQ(NthMove(rig.form.TheGame(), 1).mover, SITA);
    EXPECT_EQ(rig.form.State().CurrentSeat, HIDARI) << "the person's turn";
    // The next presses are the person's own move.
    Click(rig, 2, 4);
    Click(rig, 3, 4);
    EXPECT_EQ(NthMove(rig.form.TheGame(), 2).mover, HIDARI) << file;
  }
}

// Games the window's computers play from crowded random positions, where seats are left
// without a move and pass: every record written of them opens again.
TEST_F(RecordsInPlay, ComputerGamesWithPassesOpenAgain) {
  int passes = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(seed);
    FormRig rig;
    rig.form.Form_Load();
    if (seed % 3 == 1) rig.form.LEVEL1_Click();
    if (seed % 3 == 2) rig.form.LEVEL2_Click();
    PieceCode board[10][10]{};
    auto place = [&](PieceCode c) {
      const int x = 1 + static_cast<int>(rng() % 9), y = 1 + static_cast<int>(rng() % 9);
      if (!board[x][y].IsEmpty()) return false;
      board[x][y] = c;
      return true;
    };
    for (int seat = 1; seat <= 4; ++seat)
      while (!place(KingCode(seat))) {
      }
    // One army is short of pieces.
    const int weak = 1 + static_cast<int>(rng() % 4);
    for (int k = 10 + static_cast<int>(rng() % 40); k > 0; --k) {
      const int seat = 1 + static_cast<int>(rng() % 4);
      if (seat != weak || rng() % 5 == 0) place(Code(seat, HU + static_cast<int>(rng() % 4)));
    }
    rig.form.SetBoard(board);
    rig.form.SetSeatToMove(1 + static_cast<int>(rng() % 4));
    rig.form.PLAY_TONARI_Click();
    for (int i = 0; i < 150 && rig.form.PlayComputerTurnForSeatToMove(); ++i) {
    }
    if (!rig.form.State().GameStarted) continue;  // a king taken, and another game begun
    passes += static_cast<int>(PassesOf(rig.form.TheGame()).size());
    const std::string text = WriteRecord(rig.form.TheGame(), "");
    const RecordReading r = ReadRecord(text);
    ASSERT_TRUE(r.record) << "seed " << seed << ": " << r.error.Text() << "\n" << text;
  }
  EXPECT_GT(passes, 10);
}

// --- the unfinished games ------------------------------------------------------------------

// Two copies of the program in one folder, each ending with a game unfinished: the first
// keeps its game in the usual file, the second in one of its own. 前回の続き offers the
// newest; the other stays in the folder, a record like any other.
TEST_F(RecordsInPlay, TwoCopiesEndingInTurnKeepBothGames) {
  FormRig a, b;
  a.form.Form_Load();
  b.form.Form_Load();
  a.form.JYUNBAN_1_Click();
  for (int i = 0; i < 4; ++i) a.form.PlayComputerTurnForSeatToMove();
  b.form.PLAY_4_Click();
  for (int i = 0; i < 7; ++i) b.form.PlayComputerTurnForSeatToMove();
  const std::string gameA = WriteRecord(a.form.TheGame(), "");
  const std::string gameB = WriteRecord(b.form.TheGame(), "");
  a.form.OWARI_Click();
  b.form.OWARI_Click();

  const std::vector<std::string> kept = Kept();
  ASSERT_EQ(kept.size(), 2u);
  const std::string own = kept[0] == UNFINISHED_GAME_FILE ? kept[1] : kept[0];
  EXPECT_EQ(GameIn(Slurp(dir_ / UNFINISHED_GAME_FILE)), gameA);
  EXPECT_EQ(GameIn(Slurp(dir_ / own)), gameB);
  EXPECT_TRUE(own.starts_with("korvel4-unfinished-")) << own;

  // The second copy's game is the newer: 前回の続き opens it.
  fs::last_write_time(dir_ / UNFINISHED_GAME_FILE,
                      fs::last_write_time(dir_ / own) - std::chrono::hours(1));
  FormRig c;
  c.form.Form_Load();
  EXPECT_TRUE(c.form.HasUnfinishedGame());
  c.form.ZENKAI_Click();
  EXPECT_EQ(WriteRecord(c.form.TheGame(), ""), gameB);
  // Played on and ended, it goes back to its own file.
  c.form.PlayComputerTurnForSeatToMove();
  const std::string gameC = WriteRecord(c.form.TheGame(), "");
  c.form.OWARI_Click();
  EXPECT_EQ(Kept().size(), 2u);
  EXPECT_EQ(GameIn(Slurp(dir_ / own)), gameC);
  EXPECT_EQ(GameIn(Slurp(dir_ / UNFINISHED_GAME_FILE)), gameA);

  // Continued once more and played to its end (here: a finished game opened over it), its
  // file goes; the first copy's game is what 前回の続き offers next.
  Put(dir_ / "king.k4k", std::string(COMPUTERS_HEAD) + KING_TAKEN);
  FormRig d;
  d.form.Form_Load();
  d.form.ZENKAI_Click();
  ASSERT_EQ(WriteRecord(d.form.TheGame(), ""), gameC);
  ASSERT_TRUE(d.form.OpenRecord((dir_ / "king.k4k").string()));
  d.form.OWARI_Click();
  EXPECT_EQ(Kept(), std::vector<std::string>{UNFINISHED_GAME_FILE});
  FormRig e;
  e.form.Form_Load();
  e.form.ZENKAI_Click();
  EXPECT_EQ(WriteRecord(e.form.TheGame(), ""), gameA);
}

// A game played to its end clears only the file of the copy that played it: another
// copy's game, kept there since this copy started, stays.
TEST_F(RecordsInPlay, AFinishedGameClearsOnlyItsOwnCopysFile) {
  Put(dir_ / "king.k4k", std::string(COMPUTERS_HEAD) + KING_TAKEN);
  FormRig a, b;
  a.form.Form_Load();
  b.form.Form_Load();
  PlayAndEnd(a, &Form1::JYUNBAN_1_Click, 5);
  const std::string gameA = Slurp(dir_ / UNFINISHED_GAME_FILE);
  ASSERT_FALSE(gameA.empty());
  ASSERT_TRUE(b.form.OpenRecord((dir_ / "king.k4k").string()));
  b.form.OWARI_Click();
  EXPECT_EQ(Slurp(dir_ / UNFINISHED_GAME_FILE), gameA);
  EXPECT_EQ(Kept(), std::vector<std::string>{UNFINISHED_GAME_FILE});
}

// One copy at a time, everything is as it always was: one file, a new session's game
// replacing the last one's, a game played to its end emptying it, a file an older program
// left opening with 前回の続き, and nothing kept refused with the 禁止 sound.
TEST_F(RecordsInPlay, OneCopyAtATimeKeepsOneFileAsBefore) {
  {
    FormRig rig;
    rig.form.Form_Load();
    rig.dialogs.shown.clear();
    rig.sound.calls.clear();
    EXPECT_FALSE(rig.form.HasUnfinishedGame());
    rig.form.ZENKAI_Click();
    EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{"message 棋譜|前回の続きはありません"});
    EXPECT_EQ(rig.sound.calls, std::vector<std::string>{"play 禁止.wav"});
    PlayAndEnd(rig, &Form1::JYUNBAN_1_Click, 3);
  }
  const std::string first = Slurp(dir_ / UNFINISHED_GAME_FILE);
  {
    FormRig rig;
    rig.form.Form_Load();
    PlayAndEnd(rig, &Form1::PLAY_TOIMEN_Click, 6);
  }
  EXPECT_EQ(Kept(), std::vector<std::string>{UNFINISHED_GAME_FILE});
  EXPECT_NE(Slurp(dir_ / UNFINISHED_GAME_FILE), first);
  EXPECT_EQ(ReadRecord(Slurp(dir_ / UNFINISHED_GAME_FILE)).record->game.MoveNumber(), 6);
  {
    Put(dir_ / "king.k4k", std::string(COMPUTERS_HEAD) + KING_TAKEN);
    FormRig rig;
    rig.form.Form_Load();
    ASSERT_TRUE(rig.form.OpenRecord((dir_ / "king.k4k").string()));
    rig.form.OWARI_Click();
  }
  EXPECT_EQ(Kept(), std::vector<std::string>{UNFINISHED_GAME_FILE});
  EXPECT_EQ(Slurp(dir_ / UNFINISHED_GAME_FILE), "");
  std::string played;
  {
    // As an older program leaves it.
    Put(dir_ / UNFINISHED_GAME_FILE,
        std::string(COMPUTERS_HEAD) + "1 下 ５六歩(57)\n2 左 ６五歩(75)\n");
    FormRig rig;
    rig.form.Form_Load();
    EXPECT_TRUE(rig.form.HasUnfinishedGame());
    rig.form.ZENKAI_Click();
    EXPECT_EQ(rig.form.TheGame().MoveNumber(), 2);
    Click(rig, 5, 6);  // 再開: the computers play up to 下
    Click(rig, 5, 6);
    Click(rig, 5, 5);
    ASSERT_GT(rig.form.TheGame().MoveNumber(), 5);
    played = WriteRecord(rig.form.TheGame(), "");
    rig.form.OWARI_Click();
  }
  EXPECT_EQ(Kept(), std::vector<std::string>{UNFINISHED_GAME_FILE});
  EXPECT_EQ(GameIn(Slurp(dir_ / UNFINISHED_GAME_FILE)), played);
}

}  // namespace
}  // namespace korvel
