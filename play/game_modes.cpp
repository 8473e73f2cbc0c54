// The game-mode and level menus: who plays which seat, and the computer's strength.
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

void SetKinds(GameState& s, int sita, int hidari, int ue, int migi, int mode) {
  s.PlayerKind[SITA] = sita;
  s.PlayerKind[HIDARI] = hidari;
  s.PlayerKind[UE] = ue;
  s.PlayerKind[MIGI] = migi;
  s.GameStarted = true;
  s.GameMode = mode;
}

}  // namespace

void Form1::JYUNBAN_1_Click() {
  if (Ended) return;
  SetKinds(State, HUMAN, COMPUTER, COMPUTER, COMPUTER, 1);
  ResumePending = false;
  if (State.CurrentSeat == NO_SEAT) {
    State.CurrentSeat = SITA;
    ShowTurnIcon(SITA);
    dialogs_.Message("", SeatPrompt(SITA));
  } else {
    ShowTurnIcon(State.CurrentSeat);
    RunComputerTurns();
    AnnounceWinnerOfGame();
  }
}

// JYUNBAN_2..4: the person sits at HIDARI, UE or MIGI; the computers before the person
// move first in a new game.
static void LaterSeat(Form1& f, Dialogs& d, int humanSeat) {
  GameState& s = f.State;
  auto kind = [humanSeat](int seat) { return seat == humanSeat ? HUMAN : COMPUTER; };
  SetKinds(s, kind(SITA), kind(HIDARI), kind(UE), kind(MIGI), 1);
  f.ResumePending = false;
  if (s.CurrentSeat == humanSeat) {
    d.Message(" ", SeatPrompt(humanSeat));
  } else if (s.CurrentSeat == NO_SEAT) {
    s.CurrentSeat = SITA;
  }
  f.RunComputerTurns();
}

void Form1::JYUNBAN_2_Click() {
  if (Ended) return;
  LaterSeat(*this, dialogs_, HIDARI);
  AnnounceWinnerOfGame();
}
void Form1::JYUNBAN_3_Click() {
  if (Ended) return;
  LaterSeat(*this, dialogs_, UE);
  AnnounceWinnerOfGame();
}
void Form1::JYUNBAN_4_Click() {
  if (Ended) return;
  LaterSeat(*this, dialogs_, MIGI);
  AnnounceWinnerOfGame();
}

void Form1::PLAY_TOIMEN_Click() {
  if (Ended) return;
  SetKinds(State, HUMAN, COMPUTER, HUMAN, COMPUTER, 1);
  ResumePending = false;
  if (State.CurrentSeat == NO_SEAT) {
    State.CurrentSeat = SITA;
    ShowTurnIcon(SITA);
    dialogs_.Message(" ", SeatPrompt(SITA));
  } else {
    RunComputerTurns();
    AnnounceWinnerOfGame();
  }
}

void Form1::PLAY_TONARI_Click() {
  if (Ended) return;
  SetKinds(State, COMPUTER, HUMAN, COMPUTER, HUMAN, 1);
  ResumePending = false;
  if (State.CurrentSeat == NO_SEAT) State.CurrentSeat = SITA;
  RunComputerTurns();
  AnnounceWinnerOfGame();
}

void Form1::PLAY_4_Click() {
  if (Ended) return;
  SetKinds(State, HUMAN, HUMAN, HUMAN, HUMAN, 0);
  ResumePending = false;
  for (int x = -2; x <= 1; ++x) DrawCell(canvas_, CurrentBackground, x, -1);
  DrawBoard(canvas_, State);
  for (int x = -2; x <= 0; ++x) DrawCell(canvas_, CurrentBackground, x, 0);
  if (State.CurrentSeat == NO_SEAT) {
    MoveNumber = 0;
    State.CurrentSeat = SITA;
    ShowTurnIcon(SITA);
    dialogs_.Message("", SeatPrompt(SITA));
  } else {
    ShowTurnIcon(State.CurrentSeat);
  }
}

void Form1::LevelClick(int n) {
  if (Ended) return;
  for (int x = -2; x <= 0; ++x) DrawCell(canvas_, CurrentBackground, x, 0);
  bool& mark = n == 1 ? Checks.LEVEL1 : n == 2 ? Checks.LEVEL2 : Checks.LEVEL3;
  if (mark) return;
  Checks.LEVEL1 = n == 1;
  Checks.LEVEL2 = n == 2;
  Checks.LEVEL3 = n == 3;
  State.Level = n;
  if (State.GameMode == 1) ShowLevel(canvas_, n);
}

}  // namespace korvel
