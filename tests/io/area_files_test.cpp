// The files the program names itself in an area: listed newest first, written only where
// nothing is, removed only when they are plain files, and worked on by one copy at a time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "io/disk_files.h"
#include "support/fake_ports.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::InFreshFolder;

class AreaFiles : public InFreshFolder {
 protected:
  DiskFiles files;
  static void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
};

TEST_F(AreaFiles, ListsPlainNonEmptyFilesOfTheNameNewestFirst) {
  const auto now = fs::file_time_type::clock::now();
  Put("k-old.k4k", "a");
  Put("k-new.k4k", "b");
  Put("k-mid.k4k", "c");
  fs::last_write_time("k-old.k4k", now - std::chrono::hours(2));
  fs::last_write_time("k-mid.k4k", now - std::chrono::hours(1));
  Put("k-empty.k4k", "");
  Put("k-temp.k4k.Ab12Cd", "a temporary beside a file");
  Put("other.k4k", "x");
  Put("k-other.txt", "x");
  fs::create_directory("k-folder.k4k");
  ASSERT_EQ(::mkfifo("k-pipe.k4k", 0600), 0);
  fs::create_symlink("k-old.k4k", "k-link.k4k");
  fs::last_write_time("k-new.k4k", now);
  // A link is as new as the file it leads to; names part files written at the same time.
  EXPECT_EQ(files.List(FileArea::USER_DATA, "k-", ".k4k"),
            (std::vector<std::string>{"k-new.k4k", "k-mid.k4k", "k-link.k4k", "k-old.k4k"}));
  // A folder of its own, and one that is not there.
  fs::create_directory("user");
  Put("user/k-1.k4k", "x");
  EXPECT_EQ(DiskFiles("", "", "user").List(FileArea::USER_DATA, "k-", ".k4k"),
            std::vector<std::string>{"k-1.k4k"});
  EXPECT_TRUE(DiskFiles("", "", "absent").List(FileArea::USER_DATA, "k-", ".k4k").empty());
}

TEST_F(AreaFiles, ANewFileNeverReplacesAnythingAndOnlyPlainFilesAreRemoved) {
  bool taken = true;
  ASSERT_TRUE(files.WriteNew(FileArea::USER_DATA, "n.k4k", "first", &taken));
  EXPECT_FALSE(taken);
  EXPECT_FALSE(files.WriteNew(FileArea::USER_DATA, "n.k4k", "second", &taken));
  EXPECT_TRUE(taken);
  EXPECT_EQ(files.Read(FileArea::USER_DATA, "n.k4k", 100).bytes, "first");
  fs::create_symlink("nowhere", "dangling.k4k");
  EXPECT_FALSE(files.WriteNew(FileArea::USER_DATA, "dangling.k4k", "x", &taken));
  EXPECT_TRUE(taken);
  EXPECT_FALSE(fs::exists("nowhere"));

  EXPECT_TRUE(files.Remove(FileArea::USER_DATA, "n.k4k"));
  EXPECT_FALSE(fs::exists("n.k4k"));
  EXPECT_FALSE(files.Remove(FileArea::USER_DATA, "n.k4k"));
  fs::create_directory("folder.k4k");
  EXPECT_FALSE(files.Remove(FileArea::USER_DATA, "folder.k4k"));
  Put("target.k4k", "kept");
  fs::create_symlink("target.k4k", "link.k4k");
  EXPECT_FALSE(files.Remove(FileArea::USER_DATA, "link.k4k"));
  EXPECT_TRUE(fs::is_symlink("link.k4k"));
  EXPECT_TRUE(fs::exists("target.k4k"));
}

// While one copy works in the area, another waits for it; with no folder to hold, the work
// is done all the same.
TEST_F(AreaFiles, OneCopyWorksInTheAreaAtATime) {
  DiskFiles other;
  std::vector<std::string> order;
  std::atomic<bool> trying{false};
  std::thread second;
  files.Exclusively(FileArea::USER_DATA, [&] {
    second = std::thread([&] {
      trying = true;
      other.Exclusively(FileArea::USER_DATA, [&] { order.push_back("second"); });
    });
    while (!trying) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    order.push_back("first");
  });
  second.join();
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));

  bool done = false;
  DiskFiles("", "", "absent").Exclusively(FileArea::USER_DATA, [&] { done = true; });
  EXPECT_TRUE(done);
}

}  // namespace
}  // namespace korvel
