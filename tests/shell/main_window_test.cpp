// The real main window driven as a player drives it: menu entries and presses on the
// drawing area, with the back buffer read back.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <set>

#include "shell_fakes.h"

namespace korvel::testing {
namespace {

struct Entry {
  std::string control, caption;
  int level;
};

// The menu bar as players know it, in order.
const std::vector<Entry> EXPECTED_MENUS = {
    {"TAIKYOKU", "対局", 1},    {"ZENKAI", "前回の続き", 2},
    {"TAIKYOKU_SYURUI", "対局", 2},
    {"PLAY_1", "1_PLAY", 3},    {"JYUNBAN_1", "１番目", 4},
    {"JYUNBAN_2", "2番目", 4},  {"JYUNBAN_3", "3番目", 4},
    {"JYUNBAN_4", "4番目", 4},  {"PLAY_2", "2_PLAY", 3},
    {"PLAY_TOIMEN", "対面", 4}, {"PLAY_TONARI", "隣面", 4},
    {"PLAY_4", "4_PLAY", 3},    {"LEVEL", "COM対局ﾚﾍﾞﾙ", 2},
    {"LEVEL1", "LEVEL1", 3},    {"LEVEL2", "LEVEL2", 3},
    {"LEVEL3", "LEVEL3", 3},    {"LEVEL4", "LEVEL4", 3},
    {"OWARI", "終わり", 2},
    {"STOP", "局面", 1},        {"CANCEL", "最初", 2},
    {"KAITEN", "回転", 2},      {"REPLAY", "戻", 2},
    {"AFTER", "進", 2},         {"MATTA", "待った", 2},
    {"KIFU_OPEN", "棋譜を開く...", 2}, {"KIFU_SAVE", "棋譜を保存...", 2},
    {"KIFU_WINDOW", "棋譜ウィンドウ", 2},
    {"OPTION", "ｵﾌﾟｼｮﾝ", 1},
    {"SIDOU", "移動指導", 2},   {"AICON", "ｱｲｺﾝ表示", 2},
    {"HAIKEI_GA", "背景画", 2}, {"MIDORI", "緑", 3},
    {"TATAMI", "畳", 3},        {"TAKE", "竹", 3},
    {"UCHU", "宇宙", 3},        {"RENGA", "煉瓦", 3},
    {"BGM", "BGM", 2},          {"OSHIRASE", "お知らせを盤上に表示", 2},
    {"IROWAKE", "駒の色分け", 2}, {"SAISYUTE", "最終手表示", 2},
    {"SONOTA", "その他", 1},
    {"KAISETU", "解説", 2},     {"VER", "バージョン情報", 2},
};

const std::vector<std::string> CHECKABLE = {
    "LEVEL1", "LEVEL2", "LEVEL3", "LEVEL4", "SIDOU", "AICON", "MIDORI", "TATAMI",
    "TAKE",   "UCHU",   "RENGA",  "BGM",   "OSHIRASE", "IROWAKE", "KIFU_WINDOW", "SAISYUTE"};

// A caption without its mnemonic, "対局(&G)" -> "対局".
std::string Caption(const QAction* a) {
  QString t = a->text();
  t.remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
  return t.toStdString();
}

void Walk(const QList<QAction*>& actions, int level, std::vector<Entry>& out) {
  for (QAction* a : actions) {
    out.push_back({a->objectName().toStdString(), Caption(a), level});
    if (a->menu()) Walk(a->menu()->actions(), level + 1, out);
  }
}

bool CheckOf(const MenuChecks& c, const std::string& name) {
  static const std::map<std::string, bool MenuChecks::*> m = {
      {"LEVEL1", &MenuChecks::LEVEL1}, {"LEVEL2", &MenuChecks::LEVEL2},
      {"LEVEL3", &MenuChecks::LEVEL3}, {"LEVEL4", &MenuChecks::LEVEL4},
      {"SIDOU", &MenuChecks::SIDOU},
      {"AICON", &MenuChecks::AICON},   {"MIDORI", &MenuChecks::MIDORI},
      {"TATAMI", &MenuChecks::TATAMI}, {"TAKE", &MenuChecks::TAKE},
      {"UCHU", &MenuChecks::UCHU},     {"RENGA", &MenuChecks::RENGA},
      {"BGM", &MenuChecks::BGM},       {"OSHIRASE", &MenuChecks::OSHIRASE},
      {"IROWAKE", &MenuChecks::IROWAKE}, {"KIFU_WINDOW", &MenuChecks::KIFU_WINDOW},
      {"SAISYUTE", &MenuChecks::SAISYUTE}};
  return c.*(m.at(name));
}

// The drawing area's picture of a cell equals a picture, apart from the frame, which
// covers the cell's first row and column.
::testing::AssertionResult CellShows(const QImage& buffer, int c, int r, PieceCode code) {
  const QImage& pic = PictureOf(code);
  const int x0 = 93 + 47 * c, y0 = 33 + 47 * r;
  for (int y = 1; y < 47; ++y)
    for (int x = 1; x < 47; ++x)
      if (buffer.pixel(x0 + x, y0 + y) != pic.pixel(x, y))
        return ::testing::AssertionFailure()
               << "cell (" << c << ", " << r << ") differs from picture " << code.ToString()
               << " at (" << x << ", " << y << ")";
  return ::testing::AssertionSuccess();
}

TEST(MainWindowMenus, TreeCaptionsAndFirstMarksAreThoseOfTheGuide) {
  MainWindow window;
  std::vector<Entry> found;
  Walk(window.menuBar()->actions(), 1, found);
  ASSERT_EQ(found.size(), EXPECTED_MENUS.size());
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].control, EXPECTED_MENUS[i].control) << "entry " << i;
    EXPECT_EQ(found[i].caption, EXPECTED_MENUS[i].caption) << EXPECTED_MENUS[i].control;
    EXPECT_EQ(found[i].level, EXPECTED_MENUS[i].level) << EXPECTED_MENUS[i].control;
  }
  // Before any option is read: LEVEL3, AICON, TATAMI and SAISYUTE carry their marks.
  const std::set<std::string> checkedAtFirst = {"LEVEL3", "AICON", "TATAMI", "SAISYUTE"};
  for (const Entry& e : EXPECTED_MENUS) {
    QAction* a = window.Action(QString::fromStdString(e.control));
    ASSERT_NE(a, nullptr) << e.control;
    const bool checkable =
        std::find(CHECKABLE.begin(), CHECKABLE.end(), e.control) != CHECKABLE.end();
    EXPECT_EQ(a->isCheckable(), checkable) << e.control;
    EXPECT_EQ(a->isChecked(), checkedAtFirst.count(e.control) == 1) << e.control;
  }
  EXPECT_EQ(window.windowTitle().toStdString(), "Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)");
  EXPECT_EQ(window.DrawingArea()->size(), QSize(745, 580));
}

