// Start-up, the new-game reset and the small operations every concern shares.
#include "play/form1.h"

#include "game/apply_move.h"
#include "game/check.h"
#include "view/board_drawing.h"

namespace korvel {

Form1::Form1(Canvas& canvas, Dialogs& dialogs, SoundLibrary& sound, TurnIcons& icons, Host& host,
             Files& files)
    : canvas_(canvas), dialogs_(dialogs), sound_(sound), icons_(icons), host_(host),
      files_(files) {}

void Form1::Form_Load() {
  SoundInit();
  SndOther = LoadSound("その他.wav", 3);
  SndForbidden = LoadSound("禁止.wav", 3);
  SndPlace = LoadSound("駒打音.wav", 3);
  SndEnd = LoadSound("終局.wav", 3);
  SndBgm = LoadSound("BGM.wav", 1);

  PieceSelected = 0;
  MoveNumber = 0;
  HistoryCount = 0;
  HistoryTop = 0;
  GuidanceOn = 0;
  HelpPage = files_.PathOf(FileArea::DATA, HELP_PAGE);

  Checks.SIDOU = false;
  Checks.LEVEL1 = Checks.LEVEL2 = false;
  Checks.LEVEL3 = true;
  Checks.AICON = true;
  State.Level = 3;

  State.GameStarted = false;

  LoadSettings();
  NewGame();
}

void Form1::NewGame() {
  State.GameOver = false;
  State.GameMode = NO_SEAT;
  State.CurrentSeat = NO_SEAT;
  icons_.SetVisible(TurnIcon::COM, false);
  icons_.SetVisible(TurnIcon::MAN, false);
  IconShown = false;
  HistoryCount = 0;
  PieceSelected = 0;
  MoveNumber = 0;
  HistoryTop = HistoryCount;
  NewGameModel(State);
  RedrawAll();
}

void Form1::RedrawAll() { korvel::RedrawAll(canvas_, State, CurrentBackground); }

void Form1::ShowTurnIcon(int seat) {
  if (!Checks.AICON) {
    icons_.SetVisible(TurnIcon::MAN, false);
    icons_.SetVisible(TurnIcon::COM, false);
    IconShown = false;
    return;
  }
  if (seat < 1 || seat > 4) return;
  const int kind = State.PlayerKind[seat];
  if (kind != COMPUTER && kind != HUMAN) return;
  const TurnIcon shown = kind == COMPUTER ? TurnIcon::COM : TurnIcon::MAN;
  const TurnIcon hidden = kind == COMPUTER ? TurnIcon::MAN : TurnIcon::COM;
  const IconPlace place = TurnIconPlace(seat);
  icons_.Move(shown, place.left, place.top);
  icons_.SetVisible(hidden, false);
  icons_.SetVisible(shown, true);
  IconShown = true;
  IconKind = shown;
  IconLeft = place.left;
  IconTop = place.top;
}

void Form1::ShowWrongTurn(int seat) { dialogs_.Message("手番が違います", SeatPrompt(seat)); }

void Form1::ShowCheck(int seat) { dialogs_.Message("王手です", SeatPrompt(seat)); }

void Form1::RefuseNotStarted(bool withSound) {
  if (withSound) PlayForbidden();
  dialogs_.Message("開始", "「対局」で始めて下さい");
}

void Form1::RefreshStatusCorner() {
  EraseStatusCorner(canvas_, CurrentBackground);
  if (State.GameMode == 1) ShowLevel(canvas_, State.Level);
  ShowMoveNumber(canvas_, MoveNumber);
}

void Form1::AnnounceWinner(const std::string& teamName) { EndOfGame(teamName + "の勝ちです"); }

// The end of a game: the gong, what happened, and another game or the end of the program.
void Form1::EndOfGame(const std::string& result) {
  sound_.dsPlay(SndEnd, "終局.wav");
  dialogs_.Message("終了", result);
  if (dialogs_.Question("再ゲーム", "続けますか？")) {
    NewGame();
    PlayPlace();
    State.GameStarted = false;
  } else {
    EndProgram();
  }
}

// After computer turns: a king taken by a computer is announced for the taker's team.
void Form1::AnnounceWinnerOfGame() {
  if (!State.GameOver || Ended) return;
  const int w = State.WinnerSeat;
  if (w == SITA || w == UE) AnnounceWinner(FIRST_TEAM_NAME);
  else if (w == HIDARI || w == MIGI) AnnounceWinner(SECOND_TEAM_NAME);
}

void Form1::EndProgram() {
  ReleaseAll();
  Ended = true;
  host_.EndProgram();
}

void Form1::ApplyMoveAndDraw(int fromX, int fromY, int toX, int toY, PieceCode code) {
  const MoveEffects fx = ApplyMove(State, fromX, fromY, toX, toY, code);
  if (!fx.captured.IsEmpty())
    for (int seat : {SITA, UE, MIGI, HIDARI}) DrawHand(canvas_, State, CurrentBackground, seat);
  DrawCell(canvas_, EMPTY, fromX, fromY);
  if (fx.handTakenFrom != NO_SEAT) DrawHand(canvas_, State, CurrentBackground, fx.handTakenFrom);
  DrawCell(canvas_, code, toX, toY);
  FrameCell(canvas_, COLOUR_GREEN, toX, toY);
}

// The check rule after a move that did not end the game; true when it gave check.
bool Form1::HandOff(int toX, int toY) {
  const int mover = State.CurrentSeat;
  const int next = CheckedOpponent(State, toX, toY, mover);
  if (next != mover) {
    ShowCheck(next);
    State.CurrentSeat = next;
    return true;
  }
  State.CurrentSeat = NextSeat(mover);
  return false;
}

}  // namespace korvel
