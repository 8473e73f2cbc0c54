// The window while LEVEL4 computers think on their thread: its menus open, a choice made
// meanwhile is dropped, 今すぐ指す (Space, passing the closed input gate) makes the thinking
// computer play its best move so far, and 新しい対局 starts the game mode chosen last.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "ai/deep_search.h"
#include "game/play_move.h"
#include "shell/shell_fakes.h"
#include "support/wait_for.h"

namespace korvel {
namespace {

using namespace std::chrono_literals;
using testing::RecordingDialogs;
using testing::RecordingSound;

// The window with the host that thinks on a thread, wired as the program wires it.
struct ThinkingWindow {
  QTemporaryDir dir;
  QString oldDir = QDir::currentPath();
  bool cwdSet = QDir::setCurrent(dir.path());
  MainWindow window;
  RecordingDialogs dialogs;
  RecordingSound sound;
  QtHost host{&window};
  DiskFiles files;
  Form1 form{window.Canvas(), dialogs, sound, window.Icons(), host, files};

  ThinkingWindow() {
    ConnectThinking(window, host);
    window.Attach(form);
    window.Load();
    window.show();
  }
  ~ThinkingWindow() { QDir::setCurrent(oldDir); }
  QAction* Action(const char* control) { return window.Action(QString::fromLatin1(control)); }
};

// Runs `step` once the first time the window shows a computer thinking.
void WhenThinking(ThinkingWindow& w, std::function<void()> step) {
  auto* poll = new QTimer(&w.window);
  poll->setInterval(2);
  QObject::connect(poll, &QTimer::timeout, poll, [&w, poll, step] {
    if (!w.window.Thinking()) return;
    poll->stop();
    poll->deleteLater();
    step();
  });
  poll->start();
}

TEST(ComputersThinking, MenusOpenChoicesAreDroppedAndSpacePlaysTheBestMoveSoFar) {
  ThinkingWindow w;
  EXPECT_FALSE(w.Action("MOVE_NOW")->isEnabled()) << "nothing thinks yet";
  w.Action("LEVEL4")->trigger();
  bool menuOpened = false, moveNowOn = false, colourBefore = false, colourAfter = true;
  bool stopAsked = false;
  int movesWhenAsked = -1;
  WhenThinking(w, [&] {
    moveNowOn = w.Action("MOVE_NOW")->isEnabled();
    // A click on ｵﾌﾟｼｮﾝ in the menu bar, through the window as the window system sends it.
    QMenuBar* bar = w.window.menuBar();
    const QRect at = bar->actionGeometry(w.window.Menu(QStringLiteral("OPTION"))->menuAction());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, at.center());
    menuOpened = w.window.Menu(QStringLiteral("OPTION"))->isVisible();
    // A choice made now is dropped, as a press would be.
    colourBefore = w.form.TheOptions().IROWAKE;
    w.Action("IROWAKE")->trigger();
    colourAfter = w.form.TheOptions().IROWAKE;
    w.window.Menu(QStringLiteral("OPTION"))->hide();
    movesWhenAsked = w.form.TheGame().HistoryCount();
    QTest::keyClick(&w.window, Qt::Key_Space);
    stopAsked = w.host.StopAsked();
  });
  // The person sits fourth: three computers move first, inside this call.
  w.Action("JYUNBAN_4")->trigger();
  EXPECT_TRUE(moveNowOn);
  EXPECT_TRUE(menuOpened) << "the menu opened while the computer thought";
  EXPECT_EQ(colourAfter, colourBefore) << "a choice made while the computers play is dropped";
  EXPECT_EQ(movesWhenAsked, 0);
  EXPECT_TRUE(stopAsked) << "Space passed the closed gate and stopped the thinking";
  // The stopped computer played (a move, not a pass), and so did the two after it.
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 3);
  EXPECT_EQ(w.form.State().CurrentSeat, MIGI);
  EXPECT_FALSE(w.window.Thinking());
  EXPECT_FALSE(w.Action("MOVE_NOW")->isEnabled()) << "off again once nobody thinks";
  EXPECT_FALSE(w.form.Ended());
}

TEST(ComputersThinking, MoveNowStopsOnlyAThinkingUnderWay) {
  QtHost host(nullptr);
  host.MoveNow();  // nothing thinks: no effect on the next thinking
  bool stoppedAtStart = true;
  bool stopAsked = false;
  QTimer::singleShot(30, [&] {
    host.MoveNow();
    stopAsked = host.StopAsked();
  });
  bool sawStop = false;
  host.Think([&](const std::atomic<bool>& stop) {
    stoppedAtStart = stop.load();
    while (!stop) std::this_thread::sleep_for(1ms);
    sawStop = true;
  });
  EXPECT_FALSE(stoppedAtStart);
  EXPECT_TRUE(sawStop);
  EXPECT_TRUE(stopAsked) << "stopped by 今すぐ指す at once, not by the cap";
  // Unlike the end of the program, the next thinking runs in full.
  bool stoppedNext = true;
  host.Think([&](const std::atomic<bool>& stop) { stoppedNext = stop.load(); });
  EXPECT_FALSE(stoppedNext);
}

// A search stopped before it finished any depth still answers a legal move of the seat.
TEST(ComputersThinking, AStoppedSearchAnswersALegalMove) {
  Game game;
  game.NewGame();
  game.SetSeats(COMPUTER, COMPUTER, COMPUTER, COMPUTER, 1);
  game.Fix().SetStarted(true);
  game.Fix().SetSeatToMove(SITA);
  const std::atomic<bool> stop{true};
  DeepLimits limits;
  limits.stop = &stop;
  const ChosenMove m = SearchDeep(game.State(), SITA, limits);
  ASSERT_TRUE(m.found);
  EXPECT_TRUE(IsLegal(game.State(), m));
}

TEST(ComputersThinking, NewGameStartsTheModeChosenLastAndWaitsForTheFirst) {
  testing::WindowUnderTest w;
  QAction* again = w.window.Action(QStringLiteral("NEW_GAME"));
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->isEnabled()) << "no game mode chosen yet";
  w.window.SetNetworkGameOn(true);
  w.window.SetNetworkGameOn(false);
  EXPECT_FALSE(again->isEnabled()) << "still none after a network game";
  QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
  EXPECT_FALSE(w.form.State().GameStarted);

  w.window.Action(QStringLiteral("LEVEL1"))->trigger();
  // The person sits second: the computer at SITA moves first.
  w.window.Action(QStringLiteral("JYUNBAN_2"))->trigger();
  EXPECT_TRUE(again->isEnabled());
  const int kinds[5] = {0, w.form.State().PlayerKind[1], w.form.State().PlayerKind[2],
                        w.form.State().PlayerKind[3], w.form.State().PlayerKind[4]};
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 1);
  w.form.PlayComputerTurnForSeatToMove();  // the person's seat moves: the game goes on
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 2);

  QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 1) << "the first computer moved again";
  EXPECT_EQ(w.form.State().CurrentSeat, HIDARI);
  for (int seat = 1; seat <= 4; ++seat) EXPECT_EQ(w.form.State().PlayerKind[seat], kinds[seat]);

  // Off while a network game is on, on again after it.
  w.window.SetNetworkGameOn(true);
  EXPECT_FALSE(again->isEnabled());
  w.window.SetNetworkGameOn(false);
  EXPECT_TRUE(again->isEnabled());
}

}  // namespace
}  // namespace korvel
