// The presenter: one member function per event of the window, turning what the game
// (play/game.h) answers into drawing, sound and message calls. The handlers are spread
// over files by concern (game_modes.cpp, mouse_entry.cpp, history.cpp, computer_turn.cpp,
// options.cpp, settings.cpp, sound.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/state.h"
#include "play/authority.h"
#include "play/clock.h"
#include "play/files.h"
#include "play/game.h"
#include "play/options.h"
#include "play/ports.h"
#include "play/press_entry.h"
#include "play/texts.h"
#include "play/record_keeper.h"
#include "view/board_drawing.h"
#include "view/canvas.h"

namespace korvel {

inline constexpr const char* HELP_PAGE = "Korvel4人将棋.htm";
// The same page in English, opened beside it when the window speaks English.
inline constexpr const char* HELP_PAGE_EN = "Korvel4人将棋.en.htm";
// The folder in the user's data area where the file dialogs start at first.
inline constexpr const char* RECORDS_FOLDER = "records";

enum class MouseButton { LEFT = 1, RIGHT = 2, OTHER = 4 };

class Form1 {
 public:
  Form1(Canvas& canvas, Dialogs& dialogs, SoundLibrary& sound, TurnIcons& icons, Host& host,
        Files& files);

  // --- events of the window -------------------------------------------------------------
  void Form_Load();
  void Form_MouseDown(MouseButton button, int shift, double x, double y);
  // A key with its character code: Esc (27) ends the program; the keys of keyboard play
  // (key_cursor.h) move the cursor over the board and hands or press its cell, exactly as
  // the window's mouse presses there (the un-pick included).
  void Form_KeyPress(int keyCode);
  void Form_Unload();

  // 対局
  void JYUNBAN_1_Click();
  void JYUNBAN_2_Click();
  void JYUNBAN_3_Click();
  void JYUNBAN_4_Click();
  void PLAY_TOIMEN_Click();
  void PLAY_TONARI_Click();
  void PLAY_4_Click();
  void LEVEL1_Click() { LevelClick(1); }
  void LEVEL2_Click() { LevelClick(2); }
  void LEVEL3_Click() { LevelClick(3); }
  void LEVEL4_Click() { LevelClick(4); }
  void OWARI_Click();
  // 局面
  void CANCEL_Click();
  void KAITEN_Click() { RotateBoard(); }
  void REPLAY_Click();
  void AFTER_Click();
  // ｵﾌﾟｼｮﾝ
  void SIDOU_Click();
  void AICON_Click();
  void MIDORI_Click() { BackgroundClick(2); }
  void TATAMI_Click() { BackgroundClick(3); }
  void TAKE_Click() { BackgroundClick(4); }
  void UCHU_Click() { BackgroundClick(5); }
  void RENGA_Click() { BackgroundClick(6); }
  void BGM_Click();
  void OSHIRASE_Click();
  void IROWAKE_Click();
  // その他
  void KAISETU_Click();
  void VER_Click();
  void LANG_JA_Click() { LanguageClick(Language::JAPANESE); }  // 言語 → 日本語
  void LANG_EN_Click() { LanguageClick(Language::ENGLISH); }   // 言語 → English
  // The about box's buttons.
  void Command1_Click();
  void Command2_Click() {}

