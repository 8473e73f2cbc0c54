// Game records in the window: opening and saving them, the game kept when the program
// ends unfinished, 待った, and the options of the move list and the last-move mark.
#include <algorithm>
#include <ctime>

#include "play/form1.h"
#include "play/game_record.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

std::string ReadFailure(FileRead::Status status) {
  switch (status) {
    case FileRead::Status::OK:
      return "";
    case FileRead::Status::MISSING:
      return Text(TextId::FILE_MISSING);
    case FileRead::Status::NOT_A_FILE:
      return Text(TextId::FILE_NOT_REGULAR);
    case FileRead::Status::UNREADABLE:
      return Text(TextId::FILE_UNREADABLE);
    case FileRead::Status::TOO_LARGE:
      return Text(TextId::FILE_TOO_LARGE);
  }
  return Text(TextId::FILE_UNREADABLE);
}

// The unfinished games this program keeps: its usual file, and those kept beside it under
// names of their own when another copy of the program had its game in the usual one.
constexpr const char* KEPT_PREFIX = "korvel4-unfinished";

bool IsKeptGameName(const std::string& name) {
  if (name == UNFINISHED_GAME_FILE) return true;
  const std::string head = std::string(KEPT_PREFIX) + "-",
                    tail = std::string(".") + RECORD_EXTENSION;
  if (name.size() <= head.size() + tail.size() || !name.starts_with(head) || !name.ends_with(tail))
    return false;
  for (size_t i = head.size(); i < name.size() - tail.size(); ++i)
    if ((name[i] < '0' || name[i] > '9') && name[i] != '-') return false;
  return true;
}

// "korvel4-unfinished-20260131-090500.k4k", "-2" before the extension for the second try.
std::string FreshKeptName(int attempt) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char stamp[32] = "0";
  if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return std::string(KEPT_PREFIX) + "-" + stamp +
         (attempt > 1 ? std::string("-").append(std::to_string(attempt)) : std::string()) + "." + RECORD_EXTENSION;
}

bool SameRead(const FileRead& a, const FileRead& b) {
  return a.status == b.status && a.bytes == b.bytes;
}

bool HoldsGame(const FileRead& r) {
  return r.status == FileRead::Status::OK && !r.bytes.empty();
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
    dialogs_.Message(Text(TextId::TITLE_RECORD), reading.error.Text());
    return false;
  }
  pieceSelected_ = 0;
  game_ = std::move(reading.record->game);
  gameStarted_ = reading.record->started;
  const int level = game_.State().Level;
  options_.MarkLevel(level);
  RedrawAll();
  ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
  ShowTurnIcon(game_.State().CurrentSeat);
  canvas_.Flush();
  return true;
}

bool Form1::OpenRecord(const std::string& path) {
  if (ended_) return false;
  const FileRead r = files_.ReadPath(path, RECORD_SIZE_LIMIT);
  if (r.status != FileRead::Status::OK) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_RECORD), ReadFailure(r.status));
    return false;
  }
  return UseRecord(r.bytes);
}

bool Form1::SaveRecord(const std::string& path) {
  if (ended_) return false;
  if (!game_.State().GameStarted || game_.State().GameMode == NO_SEAT) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_RECORD), Text(TextId::NO_GAME_STARTED));
    return false;
  }
  std::string error;
  if (!files_.WritePathAtomically(path, WriteRecord(game_, gameStarted_), &error)) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_RECORD), Fill(TextId::CANNOT_SAVE, {error}));
    return false;
  }
  return true;
}

// The kept games, newest first; the usual file last when the store lists none of it.
std::vector<std::string> Form1::KeptGames() {
  std::vector<std::string> names;
  for (std::string& name : files_.List(FileArea::USER_DATA, KEPT_PREFIX, RECORD_EXTENSION))
    if (IsKeptGameName(name)) names.push_back(std::move(name));
  if (std::find(names.begin(), names.end(), UNFINISHED_GAME_FILE) == names.end())
    names.push_back(UNFINISHED_GAME_FILE);
  return names;
}

