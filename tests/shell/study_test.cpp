// 検討 in the real window: the hint is drawn over the board and never played, and goes when
// anything moves; 棋譜解析 runs beside the window, shows its graph beside the move list,
// steps the game where the graph is pressed, and stops when cancelled.
#include <gtest/gtest.h>

#include <QAction>
#include <algorithm>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "play/game_record.h"
#include "game/play_move.h"
#include "shell/qt_texts.h"
#include "shell/study.h"
#include "shell_fakes.h"
#include "support/wait_for.h"

namespace korvel::testing {
namespace {

// 下's pawn one square ahead, 左's and 上's answers, by presses on the area.
void PlayThreeMoves(WindowUnderTest& w) {
  QWidget* area = w.window.DrawingArea();
  const int moves[3][4] = {{5, 7, 5, 6}, {3, 5, 4, 5}, {5, 3, 5, 4}};
  for (const auto& m : moves) {
    QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(m[0], m[1]));
    QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(m[2], m[3]));
  }
}

TEST(StudyWindow, TheHintIsDrawnOverTheBoardNeverPlayedAndGoesWhenAPieceMoves) {
  WindowUnderTest w;
  Study* study = InstallStudy(w.window);
  study->hintNodes = 4000;
  w.window.Action("PLAY_4")->trigger();
  const std::string record = WriteRecord(w.form.TheGame(), "");
  const QImage picture = w.window.Canvas().Image();
  w.window.Action("HINT")->trigger();
  ASSERT_TRUE(WaitFor([&] { return study->Hint().has_value(); }));
  const Move hint = *study->Hint();
  // Nothing played, nothing drawn into the picture: the mark is over it.
  EXPECT_EQ(WriteRecord(w.form.TheGame(), ""), record);
  EXPECT_EQ(w.form.State().CurrentSeat, SITA);
  EXPECT_EQ(w.window.Canvas().Image(), picture);
  EXPECT_TRUE(IsLegal(w.form.State(), hint));
  QWidget* area = w.window.DrawingArea();
  const QImage shown = area->grab().toImage();
  // The destination's frame, a few pixels inside the cell's edge.
  const QPoint edge = CellCentre(hint.toX, hint.toY) + QPoint(-20, 0);
  EXPECT_NE(shown.pixel(edge), picture.pixel(edge));
  // A move (not the one hinted) clears it.
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(4, 8));
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(4, 7));
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 1);
  area->grab();
  EXPECT_FALSE(study->Hint());
}

TEST(StudyWindow, NoHintWhereNoPersonIsToMoveButANotice) {
  WindowUnderTest w;
  Study* study = InstallStudy(w.window);
  w.window.Action("HINT")->trigger();  // no game yet
  EXPECT_FALSE(study->HintThinking());
  EXPECT_FALSE(study->Hint());
  const QStringList lines = w.window.DrawingArea()->Notices().Lines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines.back().contains(QText(TextId::HINT_NONE)));
  // Nor an analysis of no move.
  w.window.Action("KIFU_KAISEKI")->trigger();
  EXPECT_FALSE(study->Analysing());
  EXPECT_TRUE(w.window.DrawingArea()->Notices().Lines().back().contains(
      QText(TextId::ANALYSIS_NONE)));
}

TEST(StudyWindow, TheAnalysisShowsItsGraphBesideTheMoveListAndAPressOnItSteps) {
  WindowUnderTest w;
  Study* study = InstallStudy(w.window);
  study->analysisNodes = 3000;
  w.window.Action("PLAY_4")->trigger();
  PlayThreeMoves(w);
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 3);
  w.window.Action("KIFU_KAISEKI")->trigger();
  ASSERT_TRUE(study->Analysing());
  ASSERT_TRUE(WaitFor([&] { return !study->Analysing(); }));
  ASSERT_NE(study->Dock(), nullptr);
  EXPECT_TRUE(study->Dock()->isVisible());
  AnalysisGraph* graph = study->Dock()->Graph();
  ASSERT_EQ(graph->Moves().size(), 3u);
  // The same figures as the analysis of the game itself.
  AnalysisLimits limits;
  limits.nodes = 3000;
  const GameAnalysis direct = AnalyseGame(w.form.TheGame(), limits);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(AnalysisJson(graph->Moves()[i]), AnalysisJson(direct.moves[i]));
  // A press on the graph steps there, as the move list would.
  int x = 0;
  while (x < graph->width() && graph->PositionAt(x) != 1) ++x;
  ASSERT_LT(x, graph->width());
  QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(x, graph->height() / 2));
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 1);
  QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(graph->width() - 2, graph->height() / 2));
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 3);
  // The graph's ends are the start and the newest move; the moves lie evenly between.
  EXPECT_EQ(graph->PositionAt(2), 0);
  EXPECT_EQ(graph->PositionAt(graph->width() - 1), 3);
  const double left = 6, span = graph->width() - 12;  // the plot's margins
  EXPECT_EQ(graph->PositionAt(left + span / 3), 1);
  EXPECT_EQ(graph->PositionAt(left + span * 2 / 3), 2);
  EXPECT_EQ(graph->PositionAt(left + span / 3 - span / 8), 1);
  EXPECT_EQ(graph->PositionAt(left + span / 3 + span / 8), 1);
  QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(1, graph->height() / 2));
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 0);
  // Another game: the graph no longer belongs to it and goes.
  w.window.Action("NEW_GAME")->trigger();
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 0);
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, CellCentre(4, 8));
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, CellCentre(4, 7));
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 1);
  w.window.DrawingArea()->repaint();
  EXPECT_FALSE(study->Dock()->isVisible());
  EXPECT_TRUE(w.window.Moves()->Marked().isEmpty());
}

