// The presenter showing a game an authority holds (play/authority.h): the person at this
// mouse plays their own seat on a view turned to put it at the bottom, the presses become
// intentions for that seat alone, the other seats are remote players, and once the
// authority's side is gone the window's own game takes the presses again. Also the press
// entry behind those intentions.
#include <gtest/gtest.h>

#include <memory>

#include "game/movement.h"
#include "play/press_entry.h"
#include "support/fake_ports.h"

namespace korvel {
namespace {

using testing::MemoryRig;
using testing::RecordingCanvas;

struct FakeAuthority : Authority {
  GameState state;
  int seat = UE;
  bool takes = true;
  bool missing[5] = {};
  std::vector<Move> sent;
  FakeAuthority() {
    NewGameModel(state);
    state.GameStarted = true;
    for (int s = SITA; s <= MIGI; ++s) state.PlayerKind[s] = HUMAN;
    state.PlayerKind[HIDARI] = COMPUTER;
  }
  const GameState& Position() const override { return state; }
  int OwnSeat() const override { return seat; }
  std::string SeatName(int s) const override { return "player" + std::to_string(s); }
  bool Missing(int s) const override { return missing[s]; }
  bool TakesMoves() const override { return takes; }
  void Send(const Move& m) override { sent.push_back(m); }
};

double Mid(int cell) { return CELL_TWIPS / 2 + cell * CELL_TWIPS; }
void PressCell(Form1& f, int c, int r, MouseButton b = MouseButton::LEFT) {
  f.Form_MouseDown(b, 0, GRID_X0 + Mid(c), GRID_Y0 + Mid(r));
}

bool HasOp(const RecordingCanvas& c, size_t from, char kind, int colourOrZero, PieceCode code,
           int x, int y) {
  for (size_t i = from; i < c.ops.size(); ++i) {
    const auto& op = c.ops[i];
    if (op.kind == kind && op.x == CellX(x) && op.y == CellY(y) &&
        (kind == 'F' ? op.colour == colourOrZero : op.code == code))
      return true;
  }
  return false;
}

class NetworkPresenter : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.form.Form_Load();
    rig.form.PLAY_4_Click();
    rig.form.PresentNetworkGame(authority);
    rig.dialogs.shown.clear();
    rig.sound.calls.clear();
  }
  MemoryRig rig;
  std::shared_ptr<FakeAuthority> authority = std::make_shared<FakeAuthority>();
};

// The pawn before the king, as each seat sees it at the bottom (screen 5-7 to 5-6), is a
// different pawn of the game for each seat.
TEST_F(NetworkPresenter, EachSeatsBottomPawnIsItsOwnOnTheTurnedView) {
  struct Case {
    int seat;
    Move pawn;
  } cases[] = {{SITA, {5, 7, 5, 6, Code(SITA, HU), Code(SITA, HU)}},
               {HIDARI, {3, 5, 4, 5, Code(HIDARI, HU), Code(HIDARI, HU)}},
               {UE, {5, 3, 5, 4, Code(UE, HU), Code(UE, HU)}},
               {MIGI, {7, 5, 6, 5, Code(MIGI, HU), Code(MIGI, HU)}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seat);
    authority->seat = c.seat;
    authority->sent.clear();
    rig.form.ClearNetworkPick();
    PressCell(rig.form, 5, 7);
    EXPECT_TRUE(rig.form.NetworkPicked());
    PressCell(rig.form, 5, 6);
    ASSERT_EQ(authority->sent.size(), 1u);
    EXPECT_EQ(authority->sent[0], c.pawn);
  }
  // The window's own game saw none of it: no pick, no move, no box, no sound.
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  EXPECT_EQ(rig.form.TheGame().HistoryCount(), 0);
  EXPECT_TRUE(rig.dialogs.shown.empty());
  EXPECT_TRUE(rig.sound.calls.empty());
}

TEST_F(NetworkPresenter, OnlyTheOwnSeatsPiecesPickAndOnlyWhileMovesAreTaken) {
  PressCell(rig.form, 5, 3);  // on UE's view: SITA's pawn, a partner's piece
  EXPECT_FALSE(rig.form.NetworkPicked());
  PressCell(rig.form, 5, 4);
  EXPECT_TRUE(authority->sent.empty());
  authority->takes = false;  // not started, over, or the room closed
  PressCell(rig.form, 5, 7);
  EXPECT_FALSE(rig.form.NetworkPicked());
  const size_t drawn = rig.canvas.ops.size();
  PressCell(rig.form, 5, 6);
  EXPECT_TRUE(authority->sent.empty());
  EXPECT_EQ(rig.canvas.ops.size(), drawn) << "nothing is drawn for a press not taken";
  // Far away or no number: no cell, the pick kept.
  authority->takes = true;
  PressCell(rig.form, 5, 7);
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, 1e9, 0);
  EXPECT_TRUE(rig.form.NetworkPicked());
}

TEST_F(NetworkPresenter, TheTurnedPictureShowsTheOwnArmyAtTheBottomAndThePickInRed) {
  PressCell(rig.form, 5, 7);
  const size_t mark = rig.canvas.ops.size();
  rig.form.RedrawNetworkGame();
  EXPECT_TRUE(HasOp(rig.canvas, mark, 'P', 0, KingCode(SITA), 5, 9)) << "UE's king at the bottom";
  EXPECT_TRUE(HasOp(rig.canvas, mark, 'F', COLOUR_LIGHT_RED, EMPTY, 5, 7));
  rig.form.ClearNetworkPick();
  const size_t again = rig.canvas.ops.size();
  rig.form.RedrawNetworkGame();
  EXPECT_FALSE(HasOp(rig.canvas, again, 'F', COLOUR_LIGHT_RED, EMPTY, 5, 7));
}

