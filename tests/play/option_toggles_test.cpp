// Every option entry of the menu, chosen one after another through the menu table: the
// bytes each of the two files holds afterwards, and which file each choice writes.
#include <gtest/gtest.h>

#include "play/menu.h"
#include "support/fake_ports.h"

namespace korvel {
namespace {


struct Rig : testing::MemoryRig {

  std::string& Config(const char* name) { return files.area[0][name]; }
  void Choose(const char* control) {
    const MenuEntry* e = FindMenuHandler(control);
    ASSERT_NE(e, nullptr) << control;
    (form.*(e->handler))();
  }
};

std::string Settings(bool guidance, bool icons, const char* background, bool bgm) {
  return std::string("移動指導=") + (guidance ? "OK" : "NG") +
         "\r\nｱｲｺﾝ表示=" + (icons ? "OK" : "NG") + "\r\n背景画=" + background +
         "\r\nBGM=" + (bgm ? "OK" : "NG") + "\r\n";
}

std::string OptionsFile(bool notices, bool tint, bool lastMove, bool moveList) {
  return std::string("notices=") + (notices ? "1" : "0") + "\ntint=" + (tint ? "1" : "0") +
         "\nwindow_width=1000\nwindow_height=800\nlast_move_mark=" + (lastMove ? "1" : "0") +
         "\nmove_list=" + (moveList ? "1" : "0") + "\n";
}

TEST(OptionToggles, EachEntryRewritesItsOwnFileOnlyAndTheBytesAreExact) {
  Rig rig;
  rig.Config("Korvel4人将棋.ini") = "移動指導=NG\r\nｱｲｺﾝ表示=OK\r\n背景画=竹\r\nBGM=NG\r\n";
  // An unknown key and spaces around a value: read, and not written back.
  rig.Config("korvel4-options.ini") =
      "notices=0\ntint = 1\nwindow_width=1000\nwindow_height=800\nsomething=else\n";
  rig.form.LoadOptionsFile();
  rig.form.Form_Load();
  ASSERT_TRUE(rig.files.writes.empty()) << "a whole settings file is read, not rewritten";

  const std::string S = "0/Korvel4人将棋.ini", O = "0/korvel4-options.ini";
  struct Step {
    const char* entry;
    std::vector<std::string> writes;
    std::string settings, options;
  };
  const std::string startOptions = rig.Config("korvel4-options.ini");
  const std::vector<Step> steps = {
      {"SIDOU", {S}, Settings(true, true, "竹", false), startOptions},
      {"SIDOU", {S}, Settings(false, true, "竹", false), startOptions},
      {"AICON", {S}, Settings(false, false, "竹", false), startOptions},
      {"MIDORI", {S}, Settings(false, false, "緑", false), startOptions},
      {"MIDORI", {S}, Settings(false, false, "緑", false), startOptions},
      {"TATAMI", {S}, Settings(false, false, "畳", false), startOptions},
      {"UCHU", {S}, Settings(false, false, "宇宙", false), startOptions},
      {"RENGA", {S}, Settings(false, false, "煉瓦", false), startOptions},
      {"TAKE", {S}, Settings(false, false, "竹", false), startOptions},
      {"BGM", {S}, Settings(false, false, "竹", true), startOptions},
      {"AICON", {S}, Settings(false, true, "竹", true), startOptions},
      {"OSHIRASE", {O}, Settings(false, true, "竹", true), OptionsFile(true, true, true, false)},
      {"IROWAKE", {O}, Settings(false, true, "竹", true), OptionsFile(true, false, true, false)},
      {"SAISYUTE", {O}, Settings(false, true, "竹", true), OptionsFile(true, false, false, false)},
      {"KIFU_WINDOW",
       {O},
       Settings(false, true, "竹", true),
       OptionsFile(true, false, false, true)},
      {"OSHIRASE", {O}, Settings(false, true, "竹", true), OptionsFile(false, false, false, true)},
      // The level is a mark of the menu only: no file is written.
      {"LEVEL1", {}, Settings(false, true, "竹", true), OptionsFile(false, false, false, true)},
      {"LEVEL4", {}, Settings(false, true, "竹", true), OptionsFile(false, false, false, true)},
      {"BGM", {S}, Settings(false, true, "竹", false), OptionsFile(false, false, false, true)},
  };
  for (const Step& step : steps) {
    rig.files.writes.clear();
    rig.Choose(step.entry);
    EXPECT_EQ(rig.files.writes, step.writes) << step.entry;
    EXPECT_EQ(rig.Config("Korvel4人将棋.ini"), step.settings) << step.entry;
    EXPECT_EQ(rig.Config("korvel4-options.ini"), step.options) << step.entry;
  }
  EXPECT_EQ(rig.files.area[1].size() + rig.files.area[2].size(), 0u) << "nothing elsewhere";
}

}  // namespace
}  // namespace korvel
