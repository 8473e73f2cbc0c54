#include "play/record_keeper.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <string_view>

#include "play/texts.h"

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

// The local date and time as `format`, or "" when the clock cannot say.
std::string LocalTime(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return "";
  char text[32];
  if (std::strftime(text, sizeof text, format, &local) == 0) return "";
  return text;
}

// The unfinished games this program keeps: its usual file, and those kept beside it under
// names of their own when another copy of the program had its game in the usual one.
constexpr const char* KEPT_PREFIX = "korvel4-unfinished";

// A name of the program's own making: PREFIX-digits-and-dashes.k4k.
bool IsStampedName(const std::string& name, const char* prefix) {
  const std::string head = std::string(prefix) + "-",
                    tail = std::string(".") + RECORD_EXTENSION;
  if (name.size() <= head.size() + tail.size() || !name.starts_with(head) || !name.ends_with(tail))
    return false;
  for (size_t i = head.size(); i < name.size() - tail.size(); ++i)
    if ((name[i] < '0' || name[i] > '9') && name[i] != '-') return false;
  return true;
}

bool IsKeptGameName(const std::string& name) {
  return name == UNFINISHED_GAME_FILE || IsStampedName(name, KEPT_PREFIX);
}

// The finished games the player looked back at: "korvel4-finished-20260131-090500.k4k".
constexpr const char* FINISHED_PREFIX = "korvel4-finished";

bool IsFinishedGameName(const std::string& name) {
  return IsStampedName(name, FINISHED_PREFIX);
}

// What went wrong with a file, the file named first so that the player knows which one.
std::string NamingFile(const std::string& path, const std::string& what) {
  return Fill(TextId::FILE_NAMED, {path, what});
}

// A file that could not be read. A missing file keeps its message as it was: the player
// named it a moment ago.
std::string ReadFailureAt(const std::string& path, FileRead::Status status) {
  const std::string why = ReadFailure(status);
  return status == FileRead::Status::MISSING ? why : NamingFile(path, why);
}

// "korvel4-unfinished-20260131-090500.k4k", "-2" before the extension for the second try.
std::string FreshKeptName(int attempt, const char* prefix = KEPT_PREFIX) {
  const std::string stamp = LocalTime("%Y%m%d-%H%M%S");
  std::string name(prefix);
  name += '-';
  name += stamp.empty() ? std::string_view("0") : std::string_view(stamp);
  if (attempt > 1) name += '-' + std::to_string(attempt);
  name += '.';
  name += RECORD_EXTENSION;
  return name;
}

bool SameRead(const FileRead& a, const FileRead& b) {
  return a.status == b.status && a.bytes == b.bytes;
}

bool HoldsGame(const FileRead& r) {
  return r.status == FileRead::Status::OK && !r.bytes.empty();
}

}  // namespace

std::string LocalTimeText() {
  return LocalTime("%Y-%m-%d %H:%M:%S");
}

RecordKeeper::Opened RecordKeeper::Use(const std::string& bytes) {
  RecordReading reading = ReadRecord(bytes);
  if (!reading.record) return {std::nullopt, reading.error.Text()};
  return {std::move(reading.record), ""};
}

RecordKeeper::Opened RecordKeeper::Use(const std::string& bytes, const std::string& path) {
  Opened opened = Use(bytes);
  if (!opened.record) opened.error = NamingFile(path, opened.error);
  return opened;
}

RecordKeeper::Opened RecordKeeper::Open(const std::string& path) {
  const FileRead r = files_.ReadPath(path, RECORD_SIZE_LIMIT);
  if (r.status != FileRead::Status::OK) return {std::nullopt, ReadFailureAt(path, r.status)};
  return Use(r.bytes, path);
}

std::string RecordKeeper::Save(const std::string& path, const Game& game,
                               const std::string& started) {
  if (!game.State().GameStarted || game.State().GameMode == NO_SEAT)
    return Text(TextId::NO_GAME_STARTED);
  std::string error;
  if (!SaveText(path, WriteRecord(game, started), &error)) return Fill(TextId::CANNOT_SAVE, {error});
  return "";
}

bool RecordKeeper::SaveText(const std::string& path, const std::string& text, std::string* error) {
  return files_.WritePathAtomically(path, text, error);
}

