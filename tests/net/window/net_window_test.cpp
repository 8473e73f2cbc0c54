// Two real windows in one process playing a network game on 127.0.0.1: one opens the
// room (the authority), the other joins seat 3. The joiner sees the board turned (its own
// army at the bottom), its presses become its own moves, a refusal reaches it alone, and
// the game so far stays with it when the host's window goes. Each window hears what the
// authority announces as it would hear the same in a game of its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

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

int Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

int MovesIn(const std::vector<net::Turn>& turns) {
  return static_cast<int>(
      std::count_if(turns.begin(), turns.end(), [](const net::Turn& t) { return !t.pass; }));
}

const std::string kPlace = "sound 駒打音.wav";
const std::string kForbidden = "sound 禁止.wav";

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
  a.sound.lines.clear();
  b.sound.lines.clear();

  // Out of turn: the joiner's pawn on its screen's 5-7 (the game's 5-3) refused, to it alone.
  QWidget* areaB = b.window.DrawingArea();
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return !joiner.TheClient()->Refusals().empty(); }));
  EXPECT_EQ(joiner.TheClient()->Refusals()[0].value("text").toString(), "手番が違います");
  EXPECT_EQ(OpenBoxes(b.window), 1);
  EXPECT_EQ(OpenBoxes(a.window), 0);
  EXPECT_TRUE(hostSession->TheClient()->Refusals().empty());
  EXPECT_EQ(b.sound.lines, std::vector<std::string>{kForbidden}) << "as a refused press sounds";
  EXPECT_TRUE(a.sound.lines.empty());
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
  // Every move the authority announced was heard once in each window, the computer's too.
  EXPECT_EQ(Count(a.sound.lines, kPlace), MovesIn(hostSession->TheClient()->Turns()));
  EXPECT_EQ(Count(b.sound.lines, kPlace) + 1, static_cast<int>(b.sound.lines.size()));
  EXPECT_EQ(Count(b.sound.lines, kPlace), MovesIn(joiner.TheClient()->Turns()));
  EXPECT_GE(Count(b.sound.lines, kPlace), 3);

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

  // The host's window goes: the joiner is told and keeps the game so far.
  ASSERT_TRUE(WaitFor([&] { return hostSession->TheClient()->Turns().size() >= 3; }));
  const QJsonArray played = net::TurnsJson(hostSession->TheClient()->Turns());
  delete hostSession;
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Closed(); }));
  ASSERT_TRUE(WaitFor([&] { return OpenBoxes(b.window) == 1; }));
  const QJsonArray kept = net::TurnsJson(joiner.TheClient()->Turns());
  ASSERT_GE(kept.size(), played.size());
  for (int i = 0; i < played.size(); ++i) EXPECT_EQ(kept[i], played[i]) << i;
  CloseBoxes(b.window);

  // Leaving the network game gives the window back its own game and entries.
  joiner.Leave();
  EXPECT_TRUE(b.window.Action("KAITEN")->isEnabled());
  EXPECT_FALSE(joiner.Active());
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
