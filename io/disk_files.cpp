#include "io/disk_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace korvel {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and tells whether the close went well (a full disk may show only here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::size_t limit) {
  FileRead r;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    r.status = errno == ENOENT || errno == ENOTDIR ? FileRead::Status::MISSING
                                                   : FileRead::Status::UNREADABLE;
    return r;
  }
  if (!S_ISREG(st.st_mode)) {
    r.status = FileRead::Status::NOT_A_FILE;
    return r;
  }
  // O_NONBLOCK: should the path have become a pipe since the look, opening it still
  // returns at once.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    r.status = FileRead::Status::UNREADABLE;
    return r;
  }
  if (::fstat(fd.get(), &st) != 0) {
    r.status = FileRead::Status::UNREADABLE;
    return r;
  }
  if (!S_ISREG(st.st_mode)) {
    r.status = FileRead::Status::NOT_A_FILE;
    return r;
  }
  if (static_cast<unsigned long long>(st.st_size) > limit) {
    r.status = FileRead::Status::TOO_LARGE;
    return r;
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char block[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      r.status = FileRead::Status::UNREADABLE;
      return r;
    }
    if (n == 0) break;
    // The file may grow while it is read: the limit holds all the same.
    if (bytes.size() + static_cast<size_t>(n) > limit) {
      r.status = FileRead::Status::TOO_LARGE;
      return r;
    }
    bytes.append(block, static_cast<size_t>(n));
  }
  r.status = FileRead::Status::OK;
  r.bytes = std::move(bytes);
  return r;
}

