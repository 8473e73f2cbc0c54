// The extra options file: read back exactly as it was saved, and a damaged file costs
// nothing but the damaged values.
#include "play/extra_options.h"

#include <gtest/gtest.h>

#include <map>

#include "play/menu.h"

namespace korvel {
namespace {

struct MemoryFiles : Files {
  std::map<std::string, std::string> config;
  FileRead::Status status = FileRead::Status::OK;
  bool writable = true;
  int writes = 0;
  FileRead Read(FileArea area, const std::string& name, std::size_t limit) override {
    FileRead r;
    if (area != FileArea::CONFIG || !config.count(name)) return r;
    r.status = status;
    if (status == FileRead::Status::OK) {
      if (config[name].size() > limit) r.status = FileRead::Status::TOO_LARGE;
      else r.bytes = config[name];
    }
    return r;
  }
  bool Write(FileArea area, const std::string& name, const std::string& bytes) override {
    if (area != FileArea::CONFIG || !writable) return false;
    ++writes;
    config[name] = bytes;
    return true;
  }
  std::string PathOf(FileArea, const std::string& name) override { return "/cfg/" + name; }
};

TEST(ExtraOptions, WrittenOptionsReadBackAndTheSettingsFileIsNeverTouched) {
  MemoryFiles files;
  EXPECT_EQ(ReadExtraOptions(files), ExtraOptions()) << "no file: the defaults";
  ExtraOptions o;
  o.notices = true;
  o.tint = true;
  o.windowWidth = 1490;
  o.windowHeight = 1160;
  o.lastMoveMark = false;
  o.moveList = true;
  ASSERT_TRUE(WriteExtraOptions(files, o));
  EXPECT_EQ(ReadExtraOptions(files), o);
  ASSERT_EQ(files.config.size(), 1u);
  EXPECT_EQ(files.config.begin()->first, "korvel4-options.ini");
  EXPECT_EQ(files.config.begin()->second,
            "notices=1\ntint=1\nwindow_width=1490\nwindow_height=1160\nlast_move_mark=0\n"
            "move_list=1\n");
  files.writable = false;
  EXPECT_FALSE(WriteExtraOptions(files, ExtraOptions()));
  EXPECT_EQ(ReadExtraOptions(files), o) << "a failed write loses nothing";
}

TEST(ExtraOptions, DamagedLinesAndValuesFallBackToTheDefaultsOneByOne) {
  const ExtraOptions d;
  struct Case {
    std::string text;
    ExtraOptions expected;
  };
  ExtraOptions notices = d;
  notices.notices = true;
  ExtraOptions wide = d;
  wide.windowWidth = 1000;
  const std::vector<Case> cases = {
      {"", d},
      {"\xEF\xBB\xBFnotices=1\r\n", notices},
      {"  notices = on \n", notices},
      {"notices=yes\ntint=2\nwindow_width=-5\nwindow_height=99999999999\n", d},
      {"window_width=12x\nwindow_height=\nwindow_width 900\n=1\n", d},
      {"window_width=199\nwindow_height=16385\n", d},
      {"colour=blue\nnotices\nwindow_width=1000\n\x01\x02\xff\xfe\n", wide},
      {"notices=1\nnotices=0\n", d},
      {std::string("tint=1\0garbage\n", 15), d},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseExtraOptions(c.text), c.expected) << c.text;

  MemoryFiles files;
  files.config["korvel4-options.ini"] = "notices=1\n";
  for (auto status : {FileRead::Status::NOT_A_FILE, FileRead::Status::UNREADABLE}) {
    files.status = status;
    EXPECT_EQ(ReadExtraOptions(files), d);
  }
  files.status = FileRead::Status::OK;
  files.config["korvel4-options.ini"] = std::string(100000, 'x');
  EXPECT_EQ(ReadExtraOptions(files), d) << "a huge file is no file of ours";
}

TEST(ExtraOptions, NewEntriesSitInTheOptionsMenuAfterBgm) {
  const MenuEntry* notices = FindMenuHandler("OSHIRASE");
  const MenuEntry* tint = FindMenuHandler("IROWAKE");
  ASSERT_NE(notices, nullptr);
  ASSERT_NE(tint, nullptr);
  EXPECT_EQ(std::string(notices->caption), "お知らせを盤上に表示");
  EXPECT_EQ(std::string(tint->caption), "駒の色分け");
  // Both sit in ｵﾌﾟｼｮﾝ, after BGM.
  const auto& table = MenuTable();
  size_t bgm = 0, at = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    if (std::string(table[i].control) == "BGM") bgm = i;
    if (std::string(table[i].control) == "OSHIRASE") at = i;
  }
  EXPECT_EQ(at, bgm + 1);
  EXPECT_EQ(std::string(table[at + 1].control), "IROWAKE");
}

}  // namespace
}  // namespace korvel
