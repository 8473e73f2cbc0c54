#include "play/menu.h"

namespace korvel {

const std::vector<MenuEntry>& MenuTable() {
  using F = Form1;
  using C = MenuChecks;
  // clang-format off
  static const std::vector<MenuEntry> table = {
      {"TAIKYOKU", "対局", 1},
      {"ZENKAI", "前回の続き", 2, &F::ZENKAI_Click},
      {"TAIKYOKU_SYURUI", "対局", 2},
      {"PLAY_1", "1_PLAY", 3},
      {"JYUNBAN_1", "１番目", 4, &F::JYUNBAN_1_Click},
      {"JYUNBAN_2", "2番目", 4, &F::JYUNBAN_2_Click},
      {"JYUNBAN_3", "3番目", 4, &F::JYUNBAN_3_Click},
      {"JYUNBAN_4", "4番目", 4, &F::JYUNBAN_4_Click},
      {"PLAY_2", "2_PLAY", 3},
      {"PLAY_TOIMEN", "対面", 4, &F::PLAY_TOIMEN_Click},
      {"PLAY_TONARI", "隣面", 4, &F::PLAY_TONARI_Click},
      {"PLAY_4", "4_PLAY", 3, &F::PLAY_4_Click},
      {"LEVEL", "COM対局ﾚﾍﾞﾙ", 2},
      {"LEVEL1", "LEVEL1", 3, &F::LEVEL1_Click, &C::LEVEL1},
      {"LEVEL2", "LEVEL2", 3, &F::LEVEL2_Click, &C::LEVEL2},
      {"LEVEL3", "LEVEL3", 3, &F::LEVEL3_Click, &C::LEVEL3},
      {"LEVEL4", "LEVEL4", 3, &F::LEVEL4_Click, &C::LEVEL4},
      {"OWARI", "終わり", 2, &F::OWARI_Click},
      {"STOP", "局面", 1},
      {"CANCEL", "最初", 2, &F::CANCEL_Click},
      {"KAITEN", "回転", 2, &F::KAITEN_Click},
      {"REPLAY", "戻", 2, &F::REPLAY_Click},
      {"AFTER", "進", 2, &F::AFTER_Click},
      {"MATTA", "待った", 2, &F::MATTA_Click},
      {"KIFU_OPEN", "棋譜を開く...", 2},
      {"KIFU_SAVE", "棋譜を保存...", 2},
      {"KIFU_WINDOW", "棋譜ウィンドウ", 2, &F::KIFU_WINDOW_Click, &C::KIFU_WINDOW},
      {"OPTION", "ｵﾌﾟｼｮﾝ", 1},
      {"SIDOU", "移動指導", 2, &F::SIDOU_Click, &C::SIDOU},
      {"AICON", "ｱｲｺﾝ表示", 2, &F::AICON_Click, &C::AICON},
      {"HAIKEI_GA", "背景画", 2},
      {"MIDORI", "緑", 3, &F::MIDORI_Click, &C::MIDORI},
      {"TATAMI", "畳", 3, &F::TATAMI_Click, &C::TATAMI},
      {"TAKE", "竹", 3, &F::TAKE_Click, &C::TAKE},
      {"UCHU", "宇宙", 3, &F::UCHU_Click, &C::UCHU},
      {"RENGA", "煉瓦", 3, &F::RENGA_Click, &C::RENGA},
      {"BGM", "BGM", 2, &F::BGM_Click, &C::BGM},
      {"OSHIRASE", "お知らせを盤上に表示", 2, &F::OSHIRASE_Click, &C::OSHIRASE},
      {"IROWAKE", "駒の色分け", 2, &F::IROWAKE_Click, &C::IROWAKE},
      {"SAISYUTE", "最終手表示", 2, &F::SAISYUTE_Click, &C::SAISYUTE},
      {"SONOTA", "その他", 1},
      {"KAISETU", "解説", 2, &F::KAISETU_Click},
      {"VER", "バージョン情報", 2, &F::VER_Click},
  };
  // clang-format on
  return table;
}

const MenuEntry* FindMenuHandler(std::string_view control) {
  for (const MenuEntry& e : MenuTable())
    if (e.handler && control == e.control) return &e;
  return nullptr;
}

}  // namespace korvel
