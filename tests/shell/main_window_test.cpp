// The real main window driven as a player drives it: menu entries and presses on the
// drawing area, with the back buffer read back.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <set>

#include "shell_fakes.h"

namespace korvel::testing {
namespace {

// An entry as the window shows it.
struct Shown {
  std::string control, text, shortcut;
  int level;
  bool checkable, separator;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& e) {
  return os << std::string(e.level * 2, ' ') << (e.separator ? "----" : e.control) << " \""
            << e.text << "\" " << e.shortcut << (e.checkable ? " checkable" : "");
}

Shown ShownOf(const QAction* a, int level) {
  return {a->objectName().toStdString(),
          a->text().toStdString(),
          a->shortcut().toString(QKeySequence::PortableText).toStdString(),
          level,
          a->isCheckable(),
          a->isSeparator()};
}

void Walk(const QList<QAction*>& actions, int level, std::vector<Shown>& out) {
  for (QAction* a : actions) {
    out.push_back(ShownOf(a, level));
    if (a->menu()) Walk(a->menu()->actions(), level + 1, out);
  }
}

// What the table says the window shows: the menu bar (with the network game's entries or
// without), then the window's own keys.
void Expected(bool network, std::vector<Shown>& bar, std::vector<Shown>& keys) {
  for (const MenuEntry& e : MenuTable()) {
    if (e.Has(NETWORK) && !network) continue;
    std::string text = Text(e.caption);
    if (e.mnemonic) text += std::string("(&") + e.mnemonic + ")";
    const Shown shown{e.control, text, e.shortcut ? e.shortcut : "", e.level, e.check != nullptr,
                      false};
    if (e.level == 0) {
      keys.push_back(shown);
      continue;
    }
    if (e.Has(SEPARATED)) bar.push_back({"", "", "", e.level, false, true});
    bar.push_back(shown);
  }
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

TEST(MainWindowMenus, TheBarAndTheKeysAreBuiltFromTheTableAlone) {
  MainWindow window;
  for (const bool network : {false, true}) {
    SCOPED_TRACE(network ? "with the network game" : "without the network game");
    if (network) {
      window.AddNetworkEntries();
      window.AddNetworkEntries();  // once only
    }
    std::vector<Shown> bar, keys, expectedBar, expectedKeys;
    Walk(window.menuBar()->actions(), 1, bar);
    for (QAction* a : window.actions()) keys.push_back(ShownOf(a, 0));
    Expected(network, expectedBar, expectedKeys);
    EXPECT_EQ(bar, expectedBar);
    EXPECT_EQ(keys, expectedKeys);
  }
  // Every entry is on, ネット対局を終える aside (there is no network game yet), and 今すぐ指す
  // (nothing thinks) and 新しい対局 (no game mode chosen yet).
  for (const MenuEntry& e : MenuTable()) {
    QAction* a = window.Action(QString::fromLatin1(e.control));
    ASSERT_NE(a, nullptr) << e.control;
    EXPECT_EQ(a->isEnabled(), e.control != std::string("NET_LEAVE") && !e.Has(WHILE_THINKING) &&
                                  e.task != WindowTask::NEW_GAME)
        << e.control;
    if (e.task != WindowTask::NONE) {
      EXPECT_EQ(window.TaskAction(e.task), a) << e.control;
    }
  }
  // Before any option is read: LEVEL3, AICON, TATAMI and SAISYUTE carry their marks.
  const std::set<std::string> checkedAtFirst = {"LEVEL3", "AICON", "TATAMI", "SAISYUTE",
                                                "LANG_JA"};
  for (const MenuEntry& e : MenuTable())
    EXPECT_EQ(window.Action(QString::fromLatin1(e.control))->isChecked(),
              checkedAtFirst.count(e.control) == 1)
        << e.control;
  EXPECT_EQ(window.windowTitle().toStdString(), "Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)");
  EXPECT_EQ(window.DrawingArea()->size(), QSize(745, 580));
}

// While a network game is on, what would change the shared game or start one of the
// window's own is off, and the way out of the network game is on; then back.
TEST(MainWindowMenus, ANetworkGameTurnsOffTheEntriesOfTheWindowsOwnGame) {
  MainWindow window;
  window.AddNetworkEntries();
  auto on = [&](const char* control) { return window.Action(control)->isEnabled(); };
  window.SetNetworkGameOn(true);
  for (const char* off : {"CANCEL", "KAITEN", "REPLAY", "AFTER", "MATTA", "KIFU_OPEN", "ZENKAI",
                          "JYUNBAN_1", "PLAY_TOIMEN", "PLAY_4", "LEVEL2", "NEW_GAME"})
    EXPECT_FALSE(on(off)) << off;
  for (const char* kept : {"NET_GAME", "NET_LEAVE", "KIFU_SAVE", "KIFU_WINDOW", "OWARI", "SIDOU",
                           "BGM", "KAISETU", "VER", "MENU_KEY", "TAIKYOKU", "STOP"})
    EXPECT_TRUE(on(kept)) << kept;
  // 今すぐ指す is on only while a computer thinks; 新しい対局 once a game mode was chosen.
  auto waits = [](const MenuEntry& e) {
    return e.Has(WHILE_THINKING) || e.task == WindowTask::NEW_GAME;
  };
  for (const MenuEntry& e : MenuTable())
    EXPECT_EQ(on(e.control), !e.Has(LOCAL_GAME) && !waits(e)) << e.control;
  window.SetNetworkGameOn(false);
  for (const MenuEntry& e : MenuTable())
    EXPECT_EQ(on(e.control), e.control != std::string("NET_LEAVE") && !waits(e)) << e.control;
}

TEST(MainWindowMenus, AltAndEachMnemonicOpensItsMenu) {
  WindowUnderTest w;
  QApplication::setActiveWindow(&w.window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
  int menus = 0;
  for (const MenuEntry& e : MenuTable()) {
    if (!e.mnemonic) continue;
    ++menus;
    QTest::keyClick(&w.window, Qt::Key(e.mnemonic), Qt::AltModifier);
    QWidget* open = QApplication::activePopupWidget();
    EXPECT_EQ(open, w.window.Menu(QString::fromLatin1(e.control))) << e.control;
    if (open) open->close();
    w.window.menuBar()->setActiveAction(nullptr);
    w.window.setFocus();
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
  }
  EXPECT_EQ(menus, 5);
  EXPECT_FALSE(w.form.Ended());
}

// 言語 → English writes every caption of the bar, every key's and the title again at once,
// with each menu's mnemonic on a letter of its English caption; 日本語 brings back exactly
// what the window showed before.
TEST(MainWindowMenus, TheLanguageChoiceRecaptionsEveryEntryAtOnce) {
  WindowUnderTest w;
  w.window.AddNetworkEntries();
  std::vector<Shown> japanese, expectedBar, expectedKeys;
  Walk(w.window.menuBar()->actions(), 1, japanese);
  Expected(true, expectedBar, expectedKeys);
  ASSERT_EQ(japanese, expectedBar);

  w.window.Action("LANG_EN")->trigger();
  EXPECT_EQ(CurrentLanguage(), Language::ENGLISH);
  EXPECT_TRUE(w.window.Action("LANG_EN")->isChecked());
  EXPECT_FALSE(w.window.Action("LANG_JA")->isChecked());
  for (const MenuEntry& e : MenuTable()) {
    if (e.caption == TextId::NONE) continue;
    QString shown = w.window.Action(QString::fromLatin1(e.control))->text();
    if (e.mnemonic) {
      EXPECT_EQ(shown.count(QLatin1Char('&')), 1) << e.control;
      const qsizetype at = shown.indexOf(QLatin1Char('&'));
      EXPECT_EQ(shown.at(at + 1).toUpper(), QLatin1Char(e.mnemonic)) << e.control;
      shown.remove(at, 1);
      if (shown.endsWith(QStringLiteral(" (") + QLatin1Char(e.mnemonic) + ')')) shown.chop(4);
    }
    EXPECT_EQ(shown.toStdString(), TextIn(Language::ENGLISH, e.caption)) << e.control;
  }
  EXPECT_EQ(w.window.windowTitle().toStdString(), "Korvel Four-Player Shogi (Doubles)");

  w.window.Action("LANG_JA")->trigger();
  std::vector<Shown> again;
  Walk(w.window.menuBar()->actions(), 1, again);
  EXPECT_EQ(again, expectedBar);
  EXPECT_EQ(w.window.windowTitle().toStdString(), "Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)");
  SetLanguage(Language::JAPANESE);
}

TEST(MainWindowMenus, CheckMarksMirrorTheOptionsAfterEveryHandler) {
  WindowUnderTest w;
  auto expectMirrored = [&](const std::string& after) {
    for (const MenuEntry& e : MenuTable()) {
      if (!e.check) continue;
      EXPECT_EQ(w.window.Action(QString::fromLatin1(e.control))->isChecked(),
                w.form.TheOptions().*(e.check))
          << e.control << " after " << after;
    }
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
    expectMirrored(name);
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
  QObject::connect(w.window.DrawingArea(), &BoardView::pressed, &w.window,
                   [&](MouseButton b, int, double x, double y) { got.push_back({b, x, y}); });
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
