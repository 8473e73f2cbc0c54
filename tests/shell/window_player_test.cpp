// The window as a player feels it: input during the computers' turns, the keyboard, a
// resized window, legible labels, notices.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "shell_fakes.h"
#include "view/board_drawing.h"

namespace korvel::testing {
namespace {

void PostPress(QWidget* area, QPoint at) {
  const QPointF p(at), g(area->mapToGlobal(at));
  QCoreApplication::postEvent(
      area, new QMouseEvent(QEvent::MouseButtonPress, p, g, Qt::LeftButton, Qt::LeftButton, {}));
  QCoreApplication::postEvent(
      area, new QMouseEvent(QEvent::MouseButtonRelease, p, g, Qt::LeftButton, {}, {}));
}

TEST(WindowInput, PressesAndKeysMadeWhileTheComputersPlayAreDropped) {
  WindowUnderTest w;
  w.window.Action("JYUNBAN_1")->trigger();
  QWidget* area = w.window.DrawingArea();
  // While the computers play, the player presses SITA's gold and an empty square beside it
  // and asks for the previous move.
  w.host.onPause = [&] {
    PostPress(area, CellCentre(4, 9));
    PostPress(area, CellCentre(3, 8));
    QCoreApplication::postEvent(&w.window,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier));
  };
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 6));
  w.host.onPause = nullptr;
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(w.form.TheGame().MoveNumber(), 4) << "the pawn and three replies, nothing more";
  EXPECT_EQ(w.form.State().Board[4][9], PieceCode(13)) << "the gold stays";
  EXPECT_TRUE(w.form.State().Board[3][8].IsEmpty());
  EXPECT_EQ(w.form.Looks().pieceSelected, 0);
  EXPECT_EQ(w.form.TheGame().ResumePending(), false) << "no step back either";

  // Afterwards presses count again.
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(4, 9));
  EXPECT_EQ(w.form.Looks().pieceSelected, 1);
}

TEST(WindowInput, TheComputersPauseDropsInputButKeepsPaintingAndTimers) {
  QWidget target;
  int presses = 0;
  struct Counter : QObject {
    int* n;
    explicit Counter(int* c) : n(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::KeyPress) ++*n;
      return false;
    }
  } counter(&presses);
  target.installEventFilter(&counter);
  target.show();
  QtHost host(nullptr);
  bool timerRan = false;
  QTimer::singleShot(20, &target, [&] {
    timerRan = true;
    QTest::mouseClick(&target, Qt::LeftButton);
    PostPress(&target, QPoint(3, 3));
    QTest::keyClick(&target, Qt::Key_A);
  });
  host.Pause(0.15);
  EXPECT_TRUE(timerRan);
  EXPECT_FALSE(InputGate::IsClosed());
  QCoreApplication::processEvents();
  EXPECT_EQ(presses, 0);
  QTest::mouseClick(&target, Qt::LeftButton);
  EXPECT_EQ(presses, 1) << "the gate is open again";
}

TEST(WindowKeys, ShortcutsReachTheirHandlersAndAPickedPieceIsDroppedQuietly) {
  WindowUnderTest w;
  QApplication::setActiveWindow(&w.window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
  w.window.Action("PLAY_4")->trigger();
  w.dialogs.lines.clear();
  QTest::keyClick(&w.window, Qt::Key_Left);
  QTest::keyClick(&w.window, Qt::Key_Right);
  EXPECT_EQ(w.dialogs.lines, (std::vector<std::string>{"message \"戻る\" \"できません\"",
                                                       "message \"進む\" \"できません\""}));
  QTest::keyClick(&w.window, Qt::Key_F1);
  ASSERT_EQ(w.host.lines.size(), 1u);
  EXPECT_EQ(w.host.lines[0].rfind("browse ", 0), 0u);

  // The pick and the un-pick: no refusal sound, the frame back to green.
  QWidget* area = w.window.DrawingArea();
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  ASSERT_EQ(w.form.Looks().pieceSelected, 1);
  const size_t sounds = w.sound.lines.size();
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  EXPECT_EQ(w.form.Looks().pieceSelected, 0);
  EXPECT_EQ(w.sound.lines.size(), sounds);
  EXPECT_EQ(w.window.Canvas().Image().pixel(93 + 47 * 5, 33 + 47 * 7 + 20), qRgb(0, 128, 0));
  // Picked again, it moves as before.
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 6));
  EXPECT_EQ(w.form.State().Board[5][6], PieceCode(11));

  // Ctrl+R turns the position; Ctrl+N starts a new game of four people again.
  const PieceCode corner = w.form.State().Board[5][6];
  QTest::keyClick(&w.window, Qt::Key_R, Qt::ControlModifier);
  EXPECT_NE(w.form.State().Board[5][6], corner);
  w.dialogs.lines.clear();
  QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(w.form.TheGame().MoveNumber(), 0);
  EXPECT_EQ(w.form.State().GameMode, 0);
  EXPECT_EQ(w.dialogs.lines, std::vector<std::string>{"message \"\" \"下の番です\""});
  EXPECT_FALSE(w.form.Ended());
}

