// Ending the program while the computers play, in the real window with the real pauses and
// the real thinking: a close, Esc, 終わり or Esc in the computers' box ends it at once, and the
// game is kept as the program keeps any unfinished game.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "play/game_record.h"
#include "shell_fakes.h"

namespace korvel::testing {
namespace {

// The first line and the four seats of a record the computers alone play.
std::string ComputersOnly(int level) {
  return std::string(RECORD_FIRST_LINE) +
         "\n対局: COM対局\n下: COM\n左: COM\n上: COM\n右: COM\nレベル: " +
         std::to_string(level) + "\n";
}

// From the start, one move played: the computers go on from 左.
std::string FromTheStart(int level) {
  return ComputersOnly(level) + "1 下 ５六歩(57)\n";
}

// 右's king has just stepped in front of 下's pawn, and 下 (level 1) checks it at once.
std::string CheckComesFirst() {
  std::string text = ComputersOnly(1);
  for (int y = 1; y <= 9; ++y) {
    const char* row = y == 1   ? "・ ・ ・ ・ 左王 ・ ・ 下歩 下歩"
                      : y == 4 ? "・ ・ 右王 ・ ・ ・ ・ 下歩 下歩"
                      : y == 7 ? "・ ・ 下歩 ・ ・ ・ ・ 下歩 下歩"
                      : y == 9 ? "・ ・ ・ ・ 上王 ・ ・ 下歩 下王"
                               : "・ ・ ・ ・ ・ ・ ・ 下歩 下歩";
    text += std::string("盤: ") + row + "\n";
  }
  return text + "手番: 右\n1 右 ７五王(74)\n";
}

// The window's own host, counting its pauses and thinkings and telling when one starts.
struct WatchedHost : QtHost {
  using QtHost::QtHost;
  int pauses = 0, thinkings = 0;
  std::function<void()> onWait;  // at the start of every pause and thinking
  void Pause(double seconds) override {
    ++pauses;
    if (onWait) QTimer::singleShot(0, onWait);
    QtHost::Pause(seconds);
  }
  double Think(const std::function<void(const std::atomic<bool>&)>& work) override {
    ++thinkings;
    if (onWait) QTimer::singleShot(0, onWait);
    return QtHost::Think(work);
  }
  void OpenPage(const std::string&) override {}
  AboutChoice ShowAbout() override { return AboutChoice::OK; }
};

// The window as the program puts it together (the host's pauses and thinking, the boxes
// when asked for), in a scratch folder, with a record of the computers' game opened.
struct PlayingWindow {
  QTemporaryDir dir;
  QString oldDir = QDir::currentPath();
  bool cwdSet = QDir::setCurrent(dir.path());
  MainWindow window;
  RecordingDialogs recorded;
  QtDialogs boxes{&window};
  RecordingSound sound;
  WatchedHost host{&window};
  DiskFiles files;
  Form1 form;
  int endedCalls = 0;
  // What the game stood at when the player asked to end.
  int movesAtEnd = -1;
  size_t linesAtEnd = 0;
  std::vector<std::string> boxesSeen;

  PlayingWindow(const std::string& record, bool realBoxes)
      : form(window.Canvas(), realBoxes ? static_cast<Dialogs&>(boxes) : recorded, sound,
             window.Icons(), host, files) {
    QObject::connect(&window, &MainWindow::ended, &window, [this] { ++endedCalls; });
    QObject::connect(&window, &MainWindow::endRequestedWhileBusy, &window,
                     [this] { host.StopThinking(); });
    window.Attach(form);
    window.Load();
    window.show();
    QFile file(dir.filePath(QStringLiteral("game.k4k")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(record.data(), static_cast<qint64>(record.size()));
    file.close();
    window.choosePath = [this](bool) { return dir.filePath(QStringLiteral("game.k4k")); };
    window.Action(QStringLiteral("KIFU_OPEN"))->trigger();
    EXPECT_TRUE(form.TheGame().ResumePending());
  }
  ~PlayingWindow() { QDir::setCurrent(oldDir); }

  // Notes where the game stands, then does what the player does to end it.
  void AskToEnd(const std::function<void()>& how) {
    movesAtEnd = form.TheGame().HistoryCount();
    linesAtEnd = recorded.lines.size();
    how();
  }

  // A press on the board resumes the game: the computers play until the program ends.
  // The test stops by itself should they never stop.
  void Resume() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      std::fprintf(stderr, "the program did not end within 60 s of being asked\n");
      std::_Exit(1);
    });
    watchdog.start(60000);
    QTest::mouseClick(window.DrawingArea(), Qt::LeftButton, {}, CellCentre(5, 5));
    watchdog.stop();
  }