  // Game records and what goes with them (records.cpp).
  void ZENKAI_Click();       // 前回の続き: the game left unfinished last time
  void MATTA_Click();        // 待った
  void SAISYUTE_Click();     // 最終手表示 (the window draws the mark)
  void KIFU_WINDOW_Click();  // 棋譜ウィンドウ (the window shows the list)
  // What 棋譜を開く and 棋譜を保存 do once the player has chosen the file. Opening leaves
  // the game as it was when the record cannot be used; both tell the player why.
  bool OpenRecord(const std::string& path);
  bool SaveRecord(const std::string& path);
  // Whether a game left unfinished is kept in the user's data area (by this copy of the
  // program or another).
  bool HasUnfinishedGame();
  // The full path of a file in the user's data area, where the records the program keeps
  // by itself go (the unfinished game, the record of a network game whose host went).
  std::string UserDataPath(const std::string& name) {
    return files_.PathOf(FileArea::USER_DATA, name);
  }
  // The file dialogs of 棋譜を開く and 棋譜を保存 start in the folder the player last chose a
  // record in (Options::recordFolder), else in RECORDS_FOLDER of the user's data area. The
  // player chose a record in `folder` through a file dialog: it is remembered in the
  // options file.
  void NoteRecordFolder(const std::string& folder);
  // Steps the history until `count` moves are played, as that many 戻 or 進 would.
  void StepHistoryTo(int count);
  // Whether the player is looking back at a finished game (棋譜を見る at its end): the game
  // stays on the board, 戻, 進, the move list and saving work, presses on the board do
  // nothing, and the next game chosen from the menu starts afresh.
  bool Reviewing() const { return reviewing_; }
  // The finished games kept in the user's data area when the player looked back at them,
  // at most this many, the oldest removed first.
  static constexpr int KEPT_FINISHED_GAMES = 20;

  // The player asked the program to end (closed the window, pressed Esc, chose 終わり)
  // while a handler of this object waits: the computers' thinking, the pause before a
  // computer's move, a box of theirs. No computer moves again and no box is shown: the
  // program ends before the handler returns, the unfinished game kept as any end keeps it.
  // A computer whose thinking the request cut short plays nothing; a move already shown
  // to be coming (the pause) stays played.
  void RequestEnd() { endRequested_ = true; }
  // Whether the computers are taking their turns now (a box shown meanwhile is theirs).
  bool ComputersPlaying() const { return computersPlaying_ > 0; }

  // The keyboard's cursor: a screen cell, shown (and drawn by the window) only once one of
  // its keys was pressed.
  bool KeyCursorShown() const { return cursorShown_; }
  Square KeyCursor() const { return cursor_; }
  // The clocks (clocks.cpp). 対局 → 持ち時間...: the time control of the games started from
  // now on (off: none, as by default); a game already begun keeps its own.
  void SetTimeControl(const GameTimeControl& control) { chosenClock_ = control; }
  const GameTimeControl& ChosenTimeControl() const { return chosenClock_; }
  // The clocks of the window's own game, when it is played with them.
  const SeatClocks* Clocks() const { return clocks_ ? &*clocks_ : nullptr; }
  // The window's clock timer (and the runner's `advance`): the clocks follow the game, and
  // a seat to move whose time has run out loses for its team, announced as the end of a
  // game is. Nothing while the computers play: their turn checks its own time.
  void ClockTick();
  // Where the clocks stand beside the armies of the game shown (in cells of the drawing:
  // the baseline's left end; the window writes them over the picture), and what they show.
  struct ClockLabel {
    int seat;
    std::string text;
    double x, y;
    bool running;   // this seat's clock runs now
    bool byoyomi;   // its main time is spent
  };
  std::vector<ClockLabel> ClockLabels() const;

  // --- what the runner, the window and the tests read ------------------------------------
  const Game& TheGame() const { return game_; }
  const GameState& State() const { return game_.State(); }
  const Options& TheOptions() const { return options_; }
  bool Ended() const { return ended_; }
  struct Look {
    int pieceSelected;
    int guidanceOn;
    int guidanceColour;
    PieceCode background;  // 0 until the settings set it
    bool iconShown;        // the turn icon the window shows now
    TurnIcon iconKind;
    int iconLeft, iconTop;
  };
  Look Looks() const;
  struct Sounds {
    SoundLibrary::Handle context, other, forbidden, place, end, bgm;
  };
  Sounds SoundHandles() const;

  // The options file (options_file.cpp): read by the window before the load handler;
  // the window keeps its size in the options.
  void LoadOptionsFile();
  bool SaveOptionsFile();
  Options& TheOptions() { return options_; }
  // The window's un-pick: a press on the picked piece's own cell drops the pick quietly.
  // False, with nothing done, for any other press.
  bool Unpick(double x, double y);

