// Two real windows in one process playing a network game on 127.0.0.1: one opens the
// room (the authority), the other joins seat 3. The joiner sees the board turned (its own
// army at the bottom), its presses become its own moves, a refusal reaches it alone, and
// the game so far stays with it when the host's window goes, kept as a record it opens.
// Each window hears what the authority announces as it would hear the same in a game of its
// own, and a joiner's window started again goes back to its seat with the token kept in the
// network settings file.
#include <gtest/gtest.h>

#include <memory>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include "net/protocol.h"
#include "play/game_record.h"
#include "play/repetition.h"
#include "shell/net_dialog.h"
#include "shell/net_session.h"
#include "shell/net_settings.h"
#include "shell/shell_fakes.h"
#include "support/wait_for.h"

namespace korvel {
namespace {

using testing::CellCentre;
using testing::WindowUnderTest;

using testing::WaitFor;

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

int MovesIn(const std::vector<Game::Turn>& turns) {
  return static_cast<int>(
      std::count_if(turns.begin(), turns.end(), [](const Game::Turn& t) { return !t.pass; }));
}

// Each test keeps the network settings file in a folder of its own: tests running side by
// side must not find each other's kept seat.
class NetWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QStandardPaths::setTestModeEnabled(true);  // nothing of the user's own configuration
    ASSERT_TRUE(config_.isValid());
    SetNetworkSettingsBase(config_.path());
  }
  void TearDown() override { SetNetworkSettingsBase({}); }
  QTemporaryDir config_;
};

const std::string kPlace = "sound 駒打音.wav";
const std::string kForbidden = "sound 禁止.wav";
const std::string kEnd = "sound 終局.wav";

TEST_F(NetWindow, TheJoinerSeesItsArmyAtTheBottomAndPlaysItByTheMouse) {
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

  ASSERT_TRUE(WaitFor([&] { return hostSession->TheClient()->Seats()[2].connected; }));
  hostSession->Start();
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Started(); }));
  a.sound.lines.clear();
  b.sound.lines.clear();

  // Out of turn: the joiner's pawn on its screen's 5-7 (the game's 5-3) refused, to it alone.
  QWidget* areaB = b.window.DrawingArea();
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return !joiner.TheClient()->Refusals().empty(); }));
  EXPECT_EQ(joiner.TheClient()->Refusals()[0].text, "手番が違います");
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
  const Game::Turn& first = joiner.TheClient()->Turns()[0];
  EXPECT_EQ(first.seat, SITA);
  EXPECT_EQ(first.move.fromY, 7);
  EXPECT_EQ(first.move.toY, 6);
  const Game::Turn& own = joiner.TheClient()->Turns()[2];
  EXPECT_EQ(own.seat, UE);
  EXPECT_EQ(own.move.fromX, 5);
  EXPECT_EQ(own.move.fromY, 3);
  EXPECT_EQ(own.move.toY, 4);
  EXPECT_TRUE(own.by == Game::Mover::PERSON);
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

  // Leaving the network game (its entry, on only now) gives the window back its own game
  // and entries.
  const Game copy = joiner.TheClient()->TheGame();
  QAction* leave = b.window.TaskAction(WindowTask::NET_LEAVE);
  ASSERT_NE(leave, nullptr);
  ASSERT_TRUE(leave->isEnabled());
  leave->trigger();
  EXPECT_TRUE(b.window.Action("KAITEN")->isEnabled());
  EXPECT_FALSE(leave->isEnabled());
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
TEST_F(NetWindow, AKilledAuthorityLeavesTheGameSoFarAsARecord) {
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
TEST_F(NetWindow, TheHostGivesAMissingPlayersSeatToTheComputer) {
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
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Seats()[2].connected; }));
  host.Start();
  ASSERT_TRUE(WaitFor([&] { return joiner->TheClient()->Started(); }));
  delete joiner;  // the joiner's window goes for good
  // The host's window marks the name of the player who went, and only theirs.
  auto markedMissing = [&](int seat) {
    for (const Form1::NameLabel& l : a.form.NetworkNameLabels())
      if (l.seat == seat) return l.missing;
    return false;
  };
  ASSERT_TRUE(WaitFor([&] { return markedMissing(UE); }));
  EXPECT_FALSE(markedMissing(SITA));

  QMessageBox* asked = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (QMessageBox* box : a.window.findChildren<QMessageBox*>())
      if (box->isVisible() && box->text().contains("コンピュータに任せますか")) asked = box;
    return asked != nullptr;
  }));
  asked->button(QMessageBox::Yes)->click();
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Seats()[2].Computer(); }));
  // The computer has the seat now: the mark is gone.
  EXPECT_FALSE(markedMissing(UE));
  // The host moves; the computers at seats 2 and 3 answer.
  QWidget* area = a.window.DrawingArea();
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(area, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Turns().size() >= 3; }));
  EXPECT_EQ(host.TheClient()->Turns()[2].seat, UE);
  EXPECT_TRUE(host.TheClient()->Turns()[2].by == Game::Mover::COMPUTER);
}

