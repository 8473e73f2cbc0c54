// The settings file against real files in a fresh folder: what is read, what is written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "support/fake_ports.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FakeDialogs;
using testing::FakeHost;
using testing::FakeIcons;
using testing::FakeSound;
using testing::FormRig;
using testing::RecordingCanvas;

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
  EXPECT_TRUE(rig.form.TheOptions().AICON);
  EXPECT_TRUE(rig.form.TheOptions().MIDORI);
  EXPECT_FALSE(rig.form.TheOptions().TATAMI);
  EXPECT_EQ(rig.form.Looks().background, PieceCode(2));
  EXPECT_FALSE(rig.form.TheOptions().BGM);
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
    EXPECT_EQ(rig.form.TheOptions().SIDOU, c.guidance == 1);
    EXPECT_EQ(rig.form.TheOptions().AICON, c.icons);
    EXPECT_EQ(rig.form.Looks().background.Whole(), c.background);
    EXPECT_EQ(rig.form.TheOptions().BGM, c.bgm);
    EXPECT_EQ(Read(), c.rewritten ? DEFAULTS : c.bytes);
    if (c.background == 0) {
      EXPECT_TRUE(rig.form.TheOptions().TATAMI);
    }
  }
}

TEST_F(SettingsFile, ShiftJisFileIsUnderstood) {
  // 背景画=宇宙 / BGM=OK / ｱｲｺﾝ表示=NG in Shift-JIS.
  Write("\x94\x77\x8C\x69\x89\xE6=\x89\x46\x92\x88\r\nBGM=OK\r\n\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6=NG\r\n");
  FormRig rig;
  rig.form.Form_Load();
  EXPECT_EQ(rig.form.Looks().background, PieceCode(5));
  EXPECT_TRUE(rig.form.TheOptions().UCHU);
  EXPECT_TRUE(rig.form.TheOptions().BGM);
  EXPECT_FALSE(rig.form.TheOptions().AICON);
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

// A read-only file is kept as it is, by root too: the save and its fallback both fail.
TEST_F(SettingsFile, FailedSaveLosesNothingAndShowsNothing) {
  FormRig rig;
  rig.form.Form_Load();
  chmod(SETTINGS_FILE, 0444);
  chmod(".", 0555);
  rig.form.RENGA_Click();
  chmod(".", 0755);
  EXPECT_EQ(Read(), DEFAULTS);
  EXPECT_EQ(rig.form.Looks().background, PieceCode(6));
  EXPECT_TRUE(rig.dialogs.shown.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator("."), {}), 1) << "no temporary file is left";
}

// The files on disk, with the next `failures` writes refused as a full disk would refuse
// them: the save-failure path whoever runs the tests.
struct FailingFiles : DiskFiles {
  int failures = 0;
  int writes = 0;
  bool Write(FileArea area, const std::string& name, const std::string& bytes) override {
    ++writes;
    if (failures > 0) {
      --failures;
      return false;
    }
    return DiskFiles::Write(area, name, bytes);
  }
};

struct FailingRig {
  RecordingCanvas canvas;
  FakeDialogs dialogs;
  FakeSound sound;
  FakeIcons icons;
  FakeHost host;
  FailingFiles files;
  Form1 form{canvas, dialogs, sound, icons, host, files};
};

TEST_F(SettingsFile, AFailedSaveFallsBackToTheDefaultsOrKeepsTheFile) {
  Write("移動指導=NG\r\nｱｲｺﾝ表示=OK\r\n背景画=宇宙\r\nBGM=NG\r\n");
  {
    // The save fails and so does the fallback: the file stays, the choice is shown.
    FailingRig rig;
    rig.form.Form_Load();
    rig.files.failures = 2;
    rig.form.RENGA_Click();
    EXPECT_EQ(rig.files.writes, 2);
    EXPECT_EQ(Read(), "移動指導=NG\r\nｱｲｺﾝ表示=OK\r\n背景画=宇宙\r\nBGM=NG\r\n");
    EXPECT_TRUE(rig.form.TheOptions().RENGA);
    EXPECT_EQ(rig.form.Looks().background, PieceCode(6));
    EXPECT_TRUE(rig.dialogs.shown.empty());
  }
  {
    // The save fails and the defaults are written in its place: the background's mark goes
    // back to 緑 while the picture drawn stays, the other options as they are.
    FailingRig rig;
    rig.form.Form_Load();
    rig.files.failures = 1;
    rig.form.TAKE_Click();
    EXPECT_EQ(rig.files.writes, 2);
    EXPECT_EQ(Read(), DEFAULTS);
    EXPECT_TRUE(rig.form.TheOptions().MIDORI);
    EXPECT_FALSE(rig.form.TheOptions().TAKE);
    EXPECT_EQ(rig.form.Looks().background, PieceCode(4));
    EXPECT_FALSE(rig.form.TheOptions().SIDOU);
    EXPECT_TRUE(rig.dialogs.shown.empty());
  }
}