TEST(MainWindowMenus, CheckMarksMirrorTheOptionsAfterEveryHandler) {
  WindowUnderTest w;
  auto expectMirrored = [&](const char* after) {
    for (const std::string& name : CHECKABLE)
      EXPECT_EQ(w.window.Action(QString::fromStdString(name))->isChecked(),
                CheckOf(w.form.Checks(), name))
          << name << " after " << after;
  };
  // No settings file: the defaults written at the first start are shown.
  expectMirrored("start-up");
  EXPECT_TRUE(w.window.Action("SIDOU")->isChecked());
  EXPECT_TRUE(w.window.Action("MIDORI")->isChecked());
  EXPECT_FALSE(w.window.Action("TATAMI")->isChecked());

  const std::vector<std::string> clicks = {"SIDOU", "SIDOU", "BGM",    "TAKE",   "TAKE",   "UCHU",
                                           "AICON", "AICON", "LEVEL1", "LEVEL1", "LEVEL2", "BGM"};
  for (const std::string& name : clicks) {
    w.window.Action(QString::fromStdString(name))->trigger();
    expectMirrored(name.c_str());
  }
  // A checked background chosen again stays checked: the handler decides, not the menu.
  EXPECT_TRUE(w.window.Action("UCHU")->isChecked());
  EXPECT_FALSE(w.window.Action("TAKE")->isChecked());
  EXPECT_TRUE(w.window.Action("LEVEL2")->isChecked());
  EXPECT_FALSE(w.window.Action("BGM")->isChecked());
  EXPECT_EQ(w.sound.lines,
            (std::vector<std::string>{"stop BGM.wav", "loop BGM.wav", "stop BGM.wav"}));
}

TEST(MainWindowPlay, FourPeopleMoveSitasPawnByPressingCells) {
  WindowUnderTest w;
  w.window.Action("PLAY_4")->trigger();
  ASSERT_EQ(w.dialogs.lines, std::vector<std::string>{"message \"\" \"下の番です\""});
  QWidget* area = w.window.DrawingArea();
  const QImage before = w.window.Canvas().Image();
  ASSERT_TRUE(CellShows(before, 5, 7, PieceCode(11)));
  ASSERT_TRUE(CellShows(before, 5, 6, EMPTY));

  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  EXPECT_EQ(w.form.Looks().pieceSelected, 1);
  // The pick frames the pawn in light red and, guidance being on, its square ahead white.
  const QImage picked = w.window.Canvas().Image();
  EXPECT_EQ(picked.pixel(93 + 47 * 5, 33 + 47 * 7 + 20), qRgb(255, 0, 0));
  EXPECT_EQ(picked.pixel(93 + 47 * 5 + 20, 33 + 47 * 6), qRgb(255, 255, 255));

  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 6));
  EXPECT_EQ(w.form.State().Board[5][6], PieceCode(11));
  EXPECT_EQ(w.form.State().Board[5][7], EMPTY);
  const QImage after = w.window.Canvas().Image();
  EXPECT_TRUE(CellShows(after, 5, 7, EMPTY));
  EXPECT_TRUE(CellShows(after, 5, 6, PieceCode(11)));
  EXPECT_EQ(w.sound.lines.back(), "sound 駒打音.wav");

  // HIDARI is to move next: its person icon stands left of the board, the other is hidden.
  QLabel* man = w.window.Icons().Label(TurnIcon::MAN);
  EXPECT_TRUE(man->isVisible());
  EXPECT_EQ(man->geometry(), QRect(1600 / 15, 4100 / 15, 32, 32));
  EXPECT_FALSE(w.window.Icons().Label(TurnIcon::COM)->isVisible());
}

