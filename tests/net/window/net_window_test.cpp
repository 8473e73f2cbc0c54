// Two real windows in one process playing a network game on 127.0.0.1: one opens the
// room (the authority), the other joins seat 3. The joiner sees the board turned (its own
// army at the bottom), its presses become its own moves, a refusal reaches it alone, and
// the game so far stays with it when the host's window goes, kept as a record it opens.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "play/game_record.h"
#include "play/repetition.h"
#include "shell/net_session.h"
#include "shell/shell_fakes.h"

namespace korvel {
namespace {

using testing::CellCentre;
using testing::WindowUnderTest;

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

int OpenBoxes(QWidget& window) {
  int n = 0;
  for (QMessageBox* box : window.findChildren<QMessageBox*>())
    if (box->isVisible()) ++n;
  return n;
}

void CloseBoxes(QWidget& window) {
  for (QMessageBox* box : window.findChildren<QMessageBox*>()) box->done(0);
}

TEST(NetWindow, TheJoinerSeesItsArmyAtTheBottomAndPlaysItByTheMouse) {
  QStandardPaths::setTestModeEnabled(true);  // nothing of the user's own configuration
  WindowUnderTest a;
  auto* hostSession = new NetSession(a.window, a.form);
  HostSettings hs;
  hs.listen = QHostAddress::LocalHost;
  hs.port = 0;  // any free port
  hs.person[2] = hs.person[4] = false;
  hs.level = 1;
  hs.name = "Aki";
  QString error;
  ASSERT_TRUE(hostSession->Host(hs, &error)) << error.toStdString();
  WindowUnderTest b;
  NetSession joiner(b.window, b.form);
  joiner.Join({"127.0.0.1", hostSession->Port(), hostSession->RoomCode(), "Chika", 3});
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Welcomed(); }));

  // In a network game the entries that would change the shared game are off.
  for (const char* entry : {"KAITEN", "CANCEL", "REPLAY", "AFTER", "PLAY_4"}) {
    EXPECT_FALSE(a.window.Action(entry)->isEnabled()) << entry;
    EXPECT_FALSE(b.window.Action(entry)->isEnabled()) << entry;
  }

  ASSERT_TRUE(WaitFor([&] {
    return hostSession->TheClient()->SeatsJson()[2].toObject().value("connected").toBool();
  }));
  hostSession->Start();
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Started(); }));

  // Out of turn: the joiner's pawn on its screen's 5-7 (the game's 5-3) refused, to it alone.
  QWidget* areaB = b.window.DrawingArea();
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return !joiner.TheClient()->Refusals().empty(); }));
  EXPECT_EQ(joiner.TheClient()->Refusals()[0].value("text").toString(), "手番が違います");
  EXPECT_EQ(OpenBoxes(b.window), 1);
  EXPECT_EQ(OpenBoxes(a.window), 0);
  EXPECT_TRUE(hostSession->TheClient()->Refusals().empty());
  CloseBoxes(b.window);

  // The host plays its pawn by the mouse (its own army at the bottom, not turned).
  QWidget* areaA = a.window.DrawingArea();
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(5, 6));
  // Then the computer at seat 2, then the joiner: the same presses on its turned screen
  // move its pawn from the game's 5-3 to 5-4.
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->MyTurn(); }));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Turns().size() >= 3; }));
  const net::Turn& first = joiner.TheClient()->Turns()[0];
  EXPECT_EQ(first.seat, SITA);
  EXPECT_EQ(first.move.fromY, 7);
  EXPECT_EQ(first.move.toY, 6);
  const net::Turn& own = joiner.TheClient()->Turns()[2];
  EXPECT_EQ(own.seat, UE);
  EXPECT_EQ(own.move.fromX, 5);
  EXPECT_EQ(own.move.fromY, 3);
  EXPECT_EQ(own.move.toY, 4);
  EXPECT_FALSE(own.byComputer);

  // The joiner's connection drops: the host is told who is missing, the joiner's window
  // comes back by itself with its token, gets the game so far and plays on.
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Turns().size() >= 4; }));
  const size_t before = joiner.TheClient()->Turns().size();
  joiner.DropConnection();
  ASSERT_TRUE(WaitFor([&] {
    return hostSession->TheClient()->Notices().join(" ").contains("Chikaさんの接続が切れました");
  }));
  ASSERT_TRUE(WaitFor([&] {
    return hostSession->TheClient()->Notices().join(" ").contains("Chikaさんが戻りました");
  }));
  EXPECT_EQ(joiner.TheClient()->Turns().size(), before);
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(4, 8));
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(4, 7));
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->MyTurn(); }));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(4, 8));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(4, 7));
  ASSERT_TRUE(WaitFor([&] {
    const auto& turns = hostSession->TheClient()->Turns();
    return !turns.empty() && turns.back().seat == UE;
  }));
  const Move& again = hostSession->TheClient()->Turns().back().move;
  EXPECT_EQ(again.fromX, 6) << "the screen's 4-8 is the game's 6-2";
  EXPECT_EQ(again.fromY, 2);
  EXPECT_EQ(again.toY, 3);

  // The host's window goes: the joiner is told and keeps the game so far, as a record in
  // its user data folder, and the notice says where.
  ASSERT_TRUE(WaitFor([&] { return hostSession->TheClient()->Turns().size() >= 3; }));
  const QJsonArray played = net::TurnsJson(hostSession->TheClient()->Turns());
  delete hostSession;
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Closed(); }));
  ASSERT_TRUE(WaitFor([&] { return OpenBoxes(b.window) == 1; }));
  const QJsonArray kept = net::TurnsJson(joiner.TheClient()->Turns());
  ASSERT_GE(kept.size(), played.size());
  for (int i = 0; i < played.size(); ++i) EXPECT_EQ(kept[i], played[i]) << i;
  QString notice;
  for (QMessageBox* box : b.window.findChildren<QMessageBox*>())
    if (box->isVisible()) notice = box->text();
  const QString saved = QStringLiteral("棋譜を保存しました: ");
  ASSERT_TRUE(notice.contains(saved)) << notice.toStdString();
  const QString path = notice.mid(notice.indexOf(saved) + saved.size()).section('\n', 0, 0);
  const QString folder =
      QFileInfo(QString::fromStdString(b.form.UserDataPath(UNFINISHED_GAME_FILE))).absolutePath();
  EXPECT_EQ(QFileInfo(path).absolutePath(), folder);
  EXPECT_TRUE(QFileInfo(path).fileName().endsWith(".k4k")) << path.toStdString();
  CloseBoxes(b.window);

  // Leaving the network game gives the window back its own game and entries.
  const Game copy = joiner.TheClient()->TheGame();
  joiner.Leave();
  EXPECT_TRUE(b.window.Action("KAITEN")->isEnabled());
  EXPECT_FALSE(joiner.Active());

  // The record opens in the window at the game so far: the position, the moves, the
  // people and the computers.
  ASSERT_TRUE(b.form.OpenRecord(path.toStdString()));
  EXPECT_TRUE(KeyOf(b.form.State()) == KeyOf(copy.State()));
  EXPECT_EQ(b.form.TheGame().MoveNumber(), copy.MoveNumber());
  EXPECT_EQ(b.form.State().PlayerKind[SITA], HUMAN);
  EXPECT_EQ(b.form.State().PlayerKind[HIDARI], COMPUTER);
  EXPECT_EQ(b.form.State().PlayerKind[UE], HUMAN);
  EXPECT_EQ(b.form.State().Level, 1);
  EXPECT_TRUE(b.form.TheGame().ResumePending());
}