TEST_F(SettingsFile, FailedSaveFallsBackToTheDefaults) {
  // A folder standing where the file should be makes every write fail, even for root.
  FormRig rig;
  rig.form.Form_Load();
  fs::remove(SETTINGS_FILE);
  fs::create_directory(SETTINGS_FILE);
  rig.form.RENGA_Click();
  EXPECT_TRUE(fs::is_directory(SETTINGS_FILE));
  EXPECT_TRUE(rig.form.TheOptions().RENGA);  // the fallback could not write either: marks stay
  EXPECT_EQ(rig.form.Looks().background, PieceCode(6));
  EXPECT_TRUE(rig.dialogs.shown.empty());
  // The next start-up cannot read it and cannot replace it: the defaults apply all the same.
  FormRig next;
  next.form.Form_Load();
  EXPECT_EQ(next.form.Looks().background, PieceCode(2));
  EXPECT_TRUE(next.dialogs.shown.empty());
}

// Copies of the program saving their options over and over, killed at random moments:
// whoever looks at the files, whenever, finds each of them whole, and what a killed save
// left behind goes at the next save once it is stale.
class SavesKilled : public SettingsFile {
 protected:
  static std::string Settings(const char* background) {
    return std::string("移動指導=NG\r\nｱｲｺﾝ表示=OK\r\n背景画=") + background + "\r\nBGM=NG\r\n";
  }
  static std::string Options(bool notices) {
    return std::string("notices=") + (notices ? "1" : "0") +
           "\ntint=1\nwindow_width=1000\nwindow_height=800\nlast_move_mark=1\nmove_list=0\n";
  }
  static std::string ReadOptions() {
    std::ifstream in(OPTIONS_FILE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A copy of the program that toggles its background and its notices until it is killed.
  static pid_t StartSaving() {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    FormRig rig;
    rig.form.LoadOptionsFile();
    rig.form.Form_Load();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      rig.form.UCHU_Click();
      rig.form.OSHIRASE_Click();
      rig.form.TAKE_Click();
    }
    _exit(0);
  }
};

TEST_F(SavesKilled, EveryFileIsWholeWhateverMomentASaveIsKilledAt) {
  Write(Settings("竹"));
  std::ofstream(OPTIONS_FILE, std::ios::binary) << Options(false);
  const std::set<std::string> settings = {Settings("竹"), Settings("宇宙")};
  const std::set<std::string> options = {Options(false), Options(true)};
  std::mt19937 rng(20240601);
  int torn = 0;
  for (int round = 0; round < 30; ++round) {
    // Two copies at once on the same folder, killed after 1 to 20 ms.
    const pid_t a = StartSaving();
    ASSERT_GE(a, 0);
    const pid_t b = StartSaving();
    ASSERT_GE(b, 0);
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::microseconds(1000 + rng() % 19000);
    do {
      torn += !settings.count(Read()) + !options.count(ReadOptions());
    } while (std::chrono::steady_clock::now() < until);
    kill(a, SIGKILL);
    kill(b, SIGKILL);
    ASSERT_EQ(waitpid(a, nullptr, 0), a);
    ASSERT_EQ(waitpid(b, nullptr, 0), b);
    EXPECT_TRUE(settings.count(Read())) << "round " << round << ": [" << Read() << "]";
    EXPECT_TRUE(options.count(ReadOptions())) << "round " << round << ": [" << ReadOptions()
                                              << "]";
  }
  EXPECT_EQ(torn, 0) << "files seen part written while they were saved";

  // Whatever temporary files the kills left are removed by a save once they are stale.
  for (const auto& e : fs::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    if (name != SETTINGS_FILE && name != OPTIONS_FILE) {
      EXPECT_TRUE(IsTemporaryName(name)) << name;
      const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
      fs::last_write_time(e.path(), old);
    }
  }
  FormRig rig;
  rig.form.LoadOptionsFile();
  rig.form.Form_Load();
  rig.form.UCHU_Click();
  rig.form.IROWAKE_Click();
  EXPECT_EQ(std::distance(fs::directory_iterator("."), {}), 2);
  EXPECT_EQ(Read(), Settings("宇宙"));
}

}  // namespace
}  // namespace korvel
