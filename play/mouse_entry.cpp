// A person's move: two presses, the first picking a piece, the second naming where it goes.
#include "game/movement.h"
#include "play/form1.h"
#include "play/texts.h"
#include "view/board_drawing.h"
#include "view/press_cell.h"

namespace korvel {

namespace {

// The move two presses name: the piece picked at the first, promoted when the right button
// made the second and the piece may promote there.
Move PressMove(int fromX, int fromY, int toX, int toY, PieceCode picked, MouseButton button) {
  Move m{fromX, fromY, toX, toY, picked, picked};
  PieceCode promoted;
  if (CanPromote(fromX, fromY, toX, toY, picked, &promoted) && button == MouseButton::RIGHT)
    m.placed = promoted;
  return m;
}

}  // namespace

void Form1::ShowRefusal(Refusal r) {
  const RefusalWords w = WordsFor(r);
  dialogs_.Message(w.title, w.prompt);
}

void Form1::ClearGuidance() {
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) FrameCell(canvas_, COLOUR_GREEN, x, y);
}

void Form1::ShowGuidance(int fromX, int fromY, int colour, PieceCode piece) {
  ClearGuidance();
  if (guidanceOn_ != 1) return;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (CanMove(game_.State(), fromX, fromY, x, y, piece)) FrameCell(canvas_, colour, x, y);
}

void Form1::Form_MouseDown(MouseButton button, int /*shift*/, double x, double y) {
  if (ended_) return;
  // The person at this mouse plays their seat of whichever game is shown.
  if (const std::shared_ptr<Authority> authority = authority_.lock()) {
    NetworkPress(*authority, button, x, y);
    return;
  }
  // The window's own game takes its twips as single-precision values.
  const std::optional<Square> cell = CellUnderSinglePress(x, y);
  if (!cell) return;
  const int c = cell->x, r = cell->y;

  const GameState& state = game_.State();
  if (!state.GameStarted) {
    RefuseNotStarted(true);
    return;
  }

  // Looking back at a finished game, the board only shows it: a press changes nothing and
  // asks nothing (the player chose to look; a new game comes from the menu).
  if (reviewing_) return;

  // A game that has ended takes no more moves: a press shows its end again and asks, as
  // the end of a game does, whether another game follows.
  if (game_.Finished()) {
    AnnounceEndOfGame();
    return;
  }

  if (game_.ResumePending()) {
    if (game_.MoveNumber() == 0) {
      RefuseNotStarted(true);
      return;
    }
    dialogs_.Message(Text(TextId::TITLE_RESUME), Text(TextId::OK_TO_RESUME));
    game_.Resume();
    SyncClock();
    const int seat = state.CurrentSeat;
    if (state.GameMode == 1 && game_.IsComputerSeat(seat)) {
      RunComputerTurns();
      AnnounceWinnerOfGame();
    }
    return;
  }
  // A computer to move that nothing has started yet (a record opened at its start): the
  // press starts the computers, as the question above does.
  if (state.GameMode == 1 && game_.IsComputerSeat(state.CurrentSeat)) {
    dialogs_.Message(Text(TextId::TITLE_RESUME), Text(TextId::OK_TO_RESUME));
    RunComputerTurns();
    AnnounceWinnerOfGame();
    return;
  }

  // A person to move with no move the rules accept, where the game came to stand without
  // its turn coming (a record opened, a fixture): the press hands the turn on.
  if (game_.IsPersonSeat(state.CurrentSeat) && game_.MustPass(state.CurrentSeat)) {
    RunComputerTurns();
    AnnounceWinnerOfGame();
    return;
  }

  const int mover = state.CurrentSeat;
  if (OnBoard(c, r) && pieceSelected_ == 0) {
    const PieceCode here = state.Board[c][r];
    if (here.IsEmpty()) return;
    fromX_ = c;
    fromY_ = r;
    pickedPiece_ = here;
    ShowGuidance(c, r, guidanceColour_, pickedPiece_);
    if (BelongsTo(pickedPiece_, mover)) {
      pieceSelected_ = 1;
      FrameCell(canvas_, COLOUR_LIGHT_RED, c, r);
    } else {
      PlayForbidden();
      FrameCell(canvas_, guidanceColour_, c, r);
      ShowWrongTurn(mover);
    }
    return;
  }

  if (OnBoard(c, r)) {  // a piece is picked: this press names the destination
    toX_ = c;
    toY_ = r;
    const PieceCode here = state.Board[c][r];
    if (BelongsTo(here, mover)) {
      FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
      fromX_ = c;
      fromY_ = r;
      pickedPiece_ = here;
      ShowGuidance(c, r, guidanceColour_, pickedPiece_);
      FrameCell(canvas_, COLOUR_LIGHT_RED, c, r);
      return;
    }
    // The door answers first; what each refusal shows is drawn after. The owner was
    // checked when the piece was picked.
    const Refusal refusal =
        game_.Check(mover, PressMove(fromX_, fromY_, c, r, pickedPiece_, button), Owner::AT_PICK);
    if (refusal == Refusal::CANNOT_MOVE) {
      PlayForbidden();
      FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
      ShowGuidance(c, r, guidanceColour_, here);
      FrameCell(canvas_, guidanceColour_, c, r);
      pieceSelected_ = 0;
      return;
    }
    if (refusal == Refusal::PARTNER_CHECK) {
      FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
      ShowGuidance(c, r, guidanceColour_, here);
      FrameCell(canvas_, guidanceColour_, c, r);
      ShowRefusal(refusal);
      pieceSelected_ = 0;
      return;
    }
    // Only the right button promotes, so any other button is a left press here: a pawn
    // may not stay unpromoted on its last line.
    if (refusal == Refusal::MUST_PROMOTE) {
      PlayForbidden();
      ShowRefusal(refusal);
      return;
    }
    MakeMove(button);
    return;
  }

  // Outside the board: a hand cell with pieces in it picks a drop.
  game_.RefreshPawnLines();
  const int handSeat = HandCellSeat(c, r);
  if (handSeat == NO_SEAT || state.Hand[handSeat][HandCellSlot(c, r)] <= 0) return;
  if (handSeat != mover) {
    ShowWrongTurn(mover);
    return;
  }
  // A hand cell picked before keeps no red frame.
  if (pieceSelected_ == 1 && IsHandX(fromX_)) FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
  fromX_ = c;
  fromY_ = r;
  ShowGuidance(c, r, COLOUR_GREEN, pickedPiece_);
  FrameCell(canvas_, COLOUR_GREEN, c, r);
  pieceSelected_ = 1;
  FrameCell(canvas_, COLOUR_LIGHT_RED, c, r);
  pickedPiece_ = HandCellCode(c, r);
}

