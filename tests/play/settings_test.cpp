// The settings file against real files in a fresh folder: what is read, what is written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/fake_ports.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FormRig;

const std::string DEFAULTS = "移動指導=OK\r\nｱｲｺﾝ表示=OK\r\n背景画=緑\r\nBGM=NG\r\n";

class SettingsFile : public testing::InFreshFolder {
 protected:
  static void Write(const std::string& bytes) {
    std::ofstream(SETTINGS_FILE, std::ios::binary) << bytes;
  }
  static std::string Read() {
    std::ifstream in(SETTINGS_FILE, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

TEST_F(SettingsFile, MissingFileIsCreatedWithTheDefaults) {
  FormRig rig;
  rig.form.Form_Load();
  EXPECT_EQ(Read(), DEFAULTS);
  EXPECT_EQ(rig.form.Looks().guidanceOn, 1);
  EXPECT_EQ(rig.form.Looks().guidanceColour, COLOUR_WHITE);
  EXPECT_TRUE(rig.form.Checks().AICON);
  EXPECT_TRUE(rig.form.Checks().MIDORI);
  EXPECT_FALSE(rig.form.Checks().TATAMI);
  EXPECT_EQ(rig.form.Looks().background, PieceCode(2));
  EXPECT_FALSE(rig.form.Checks().BGM);
  EXPECT_TRUE(rig.dialogs.shown.empty());
}

// Each file is read as it stands; the state after loading and whether the file was
// rewritten.
TEST_F(SettingsFile, ReadingRules) {
  struct Case {
    const char* name;
    std::string bytes;
    int guidance;
    bool icons;
    int background;
    bool bgm;
    bool rewritten;  // replaced by the defaults
  };
  const Case cases[] = {
      {"only the background", "背景画=宇宙\r\n", 0, true, 5, false, false},
      {"no final line end", "背景画=竹", 0, true, 4, false, false},
      {"LF line ends", "移動指導=OK\nBGM=OK\n", 1, true, 0, true, false},
      {"byte-order mark", "\xEF\xBB\xBF" "ｱｲｺﾝ表示=NG\r\n", 0, false, 0, false, false},
      {"later lines win", "背景画=竹\r\n背景画=煉瓦\r\n移動指導=OK\r\n移動指導=NG\r\n", 0, true, 6,
       false, false},
      {"unknown key and values", "色=赤\r\nBGM=ok\r\n背景画=青\r\n移動指導=ＯＫ\r\n", 0, true, 0,
       false, false},
      {"first = splits", "背景画==緑\r\n", 0, true, 0, false, false},
      {"lone CR is no line end", "BGM=OK\r移動指導=OK\r\n", 0, true, 0, false, false},
      {"empty file", "", 0, true, 0, false, false},
      {"line without =", "背景画=竹\r\n移動指導\r\n", 1, true, 2, false, true},
      {"empty line inside", "背景画=竹\r\n\r\nBGM=OK\r\n", 1, true, 2, false, true},
      {"neither UTF-8 nor Shift-JIS", "BGM=OK\r\n\xFF\xFF=\x80\r\n", 1, true, 2, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.bytes);
    FormRig rig;
    rig.form.Form_Load();
    EXPECT_EQ(rig.form.Looks().guidanceOn, c.guidance);
    EXPECT_EQ(rig.form.Checks().SIDOU, c.guidance == 1);
    EXPECT_EQ(rig.form.Checks().AICON, c.icons);
    EXPECT_EQ(rig.form.Looks().background.Whole(), c.background);
    EXPECT_EQ(rig.form.Checks().BGM, c.bgm);
    EXPECT_EQ(Read(), c.rewritten ? DEFAULTS : c.bytes);
    if (c.background == 0) {
      EXPECT_TRUE(rig.form.Checks().TATAMI);
    }
  }
}

TEST_F(SettingsFile, ShiftJisFileIsUnderstood) {
  // 背景画=宇宙 / BGM=OK / ｱｲｺﾝ表示=NG in Shift-JIS.
  Write("\x94\x77\x8C\x69\x89\xE6=\x89\x46\x92\x88\r\nBGM=OK\r\n\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6=NG\r\n");
  FormRig rig;
  rig.form.Form_Load();
  EXPECT_EQ(rig.form.Looks().background, PieceCode(5));
  EXPECT_TRUE(rig.form.Checks().UCHU);
  EXPECT_TRUE(rig.form.Checks().BGM);
  EXPECT_FALSE(rig.form.Checks().AICON);
  // Saving writes it anew in UTF-8.
  rig.form.SIDOU_Click();
  EXPECT_EQ(Read(), "移動指導=OK\r\nｱｲｺﾝ表示=NG\r\n背景画=宇宙\r\nBGM=OK\r\n");
}

TEST_F(SettingsFile, OptionChangesAreSavedWhole) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.UCHU_Click();
  EXPECT_EQ(Read(), "移動指導=OK\r\nｱｲｺﾝ表示=OK\r\n背景画=宇宙\r\nBGM=NG\r\n");
  rig.form.BGM_Click();
  rig.form.AICON_Click();
  rig.form.SIDOU_Click();
  EXPECT_EQ(Read(), "移動指導=NG\r\nｱｲｺﾝ表示=NG\r\n背景画=宇宙\r\nBGM=OK\r\n");
  // Nothing but the options: the level is not saved.
  rig.form.LEVEL1_Click();
  EXPECT_EQ(Read(), "移動指導=NG\r\nｱｲｺﾝ表示=NG\r\n背景画=宇宙\r\nBGM=OK\r\n");
}

TEST_F(SettingsFile, FailedSaveLosesNothingAndShowsNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
  FormRig rig;
  rig.form.Form_Load();
  chmod(SETTINGS_FILE, 0444);
  chmod(".", 0555);
  rig.form.RENGA_Click();
  EXPECT_EQ(Read(), DEFAULTS);
  EXPECT_EQ(rig.form.Looks().background, PieceCode(6));
  EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST_F(SettingsFile, FailedSaveFallsBackToTheDefaults) {
  // A folder standing where the file should be makes every write fail, even for root.
  FormRig rig;
  rig.form.Form_Load();
  fs::remove(SETTINGS_FILE);
  fs::create_directory(SETTINGS_FILE);
  rig.form.RENGA_Click();
  EXPECT_TRUE(fs::is_directory(SETTINGS_FILE));
  EXPECT_TRUE(rig.form.Checks().RENGA);  // the fallback could not write either: marks stay
  EXPECT_EQ(rig.form.Looks().background, PieceCode(6));
  EXPECT_TRUE(rig.dialogs.shown.empty());
  // The next start-up cannot read it and cannot replace it: the defaults apply all the same.
  FormRig next;
  next.form.Form_Load();
  EXPECT_EQ(next.form.Looks().background, PieceCode(2));
  EXPECT_TRUE(next.dialogs.shown.empty());
}

}  // namespace
}  // namespace korvel
