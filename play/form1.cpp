// Start-up, the new-game reset and the small operations every concern shares.
#include "play/form1.h"

#include "game/check.h"
#include "play/game_record.h"
#include "view/board_drawing.h"
#include "view/press_cell.h"

namespace korvel {

Form1::Form1(Canvas& canvas, Dialogs& dialogs, SoundLibrary& sound, TurnIcons& icons, Host& host,
             Files& files)
    : records_(files), canvas_(canvas), dialogs_(dialogs), sound_(sound),
      icons_(icons), host_(host), files_(files) {}

void Form1::Form_Load() {
  SoundInit();
  sndOther_ = LoadSound("その他.wav", 3);
  sndForbidden_ = LoadSound("禁止.wav", 3);
  sndPlace_ = LoadSound("駒打音.wav", 3);
  sndEnd_ = LoadSound("終局.wav", 3);
  sndBgm_ = LoadSound("BGM.wav", 1);

  pieceSelected_ = 0;
  game_.Fix().ResetMoveNumber();
  guidanceOn_ = 0;
  helpPage_ = files_.PathOf(FileArea::DATA, HELP_PAGE);
  helpPageEn_ = files_.PathOf(FileArea::DATA, HELP_PAGE_EN);

  options_.SIDOU = false;
  options_.LEVEL1 = options_.LEVEL2 = false;
  options_.LEVEL3 = true;
  options_.AICON = true;
  game_.SetLevel(3);

  game_.Fix().SetStarted(false);

  LoadSettings();
  NoteKeptGame();
  NewGame();
}

void Form1::NewGame() {
  HideTurnIcons();
  reviewing_ = false;
  pieceSelected_ = 0;
  game_.NewGame();
  game_.SetTimeControl({});
  clocks_.reset();
  gameStarted_.clear();
  RedrawAll();
}

BoardWords Form1::WordsOfBoard() {
  using enum TextId;
  return {Text(MOVE_NUMBER_WORD),
          {Text(PIECE_HU), Text(PIECE_TO), Text(PIECE_GIN), Text(PIECE_GINNARI), Text(PIECE_KIN),
           Text(PIECE_SYA), Text(PIECE_SYANARI), Text(PIECE_OU)}};
}

void Form1::RedrawAll() { korvel::RedrawAll(canvas_, game_.State(), currentBackground_); }

Form1::Look Form1::Looks() const {
  return {pieceSelected_, guidanceOn_, guidanceColour_, currentBackground_,
          iconShown_,     iconKind_,   iconLeft_,       iconTop_};
}

Form1::Sounds Form1::SoundHandles() const {
  return {soundContext_, sndOther_, sndForbidden_, sndPlace_, sndEnd_, sndBgm_};
}

void Form1::SetBoard(const PieceCode board[10][10]) {
  game_.Fix().SetBoard(board);
  RedrawAll();
}

void Form1::SetHand(int seat, const int counts[4]) {
  game_.Fix().SetHand(seat, counts);
  DrawHand(canvas_, game_.State(), currentBackground_, seat);
}

void Form1::SetSeatToMove(int seat) { game_.Fix().SetSeatToMove(seat); }

bool Form1::PlayComputerTurnForSeatToMove() {
  const int seat = game_.State().CurrentSeat;
  if (ended_ || game_.Finished() || seat < 1 || seat > 4) return false;
  com_ban(seat);
  return true;
}

void Form1::ShowTurnIcon(int seat) {
  if (!options_.AICON) {
    icons_.SetVisible(TurnIcon::MAN, false);
    icons_.SetVisible(TurnIcon::COM, false);
    iconShown_ = false;
    return;
  }
  const SeatController* who = game_.Controller(seat);
  if (!who) return;
  const TurnIcon shown = who->MovesByItself() ? TurnIcon::COM : TurnIcon::MAN;
  const TurnIcon hidden = shown == TurnIcon::COM ? TurnIcon::MAN : TurnIcon::COM;
  const IconPlace place = TurnIconPlace(seat);
  icons_.Move(shown, place.left, place.top);
  icons_.SetVisible(hidden, false);
  icons_.SetVisible(shown, true);
  iconShown_ = true;
  iconKind_ = shown;
  iconLeft_ = place.left;
  iconTop_ = place.top;
}

void Form1::ShowWrongTurn(int seat) { dialogs_.Message(Text(TextId::WRONG_TURN), SeatPrompt(seat)); }

void Form1::ShowCheck(int seat) { dialogs_.Message(Text(TextId::CHECK), SeatPrompt(seat)); }

void Form1::RefuseNotStarted(bool withSound) {
  if (withSound) PlayForbidden();
  dialogs_.Message(Text(TextId::TITLE_START), Text(TextId::START_FROM_MENU));
}

void Form1::RefreshStatusCorner() {
  EraseStatusCorner(canvas_, currentBackground_);
  if (game_.State().GameMode == 1) ShowLevel(canvas_, game_.State().Level);
  ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
}

void Form1::AnnounceWinner(const std::string& teamName) { EndOfGame(Fill(TextId::WINS, {teamName})); }

// The end of a game: the gong, what happened, and another game or the end of the program.
void Form1::EndOfGame(const std::string& result) {
  SyncClock();  // the clocks stand still from the end on
  sound_.dsPlay(sndEnd_, "終局.wav");
  // No seat is to move any more: no turn icon stays beside the box.
  HideTurnIcons();
  dialogs_.Message(Text(TextId::TITLE_END), result);
  switch (dialogs_.QuestionOr(Text(TextId::TITLE_AGAIN), Text(TextId::CONTINUE),
                              Text(TextId::REVIEW_GAME))) {
    case Answer::YES:
      NewGame();
      PlayPlace();
      game_.Fix().SetStarted(false);
      return;
    case Answer::NO:
      EndProgram();
      return;
    case Answer::THIRD:
      StartReview();
      return;
  }
}

void Form1::HideTurnIcons() {
  icons_.SetVisible(TurnIcon::COM, false);
  icons_.SetVisible(TurnIcon::MAN, false);
  iconShown_ = false;
}

void Form1::StartReview() {
  reviewing_ = true;
  pieceSelected_ = 0;
  KeepFinishedGame();
}

void Form1::LeaveReview() {
  if (!reviewing_) return;
  NewGame();
  game_.Fix().SetStarted(false);
}

// A game that ended before (a record opened finished, a king taken by the runner's
// computer turn): its end, announced as when it happened, and the question after it.
void Form1::AnnounceEndOfGame() {
  const Game::Ending e = game_.EndingOfGame();
  if (e.timeLoser != NO_SEAT && e.winner != NO_SEAT) AnnounceTimeUp();
  else if (e.winner != NO_SEAT) AnnounceWinner(TeamName(e.winner));
  else EndOfGame(e.kingTaken ? Text(TextId::KING_TAKEN_END) : Text(TextId::REPETITION_END));
}

// After computer turns: a king taken by a computer is announced for the taker's team.
void Form1::AnnounceWinnerOfGame() {
  if (!game_.State().GameOver || ended_ || reviewing_) return;
  const int w = game_.State().WinnerSeat;
  if (w == SITA || w == UE) AnnounceWinner(Text(TextId::TEAM_FIRST));
  else if (w == HIDARI || w == MIGI) AnnounceWinner(Text(TextId::TEAM_SECOND));
}

void Form1::EndProgram() {
  KeepUnfinishedGame();
  ReleaseAll();
  ended_ = true;
  host_.EndProgram();
}

void Form1::ReportRecorded() {
  if (game_.HistoryCount() == 1) gameStarted_ = LocalTimeText();
  host_.MoveRecorded(game_.LastRecord());
}

// The cells a played move changed: the origin emptied, the hands that changed, the piece
// on its destination.
void Form1::DrawMovePlayed(const Move& m, const MoveOutcome& o) {
  const GameState& s = game_.State();
  if (!o.captured.IsEmpty())
    for (int seat : {SITA, UE, MIGI, HIDARI}) DrawHand(canvas_, s, currentBackground_, seat);
  DrawCell(canvas_, EMPTY, m.fromX, m.fromY);
  if (o.handTakenFrom != NO_SEAT) DrawHand(canvas_, s, currentBackground_, o.handTakenFrom);
  DrawCell(canvas_, m.placed, m.toX, m.toY);
  FrameCell(canvas_, COLOUR_GREEN, m.toX, m.toY);
}

// The hand-off as the players see it: the check notice names the seat now to move.
void Form1::ShowHandOff(const MoveOutcome& o) {
  if (o.checked != NO_SEAT) ShowCheck(o.checked);
}

bool Form1::Unpick(double x, double y) {
  if (ended_ || PresentsNetworkGame() || !game_.State().GameStarted || game_.ResumePending() ||
      pieceSelected_ != 1)
    return false;
  // The cell as the press handler finds it.
  const std::optional<Square> cell = CellUnderSinglePress(x, y);
  if (!cell || cell->x != fromX_ || cell->y != fromY_) return false;
  pieceSelected_ = 0;
  ClearGuidance();
  FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
  canvas_.Flush();
  return true;
}

}  // namespace korvel
