// Every word the program shows a person, as one table per language: the boxes' titles and
// sentences, the status and captions, the words for a refused move, the record reader's
// and the files' errors, the menu's captions, the network room's notices. The layers below
// (game/, net/) answer codes; whoever shows one looks its words up here.
//
// A language is one file holding one switch over every TextId (texts_ja.cpp, texts_en.cpp);
// the compiler names any id a language leaves out, and TextIn (texts.cpp) picks the file. The network protocol's version 1 speaks Japanese whatever
// the window's language: its peers compare those texts, so the room reads them with
// TextIn(Language::JAPANESE, ...).
//
// A text with parts filled in (a name, a number) is a format: {1}, {2}... stand for the
// parts, in any order the language needs.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "game/move.h"

namespace korvel {

enum class Language { JAPANESE, ENGLISH };

enum class TextId {
  NONE,  // the empty text: a key in no menu has no caption

  // Seats and teams.
  TEAM_FIRST,     // SITA and UE
  TEAM_SECOND,    // HIDARI and MIGI
  PROMPT_SITA,    // the prompt that announces a seat
  PROMPT_HIDARI,
  PROMPT_UE,
  PROMPT_MIGI,

  // Box titles and the words of a game's course.
  TITLE_START,
  TITLE_END,
  TITLE_AGAIN,
  TITLE_RESUME,
  TITLE_BACK,
  TITLE_FORWARD,
  TITLE_MATTA,
  TITLE_RECORD,
  TITLE_TURN,
  TITLE_FORBIDDEN,
  TITLE_PROMOTE,
  TITLE_MATE,  // also the network's notice of a mate
  TITLE_HANDOVER,
  CHECK,       // a box's title, and the network notice's first words
  CHECK_SEAT,  // {1}: the seat's prompt
  MATE,
  THINKING,  // the caption drawn beside the board while a computer thinks
  THINKING_TIME,  // how long it has thought, written under the caption by the window: {1} seconds
  // The window's questions before something of the network game would be lost.
  TITLE_NET_GAME,
  END_WHILE_HOSTING,
  HOST_DURING_GAME,
  START_FROM_MENU,
  WINS,  // {1}: the team's name
  KING_TAKEN_END,
  REPETITION_END,
  CONTINUE,
  OK_TO_RESUME,
  CANNOT,

  // A refused move.
  NOT_STARTED,
  GAME_IS_OVER,
  WRONG_TURN,
  PARTNER_CHECK,
  RIGHT_BUTTON_PROMOTES,
  CANNOT_PLAY,

  // Records and files.
  NO_GAME_STARTED,
  CANNOT_SAVE,  // {1}: why
  NO_LAST_GAME,
  FILE_MISSING,
  FILE_NOT_REGULAR,
  FILE_UNREADABLE,
  FILE_TOO_LARGE,
  FILE_UNWRITABLE,

  // The sound library's warnings.
  SOUND_TITLE,
  SOUND_NO_DEVICE,
  SOUND_PATH_ERROR,
  SOUND_NOT_WAVE,  // {1}: the file's name
  SOUND_BAD_INDEX,

