// Stepping back and forward through the history, and turning the position.
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

void Form1::REPLAY_Click() {
  if (ended_) return;
  if (!game_.State().GameStarted) {
    RefuseNotStarted(true);
    return;
  }
  if (game_.HistoryCount() < 1) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_BACK), Text(TextId::CANNOT));
    return;
  }
  pieceSelected_ = 0;
  const MoveRecord r = *game_.StepBack();
  SyncClock();  // no clock runs while the game stands at an earlier move
  const GameState& state = game_.State();
  const int seat = SeatByRange(r.placed);

  if (OnBoard(r.fromX, r.fromY)) {
    DrawCell(canvas_, r.before, r.fromX, r.fromY);
    FrameCell(canvas_, COLOUR_GREEN, r.fromX, r.fromY);
  }
  ClearMoveText(canvas_, currentBackground_, seat);
  DrawHand(canvas_, state, currentBackground_, seat);

  ShowTurnIcon(state.CurrentSeat);
  for (int x = 12; x <= 14; ++x) DrawCell(canvas_, currentBackground_, x, 2);
  DrawCell(canvas_, EMPTY, r.toX, r.toY);
  FrameCell(canvas_, COLOUR_GREEN, r.toX, r.toY);
  PlayPlace();
  if (!r.captured.IsEmpty()) {
    DrawCell(canvas_, r.captured, r.toX, r.toY);
    FrameCell(canvas_, COLOUR_GREEN, r.toX, r.toY);
  }
  RefreshStatusCorner();
}

void Form1::AFTER_Click() {
  if (ended_) return;
  if (!game_.State().GameStarted) {
    RefuseNotStarted(true);
    return;
  }
  if (game_.HistoryCount() >= game_.HistoryTop()) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_FORWARD), Text(TextId::CANNOT));
    return;
  }
  pieceSelected_ = 0;
  ClearGuidance();
  const MoveRecord r = *game_.StepForward();
  SyncClock();
  const GameState& state = game_.State();
  const int seat = SeatByRange(r.placed);

  if (OnBoard(r.fromX, r.fromY)) {
    DrawCell(canvas_, EMPTY, r.fromX, r.fromY);
    FrameCell(canvas_, COLOUR_GREEN, r.fromX, r.fromY);
  }
  ShowTurnIcon(state.CurrentSeat);
  if (seat != 0) {
    const Square anchor = MoveTextAnchor(r.placed);
    ShowMoveText(canvas_, currentBackground_, anchor.x, anchor.y, r.toX, r.toY, r.placed,
                 COLOUR_WHITE, WordsOfBoard());
  }
  DrawHand(canvas_, state, currentBackground_, seat);
  PlayPlace();
  DrawCell(canvas_, r.placed, r.toX, r.toY);
  FrameCell(canvas_, COLOUR_GREEN, r.toX, r.toY);
  RefreshStatusCorner();
}

void Form1::CANCEL_Click() {
  if (ended_) return;
  NewGame();
  game_.Fix().SetStarted(false);
}

void Form1::RotateBoard() {
  if (ended_) return;
  if (!game_.State().GameStarted) {
    RefuseNotStarted(false);
    return;
  }
  pieceSelected_ = 0;
  game_.Rotate();
  RedrawAll();
  ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
  ShowTurnIcon(game_.State().CurrentSeat);
  PlayPlace();
}

}  // namespace korvel
