// Game records in the window: opening and saving them, the game kept when the program
// ends unfinished, 待った (all through the records object, play/record_keeper.h), and the
// options of the move list and the last-move mark.
#include "play/form1.h"
#include "play/game_record.h"
#include "view/board_drawing.h"

namespace korvel {

bool Form1::UseRecord(RecordKeeper::Opened opened) {
  if (!opened.record) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_RECORD), opened.error);
    return false;
  }
  reviewing_ = false;
  pieceSelected_ = 0;
  game_ = std::move(opened.record->game);
  clocks_.reset();  // a record keeps no clock: it goes on without one
  gameStarted_ = opened.record->started;
  const int level = game_.State().Level;
  options_.MarkLevel(level);
  RedrawAll();
  // Each army's last move played so far, as it was shown when it was played.
  const int played = game_.TurnsPlayed();
  int last[5] = {-1, -1, -1, -1, -1};
  for (int i = 0; i < played; ++i) {
    const Game::Turn& t = game_.Turns()[i];
    const int seat = t.pass ? NO_SEAT : SeatByRange(t.move.placed);
    if (seat >= 1 && seat <= 4) last[seat] = i;
  }
  for (int i = 0; i < played; ++i) {
    const Game::Turn& t = game_.Turns()[i];
    if (t.pass) continue;
    const MoveRecord& r = t.move;
    const int seat = SeatByRange(r.placed);
    if (seat < 1 || seat > 4 || last[seat] != i) continue;
    const Square anchor = MoveTextAnchor(r.placed);
    ShowMoveText(canvas_, currentBackground_, anchor.x, anchor.y, r.toX, r.toY, r.placed,
                 COLOUR_WHITE);
  }
  ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
  ShowTurnIcon(game_.State().CurrentSeat);
  canvas_.Flush();
  return true;
}

bool Form1::OpenRecord(const std::string& path) {
  if (ended_) return false;
  return UseRecord(records_.Open(path));
}

bool Form1::SaveRecord(const std::string& path) {
  if (ended_) return false;
  const std::string refusal = records_.Save(path, game_, gameStarted_);
  if (!refusal.empty()) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_RECORD), refusal);
    return false;
  }
  return true;
}

bool Form1::HasUnfinishedGame() {
  return records_.HasUnfinished();
}

void Form1::NoteKeptGame() {
  records_.NoteKept();
}

// 前回の続き: the newest kept game.
void Form1::ZENKAI_Click() {
  if (ended_) return;
  UseRecord(records_.OpenKept());
}

void Form1::KeepUnfinishedGame() {
  records_.KeepUnfinished(game_, gameStarted_, reviewing_);
}

// The finished game is kept beside the unfinished ones under a new name of its own, so
// that it can be opened later; the oldest go beyond KEPT_FINISHED_GAMES. Quietly: looking
// back works the same when the folder cannot be written.
void Form1::KeepFinishedGame() {
  records_.KeepFinished(game_, gameStarted_, KEPT_FINISHED_GAMES);
}

void Form1::MATTA_Click() {
  if (ended_) return;
  if (!game_.State().GameStarted) {
    RefuseNotStarted(true);
    return;
  }
  if (game_.State().GameMode != 1) {
    REPLAY_Click();
    return;
  }
  // Back to before the last move of a person, the computers' replies with it.
  if (!RecordKeeper::TakeBack(game_)) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_MATTA), Text(TextId::CANNOT));
    return;
  }
  pieceSelected_ = 0;
  game_.Resume();
  SyncClock();
  RedrawAll();
  ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
  ShowTurnIcon(game_.State().CurrentSeat);
  PlayPlace();
}

void Form1::StepHistoryTo(int count) {
  if (ended_ || !game_.State().GameStarted) return;
  if (count < 0) count = 0;
  if (count > game_.HistoryTop()) count = game_.HistoryTop();
  while (!ended_ && game_.HistoryCount() > count) REPLAY_Click();
  while (!ended_ && game_.HistoryCount() < count) AFTER_Click();
}

void Form1::SAISYUTE_Click() {
  if (ended_) return;
  options_.SAISYUTE = !options_.SAISYUTE;
  SaveOptionsFile();
}

void Form1::KIFU_WINDOW_Click() {
  if (ended_) return;
  options_.KIFU_WINDOW = !options_.KIFU_WINDOW;
  SaveOptionsFile();
}

}  // namespace korvel
