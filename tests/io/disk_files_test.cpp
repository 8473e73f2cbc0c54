// Reading and writing the program's files: only regular files are ever opened, nothing
// blocks, and sizes are bounded.
#include "io/disk_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/fake_ports.h"

namespace korvel {
namespace {

using Status = FileRead::Status;
using testing::InFreshFolder;

class DiskFilesTest : public InFreshFolder {
 protected:
  DiskFiles files;
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static int Entries(const std::string& folder = ".") {
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
  }
  // Makes a file look as if it had been left there `seconds` ago.
  static void Age(const std::string& path, int seconds) {
    struct timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
  }
};

TEST_F(DiskFilesTest, ReadsWholeFilesAndTellsWhyNot) {
  ASSERT_TRUE(files.Write(FileArea::CONFIG, "a.ini", std::string(200000, 'x')));
  FileRead r = files.Read(FileArea::CONFIG, "a.ini", 1 << 20);
  EXPECT_EQ(r.status, Status::OK);
  EXPECT_EQ(r.bytes.size(), 200000u);

  EXPECT_EQ(files.Read(FileArea::CONFIG, "none.ini", 100).status, Status::MISSING);
  EXPECT_EQ(files.Read(FileArea::CONFIG, "a.ini", 199999).status, Status::TOO_LARGE);
  std::filesystem::create_directory("folder");
  EXPECT_EQ(files.Read(FileArea::CONFIG, "folder", 100).status, Status::NOT_A_FILE);
  EXPECT_FALSE(files.Write(FileArea::CONFIG, "folder", "x"));
}

// A pipe or a device in place of a file must neither hang the program nor be written to.
TEST_F(DiskFilesTest, PipesAndDevicesAreNeverOpened) {
  ASSERT_EQ(mkfifo("pipe.ini", 0644), 0);
  EXPECT_EQ(files.Read(FileArea::CONFIG, "pipe.ini", 100).status, Status::NOT_A_FILE);
  EXPECT_FALSE(files.Write(FileArea::CONFIG, "pipe.ini", "移動指導=OK\r\n"));

  std::filesystem::create_symlink("/dev/zero", "zero.wav");
  EXPECT_EQ(files.Read(FileArea::DATA, "zero.wav", 100).status, Status::NOT_A_FILE);
  std::filesystem::create_symlink("/dev/null", "null.ini");
  EXPECT_FALSE(files.Write(FileArea::CONFIG, "null.ini", "x"));
}

TEST_F(DiskFilesTest, WritesThroughALinkToARegularFile) {
  ASSERT_TRUE(files.Write(FileArea::CONFIG, "real.ini", "old"));
  std::filesystem::create_symlink("real.ini", "link.ini");
  ASSERT_TRUE(files.Write(FileArea::CONFIG, "link.ini", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink("link.ini"));
  EXPECT_EQ(Slurp("real.ini"), "new");
  EXPECT_EQ(files.Read(FileArea::CONFIG, "link.ini", 10).bytes, "new");
}

TEST_F(DiskFilesTest, AreasAreFoldersAndTheCurrentFolderByDefault) {
  std::filesystem::create_directories("conf");
  std::filesystem::create_directories("data");
  DiskFiles placed("conf", "data", "user");
  ASSERT_TRUE(placed.Write(FileArea::CONFIG, "s.ini", "c"));
  EXPECT_EQ(Slurp("conf/s.ini"), "c");
  EXPECT_EQ(placed.PathOf(FileArea::DATA, "h.htm"), "data/h.htm");
  EXPECT_EQ(files.PathOf(FileArea::DATA, "h.htm"),
            (std::filesystem::current_path() / "h.htm").string());
}

TEST_F(DiskFilesTest, AtomicWriteLeavesTheOldFileWholeWhenItFails) {
  std::string error;
  ASSERT_TRUE(WriteFileAtomically("game.txt", "first", &error)) << error;
  ASSERT_TRUE(WriteFileAtomically("game.txt", "second", &error)) << error;
  EXPECT_EQ(Slurp("game.txt"), "second");

  std::filesystem::create_directory("locked");
  ASSERT_TRUE(WriteFileAtomically("locked/game.txt", "kept", &error));
  if (geteuid() != 0) {
    chmod("locked", 0555);
    EXPECT_FALSE(WriteFileAtomically("locked/game.txt", "lost", &error));
    EXPECT_FALSE(error.empty());
    chmod("locked", 0755);
    EXPECT_EQ(Slurp("locked/game.txt"), "kept");
  }
  EXPECT_FALSE(WriteFileAtomically("no/such/folder/game.txt", "x", &error));
  EXPECT_EQ(error, "保存先のフォルダがありません（No such file or directory）");
  EXPECT_FALSE(WriteFileAtomically("locked", "x", &error));  // a folder is no file
  EXPECT_TRUE(std::filesystem::is_directory("locked"));
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(".")) ++entries;
  EXPECT_EQ(entries, 2);
}

// A file written under a new name never replaces anything: a file, a folder, a pipe or a
// dangling link already there are left as they were, and no temporary file stays.
TEST_F(DiskFilesTest, ANewFileNeverReplacesWhatIsThere) {
  std::string error;
  bool taken = true;
  ASSERT_TRUE(WriteNewFileAtomically("game.k4k", "first", &error, &taken)) << error;
  EXPECT_FALSE(taken);
  EXPECT_EQ(Slurp("game.k4k"), "first");
  EXPECT_FALSE(WriteNewFileAtomically("game.k4k", "second", &error, &taken));
  EXPECT_TRUE(taken);
  EXPECT_EQ(Slurp("game.k4k"), "first");

  std::filesystem::create_directory("folder");
  ASSERT_EQ(mkfifo("pipe", 0644), 0);
  std::filesystem::create_symlink("nowhere", "dangling");
  for (const char* there : {"folder", "pipe", "dangling"}) {
    EXPECT_FALSE(WriteNewFileAtomically(there, "x", &error, &taken)) << there;
    EXPECT_TRUE(taken) << there;
  }
  EXPECT_TRUE(std::filesystem::is_directory("folder"));
  EXPECT_TRUE(std::filesystem::is_fifo("pipe"));
  EXPECT_FALSE(std::filesystem::exists("nowhere"));

  EXPECT_FALSE(WriteNewFileAtomically("no/such/folder/game.k4k", "x", &error, &taken));
  EXPECT_FALSE(taken);
  EXPECT_FALSE(error.empty());
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(".")) ++entries;
  EXPECT_EQ(entries, 4);
}

// A save replaces the file whole: the old one keeps its permissions, links at the name stay
// links, and a link is followed only to a regular file (and, when asked, only within a folder).
TEST_F(DiskFilesTest, ASaveReplacesTheFileAtTheEndOfItsLinks) {
  Put("s.ini", "old");
  chmod("s.ini", 0600);
  ASSERT_TRUE(files.Write(FileArea::CONFIG, "s.ini", "new"));
  EXPECT_EQ(Slurp("s.ini"), "new");
  struct stat st;
  ASSERT_EQ(stat("s.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  std::filesystem::create_directories("own/sub");
  std::filesystem::create_directories("elsewhere");
  Put("elsewhere/kept.ini", "theirs");
  ASSERT_EQ(mkfifo("elsewhere/fifo", 0644), 0);
  Put("own/sub/real.ini", "old");
  std::filesystem::create_symlink("sub/real.ini", "own/inside.ini");
  std::filesystem::create_symlink("../elsewhere/kept.ini", "own/outside.ini");
  std::filesystem::create_symlink("../elsewhere/fifo", "own/fifo.ini");
  std::filesystem::create_symlink("sub/new.ini", "own/dangling.ini");
  std::filesystem::create_symlink("loop2.ini", "own/loop1.ini");
  std::filesystem::create_symlink("loop1.ini", "own/loop2.ini");

  std::string error;
  EXPECT_TRUE(WriteRegularFile("own/inside.ini", "mine", &error, "own")) << error;
  EXPECT_EQ(Slurp("own/sub/real.ini"), "mine");
  EXPECT_TRUE(WriteRegularFile("own/dangling.ini", "made", &error, "own")) << error;
  EXPECT_EQ(Slurp("own/sub/new.ini"), "made");
  EXPECT_FALSE(WriteRegularFile("own/outside.ini", "mine", &error, "own"));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteRegularFile("own/fifo.ini", "mine", &error));
  EXPECT_EQ(error, "通常のファイルではありません");
  EXPECT_FALSE(WriteRegularFile("own/loop1.ini", "mine", &error));
  EXPECT_EQ(error.rfind("リンクが", 0), 0u) << error;
  EXPECT_EQ(Slurp("elsewhere/kept.ini"), "theirs");
  EXPECT_TRUE(std::filesystem::is_fifo("elsewhere/fifo"));
  for (const char* link :
       {"own/inside.ini", "own/outside.ini", "own/fifo.ini", "own/dangling.ini", "own/loop1.ini"})
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << link;
  // Without a folder to keep within, a link to a regular file anywhere is followed.
  EXPECT_TRUE(WriteRegularFile("own/outside.ini", "mine", &error)) << error;
  EXPECT_EQ(Slurp("elsewhere/kept.ini"), "mine");
  EXPECT_EQ(Entries("own"), 7);
  EXPECT_EQ(Entries("own/sub"), 2);
  EXPECT_EQ(Entries("elsewhere"), 2);
}

// A file no one may write is never replaced, not even by root, and never by a rename.
TEST_F(DiskFilesTest, AReadOnlyFileIsNeverReplaced) {
  Put("kept.k4k", "the player's record");
  chmod("kept.k4k", 0444);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically("kept.k4k", "another game", &error));
  EXPECT_EQ(error, "読み取り専用のファイルです");
  EXPECT_FALSE(files.Write(FileArea::CONFIG, "kept.k4k", "x"));
  EXPECT_EQ(Slurp("kept.k4k"), "the player's record");
  EXPECT_EQ(Entries(), 1);
}

// A disk that fills up during a save (a file size limit stands in for it): the old file
// stays whole, a file saved for the first time is not left behind empty or cut short, and
// the reason is told in Japanese.
TEST_F(DiskFilesTest, AFullDiskLeavesTheOldFileWholeAndNoPartOfANewOne) {
  Put("s.ini", "old settings");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small { 8, 8 };
    setrlimit(RLIMIT_FSIZE, &small);
    DiskFiles disk;
    std::string error;
    const bool replaced = disk.Write(FileArea::CONFIG, "s.ini", "new settings, longer");
    const bool created = disk.Write(FileArea::CONFIG, "first.ini", "first settings");
    const bool record = WriteFileAtomically("game.k4k", "a whole game record", &error);
    _exit(!replaced && !created && !record && error.rfind("ファイルが大きすぎます（", 0) == 0 ? 0
                                                                                              : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Slurp("s.ini"), "old settings");
  EXPECT_FALSE(std::filesystem::exists("first.ini"));
  EXPECT_FALSE(std::filesystem::exists("game.k4k"));
  EXPECT_EQ(Entries(), 1) << "no temporary file is left";
}

// Temporary files of saves cut short are removed by the next save in their folder once they
// are a minute old; a younger one may be a save still going on in another copy of the
// program, and nothing else is touched.
TEST_F(DiskFilesTest, StaleTemporariesAreRemovedByTheNextSave) {
  const std::vector<std::string> stale = {".game.k4k.korvel4-AbC123", ".other.k4k.korvel4-000000",
                                          ".Korvel4人将棋.ini.korvel4-zZ9yY8"};
  const std::vector<std::string> kept = {".game.k4k.korvel4-Fresh1",  // a live save
                                         "game.k4k.AbC123",           // not the program's naming
                                         ".game.k4k.AbC123",         ".notes.korvel4.AbC123",
                                         "game.k4k.backup",          ".game.k4k.korvel4-short",
                                         ".korvel4-AbC123",          "game.k4k"};
  for (const std::string& name : stale) Put(name, "part");
  for (const std::string& name : kept) Put(name, "the player's");
  std::filesystem::create_directory(".dir.k4k.korvel4-AbC123");
  std::filesystem::create_symlink("game.k4k", ".link.k4k.korvel4-AbC123");
  for (const std::string& name : stale) Age(name, 120);
  for (const std::string& name : kept) Age(name, 3600);
  Age(".game.k4k.korvel4-Fresh1", 5);
  Age(".dir.k4k.korvel4-AbC123", 3600);
  Age(".link.k4k.korvel4-AbC123", 3600);

  std::string error;
  ASSERT_TRUE(WriteFileAtomically("saved.k4k", "record", &error)) << error;
  for (const std::string& name : stale) EXPECT_FALSE(std::filesystem::exists(name)) << name;
  for (const std::string& name : kept) EXPECT_EQ(Slurp(name), "the player's") << name;
  EXPECT_TRUE(std::filesystem::is_directory(".dir.k4k.korvel4-AbC123"));
  EXPECT_TRUE(std::filesystem::is_symlink(".link.k4k.korvel4-AbC123"));
  EXPECT_EQ(Entries(), static_cast<int>(kept.size()) + 3);

  // A new file's save clears them as well.
  Put(".n.k4k.korvel4-a1b2c3", "part");
  Age(".n.k4k.korvel4-a1b2c3", 120);
  bool taken = false;
  ASSERT_TRUE(WriteNewFileAtomically("new.k4k", "record", &error, &taken)) << error;
  EXPECT_FALSE(std::filesystem::exists(".n.k4k.korvel4-a1b2c3"));
}

TEST(DiskFilesFullDisk, DevicesAreRefusedBeforeAnythingIsWritten) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  std::string error;
  EXPECT_FALSE(WriteFileAtomically("/dev/full", "x", &error));
  EXPECT_FALSE(WriteRegularFile("/dev/full", "x"));
}

}  // namespace
}  // namespace korvel
