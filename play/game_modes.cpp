// The game-mode and level menus: who plays which seat, and the computer's strength.
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

void Form1::JYUNBAN_1_Click() {
  if (ended_) return;
  LeaveReview();
  BeginClocks(game_.State().CurrentSeat == NO_SEAT);
  game_.SetSeats(HUMAN, COMPUTER, COMPUTER, COMPUTER, 1);
  game_.Resume();
  if (game_.State().CurrentSeat == NO_SEAT) {
    game_.Fix().SetSeatToMove(SITA);
    ShowTurnIcon(SITA);
    SyncClock();
    dialogs_.Message("", SeatPrompt(SITA));
  } else {
    ShowTurnIcon(game_.State().CurrentSeat);
    RunComputerTurns();
    AnnounceWinnerOfGame();
  }
}

// JYUNBAN_2..4: the person sits at HIDARI, UE or MIGI; the computers before the person
// move first in a new game.
void Form1::LaterSeat(int humanSeat) {
  if (ended_) return;
  LeaveReview();
  auto kind = [humanSeat](int seat) { return seat == humanSeat ? HUMAN : COMPUTER; };
  BeginClocks(game_.State().CurrentSeat == NO_SEAT);
  game_.SetSeats(kind(SITA), kind(HIDARI), kind(UE), kind(MIGI), 1);
  game_.Resume();
  if (game_.State().CurrentSeat == humanSeat) {
    SyncClock();
    dialogs_.Message(" ", SeatPrompt(humanSeat));
  } else if (game_.State().CurrentSeat == NO_SEAT) {
    game_.Fix().SetSeatToMove(SITA);
  }
  RunComputerTurns();
  AnnounceWinnerOfGame();
}

void Form1::JYUNBAN_2_Click() { LaterSeat(HIDARI); }
void Form1::JYUNBAN_3_Click() { LaterSeat(UE); }
void Form1::JYUNBAN_4_Click() { LaterSeat(MIGI); }

void Form1::PLAY_TOIMEN_Click() {
  if (ended_) return;
  LeaveReview();
  BeginClocks(game_.State().CurrentSeat == NO_SEAT);
  game_.SetSeats(HUMAN, COMPUTER, HUMAN, COMPUTER, 1);
  game_.Resume();
  if (game_.State().CurrentSeat == NO_SEAT) {
    game_.Fix().SetSeatToMove(SITA);
    ShowTurnIcon(SITA);
    SyncClock();
    dialogs_.Message(" ", SeatPrompt(SITA));
  } else {
    RunComputerTurns();
    AnnounceWinnerOfGame();
  }
}

void Form1::PLAY_TONARI_Click() {
  if (ended_) return;
  LeaveReview();
  BeginClocks(game_.State().CurrentSeat == NO_SEAT);
  game_.SetSeats(COMPUTER, HUMAN, COMPUTER, HUMAN, 1);
  game_.Resume();
  if (game_.State().CurrentSeat == NO_SEAT) game_.Fix().SetSeatToMove(SITA);
  RunComputerTurns();
  AnnounceWinnerOfGame();
}

void Form1::PLAY_4_Click() {
  if (ended_) return;
  LeaveReview();
  BeginClocks(game_.State().CurrentSeat == NO_SEAT);
  game_.SetSeats(HUMAN, HUMAN, HUMAN, HUMAN, 0);
  game_.Resume();
  for (int x = -2; x <= 1; ++x) DrawCell(canvas_, currentBackground_, x, -1);
  DrawBoard(canvas_, game_.State());
  for (int x = -2; x <= 0; ++x) DrawCell(canvas_, currentBackground_, x, 0);
  if (game_.State().CurrentSeat == NO_SEAT) {
    game_.Fix().ResetMoveNumber();
    game_.Fix().SetSeatToMove(SITA);
    ShowTurnIcon(SITA);
    SyncClock();
    dialogs_.Message("", SeatPrompt(SITA));
  } else {
    ShowTurnIcon(game_.State().CurrentSeat);
    SyncClock();
  }
}

void Form1::LevelClick(int n) {
  if (ended_) return;
  for (int x = -2; x <= 0; ++x) DrawCell(canvas_, currentBackground_, x, 0);
  bool& mark = n == 1   ? options_.LEVEL1
               : n == 2 ? options_.LEVEL2
               : n == 3 ? options_.LEVEL3
                        : options_.LEVEL4;
  if (mark) return;
  options_.MarkLevel(n);
  game_.SetLevel(n);
  if (game_.State().GameMode == 1) ShowLevel(canvas_, n);
}

}  // namespace korvel
