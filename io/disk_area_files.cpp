// The files the program names itself in an area: listed newest first, written only where
// nothing is, removed, and worked on by one copy of the program at a time.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "io/disk_files.h"

namespace korvel {

namespace {

// More names than any folder of this program's own holds: the rest are not looked at.
constexpr std::size_t LIST_LIMIT = 10000;

}  // namespace

std::vector<std::string> DiskFiles::List(FileArea area, const std::string& prefix,
                                         const std::string& suffix) {
  const std::string& dir = Dir(area);
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  struct Entry {
    std::string name;
    timespec written;
  };
  std::vector<Entry> found;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() < prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
      continue;
    struct stat st;
    if (::stat(OpenPath(area, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
      continue;
    found.push_back({name, st.st_mtim});
    if (found.size() >= LIST_LIMIT) break;
  }
  ::closedir(d);
  std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
    if (a.written.tv_sec != b.written.tv_sec) return a.written.tv_sec > b.written.tv_sec;
    if (a.written.tv_nsec != b.written.tv_nsec) return a.written.tv_nsec > b.written.tv_nsec;
    return a.name < b.name;
  });
  std::vector<std::string> names;
  names.reserve(found.size());
  for (Entry& e : found) names.push_back(std::move(e.name));
  return names;
}

bool DiskFiles::WriteNew(FileArea area, const std::string& name, const std::string& bytes,
                         bool* taken) {
  std::string error;
  return WriteNewFileAtomically(OpenPath(area, name), bytes, &error, taken);
}

bool DiskFiles::Remove(FileArea area, const std::string& name) {
  const std::string path = OpenPath(area, name);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

void DiskFiles::Exclusively(FileArea area, const std::function<void()>& work) {
  const std::string& dir = Dir(area);
  // The lock is the folder's own: it goes with the descriptor, however `work` ends.
  struct Held {
    int fd;
    ~Held() {
      if (fd >= 0) ::close(fd);
    }
  } held{::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  const int fd = held.fd;
  if (fd >= 0) {
    // Another copy holds the folder for as long as it writes one small file: two seconds
    // is far more than that, and the work is never given up for it.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= until)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  work();
}

}  // namespace korvel
