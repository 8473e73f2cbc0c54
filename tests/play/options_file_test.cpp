// The options file: read back exactly as it was saved, a damaged file costs nothing but
// the damaged values, and reading it touches no option kept elsewhere.
#include <gtest/gtest.h>

#include <map>

#include "play/menu.h"
#include "play/options.h"

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
      if (config[name].size() > limit)
        r.status = FileRead::Status::TOO_LARGE;
      else
        r.bytes = config[name];
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

TEST(OptionsFile, WrittenOptionsReadBackAndTheSettingsFileIsNeverTouched) {
  MemoryFiles files;
  EXPECT_EQ(ReadOptionsFile(files), Options()) << "no file: the defaults";
  Options o;
  o.OSHIRASE = true;
  o.IROWAKE = true;
  o.windowWidth = 1490;
  o.windowHeight = 1160;
  o.SAISYUTE = false;
  o.KIFU_WINDOW = true;
  ASSERT_TRUE(WriteOptionsFile(files, o));
  EXPECT_EQ(ReadOptionsFile(files), o);
  ASSERT_EQ(files.config.size(), 1u);
  EXPECT_EQ(files.config.begin()->first, "korvel4-options.ini");
  EXPECT_EQ(files.config.begin()->second,
            "notices=1\ntint=1\nwindow_width=1490\nwindow_height=1160\nlast_move_mark=0\n"
            "move_list=1\n");
  files.writable = false;
  EXPECT_FALSE(WriteOptionsFile(files, Options()));
  EXPECT_EQ(ReadOptionsFile(files), o) << "a failed write loses nothing";
}

TEST(OptionsFile, DamagedLinesAndValuesFallBackToTheDefaultsOneByOne) {
  const Options d;
  struct Case {
    std::string text;
    Options expected;
  };
  Options notices = d;
  notices.OSHIRASE = true;
  Options wide = d;
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
  for (const Case& c : cases) EXPECT_EQ(ParseOptionsFile(c.text), c.expected) << c.text;

  MemoryFiles files;
  files.config["korvel4-options.ini"] = "notices=1\n";
  for (auto status : {FileRead::Status::NOT_A_FILE, FileRead::Status::UNREADABLE}) {
    files.status = status;
    EXPECT_EQ(ReadOptionsFile(files), d);
  }
  files.status = FileRead::Status::OK;
  files.config["korvel4-options.ini"] = std::string(100000, 'x');
  EXPECT_EQ(ReadOptionsFile(files), d) << "a huge file is no file of ours";
}

TEST(OptionsFile, ReadingSetsTheFieldsOfThisFileAloneEachFromItsLineOrItsDefault) {
  // Every other option as far from its default as it goes.
  Options base;
  base.MarkLevel(4);
  base.SIDOU = true;
  base.AICON = false;
  base.MarkBackground(6);
  base.BGM = true;
  // The fields of this file away from their defaults too: a missing line puts them back.
  base.OSHIRASE = base.IROWAKE = base.KIFU_WINDOW = true;
  base.SAISYUTE = false;
  base.windowWidth = base.windowHeight = 999;

  Options expected = base;
  expected.OSHIRASE = expected.KIFU_WINDOW = false;
  expected.SAISYUTE = true;
  expected.windowWidth = 745;
  expected.windowHeight = 1200;
  EXPECT_EQ(ParseOptionsFile("tint=1\nwindow_height=1200\n", base), expected);

  Options kept = expected;
  kept.IROWAKE = false;
  kept.windowHeight = 580;
  MemoryFiles files;
  EXPECT_EQ(ReadOptionsFile(files, base), kept) << "no file";
  // Written: the fields of this file alone, so that the other options never rewrite it.
  EXPECT_EQ(FormatOptionsFile(base),
            "notices=1\ntint=1\nwindow_width=999\nwindow_height=999\nlast_move_mark=0\n"
            "move_list=1\n");
  Options others = base;
  others.MarkLevel(1);
  others.SIDOU = false;
  others.AICON = true;
  others.MarkBackground(2);
  others.BGM = false;
  EXPECT_EQ(FormatOptionsFile(others), FormatOptionsFile(base));
}

TEST(OptionsFile, ItsEntriesSitInTheOptionsMenuAfterBgm) {
  const MenuEntry* notices = FindMenuHandler("OSHIRASE");
  const MenuEntry* tint = FindMenuHandler("IROWAKE");
  ASSERT_NE(notices, nullptr);
  ASSERT_NE(tint, nullptr);
  EXPECT_EQ(std::string(Text(notices->caption)), "お知らせを盤上に表示");
  EXPECT_EQ(std::string(Text(tint->caption)), "駒の色分け");
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

// The folder of the file dialogs is written only once the player has chosen one, so the
// file of a player who never opened a dialog stays as it was; a folder that could break
// the file is not written.
TEST(OptionsFile, TheRecordFolderLineIsWrittenOnlyOnceThereIsOne) {
  Options o;
  const std::string plain = FormatOptionsFile(o);
  EXPECT_EQ(plain.find("record_folder"), std::string::npos);
  o.recordFolder = "/home/a player/棋譜";
  const std::string text = FormatOptionsFile(o);
  EXPECT_EQ(text, plain + "record_folder=/home/a player/棋譜\n");
  EXPECT_EQ(ParseOptionsFile(text).recordFolder, "/home/a player/棋譜");
  EXPECT_EQ(ParseOptionsFile(plain, o).recordFolder, "") << "a file without it forgets it";
  for (const char* bad : {"/a\nnotices=1", "/a\r", " /a"}) {
    o.recordFolder = bad;
    EXPECT_EQ(FormatOptionsFile(o), plain) << bad;
  }
}

}  // namespace
}  // namespace korvel