namespace {

// A temporary file is named after its target and marked as the program's own:
// ".NAME.korvel4-XXXXXX" beside NAME, hidden from a folder's listing.
constexpr const char TEMPORARY_MARK[] = ".korvel4-";
constexpr std::size_t TEMPORARY_RANDOM = 6;  // the X's that mkstemp fills
// A temporary file this old belongs to no save still going on (a save writes it at once).
constexpr time_t STALE_AFTER_SECONDS = 60;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryTemplate(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  return folder + "." + NameOf(path) + TEMPORARY_MARK + std::string(TEMPORARY_RANDOM, 'X');
}

// Flushes the folder's entry of a renamed or linked file to the disk; a folder that cannot
// be flushed costs nothing but the flush.
void SyncFolderOf(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Why a save must not replace the file that is there, or empty. A file no one may write is
// kept as it is, and so is one this user may not write: a rename over it would need no
// permission of the file itself.
std::string RefusalToReplace(const std::string& path, const struct stat& st) {
  if ((st.st_mode & 0222) == 0) return "読み取り専用のファイルです";
  if (::geteuid() != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 &&
      errno == EACCES)
    return SaveErrorText(EACCES);
  return "";
}

// The bytes in a temporary file beside `path`, flushed to the disk, with `mode`; its name,
// or empty with the reason.
std::string WriteTemporaryBeside(const std::string& path, const std::string& bytes, mode_t mode,
                                 std::string* why) {
  RemoveStaleTemporaries(path);
  std::string tmpl = TemporaryTemplate(path);
  const int raw = ::mkstemp(tmpl.data());
  if (raw < 0) {
    *why = SaveErrorText(errno);
    return "";
  }
  Fd fd(raw);
  if (!WriteAll(fd.get(), bytes) || ::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0) {
    *why = SaveErrorText(errno);
    fd.Close();
    ::unlink(tmpl.c_str());
    return "";
  }
  if (!fd.Close()) {
    *why = SaveErrorText(errno);
    ::unlink(tmpl.c_str());
    return "";
  }
  return tmpl;
}

}  // namespace

std::string SaveErrorText(int err) {
  const char* reason;
  switch (err) {
    case ENOENT: reason = "保存先のフォルダがありません"; break;
    case ENOTDIR: reason = "保存先の途中にフォルダではないものがあります"; break;
    case EACCES:
    case EPERM: reason = "書き込む許可がありません"; break;
    case EROFS: reason = "読み取り専用の場所です"; break;
    case ENOSPC:
    case EDQUOT: reason = "ディスクの空きが足りません"; break;
    case EFBIG: reason = "ファイルが大きすぎます"; break;
    case EISDIR: reason = "同じ名前のフォルダがあります"; break;
    case ENAMETOOLONG: reason = "名前が長すぎます"; break;
    case ELOOP: reason = "リンクが多すぎるか循環しています"; break;
    case EIO: reason = "ディスクの読み書きに失敗しました"; break;
    case EMFILE:
    case ENFILE: reason = "開いているファイルが多すぎます"; break;
    case EBUSY:
    case ETXTBSY: reason = "ファイルが使用中です"; break;
    default: reason = "書き込めません"; break;
  }
  return std::string(reason) + "（" + std::strerror(err) + "）";
}

bool IsTemporaryName(const std::string& name) {
  const std::string mark = TEMPORARY_MARK;
  // "." + at least one character of the target's name + the mark + the random part.
  if (name.size() < 2 + mark.size() + TEMPORARY_RANDOM || name[0] != '.') return false;
  const size_t at = name.size() - TEMPORARY_RANDOM - mark.size();
  if (name.compare(at, mark.size(), mark) != 0) return false;
  for (size_t i = name.size() - TEMPORARY_RANDOM; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

int RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  const time_t now = ::time(nullptr);
  int removed = 0;
  while (const dirent* e = ::readdir(dir)) {
    if (!IsTemporaryName(e->d_name)) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    // Only a regular file of this user's, left long enough ago that no save is writing it.
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (now - st.st_mtime < STALE_AFTER_SECONDS) continue;
    if (::unlinkat(::dirfd(dir), e->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

bool WriteNewFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                            bool* taken) {
  *taken = false;
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    *taken = true;
    return fail("同じ名前のファイルがあります");
  }
  std::string why;
  const std::string tmp = WriteTemporaryBeside(path, bytes, 0644, &why);
  if (tmp.empty()) return fail(why);
  // A hard link is made only where nothing is: it never replaces what another program
  // put there meanwhile.
  int err = ::link(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
  if (err != 0 && err != EEXIST) {
    // A file system without hard links: renamed, when nothing is there yet.
    if (::lstat(path.c_str(), &st) == 0)
      err = EEXIST;
    else
      err = ::rename(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
  }
  ::unlink(tmp.c_str());
  if (err != 0) {
    *taken = err == EEXIST;
    return fail(*taken ? "同じ名前のファイルがあります" : SaveErrorText(err));
  }
  SyncFolderOf(path);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  // A file replaced keeps its permissions; a new one may be read by anyone.
  mode_t mode = 0644;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return fail("通常のファイルではありません");
    const std::string refusal = RefusalToReplace(path, st);
    if (!refusal.empty()) return fail(refusal);
    mode = st.st_mode & 0777;
  }
  std::string why;
  const std::string tmp = WriteTemporaryBeside(path, bytes, mode, &why);
  if (tmp.empty()) return fail(why);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    why = SaveErrorText(errno);
    ::unlink(tmp.c_str());
    return fail(why);
  }
  SyncFolderOf(path);
  return true;
}

bool WriteRegularFile(const std::string& path, const std::string& bytes, std::string* error,
                      const std::string& linksWithin) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  // The end of the links at `path`: the file that is replaced, the links staying as they are.
  std::string at = path;
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0) {
      if (errno == ENOENT) break;  // a new file there
      return fail(SaveErrorText(errno));
    }
    if (!S_ISLNK(st.st_mode)) break;
    if (hops == 16) return fail(SaveErrorText(ELOOP));
    char target[4096];
    const ssize_t n = ::readlink(at.c_str(), target, sizeof target - 1);
    if (n < 0) return fail(SaveErrorText(errno));
    const std::string to(target, static_cast<size_t>(n));
    at = to[0] == '/' || at.find('/') == std::string::npos ? to : FolderOf(at) + "/" + to;
  }
  if (at != path && !linksWithin.empty()) {
    char inside[PATH_MAX], folder[PATH_MAX];
    if (!::realpath(linksWithin.c_str(), inside) || !::realpath(FolderOf(at).c_str(), folder))
      return fail("リンクの先に書き込めません");
    const std::string own = inside, there = folder;
    if (there != own && there.rfind(own == "/" ? own : own + "/", 0) != 0)
      return fail("フォルダの外へのリンクには書き込みません");
  }
  return WriteFileAtomically(at, bytes, error);
}

const std::string& DiskFiles::Dir(FileArea area) const {
  switch (area) {
    case FileArea::CONFIG: return config_;
    case FileArea::DATA: return data_;
    case FileArea::USER_DATA: return user_;
  }
  return data_;
}

std::string DiskFiles::OpenPath(FileArea area, const std::string& name) const {
  const std::string& dir = Dir(area);
  return dir.empty() ? name : dir + "/" + name;
}

std::string DiskFiles::PathOf(FileArea area, const std::string& name) {
  const std::string& dir = Dir(area);
  if (!dir.empty()) return dir + "/" + name;
  char cwd[4096];
  return std::string(::getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + name;
}

FileRead DiskFiles::Read(FileArea area, const std::string& name, std::size_t limit) {
  return ReadRegularFile(OpenPath(area, name), limit);
}

bool DiskFiles::Write(FileArea area, const std::string& name, const std::string& bytes) {
  return WriteRegularFile(OpenPath(area, name), bytes);
}

FileRead DiskFiles::ReadPath(const std::string& path, std::size_t limit) {
  return ReadRegularFile(path, limit);
}

bool DiskFiles::WritePathAtomically(const std::string& path, const std::string& bytes,
                                    std::string* error) {
  return WriteFileAtomically(path, bytes, error);
}

bool DiskFiles::WriteNewPath(const std::string& path, const std::string& bytes, bool* taken,
                             std::string* error) {
  return WriteNewFileAtomically(path, bytes, error, taken);
}

}  // namespace korvel
