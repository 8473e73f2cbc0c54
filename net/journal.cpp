#include "net/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <cerrno>
#include <cstring>

#include "net/protocol.h"

namespace korvel::net {

namespace {

QString Why() { return QString::fromLocal8Bit(std::strerror(errno)); }

QString PathOf(const QString& dir, const QString& code) {
  return QDir(dir).filePath(code + QLatin1String(kJournalSuffix));
}

// The code a journal's file name carries, or empty when the name is no journal's.
QString CodeOfName(const QString& name) {
  const QString suffix = QLatin1String(kJournalSuffix);
  if (!name.endsWith(suffix)) return {};
  const QString code = name.left(name.size() - suffix.size());
  return IsRoomCode(code) ? code : QString();
}

}  // namespace

JournalFile::~JournalFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<JournalFile> JournalFile::Create(const QString& dir, const QString& code,
                                                 QString* error) {
  if (!IsRoomCode(code)) {
    *error = QStringLiteral("not a room code: %1").arg(code);
    return nullptr;
  }
  const QString path = PathOf(dir, code);
  const int fd = ::open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = path + QStringLiteral(": ") + Why();
    return nullptr;
  }
  return std::unique_ptr<JournalFile>(new JournalFile(fd, path));
}

std::unique_ptr<JournalFile> JournalFile::Continue(const QString& path, qint64 wholeBytes,
                                                   QString* error) {
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 || ::ftruncate(fd, wholeBytes) != 0 || ::fdatasync(fd) != 0) {
    *error = path + QStringLiteral(": ") + Why();
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<JournalFile>(new JournalFile(fd, path));
}

bool JournalFile::Append(const QJsonObject& entry, QString* error) {
  if (fd_ < 0) return false;
  QByteArray line = QJsonDocument(entry).toJson(QJsonDocument::Compact);
  line.append('\n');
  const char* p = line.constData();
  qsizetype left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = path_ + QStringLiteral(": ") + Why();
      return false;
    }
    p += n;
    left -= n;
  }
  if (::fdatasync(fd_) != 0) {
    *error = path_ + QStringLiteral(": ") + Why();
    return false;
  }
  return true;
}

void JournalFile::Remove() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ::unlink(QFile::encodeName(path_).constData());
}

bool JournalExists(const QString& dir, const QString& code) {
  struct stat st {};
  return ::lstat(QFile::encodeName(PathOf(dir, code)).constData(), &st) == 0;
}

std::vector<ReadJournal> ReadJournals(const QString& dir, QStringList* problems) {
  std::vector<ReadJournal> out;
  const QStringList names = QDir(dir).entryList(
      QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
  for (const QString& name : names) {
    const QString code = CodeOfName(name);
    if (code.isEmpty()) continue;
    const QString path = QDir(dir).filePath(name);
    // Only a regular file, never through a link, never blocking on a pipe.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxJournalBytes) {
      const QString why = fd < 0                      ? Why()
                          : !S_ISREG(st.st_mode)      ? QStringLiteral("not a regular file")
                                                      : QStringLiteral("too large");
      problems->append(path + QStringLiteral(": ") + why + QStringLiteral(" (skipped)"));
      if (fd >= 0) ::close(fd);
      continue;
    }
    QByteArray bytes(static_cast<qsizetype>(st.st_size), '\0');
    qsizetype got = 0;
    while (got < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    ReadJournal j;
    j.code = code;
    j.path = path;
    qsizetype at = 0;
    int lineNo = 0;
    bool damaged = false;
    while (at < bytes.size()) {
      const qsizetype end = bytes.indexOf('\n', at);
      if (end < 0) {  // the last line, never finished: torn by a crash
        j.torn = true;
        break;
      }
      ++lineNo;
      const QJsonDocument doc = QJsonDocument::fromJson(bytes.mid(at, end - at));
      if (!doc.isObject()) {
        problems->append(QStringLiteral("%1: line %2 is damaged (skipped)").arg(path).arg(lineNo));
        damaged = true;
        break;
      }
      j.entries.push_back(doc.object());
      at = end + 1;
      j.wholeBytes = at;
    }
    if (!damaged) out.push_back(std::move(j));
  }
  return out;
}

}  // namespace korvel::net