// The menu bar keeps the keyboard after Esc closed its menu; the next Esc still ends the
// program, as it does when no menu was opened.
TEST(WindowKeys, EscAfterEscClosedAMenuStillEndsTheProgram) {
  WindowUnderTest w;
  QApplication::setActiveWindow(&w.window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
  QTest::keyClick(&w.window, Qt::Key_F10);
  QWidget* menu = QApplication::activePopupWidget();
  ASSERT_NE(menu, nullptr) << "F10 opens the first menu";
  QTest::keyClick(menu, Qt::Key_Escape);
  ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_FALSE(w.form.Ended()) << "that Esc only closed the menu";
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus ? focus : &w.window, Qt::Key_Escape);
  EXPECT_TRUE(w.form.Ended());
  EXPECT_EQ(w.endedCalls, 1);
}

// The window's picture at twice the size is the picture drawn at twice the resolution,
// and a press lands on the cell it is drawn on.
TEST(WindowScaling, ADoubledWindowDrawsSharpAtItsSizeAndMapsPressesToCells) {
  WindowUnderTest w;
  QWidget* area = w.window.DrawingArea();
  const QImage small = w.window.Canvas().Image().copy();
  w.window.resize(w.window.size() + QSize(745, 580));
  ASSERT_EQ(area->size(), QSize(1490, 1160));
  EXPECT_EQ(w.window.Canvas().Image().size(), QSize(1490, 1160));
  // Once the size rests, the pictures are drawn at it.
  for (int i = 0; i < 200 && w.window.Canvas().Stretched(); ++i) QTest::qWait(10);
  ASSERT_FALSE(w.window.Canvas().Stretched());

  PainterCanvas reference(2.0);
  reference.SetBold(false);
  RedrawAll(reference, w.form.State(), w.form.Looks().background);
  EXPECT_EQ(w.window.Canvas().Image(), reference.Image());
  // Halved again it is the small picture, give or take the smoothing.
  const QImage halved =
      w.window.Canvas().Image().scaled(745, 580, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  double diff = 0;
  for (int y = 0; y < 580; ++y)
    for (int x = 0; x < 745; ++x) {
      const QRgb a = halved.pixel(x, y), b = small.pixel(x, y);
      diff += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
              std::abs(qBlue(a) - qBlue(b));
    }
  EXPECT_LT(diff / (745.0 * 580 * 3), 6.0);

  w.window.Action("PLAY_4")->trigger();
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7) * 2);
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 6) * 2);
  EXPECT_EQ(w.form.State().Board[5][6], PieceCode(11));
  EXPECT_EQ(w.window.Icons().Label(TurnIcon::MAN)->geometry(),
            QRect(2 * (1600 / 15), 2 * (4100 / 15), 64, 64));

  // Wider than the drawing: it keeps its proportions, centred, and presses follow it.
  w.window.resize(w.window.size() + QSize(400, 0));
  const auto* view = static_cast<BoardView*>(area);
  EXPECT_DOUBLE_EQ(view->Scale(), 2.0);
  EXPECT_DOUBLE_EQ(view->Origin().x(), 200.0);
  // HIDARI's pawn steps right.
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(2, 4) * 2 + QPoint(200, 0));
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(3, 4) * 2 + QPoint(200, 0));
  EXPECT_EQ(w.form.TheGame().MoveNumber(), 2);
  EXPECT_TRUE(w.form.State().Board[2][4].IsEmpty());
}

TEST(WindowScaling, TheSizeIsRememberedInTheOptionsFile) {
  {
    WindowUnderTest w;
    w.window.resize(w.window.size() + QSize(100, 50));
    w.window.close();
    ASSERT_TRUE(w.form.Ended());
    const Options kept = ReadOptionsFile(w.files);
    EXPECT_EQ(kept.windowWidth, 845);
    EXPECT_EQ(kept.windowHeight, 630);
    QFile settings(w.dir.filePath(QStringLiteral("Korvel4人将棋.ini")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("window"));
  }
}

// A label's pixels: those that differ from the bare background, split into the text's
// colour and the dark edge.
struct Ink {
  QRect text, edge;
  int textPixels = 0;
};
Ink LabelInk(const QImage& with, const QImage& bare, QRect area, QRgb colour) {
  Ink ink;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = with.pixel(x, y), b = bare.pixel(x, y);
      const int changed = std::abs(qRed(p) - qRed(b)) + std::abs(qGreen(p) - qGreen(b)) +
                          std::abs(qBlue(p) - qBlue(b));
      if (changed < 40) continue;
      const int d = std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                    std::abs(qBlue(p) - qBlue(colour));
      if (d < 120) {
        ink.text |= QRect(x, y, 1, 1);
        ++ink.textPixels;
      } else if (qRed(p) + qGreen(p) + qBlue(p) < 150) {
        ink.edge |= QRect(x, y, 1, 1);
      }
    }
  return ink;
}

