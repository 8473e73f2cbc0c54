// Records in the real window: the file entries, the move list beside the board and the
// last move's mark over it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <QListWidget>
#include <QTest>

#include "play/game_record.h"
#include "shell_fakes.h"

namespace korvel::testing {
namespace {

// SITA's pawn one square ahead, HIDARI's and UE's answers, by presses on the area.
void PlayThreeMoves(WindowUnderTest& w) {
  w.window.Action("PLAY_4")->trigger();
  QWidget* area = w.window.DrawingArea();
  const int moves[3][4] = {{5, 7, 5, 6}, {3, 5, 4, 5}, {5, 3, 5, 4}};
  for (const auto& m : moves) {
    QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(m[0], m[1]));
    QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(m[2], m[3]));
  }
  ASSERT_EQ(w.form.TheGame().HistoryCount(), 3);
}

QRgb Blend(QRgb under, QColor tint, int alpha) {
  auto mix = [alpha](int a, int b) { return (a * (255 - alpha) + b * alpha) / 255; };
  return qRgb(mix(qRed(under), tint.red()), mix(qGreen(under), tint.green()),
              mix(qBlue(under), tint.blue()));
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 3 && std::abs(qGreen(a) - qGreen(b)) <= 3 &&
         std::abs(qBlue(a) - qBlue(b)) <= 3;
}

TEST(RecordsWindow, TheLastMoveIsTintedInTheMoversColourAndFollowsTheHistory) {
  WindowUnderTest w;
  PlayThreeMoves(w);
  QWidget* area = w.window.DrawingArea();
  auto shown = [&](int c, int r) {
    return area->grab().toImage().pixel(CellCentre(c, r) + QPoint(-15, -15));
  };
  auto drawn = [&](int c, int r) {
    return w.window.Canvas().Image().pixel(CellCentre(c, r) + QPoint(-15, -15));
  };
  const QColor ue = PainterCanvas::SeatColour(UE);
  // UE's pawn went from (5, 3) to (5, 4): both squares take UE's colour, others do not.
  EXPECT_TRUE(Near(shown(5, 4), Blend(drawn(5, 4), ue, 90)));
  EXPECT_TRUE(Near(shown(5, 3), Blend(drawn(5, 3), ue, 90)));
  EXPECT_NE(shown(5, 4), drawn(5, 4));
  EXPECT_EQ(shown(5, 6), drawn(5, 6));
  EXPECT_EQ(shown(4, 5), drawn(4, 5));

  // One step back: HIDARI's move is the last one now.
  w.window.Action("REPLAY")->trigger();
  const QColor hidari = PainterCanvas::SeatColour(HIDARI);
  EXPECT_TRUE(Near(shown(4, 5), Blend(drawn(4, 5), hidari, 90)));
  EXPECT_EQ(shown(5, 4), drawn(5, 4));
  // On another background the mark is drawn over it again.
  w.window.Action("UCHU")->trigger();
  EXPECT_TRUE(Near(shown(3, 5), Blend(drawn(3, 5), hidari, 90)));

  // Switched off (and remembered), nothing is drawn over the board.
  w.window.Action("SAISYUTE")->trigger();
  EXPECT_FALSE(w.form.TheOptions().SAISYUTE);
  EXPECT_EQ(ReadOptionsFile(w.files).SAISYUTE, false);
  EXPECT_EQ(shown(4, 5), drawn(4, 5));
  EXPECT_EQ(shown(3, 5), drawn(3, 5));
  w.window.Action("SAISYUTE")->trigger();
  // A rotation drops the history: no mark.
  w.window.Action("KAITEN")->trigger();
  EXPECT_EQ(shown(4, 5), drawn(4, 5));
}

