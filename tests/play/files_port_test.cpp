// The application reaches its files only through the files port: with an in-memory store
// it starts, reads and writes its settings, and finds its sounds and help page there.
#include <gtest/gtest.h>

#include "support/fake_ports.h"

namespace korvel {
namespace {


using testing::MemoryRig;

constexpr FileArea CONFIG = FileArea::CONFIG;

TEST(FilesPort, SettingsAreReadAndWrittenInTheConfigAreaOnly) {
  MemoryRig rig;
  rig.files.area[static_cast<int>(CONFIG)]["Korvel4人将棋.ini"] =
      "移動指導=NG\r\nｱｲｺﾝ表示=OK\r\n背景画=宇宙\r\nBGM=NG\r\n";
  rig.form.Form_Load();
  EXPECT_EQ(rig.form.Looks().background, PieceCode(5));
  EXPECT_TRUE(rig.files.writes.empty()) << "a good file is not rewritten at start";

  rig.form.TAKE_Click();
  EXPECT_EQ(rig.files.area[static_cast<int>(CONFIG)]["Korvel4人将棋.ini"],
            "移動指導=NG\r\nｱｲｺﾝ表示=OK\r\n背景画=竹\r\nBGM=NG\r\n");
  for (const std::string& w : rig.files.writes) EXPECT_EQ(w.substr(0, 2), "0/") << w;
}

TEST(FilesPort, AnOversizedSettingsFileIsDamagedAndTheDefaultsAreWritten) {
  MemoryRig rig;
  rig.files.area[static_cast<int>(CONFIG)]["Korvel4人将棋.ini"] =
      "背景画=宇宙\r\n" + std::string(70 * 1024, '#');
  rig.form.Form_Load();
  EXPECT_EQ(rig.form.Looks().background, PieceCode(2));
  EXPECT_EQ(rig.files.area[static_cast<int>(CONFIG)]["Korvel4人将棋.ini"],
            "移動指導=OK\r\nｱｲｺﾝ表示=OK\r\n背景画=緑\r\nBGM=NG\r\n");
}

TEST(FilesPort, SoundsComeFromTheDataAreaAndTheHelpPageIsNamedThere) {
  MemoryRig rig;
  rig.files.area[static_cast<int>(FileArea::DATA)]["駒打音.wav"] = "RIFF....WAVE";
  rig.files.area[static_cast<int>(FileArea::DATA)]["BGM.wav"] = std::string(65u << 20, 'x');
  rig.form.Form_Load();
  EXPECT_NE(rig.form.SoundHandles().place, 0u);
  EXPECT_EQ(rig.form.SoundHandles().other, 0u) << "a missing file is silent";
  EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{
                                   "warning Korvel4人将棋.dll|「BGM.wav」は正しいウェーブ "
                                   "ファイルではありません。"})
      << "a huge wave file is refused unread";
  rig.form.KAISETU_Click();
  EXPECT_EQ(rig.host.events.back(), "browse /memory/1/Korvel4人将棋.htm");
  // In English the help and the about box's home page are the English page beside it.
  SetLanguage(Language::ENGLISH);
  rig.form.KAISETU_Click();
  const std::string english = rig.host.events.back();
  rig.form.Command1_Click();
  const std::string home = rig.host.events.back();
  SetLanguage(Language::JAPANESE);
  EXPECT_EQ(english, "browse /memory/1/Korvel4人将棋.en.htm");
  EXPECT_EQ(home, english);
  rig.form.Command1_Click();
  EXPECT_EQ(rig.host.events.back(), "browse /memory/1/Korvel4人将棋.htm");
}

}  // namespace
}  // namespace korvel
