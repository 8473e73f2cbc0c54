// Game records in the window: opening and saving them, the game kept when the program
// ends unfinished, 待った, and the options of the move list and the last-move mark.
#include <ctime>

#include "play/form1.h"
#include "play/game_record.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

constexpr const char* RECORD_TITLE = "棋譜";

std::string ReadFailure(FileRead::Status status) {
  switch (status) {
    case FileRead::Status::OK:
      return "";
    case FileRead::Status::MISSING:
      return "ファイルがありません";
    case FileRead::Status::NOT_A_FILE:
      return "通常のファイルではありません";
    case FileRead::Status::UNREADABLE:
      return "ファイルを読めません";
    case FileRead::Status::TOO_LARGE:
      return "ファイルが大きすぎます（1 MB まで）";
  }
  return "ファイルを読めません";
}

bool Finished(const Game& g) {
  const int n = g.HistoryCount();
  return g.State().GameOver ||
         (n > 0 && n == g.HistoryTop() && IsKingCode(g.History()[n].captured));
}

}  // namespace

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return "";
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) return "";
  return text;
}

bool Form1::UseRecord(const std::string& bytes) {
  RecordReading reading = ReadRecord(bytes);
  if (!reading.record) {
    PlayForbidden();
    dialogs_.Message(RECORD_TITLE, reading.error.Text());
    return false;
  }
  pieceSelected_ = 0;
  game_ = std::move(reading.record->game);
  gameStarted_ = reading.record->started;
  const int level = game_.State().Level;
  options_.MarkLevel(level);
  RedrawAll();
  ShowMoveNumber(canvas_, game_.MoveNumber());
  ShowTurnIcon(game_.State().CurrentSeat);
  canvas_.Flush();
  return true;
}

bool Form1::OpenRecord(const std::string& path) {
  if (ended_) return false;
  const FileRead r = files_.ReadPath(path, RECORD_SIZE_LIMIT);
  if (r.status != FileRead::Status::OK) {
    PlayForbidden();
    dialogs_.Message(RECORD_TITLE, ReadFailure(r.status));
    return false;
  }
  return UseRecord(r.bytes);
}

bool Form1::SaveRecord(const std::string& path) {
  if (ended_) return false;
  if (!game_.State().GameStarted || game_.State().GameMode == NO_SEAT) {
    PlayForbidden();
    dialogs_.Message(RECORD_TITLE, "対局が始まっていません");
    return false;
  }
  std::string error;
  if (!files_.WritePathAtomically(path, WriteRecord(game_, gameStarted_), &error)) {
    PlayForbidden();
    dialogs_.Message(RECORD_TITLE, "保存できません: " + error);
    return false;
  }
  return true;
}

bool Form1::HasUnfinishedGame() {
  const FileRead r = files_.Read(FileArea::USER_DATA, UNFINISHED_GAME_FILE, RECORD_SIZE_LIMIT);
  return r.status == FileRead::Status::OK && !r.bytes.empty();
}

void Form1::ZENKAI_Click() {
  if (ended_) return;
  const FileRead r = files_.Read(FileArea::USER_DATA, UNFINISHED_GAME_FILE, RECORD_SIZE_LIMIT);
  if (r.status == FileRead::Status::OK && r.bytes.empty()) {
    dialogs_.Message(RECORD_TITLE, "前回の続きはありません");
    return;
  }
  if (r.status != FileRead::Status::OK) {
    dialogs_.Message(RECORD_TITLE, r.status == FileRead::Status::MISSING
                                       ? std::string("前回の続きはありません")
                                       : ReadFailure(r.status));
    return;
  }
  UseRecord(r.bytes);
}

// At the end of the program: a started game that is not over is kept for 前回の続き; a
// game played to its end drops the one kept before. Quietly, whatever happens.
void Form1::KeepUnfinishedGame() {
  const GameState& s = game_.State();
  if (!s.GameStarted || s.GameMode == NO_SEAT) return;
  const std::string path = files_.PathOf(FileArea::USER_DATA, UNFINISHED_GAME_FILE);
  std::string error;
  if (Finished(game_)) {
    if (HasUnfinishedGame()) files_.WritePathAtomically(path, "", &error);
    return;
  }
  if (game_.HistoryTop() == 0 && game_.Passes().empty()) return;
  files_.WritePathAtomically(path, WriteRecord(game_, gameStarted_), &error);
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
  int k = game_.HistoryCount();
  while (k >= 1 && !game_.IsPersonSeat(game_.History()[k].mover)) --k;
  if (k < 1) {
    PlayForbidden();
    dialogs_.Message("待った", "できません");
    return;
  }
  pieceSelected_ = 0;
  while (game_.HistoryCount() >= k) game_.StepBack();
  game_.SetResumePending(false);
  RedrawAll();
  ShowMoveNumber(canvas_, game_.MoveNumber());
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
