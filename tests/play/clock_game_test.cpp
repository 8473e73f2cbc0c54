// The window's own game played with clocks: the choice applies to the games started after
// it, a person's or a computer's time running out loses for its team (announced as the end
// of a game, kept in the record as 時間切れ and read back), and without a choice nothing of
// it shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "play/game_record.h"
#include "support/fake_ports.h"
#include "view/board_drawing.h"

namespace korvel {
namespace {

using testing::FormRig;
using testing::InFreshFolder;

class ClockGame : public InFreshFolder {
 protected:
  static void Click(FormRig& rig, int c, int r) {
    rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(c) + 352, CellY(r) + 352);
  }
  static std::string Slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static bool Shown(const FormRig& rig, const std::string& line) {
    const auto& s = rig.dialogs.shown;
    return std::find(s.begin(), s.end(), line) != s.end();
  }
};

TEST_F(ClockGame, APersonsTimeRunsOutAndTheRecordSaysSo) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.SetTimeControl(GameTimeControl::Every({2'000, 1'000}));
  rig.form.LEVEL1_Click();
  rig.form.JYUNBAN_1_Click();
  ASSERT_TRUE(rig.form.Clocks());
  EXPECT_EQ(rig.form.Clocks()->Running(), SITA);
  EXPECT_EQ(rig.form.TheGame().TimeControlOf(), GameTimeControl::Every({2'000, 1'000}));