  // The record reader's errors.
  RECORD_AT_LINE,  // {1}: the line number, {2}: the error
  RECORD_TOO_LARGE,
  RECORD_NOT_UTF8,
  RECORD_TRAILING_SPACE,  // {1}: the first line as it must stand
  RECORD_OTHER_VERSION,
  RECORD_NOT_A_RECORD,
  RECORD_UNREADABLE_LINE,
  RECORD_BAD_MODE,
  RECORD_BAD_PLAYER_KIND,
  RECORD_BAD_LEVEL,
  RECORD_BAD_RESULT,
  RECORD_BAD_CURRENT,
  RECORD_TOO_MANY_ROWS,
  RECORD_ROW_CELLS,
  RECORD_BAD_CELL,  // {1}: the cell as the record has it
  RECORD_BAD_HAND,
  RECORD_BAD_HAND_AT,  // {1}: the hand's word as the record has it
  RECORD_BAD_TURN,
  RECORD_BAD_TURN_AT,  // {1}: the seat as the record has it
  RECORD_BAD_START_NUMBER,
  RECORD_UNKNOWN_KEY,  // {1}: the key
  RECORD_NO_MODE,
  RECORD_NO_PLAYER_KIND,  // {1}: the seat's name
  RECORD_BOARD_ROWS,
  RECORD_TWO_KINGS,  // {1}: the seat's name
  RECORD_KEY_AFTER_MOVES,
  RECORD_MOVE_LINE,
  RECORD_WRONG_NUMBER,  // {1}: the number expected
  RECORD_REFUSED_TURN,  // {1}: the refusal's sentence, {2}: the name of the seat to move
  RECORD_CANNOT_PASS,   // {1}: the seat's name
  RECORD_REFUSED_MOVE,  // {1}: the refusal's sentence, {2}: the move as the record has it
  RECORD_KING_TAKEN,
  RECORD_CURRENT_OUTSIDE,
  MOVE_BAD_COLUMN,
  MOVE_BAD_ROW,
  MOVE_BAD_ORIGIN,
  MOVE_NO_PIECE,
  MOVE_WRONG_PIECE,

  // The window's own words.
  WINDOW_TITLE,
  YOU_WIN,
  YOU_LOSE,
  SEAT_SELF,
  SEAT_PARTNER,
  SEAT_OPPONENT,

  // The network room's words (sent in the protocol's version 1).
  ROOM_CLOSED,
  SEAT_COMPUTER,
  SEAT_TAKEN,
  BAD_TOKEN,
  CAME_BACK,       // {1}: the person's name
  PERSON,          // {1}: the person's name
  PERSON_HOST,     // {1}: the person's name
  CONNECTION_LOST, // {1}: the person, as PERSON or PERSON_HOST
  HOST_ONLY,
  IN_PLAY,
  SEATS_MISSING,
  HOST_ENDED,
  SEAT_PRESENT,
  STILL_WAITING,
  WAIT_SECONDS,       // {1}: the seconds
  COMPUTER_TAKES_OVER,  // {1}: the seat's prompt
  WAIT_FOR_NEWEST,
  GAME_ENDED,
  NOT_OWN_PIECE,
  CANNOT_PROMOTE,
  MUST_PROMOTE,
  CANNOT_MOVE,

  // The menu's captions, named after their entries' controls.
  MENU_TAIKYOKU,
  MENU_ZENKAI,
  MENU_TAIKYOKU_SYURUI,
  MENU_PLAY_1,
  MENU_JYUNBAN_1,
  MENU_JYUNBAN_2,
  MENU_JYUNBAN_3,
  MENU_JYUNBAN_4,
  MENU_PLAY_2,
  MENU_PLAY_TOIMEN,
  MENU_PLAY_TONARI,
  MENU_PLAY_4,
  MENU_LEVEL,
  MENU_LEVEL1,
  MENU_LEVEL2,
  MENU_LEVEL3,
  MENU_LEVEL4,
  MENU_OWARI,
  MENU_NET_GAME,
  MENU_NET_LEAVE,
  MENU_STOP,
  MENU_CANCEL,
  MENU_KAITEN,
  MENU_REPLAY,
  MENU_AFTER,
  MENU_MATTA,
  MENU_KIFU_OPEN,
  MENU_KIFU_SAVE,
  MENU_KIFU_WINDOW,
  MENU_OPTION,
  MENU_SIDOU,
  MENU_AICON,
  MENU_HAIKEI_GA,
  MENU_MIDORI,
  MENU_TATAMI,
  MENU_TAKE,
  MENU_UCHU,
  MENU_RENGA,
  MENU_BGM,
  MENU_OSHIRASE,
  MENU_IROWAKE,
  MENU_SAISYUTE,
  MENU_SONOTA,
  MENU_KAISETU,
  MENU_VER,
  MENU_NEW_GAME,
  MENU_MOVE_NOW,