// An authority that says what the test tells it to, to the one window that joins it.
class ScriptedAuthority {
 public:
  ScriptedAuthority() : server_(QStringLiteral("scripted"), QWebSocketServer::NonSecureMode) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QWebSocketServer::newConnection, [this] {
      socket_.reset(server_.nextPendingConnection());  // the server leaves it to us
      QObject::connect(socket_.get(), &QWebSocket::textMessageReceived,
                       [this](const QString& text) { heard.push_back(text); });
    });
  }
  quint16 Port() const { return server_.serverPort(); }
  void Say(const QJsonObject& msg) { socket_->sendTextMessage(net::Serialize(msg)); }

  std::vector<QString> heard;

 private:
  QWebSocketServer server_;
  std::unique_ptr<QWebSocket> socket_;  // goes before the server
};

QJsonArray FourPeople() {
  QJsonArray seats;
  for (int seat = 1; seat <= 4; ++seat)
    seats.append(QJsonObject{{"seat", seat},
                             {"kind", "person"},
                             {"name", QStringLiteral("P%1").arg(seat)},
                             {"joined", true},
                             {"connected", true}});
  return seats;
}

// A turn as the authority announces it, checked against a copy of the game first.
QJsonObject Moved(Game& g, int n, Move m, PieceCode captured = EMPTY) {
  net::Turn t;
  t.seat = g.State().CurrentSeat;
  t.move = m;
  Game probe = g;
  EXPECT_TRUE(net::ApplyTurn(probe, t)) << "turn " << n;
  t.next = probe.State().CurrentSeat;
  EXPECT_TRUE(net::ApplyTurn(g, t)) << "turn " << n;
  return {{"t", "moved"},
          {"n", n},
          {"turn", net::TurnJson(t)},
          {"captured", net::PieceJson(captured)},
          {"check", 0},
          {"mate", false}};
}