  // --- a game the window shows but another program holds (the network game) -------------
  // Its events sound as the same events of the window's own game: a piece placed (a
  // capture included), a move refused, the end of a game.
  enum class Cue { PLACE, FORBIDDEN, END };
  void PlayCue(Cue cue);

  // --- the game shown: the window's own, or a network game's (network_game.cpp) ---------
  // From now on the window shows the copy of the game that `authority` follows, turned so
  // that this window's seat is at the bottom, and the person's presses become intentions
  // sent to it; none (or once the authority's side is gone): the window's own game again
  // (the caller redraws it, RedrawAll). The window's own game stays as it was meanwhile,
  // and the menus still act on it. Held weakly: the network side and the presenter may go
  // in either order.
  void PresentNetworkGame(std::weak_ptr<Authority> authority);
  bool PresentsNetworkGame() const { return !authority_.expired(); }
  // The quarter turns of the view: this window's seat of the network game at the bottom.
  int ViewQuarters() const;
  // Who plays each seat of the game shown (seats.h): in the window's own game as the game
  // mode set them; in a network game this window's seat is the person at this mouse and
  // every other seat a remote player.
  const SeatController* PlayerOf(int seat) const;
  // Draws the network game's copy in full, turned, the picked cell framed.
  void RedrawNetworkGame();
  // The half-entered intention is dropped (a new game, a welcome).
  void ClearNetworkPick() { networkPress_.Clear(); }
  bool NetworkPicked() const { return networkPress_.Picked(); }
  // Where the names of the players stand beside their armies on the turned view (in cells
  // of the drawing; the window writes them over the picture), and whose move it is.
  struct NameLabel {
    int seat;
    std::string name;  // Authority::SeatName
    double x, y;
    bool own;     // this window's seat
    bool toMove;  // the game is being played and this seat is to move
    bool missing;  // another seat's person who has gone and is waited for
  };
  std::vector<NameLabel> NetworkNameLabels() const;

  // --- fixtures for scripts and tests: the position set directly, no history, no sound ---
  void SetBoard(const PieceCode board[10][10]);  // then the window is repainted in full
  void SetHand(int seat, const int counts[4]);
  void SetSeatToMove(int seat);
  // The computer's turn procedure for the seat to move, whoever holds it; false when the
  // game is over or no seat is to move.
  bool PlayComputerTurnForSeatToMove();
  // Repaints the whole window from the state (the window's start, a fixture's board).
  void RedrawAll();

 private:
  void NewGame();
  // The turns the seats take by themselves, one after another, from now until a person
  // has a move to make or the game ends: the computers', and the pass of a person's seat
  // the rules leave no move (TakesTurnByItself).
  void RunComputerTurns();
  bool TakesTurnByItself(int seat) const;
  // A person's seat with no move the rules accept passes, announced to everyone.
  std::optional<MoveOutcome> PassWithoutMove(int seat);
  // One computer turn of `seat`, shown: the outcome of its move, or nothing for a pass or
  // a turn the end of the program cut short.
  std::optional<MoveOutcome> com_ban(int seat);
  void ShowWrongTurn(int seat);
  void ShowCheck(int seat);
  void AnnounceWinner(const std::string& teamName);
  void RotateBoard();
  void ReportRecorded();
  void ClearGuidance();
  // The box that tells a person why the game refused a press.
  void ShowRefusal(Refusal r);
  void ShowGuidance(int fromX, int fromY, int colour, PieceCode piece);
  void ShowTurnIcon(int seat);
  void HideTurnIcons();
  void LoadSettings();
  void SaveSettings();
  void ReleaseAll();
  void LaterSeat(int humanSeat);
  void LevelClick(int n);
  void BackgroundClick(int code);
  void LanguageClick(Language language);
  // The words the board drawing writes, in the window's language.
  static BoardWords WordsOfBoard();
  void EndProgram();
  void MakeMove(MouseButton button);
  void DrawMovePlayed(const Move& m, const MoveOutcome& o);
  void ShowHandOff(const MoveOutcome& o);
  void AnnounceWinnerOfGame();
  void AnnounceEndOfGame();
  void EndOfGame(const std::string& result);
  void RefuseNotStarted(bool withSound);
  void PlayForbidden();
  void PlayPlace();
  void RefreshStatusCorner();
  void SetGuidance(bool on);
  void ApplySetting(const std::string& key, const std::string& value);
  void WriteDefaultSettings();
  bool WriteSettingsFile(const std::vector<std::string>& lines);
  void SoundInit();
  SoundLibrary::Handle LoadSound(const char* fileName, int flags);
  void SoundWarning(const std::string& text);
  void SoundShutdown();