// The authority is killed mid-game (it says no farewell): the window tries to come back
// for a while, then keeps the game so far as a record in its user data folder, says where,
// and the record opens there at the game so far.
TEST(NetWindow, AKilledAuthorityLeavesTheGameSoFarAsARecord) {
  QStandardPaths::setTestModeEnabled(true);
  net::ServerOptions so;
  so.address = QHostAddress::LocalHost;
  so.pauseSeconds = 0;
  auto server = std::make_unique<net::Server>(so);
  QString error;
  ASSERT_TRUE(server->Listen(&error)) << error.toStdString();
  net::RoomOptions ro;  // the window's player at 上 and the host; computers elsewhere
  for (int seat = 0; seat <= 4; ++seat) ro.person[seat] = seat == UE;
  ro.level = 2;
  ro.hostSeat = UE;
  server->OpenRoom("KILLROOM", ro);

  WindowUnderTest b;
  NetSession joiner(b.window, b.form);
  joiner.Join({"127.0.0.1", server->Port(), "KILLROOM", "Chika", UE});
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Welcomed(); }));
  joiner.Start();
  // 下 and 左 move; the game waits for 上.
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->MyTurn(); }));
  ASSERT_EQ(joiner.TheClient()->Turns().size(), 2u);
  const Game copy = joiner.TheClient()->TheGame();

  server.reset();  // gone, without a word
  // The window tries to come back for a while (some 20 s): waited for without spinning.
  QString notice;
  QElapsedTimer waited;
  waited.start();
  while (notice.isEmpty() && waited.elapsed() < 40000) {
    QTest::qWait(100);
    for (QMessageBox* box : b.window.findChildren<QMessageBox*>())
      if (box->isVisible() && box->text().contains("接続が切れました")) notice = box->text();
  }
  const QString saved = QStringLiteral("棋譜を保存しました: ");
  ASSERT_TRUE(notice.contains(saved)) << notice.toStdString();
  const QString path = notice.mid(notice.indexOf(saved) + saved.size()).section('\n', 0, 0);
  EXPECT_EQ(
      QFileInfo(path).absolutePath(),
      QFileInfo(QString::fromStdString(b.form.UserDataPath(UNFINISHED_GAME_FILE))).absolutePath());
  CloseBoxes(b.window);
  joiner.Leave();
  ASSERT_TRUE(b.form.OpenRecord(path.toStdString()));
  EXPECT_TRUE(KeyOf(b.form.State()) == KeyOf(copy.State()));
  EXPECT_EQ(b.form.TheGame().MoveNumber(), copy.MoveNumber());
  EXPECT_EQ(b.form.State().Level, 2);
}