// What the authority announces sounds in the joiner's window as the same events of a game
// of its own: a piece placed (a capture too), a refused press (a partner's check refused in
// silence), the end, and another game after it; a pass and the notices are silent. The
// joiner's seat is kept in the network settings file while its game goes on.
TEST_F(NetWindow, TheAuthoritysAnnouncementsSoundAsInTheWindowsOwnGame) {
  ScriptedAuthority authority;
  WindowUnderTest b;
  NetSession joiner(b.window, b.form);
  joiner.Join({"127.0.0.1", authority.Port(), "SCRIPT01", "Chika", 3});
  ASSERT_TRUE(WaitFor([&] { return !authority.heard.empty(); }));
  EXPECT_TRUE(authority.heard[0].contains("\"hello\""));
  const QString token(32, QChar('a'));
  authority.Say({{"t", "welcome"},
                 {"v", 1},
                 {"room", "SCRIPT01"},
                 {"seat", 3},
                 {"token", token},
                 {"host", 1},
                 {"level", 1},
                 {"seats", FourPeople()},
                 {"started", false},
                 {"over", false},
                 {"turns", QJsonArray()},
                 {"toMove", 1}});
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Welcomed(); }));
  const auto kept = LoadKeptSeat();
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->Matches("127.0.0.1", authority.Port(), "SCRIPT01", 3));
  EXPECT_EQ(kept->token, token);
  b.sound.lines.clear();

  Game g;
  const bool people[5] = {false, true, true, true, true};
  net::StartNetGame(g, people, 1);
  const QJsonObject start{{"t", "start"}, {"level", 1}, {"seats", FourPeople()}, {"toMove", 1}};
  std::vector<QJsonObject> script = {
      start,
      Moved(g, 1, {5, 7, 5, 6, 11_pc, 11_pc}),
      Moved(g, 2, {3, 5, 4, 5, 21_pc, 21_pc}),
      Moved(g, 3, {5, 3, 5, 4, 31_pc, 31_pc}),
      Moved(g, 4, {7, 5, 6, 5, 41_pc, 41_pc}),
      Moved(g, 5, {5, 6, 5, 5, 11_pc, 11_pc}),
      Moved(g, 6, {4, 5, 5, 5, 21_pc, 21_pc}, 11_pc),  // HIDARI takes SITA's pawn
      {{"t", "notice"}, {"code", "check"}, {"text", "王手です"}, {"seat", 3}},
      {{"t", "refused"}, {"code", "turn"}, {"text", "手番が違います"}, {"detail", ""}},
      {{"t", "refused"}, {"code", "partner"}, {"text", "禁手"}, {"detail", ""}},
      {{"t", "moved"},
       {"n", 7},
       {"turn", QJsonObject{{"seat", 3}, {"next", 4}, {"pass", true}}},
       {"captured", 0},
       {"check", 0},
       {"mate", false}},
  };
  ASSERT_EQ(g.State().Hand[HIDARI][1], 1) << "the pawn was taken";
  for (const QJsonObject& m : script) authority.Say(m);
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Turns().size() == 7; }));
  EXPECT_FALSE(joiner.TheClient()->Desynced());
  std::vector<std::string> heard(6, kPlace);  // the first game starts in silence
  heard.push_back(kForbidden);
  EXPECT_EQ(b.sound.lines, heard);
  b.sound.lines.clear();
  ASSERT_TRUE(LoadKeptSeat());

  authority.Say({{"t", "over"}, {"winner", 1}, {"text", "先手組みの勝ちです"}});
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Over(); }));
  EXPECT_EQ(b.sound.lines, std::vector<std::string>{kEnd});
  EXPECT_FALSE(LoadKeptSeat()) << "the game is over: nothing to go back to";

  authority.Say(start);
  ASSERT_TRUE(WaitFor([&] { return !joiner.TheClient()->Over(); }));
  EXPECT_EQ(b.sound.lines, (std::vector<std::string>{kEnd, kPlace})) << "another game";
  EXPECT_TRUE(LoadKeptSeat()) << "the seat is kept again for the new game";

  authority.Say({{"t", "closed"}, {"text", "主催者が対局をやめました"}});
  ASSERT_TRUE(WaitFor([&] { return joiner.TheClient()->Closed(); }));
  EXPECT_FALSE(LoadKeptSeat()) << "the room is gone";
  CloseBoxes(b.window);
}

