#include "play/menu.h"

namespace korvel {

const std::vector<MenuEntry>& MenuTable() {
  using F = Form1;
  using O = Options;
  using T = WindowTask;
  constexpr unsigned MODE = GAME_MODE | LOCAL_GAME;
  // clang-format off
  static const std::vector<MenuEntry> table = {
      {.control = "TAIKYOKU", .caption = "対局", .level = 1, .mnemonic = 'G'},
      {.control = "ZENKAI", .caption = "前回の続き", .level = 2, .handler = &F::ZENKAI_Click,
       .flags = LOCAL_GAME},
      {.control = "TAIKYOKU_SYURUI", .caption = "対局", .level = 2},
      {.control = "PLAY_1", .caption = "1_PLAY", .level = 3},
      {.control = "JYUNBAN_1", .caption = "１番目", .level = 4, .handler = &F::JYUNBAN_1_Click,
       .flags = MODE},
      {.control = "JYUNBAN_2", .caption = "2番目", .level = 4, .handler = &F::JYUNBAN_2_Click,
       .flags = MODE},
      {.control = "JYUNBAN_3", .caption = "3番目", .level = 4, .handler = &F::JYUNBAN_3_Click,
       .flags = MODE},
      {.control = "JYUNBAN_4", .caption = "4番目", .level = 4, .handler = &F::JYUNBAN_4_Click,
       .flags = MODE},
      {.control = "PLAY_2", .caption = "2_PLAY", .level = 3},
      {.control = "PLAY_TOIMEN", .caption = "対面", .level = 4, .handler = &F::PLAY_TOIMEN_Click,
       .flags = MODE},
      {.control = "PLAY_TONARI", .caption = "隣面", .level = 4, .handler = &F::PLAY_TONARI_Click,
       .flags = MODE},
      {.control = "PLAY_4", .caption = "4_PLAY", .level = 3, .handler = &F::PLAY_4_Click,
       .flags = MODE},
      {.control = "LEVEL", .caption = "COM対局ﾚﾍﾞﾙ", .level = 2},
      {.control = "LEVEL1", .caption = "LEVEL1", .level = 3, .handler = &F::LEVEL1_Click,
       .check = &O::LEVEL1, .flags = LOCAL_GAME},
      {.control = "LEVEL2", .caption = "LEVEL2", .level = 3, .handler = &F::LEVEL2_Click,
       .check = &O::LEVEL2, .flags = LOCAL_GAME},
      {.control = "LEVEL3", .caption = "LEVEL3", .level = 3, .handler = &F::LEVEL3_Click,
       .check = &O::LEVEL3, .flags = LOCAL_GAME},
      {.control = "LEVEL4", .caption = "LEVEL4", .level = 3, .handler = &F::LEVEL4_Click,
       .check = &O::LEVEL4, .flags = LOCAL_GAME},
      {.control = "OWARI", .caption = "終わり", .level = 2, .handler = &F::OWARI_Click,
       .flags = WHILE_BUSY},
      {.control = "NET_GAME", .caption = "ネット対局...", .level = 2, .task = T::NET_GAME,
       .flags = NETWORK | SEPARATED},
      {.control = "NET_LEAVE", .caption = "ネット対局を終える", .level = 2, .task = T::NET_LEAVE,
       .flags = NETWORK | NETWORK_ON},

      {.control = "STOP", .caption = "局面", .level = 1, .mnemonic = 'K'},
      {.control = "CANCEL", .caption = "最初", .level = 2, .handler = &F::CANCEL_Click,
       .flags = LOCAL_GAME},
      {.control = "KAITEN", .caption = "回転", .level = 2, .shortcut = "Ctrl+R",
       .handler = &F::KAITEN_Click, .flags = LOCAL_GAME},
      {.control = "REPLAY", .caption = "戻", .level = 2, .shortcut = "Left",
       .handler = &F::REPLAY_Click, .flags = LOCAL_GAME},
      {.control = "AFTER", .caption = "進", .level = 2, .shortcut = "Right",
       .handler = &F::AFTER_Click, .flags = LOCAL_GAME},
      {.control = "MATTA", .caption = "待った", .level = 2, .shortcut = "Ctrl+Z",
       .handler = &F::MATTA_Click, .flags = LOCAL_GAME},
      {.control = "KIFU_OPEN", .caption = "棋譜を開く...", .level = 2, .shortcut = "Ctrl+O",
       .task = T::OPEN_RECORD, .flags = LOCAL_GAME},
      {.control = "KIFU_SAVE", .caption = "棋譜を保存...", .level = 2, .shortcut = "Ctrl+S",
       .task = T::SAVE_RECORD},
      {.control = "KIFU_WINDOW", .caption = "棋譜ウィンドウ", .level = 2,
       .handler = &F::KIFU_WINDOW_Click, .check = &O::KIFU_WINDOW},

      {.control = "OPTION", .caption = "ｵﾌﾟｼｮﾝ", .level = 1, .mnemonic = 'O'},
      {.control = "SIDOU", .caption = "移動指導", .level = 2, .handler = &F::SIDOU_Click,
       .check = &O::SIDOU},
      {.control = "AICON", .caption = "ｱｲｺﾝ表示", .level = 2, .handler = &F::AICON_Click,
       .check = &O::AICON},
      {.control = "HAIKEI_GA", .caption = "背景画", .level = 2},
      {.control = "MIDORI", .caption = "緑", .level = 3, .handler = &F::MIDORI_Click,
       .check = &O::MIDORI},
      {.control = "TATAMI", .caption = "畳", .level = 3, .handler = &F::TATAMI_Click,
       .check = &O::TATAMI},
      {.control = "TAKE", .caption = "竹", .level = 3, .handler = &F::TAKE_Click,
       .check = &O::TAKE},
      {.control = "UCHU", .caption = "宇宙", .level = 3, .handler = &F::UCHU_Click,
       .check = &O::UCHU},
      {.control = "RENGA", .caption = "煉瓦", .level = 3, .handler = &F::RENGA_Click,
       .check = &O::RENGA},
      {.control = "BGM", .caption = "BGM", .level = 2, .handler = &F::BGM_Click, .check = &O::BGM},
      {.control = "OSHIRASE", .caption = "お知らせを盤上に表示", .level = 2,
       .handler = &F::OSHIRASE_Click, .check = &O::OSHIRASE},
      {.control = "IROWAKE", .caption = "駒の色分け", .level = 2, .handler = &F::IROWAKE_Click,
       .check = &O::IROWAKE},
      {.control = "SAISYUTE", .caption = "最終手表示", .level = 2, .handler = &F::SAISYUTE_Click,
       .check = &O::SAISYUTE},

      {.control = "SONOTA", .caption = "その他", .level = 1, .mnemonic = 'S'},
      {.control = "KAISETU", .caption = "解説", .level = 2, .shortcut = "F1",
       .handler = &F::KAISETU_Click},
      {.control = "VER", .caption = "バージョン情報", .level = 2, .handler = &F::VER_Click},

      // The window's own keys.
      {.control = "NEW_GAME", .caption = "新しい対局", .level = 0, .shortcut = "Ctrl+N",
       .task = T::NEW_GAME, .flags = LOCAL_GAME},
      {.control = "MENU_KEY", .caption = "", .level = 0, .shortcut = "F10",
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