// The kept games, newest first; the usual file last when the store lists none of it.
std::vector<std::string> RecordKeeper::KeptGames() {
  std::vector<std::string> names;
  for (std::string& name : files_.List(FileArea::USER_DATA, KEPT_PREFIX, RECORD_EXTENSION))
    if (IsKeptGameName(name)) names.push_back(std::move(name));
  if (std::find(names.begin(), names.end(), UNFINISHED_GAME_FILE) == names.end())
    names.push_back(UNFINISHED_GAME_FILE);
  return names;
}

bool RecordKeeper::HasUnfinished() {
  const std::vector<std::string> names = KeptGames();
  return names.size() > 1 ||
         HoldsGame(files_.Read(FileArea::USER_DATA, names[0], RECORD_SIZE_LIMIT));
}

void RecordKeeper::NoteKept() {
  keptName_ = UNFINISHED_GAME_FILE;
  keptSeen_ = files_.Read(FileArea::USER_DATA, keptName_, RECORD_SIZE_LIMIT);
}

RecordKeeper::Opened RecordKeeper::OpenKept() {
  std::string name;
  FileRead r;
  for (const std::string& n : KeptGames()) {
    name = n;
    r = files_.Read(FileArea::USER_DATA, n, RECORD_SIZE_LIMIT);
    if (r.status != FileRead::Status::MISSING &&
        !(r.status == FileRead::Status::OK && r.bytes.empty()))
      break;
  }
  if (r.status != FileRead::Status::OK || r.bytes.empty())
    return {std::nullopt, r.status == FileRead::Status::OK || r.status == FileRead::Status::MISSING
                              ? std::string(Text(TextId::NO_LAST_GAME))
                              : ReadFailureAt(files_.PathOf(FileArea::USER_DATA, name), r.status)};
  Opened opened = Use(r.bytes, files_.PathOf(FileArea::USER_DATA, name));
  if (opened.record) {
    keptName_ = name;
    keptSeen_ = r;
  }
  return opened;
}

void RecordKeeper::KeepFinished(const Game& game, const std::string& started, int keep) {
  const GameState& s = game.State();
  if (!s.GameStarted || s.GameMode == NO_SEAT) return;
  const std::string text = WriteRecord(game, started);
  files_.Exclusively(FileArea::USER_DATA, [&] {
    for (int attempt = 1; attempt <= 100; ++attempt) {
      bool taken = false;
      if (files_.WriteNew(FileArea::USER_DATA, FreshKeptName(attempt, FINISHED_PREFIX), text,
                          &taken))
        break;
      if (!taken) return;
    }
    std::vector<std::string> names;
    for (std::string& name : files_.List(FileArea::USER_DATA, FINISHED_PREFIX, RECORD_EXTENSION))
      if (IsFinishedGameName(name)) names.push_back(std::move(name));
    for (size_t i = static_cast<size_t>(std::max(keep, 0)); i < names.size(); ++i)
      files_.Remove(FileArea::USER_DATA, names[i]);
  });
}

void RecordKeeper::KeepUnfinished(const Game& game, const std::string& started, bool reviewing) {
  const GameState& s = game.State();
  if (!s.GameStarted || s.GameMode == NO_SEAT) return;
  // A game looked back at has ended, wherever the player stepped to.
  const bool finished = game.Finished() || reviewing;
  if (!finished && game.Turns().empty()) return;
  const std::string text = finished ? std::string() : WriteRecord(game, started);
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

bool RecordKeeper::TakeBack(Game& game) {
  // The moves back from where the game stands, up to the last of a person's.
  int k = game.HistoryCount();
  for (int i = game.TurnsPlayed() - 1; i >= 0 && k >= 1; --i) {
    const Game::Turn& t = game.Turns()[i];
    if (t.pass) continue;
    if (game.IsPersonSeat(t.move.mover)) break;
    --k;
  }
  if (k < 1) return false;
  while (game.HistoryCount() >= k) game.StepBack();
  return true;
}

std::string RecordKeeper::SaveNew(const std::function<std::string(const std::string& name)>& pathOf,
                                  const std::string& suffix, const std::string& text,
                                  std::string* error) {
  // One count for the whole program, so two saves in the same second never meet.
  static std::atomic<int> count{0};
  const std::string stamp = LocalTime("%Y%m%d-%H%M%S");
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name =
        "korvel4-net-" + stamp + "-" + std::to_string(++count) + suffix + "." + RECORD_EXTENSION;
    const std::string path = pathOf(name);
    bool taken = false;
    if (files_.WriteNewPath(path, text, &taken, error)) return path;
    if (!taken) return "";
  }
  return "";
}

}  // namespace korvel
