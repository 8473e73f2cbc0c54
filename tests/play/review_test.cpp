// Looking back at a finished game (棋譜を見る, the end question's third answer): the game
// stays on the board, 戻/進 and saving work, presses change nothing, the finished game is
// kept in the user's data area (a bounded number of them), and a new game ends the review.
// Yes and No keep doing what they did.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "play/game_record.h"
#include "support/fake_ports.h"
#include "support/turns.h"
#include "view/board_drawing.h"
#include "support/record_boards.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FormRig;
using testing::InFreshFolder;

// 下 (a person, with computers) to move at move 10; its rook on 5五 takes 左's king on 9五.
constexpr const char* BEFORE_THE_KING =
    "Korvel4人将棋 棋譜 1\n対局: COM対局\n下: 人\n左: COM\n上: COM\n右: COM\nレベル: 1\n"
    KORVEL4_ROOK_BETWEEN_KINGS_ROWS
    "手番: 下\n"
    "開始手数: 10\n";

class Review : public InFreshFolder {
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
  std::vector<std::string> Named(const std::string& prefix) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n.starts_with(prefix)) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // The person takes 左's king with the rook and answers the end question.
  void TakeTheKing(FormRig& rig, Answer answer) {
    Put(dir_ / "before.k4k", BEFORE_THE_KING);
    rig.form.Form_Load();
    ASSERT_TRUE(rig.form.OpenRecord((dir_ / "before.k4k").string()));
    Click(rig, 5, 5);  // 再開
    Click(rig, 5, 5);
    rig.dialogs.choices = {answer};
    rig.dialogs.shown.clear();
    rig.sound.calls.clear();
    Click(rig, 1, 5);
  }
};

TEST_F(Review, TheFinishedGameStaysToBeSteppedThroughAndSaved) {
  FormRig rig;
  TakeTheKing(rig, Answer::THIRD);
  EXPECT_EQ(rig.dialogs.shown,
            (std::vector<std::string>{"message 終了|先手組みの勝ちです",
                                      "question 再ゲーム|続けますか？|棋譜を見る"}));
  EXPECT_TRUE(rig.form.Reviewing());
  EXPECT_FALSE(rig.form.Ended());
  EXPECT_TRUE(rig.form.State().GameStarted);
  EXPECT_FALSE(rig.form.Looks().iconShown) << "no seat is to move: no turn icon stays";

  // 戻 and 進 step through the finished game; no "start from the menu".
  rig.dialogs.shown.clear();
  rig.form.REPLAY_Click();
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 0);
  rig.form.AFTER_Click();
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 1);
  rig.form.StepHistoryTo(0);
  EXPECT_TRUE(rig.dialogs.shown.empty()) << rig.dialogs.shown.front();

  // Stepped back, a press moves nothing and asks nothing, however many presses.
  rig.sound.calls.clear();
  Click(rig, 5, 5);
  Click(rig, 5, 4);
  Click(rig, 5, 5);
  Click(rig, 1, 5);
  EXPECT_EQ(rig.form.TheGame().HistoryTop(), 1);
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 0);
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  EXPECT_TRUE(rig.dialogs.shown.empty());
  EXPECT_TRUE(rig.sound.calls.empty());

  // Saved stepped back, the record holds the whole game and its end.
  ASSERT_TRUE(rig.form.SaveRecord((dir_ / "saved.k4k").string()));
  const RecordReading saved = ReadRecord(Slurp(dir_ / "saved.k4k"));
  ASSERT_TRUE(saved.record);
  EXPECT_EQ(saved.record->game.HistoryTop(), 1);
  EXPECT_NE(Slurp(dir_ / "saved.k4k").find("結果: 王取り 下 先手組みの勝ち"), std::string::npos);

  // The finished game was kept under a name of the program's own, and the end of the
  // program (stepped back) keeps no unfinished game.
  const std::vector<std::string> kept = Named("korvel4-finished-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(kept[0].ends_with(".k4k"));
  const RecordReading keptGame = ReadRecord(Slurp(dir_ / kept[0]));
  ASSERT_TRUE(keptGame.record);
  // Kept at the end, as it finished; the saved one stands where the player stepped.
  EXPECT_EQ(keptGame.record->game.HistoryCount(), 1);
  EXPECT_EQ(saved.record->game.HistoryCount(), 0);
  EXPECT_EQ(NthMove(keptGame.record->game, 1).captured, NthMove(saved.record->game, 1).captured);
  EXPECT_NE(Slurp(dir_ / kept[0]).find("結果: 王取り 下 先手組みの勝ち"), std::string::npos);
  rig.form.OWARI_Click();
  EXPECT_TRUE(rig.form.Ended());
  EXPECT_TRUE(Named("korvel4-unfinished").empty());
}