TEST_F(NetworkPresenter, TheOwnSeatIsThePersonAtThisMouseTheOthersAreRemote) {
  const SeatController* own = rig.form.PlayerOf(UE);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(own->TakesPresses());
  for (int seat : {SITA, HIDARI, MIGI}) {
    const SeatController* other = rig.form.PlayerOf(seat);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->PlayedElsewhere()) << seat;
    EXPECT_FALSE(other->MovesByItself()) << "the authority's computer, not ours: " << seat;
    EXPECT_EQ(other->Kind(), seat == HIDARI ? COMPUTER : HUMAN) << seat;
  }
  // Names: the own seat's at the bottom, the seat to move marked only while playing.
  authority->state.CurrentSeat = MIGI;
  for (const Form1::NameLabel& l : rig.form.NetworkNameLabels()) {
    EXPECT_EQ(l.name, "player" + std::to_string(l.seat));
    EXPECT_EQ(l.own, l.seat == UE);
    if (l.seat == UE) {
      EXPECT_DOUBLE_EQ(l.y, 10.35);
    }
    if (l.seat == SITA) {
      EXPECT_LT(l.y, 0);
    }
    EXPECT_EQ(l.toMove, l.seat == MIGI);
  }
  EXPECT_EQ(rig.form.NetworkNameLabels().size(), 4u);
  authority->takes = false;
  for (const Form1::NameLabel& l : rig.form.NetworkNameLabels()) EXPECT_FALSE(l.toMove);
}

// A player who has gone is marked beside the name while the authority says so; this
// window's own seat never is (its own connection is the session's status line).
TEST_F(NetworkPresenter, AMissingPlayerIsMarkedUntilBack) {
  for (const Form1::NameLabel& l : rig.form.NetworkNameLabels()) EXPECT_FALSE(l.missing);
  authority->missing[MIGI] = true;
  authority->missing[UE] = true;
  for (const Form1::NameLabel& l : rig.form.NetworkNameLabels())
    EXPECT_EQ(l.missing, l.seat == MIGI) << l.seat;
  authority->missing[MIGI] = false;
  for (const Form1::NameLabel& l : rig.form.NetworkNameLabels()) EXPECT_FALSE(l.missing);
}

TEST_F(NetworkPresenter, WithTheAuthoritysSideGoneTheOwnGameTakesThePressesAgain) {
  authority.reset();
  EXPECT_FALSE(rig.form.PresentsNetworkGame());
  EXPECT_TRUE(rig.form.PlayerOf(SITA)->TakesPresses());
  EXPECT_FALSE(rig.form.PlayerOf(SITA)->PlayedElsewhere());
  PressCell(rig.form, 5, 7);
  EXPECT_EQ(rig.form.Looks().pieceSelected, 1);
}

TEST(PressEntry, PicksOwnPiecesAndHandsAndPromotesOnlyWithTheRightButton) {
  GameState s;
  NewGameModel(s);
  s.Board[5][3] = EMPTY;
  s.Board[5][4] = EMPTY;
  s.Board[5][7] = EMPTY;
  s.Board[5][4] = Code(SITA, HU);  // SITA's pawn two steps before UE's king line
  s.Board[5][2] = EMPTY;
  PressEntry e;
  EXPECT_FALSE(e.Press(s, SITA, 5, 1, false)) << "UE's king: no pick";
  EXPECT_FALSE(e.Picked());
  EXPECT_FALSE(e.Press(s, SITA, 5, 4, false));
  ASSERT_TRUE(e.Picked());
  std::optional<Move> m = e.Press(s, SITA, 5, 3, false);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->placed, Code(SITA, HU)) << "the left button keeps the piece";
  EXPECT_FALSE(e.Picked());
  e.Press(s, SITA, 5, 4, true);
  m = e.Press(s, SITA, 5, 3, true);
  ASSERT_TRUE(m);
  PieceCode promoted;
  ASSERT_TRUE(CanPromote(5, 4, 5, 3, Code(SITA, HU), &promoted));
  EXPECT_EQ(m->placed, promoted);
  // A hand cell with pieces picks a drop; another seat's hand or an empty one does not.
  s.Hand[SITA][1] = 1;
  const Square own = HandCellOf(SITA, 1), other = HandCellOf(UE, 1);
  s.Hand[UE][1] = 1;
  EXPECT_FALSE(e.Press(s, SITA, other.x, other.y, false));
  EXPECT_FALSE(e.Picked());
  e.Press(s, SITA, own.x, own.y, false);
  ASSERT_TRUE(e.Picked());
  m = e.Press(s, SITA, 5, 5, false);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->fromX, own.x);
  EXPECT_EQ(m->placed, HandCellCode(own.x, own.y));
  s.Hand[SITA][2] = 0;
  const Square empty = HandCellOf(SITA, 2);
  e.Press(s, SITA, empty.x, empty.y, false);
  EXPECT_FALSE(e.Picked());
}

}  // namespace
}  // namespace korvel