bool Form1::HasUnfinishedGame() {
  const std::vector<std::string> names = KeptGames();
  return names.size() > 1 ||
         HoldsGame(files_.Read(FileArea::USER_DATA, names[0], RECORD_SIZE_LIMIT));
}

// At the start: the usual file is this copy's to replace or clear at its end, as long as
// no other copy has put its game there meanwhile.
void Form1::NoteKeptGame() {
  keptName_ = UNFINISHED_GAME_FILE;
  keptSeen_ = files_.Read(FileArea::USER_DATA, keptName_, RECORD_SIZE_LIMIT);
}

// 前回の続き: the newest kept game. Opened, its file is this copy's from then on.
void Form1::ZENKAI_Click() {
  if (ended_) return;
  std::string name;
  FileRead r;
  for (const std::string& n : KeptGames()) {
    name = n;
    r = files_.Read(FileArea::USER_DATA, n, RECORD_SIZE_LIMIT);
    if (r.status != FileRead::Status::MISSING &&
        !(r.status == FileRead::Status::OK && r.bytes.empty()))
      break;
  }
  if (r.status != FileRead::Status::OK || r.bytes.empty()) {
    PlayForbidden();
    dialogs_.Message(Text(TextId::TITLE_RECORD),
                     r.status == FileRead::Status::OK || r.status == FileRead::Status::MISSING
                         ? std::string(Text(TextId::NO_LAST_GAME))
                         : ReadFailure(r.status));
    return;
  }
  if (!UseRecord(r.bytes)) return;
  keptName_ = name;
  keptSeen_ = r;
}

// At the end of the program: a started game that is not over is kept for 前回の続き; a
// game played to its end drops the one this copy kept. Another copy's game is never
// replaced or dropped: this copy's then goes under a name of its own. Quietly, whatever
// happens.
void Form1::KeepUnfinishedGame() {
  const GameState& s = game_.State();
  if (!s.GameStarted || s.GameMode == NO_SEAT) return;
  const bool finished = game_.Finished();
  if (!finished && game_.HistoryTop() == 0 && game_.Passes().empty()) return;
  const std::string text = finished ? std::string() : WriteRecord(game_, gameStarted_);
  files_.Exclusively(FileArea::USER_DATA, [&] {
    const FileRead now = files_.Read(FileArea::USER_DATA, keptName_, RECORD_SIZE_LIMIT);
    const bool ours = SameRead(now, keptSeen_);
    std::string error;
    if (finished) {
      if (!ours || !HoldsGame(now)) return;
      // The usual file is emptied, as it always was; one of this copy's own names goes.
      if (keptName_ == UNFINISHED_GAME_FILE)
        files_.WritePathAtomically(files_.PathOf(FileArea::USER_DATA, keptName_), "", &error);
      else
        files_.Remove(FileArea::USER_DATA, keptName_);
      return;
    }
    const bool free = now.status == FileRead::Status::MISSING ||
                      (now.status == FileRead::Status::OK && now.bytes.empty());
    if ((ours || free) &&
        files_.WritePathAtomically(files_.PathOf(FileArea::USER_DATA, keptName_), text, &error)) {
      keptSeen_ = {FileRead::Status::OK, text};
      return;
    }
    for (int attempt = 1; attempt <= 100; ++attempt) {
      const std::string name = FreshKeptName(attempt);
      bool taken = false;
      if (files_.WriteNew(FileArea::USER_DATA, name, text, &taken)) {
        keptName_ = name;
        keptSeen_ = {FileRead::Status::OK, text};
        return;
      }
      if (!taken) return;
    }
  });
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
    dialogs_.Message(Text(TextId::TITLE_MATTA), Text(TextId::CANNOT));
    return;
  }
  pieceSelected_ = 0;
  while (game_.HistoryCount() >= k) game_.StepBack();
  game_.Resume();
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
