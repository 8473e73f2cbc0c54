// Reading and writing the program's files: only regular files are ever opened, nothing
// blocks, and sizes are bounded.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io/disk_files.h"
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

TEST(DiskFilesFullDisk, DevicesAreRefusedBeforeAnythingIsWritten) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  std::string error;
  EXPECT_FALSE(WriteFileAtomically("/dev/full", "x", &error));
  EXPECT_FALSE(WriteRegularFile("/dev/full", "x"));
}

}  // namespace
}  // namespace korvel
