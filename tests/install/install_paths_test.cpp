// Telling a portable program from an installed one, and the player's XDG folders.
#include "shell/install_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_ports.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

TEST(ChooseRunMode, DataBesideTheProgramWinsThenTheInstalledFolderThenPortable) {
  std::set<std::string> present;
  const FileExists exists = [&](const std::string& p) { return present.count(p) > 0; };
  const std::string bin = "/opt/k/games", share = "/opt/k/share/korvel4";

  // Neither: a program copied alone keeps everything beside itself.
  EXPECT_EQ(ChooseRunMode(bin, share, exists), RunMode::PORTABLE);

  present = {share + "/Korvel4人将棋.htm"};
  EXPECT_EQ(ChooseRunMode(bin, share, exists), RunMode::INSTALLED);
  EXPECT_EQ(ChooseRunMode(bin, "", exists), RunMode::PORTABLE);

  // Any one of the data files beside the program (a build folder, an unpacked archive)
  // makes it portable, even with an installed copy next door.
  for (const std::string& name : GameDataFiles()) {
    present = {share + "/Korvel4人将棋.htm", bin + "/" + name};
    EXPECT_EQ(ChooseRunMode(bin, share, exists), RunMode::PORTABLE) << name;
  }

  // The installed folder counts only with its help page.
  present = {share + "/BGM.wav", share + "/駒打音.wav"};
  EXPECT_EQ(ChooseRunMode(bin, share, exists), RunMode::PORTABLE);
  EXPECT_EQ(GameDataFiles().size(), 6u);
}

TEST(XdgUserFolders, FollowTheBaseDirectoryRules) {
  std::map<std::string, std::string> vars;
  const GetEnv env = [&](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };

  vars = {{"HOME", "/home/p"}};
  UserFolders f = XdgUserFolders(env, "/pw");
  EXPECT_EQ(f.config, "/home/p/.config/korvel4");
  EXPECT_EQ(f.data, "/home/p/.local/share/korvel4");

  vars = {{"HOME", "/home/p/"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d/"}};
  f = XdgUserFolders(env, "/pw");
  EXPECT_EQ(f.config, "/c/korvel4");
  EXPECT_EQ(f.data, "/d/korvel4");

  // Empty and relative values are ignored, as the rules say.
  vars = {{"HOME", "/home/p"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "rel/data"}};
  f = XdgUserFolders(env, "/pw");
  EXPECT_EQ(f.config, "/home/p/.config/korvel4");
  EXPECT_EQ(f.data, "/home/p/.local/share/korvel4");

  // No usable HOME: the user database's home.
  for (const char* home : {"", "relative"}) {
    vars = {{"HOME", home}};
    EXPECT_EQ(XdgUserFolders(env, "/pw").config, "/pw/.config/korvel4") << home;
  }
  vars = {};
  EXPECT_EQ(XdgUserFolders(env, "/pw").data, "/pw/.local/share/korvel4");
  // The XDG folders alone are enough; with nothing at all there is no folder.
  vars = {{"XDG_CONFIG_HOME", "/c"}};
  f = XdgUserFolders(env, "");
  EXPECT_EQ(f.config, "/c/korvel4");
  EXPECT_EQ(f.data, "");
}

class InstallPathsOnDisk : public testing::InFreshFolder {
 protected:
  void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  // The test changes the environment that FindFilePlaces reads; it is put back afterwards.
  void SetEnv(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, value.c_str(), 1);
  }
  void TearDown() override {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second)
        setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        unsetenv(it->first.c_str());
    }
    InFreshFolder::TearDown();
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(InstallPathsOnDisk, MakeFoldersCreatesPrivateFoldersAndNamesWhatIsInTheWay) {
  std::string error;
  const std::string deep = (dir_ / "a/b/c").string();
  ASSERT_TRUE(MakeFolders(deep, &error)) << error;
  struct stat st;
  ASSERT_EQ(stat(deep.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(MakeFolders(deep + "/", &error)) << "an existing folder is fine";

  Touch(dir_ / "file");
  EXPECT_FALSE(MakeFolders((dir_ / "file/korvel4").string(), &error));
  EXPECT_EQ(error, (dir_ / "file").string() + ": not a folder");
  EXPECT_FALSE(MakeFolders("", &error));
}

TEST_F(InstallPathsOnDisk, AnInstalledProgramReadsItsDataFolderAndCreatesThePlayersFolders) {
  Touch(dir_ / "usr/share/korvel4/Korvel4人将棋.htm");
  fs::create_directories(dir_ / "usr/games");
  SetEnv("HOME", (dir_ / "home").string());
  SetEnv("XDG_CONFIG_HOME", (dir_ / "home/cfg").string());
  SetEnv("XDG_DATA_HOME", "");

  std::vector<std::string> problems;
  const FilePlaces p = FindFilePlaces((dir_ / "usr/games").string(), "../share/korvel4", &problems);
  EXPECT_EQ(p.mode, RunMode::INSTALLED);
  EXPECT_EQ(p.data, (dir_ / "usr/share/korvel4").string());
  EXPECT_EQ(p.config, (dir_ / "home/cfg/korvel4").string());
  EXPECT_EQ(p.userData, (dir_ / "home/.local/share/korvel4").string());
  EXPECT_TRUE(problems.empty());
  EXPECT_TRUE(fs::is_directory(p.config));
  EXPECT_TRUE(fs::is_directory(p.userData));

  // A folder that cannot be made is reported; the places stay as they are.
  Touch(dir_ / "blocked");
  SetEnv("XDG_CONFIG_HOME", (dir_ / "blocked").string());
  const FilePlaces q = FindFilePlaces((dir_ / "usr/games").string(), "../share/korvel4", &problems);
  EXPECT_EQ(q.config, (dir_ / "blocked/korvel4").string());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("blocked"), std::string::npos) << problems[0];
}

TEST_F(InstallPathsOnDisk, APortableProgramKeepsEverythingBesideItselfAndCreatesNothing) {
  Touch(dir_ / "usr/share/korvel4/Korvel4人将棋.htm");
  Touch(dir_ / "usr/games/BGM.wav");
  SetEnv("XDG_CONFIG_HOME", (dir_ / "cfg").string());
  SetEnv("XDG_DATA_HOME", (dir_ / "data").string());
  std::vector<std::string> problems;
  const FilePlaces p = FindFilePlaces((dir_ / "usr/games").string(), "../share/korvel4", &problems);
  EXPECT_EQ(p.mode, RunMode::PORTABLE);
  EXPECT_EQ(p.config, "");
  EXPECT_EQ(p.data, "");
  EXPECT_EQ(p.userData, "");
  EXPECT_FALSE(fs::exists(dir_ / "cfg"));
  // A folder named like a data file is no data file.
  fs::remove(dir_ / "usr/games/BGM.wav");
  fs::create_directory(dir_ / "usr/games/BGM.wav");
  EXPECT_EQ(FindFilePlaces((dir_ / "usr/games").string(), "../share/korvel4", nullptr).mode,
            RunMode::INSTALLED);
}

}  // namespace
}  // namespace korvel