  // The network authority's liveness and bounds (sent in the protocol's version 1).
  HOST_PASSED,  // {1}: the new host's name
  LENGTH_END,
  // Looking back at a finished game, and the files named in what went wrong.
  REVIEW_GAME,  // the end question's third button
  FILE_NAMED,   // {1}: the file's path, {2}: what is wrong with it

  // The choice of language, and the window's own words (its dialogs, boxes and status).
  MENU_LANGUAGE,
  MENU_LANG_JA,
  MENU_LANG_EN,
  FILE_DIALOG_OPEN,
  FILE_DIALOG_SAVE,
  FILE_FILTER_RECORDS,  // {1}: the records' extension
  FILE_FILTER_ALL,
  MOVE_LIST_TITLE,
  MOVE_LIST_START,
  ABOUT_TITLE,
  ABOUT_HOME_PAGE,
  ABOUT_OK,
  HELP_TITLE,
  HELP_NOT_OPENED,  // {1}: where the page is
  NOTICE_TITLED,    // {1}: the title, {2}: the sentence
  MOVE_NUMBER_WORD,  // drawn after the move's number in the status corner
  SEAT_WORD_SITA,    // a seat's short name in the network game's dialog and status
  SEAT_WORD_HIDARI,
  SEAT_WORD_UE,
  SEAT_WORD_MIGI,
  NET_TITLE,
  NET_OWN_MARK,  // {1}: the player's name beside its own army
  NET_COMPUTER,
  NET_EMPTY_SEAT,
  NET_WAITING_SEAT,
  NET_RECORD_NOT_SAVED,  // {1}: why
  NET_RECORD_SAVED,      // {1}: the path
  NET_HOST_STOPPED,      // sent in the protocol's version 1
  NET_STATUS_ROOM,       // {1}: the room's code
  NET_STATUS_NOT_CONNECTED,
  NET_STATUS_WAITING,
  NET_STATUS_OVER,
  NET_STATUS_TURN,  // {1}: the player's name, {2}: the seat's short name
  NET_HANDOVER_ASK,  // {1}: the player's name
  NET_NOT_CONNECTED,
  NET_HOST_LOST,
  NET_RECONNECTING,
  NET_CONNECTION_CUT,  // the runner's network mode, when the authority goes
  NET_DEFAULT_HOST_NAME,
  NET_DEFAULT_GUEST_NAME,
  NET_NAME,
  NET_PORT,
  NET_OWN_SEAT,
  NET_PEOPLE_SEATS,
  NET_LEVEL,  // {1}: the level
  NET_OPEN_ROOM,
  NET_START,
  NET_JOIN,
  NET_ADDRESS,
  NET_ROOM_CODE,
  NET_SEAT,
  NET_SEATED,
  NET_JOINED_WAITING,
  NET_GO_BACK,
  NET_CAN_GO_BACK,  // {1}: the room's code, {2}: the seat's short name
  NET_ENTER_NAME,
  NET_CANNOT_OPEN,  // {1}: why
  NET_ENTER_ADDRESS,
  NET_BAD_CODE,
  NET_CONNECTING,
  NET_ROOM_INFO,  // {1}: the room's code, {2}: the addresses, {3}: the port
  NET_SEAT_LINE,  // {1}: the seat's short name, {2}: who sits there
  PIECE_HU,  // a piece's name in the move text beside the board
  PIECE_TO,
  PIECE_GIN,
  PIECE_GINNARI,
  PIECE_KIN,
  PIECE_SYA,
  PIECE_SYANARI,
  PIECE_OU,

