#include "play/menu.h"

namespace korvel {

const std::vector<MenuEntry>& MenuTable() {
  using F = Form1;
  using O = Options;
  using T = WindowTask;
  constexpr unsigned MODE = GAME_MODE | LOCAL_GAME;
  // clang-format off
  static const std::vector<MenuEntry> table = {
      {.control = "TAIKYOKU", .caption = TextId::MENU_TAIKYOKU, .level = 1, .mnemonic = 'G'},
      {.control = "NEW_GAME", .caption = TextId::MENU_NEW_GAME, .level = 2, .shortcut = "Ctrl+N",
       .task = T::NEW_GAME, .flags = LOCAL_GAME},
      {.control = "ZENKAI", .caption = TextId::MENU_ZENKAI, .level = 2, .handler = &F::ZENKAI_Click,
       .flags = LOCAL_GAME},
      {.control = "TIME_CONTROL", .caption = TextId::MENU_TIME_CONTROL, .level = 2,
       .task = T::TIME_CONTROL, .flags = LOCAL_GAME},
      {.control = "TAIKYOKU_SYURUI", .caption = TextId::MENU_TAIKYOKU_SYURUI, .level = 2},
      {.control = "PLAY_1", .caption = TextId::MENU_PLAY_1, .level = 3},
      {.control = "JYUNBAN_1", .caption = TextId::MENU_JYUNBAN_1, .level = 4, .handler = &F::JYUNBAN_1_Click,
       .flags = MODE},
      {.control = "JYUNBAN_2", .caption = TextId::MENU_JYUNBAN_2, .level = 4, .handler = &F::JYUNBAN_2_Click,
       .flags = MODE},
      {.control = "JYUNBAN_3", .caption = TextId::MENU_JYUNBAN_3, .level = 4, .handler = &F::JYUNBAN_3_Click,
       .flags = MODE},
      {.control = "JYUNBAN_4", .caption = TextId::MENU_JYUNBAN_4, .level = 4, .handler = &F::JYUNBAN_4_Click,
       .flags = MODE},
      {.control = "PLAY_2", .caption = TextId::MENU_PLAY_2, .level = 3},
      {.control = "PLAY_TOIMEN", .caption = TextId::MENU_PLAY_TOIMEN, .level = 4, .handler = &F::PLAY_TOIMEN_Click,
       .flags = MODE},
      {.control = "PLAY_TONARI", .caption = TextId::MENU_PLAY_TONARI, .level = 4, .handler = &F::PLAY_TONARI_Click,
       .flags = MODE},
      {.control = "PLAY_4", .caption = TextId::MENU_PLAY_4, .level = 3, .handler = &F::PLAY_4_Click,
       .flags = MODE},
      {.control = "LEVEL", .caption = TextId::MENU_LEVEL, .level = 2},
      {.control = "LEVEL1", .caption = TextId::MENU_LEVEL1, .level = 3, .handler = &F::LEVEL1_Click,
       .check = &O::LEVEL1, .flags = LOCAL_GAME},
      {.control = "LEVEL2", .caption = TextId::MENU_LEVEL2, .level = 3, .handler = &F::LEVEL2_Click,
       .check = &O::LEVEL2, .flags = LOCAL_GAME},
      {.control = "LEVEL3", .caption = TextId::MENU_LEVEL3, .level = 3, .handler = &F::LEVEL3_Click,
       .check = &O::LEVEL3, .flags = LOCAL_GAME},
      {.control = "LEVEL4", .caption = TextId::MENU_LEVEL4, .level = 3, .handler = &F::LEVEL4_Click,
       .check = &O::LEVEL4, .flags = LOCAL_GAME},
      {.control = "OWARI", .caption = TextId::MENU_OWARI, .level = 2, .handler = &F::OWARI_Click,
       .flags = WHILE_BUSY},
      {.control = "NET_GAME", .caption = TextId::MENU_NET_GAME, .level = 2, .task = T::NET_GAME,
       .flags = NETWORK | SEPARATED},
      {.control = "NET_LEAVE", .caption = TextId::MENU_NET_LEAVE, .level = 2, .task = T::NET_LEAVE,
       .flags = NETWORK | NETWORK_ON},

      {.control = "STOP", .caption = TextId::MENU_STOP, .level = 1, .mnemonic = 'K'},
      {.control = "MOVE_NOW", .caption = TextId::MENU_MOVE_NOW, .level = 2, .shortcut = "Space",
       .task = T::MOVE_NOW, .flags = WHILE_THINKING},
      {.control = "CANCEL", .caption = TextId::MENU_CANCEL, .level = 2, .handler = &F::CANCEL_Click,
       .flags = LOCAL_GAME},
      {.control = "KAITEN", .caption = TextId::MENU_KAITEN, .level = 2, .shortcut = "Ctrl+R",
       .handler = &F::KAITEN_Click, .flags = LOCAL_GAME},
      {.control = "REPLAY", .caption = TextId::MENU_REPLAY, .level = 2, .shortcut = "Left",
       .handler = &F::REPLAY_Click, .flags = LOCAL_GAME},
      {.control = "AFTER", .caption = TextId::MENU_AFTER, .level = 2, .shortcut = "Right",
       .handler = &F::AFTER_Click, .flags = LOCAL_GAME},
      {.control = "MATTA", .caption = TextId::MENU_MATTA, .level = 2, .shortcut = "Ctrl+Z",
       .handler = &F::MATTA_Click, .flags = LOCAL_GAME},
      {.control = "KIFU_OPEN", .caption = TextId::MENU_KIFU_OPEN, .level = 2, .shortcut = "Ctrl+O",
       .task = T::OPEN_RECORD, .flags = LOCAL_GAME},
      {.control = "KIFU_SAVE", .caption = TextId::MENU_KIFU_SAVE, .level = 2, .shortcut = "Ctrl+S",
       .task = T::SAVE_RECORD},
      {.control = "KIFU_WINDOW", .caption = TextId::MENU_KIFU_WINDOW, .level = 2,
       .handler = &F::KIFU_WINDOW_Click, .check = &O::KIFU_WINDOW},

      {.control = "KENTOU", .caption = TextId::MENU_KENTOU, .level = 1, .mnemonic = 'T'},
      {.control = "HINT", .caption = TextId::MENU_HINT, .level = 2, .shortcut = "Ctrl+H",
       .task = T::HINT, .flags = LOCAL_GAME},
      {.control = "KIFU_KAISEKI", .caption = TextId::MENU_KIFU_KAISEKI, .level = 2,
       .task = T::ANALYZE, .flags = LOCAL_GAME},

      {.control = "OPTION", .caption = TextId::MENU_OPTION, .level = 1, .mnemonic = 'O'},
      {.control = "SIDOU", .caption = TextId::MENU_SIDOU, .level = 2, .handler = &F::SIDOU_Click,
       .check = &O::SIDOU},
      {.control = "AICON", .caption = TextId::MENU_AICON, .level = 2, .handler = &F::AICON_Click,
       .check = &O::AICON},
      {.control = "HAIKEI_GA", .caption = TextId::MENU_HAIKEI_GA, .level = 2},
      {.control = "MIDORI", .caption = TextId::MENU_MIDORI, .level = 3, .handler = &F::MIDORI_Click,
       .check = &O::MIDORI},
      {.control = "TATAMI", .caption = TextId::MENU_TATAMI, .level = 3, .handler = &F::TATAMI_Click,
       .check = &O::TATAMI},
      {.control = "TAKE", .caption = TextId::MENU_TAKE, .level = 3, .handler = &F::TAKE_Click,
       .check = &O::TAKE},
      {.control = "UCHU", .caption = TextId::MENU_UCHU, .level = 3, .handler = &F::UCHU_Click,
       .check = &O::UCHU},
      {.control = "RENGA", .caption = TextId::MENU_RENGA, .level = 3, .handler = &F::RENGA_Click,
       .check = &O::RENGA},
      {.control = "BGM", .caption = TextId::MENU_BGM, .level = 2, .handler = &F::BGM_Click, .check = &O::BGM},
      {.control = "OSHIRASE", .caption = TextId::MENU_OSHIRASE, .level = 2,
       .handler = &F::OSHIRASE_Click, .check = &O::OSHIRASE},
      {.control = "IROWAKE", .caption = TextId::MENU_IROWAKE, .level = 2, .handler = &F::IROWAKE_Click,
       .check = &O::IROWAKE},
      {.control = "SAISYUTE", .caption = TextId::MENU_SAISYUTE, .level = 2, .handler = &F::SAISYUTE_Click,
       .check = &O::SAISYUTE},

      {.control = "SONOTA", .caption = TextId::MENU_SONOTA, .level = 1, .mnemonic = 'S'},
      {.control = "KAISETU", .caption = TextId::MENU_KAISETU, .level = 2, .shortcut = "F1",
       .handler = &F::KAISETU_Click},
      {.control = "VER", .caption = TextId::MENU_VER, .level = 2, .handler = &F::VER_Click},
      {.control = "LANGUAGE", .caption = TextId::MENU_LANGUAGE, .level = 2},
      {.control = "LANG_JA", .caption = TextId::MENU_LANG_JA, .level = 3, .handler = &F::LANG_JA_Click,
       .check = &O::LANG_JA},
      {.control = "LANG_EN", .caption = TextId::MENU_LANG_EN, .level = 3, .handler = &F::LANG_EN_Click,
       .check = &O::LANG_EN},

      // The window's own keys.
      {.control = "MENU_KEY", .caption = TextId::NONE, .level = 0, .shortcut = "F10",
       .task = T::OPEN_MENUS},
  };
  // clang-format on
  return table;
}

bool OpensMenu(std::size_t index) {
  const std::vector<MenuEntry>& table = MenuTable();
  return index + 1 < table.size() && table[index].level > 0 &&
         table[index + 1].level > table[index].level;
}

const MenuEntry* FindMenuHandler(std::string_view control) {
  for (const MenuEntry& e : MenuTable())
    if (e.handler && control == e.control) return &e;
  return nullptr;
}

}  // namespace korvel