  // The unfinished game the program kept, read back.
  std::optional<LoadedRecord> Kept() {
    const FileRead r = files.Read(FileArea::USER_DATA, UNFINISHED_GAME_FILE, RECORD_SIZE_LIMIT);
    EXPECT_EQ(r.status, FileRead::Status::OK);
    RecordReading reading = ReadRecord(r.bytes);
    EXPECT_TRUE(reading.record) << reading.error.Text();
    if (reading.record) {
      EXPECT_EQ(WriteRecord(reading.record->game, reading.record->started), r.bytes);
    }
    return std::move(reading.record);
  }

  // The program ended once, at the move it stood at when asked, with nothing shown after,
  // and kept that very game for 前回の続き.
  void ExpectEndedKeepingTheGame(int level) {
    EXPECT_TRUE(form.Ended());
    EXPECT_EQ(endedCalls, 1);
    EXPECT_EQ(form.TheGame().HistoryCount(), movesAtEnd) << "no computer moved after it";
    EXPECT_EQ(recorded.lines.size(), linesAtEnd) << "no message after it";
    const std::optional<LoadedRecord> kept = Kept();
    ASSERT_TRUE(kept);
    const Game& g = kept->game;
    EXPECT_EQ(g.HistoryCount(), form.TheGame().HistoryCount());
    EXPECT_EQ(g.State().CurrentSeat, form.State().CurrentSeat);
    EXPECT_EQ(g.State().Level, level);
    EXPECT_FALSE(g.State().GameOver);
    for (int seat = SITA; seat <= MIGI; ++seat) EXPECT_EQ(g.State().PlayerKind[seat], COMPUTER);
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y) EXPECT_EQ(g.State().Board[x][y], form.State().Board[x][y]);
    EXPECT_TRUE(g.ResumePending()) << "前回の続き resumes it as it was";
  }
};

// A level-4 computer is thinking on its thread: the close stops it, and its cut-short
// thinking plays nothing.
TEST(EndingWhileComputersPlay, ACloseDuringLevelFourThinkingEndsWithTheGameKept) {
  PlayingWindow w(FromTheStart(4), false);
  w.host.onWait = [&] {
    if (w.host.thinkings == 2 && w.movesAtEnd < 0) w.AskToEnd([&] { w.window.close(); });
  };
  w.Resume();
  EXPECT_EQ(w.host.thinkings, 2) << "no computer thought after the close";
  EXPECT_EQ(w.movesAtEnd, 2) << "the first computer's move was played before";
  w.ExpectEndedKeepingTheGame(4);
}

// Levels 1 to 3 choose at once and pause before the move is shown: a close during the
// pause cuts it short, the move (already recorded) stays, no other computer moves.
TEST(EndingWhileComputersPlay, ACloseDuringThePauseEndsAtEveryLevel) {
  for (int level = 1; level <= 4; ++level) {
    PlayingWindow w(FromTheStart(level), false);
    w.host.onWait = [&] {
      if (w.host.pauses == 2 && w.movesAtEnd < 0) w.AskToEnd([&] { w.window.close(); });
    };
    w.Resume();
    EXPECT_EQ(w.host.pauses, 2) << level;
    EXPECT_EQ(w.movesAtEnd, 3) << level;
    w.ExpectEndedKeepingTheGame(level);
  }
}