  // The person plays within the main time; the computers' pauses count on their clocks.
  rig.host.now += 1'500;
  Click(rig, 5, 7);
  Click(rig, 5, 6);
  ASSERT_FALSE(rig.form.TheGame().State().GameOver);
  const SeatClocks& c = *rig.form.Clocks();
  EXPECT_EQ(c.LeftAt(SITA, rig.host.now).mainMs, 500);
  EXPECT_EQ(c.LeftAt(HIDARI, rig.host.now).mainMs, 1'400);
  EXPECT_EQ(c.Running(), SITA);
  const std::vector<Form1::ClockLabel> labels = rig.form.ClockLabels();
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_EQ(labels[0].text, "0:01");
  EXPECT_TRUE(labels[0].running);
  EXPECT_EQ(labels[1].text, "0:02");

  // Half a second of main time and a second of 秒読み: the tick just before changes nothing.
  rig.host.now += 1'499;
  rig.form.ClockTick();
  ASSERT_FALSE(rig.form.TheGame().State().GameOver);
  EXPECT_EQ(rig.form.ClockLabels()[0].text, "1秒");
  EXPECT_TRUE(rig.form.ClockLabels()[0].byoyomi);
  rig.dialogs.choices.push_back(Answer::THIRD);  // 棋譜を見る
  rig.host.now += 1;
  rig.form.ClockTick();
  EXPECT_TRUE(Shown(rig, "message 終了|下の時間切れです　後手組みの勝ちです"));
  ASSERT_TRUE(rig.form.Reviewing());
  const Game::Ending e = rig.form.TheGame().EndingOfGame();
  EXPECT_EQ(e.timeLoser, SITA);
  EXPECT_EQ(e.winner, HIDARI);
  // The clocks stand still from the end on.
  EXPECT_EQ(rig.form.Clocks()->Running(), -1);
  rig.host.now += 60'000;
  rig.form.ClockTick();
  EXPECT_EQ(rig.form.Clocks()->LeftAt(SITA, rig.host.now).byoyomiMs, 0);
  EXPECT_EQ(rig.form.Clocks()->LeftAt(HIDARI, rig.host.now).mainMs, 1'400);

  ASSERT_TRUE(rig.form.SaveRecord("timed.k4k"));
  const std::string text = Slurp("timed.k4k");
  EXPECT_NE(text.find("\n# 持ち時間 2秒 秒読み 1秒\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n結果: 時間切れ 左 後手組みの勝ち（下の時間切れ）\n"), std::string::npos) << text;

  // Read back: the same end, a finished game that announces it again, and no clock.
  const RecordReading back = ReadRecord(text);
  ASSERT_TRUE(back.record) << back.error.Text();
  EXPECT_EQ(back.record->game.EndingOfGame().timeLoser, SITA);
  EXPECT_TRUE(back.record->game.Finished());
  const std::string again = WriteRecord(back.record->game, back.record->started);
  EXPECT_EQ(again.substr(again.find("対局:")), text.substr(text.find("対局:")));
  rig.form.JYUNBAN_1_Click();  // leaves the review: a new game with the clocks chosen
  ASSERT_TRUE(rig.form.OpenRecord("timed.k4k"));
  EXPECT_FALSE(rig.form.Clocks());
  rig.dialogs.shown.clear();
  Click(rig, 5, 5);
  EXPECT_TRUE(Shown(rig, "message 終了|下の時間切れです　後手組みの勝ちです"));
}

TEST_F(ClockGame, TheComputersPauseAndThinkingCountOnItsClock) {
  FormRig rig;
  rig.form.Form_Load();
  // One second each, sudden death: a computer's turn takes 0.6 s of pause in these tests.
  rig.form.SetTimeControl(GameTimeControl::Every({1'000, 0}));
  rig.form.LEVEL1_Click();
  rig.form.JYUNBAN_1_Click();
  Click(rig, 5, 7);
  Click(rig, 5, 6);
  ASSERT_EQ(rig.form.TheGame().HistoryCount(), 4);
  EXPECT_EQ(rig.form.Clocks()->LeftAt(MIGI, rig.host.now).mainMs, 400);
  // 左's second turn would end past its second: it loses before its move is played.
  Click(rig, 4, 8);
  Click(rig, 4, 7);
  EXPECT_TRUE(Shown(rig, "message 終了|左の時間切れです　先手組みの勝ちです"));
  // はい: a new game, which keeps the choice but starts no clock until a mode begins it.
  EXPECT_FALSE(rig.form.Clocks());

  // The deeper computer's thinking counts too: 0.5 s of thinking and 0.1 s of pause.
  rig.host.thinkMs = 500;
  rig.form.SetTimeControl(GameTimeControl::Every({700, 0}));
  rig.form.LEVEL4_Click();
  rig.form.JYUNBAN_1_Click();
  Click(rig, 5, 7);
  Click(rig, 5, 6);
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 4);
  EXPECT_EQ(rig.form.Clocks()->LeftAt(HIDARI, rig.host.now).mainMs, 100);
}

TEST_F(ClockGame, WithoutAChoiceNothingRunsAndAGameBegunKeepsItsOwn) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.JYUNBAN_1_Click();
  EXPECT_FALSE(rig.form.Clocks());
  EXPECT_TRUE(rig.form.ClockLabels().empty());
  rig.host.now += 100'000'000;
  rig.form.ClockTick();
  EXPECT_FALSE(rig.form.TheGame().State().GameOver);
  // A choice made during a game is for the next one.
  rig.form.SetTimeControl(GameTimeControl::Every({1'000, 0}));
  rig.form.JYUNBAN_2_Click();
  EXPECT_FALSE(rig.form.Clocks());
  ASSERT_TRUE(rig.form.SaveRecord("plain.k4k"));
  EXPECT_EQ(Slurp("plain.k4k").find("持ち時間"), std::string::npos);
  rig.form.CANCEL_Click();
  rig.form.PLAY_4_Click();
  ASSERT_TRUE(rig.form.Clocks());
  // Stepping back stops the clock; the question before play resumes starts a new turn.
  Click(rig, 4, 8);
  Click(rig, 4, 7);
  Click(rig, 1, 6);
  Click(rig, 2, 7);
  ASSERT_EQ(rig.form.TheGame().HistoryCount(), 2);
  rig.form.REPLAY_Click();
  EXPECT_EQ(rig.form.Clocks()->Running(), -1);
  rig.host.now += 5'000;
  rig.form.ClockTick();
  EXPECT_FALSE(rig.form.TheGame().State().GameOver);
  Click(rig, 5, 5);  // 再開: OKですか？
  EXPECT_EQ(rig.form.Clocks()->Running(), HIDARI);
  EXPECT_EQ(rig.form.Clocks()->LeftAt(HIDARI, rig.host.now).mainMs, 1'000);
}

TEST(ClockRecords, TheResultOnTimeIsReadAndChecked) {
  const std::string head = "Korvel4人将棋 棋譜 1\n対局: 四人対局\n下: 人\n左: 人\n上: 人\n右: 人\n";
  const std::string moves = "1 下 ５六歩(57)\n";
  const RecordReading read = ReadRecord(head + "結果: 時間切れ 下 先手組みの勝ち\n" + moves);
  ASSERT_TRUE(read.record) << read.error.Text();
  // The seat after the one whose time ran out is named: 右 lost.
  EXPECT_EQ(read.record->game.EndingOfGame().timeLoser, MIGI);
  EXPECT_EQ(read.record->game.State().WinnerSeat, SITA);
  const RecordReading draw = ReadRecord(head + "結果: 時間切れ 引き分け\n" + moves);
  ASSERT_FALSE(draw.record);
  EXPECT_EQ(draw.error.line, 7);
  // A game whose last move took a king did not end on time.
  Game game;
  game.SetTimeControl(GameTimeControl::Every({1'000, 500}));
  game.SetTimeControl({});
  game.SetSeats(HUMAN, HUMAN, HUMAN, HUMAN, 0);
  game.Fix().SetSeatToMove(SITA);
  game.Fix().SetStarted(true);
  EXPECT_EQ(WriteRecord(game, "").find("持ち時間"), std::string::npos);
  // Seats with different controls get a line each.
  GameTimeControl mixed = GameTimeControl::Every({60'000, 0});
  mixed.seat[UE] = {90'500, 10'000};
  game.SetTimeControl(mixed);
  const std::string text = WriteRecord(game, "");
  EXPECT_NE(text.find("# 下 持ち時間 60秒 秒読み 0秒\n# 左 持ち時間 60秒 秒読み 0秒\n"
                      "# 上 持ち時間 90.5秒 秒読み 10秒\n# 右 持ち時間 60秒 秒読み 0秒\n"),
            std::string::npos)
      << text;
  ASSERT_TRUE(ReadRecord(text).record);
}

}  // namespace
}  // namespace korvel
