// The options that are kept apart from the settings file: the window's own choices, in
// "korvel4-options.ini" (UTF-8 key=value lines) in the player's configuration area.
#pragma once

#include <string>

#include "play/files.h"

namespace korvel {

inline constexpr const char* EXTRA_OPTIONS_FILE = "korvel4-options.ini";

struct ExtraOptions {
  bool notices = false;       // informing messages as a notice over the board
  bool tint = false;          // pieces tinted with their seat's colour, own seats named
  int windowWidth = 745;      // the drawing area's size, in design pixels
  int windowHeight = 580;
  bool lastMoveMark = true;   // the last move's squares tinted on the board (最終手表示)
  bool moveList = false;      // the list of moves beside the board (棋譜ウィンドウ)

  bool operator==(const ExtraOptions&) const = default;
};

// The sizes a remembered window may have; anything else is taken as the default.
inline constexpr int MIN_WINDOW_SIDE = 200;
inline constexpr int MAX_WINDOW_SIDE = 16384;

// Reads the lines of the file: unknown keys, bad values and damaged lines leave the
// defaults in place.
ExtraOptions ParseExtraOptions(const std::string& text);
std::string FormatExtraOptions(const ExtraOptions& options);

// Through the files port; a missing or unreadable file gives the defaults.
ExtraOptions ReadExtraOptions(Files& files);
bool WriteExtraOptions(Files& files, const ExtraOptions& options);

}  // namespace korvel