  // The clocks (play/clock.h).
  MENU_TIME_CONTROL,  // 対局 → 持ち時間...
  TIME_UP_WINS,       // the end of a game on time: {1} the seat's word, {2} the winning team
  CLOCK_BYOYOMI,      // a clock in its 秒読み: {1} seconds
  TIME_DIALOG_TITLE,
  TIME_DIALOG_USE,    // the check box that turns the clocks on
  TIME_DIALOG_SEAT,   // the columns of the dialog
  TIME_DIALOG_MAIN,
  TIME_DIALOG_BYOYOMI,
  TIME_DIALOG_NOTE,   // the line under the table
  // Watching a network game, and the link to its page.
  NET_WATCHING,   // a watcher's message refused
  NET_WATCH,      // the dialog's choice to watch instead of taking a seat
  NET_ROOM_LINK,  // {1}: the page's link for the room
  // 検討: the hint and the analysis of a game's record (shell/study.*).
  MENU_KENTOU,
  MENU_HINT,
  MENU_KIFU_KAISEKI,
  HINT_TITLE,
  HINT_NONE,          // the hint is asked where no person is to move
  HINT_THINKING,      // over the board while the hint is thought
  HINT_MOVE,          // {1}: the move, as the record writes it
  ANALYSIS_TITLE,     // the graph's title, and the title of its boxes
  ANALYSIS_PROGRESS,  // {1}: the positions weighed, {2}: of how many
  ANALYSIS_CANCEL,
  ANALYSIS_NONE,        // no move to analyse
  ANALYSIS_WORST_HEAD,  // over the list of the moves that lost the most
  ANALYSIS_WORST,       // {1}: the move's number, {2}: the seat, {3}: the move, {4}: the loss
  ANALYSIS_FIRST_AHEAD,   // the graph's upper half
  ANALYSIS_SECOND_AHEAD,  // its lower half
  // The authority's journal and restart.
  SERVER_STOPPING,  // `closed` to every player when korvel4-server is stopped
  // A seat with no move the rules accept passes: the notice to everyone.
  TITLE_PASS,
  NO_MOVE_PASS,  // {1}: the seat's short name (SEAT_WORD_...)
  // A network game's player who has gone, marked beside the name: {1} the name.
  NET_MISSING_MARK,
  // The network game's status line: how many watch ({1}), while anyone does.
  NET_STATUS_WATCHERS,

  COUNT  // not a text: the number of ids
};

// The window's language: Japanese until it is set (the options file, the runner's `lang`).
// One for the whole program; the network room never reads it.
void SetLanguage(Language language);
Language CurrentLanguage();

// The text in the window's language.
const char* Text(TextId id);
// The text in one language.
const char* TextIn(Language language, TextId id);

// The format with its parts put in: {n} becomes parts[n - 1] (nothing when there are fewer
// parts). One pass over the format: a part is never read as a format itself.
std::string Fill(std::string_view format, std::initializer_list<std::string_view> parts);
inline std::string Fill(TextId id, std::initializer_list<std::string_view> parts) {
  return Fill(Text(id), parts);
}

// The pass behind Fill, for callers that build a string of another kind (the network's
// QString keeps a name exactly as it came): `literal(std::string_view)` for each stretch of
// the format, `part(int n)` for each {n}, n from 1 to 9.
template <class Literal, class Part>
void WalkFormat(std::string_view format, Literal&& literal, Part&& part) {
  size_t from = 0;
  for (size_t i = 0; i + 2 < format.size(); ++i) {
    if (format[i] != '{' || format[i + 1] < '1' || format[i + 1] > '9' || format[i + 2] != '}')
      continue;
    if (i > from) literal(format.substr(from, i - from));
    part(format[i + 1] - '0');
    from = i + 3;
    i += 2;
  }
  if (from < format.size()) literal(format.substr(from));
}

// A team's name, from any seat of it.
TextId TeamNameId(int seat);
inline const char* TeamName(int seat) { return Text(TeamNameId(seat)); }
// "下の番です" ...: the prompt that announces a seat; empty for no seat.
TextId SeatPromptId(int seat);
inline const char* SeatPrompt(int seat) { return Text(SeatPromptId(seat)); }
// "下", "左"...: a seat's short name; NONE for no seat.
TextId SeatWordId(int seat);

// The words for a refused move: the window's box shows the title and the prompt; a
// record's reader names the line and the prompt.
struct RefusalWords {
  const char* title;
  const char* prompt;
};
RefusalWords WordsFor(Refusal r);

// The languages' tables, one file each.
const char* JapaneseText(TextId id);
const char* EnglishText(TextId id);

}  // namespace korvel
