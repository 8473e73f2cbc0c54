// The English table: every TextId's words, in the window's English. The network protocol
// never sends these (it speaks Japanese, see texts.h); record and settings files keep their
// own words whatever the language.
#include "play/texts.h"

namespace korvel {

const char* EnglishText(TextId id) {
  using enum TextId;
  switch (id) {
    case NONE: return "";

    case TEAM_FIRST: return "Team South/North";
    case TEAM_SECOND: return "Team West/East";
    case PROMPT_SITA: return "South's turn";
    case PROMPT_HIDARI: return "West's turn";
    case PROMPT_UE: return "North's turn";
    case PROMPT_MIGI: return "East's turn";

    case TITLE_START: return "Start";
    case TITLE_END: return "Game over";
    case TITLE_AGAIN: return "New game";
    case TITLE_RESUME: return "Resume";
    case TITLE_BACK: return "Back";
    case TITLE_FORWARD: return "Forward";
    case TITLE_MATTA: return "Take back";
    case TITLE_RECORD: return "Record";
    case TITLE_TURN: return "Turn";
    case TITLE_FORBIDDEN: return "Illegal move";
    case TITLE_PROMOTE: return "Promotion";
    case TITLE_MATE: return "Checkmate?";
    case TITLE_HANDOVER: return "Hand over";
    case CHECK: return "Check";
    case CHECK_SEAT: return "Check! {1}";
    case MATE: return "Yes!!";
    case THINKING: return "Thinking";
    case START_FROM_MENU: return "Start a game from the Game menu";
    case WINS: return "{1} wins";
    case KING_TAKEN_END: return "The game is over";
    case REPETITION_END: return "Draw by repetition";
    case CONTINUE: return "Play again?";
    case OK_TO_RESUME: return "Ready?";
    case CANNOT: return "Not possible";

    case NOT_STARTED: return "The game has not started";
    case GAME_IS_OVER: return "The game is over";
    case WRONG_TURN: return "It is not your turn";
    case PARTNER_CHECK: return "You cannot check your partner";
    case RIGHT_BUTTON_PROMOTES: return "Click the right mouse button";
    case CANNOT_PLAY: return "That move is not allowed";

    case NO_GAME_STARTED: return "No game has started";
    case CANNOT_SAVE: return "Cannot save: {1}";
    case NO_LAST_GAME: return "There is no game to resume";
    case FILE_MISSING: return "The file does not exist";
    case FILE_NOT_REGULAR: return "Not a regular file";
    case FILE_UNREADABLE: return "The file cannot be read";
    case FILE_TOO_LARGE: return "The file is too large (1 MB at most)";
    case FILE_UNWRITABLE: return "Cannot write the file";

    case SOUND_TITLE: return "Korvel4人将棋.dll";
    case SOUND_NO_DEVICE: return "No sound device could be opened. Playing without sound.";
    case SOUND_PATH_ERROR: return "Path/file access error.";
    case SOUND_NOT_WAVE: return "\"{1}\" is not a valid wave file.";
    case SOUND_BAD_INDEX: return "Index out of range.";

    case RECORD_AT_LINE: return "Line {1}: {2}";
    case RECORD_TOO_LARGE: return "The file is too large (1 MB at most)";
    case RECORD_NOT_UTF8: return "Not UTF-8 text";
    case RECORD_TRAILING_SPACE: return "Spaces at the end (write only \"{1}\")";
    case RECORD_OTHER_VERSION: return "Records of this version cannot be read";
    case RECORD_NOT_A_RECORD: return "Not a record file";
    case RECORD_UNREADABLE_LINE: return "Unreadable line";
    case RECORD_BAD_MODE: return "Unreadable kind of game";
    case RECORD_BAD_PLAYER_KIND: return "Unreadable kind of player (人 or COM)";
    case RECORD_BAD_LEVEL: return "The level is 1 to 4";
    case RECORD_BAD_RESULT: return "Unreadable result";
    case RECORD_BAD_CURRENT: return "Unreadable current move";
    case RECORD_TOO_MANY_ROWS: return "Too many board rows";
    case RECORD_ROW_CELLS: return "A board row has 9 squares";
    case RECORD_BAD_CELL: return "Unreadable square: {1}";
    case RECORD_BAD_HAND: return "Unreadable hand";
    case RECORD_BAD_HAND_AT: return "Unreadable hand: {1}";
    case RECORD_BAD_TURN: return "Unreadable turn";
    case RECORD_BAD_TURN_AT: return "Unreadable turn: {1}";
    case RECORD_BAD_START_NUMBER: return "Unreadable first move number";
    case RECORD_UNKNOWN_KEY: return "Unknown heading: {1}";
    case RECORD_NO_MODE: return "The kind of game is missing";
    case RECORD_NO_PLAYER_KIND: return "The kind of player for {1} is missing";
    case RECORD_BOARD_ROWS: return "The board has 9 rows";
    case RECORD_TWO_KINGS: return "{1} has two kings";
    case RECORD_KEY_AFTER_MOVES: return "No heading may follow the moves";
    case RECORD_MOVE_LINE: return "A move line is \"number seat move\"";
    case RECORD_WRONG_NUMBER: return "Wrong move number ({1} expected)";
    case RECORD_REFUSED_TURN: return "{1} ({2})";
    case RECORD_CANNOT_PASS: return "Cannot pass ({1} has a legal move)";
    case RECORD_REFUSED_MOVE: return "{1}: {2}";
    case RECORD_KING_TAKEN: return "A king was taken in this game";
    case RECORD_CURRENT_OUTSIDE: return "The current move lies outside the moves";
    case MOVE_BAD_COLUMN: return "Unreadable move (file)";
    case MOVE_BAD_ROW: return "Unreadable move (rank)";
    case MOVE_BAD_ORIGIN: return "Unreadable move (origin)";
    case MOVE_NO_PIECE: return "No piece on the origin square";
    case MOVE_WRONG_PIECE: return "The piece does not match the board";

    case WINDOW_TITLE: return "Korvel Four-Player Shogi (Doubles)";
    case YOU_WIN: return "You win";
    case YOU_LOSE: return "You lose";
    case SEAT_SELF: return "You";
    case SEAT_PARTNER: return "Partner";
    case SEAT_OPPONENT: return "Opponent";

    case ROOM_CLOSED: return "This room has been closed";
    case SEAT_COMPUTER: return "The computer plays that seat";
    case SEAT_TAKEN: return "That seat is taken";
    case BAD_TOKEN: return "The proof for going back to that seat is wrong";
    case CAME_BACK: return "{1} is back";
    case PERSON: return "{1}";
    case PERSON_HOST: return "{1} (host)";
    case CONNECTION_LOST: return "{1} lost the connection. Waiting for them to come back";
    case HOST_ONLY: return "Only the host can do that";
    case IN_PLAY: return "A game is in play";
    case SEATS_MISSING: return "Not every seat is filled";
    case HOST_ENDED: return "The host ended the game";
    case SEAT_PRESENT: return "That seat's player is here";
    case STILL_WAITING: return "Still waiting";
    case WAIT_SECONDS: return "The seat can be handed over after {1} seconds";
    case COMPUTER_TAKES_OVER: return "{1} The computer plays instead";
    case WAIT_FOR_NEWEST: return "Wait for the newest move";
    case GAME_ENDED: return "This game is over";
    case NOT_OWN_PIECE: return "That is not your piece";
    case CANNOT_PROMOTE: return "That piece cannot promote";
    case MUST_PROMOTE: return "That piece must promote";
    case CANNOT_MOVE: return "That piece cannot move there";

    case MENU_TAIKYOKU: return "Game";
    case MENU_ZENKAI: return "Resume last game";
    case MENU_TAIKYOKU_SYURUI: return "Play";
    case MENU_PLAY_1: return "1 player";
    case MENU_JYUNBAN_1: return "Move 1st";
    case MENU_JYUNBAN_2: return "Move 2nd";
    case MENU_JYUNBAN_3: return "Move 3rd";
    case MENU_JYUNBAN_4: return "Move 4th";
    case MENU_PLAY_2: return "2 players";
    case MENU_PLAY_TOIMEN: return "Partners (facing)";
    case MENU_PLAY_TONARI: return "Rivals (side by side)";
    case MENU_PLAY_4: return "4 players";
    case MENU_LEVEL: return "Computer level";
    case MENU_LEVEL1: return "Level 1";
    case MENU_LEVEL2: return "Level 2";
    case MENU_LEVEL3: return "Level 3";
    case MENU_LEVEL4: return "Level 4";
    case MENU_OWARI: return "Quit";
    case MENU_NET_GAME: return "Network game...";
    case MENU_NET_LEAVE: return "Leave network game";
    case MENU_STOP: return "Position";
    case MENU_CANCEL: return "Reset";
    case MENU_KAITEN: return "Rotate";
    case MENU_REPLAY: return "Back";
    case MENU_AFTER: return "Forward";
    case MENU_MATTA: return "Take back";
    case MENU_KIFU_OPEN: return "Open record...";
    case MENU_KIFU_SAVE: return "Save record...";
    case MENU_KIFU_WINDOW: return "Move list";
    case MENU_OPTION: return "Options";
    case MENU_SIDOU: return "Show legal moves";
    case MENU_AICON: return "Turn icons";
    case MENU_HAIKEI_GA: return "Background";
    case MENU_MIDORI: return "Green";
    case MENU_TATAMI: return "Tatami";
    case MENU_TAKE: return "Bamboo";
    case MENU_UCHU: return "Space";
    case MENU_RENGA: return "Brick";
    case MENU_BGM: return "Music";
    case MENU_OSHIRASE: return "Show notices on the board";
    case MENU_IROWAKE: return "Colour pieces by seat";
    case MENU_SAISYUTE: return "Mark the last move";
    case MENU_SONOTA: return "Extras";
    case MENU_KAISETU: return "How to play";
    case MENU_VER: return "About";
    case MENU_NEW_GAME: return "New game";
    case MENU_MOVE_NOW: return "Move now";
    case THINKING_TIME: return "{1} s";
    case TITLE_NET_GAME: return "Network game";
    case END_WHILE_HOSTING:
      return "This window holds a room. Quitting closes the room and ends the network game. Quit?";
    case HOST_DURING_GAME:
      return "A game is in progress. Open a room? (The game stays, and comes back when the "
             "network game ends.)";
    case HOST_PASSED: return "{1} is now the host";
    case LENGTH_END: return "The move limit was reached. The game is a draw";
    case REVIEW_GAME: return "Review the game";
    case FILE_NAMED: return "{1}: {2}";

    case MENU_LANGUAGE: return "Language / 言語";
    case MENU_LANG_JA: return "日本語";
    case MENU_LANG_EN: return "English";
    case FILE_DIALOG_OPEN: return "Open record";
    case FILE_DIALOG_SAVE: return "Save record";
    case FILE_FILTER_RECORDS: return "Records (*.{1})";
    case FILE_FILTER_ALL: return "All files (*)";
    case MOVE_LIST_TITLE: return "Moves";
    case MOVE_LIST_START: return "Start position";
    case ABOUT_TITLE: return "About";
    case ABOUT_HOME_PAGE: return "Home page";
    case ABOUT_OK: return "OK";
    case HELP_TITLE: return "How to play";
    case HELP_NOT_OPENED: return "The help page could not be opened.\nOpen this file in a browser:\n{1}";
    case NOTICE_TITLED: return "{1}: {2}";
    case MOVE_NUMBER_WORD: return "move";
    case SEAT_WORD_SITA: return "South";
    case SEAT_WORD_HIDARI: return "West";
    case SEAT_WORD_UE: return "North";
    case SEAT_WORD_MIGI: return "East";
    case NET_TITLE: return "Network game";
    case NET_OWN_MARK: return "{1} (you)";
    case NET_COMPUTER: return "Computer";
    case NET_EMPTY_SEAT: return "(empty)";
    case NET_WAITING_SEAT: return "(waiting)";
    case NET_RECORD_NOT_SAVED: return "\nThe record could not be saved: {1}";
    case NET_RECORD_SAVED:
      return "\nThe record was saved: {1}\n(After leaving the network game, continue it with "
             "Position → Open record...)";
    case NET_HOST_STOPPED: return "The host stopped the game. The game so far is kept";
    case NET_STATUS_ROOM: return "Network game, room {1}";
    case NET_STATUS_NOT_CONNECTED: return "  Not connected to the host";
    case NET_STATUS_WAITING: return "  Waiting for the start";
    case NET_STATUS_OVER: return "  Game over";
    case NET_STATUS_TURN: return "  {1} to move ({2})";
    case NET_HANDOVER_ASK: return "{1} has not come back. Let the computer play for them?";
    case NET_NOT_CONNECTED: return "Could not connect";
    case NET_HOST_LOST: return "The connection to the host was lost. The game so far is kept";
    case NET_RECONNECTING: return "Connection lost. Reconnecting";
    case NET_CONNECTION_CUT: return "Connection lost";
    case NET_DEFAULT_HOST_NAME: return "Host";
    case NET_DEFAULT_GUEST_NAME: return "Guest";
    case NET_NAME: return "Name";
    case NET_PORT: return "Port";
    case NET_OWN_SEAT: return "Your seat";
    case NET_PEOPLE_SEATS: return "People's seats (the computer plays the rest)";
    case NET_LEVEL: return "Level {1}";
    case NET_OPEN_ROOM: return "Open a room";
    case NET_START: return "Start";
    case NET_JOIN: return "Join";
    case NET_ADDRESS: return "Address";
    case NET_ROOM_CODE: return "Room code";
    case NET_SEAT: return "Seat";
    case NET_SEATED: return "You have taken your seat";
    case NET_JOINED_WAITING: return "Joined. Waiting for the start";
    case NET_GO_BACK: return "Back to my seat";
    case NET_CAN_GO_BACK: return "You can go back to the {2} seat of room {1}. The game so far comes too";
    case NET_ENTER_NAME: return "Enter a name";
    case NET_CANNOT_OPEN: return "Cannot open a room: {1}";
    case NET_ENTER_ADDRESS: return "Enter an address";
    case NET_BAD_CODE: return "A room code is 6 to 16 capital letters and digits";
    case NET_CONNECTING: return "Connecting...";
    case NET_ROOM_INFO: return "Room code {1}\nAddress {2}  Port {3}\n(Tell these to the players who join)";
    case NET_SEAT_LINE: return "{1}: {2}";
    case PIECE_HU: return "P";
    case PIECE_TO: return "+P";
    case PIECE_GIN: return "S";
    case PIECE_GINNARI: return "+S";
    case PIECE_KIN: return "G";
    case PIECE_SYA: return "R";
    case PIECE_SYANARI: return "+R";
    case PIECE_OU: return "K";
    case TITLE_PASS: return "Pass";
    case NO_MOVE_PASS: return "{1} has no move and passes";
    case NET_MISSING_MARK: return "× {1} (away)";

    case MENU_TIME_CONTROL: return "Time control...";
    case TIME_UP_WINS: return "{1} ran out of time. {2} wins";
    case CLOCK_BYOYOMI: return "{1}s";
    case TIME_DIALOG_TITLE: return "Time control";
    case TIME_DIALOG_USE: return "Play with clocks";
    case TIME_DIALOG_SEAT: return "Seat";
    case TIME_DIALOG_MAIN: return "Main time (minutes)";
    case TIME_DIALOG_BYOYOMI: return "Byo-yomi (seconds)";
    case TIME_DIALOG_NOTE: return "Used from the next game started. A seat whose time runs out loses for its team.";
    case NET_WATCHING: return "You are watching";
    case NET_WATCH: return "Watch";
    case NET_ROOM_LINK: return "From a browser: {1}";
    case MENU_KENTOU: return "Study";
    case MENU_HINT: return "Hint";
    case MENU_KIFU_KAISEKI: return "Analyse the record";
    case HINT_TITLE: return "Hint";
    case HINT_NONE: return "A hint is given only when a person is to move";
    case HINT_THINKING: return "Thinking of a hint…";
    case HINT_MOVE: return "Hint {1}";
    case ANALYSIS_TITLE: return "Analysis";
    case ANALYSIS_PROGRESS: return "Analysing the record ({1} / {2} positions)";
    case ANALYSIS_CANCEL: return "Cancel";
    case ANALYSIS_NONE: return "There is no move to analyse";
    case ANALYSIS_WORST_HEAD: return "The costliest moves";
    case ANALYSIS_WORST: return "{1} {2} {3} (−{4})";
    case ANALYSIS_FIRST_AHEAD: return "South/North ahead";
    case ANALYSIS_SECOND_AHEAD: return "West/East ahead";
    case SERVER_STOPPING: return "The server is stopping. The game so far is kept";
    case NET_STATUS_WATCHERS: return "  {1} watching";

    case COUNT: break;
  }
  return "";
}

}  // namespace korvel
