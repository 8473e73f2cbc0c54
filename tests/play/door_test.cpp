// The game's door: every refusal it answers, that a refused move or pass changes nothing,
// and the two kinds of move it plays.
#include <gtest/gtest.h>

#include "../game/positions.h"
#include "play/game.h"
#include "play/game_record.h"
#include "support/turns.h"

namespace korvel {
namespace {

using testing::FromGrid;

// SITA to move: its rook on 4五 bears on UE's king on 5一 from 5五; a pawn on 2二 one step
// from its last line; a pawn on 7七 far from the promotion zone; a gold beside MIGI's king.
constexpr const char* kDoor = R"(
 .  .  .  . 35  .  .  .  .
 . 11  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  . 13  .
 .  .  . 14  .  .  .  . 45
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  . 11  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  . 15  .  .  .)";

Game FourPeople(const char* grid = kDoor) {
  Game g;
  g.NewGame();
  g.SetSeats(HUMAN, HUMAN, HUMAN, HUMAN, 0);
  g.Fix().SetBoard(FromGrid(grid).Board);
  g.Fix().SetSeatToMove(SITA);
  return g;
}

bool SamePosition(const GameState& a, const GameState& b) {
  for (int x = 0; x <= 9; ++x)
    for (int y = 0; y <= 9; ++y)
      if (a.Board[x][y] != b.Board[x][y]) return false;
  for (int seat = 1; seat <= 4; ++seat)
    for (int k = 0; k <= 4; ++k)
      if (a.Hand[seat][k] != b.Hand[seat][k]) return false;
  return a.CurrentSeat == b.CurrentSeat && a.GameOver == b.GameOver;
}

TEST(Door, EveryRefusalOfAPersonsMoveLeavesTheGameAsItWas) {
  const Square sitaGold = HandCellOf(SITA, 3), ueGold = HandCellOf(UE, 3);
  struct Case {
    const char* what;
    int seat;
    Move m;
    Refusal refusal;
  };
  const Case cases[] = {
      {"another seat to move", HIDARI, {1, 9, 1, 8, 25_pc, 25_pc}, Refusal::NOT_YOUR_TURN},
      {"another seat's piece", SITA, {9, 5, 9, 4, 45_pc, 45_pc}, Refusal::NOT_YOUR_PIECE},
      {"an empty origin", SITA, {3, 3, 3, 2, 11_pc, 11_pc}, Refusal::NOT_YOUR_PIECE},
      {"a piece the board does not hold", SITA, {4, 5, 4, 4, 13_pc, 13_pc},
       Refusal::NOT_YOUR_PIECE},
      {"another seat's hand", SITA, {ueGold.x, ueGold.y, 3, 5, 33_pc, 33_pc},
       Refusal::NOT_YOUR_PIECE},
      {"an empty hand", SITA, {sitaGold.x, sitaGold.y, 3, 5, 13_pc, 13_pc}, Refusal::EMPTY_HAND},
      {"two steps for a pawn", SITA, {7, 7, 7, 5, 11_pc, 11_pc}, Refusal::CANNOT_MOVE},
      {"off the board", SITA, {7, 7, 7, 0, 11_pc, 11_pc}, Refusal::CANNOT_MOVE},
      {"a promotion outside the zone", SITA, {7, 7, 7, 6, 11_pc, 11.5_pc},
       Refusal::CANNOT_PROMOTE},
      {"a promotion to another piece", SITA, {2, 2, 2, 1, 11_pc, 13_pc},
       Refusal::CANNOT_PROMOTE},
      {"onto the partner's king's line", SITA, {4, 5, 5, 5, 14_pc, 14_pc},
       Refusal::PARTNER_CHECK},
      {"a pawn left on its last line", SITA, {2, 2, 2, 1, 11_pc, 11_pc}, Refusal::MUST_PROMOTE},
  };
  for (const Case& c : cases) {
    Game g = FourPeople();
    const GameState before = g.State();
    EXPECT_EQ(g.Check(c.seat, c.m), c.refusal) << c.what;
    const Game::Played p = g.Play(c.seat, c.m, Game::Mover::PERSON);
    EXPECT_EQ(p.refusal, c.refusal) << c.what;
    if (c.refusal == Refusal::NONE) continue;
    EXPECT_TRUE(SamePosition(g.State(), before)) << c.what;
    EXPECT_EQ(g.HistoryCount(), 0) << c.what;
    EXPECT_EQ(g.MoveNumber(), 0) << c.what;
  }
  // Drops and a rook's slides that the rules accept, and a drop onto a piece.
  Game g = FourPeople();
  const int pawn[4] = {1, 0, 0, 0};
  g.Fix().SetHand(SITA, pawn);
  const Square sitaPawn = HandCellOf(SITA, 1);
  EXPECT_EQ(g.Check(SITA, {sitaPawn.x, sitaPawn.y, 7, 8, 11_pc, 11_pc}), Refusal::NONE);
  EXPECT_EQ(g.Check(SITA, {sitaPawn.x, sitaPawn.y, 7, 3, 11_pc, 11_pc}), Refusal::NONE);
  EXPECT_EQ(g.Check(SITA, {sitaPawn.x, sitaPawn.y, 7, 7, 11_pc, 11_pc}), Refusal::CANNOT_MOVE)
      << "onto a piece";
  EXPECT_EQ(g.Check(SITA, {4, 5, 7, 5, 14_pc, 14_pc}), Refusal::NONE);
  EXPECT_EQ(g.Check(SITA, {4, 5, 4, 2, 14_pc, 14_pc}), Refusal::NONE);
}

TEST(Door, AcceptedMovesArePlayedAndHandedOn) {
  Game g = FourPeople();
  const Game::Played p = g.Play(SITA, {2, 2, 2, 1, 11_pc, 11.5_pc}, Game::Mover::PERSON);
  ASSERT_EQ(p.refusal, Refusal::NONE);
  EXPECT_EQ(g.State().Board[2][1], 11.5_pc);
  EXPECT_EQ(p.outcome.mover, SITA);
  // The rook on 4五 bears on MIGI's king along the fifth row: the turn is MIGI's.
  EXPECT_EQ(p.outcome.checked, MIGI);
  EXPECT_EQ(g.State().CurrentSeat, MIGI);
  EXPECT_EQ(g.HistoryCount(), 1);
  EXPECT_EQ(g.MoveNumber(), 1);
  // SITA is no longer to move: its next move is refused, whoever makes it.
  EXPECT_EQ(g.Play(SITA, {7, 7, 7, 6, 11_pc, 11_pc}, Game::Mover::PERSON).refusal,
            Refusal::NOT_YOUR_TURN);
  EXPECT_EQ(g.Play(SITA, {7, 7, 7, 6, 11_pc, 11_pc}, Game::Mover::COMPUTER).refusal,
            Refusal::NOT_YOUR_TURN);
  EXPECT_EQ(g.HistoryCount(), 1);
}

TEST(Door, NoMoveBeforeTheStartOrAfterTheEnd) {
  Game fresh;
  EXPECT_EQ(fresh.Check(SITA, {5, 7, 5, 6, 11_pc, 11_pc}), Refusal::NOT_STARTED);
  Game g = FourPeople();
  g.EndByRepetition(NO_SEAT);
  EXPECT_EQ(g.Check(SITA, {7, 7, 7, 6, 11_pc, 11_pc}), Refusal::GAME_OVER);
  EXPECT_EQ(g.Play(SITA, {7, 7, 7, 6, 11_pc, 11_pc}, Game::Mover::PERSON).refusal,
            Refusal::GAME_OVER);
  // A person who took a king leaves the model's GameOver alone; the game is still over.
  Game k = FourPeople(R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  . 14 45
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  . 15  .  .  .)");
  ASSERT_TRUE(k.Play(SITA, {8, 5, 9, 5, 14_pc, 14_pc}, Game::Mover::PERSON).outcome.kingTaken);
  EXPECT_FALSE(k.State().GameOver);
  EXPECT_EQ(k.MayMove(k.State().CurrentSeat), Refusal::GAME_OVER);
  EXPECT_EQ(k.Check(SITA, {6, 9, 6, 8, 15_pc, 15_pc}), Refusal::GAME_OVER);
}

// A piece picked by a press before the turn passed on is played by the seat to move: the
// owner was checked at the pick, everything else is checked now.
TEST(Door, APiecePickedEarlierSkipsOnlyTheOwner) {
  Game g = FourPeople();
  const Move migiKing{9, 5, 9, 4, 45_pc, 45_pc};
  EXPECT_EQ(g.Check(SITA, migiKing), Refusal::NOT_YOUR_PIECE);
  EXPECT_EQ(g.Check(SITA, migiKing, Owner::AT_PICK), Refusal::NONE);
  EXPECT_EQ(g.Check(SITA, {9, 5, 9, 3, 45_pc, 45_pc}, Owner::AT_PICK), Refusal::CANNOT_MOVE);
  EXPECT_EQ(g.Check(SITA, {2, 2, 2, 1, 11_pc, 11_pc}, Owner::AT_PICK), Refusal::MUST_PROMOTE);
  EXPECT_EQ(g.Check(SITA, {4, 5, 5, 5, 14_pc, 14_pc}, Owner::AT_PICK), Refusal::PARTNER_CHECK);
  // A press on the seat's own piece picks it instead: no move goes there.
  EXPECT_EQ(g.Check(SITA, {9, 5, 8, 4, 45_pc, 45_pc}, Owner::AT_PICK), Refusal::CANNOT_MOVE);
  EXPECT_EQ(g.Check(SITA, {9, 5, 8, 5, 45_pc, 45_pc}, Owner::AT_PICK), Refusal::NONE);
  EXPECT_EQ(g.Check(HIDARI, migiKing, Owner::AT_PICK), Refusal::NOT_YOUR_TURN);
}

TEST(Door, OnlyTheSeatToMovePasses) {
  Game g = FourPeople();
  EXPECT_EQ(g.Pass(HIDARI), Refusal::NOT_YOUR_TURN);
  EXPECT_EQ(g.State().CurrentSeat, SITA);
  EXPECT_TRUE(PassesOf(g).empty());
  EXPECT_EQ(g.Pass(SITA), Refusal::NONE);
  EXPECT_EQ(g.State().CurrentSeat, HIDARI);
  ASSERT_EQ(PassesOf(g).size(), 1u);
  EXPECT_EQ(PassesOf(g)[0].second, SITA);
}

// The kings are found afresh before the partner test: a person's move leaves the king
// square of a seat other than SITA as it was, and the next test must not read it.
TEST(Door, ThePartnerTestReadsTheKingsWhereTheyStand) {
  Game g = FourPeople();
  ASSERT_EQ(g.Play(SITA, {4, 5, 4, 4, 14_pc, 14_pc}, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(HIDARI), Refusal::NONE);
  ASSERT_EQ(g.Play(UE, {5, 1, 4, 1, 35_pc, 35_pc}, Game::Mover::PERSON).refusal, Refusal::NONE);
  ASSERT_EQ(g.Pass(MIGI), Refusal::NONE);
  // The rook on 4四 now bears on UE's king on 4一, whatever SITA moves but the rook.
  EXPECT_EQ(g.Check(SITA, {7, 7, 7, 6, 11_pc, 11_pc}), Refusal::PARTNER_CHECK);
  EXPECT_EQ(g.Check(SITA, {4, 4, 5, 4, 14_pc, 14_pc}), Refusal::NONE);
}

// A record carries a board move of a piece picked before the turn passed on, as the press
// played it, and reads it back; the rules alone refuse it.
TEST(Door, ARecordReadsAMoveOfAPiecePickedEarlier) {
  Game g = FourPeople();
  const Move migiKing{9, 5, 9, 4, 45_pc, 45_pc};
  ASSERT_EQ(g.Check(SITA, migiKing), Refusal::NOT_YOUR_PIECE);
  ASSERT_EQ(g.Play(SITA, migiKing, Game::Mover::PERSON, Owner::AT_PICK).refusal, Refusal::NONE);
  const std::string text = WriteRecord(g, "");
  const RecordReading read = ReadRecord(text);
  ASSERT_TRUE(read.record) << read.error.Text() << "\n" << text;
  EXPECT_EQ(read.record->game.HistoryCount(), 1);
  EXPECT_EQ(read.record->game.State().Board[9][4], 45_pc);
  // A drop from another seat's hand is no press's: refused.
  Game d = FourPeople();
  const int gold[4] = {0, 0, 1, 0};
  d.Fix().SetHand(UE, gold);
  const Square ueGold = HandCellOf(UE, 3);
  EXPECT_EQ(d.Check(SITA, {ueGold.x, ueGold.y, 3, 5, 33_pc, 33_pc}, Owner::WITH_MOVE),
            Refusal::NOT_YOUR_PIECE);
}

// SITA's rook shares the file with its partner's king and cannot leave it (its pawns beside
// it, its king below): the partner test refuses every board move and every drop of SITA, so
// it must pass; the rook one step aside and it has moves again.
constexpr const char* kBoxedRook = R"(
 .  .  .  .  .  .  .  .  .
 .  .  .  . 35  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  .  .  .  . 45
 .  .  . 11 14 11  .  .  .
 .  .  .  . 15  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .)";

TEST(Door, ASeatWhoseEveryMoveTheDoorRefusesMustPass) {
  Game g = FourPeople(kBoxedRook);
  const int pawn[4] = {1, 0, 0, 0};
  g.Fix().SetHand(SITA, pawn);
  g.RefreshPawnLines();
  // Every move and drop a press could name, through the door itself.
  int tried = 0;
  for (int fx = -1; fx <= 11; ++fx)
    for (int fy = 1; fy <= 9; ++fy) {
      const bool hand = fx == -1 || fx == 11;
      if (!hand && !OnBoard(fx, fy)) continue;
      const PieceCode p = hand ? HandCellCode(fx, fy) : g.State().Board[fx][fy];
      if (p.IsEmpty() || (hand ? HandCellSeat(fx, fy) != SITA : !BelongsTo(p, SITA))) continue;
      for (int tx = 1; tx <= 9; ++tx)
        for (int ty = 1; ty <= 9; ++ty) {
          for (const PieceCode placed : {p, p.Promoted()}) {
            ++tried;
            EXPECT_NE(g.Check(SITA, {fx, fy, tx, ty, p, placed}), Refusal::NONE)
                << fx << "," << fy << " -> " << tx << "," << ty;
          }
        }
    }
  EXPECT_GT(tried, 5 * 81);
  EXPECT_TRUE(g.MustPass(SITA));
  // Only the seat to move is asked, and only while the game goes on.
  EXPECT_FALSE(g.MustPass(HIDARI));
  g.Fix().SetStarted(false);
  EXPECT_FALSE(g.MustPass(SITA));
  g.Fix().SetStarted(true);

  // The rook free to leave the file: SITA has moves, and no pass is due.
  Game free = FourPeople(kBoxedRook);
  PieceCode board[10][10];
  for (int x = 0; x <= 9; ++x)
    for (int y = 0; y <= 9; ++y) board[x][y] = free.State().Board[x][y];
  board[6][6] = EMPTY;
  free.Fix().SetBoard(board);
  EXPECT_FALSE(free.MustPass(SITA));
  // One move left (the rook one step aside, a pawn beyond): no pass either.
  board[7][6] = Code(SITA, HU);
  free.Fix().SetBoard(board);
  EXPECT_EQ(LegalMoves(free.State()).size(), 1u);
  EXPECT_FALSE(free.MustPass(SITA));
  // Nor with the partner's king out of the file.
  board[6][6] = Code(SITA, HU);
  board[5][2] = EMPTY;
  board[6][2] = KingCode(UE);
  free.Fix().SetBoard(board);
  EXPECT_FALSE(free.MustPass(SITA));
}

}  // namespace
}  // namespace korvel
