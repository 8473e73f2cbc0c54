// Saving a record where the player chose: a read-only record is kept and the refusal said,
// every failure is told in Japanese, and what saves cut short left behind is cleared.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/fake_ports.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FormRig;

class RecordSaving : public testing::InFreshFolder {
 protected:
  void SetUp() override {
    InFreshFolder::SetUp();
    rig.form.Form_Load();
    rig.form.PLAY_4_Click();
    rig.dialogs.shown.clear();
  }
  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // What the player is told when the save is refused.
  std::string Refusal(const fs::path& path) {
    rig.dialogs.shown.clear();
    EXPECT_FALSE(rig.form.SaveRecord(path.string())) << path;
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);
    return rig.dialogs.shown.empty() ? "" : rig.dialogs.shown[0];
  }
  FormRig rig;
};

TEST_F(RecordSaving, AReadOnlyRecordIsKeptAndTheRefusalSaid) {
  Put(dir_ / "kept.k4k", "the game kept before\n");
  fs::permissions(dir_ / "kept.k4k",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(Refusal(dir_ / "kept.k4k"), "message 棋譜|保存できません: 読み取り専用のファイルです");
  EXPECT_EQ(Slurp(dir_ / "kept.k4k"), "the game kept before\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2) << "the record and the settings";
  // Once the player allows it, the save goes through.
  fs::permissions(dir_ / "kept.k4k", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(rig.form.SaveRecord((dir_ / "kept.k4k").string()));
  EXPECT_NE(Slurp(dir_ / "kept.k4k"), "the game kept before\n");
}

TEST_F(RecordSaving, FailuresAreToldInJapaneseWithTheSystemsWordsBeside) {
  EXPECT_EQ(
      Refusal(dir_ / "no-such-folder" / "g.k4k"),
      "message 棋譜|保存できません: 保存先のフォルダがありません（No such file or directory）");
  Put(dir_ / "a-file", "");
  EXPECT_EQ(Refusal(dir_ / "a-file" / "g.k4k"),
            "message 棋譜|保存できません: 保存先の途中にフォルダではないものがあります（Not a "
            "directory）");
  fs::create_directory(dir_ / "folder.k4k");
  EXPECT_EQ(Refusal(dir_ / "folder.k4k"),
            "message 棋譜|保存できません: 通常のファイルではありません");
  EXPECT_EQ(Refusal(dir_ / (std::string(300, 'n') + ".k4k")),
            "message 棋譜|保存できません: 名前が長すぎます（File name too long）");
}

// Saves killed between writing and renaming leave their temporary files beside the record;
// the next save there removes them once they are stale, and leaves a live one alone.
TEST_F(RecordSaving, TemporariesOfSavesCutShortGoAtTheNextSave) {
  const fs::path stale = dir_ / ".rec.k4k.korvel4-a1B2c3", live = dir_ / ".rec.k4k.korvel4-Z9y8X7";
  Put(stale, "Korvel4人将棋 棋譜 1\n");
  Put(live, "Korvel4人将棋 棋譜 1\n");
  Put(dir_ / "rec.k4k.a1B2c3", "a file of the player's");
  fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::minutes(5));
  fs::last_write_time(dir_ / "rec.k4k.a1B2c3",
                      fs::file_time_type::clock::now() - std::chrono::minutes(5));
  ASSERT_TRUE(rig.form.SaveRecord((dir_ / "rec.k4k").string()));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_EQ(Slurp(dir_ / "rec.k4k.a1B2c3"), "a file of the player's");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 4) << "with the settings file";
}

}  // namespace
}  // namespace korvel
