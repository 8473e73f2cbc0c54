// 言語: the window's language is chosen from the menu, kept in the options file only once
// English was ever chosen (the file of a player who never chose stays byte for byte), read
// back at the start, and every word the presenter shows or draws follows it.
#include <gtest/gtest.h>

#include <algorithm>

#include "play/options.h"
#include "support/fake_ports.h"

namespace korvel {
namespace {

using testing::MemoryRig;

const std::string kWindowsFile =
    "notices=1\ntint=0\nwindow_width=900\nwindow_height=700\nlast_move_mark=0\nmove_list=1\n";

std::string& OptionsBytes(MemoryRig& rig) {
  return rig.files.area[static_cast<int>(FileArea::CONFIG)][OPTIONS_FILE];
}

bool Drew(const testing::RecordingCanvas& c, const std::string& text) {
  return std::any_of(c.ops.begin(), c.ops.end(),
                     [&](const auto& op) { return op.kind == 'T' && op.text == text; });
}

struct Language : ::testing::Test {
  void TearDown() override { SetLanguage(korvel::Language::JAPANESE); }
};

TEST_F(Language, TheOptionsFileStaysAsItWasUntilEnglishIsChosen) {
  EXPECT_EQ(FormatOptionsFile(ParseOptionsFile(kWindowsFile)), kWindowsFile);
  EXPECT_EQ(FormatOptionsFile(Options()).find("language"), std::string::npos);

  MemoryRig rig;
  OptionsBytes(rig) = kWindowsFile;
  rig.form.LoadOptionsFile();
  rig.form.Form_Load();
  EXPECT_EQ(CurrentLanguage(), korvel::Language::JAPANESE);
  // 日本語 while Japanese is shown changes nothing, the file included.
  rig.form.LANG_JA_Click();
  rig.form.OSHIRASE_Click();
  rig.form.OSHIRASE_Click();
  EXPECT_EQ(OptionsBytes(rig), kWindowsFile);

  rig.form.LANG_EN_Click();
  EXPECT_EQ(OptionsBytes(rig), kWindowsFile + "language=en\n");
  EXPECT_EQ(CurrentLanguage(), korvel::Language::ENGLISH);
  EXPECT_TRUE(rig.form.TheOptions().LANG_EN);
  EXPECT_FALSE(rig.form.TheOptions().LANG_JA);
  // Back to Japanese, the choice is still kept: the next start shows Japanese too.
  rig.form.LANG_JA_Click();
  EXPECT_EQ(OptionsBytes(rig), kWindowsFile + "language=ja\n");
  EXPECT_EQ(CurrentLanguage(), korvel::Language::JAPANESE);
}

TEST_F(Language, TheKeptChoiceIsReadAtTheStartAndADamagedOneIgnored) {
  struct Case {
    const char* line;
    bool english, kept;
  };
  const Case cases[] = {{"language=en\n", true, true},   {"language = ja \n", false, true},
                        {"language=fr\n", false, false}, {"language=\n", false, false},
                        {"languages=en\n", false, false}, {"LANGUAGE=en\n", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    MemoryRig rig;
    OptionsBytes(rig) = kWindowsFile + c.line;
    rig.form.LoadOptionsFile();
    EXPECT_EQ(rig.form.TheOptions().LANG_EN, c.english);
    EXPECT_EQ(rig.form.TheOptions().LANG_JA, !c.english);
    EXPECT_EQ(rig.form.TheOptions().languageKept, c.kept);
    EXPECT_EQ(CurrentLanguage(), c.english ? korvel::Language::ENGLISH : korvel::Language::JAPANESE);
    EXPECT_EQ(rig.form.TheOptions().windowWidth, 900);  // the other lines are read as before
    SetLanguage(korvel::Language::JAPANESE);
  }
  // A file that names the language keeps naming it, the other lines written as read.
  const Options en = ParseOptionsFile(kWindowsFile + "language=en\n");
  EXPECT_EQ(FormatOptionsFile(en), kWindowsFile + "language=en\n");
}

TEST_F(Language, MessagesAndTheBoardsWordsFollowTheChoice) {
  MemoryRig rig;
  rig.form.LoadOptionsFile();
  rig.form.Form_Load();
  rig.form.LANG_EN_Click();
  rig.form.MATTA_Click();  // before a game: refused in a box
  ASSERT_FALSE(rig.dialogs.shown.empty());
  EXPECT_EQ(rig.dialogs.shown.back().rfind("message ", 0), 0u);
  EXPECT_EQ(rig.dialogs.shown.back().find_first_of("\xE3"), std::string::npos)
      << rig.dialogs.shown.back();  // no Japanese kana or kanji
  rig.form.PLAY_4_Click();
  rig.canvas.ops.clear();
  // The first player's pawn moves: the move text names the piece, the corner the move.
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, 1400.0 + 705 * 5 + 352, 500.0 + 705 * 7 + 352);
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, 1400.0 + 705 * 5 + 352, 500.0 + 705 * 6 + 352);
  ASSERT_EQ(rig.form.TheGame().HistoryCount(), 1);
  EXPECT_TRUE(Drew(rig.canvas, "P"));
  EXPECT_TRUE(Drew(rig.canvas, "move"));
  EXPECT_FALSE(Drew(rig.canvas, "歩"));
  EXPECT_FALSE(Drew(rig.canvas, "手目"));
  // Chosen again mid-game, the corner is drawn again in Japanese at once.
  rig.canvas.ops.clear();
  rig.form.LANG_JA_Click();
  EXPECT_TRUE(Drew(rig.canvas, "手目"));
  // Back and forward again, the move is written in Japanese.
  rig.form.REPLAY_Click();
  rig.canvas.ops.clear();
  rig.form.AFTER_Click();
  EXPECT_TRUE(Drew(rig.canvas, "歩"));
  EXPECT_FALSE(Drew(rig.canvas, "P"));
}

}  // namespace
}  // namespace korvel