TEST(RecordsWindow, TheMoveListFollowsTheGameAndAClickStepsTheHistory) {
  WindowUnderTest w;
  PlayThreeMoves(w);
  MoveList* list = w.window.Moves();
  EXPECT_FALSE(list->isVisible());
  w.window.Action("KIFU_WINDOW")->trigger();
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(ReadOptionsFile(w.files).KIFU_WINDOW);
  QListWidget* rows = list->List();
  ASSERT_EQ(rows->count(), 4);
  EXPECT_EQ(rows->item(1)->text().toStdString(), "1 下 ５六歩(57)");
  EXPECT_EQ(rows->currentRow(), 3);

  // A click on the first move: two steps back, as 戻 twice would.
  w.sound.lines.clear();
  QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                    rows->visualItemRect(rows->item(1)).center());
  EXPECT_EQ(w.form.TheGame().HistoryCount(), 1);
  EXPECT_EQ(w.form.TheGame().HistoryTop(), 3);
  EXPECT_EQ(w.sound.lines, (std::vector<std::string>{"sound 駒打音.wav", "sound 駒打音.wav"}));
  EXPECT_EQ(rows->currentRow(), 1);
  // 進 moves the selection with it; the rows stay.
  w.window.Action("AFTER")->trigger();
  EXPECT_EQ(rows->currentRow(), 2);
  EXPECT_EQ(rows->count(), 4);
  // A new game empties it.
  w.window.Action("CANCEL")->trigger();
  EXPECT_EQ(rows->count(), 1);
  w.window.Action("KIFU_WINDOW")->trigger();
  EXPECT_FALSE(list->isVisible());
}

TEST(RecordsWindow, TheFileEntriesUseTheChosenPath) {
  WindowUnderTest w;
  PlayThreeMoves(w);
  const QString path = w.dir.filePath(QStringLiteral("g.k4k"));
  w.window.choosePath = [&](bool) { return path; };
  w.window.Action("KIFU_SAVE")->trigger();
  w.window.Action("CANCEL")->trigger();
  EXPECT_EQ(w.form.TheGame().HistoryTop(), 0);
  w.window.Action("KIFU_OPEN")->trigger();
  EXPECT_EQ(w.form.TheGame().HistoryTop(), 3);
  EXPECT_TRUE(w.form.TheGame().ResumePending());
  // A cancelled dialog does nothing.
  w.window.choosePath = [&](bool) { return QString(); };
  w.dialogs.lines.clear();
  w.window.Action("KIFU_OPEN")->trigger();
  EXPECT_TRUE(w.dialogs.lines.empty());
  EXPECT_EQ(w.window.Action("KIFU_OPEN")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(w.window.Action("KIFU_SAVE")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(w.window.Action("MATTA")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
}

}  // namespace
}  // namespace korvel::testing

namespace korvel::testing {
namespace {

// The file dialogs start in the records folder of the user's data area (made for them),
// then in the folder last chosen, which the options file keeps from the first use on.
TEST(RecordsWindow, TheFileDialogsStartInTheRecordsFolderThenInTheLastOneUsed) {
  WindowUnderTest w;
  PlayThreeMoves(w);
  const QString options = w.dir.filePath(QString::fromUtf8(OPTIONS_FILE));
  auto optionsText = [&] {
    QFile f(options);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  };
  EXPECT_FALSE(optionsText().contains(QStringLiteral("record_folder")));
  ASSERT_TRUE(QDir(w.dir.path()).mkpath(QStringLiteral("mine")));
  const QString mine = QDir(w.dir.filePath(QStringLiteral("mine"))).absolutePath();
  // Answers the dialog that the entry opens with `file` and tells where it started.
  auto choose = [&](const char* entry, const QString& file) {
    QString started;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      started = dialog->directory().absolutePath();
      dialog->selectFile(file);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    w.window.Action(entry)->trigger();
    return started;
  };
  const QString records = QDir(w.dir.filePath(QStringLiteral("records"))).absolutePath();
  EXPECT_EQ(choose("KIFU_SAVE", mine + QStringLiteral("/g.k4k")), records);
  EXPECT_TRUE(QFileInfo(records).isDir());
  EXPECT_TRUE(QFileInfo::exists(mine + QStringLiteral("/g.k4k")));
  EXPECT_TRUE(optionsText().contains(QStringLiteral("record_folder=") + mine + "\n"))
      << optionsText().toStdString();
  EXPECT_EQ(choose("KIFU_OPEN", mine + QStringLiteral("/g.k4k")), mine);
  EXPECT_EQ(w.form.TheGame().HistoryTop(), 3);
  // The folder gone, the records folder again.
  ASSERT_TRUE(QDir(mine).removeRecursively());
  EXPECT_EQ(choose("KIFU_SAVE", records + QStringLiteral("/h.k4k")), records);
  EXPECT_TRUE(optionsText().contains(QStringLiteral("record_folder=") + records + "\n"));
}

}  // namespace
}  // namespace korvel::testing
