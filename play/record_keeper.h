// The records the program reads and keeps, over the files port: a record the player opens
// or saves, the game left unfinished when the program ends (kept for 前回の続き, one file per
// copy of the program when two run at once), 待った, and the records of network games under
// names of the program's own. The texts it answers are the ones the player is shown.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "play/files.h"
#include "play/game.h"
#include "play/game_record.h"

namespace korvel {

class RecordKeeper {
 public:
  explicit RecordKeeper(Files& files) : files_(files) {}

  // A record read and replayed: the game, or why it cannot be used (a file that cannot be
  // read, or the first line of the record that cannot be used).
  struct Opened {
    std::optional<LoadedRecord> record;
    std::string error;
  };
  Opened Open(const std::string& path);
  static Opened Use(const std::string& bytes);
  // The same for the record read from `path`: what went wrong names the file.
  static Opened Use(const std::string& bytes, const std::string& path);
  // Writes the game as a record at `path`, atomically: "" when written, else what to tell
  // the player (a game not begun, a file that could not be written).
  std::string Save(const std::string& path, const Game& game, const std::string& started);
  // Writes a record's text at `path`, atomically; false with `error` set when it fails.
  bool SaveText(const std::string& path, const std::string& text, std::string* error);

  // --- the unfinished game ------------------------------------------------------------
  // At the start: the usual file is this copy's to replace or clear at its end, as long as
  // no other copy puts its game there meanwhile.
  void NoteKept();
  // Whether a game left unfinished is kept (by this copy of the program or another).
  bool HasUnfinished();
  // 前回の続き: the newest kept game. Opened, its file is this copy's from then on.
  Opened OpenKept();
  // At the end of the program: a started game that is not over is kept; a game played to
  // its end drops the one this copy kept. Another copy's game is never replaced or
  // dropped. Quietly, whatever happens.
  // `reviewing`: the player is looking back at the game, which has ended wherever they
  // stepped to.
  void KeepUnfinished(const Game& game, const std::string& started, bool reviewing = false);
  // A finished game the player looked back at, written under a new name of its own
  // (korvel4-finished-YYYYMMDD-HHMMSS.k4k) in the user's data area; only the newest `keep`
  // such files stay. Quietly, whatever happens.
  void KeepFinished(const Game& game, const std::string& started, int keep);

  // 待った: back to before the last move of a person, the computers' replies with it.
  // False, and the game as it was, when no person's move is there to take back.
  static bool TakeBack(Game& game);

  // A network game's record as a new file `korvel4-net-YYYYMMDD-HHMMSS-N{suffix}.k4k`,
  // where `pathOf` says for a name, never over anything already there; the whole file
  // appears at once. The path it was written to, or empty with the reason in `error`.
  std::string SaveNew(const std::function<std::string(const std::string& name)>& pathOf,
                      const std::string& suffix, const std::string& text, std::string* error);

 private:
  std::vector<std::string> KeptGames();

  Files& files_;
  // The file in the user's data area this copy keeps its unfinished game in, and what
  // this copy last saw there (at its start, at 前回の続き, or as it wrote it).
  std::string keptName_ = UNFINISHED_GAME_FILE;
  FileRead keptSeen_;
};

}  // namespace korvel