TEST(WindowLabels, TextAndItsEdgeLieTogetherOnEveryBackground) {
  GameState s;
  NewGameModel(s);
  s.Hand[SITA][1] = 1;
  const Square hand = HandCellOf(SITA, 1);
  auto cell = [](int c, int r) { return QRect(93 + 47 * c + 1, 33 + 47 * r + 1, 45, 45); };
  struct Label {
    const char* what;
    QRect area;
    QRgb colour;
  };
  const std::vector<Label> labels = {
      {"column 9", cell(1, 0), qRgb(255, 255, 0)},
      {"row 二", cell(10, 2), qRgb(255, 255, 0)},
      {"hand count 1", cell(12, hand.y), qRgb(255, 0, 0)},
  };
  for (PieceCode bg : {BG_MIDORI, BG_TATAMI, BG_TAKE, BG_UCHU, BG_RENGA}) {
    PainterCanvas with, bare;
    RedrawAll(with, s, bg);
    TileBackground(bare, bg);
    for (const Label& l : labels) {
      const Ink ink = LabelInk(with.Image(), bare.Image(), l.area, l.colour);
      const std::string where = l.what + std::string(" on ") + bg.ToString();
      EXPECT_GE(ink.textPixels, 12) << where;
      ASSERT_FALSE(ink.edge.isEmpty()) << where;
      // The dark edge hugs the text: never a second copy of it a few pixels away.
      EXPECT_LE(ink.edge.right() - ink.text.right(), 2) << where;
      EXPECT_LE(ink.edge.bottom() - ink.text.bottom(), 2) << where;
      EXPECT_LE(ink.text.left() - ink.edge.left(), 2) << where;
      EXPECT_LE(ink.text.top() - ink.edge.top(), 2) << where;
    }
  }
}

// Answers the box that opens next with a button, and remembers its text.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text) {
  QTimer::singleShot(0, [button, text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (text) *text = box->text();
    box->button(button)->click();
  });
}

TEST(WindowNotices, InformingMessagesBecomeNoticesQuestionsStayBoxes) {
  WindowUnderTest w;
  QtDialogs boxes(&w.window);
  Notice& notice = w.window.DrawingArea()->Notices();
  // Off: a box, as ever.
  QString shown;
  AnswerNextBox(QMessageBox::Ok, &shown);
  boxes.Message("王手です", "上の番です");
  EXPECT_EQ(shown, QStringLiteral("上の番です"));
  EXPECT_FALSE(notice.Showing());

  w.window.Action("OSHIRASE")->trigger();
  ASSERT_TRUE(w.form.TheOptions().OSHIRASE);
  EXPECT_TRUE(ReadOptionsFile(w.files).OSHIRASE) << "saved at once";
  shown.clear();
  boxes.Message("王手です", "上の番です");
  boxes.Message("禁手", "味方に王手はできません");
  EXPECT_EQ(notice.Lines(), (QStringList{QStringLiteral("王手です：上の番です"),
                                         QStringLiteral("禁手：味方に王手はできません")}));
  EXPECT_TRUE(shown.isEmpty()) << "no box";
  // The next press takes it away.
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(notice.Showing());

  AnswerNextBox(QMessageBox::No, nullptr);
  EXPECT_FALSE(boxes.Question("再ゲーム", "続けますか？"));
  AnswerNextBox(QMessageBox::Ok, &shown);
  boxes.Message("終了", "先手組みの勝ちです");
  EXPECT_EQ(shown, QStringLiteral("先手組みの勝ちです"));
  EXPECT_FALSE(notice.Showing());

  // With the colours on, in a game of one person the result says whose it is.
  w.window.Action("IROWAKE")->trigger();
  w.window.Action("JYUNBAN_1")->trigger();
  AnswerNextBox(QMessageBox::Ok, &shown);
  boxes.Message("終了", "後手組みの勝ちです");
  EXPECT_EQ(shown, QStringLiteral("後手組みの勝ちです\nあなたの負けです"));
  EXPECT_TRUE(w.window.Canvas().Tint());
}

}  // namespace
}  // namespace korvel::testing
