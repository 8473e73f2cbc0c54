// A person's move: two presses, the first picking a piece, the second naming where it goes.
#include <cmath>

#include "game/apply_move.h"
#include "game/attack_maps.h"
#include "game/check.h"
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
  if (GuidanceOn != 1) return;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (CanMove(State, fromX, fromY, x, y, piece)) FrameCell(canvas_, colour, x, y);
}

void Form1::Form_MouseDown(MouseButton button, int /*shift*/, double x, double y) {
  if (Ended) return;
  // Twips arrive as single-precision values; the cell is rounded toward minus infinity.
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  if (!std::isfinite(fx) || !std::isfinite(fy)) return;
  const double cd = std::floor((static_cast<double>(fx) - GRID_X0) / CELL_TWIPS);
  const double rd = std::floor((static_cast<double>(fy) - GRID_Y0) / CELL_TWIPS);
  // Far outside the window a press is no cell at all.
  const int c = cd < -1000 || cd > 1000 ? -1000 : static_cast<int>(cd);
  const int r = rd < -1000 || rd > 1000 ? -1000 : static_cast<int>(rd);

  if (!State.GameStarted) {
    RefuseNotStarted(true);
    return;
  }

  if (ResumePending) {
    if (MoveNumber == 0) {
      RefuseNotStarted(true);
      return;
    }
    dialogs_.Message("再開", "OKですか？");
    ResumePending = false;
    const int seat = State.CurrentSeat;
    if (State.GameMode == 1 && seat >= 1 && seat <= 4 && State.PlayerKind[seat] == COMPUTER) {
      RunComputerTurns();
      AnnounceWinnerOfGame();
    }
    return;
  }

  const int mover = State.CurrentSeat;
  if (OnBoard(c, r) && PieceSelected == 0) {
    const PieceCode here = State.Board[c][r];
    if (here.IsEmpty()) return;
    FromX = c;
    FromY = r;
    PickedPiece = here;
    ShowGuidance(c, r, GuidanceColour, PickedPiece);
    if (BelongsTo(PickedPiece, mover)) {
      PieceSelected = 1;
      FrameCell(canvas_, COLOUR_LIGHT_RED, c, r);
    } else {
      PlayForbidden();
      FrameCell(canvas_, GuidanceColour, c, r);
      ShowWrongTurn(mover);
    }
    return;
  }

  if (OnBoard(c, r)) {  // a piece is picked: this press names the destination
    ToX = c;
    ToY = r;
    const PieceCode here = State.Board[c][r];
    if (BelongsTo(here, mover)) {
      FrameCell(canvas_, COLOUR_GREEN, FromX, FromY);
      FromX = c;
      FromY = r;
      PickedPiece = here;
      ShowGuidance(c, r, GuidanceColour, PickedPiece);
      FrameCell(canvas_, COLOUR_LIGHT_RED, c, r);
      return;
    }
    if (!CanMove(State, FromX, FromY, c, r, PickedPiece)) {
      PlayForbidden();
      FrameCell(canvas_, COLOUR_GREEN, FromX, FromY);
      ShowGuidance(c, r, GuidanceColour, here);
      FrameCell(canvas_, GuidanceColour, c, r);
      PieceSelected = 0;
      return;
    }
    FindAllKings(State);
    if (ChecksPartner(State, FromX, FromY, c, r)) {
      FrameCell(canvas_, COLOUR_GREEN, FromX, FromY);
      ShowGuidance(c, r, GuidanceColour, here);
      FrameCell(canvas_, GuidanceColour, c, r);
      dialogs_.Message("禁手", "味方に王手はできません");
      PieceSelected = 0;
      return;
    }
    // Only the right button promotes, so any other button is a left press here: a pawn
    // may not stay unpromoted on its last line.
    if (!MayStayUnpromoted(c, r, PickedPiece) && button != MouseButton::RIGHT) {
      PlayForbidden();
      dialogs_.Message("成り", "マウスの右をクリックして下さい");
      return;
    }
    MakeMove(button);
    return;
  }

  // Outside the board: a hand cell with pieces in it picks a drop.
  UpdatePawnLines(State);
  const int handSeat = HandCellSeat(c, r);
  if (handSeat == NO_SEAT || State.Hand[handSeat][HandCellSlot(c, r)] <= 0) return;
  if (handSeat != mover) {
    ShowWrongTurn(mover);
    return;
  }
  // A hand cell picked before keeps no red frame.
  if (PieceSelected == 1 && IsHandX(FromX)) FrameCell(canvas_, COLOUR_GREEN, FromX, FromY);
  FromX = c;
  FromY = r;
  ShowGuidance(c, r, COLOUR_GREEN, PickedPiece);
  FrameCell(canvas_, COLOUR_GREEN, c, r);
  PieceSelected = 1;
  FrameCell(canvas_, COLOUR_LIGHT_RED, c, r);
  PickedPiece = HandCellCode(c, r);
}

void Form1::MakeMove(MouseButton button) {
  EraseStatusCorner(canvas_, CurrentBackground);
  if (State.GameMode == 1) ShowLevel(canvas_, State.Level);
  ++MoveNumber;
  ShowMoveNumber(canvas_, MoveNumber);

  const PieceCode before = PickedPiece;
  PieceCode promoted;
  if (CanPromote(FromX, FromY, ToX, ToY, PickedPiece, &promoted) && button == MouseButton::RIGHT)
    PickedPiece = promoted;
  RecordMove(FromX, FromY, ToX, ToY, before, PickedPiece);

  PieceSelected = 0;
  FrameCell(canvas_, COLOUR_GREEN, FromX, FromY);
  FrameCell(canvas_, COLOUR_GREEN, ToX, ToY);
  ShowGuidance(FromX, FromY, COLOUR_GREEN, PickedPiece);

  const PieceCode captured = State.Board[ToX][ToY];
  PlayPlace();
  ApplyMoveAndDraw(FromX, FromY, ToX, ToY, PickedPiece);
  const Square anchor = MoveTextAnchor(PickedPiece);
  ShowMoveText(canvas_, CurrentBackground, anchor.x, anchor.y, ToX, ToY, PickedPiece,
               COLOUR_WHITE);

  if (IsKingCode(captured)) {
    AnnounceWinner(TeamName(State.CurrentSeat));
    return;
  }

  if (State.GameMode == 1) {
    ComputeAttackMaps(State);
    const int mover = State.CurrentSeat;
    if (IsMate(State, mover, AttackedOpponent(State, mover)))
      dialogs_.Message("詰め ?", "よし！!");
    HandOff(ToX, ToY);
    RunComputerTurns();
    AnnounceWinnerOfGame();
  } else if (State.GameMode == 0) {
    HandOff(ToX, ToY);
    ShowTurnIcon(State.CurrentSeat);
  }
}

}  // namespace korvel
