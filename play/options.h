// Every option of the program in one place: what the menu's check marks show and the
// window's size. Each option is kept in one file, or in none:
//   the settings file "Korvel4人将棋.ini" (key=value lines, CR LF; play/settings.cpp),
//   the options file "korvel4-options.ini" (UTF-8 key=value lines, LF; below), both in the
//   player's configuration area.
#pragma once

#include <string>

#include "play/files.h"

namespace korvel {

inline constexpr const char* SETTINGS_FILE = "Korvel4人将棋.ini";
inline constexpr const char* OPTIONS_FILE = "korvel4-options.ini";

// The sizes a remembered window may have; anything else is taken as the default.
inline constexpr int MIN_WINDOW_SIDE = 200;
inline constexpr int MAX_WINDOW_SIDE = 16384;

// The fields a check mark shows carry the control name of its menu entry (play/menu.cpp).
struct Options {
  // The computers' level, one of four (COM対局ﾚﾍﾞﾙ): kept in no file.
  bool LEVEL1 = false, LEVEL2 = false, LEVEL3 = true, LEVEL4 = false;

  // The settings file.
  bool SIDOU = false;  // 移動指導: the squares a picked piece may go to are framed
  bool AICON = true;   // ｱｲｺﾝ表示: the turn icons
  // 背景画, one of five.
  bool MIDORI = false, TATAMI = true, TAKE = false, UCHU = false, RENGA = false;
  bool BGM = false;

  // The options file.
  bool OSHIRASE = false;  // informing messages as a notice over the board
  bool IROWAKE = false;   // pieces tinted with their seat's colour, own seats named
  int windowWidth = 745;  // the drawing area's size, in design pixels
  int windowHeight = 580;
  bool SAISYUTE = true;      // the last move's squares tinted on the board (最終手表示)
  bool KIFU_WINDOW = false;  // the list of moves beside the board (棋譜ウィンドウ)
  // The folder the player last chose a record in (棋譜を開く, 棋譜を保存): empty until a
  // file dialog has been used, and then only is it written to the file.
  std::string recordFolder;
  // 言語: the window's language, one of two. Kept in the file only once English was ever
  // chosen (`languageKept`), so a file of a player who never chose stays as it was.
  bool LANG_JA = true, LANG_EN = false;
  bool languageKept = false;

  // The level's marks: `n` alone.
  void MarkLevel(int n);
  // The background's marks: `code` (2 緑 .. 6 煉瓦) alone, or none for another code.
  void MarkBackground(int code);

  bool operator==(const Options&) const = default;
};

// The options file's text. Reading gives `base` with the fields that file keeps taken from
// the text: unknown keys, bad values and damaged lines leave those fields at their defaults.
Options ParseOptionsFile(const std::string& text, Options base = Options());
std::string FormatOptionsFile(const Options& options);

// Through the files port; a missing or unreadable file gives the defaults.
Options ReadOptionsFile(Files& files, Options base = Options());
bool WriteOptionsFile(Files& files, const Options& options);

}  // namespace korvel
