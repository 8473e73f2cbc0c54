// The application object: the state of one run of the window and one member function per
// event of it. The handlers are spread over files by concern (game_modes.cpp,
// mouse_entry.cpp, history.cpp, computer_turn.cpp, options.cpp, settings.cpp, sound.cpp).
#pragma once

#include <string>
#include <vector>

#include "game/state.h"
#include "play/extra_options.h"
#include "play/files.h"
#include "play/ports.h"
#include "view/canvas.h"

namespace korvel {

// The check marks of the menu bar: the working copy of the options.
struct MenuChecks {
  bool SIDOU = false;
  bool AICON = true;
  bool BGM = false;
  bool LEVEL1 = false, LEVEL2 = false, LEVEL3 = true;
  bool MIDORI = false, TATAMI = true, TAKE = false, UCHU = false, RENGA = false;
  bool OSHIRASE = false, IROWAKE = false;  // kept in the extra options file
};

inline constexpr const char* SETTINGS_FILE = "Korvel4人将棋.ini";
inline constexpr const char* HELP_PAGE = "Korvel4人将棋.htm";
inline constexpr const char* SOUND_DLL_TITLE = "Korvel4人将棋.dll";

enum class MouseButton { LEFT = 1, RIGHT = 2, OTHER = 4 };

class Form1 {
 public:
  Form1(Canvas& canvas, Dialogs& dialogs, SoundLibrary& sound, TurnIcons& icons, Host& host,
        Files& files);

  // --- events of the window -------------------------------------------------------------
  void Form_Load();
  void Form_MouseDown(MouseButton button, int shift, double x, double y);
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
  void OSHIRASE_Click();  // the extra options (extra_options.cpp)
  void IROWAKE_Click();
  // その他
  void KAISETU_Click();
  void VER_Click();
  // The about box's buttons.
  void Command1_Click();
  void Command2_Click() {}

  // --- operations -----------------------------------------------------------------------
  void NewGame();
  void RunComputerTurns();
  void com_ban(int seat);
  void ShowWrongTurn(int seat);
  void ShowCheck(int seat);
  void AnnounceWinner(const std::string& teamName);
  void RotateBoard();
  void RecordMove(int fromX, int fromY, int toX, int toY, PieceCode before, PieceCode after);
  void ClearGuidance();
  void ShowGuidance(int fromX, int fromY, int colour, PieceCode piece);
  void ShowTurnIcon(int seat);
  void LoadSettings();
  void SaveSettings();
  void CheckBackgroundMenu(int code);
  void ReleaseAll();
  // Repaints the whole window from the state (a script's `set board`, the window's start).
  void RedrawAll();
  // The extra options file (extra_options.cpp): read by the window before the load handler.
  void LoadExtraOptions();
  bool SaveExtraOptions();
  // The window's un-pick: a press on the picked piece's own cell drops the pick quietly.
  // False, with nothing done, for any other press.
  bool Unpick(double x, double y);

  // --- state of the run -----------------------------------------------------------------
  GameState State;
  MenuChecks Checks;
  ExtraOptions Extra;

  int PieceSelected = 0;
  int FromX = 0, FromY = 0, ToX = 0, ToY = 0;
  PieceCode PickedPiece;

  std::vector<MoveRecord> History = std::vector<MoveRecord>(1);  // entry 0 is never used
  int HistoryCount = 0;
  int HistoryTop = 0;
  int MoveNumber = 0;
  bool ResumePending = false;

  int GuidanceOn = 0;
  int GuidanceColour = COLOUR_GREEN;
  PieceCode CurrentBackground;  // 0 until the settings set it
  std::string HelpPage;  // the help page's full path, found at start-up

  SoundLibrary::Handle SoundContext = 0;
  SoundLibrary::Handle SndOther = 0, SndForbidden = 0, SndPlace = 0, SndEnd = 0, SndBgm = 0;

  // The icon the window shows now (kept for the runner's dump and the window's snapshot).
  bool IconShown = false;
  TurnIcon IconKind = TurnIcon::MAN;
  int IconLeft = 0, IconTop = 0;

  // True once the program has been told to end; every event after it is ignored.
  bool Ended = false;
  // Whether the last computer turn handed the turn on with a check.
  bool LastTurnGaveCheck = false;

 private:
  void LevelClick(int n);
  void BackgroundClick(int code);
  void EndProgram();
  void MakeMove(MouseButton button);
  void ApplyMoveAndDraw(int fromX, int fromY, int toX, int toY, PieceCode code);
  bool HandOff(int toX, int toY);
  void AnnounceWinnerOfGame();
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

  Canvas& canvas_;
  Dialogs& dialogs_;
  SoundLibrary& sound_;
  TurnIcons& icons_;
  Host& host_;
  Files& files_;
};

}  // namespace korvel
