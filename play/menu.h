// The menu bar as one table: every entry's control name, caption, depth, the handler it
// runs and the option its check mark shows. The window builds its menus from it and the
// headless runner's `menu NAME` looks its handlers up in it.
#pragma once

#include <string_view>
#include <vector>

#include "play/form1.h"

namespace korvel {

struct MenuEntry {
  const char* control;
  const char* caption;
  int level;                               // 1 for the menus of the bar
  void (Form1::*handler)() = nullptr;      // none for a menu that only opens others
  bool MenuChecks::*check = nullptr;       // the option a check mark shows, if any
};

// The whole menu bar in order.
const std::vector<MenuEntry>& MenuTable();

// The entry with that control name that runs a handler; null for any other name.
const MenuEntry* FindMenuHandler(std::string_view control);

}  // namespace korvel
