// The menu bar as one table: every entry's control name, caption, depth, mnemonic and
// shortcut, the handler it runs and the option its check mark shows, and the window's own
// keys that sit in no menu. The window builds its menus and keys from it; the headless
// runner's `menu NAME` looks its handlers up in it.
#pragma once

#include <string_view>
#include <vector>

#include "play/form1.h"
#include "play/texts.h"

namespace korvel {

// The work of an entry that only the window can do (a file dialog, the network dialog,
// its own keys): such an entry runs no handler of Form1, so the runner knows it not.
enum class WindowTask {
  NONE,
  OPEN_RECORD,  // 棋譜を開く...: the file chosen goes to Form1::OpenRecord
  SAVE_RECORD,  // 棋譜を保存...: the file chosen goes to Form1::SaveRecord
  NEW_GAME,     // 新しい対局: a new game in the game mode chosen last (off before any)
  MOVE_NOW,     // 今すぐ指す: the computer thinking now plays its best move so far
  OPEN_MENUS,   // the first menu of the bar opened from the keyboard
  NET_GAME,     // ネット対局...: the network game's dialog
  NET_LEAVE,    // ネット対局を終える
  TIME_CONTROL, // 持ち時間...: the dialog's choice goes to Form1::SetTimeControl
  HINT,         // ヒント: level 4's move for the person to move, marked on the board
  ANALYZE,      // 棋譜解析: the game's record weighed move by move, shown as a graph
};

// What else the window knows of an entry.
enum MenuFlag : unsigned {
  GAME_MODE = 1u << 0,   // chooses a game mode; NEW_GAME starts the one chosen last
  WHILE_BUSY = 1u << 1,  // chosen while the computers play, it asks to end the program;
                         // every other entry chosen then is dropped
  LOCAL_GAME = 1u << 2,  // would change the shared game, or start one of the window's own:
                         // off while a network game is on
  NETWORK = 1u << 3,     // shown only by a window that offers the network game
  NETWORK_ON = 1u << 4,  // on only while a network game is on
  SEPARATED = 1u << 5,   // a line above it
  WHILE_THINKING = 1u << 6,  // on only while a computer thinks; its key passes the closed
                             // input gate then (the menus always do)
};

struct MenuEntry {
  const char* control;
  TextId caption;                      // its words, in play/texts.h
  int level;                           // 1 for the menus of the bar; 0 for a key in no menu
  char mnemonic = 0;                   // Alt + this letter opens it: "対局(&G)"
  const char* shortcut = nullptr;      // the key that chooses it, in Qt's portable names
  void (Form1::*handler)() = nullptr;  // none for a menu, or for a task of the window's
  bool Options::*check = nullptr;      // the option a check mark shows, if any
  WindowTask task = WindowTask::NONE;
  unsigned flags = 0;

  bool Has(MenuFlag f) const { return (flags & f) != 0; }
};

// The whole menu bar in order, then the window's keys in no menu.
const std::vector<MenuEntry>& MenuTable();

// Whether the entry at `index` of the table is a menu that opens others.
bool OpensMenu(std::size_t index);

// The entry with that control name that runs a handler; null for any other name.
const MenuEntry* FindMenuHandler(std::string_view control);

}  // namespace korvel