// The joiner's window goes and a new one joins the same room from 参加する: with the token
// kept in the network settings file it goes back to its seat and gets the game so far. A
// token the room does not know is forgotten and the seat asked for as a newcomer.
TEST_F(NetWindow, AJoinerStartedAgainGoesBackToItsSeat) {
  WindowUnderTest a;
  NetSession host(a.window, a.form);
  HostSettings hs;
  hs.listen = QHostAddress::LocalHost;
  hs.port = 0;
  hs.person[2] = hs.person[4] = false;
  hs.level = 1;
  hs.name = "Aki";
  QString error;
  ASSERT_TRUE(host.Host(hs, &error)) << error.toStdString();
  KeepSeat({"127.0.0.1", host.Port(), host.RoomCode(), 3, QString(32, QChar('0'))});

  auto b = std::make_unique<WindowUnderTest>();
  auto* first = new NetSession(b->window, b->form);
  first->Join({"127.0.0.1", host.Port(), host.RoomCode(), "Chika", 3});
  ASSERT_TRUE(WaitFor([&] { return first->TheClient()->Welcomed(); }));
  EXPECT_EQ(first->TheClient()->Errors().size(), 1u) << "the stale token refused";
  const QString token = first->TheClient()->Token();
  auto kept = LoadKeptSeat();
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->token, token);

  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Seats()[2].connected; }));
  host.Start();
  QWidget* areaA = a.window.DrawingArea();
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->MyTurn(); }));
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] { return first->TheClient()->MyTurn(); }));

  // The window goes, and with it the session.
  delete first;
  b.reset();
  ASSERT_TRUE(WaitFor([&] {
    return host.TheClient()->Notices().join(" ").contains("Chikaさんの接続が切れました");
  }));
  ASSERT_TRUE(LoadKeptSeat()) << "kept across the window's end";

  // Started again: 参加する offers the seat, and the press takes it back.
  WindowUnderTest c;
  NetSession second(c.window, c.form);
  auto* dialog = new NetDialog(&c.window, second);
  QPushButton* back = nullptr;
  for (QPushButton* button : dialog->findChildren<QPushButton*>())
    if (button->text() == "席に戻る") back = button;
  ASSERT_NE(back, nullptr);
  back->click();
  ASSERT_TRUE(WaitFor([&] { return second.TheClient() && second.TheClient()->Welcomed(); }));
  const net::Client& again = *second.TheClient();
  EXPECT_TRUE(again.Errors().empty()) << "not taken as a newcomer to a taken seat";
  EXPECT_EQ(again.Seat(), UE);
  EXPECT_EQ(again.Token(), token);
  EXPECT_TRUE(again.Started());
  EXPECT_EQ(net::TurnsJson(again.Turns()), net::TurnsJson(host.TheClient()->Turns()));
  EXPECT_TRUE(again.MyTurn());
  ASSERT_TRUE(WaitFor(
      [&] { return host.TheClient()->Notices().join(" ").contains("Chikaさんが戻りました"); }));

  // It plays on from its seat.
  QWidget* areaC = c.window.DrawingArea();
  QTest::mouseClick(areaC, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaC, Qt::LeftButton, {}, CellCentre(5, 6));
  ASSERT_TRUE(WaitFor([&] {
    const auto& turns = host.TheClient()->Turns();
    return !turns.empty() && turns.back().seat == UE;
  }));

  // The room goes: the seat is forgotten.
  host.Leave();
  ASSERT_TRUE(WaitFor([&] { return second.TheClient()->Closed(); }));
  EXPECT_FALSE(LoadKeptSeat());
  CloseBoxes(c.window);
}

