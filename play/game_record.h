// Game records (棋譜): a game written as UTF-8 text and read back by replaying every move
// through the game's own rules. Text in, text out: the files are read and written by the
// caller (docs/record-format.md describes the format).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/move.h"
#include "play/game.h"

namespace korvel {

inline constexpr const char* RECORD_FIRST_LINE = "Korvel4人将棋 棋譜 1";
inline constexpr const char* RECORD_EXTENSION = "k4k";
// The game left unfinished when the program ended, in the user's data area.
inline constexpr const char* UNFINISHED_GAME_FILE = "korvel4-unfinished.k4k";
inline constexpr std::size_t RECORD_SIZE_LIMIT = 1024 * 1024;

// A move as the record writes it: destination, the piece (as the window names it), 成 for
// a promotion, 打 for a drop, and the origin in brackets for a board move: "５三銀成(54)".
std::string MoveNotation(const Move& m);
// A seat's name in the record: 下 左 上 右.
std::string SeatName(int seat);

// What a record carries beside the game itself, for a network game's record: the players'
// names, who plays each seat now, and the authority's end by repetition.
struct RecordNotes {
  // Lines written right after the first line, as they stand (comments: "# ...").
  std::vector<std::string> comments;
  // Who plays each seat now (index 1..4: a person), named in the header instead of the
  // game's own players: 人 or COM, and COM対局 when any seat is a computer's.
  std::optional<std::array<bool, 5>> people;
  // The game ended by repetition where it stands, with this winner (NO_SEAT: a draw),
  // unless it has ended already (a king taken, the model's own end).
  std::optional<int> repetitionWinner;
  // That end was the network game's move limit: written as 手数 (a draw) instead of 千日手.
  bool byLength = false;
  // That end was this seat's time running out: written as 時間切れ.
  int timeLoser = NO_SEAT;
};

// The game as a record, from its start position through every turn of its list (the moves
// taken back included); `started` is the date and time the game began ("" for none).
std::string WriteRecord(const Game& game, const std::string& started,
                        const RecordNotes& notes = {});

struct RecordError {
  int line = 0;  // 1 for the first line; 0 for the file as a whole
  std::string reason;
  // A move line the game's door refused: its reason (NONE for any other error). The text
  // names every refused move alike.
  Refusal refusal = Refusal::NONE;
  // "3行目: reason", or the reason alone for the file as a whole.
  std::string Text() const;
};

struct LoadedRecord {
  Game game;
  std::string started;
};

// Reads a record and replays it on a game of its own. Either the game as the record
// leaves it (history complete, the player kinds and the level recorded, play resuming as
// after a step forward) or the first line that could not be used.
struct RecordReading {
  std::optional<LoadedRecord> record;
  RecordError error;
};
RecordReading ReadRecord(std::string_view text);

// The local date and time, "2026-01-31 09:05:00", for a record's start.
std::string LocalTimeText();

// Whether the bytes are well-formed UTF-8 text (no NUL, no overlong or surrogate forms).
bool IsUtf8Text(std::string_view bytes);

}  // namespace korvel