TEST(MainWindowPlay, PressesArriveInTwipsAtPixelCentresWithTheirButton) {
  WindowUnderTest w;
  struct Press {
    MouseButton button;
    double x, y;
  };
  std::vector<Press> got;
  w.window.DrawingArea()->onPress = [&](MouseButton b, int, double x, double y) {
    got.push_back({b, x, y});
  };
  QWidget* area = w.window.DrawingArea();
  QTest::mousePress(area, Qt::LeftButton, {}, QPoint(0, 1));
  QTest::mousePress(area, Qt::RightButton, {}, QPoint(93, 33));
  QTest::mousePress(area, Qt::MiddleButton, {}, QPoint(744, 579));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].button, MouseButton::LEFT);
  EXPECT_DOUBLE_EQ(got[0].x, 7.5);
  EXPECT_DOUBLE_EQ(got[0].y, 22.5);
  EXPECT_EQ(got[1].button, MouseButton::RIGHT);
  // Pixel 93 is the first of cell 0: its centre is 1402.5 twips, just inside 1400.
  EXPECT_DOUBLE_EQ(got[1].x, 1402.5);
  EXPECT_DOUBLE_EQ(got[1].y, 502.5);
  EXPECT_EQ(got[2].button, MouseButton::OTHER);
  EXPECT_DOUBLE_EQ(got[2].y, 579.5 * 15);
}

TEST(MainWindowPlay, PictureSurvivesHidingAndShowing) {
  WindowUnderTest w;
  w.window.Action("SAISYUTE")->trigger();  // no last-move mark over the picture
  w.window.Action("UCHU")->trigger();
  w.window.Action("PLAY_4")->trigger();
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, CellCentre(4, 8));
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, CellCentre(4, 7));
  const QImage drawn = w.window.Canvas().Image().copy();
  w.window.hide();
  w.window.showMinimized();
  w.window.showNormal();
  EXPECT_EQ(w.window.Canvas().Image(), drawn);
  // What the drawing area paints (its icons left out) is the buffer.
  QImage shown(745, 580, QImage::Format_RGB32);
  w.window.DrawingArea()->render(&shown, {}, {}, QWidget::DrawWindowBackground);
  EXPECT_EQ(shown, drawn);
}

TEST(MainWindowEnding, EscCloseAndOwariEndTheProgramOnce) {
  for (const std::string how : {"esc", "close", "owari"}) {
    WindowUnderTest w;
    QTest::keyClick(&w.window, Qt::Key_A);
    ASSERT_FALSE(w.form.Ended()) << "another key ends nothing";
    if (how == "esc") QTest::keyClick(&w.window, Qt::Key_Escape);
    if (how == "close") w.window.close();
    if (how == "owari") w.window.Action("OWARI")->trigger();
    EXPECT_TRUE(w.form.Ended()) << how;
    EXPECT_EQ(w.endedCalls, 1) << how;
    EXPECT_EQ(w.host.lines, std::vector<std::string>{"exit"}) << how;
    EXPECT_EQ(w.sound.lines.back(), "terminate") << how;
    // Once ended, nothing reaches the application object any more.
    w.window.Action("SIDOU")->trigger();
    QTest::keyClick(&w.window, Qt::Key_Escape);
    EXPECT_EQ(w.endedCalls, 1) << how;
  }
}

TEST(MainWindowEnding, ClosingWhileTheComputerPausesEndsAtOnce) {
  WindowUnderTest w;
  w.window.Action("JYUNBAN_1")->trigger();
  int pauses = 0;
  w.host.onPause = [&] {
    if (++pauses == 1) w.window.close();
  };
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(w.window.DrawingArea(), Qt::LeftButton, {}, CellCentre(5, 6));
  // The first computer's move, recorded before its pause, stays; no other computer moved,
  // and the program ended, once.
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(w.form.TheGame().MoveNumber(), 2);
  EXPECT_TRUE(w.form.Ended());
  EXPECT_EQ(w.endedCalls, 1);
  EXPECT_EQ(w.host.lines, std::vector<std::string>{"exit"});
}

TEST(MainWindowEnding, AboutBoxAndHelpGoThroughTheHost) {
  WindowUnderTest w;
  w.host.about = AboutChoice::HOME_PAGE;
  w.window.Action("VER")->trigger();
  w.window.Action("KAISETU")->trigger();
  ASSERT_EQ(w.host.lines.size(), 3u);
  EXPECT_EQ(w.host.lines[0], "about");
  // The home page and the help are the same page beside the program.
  EXPECT_EQ(w.host.lines[1], w.host.lines[2]);
  EXPECT_EQ(w.host.lines[2], "browse " + QDir::currentPath().toStdString() + "/Korvel4人将棋.htm");
  EXPECT_EQ(w.sound.lines.back(), "sound その他.wav");
}

}  // namespace
}  // namespace korvel::testing