// The network settings file is the user's to edit: a kept seat is used only when all of it
// is valid.
TEST_F(NetWindow, AKeptSeatIsUsedOnlyWhenWhollyValid) {
  EXPECT_TRUE(NetworkSettings::FilePath().startsWith(config_.path()));
  const KeptSeat good{"Example.org", 4650, "ABCD2345", 2, QString(32, QChar('f'))};
  KeepSeat(good);
  auto kept = LoadKeptSeat();
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->Matches("example.org", 4650, "ABCD2345", 2));
  EXPECT_FALSE(kept->Matches("example.org", 4651, "ABCD2345", 2));
  EXPECT_FALSE(kept->Matches("example.org", 4650, "ABCD2346", 2));
  EXPECT_FALSE(kept->Matches("example.org", 4650, "ABCD2345", 3));
  struct Spoil {
    const char* key;
    QVariant value;
  };
  for (const Spoil& spoil : {Spoil{"token", "not a token"}, Spoil{"seat", 5}, Spoil{"port", 0},
                             Spoil{"room", "abc"}, Spoil{"address", ""}}) {
    KeepSeat(good);
    NetworkSettings st;
    st.SetValue(QStringLiteral("return/%1").arg(spoil.key), spoil.value.toString());
    ASSERT_TRUE(st.Save());
    EXPECT_FALSE(LoadKeptSeat()) << spoil.key;
  }
  ForgetKeptSeat();
  EXPECT_FALSE(LoadKeptSeat());
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Answers the first visible box named `name` with `button` once it shows; true once it did.
struct BoxAnswer {
  bool answered = false;
  BoxAnswer(QWidget& window, const char* name, QMessageBox::StandardButton button) {
    auto* poll = new QTimer(&window);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [this, &window, name, button, poll] {
      for (QMessageBox* box : window.findChildren<QMessageBox*>(QLatin1String(name)))
        if (box->isVisible()) {
          answered = true;
          poll->deleteLater();
          box->button(button)->click();
          return;
        }
    });
    poll->start();
  }
};

// Closing the window that holds a room asks first: いいえ keeps the room and the program,
// はい ends both. Opening a room in the middle of a game of the window's own asks too.
TEST_F(NetWindow, NothingIsLostWithoutAskingFirst) {
  WindowUnderTest a;
  auto* session = new NetSession(a.window, a.form);

  // A game of the window's own with a move played.
  a.window.Action(QStringLiteral("LEVEL1"))->trigger();
  a.window.Action(QStringLiteral("JYUNBAN_2"))->trigger();
  ASSERT_EQ(a.form.TheGame().HistoryCount(), 1);
  {
    BoxAnswer no(a.window, "HostDuringGame", QMessageBox::No);
    EXPECT_FALSE(session->MayHostNow(&a.window));
    EXPECT_TRUE(no.answered);
    BoxAnswer yes(a.window, "HostDuringGame", QMessageBox::Yes);
    EXPECT_TRUE(session->MayHostNow(&a.window));
    EXPECT_TRUE(yes.answered);
  }

  HostSettings hs;
  hs.listen = QHostAddress::LocalHost;
  hs.port = 0;
  hs.name = "Aki";
  QString error;
  ASSERT_TRUE(session->Host(hs, &error)) << error.toStdString();
  ASSERT_TRUE(WaitFor([&] { return session->Active() && session->TheClient()->Welcomed(); }));

  {
    BoxAnswer no(a.window, "EndWhileHosting", QMessageBox::No);
    a.window.close();
    EXPECT_TRUE(no.answered);
    EXPECT_EQ(a.endedCalls, 0);
    EXPECT_TRUE(session->Hosting()) << "いいえ keeps the room";
  }
  {
    BoxAnswer no(a.window, "EndWhileHosting", QMessageBox::No);
    QTest::keyClick(&a.window, Qt::Key_Escape);
    EXPECT_TRUE(no.answered);
    EXPECT_EQ(a.endedCalls, 0);
  }
  // The window's own game was kept as it stood.
  EXPECT_EQ(a.form.TheGame().HistoryCount(), 1);
  {
    BoxAnswer yes(a.window, "EndWhileHosting", QMessageBox::Yes);
    a.window.Action(QStringLiteral("OWARI"))->trigger();
    EXPECT_TRUE(yes.answered);
    EXPECT_EQ(a.endedCalls, 1);
  }
}