// A finished game opened from its record: no hint (nobody is to move), but its analysis,
// which ends with the king taken.
TEST(StudyWindow, AnOpenedFinishedRecordIsAnalysedAndGetsNoHint) {
  WindowUnderTest w;
  Study* study = InstallStudy(w.window);
  study->analysisNodes = 3000;
  const QString path = w.dir.filePath(QStringLiteral("finished.k4k"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "Korvel4人将棋 棋譜 1\n対局: COM対局\n下: 人\n左: COM\n上: COM\n右: COM\nレベル: 4\n"
      "盤: ・ ・ ・ ・ 上王 ・ ・ ・ ・\n盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
      "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n盤: 左王 ・ ・ ・ 下飛 ・ ・ ・ 右王\n"
      "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
      "盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・\n手番: 下\n開始手数: 10\n"
      "11 下 ６五飛(55)\n12 左 ９四王(95)\n13 上 ５二王(51)\n14 右 １四王(15)\n"
      "15 下 ６四飛(65)\n16 左 ８四王(94)\n17 上 ５一王(52)\n18 右 １五王(14)\n"
      "19 下 ８四飛(64)\n");
  file.close();
  ASSERT_TRUE(w.form.OpenRecord(path.toStdString()));
  ASSERT_TRUE(w.form.TheGame().Finished());
  w.window.Action("HINT")->trigger();
  EXPECT_FALSE(study->HintThinking());
  w.window.Action("KIFU_KAISEKI")->trigger();
  ASSERT_TRUE(WaitFor([&] { return !study->Analysing(); }));
  ASSERT_NE(study->Dock(), nullptr);
  const std::vector<MoveAnalysis>& moves = study->Dock()->Graph()->Moves();
  ASSERT_EQ(moves.size(), 9u);
  EXPECT_EQ(moves[0].number, 11);
  EXPECT_EQ(moves[8].after, kAnalysisWin);
  // 下's first move let a king go: among the costliest, marked in the move list (row 1).
  const std::vector<int>& worst = study->Dock()->Graph()->Worst();
  EXPECT_NE(std::find(worst.begin(), worst.end(), 0), worst.end());
  EXPECT_TRUE(w.window.Moves()->Marked().contains(1));
  EXPECT_EQ(w.window.Moves()->Marked().size(), static_cast<qsizetype>(worst.size()));
}

TEST(StudyWindow, CancelledTheAnalysisStopsAtOnceAndShowsNothing) {
  WindowUnderTest w;
  Study* study = InstallStudy(w.window);
  study->analysisNodes = 1'000'000'000;  // far longer than the test waits
  w.window.Action("PLAY_4")->trigger();
  PlayThreeMoves(w);
  w.window.Action("KIFU_KAISEKI")->trigger();
  ASSERT_TRUE(study->Analysing());
  ASSERT_NE(study->Progress(), nullptr);
  EXPECT_TRUE(study->Progress()->isVisible());
  // The window goes on meanwhile: a step back works.
  w.window.Action("REPLAY")->trigger();
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 2);
  bool cancelled = false;
  QObject::connect(study, &Study::analysisFinished, [&](bool c) { cancelled = c; });
  QPushButton* cancel = study->Progress()->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  QTest::mouseClick(cancel, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !study->Analysing(); }, 20000));
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(study->Dock(), nullptr);
}

}  // namespace
}  // namespace korvel::testing