  Game game_;
  Options options_;

  // The clocks: the choice for the games to come, and those of the game played.
  GameTimeControl chosenClock_;
  std::optional<SeatClocks> clocks_;
  int clockTurns_ = -1;  // the turns played when the running clock was started
  // A game begins (`fresh`: no game was in progress) or goes on with other players.
  void BeginClocks(bool fresh);
  // The clocks follow the game: the seat to move runs, none while the game is over, not
  // started, looked back at or standing at an earlier move.
  void SyncClock();
  // Whether `seat`'s time runs out within `laterMs` from now (the pause still to come).
  bool OutOfTimeWithin(int seat, std::int64_t laterMs);
  // `seat` has run out of time: the game ends (Game::EndByTime). Announced by the caller.
  void EndOnTime(int seat);
  void AnnounceTimeUp();

  // The network game shown instead of the own game, and the person's half-entered
  // intention for it.
  std::weak_ptr<Authority> authority_;
  PressEntry networkPress_;
  void NetworkPress(Authority& authority, MouseButton button, double x, double y);

  // The keyboard's cursor.
  Square cursor_{5, 5};
  bool cursorShown_ = false;

  // The half-entered move of the person at the mouse.
  int pieceSelected_ = 0;
  int fromX_ = 0, fromY_ = 0, toX_ = 0, toY_ = 0;
  PieceCode pickedPiece_;

  int guidanceOn_ = 0;
  int guidanceColour_ = COLOUR_GREEN;
  PieceCode currentBackground_;  // 0 until the settings set it
  std::string helpPage_;         // the help page's full path, found at start-up
  std::string helpPageEn_;       // and the English one's

  SoundLibrary::Handle soundContext_ = 0;
  SoundLibrary::Handle sndOther_ = 0, sndForbidden_ = 0, sndPlace_ = 0, sndEnd_ = 0, sndBgm_ = 0;

  bool iconShown_ = false;
  TurnIcon iconKind_ = TurnIcon::MAN;
  int iconLeft_ = 0, iconTop_ = 0;

  // True once the program has been told to end; every event after it is ignored.
  bool ended_ = false;
  // The player asked to end while a handler waited (RequestEnd).
  bool endRequested_ = false;
  // Above 0 while the computers take their turns.
  int computersPlaying_ = 0;
  // The turns of the running computer run, for the deeper computer's repetition rule.
  const std::vector<DeepPastTurn>* deepHistory_ = nullptr;
  // When the game's first move was played (or as its record says), for records.
  std::string gameStarted_;
  void KeepUnfinishedGame();
  // 棋譜を見る: the finished game stays on the board and is kept in the user's data area.
  void StartReview();
  // A game chosen from the menu while looking back begins from the start position.
  void LeaveReview();
  void KeepFinishedGame();
  bool reviewing_ = false;
  bool UseRecord(RecordKeeper::Opened opened);
  void NoteKeptGame();
  // Opening, saving, the unfinished game kept, 待った.
  RecordKeeper records_;

  Canvas& canvas_;
  Dialogs& dialogs_;
  SoundLibrary& sound_;
  TurnIcons& icons_;
  Host& host_;
  Files& files_;
};

}  // namespace korvel