TEST_F(NetWindow, NoQuestionWithoutARoomOrAGameInProgress) {
  WindowUnderTest a;
  auto* session = new NetSession(a.window, a.form);
  BoxAnswer any(a.window, "HostDuringGame", QMessageBox::No);
  EXPECT_TRUE(session->MayHostNow(&a.window)) << "no game was started";
  BoxAnswer end(a.window, "EndWhileHosting", QMessageBox::No);
  a.window.close();
  EXPECT_FALSE(any.answered);
  EXPECT_FALSE(end.answered);
  EXPECT_EQ(a.endedCalls, 1);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// A third window watches (観戦): it follows the game without a seat or a token, keeps
// nothing, and its presses move nothing. The host's dialog shows the room's page link.
TEST_F(NetWindow, AWindowWatchesWithoutASeat) {
  WindowUnderTest a;
  NetSession host(a.window, a.form);
  HostSettings hs;
  hs.listen = QHostAddress::LocalHost;
  hs.port = 0;
  hs.person[2] = hs.person[3] = hs.person[4] = false;
  hs.level = 1;
  hs.name = "Aki";
  QString error;
  ASSERT_TRUE(host.Host(hs, &error)) << error.toStdString();
  auto* hostDialog = new NetDialog(&a.window, host);
  hostDialog->show();
  bool linkShown = false;
  for (QLabel* label : hostDialog->findChildren<QLabel*>())
    linkShown = linkShown || label->text().contains(
                                 QStringLiteral(":%1/?room=%2").arg(host.Port()).arg(host.RoomCode()));
  EXPECT_TRUE(linkShown);
  hostDialog->hide();

  WindowUnderTest b;
  NetSession watcher(b.window, b.form);
  // The join tab offers 観戦 beside the four seats.
  auto* dialog = new NetDialog(&b.window, watcher);
  bool offered = false;
  for (QComboBox* box : dialog->findChildren<QComboBox*>())
    offered = offered || box->findText("観戦") >= 0;
  EXPECT_TRUE(offered);
  watcher.Join({"127.0.0.1", host.Port(), host.RoomCode(), "Mio", 0});
  ASSERT_TRUE(WaitFor([&] { return watcher.TheClient()->Welcomed(); }));
  const net::Client& w = *watcher.TheClient();
  EXPECT_TRUE(w.Watching());
  EXPECT_EQ(w.Seat(), 0);
  EXPECT_TRUE(w.Token().isEmpty());
  EXPECT_FALSE(LoadKeptSeat());
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Welcomed(); }));
  // The players are told how many watch, under the board.
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->Watchers() == 1; }));
  EXPECT_TRUE(host.StatusLine().endsWith(QStringLiteral("  観戦 1人"))) << host.StatusLine().toStdString();
  host.Start();
  ASSERT_TRUE(WaitFor([&] { return host.TheClient()->MyTurn(); }));
  EXPECT_TRUE(host.StatusLine().contains(QStringLiteral("観戦 1人")));
  QWidget* areaA = a.window.DrawingArea();
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaA, Qt::LeftButton, {}, CellCentre(5, 6));
  // The three computer seats each wait the window's pause before they move.
  ASSERT_TRUE(WaitFor([&] { return w.Turns().size() >= 4; }, 30000));
  EXPECT_FALSE(w.Desynced());
  // A watcher's presses are refused by the authority, to it alone.
  QWidget* areaB = b.window.DrawingArea();
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 7));
  QTest::mouseClick(areaB, Qt::LeftButton, {}, CellCentre(5, 6));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  for (const net::Client* c : {&w, host.TheClient()})
    for (const net::Refusal& r : c->Refusals()) EXPECT_EQ(r.code, "watcher");
  EXPECT_TRUE(host.TheClient()->Refusals().empty());
  EXPECT_FALSE(LoadKeptSeat());
  host.Leave();
  ASSERT_TRUE(WaitFor([&] { return w.Closed(); }));
  CloseBoxes(a.window);
  CloseBoxes(b.window);
}

}  // namespace
}  // namespace korvel
