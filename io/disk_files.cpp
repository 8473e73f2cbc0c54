#include "io/disk_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

bool WriteRegularFile(const std::string& path, const std::string& bytes) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666));
  if (fd.get() < 0) return false;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (::ftruncate(fd.get(), 0) != 0) return false;
  if (!WriteAll(fd.get(), bytes)) return false;
  return fd.Close();
}

namespace {

// The bytes in a temporary file beside `path`, flushed to the disk; its name, or empty with
// the reason.
std::string WriteTemporaryBeside(const std::string& path, const std::string& bytes,
                                 std::string* why) {
  std::string tmpl = path + ".XXXXXX";
  const int raw = ::mkstemp(tmpl.data());
  if (raw < 0) {
    *why = std::strerror(errno);
    return "";
  }
  Fd fd(raw);
  if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || !fd.Close()) {
    *why = std::strerror(errno);
    fd.Close();
    ::unlink(tmpl.c_str());
    return "";
  }
  ::chmod(tmpl.c_str(), 0644);
  return tmpl;
}

}  // namespace

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
  const std::string tmp = WriteTemporaryBeside(path, bytes, &why);
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
    return fail(*taken ? "同じ名前のファイルがあります" : std::strerror(err));
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return fail("通常のファイルではありません");
  std::string tmpl = path + ".XXXXXX";
  const int raw = ::mkstemp(tmpl.data());
  if (raw < 0) return fail(std::strerror(errno));
  Fd fd(raw);
  if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
    const std::string why = std::strerror(errno);
    fd.Close();
    ::unlink(tmpl.c_str());
    return fail(why);
  }
  if (!fd.Close()) {
    const std::string why = std::strerror(errno);
    ::unlink(tmpl.c_str());
    return fail(why);
  }
  ::chmod(tmpl.c_str(), 0644);
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(tmpl.c_str());
    return fail(why);
  }
  return true;
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

}  // namespace korvel