TEST_F(Review, ANewGameEndsTheReview) {
  using Mode = void (Form1::*)();
  for (Mode mode : {&Form1::JYUNBAN_1_Click, &Form1::JYUNBAN_3_Click, &Form1::PLAY_TOIMEN_Click,
                    &Form1::PLAY_4_Click}) {
    FormRig rig;
    TakeTheKing(rig, Answer::THIRD);
    rig.form.REPLAY_Click();
    (rig.form.*mode)();
    EXPECT_FALSE(rig.form.Reviewing());
    EXPECT_FALSE(rig.form.State().GameOver);
    EXPECT_TRUE(rig.form.State().GameStarted);
    // The start position, not the finished game's.
    GameState fresh;
    NewGameModel(fresh);
    EXPECT_EQ(rig.form.State().Board[5][9], fresh.Board[5][9]);
    EXPECT_EQ(rig.form.State().Board[1][5], fresh.Board[1][5]);
    EXPECT_LE(rig.form.TheGame().HistoryTop(), 3) << "only the computers' first turns";
  }
  // 中断 and a record opened end it as well.
  FormRig rig;
  TakeTheKing(rig, Answer::THIRD);
  rig.form.CANCEL_Click();
  EXPECT_FALSE(rig.form.Reviewing());
  TakeTheKing(rig, Answer::THIRD);
  ASSERT_TRUE(rig.form.OpenRecord((dir_ / "before.k4k").string()));
  EXPECT_FALSE(rig.form.Reviewing());
}

TEST_F(Review, YesAndNoDoWhatTheyDid) {
  {
    FormRig rig;
    TakeTheKing(rig, Answer::YES);
    EXPECT_FALSE(rig.form.Reviewing());
    EXPECT_FALSE(rig.form.State().GameStarted) << "a new game, not yet started";
    EXPECT_EQ(rig.form.TheGame().HistoryTop(), 0);
  }
  {
    FormRig rig;
    TakeTheKing(rig, Answer::NO);
    EXPECT_TRUE(rig.form.Ended());
  }
  // Neither keeps a finished game.
  EXPECT_TRUE(Named("korvel4-finished-").empty());
}

// Only the newest finished games are kept; the files of other names stay.
TEST_F(Review, TheKeptFinishedGamesAreBounded) {
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
  for (int i = 0; i < Form1::KEPT_FINISHED_GAMES + 3; ++i) {
    const std::string name = "korvel4-finished-20200101-0000" + std::to_string(10 + i) + ".k4k";
    Put(dir_ / name, BEFORE_THE_KING);
    fs::last_write_time(dir_ / name, old + std::chrono::minutes(i));
  }
  Put(dir_ / "korvel4-finished-mine.k4k", BEFORE_THE_KING);
  FormRig rig;
  TakeTheKing(rig, Answer::THIRD);
  const std::vector<std::string> kept = Named("korvel4-finished-");
  EXPECT_EQ(kept.size(), static_cast<size_t>(Form1::KEPT_FINISHED_GAMES) + 1);
  EXPECT_NE(std::find(kept.begin(), kept.end(), "korvel4-finished-mine.k4k"), kept.end());
  // The oldest went.
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(std::find(kept.begin(), kept.end(),
                        "korvel4-finished-20200101-0000" + std::to_string(10 + i) + ".k4k"),
              kept.end())
        << i;
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// The unfinished game kept from last time, damaged: the message names its file.
TEST_F(Review, ADamagedUnfinishedGameIsNamed) {
  std::ofstream(dir_ / "korvel4-unfinished.k4k", std::ios::binary)
      << "Korvel4人将棋 棋譜 1\n対局: 何か\n";
  FormRig rig;
  rig.form.Form_Load();
  ASSERT_TRUE(rig.form.HasUnfinishedGame());
  rig.form.ZENKAI_Click();
  ASSERT_FALSE(rig.dialogs.shown.empty());
  const std::string want =
      "message 棋譜|" + rig.form.UserDataPath("korvel4-unfinished.k4k") + ": 2行目: ";
  EXPECT_EQ(rig.dialogs.shown.back().rfind(want, 0), 0u) << rig.dialogs.shown.back();
  EXPECT_FALSE(rig.form.State().GameStarted);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// A game opened (前回の続き, 棋譜を開く) shows each army's last move beside the board, as
// when it was played.
TEST_F(Review, AGameOpenedShowsEachArmysLastMove) {
  const int moves[5][4] = {{5, 7, 5, 6}, {3, 5, 4, 5}, {5, 3, 5, 4}, {7, 5, 6, 5}, {5, 6, 5, 5}};
  {
    FormRig rig;
    rig.form.Form_Load();
    rig.form.PLAY_4_Click();
    for (const auto& m : moves) {
      Click(rig, m[0], m[1]);
      Click(rig, m[2], m[3]);
    }
    ASSERT_EQ(rig.form.TheGame().HistoryCount(), 5);
    rig.form.OWARI_Click();  // kept for 前回の続き
  }
  FormRig rig;
  rig.form.Form_Load();
  rig.canvas.ops.clear();
  rig.form.ZENKAI_Click();
  ASSERT_EQ(rig.form.TheGame().HistoryCount(), 5);
  auto texts = [](const testing::RecordingCanvas& c) {
    std::vector<std::string> t;
    for (const testing::RecordingCanvas::Op& op : c.ops)
      if (op.kind == 'T')
        t.push_back(op.text + "@" + std::to_string(op.x) + "," + std::to_string(op.y));
    return t;
  };
  const std::vector<std::string> shown = texts(rig.canvas);
  // 下's second move, 左's, 上's and 右's first.
  for (int i : {1, 2, 3, 4}) {
    testing::RecordingCanvas want;
    const MoveRecord r = NthMove(rig.form.TheGame(), i + 1);
    const Square anchor = MoveTextAnchor(r.placed);
    ShowMoveText(want, rig.form.Looks().background, anchor.x, anchor.y, r.toX, r.toY, r.placed,
                 COLOUR_WHITE);
    for (const std::string& t : texts(want))
      EXPECT_NE(std::find(shown.begin(), shown.end(), t), shown.end()) << i << " " << t;
  }
}

}  // namespace
}  // namespace korvel
