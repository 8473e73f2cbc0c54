// A person's move: two presses, the first picking a piece, the second naming where it goes.
#include <cmath>

#include "game/movement.h"
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

bool BelongsTo(PieceCode p, int seat) {
  return seat >= 1 && seat <= 4 && Code(seat, HU) <= p && p <= Code(seat, OU);
}

}  // namespace

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
  // Twips arrive as single-precision values; the cell is rounded toward minus infinity.
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  if (!std::isfinite(fx) || !std::isfinite(fy)) return;
  const double cd = std::floor((static_cast<double>(fx) - GRID_X0) / CELL_TWIPS);
  const double rd = std::floor((static_cast<double>(fy) - GRID_Y0) / CELL_TWIPS);
  // Far outside the window a press is no cell at all.
  const int c = cd < -1000 || cd > 1000 ? -1000 : static_cast<int>(cd);
  const int r = rd < -1000 || rd > 1000 ? -1000 : static_cast<int>(rd);

  const GameState& state = game_.State();
  if (!state.GameStarted) {
    RefuseNotStarted(true);
    return;
  }

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
    dialogs_.Message("再開", "OKですか？");
    game_.SetResumePending(false);
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
    dialogs_.Message("再開", "OKですか？");
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
    if (!CanMove(state, fromX_, fromY_, c, r, pickedPiece_)) {
      PlayForbidden();
      FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
      ShowGuidance(c, r, guidanceColour_, here);
      FrameCell(canvas_, guidanceColour_, c, r);
      pieceSelected_ = 0;
      return;
    }
    game_.RefreshKings();
    if (game_.ChecksPartner({fromX_, fromY_, c, r, pickedPiece_, pickedPiece_})) {
      FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
      ShowGuidance(c, r, guidanceColour_, here);
      FrameCell(canvas_, guidanceColour_, c, r);
      dialogs_.Message("禁手", "味方に王手はできません");
      pieceSelected_ = 0;
      return;
    }
    // Only the right button promotes, so any other button is a left press here: a pawn
    // may not stay unpromoted on its last line.
    if (!MayStayUnpromoted(c, r, pickedPiece_) && button != MouseButton::RIGHT) {
      PlayForbidden();
      dialogs_.Message("成り", "マウスの右をクリックして下さい");
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
  ShowMoveNumber(canvas_, game_.MoveNumber() + 1);

  Move m{fromX_, fromY_, toX_, toY_, pickedPiece_, pickedPiece_};
  PieceCode promoted;
  if (CanPromote(m.fromX, m.fromY, m.toX, m.toY, m.before, &promoted) &&
      button == MouseButton::RIGHT)
    m.placed = promoted;
  pickedPiece_ = m.placed;

  pieceSelected_ = 0;
  FrameCell(canvas_, COLOUR_GREEN, m.fromX, m.fromY);
  FrameCell(canvas_, COLOUR_GREEN, m.toX, m.toY);
  // The guidance is cleared on the board as it stands before the move.
  ShowGuidance(m.fromX, m.fromY, COLOUR_GREEN, m.placed);

  const MoveOutcome o = game_.PlayPersonMove(m);
  ReportRecorded();
  PlayPlace();
  DrawMovePlayed(m, o);
  const Square anchor = MoveTextAnchor(m.placed);
  ShowMoveText(canvas_, currentBackground_, anchor.x, anchor.y, m.toX, m.toY, m.placed,
               COLOUR_WHITE);

  if (o.kingTaken) {
    AnnounceWinner(TeamName(o.mover));
    return;
  }

  if (state.GameMode == 1) {
    if (o.mate) dialogs_.Message("詰め ?", "よし！!");
    ShowHandOff(o);
    RunComputerTurns();
    AnnounceWinnerOfGame();
  } else if (state.GameMode == 0) {
    ShowHandOff(o);
    ShowTurnIcon(state.CurrentSeat);
  }
}

}  // namespace korvel