// Esc through the window system while the computers pause; 終わり chosen from the menu bar
// with the mouse (the menus stay open to the player, their other entries do nothing then).
TEST(EndingWhileComputersPlay, EscAndOwariEndDuringThePause) {
  {
    PlayingWindow w(FromTheStart(1), false);
    w.host.onWait = [&] {
      if (w.host.pauses == 1 && w.movesAtEnd < 0)
        w.AskToEnd([&] { QTest::keyClick(w.window.windowHandle(), Qt::Key_Escape); });
    };
    w.Resume();
    EXPECT_EQ(w.host.pauses, 1);
    w.ExpectEndedKeepingTheGame(1);
  }
  {
    PlayingWindow w(FromTheStart(1), false);
    QMenu* games = w.window.Menu(QStringLiteral("TAIKYOKU"));
    QAction* owari = w.window.Action(QStringLiteral("OWARI"));
    QAction* level4 = w.window.Action(QStringLiteral("LEVEL4"));
    w.host.onWait = [&] {
      if (w.host.pauses != 1 || w.movesAtEnd >= 0) return;
      QMenuBar* bar = w.window.menuBar();
      const QPoint title = bar->actionGeometry(games->menuAction()).center();
      QTest::mouseClick(w.window.windowHandle(), Qt::LeftButton, {},
                        bar->mapTo(&w.window, title));
      ASSERT_EQ(QApplication::activePopupWidget(), games) << "the menu opened";
      // Another entry chosen meanwhile is dropped.
      level4->trigger();
      EXPECT_EQ(w.form.State().Level, 1);
      w.AskToEnd([&] { QTest::mouseClick(games, Qt::LeftButton, {}, games->actionGeometry(owari).center()); });
    };
    w.Resume();
    EXPECT_EQ(w.host.pauses, 1);
    w.ExpectEndedKeepingTheGame(1);
    EXPECT_FALSE(w.window.Action(QStringLiteral("LEVEL4"))->isChecked());
  }
}

// The real boxes: the computers' check box answered with Esc ends the program; a box of
// the player's own (再開 before the run) still closes with Esc as ever.
TEST(EndingWhileComputersPlay, EscInTheComputersBoxEndsTheProgram) {
  PlayingWindow w(CheckComesFirst(), true);
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || (!w.boxesSeen.empty() && w.boxesSeen.back() == box->text().toStdString()))
      return;
    w.boxesSeen.push_back(box->text().toStdString());
    if (w.boxesSeen.size() == 1) {
      QTest::keyClick(box, Qt::Key_Escape);  // 再開: OK, the computers play
    } else {
      w.AskToEnd([&] { QTest::keyClick(box, Qt::Key_Escape); });
    }
  });
  driver.start(10);
  w.Resume();
  driver.stop();
  ASSERT_EQ(w.boxesSeen.size(), 2u) << "no box after the end";
  EXPECT_EQ(w.boxesSeen[0], "OKですか？");
  EXPECT_EQ(w.boxesSeen[1], "右の番です");
  EXPECT_EQ(w.host.pauses, 1);
  w.ExpectEndedKeepingTheGame(1);
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 2) << "the checking move stays";
}

// The box alone: only Esc and its close button tell the window, never its OK button, and
// only while the window says the box is the computers'.
TEST(EndingWhileComputersPlay, OnlyEscAndTheCloseButtonOfTheirBoxAskToEnd) {
  struct Router : QWidget, MessageRouter {
    bool theirs = true;
    int ends = 0;
    bool TakeNotice(const std::string&, const std::string&) override { return false; }
    std::string Addendum(const std::string&, const std::string&) override { return ""; }
    bool BoxEscapeEnds() override { return theirs; }
    void EndFromBox() override { ++ends; }
  } router;
  QtDialogs dialogs(&router);
  auto answer = [&](const std::function<void(QMessageBox*)>& how) {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      how(box);
    });
    dialogs.Message("王手です", "右の番です");
  };
  answer([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
  EXPECT_EQ(router.ends, 0) << "OK";
  answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  EXPECT_EQ(router.ends, 0) << "Enter";
  answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(router.ends, 1) << "Esc";
  answer([](QMessageBox* box) { box->close(); });
  EXPECT_EQ(router.ends, 2) << "the close button";
  router.theirs = false;
  answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  answer([](QMessageBox* box) { box->close(); });
  EXPECT_EQ(router.ends, 2) << "a box of the player's own";
}

}  // namespace
}  // namespace korvel::testing
