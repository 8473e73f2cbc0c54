// The table of words: every id has its words, a format's parts go where its placeholders
// stand, and the names of seats, teams and refusals are the ones the program shows.
#include "play/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "game/pieces.h"

namespace korvel {
namespace {

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (int k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

// The placeholders a text holds, in the order they stand.
std::vector<int> Placeholders(std::string_view format) {
  std::vector<int> found;
  WalkFormat(format, [](std::string_view) {}, [&](int n) { found.push_back(n); });
  return found;
}

// The formats and how many parts each takes; every other text takes none.
const std::map<TextId, int> kFormats = {
    {TextId::CHECK_SEAT, 1},           {TextId::WINS, 1},
    {TextId::CANNOT_SAVE, 1},          {TextId::SOUND_NOT_WAVE, 1},
    {TextId::RECORD_AT_LINE, 2},       {TextId::RECORD_TRAILING_SPACE, 1},
    {TextId::RECORD_BAD_CELL, 1},      {TextId::RECORD_BAD_HAND_AT, 1},
    {TextId::RECORD_BAD_TURN_AT, 1},   {TextId::RECORD_UNKNOWN_KEY, 1},
    {TextId::RECORD_NO_PLAYER_KIND, 1}, {TextId::RECORD_TWO_KINGS, 1},
    {TextId::RECORD_WRONG_NUMBER, 1},  {TextId::RECORD_REFUSED_TURN, 2},
    {TextId::RECORD_CANNOT_PASS, 1},   {TextId::RECORD_REFUSED_MOVE, 2},
    {TextId::CAME_BACK, 1},            {TextId::PERSON, 1},
    {TextId::PERSON_HOST, 1},          {TextId::CONNECTION_LOST, 1},
    {TextId::WAIT_SECONDS, 1},         {TextId::COMPUTER_TAKES_OVER, 1},
    {TextId::HOST_PASSED, 1},
    {TextId::FILE_NAMED, 2},
    {TextId::THINKING_TIME, 1},
    {TextId::FILE_FILTER_RECORDS, 1},  {TextId::HELP_NOT_OPENED, 1},
    {TextId::NOTICE_TITLED, 2},        {TextId::NET_OWN_MARK, 1},
    {TextId::NET_RECORD_NOT_SAVED, 1}, {TextId::NET_RECORD_SAVED, 1},
    {TextId::NET_STATUS_ROOM, 1},      {TextId::NET_STATUS_TURN, 2},
    {TextId::NET_HANDOVER_ASK, 1},     {TextId::NET_LEVEL, 1},
    {TextId::NET_CAN_GO_BACK, 2},      {TextId::NET_CANNOT_OPEN, 1},
    {TextId::NET_ROOM_INFO, 3},        {TextId::NET_SEAT_LINE, 2},
    {TextId::NET_ROOM_LINK, 1},
    {TextId::HINT_MOVE, 1},            {TextId::ANALYSIS_PROGRESS, 2},
    {TextId::ANALYSIS_WORST, 4},
    {TextId::NO_MOVE_PASS, 1},         {TextId::NET_MISSING_MARK, 1},
    {TextId::NET_STATUS_WATCHERS, 1},
    {TextId::TIME_UP_WINS, 2},         {TextId::CLOCK_BYOYOMI, 1},
};

TEST(TextTable, EveryIdHasJapaneseWordsAndFormatsTakeTheirParts) {
  for (int i = 0; i < static_cast<int>(TextId::COUNT); ++i) {
    const auto id = static_cast<TextId>(i);
    const std::string ja = TextIn(Language::JAPANESE, id);
    EXPECT_STREQ(Text(id), ja.c_str()) << i;
    EXPECT_TRUE(IsUtf8(ja)) << i;
    if (id == TextId::NONE) {
      EXPECT_EQ(ja, "");
      continue;
    }
    EXPECT_FALSE(ja.empty()) << i;
    // Each part 1..n appears exactly once, and none beyond.
    std::vector<int> parts = Placeholders(ja);
    std::sort(parts.begin(), parts.end());
    const auto f = kFormats.find(id);
    const int expected = f == kFormats.end() ? 0 : f->second;
    ASSERT_EQ(parts.size(), static_cast<size_t>(expected)) << i << " " << ja;
    for (int n = 0; n < expected; ++n) EXPECT_EQ(parts[n], n + 1) << i << " " << ja;
  }
}

TEST(TextTable, MenuCaptionsAreTheirOwnAndDistinctWithinAMenu) {
  // The menu's captions in the table's order, as the window shows them.
  const std::vector<std::string> expected = {
      "対局", "前回の続き", "対局", "1_PLAY", "１番目", "2番目", "3番目", "4番目", "2_PLAY", "対面",
      "隣面", "4_PLAY", "COM対局ﾚﾍﾞﾙ", "LEVEL1", "LEVEL2", "LEVEL3", "LEVEL4", "終わり",
      "ネット対局...", "ネット対局を終える", "局面", "最初", "回転", "戻", "進", "待った",
      "棋譜を開く...", "棋譜を保存...", "棋譜ウィンドウ", "ｵﾌﾟｼｮﾝ", "移動指導", "ｱｲｺﾝ表示",
      "背景画", "緑", "畳", "竹", "宇宙", "煉瓦", "BGM", "お知らせを盤上に表示", "駒の色分け",
      "最終手表示", "その他", "解説", "バージョン情報", "新しい対局", "今すぐ指す"};
  std::vector<std::string> shown;
  for (int i = static_cast<int>(TextId::MENU_TAIKYOKU);
       i <= static_cast<int>(TextId::MENU_MOVE_NOW); ++i)
    shown.push_back(Text(static_cast<TextId>(i)));
  EXPECT_EQ(shown, expected);
  // 検討's block, at the end of the table.
  shown.clear();
  for (int i = static_cast<int>(TextId::MENU_KENTOU);
       i <= static_cast<int>(TextId::MENU_KIFU_KAISEKI); ++i)
    shown.push_back(Text(static_cast<TextId>(i)));
  EXPECT_EQ(shown, (std::vector<std::string>{"検討", "ヒント", "棋譜解析"}));
}

// English: every id has words, with the same parts as the Japanese (in any order), and the
// window's language picks the table while TextIn keeps each language's own.
TEST(TextTable, EveryIdHasEnglishWordsWithTheJapaneseParts) {
  for (int i = 1; i < static_cast<int>(TextId::COUNT); ++i) {
    const auto id = static_cast<TextId>(i);
    const std::string en = TextIn(Language::ENGLISH, id), ja = TextIn(Language::JAPANESE, id);
    EXPECT_FALSE(en.empty()) << i;
    EXPECT_TRUE(IsUtf8(en)) << i;
    std::vector<int> enParts = Placeholders(en), jaParts = Placeholders(ja);
    std::sort(enParts.begin(), enParts.end());
    std::sort(jaParts.begin(), jaParts.end());
    EXPECT_EQ(enParts, jaParts) << i << " " << en;
  }
  EXPECT_STREQ(TextIn(Language::ENGLISH, TextId::NONE), "");
}

TEST(TextTable, TheWindowsLanguagePicksTheTable) {
  ASSERT_EQ(CurrentLanguage(), Language::JAPANESE);
  SetLanguage(Language::ENGLISH);
  EXPECT_STREQ(Text(TextId::TITLE_MATE), "Checkmate?");
  EXPECT_STREQ(TextIn(Language::JAPANESE, TextId::TITLE_MATE), "詰め ?");
  EXPECT_EQ(Fill(TextId::WINS, {TeamName(UE)}), "Team South/North wins");
  EXPECT_STREQ(SeatPrompt(MIGI), "East's turn");
  EXPECT_STREQ(WordsFor(Refusal::PARTNER_CHECK).prompt, "You cannot check your partner");
  EXPECT_EQ(Fill(TextId::NET_CAN_GO_BACK, {"ABC123", "North"}),
            "You can go back to the North seat of room ABC123. The game so far comes too");
  SetLanguage(Language::JAPANESE);
  EXPECT_STREQ(Text(TextId::TITLE_MATE), "詰め ?");
}

// The language choice is named in both languages, so a player who reads only one finds it.
TEST(TextTable, TheLanguageChoiceIsNamedInBothLanguages) {
  for (Language l : {Language::JAPANESE, Language::ENGLISH}) {
    EXPECT_NE(std::string(TextIn(l, TextId::MENU_LANGUAGE)).find("言語"), std::string::npos);
    EXPECT_NE(std::string(TextIn(l, TextId::MENU_LANGUAGE)).find("Language"), std::string::npos);
    EXPECT_STREQ(TextIn(l, TextId::MENU_LANG_JA), "日本語");
    EXPECT_STREQ(TextIn(l, TextId::MENU_LANG_EN), "English");
  }
}

TEST(Fill, PutsEachPartWhereItsPlaceholderStands) {
  EXPECT_EQ(Fill(TextId::RECORD_AT_LINE, {"12", "読めない行です"}), "12行目: 読めない行です");
  EXPECT_EQ(Fill(TextId::WINS, {"先手組み"}), "先手組みの勝ちです");
  EXPECT_EQ(Fill(TextId::RECORD_REFUSED_TURN, {"手番が違います", "左"}),
            "手番が違います（左の番）");
  EXPECT_EQ(Fill(TextId::SOUND_NOT_WAVE, {"禁止.wav"}),
            "「禁止.wav」は正しいウェーブ ファイルではありません。");
  EXPECT_EQ(Fill(TextId::RECORD_WRONG_NUMBER, {"7"}), "手数が違います（7 のはず）");

  struct Case {
    const char* format;
    std::initializer_list<std::string_view> parts;
    const char* filled;
  };
  const Case cases[] = {
      {"{2} before {1}", {"a", "b"}, "b before a"},
      {"{1}{1}", {"x"}, "xx"},
      {"{1}", {"{1}{2}"}, "{1}{2}"},  // a part is never read as a format
      {"{1} and {2}", {"only"}, "only and "},
      {"{0} {x} { {1 {10}", {"p"}, "{0} {x} { {1 {10}"},
      {"tail {", {}, "tail {"},
      {"", {"p"}, ""},
      {"{1}", {""}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Fill(c.format, c.parts), c.filled) << c.format;
}

TEST(SeatWords, TeamsAndPromptsOfEverySeat) {
  struct Case {
    int seat;
    const char *team, *prompt;
  };
  const Case cases[] = {{SITA, "先手組み", "下の番です"},
                        {HIDARI, "後手組み", "左の番です"},
                        {UE, "先手組み", "上の番です"},
                        {MIGI, "後手組み", "右の番です"}};
  for (const Case& c : cases) {
    EXPECT_STREQ(TeamName(c.seat), c.team);
    EXPECT_STREQ(SeatPrompt(c.seat), c.prompt);
  }
  for (int bad : {NO_SEAT, 0, 5}) EXPECT_STREQ(SeatPrompt(bad), "") << bad;
}

TEST(SeatWords, EveryRefusalHasTheWindowsWords) {
  struct Case {
    Refusal r;
    const char *title, *prompt;
  };
  const Case cases[] = {
      {Refusal::NONE, "", ""},
      {Refusal::NOT_STARTED, "開始", "まだ始まっていません"},
      {Refusal::GAME_OVER, "終了", "対局は終わっています"},
      {Refusal::NOT_YOUR_TURN, "手番", "手番が違います"},
      {Refusal::NOT_YOUR_PIECE, "禁手", "指せない手です"},
      {Refusal::EMPTY_HAND, "禁手", "指せない手です"},
      {Refusal::CANNOT_MOVE, "禁手", "指せない手です"},
      {Refusal::CANNOT_PROMOTE, "禁手", "指せない手です"},
      {Refusal::PARTNER_CHECK, "禁手", "味方に王手はできません"},
      {Refusal::MUST_PROMOTE, "成り", "マウスの右をクリックして下さい"},
  };
  std::set<Refusal> seen;
  for (const Case& c : cases) {
    EXPECT_STREQ(WordsFor(c.r).title, c.title);
    EXPECT_STREQ(WordsFor(c.r).prompt, c.prompt);
    seen.insert(c.r);
  }
  EXPECT_EQ(seen.size(), std::size(cases));
}

}  // namespace
}  // namespace korvel