// A player who does not come back: after the waiting time the host is asked, says yes,
// and the computer plays the seat from then on.
TEST(NetWindow, TheHostGivesAMissingPlayersSeatToTheComputer) {
  QStandardPaths::setTestModeEnabled(true);
  WindowUnderTest a;
  NetSession host(a.window, a.form);
  host.SetWaitSeconds(0);
  HostSettings hs;
  hs.listen = QHostAddress::LocalHost;
  hs.port = 0;
  hs.person[2] = hs.person[4] = false;
  hs.level = 1;
  hs.name = "Aki";
  QString error;
  ASSERT_TRUE(host.Host(hs, &error)) << error.toStdString();
  WindowUnderTest b;
  auto* joiner = new NetSession(b.window, b.form);
  joiner->Join({"127.0.0.1", host.Port(), host.RoomCode(), "Chika", 3});
  ASSERT_TRUE(WaitFor([&] { return joiner->TheClient()->Welcomed(); }));
  ASSERT_TRUE(WaitFor(
      [&] { return host.TheClient()->SeatsJson()[2].toObject().value("connected").toBool(); }));
  host.Start();
  ASSERT_TRUE(WaitFor([&] { return joiner->TheClient()->Started(); }));
  delete joiner;  // the joiner's window goes for good

  QMessageBox* asked = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (QMessageBox* box : a.window.findChildren<QMessageBox*>())
      if (box->isVisible() && box->text().contains("コンピュータに任せますか")) asked = box;
    return asked != nullptr;
  }));
  asked->button(QMessageBox::Yes)->click();
  ASSERT_TRUE(WaitFor([&] {
    return host.TheClient()->SeatsJson()[2].toObject().value("kind").toString() == "computer";
  }));
  // The host moves; the computers at seats 2 and 3 answer.
  QWidget* area = a.window.DrawingArea();
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Turns().size() >= 3; }));
  EXPECT_EQ(host.TheClient()->Turns()[2].seat, UE);
  EXPECT_TRUE(host.TheClient()->Turns()[2].byComputer);
}

}  // namespace
}  // namespace korvel
