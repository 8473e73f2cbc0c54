// The move history: recording every move, and stepping back and forward through it.
#include "game/check.h"
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

void Form1::RecordMove(int fromX, int fromY, int toX, int toY, PieceCode before,
                       PieceCode after) {
  // The history grows with the game: no move is ever refused for lack of room.
  ++HistoryCount;
  const int n = HistoryCount;
  if (static_cast<int>(History.size()) <= n) History.resize(n + 1);
  MoveRecord& r = History[n];
  r.FromX = fromX;
  r.FromY = fromY;
  r.ToX = toX;
  r.ToY = toY;
  r.PieceBefore = before;
  r.PieceAfter = after;
  r.Captured = OnBoard(toX, toY) ? State.Board[toX][toY] : EMPTY;
  r.Mover = State.CurrentSeat;
  HistoryTop = HistoryCount;
  host_.MoveRecorded(r);
}

void Form1::REPLAY_Click() {
  if (Ended) return;
  if (!State.GameStarted) {
    RefuseNotStarted(true);
    return;
  }
  if (HistoryCount < 1) {
    PlayForbidden();
    dialogs_.Message("戻る", "できません");
    return;
  }
  PieceSelected = 0;
  const MoveRecord r = History[HistoryCount];
  const int seat = SeatByRange(r.PieceAfter);

  if (!OnBoard(r.FromX, r.FromY)) {
    if (seat != 0) ++State.Hand[seat][HandSlotOf(r.PieceAfter)];
  } else {
    State.Board[r.FromX][r.FromY] = r.PieceBefore;
    DrawCell(canvas_, r.PieceBefore, r.FromX, r.FromY);
    FrameCell(canvas_, COLOUR_GREEN, r.FromX, r.FromY);
  }
  if (!r.Captured.IsEmpty() && seat != 0) --State.Hand[seat][HandSlotOf(r.Captured)];
  ClearMoveText(canvas_, CurrentBackground, seat);
  DrawHand(canvas_, State, CurrentBackground, seat);

  State.Board[r.ToX][r.ToY] = r.Captured;
  State.CurrentSeat = r.Mover;
  ShowTurnIcon(State.CurrentSeat);
  for (int x = 12; x <= 14; ++x) DrawCell(canvas_, CurrentBackground, x, 2);
  DrawCell(canvas_, EMPTY, r.ToX, r.ToY);
  FrameCell(canvas_, COLOUR_GREEN, r.ToX, r.ToY);
  PlayPlace();
  if (!r.Captured.IsEmpty()) {
    DrawCell(canvas_, r.Captured, r.ToX, r.ToY);
    FrameCell(canvas_, COLOUR_GREEN, r.ToX, r.ToY);
  }
  --HistoryCount;
  --MoveNumber;
  RefreshStatusCorner();
  ResumePending = true;
  State.GameOver = false;
}

void Form1::AFTER_Click() {
  if (Ended) return;
  if (!State.GameStarted) {
    RefuseNotStarted(true);
    return;
  }
  if (HistoryCount >= HistoryTop) {
    PlayForbidden();
    dialogs_.Message("進む", "できません");
    return;
  }
  PieceSelected = 0;
  ClearGuidance();
  ++HistoryCount;
  const int n = HistoryCount;
  const MoveRecord r = History[n];
  const int seat = SeatByRange(r.PieceAfter);

  if (!OnBoard(r.FromX, r.FromY)) {
    if (seat != 0) --State.Hand[seat][HandSlotOf(r.PieceAfter)];
  } else {
    State.Board[r.FromX][r.FromY] = EMPTY;
    DrawCell(canvas_, EMPTY, r.FromX, r.FromY);
    FrameCell(canvas_, COLOUR_GREEN, r.FromX, r.FromY);
  }
  State.Board[r.ToX][r.ToY] = r.PieceAfter;

  if (n == HistoryTop) {
    // The newest record: the seat to move follows the check rule, without the notice.
    State.CurrentSeat = r.Mover;
    FindAllKings(State);
    const int next = CheckedOpponent(State, r.ToX, r.ToY, State.CurrentSeat);
    State.CurrentSeat = next != State.CurrentSeat ? next : NextSeat(State.CurrentSeat);
  } else {
    State.CurrentSeat = History[n + 1].Mover;
  }
  ShowTurnIcon(State.CurrentSeat);

  if (!r.Captured.IsEmpty() && seat != 0) ++State.Hand[seat][HandSlotOf(r.Captured)];
  if (seat != 0) {
    const Square anchor = MoveTextAnchor(r.PieceAfter);
    ShowMoveText(canvas_, CurrentBackground, anchor.x, anchor.y, r.ToX, r.ToY, r.PieceAfter,
                 COLOUR_WHITE);
  }
  DrawHand(canvas_, State, CurrentBackground, seat);
  PlayPlace();
  DrawCell(canvas_, r.PieceAfter, r.ToX, r.ToY);
  FrameCell(canvas_, COLOUR_GREEN, r.ToX, r.ToY);
  ++MoveNumber;
  RefreshStatusCorner();
  ResumePending = true;
}

void Form1::CANCEL_Click() {
  if (Ended) return;
  NewGame();
  State.GameStarted = false;
}

void Form1::RotateBoard() {
  if (Ended) return;
  if (!State.GameStarted) {
    RefuseNotStarted(false);
    return;
  }
  PieceSelected = 0;
  PieceCode t[10][10];
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) t[x][y] = State.Board[x][y];
  // A quarter turn clockwise on screen: every army moves to the next seat and is recoded.
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) {
      const PieceCode c = t[x][y];
      PieceCode& to = State.Board[10 - y][x];
      if (c <= EMPTY) to = EMPTY;
      else if (c <= 35_pc) to = PieceCode::FromHalves(c.Halves() + 20);
      else if (c <= 45_pc) to = PieceCode::FromHalves(c.Halves() - 60);
    }
  for (int k = 1; k <= 4; ++k) {
    const int keep = State.Hand[MIGI][k];
    State.Hand[MIGI][k] = State.Hand[UE][k];
    State.Hand[UE][k] = State.Hand[HIDARI][k];
    State.Hand[HIDARI][k] = State.Hand[SITA][k];
    State.Hand[SITA][k] = keep;
  }
  RedrawAll();
  ShowMoveNumber(canvas_, MoveNumber);
  ShowTurnIcon(State.CurrentSeat);
  PlayPlace();
  HistoryCount = 0;
  HistoryTop = 0;
}

}  // namespace korvel