void Form1::MakeMove(MouseButton button) {
  const GameState& state = game_.State();
  EraseStatusCorner(canvas_, currentBackground_);
  if (state.GameMode == 1) ShowLevel(canvas_, state.Level);
  ShowMoveNumber(canvas_, game_.MoveNumber() + 1, WordsOfBoard());

  const Move m = PressMove(fromX_, fromY_, toX_, toY_, pickedPiece_, button);
  pickedPiece_ = m.placed;

  pieceSelected_ = 0;
  FrameCell(canvas_, COLOUR_GREEN, m.fromX, m.fromY);
  FrameCell(canvas_, COLOUR_GREEN, m.toX, m.toY);
  // The guidance is cleared on the board as it stands before the move.
  ShowGuidance(m.fromX, m.fromY, COLOUR_GREEN, m.placed);

  const int mover = state.CurrentSeat;
  // A move made after the seat's time ran out (before the clock's timer saw it) is too late.
  if (OutOfTimeWithin(mover, 0)) {
    EndOnTime(mover);
    RedrawAll();
    AnnounceTimeUp();
    return;
  }
  const MoveOutcome o = game_.Play(mover, m, Game::Mover::PERSON, Owner::AT_PICK).outcome;
  ReportRecorded();
  SyncClock();
  PlayPlace();
  DrawMovePlayed(m, o);
  const Square anchor = MoveTextAnchor(m.placed);
  ShowMoveText(canvas_, currentBackground_, anchor.x, anchor.y, m.toX, m.toY, m.placed,
               COLOUR_WHITE, WordsOfBoard());

  if (o.kingTaken) {
    AnnounceWinner(TeamName(o.mover));
    return;
  }

  if (state.GameMode == 1) {
    if (o.mate) dialogs_.Message(Text(TextId::TITLE_MATE), Text(TextId::MATE));
    ShowHandOff(o);
    RunComputerTurns();
    AnnounceWinnerOfGame();
  } else if (state.GameMode == 0) {
    ShowHandOff(o);
    ShowTurnIcon(state.CurrentSeat);
    // A person the rules now leave no move passes at once.
    RunComputerTurns();
  }
}

}  // namespace korvel
