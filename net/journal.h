// The authority's journal: one append-only file per room under a folder of the server's
// own (korvel4-server --journal DIR), so that a server started again after a crash, a
// `kill -9` or a power cut resumes every room. Each line is one JSON object the room wrote
// (net::Room, "Journal" below) and is written whole with one write and made durable
// before the server goes on. The file is named by the room's code, which the server made
// or was given on its command line ([A-Z0-9], checked again here): never by anything a
// client sent.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace korvel::net {

// The ending of a journal file's name.
inline constexpr char kJournalSuffix[] = ".k4j";
// A journal larger than this is not read (damaged, or not a journal).
inline constexpr qint64 kMaxJournalBytes = 64 * 1024 * 1024;

class JournalFile {
 public:
  ~JournalFile();
  // A new journal for the room `code` in `dir` (none may be there yet); null with the
  // reason in `error`.
  static std::unique_ptr<JournalFile> Create(const QString& dir, const QString& code,
                                             QString* error);
  // The journal read at start, to be written on: cut after its last whole line (a line
  // torn by a crash goes).
  static std::unique_ptr<JournalFile> Continue(const QString& path, qint64 wholeBytes,
                                               QString* error);
  // Appends one line and makes it durable (fdatasync); false with the reason when the
  // disk refused it.
  bool Append(const QJsonObject& entry, QString* error);
  // The room is gone: its journal too.
  void Remove();
  const QString& Path() const { return path_; }

 private:
  JournalFile(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  QString path_;
};

// One journal file as read at start.
struct ReadJournal {
  QString code;                     // from the file's name
  QString path;
  std::vector<QJsonObject> entries;  // every whole line, in order
  qint64 wholeBytes = 0;             // the bytes up to the end of the last whole line
  bool torn = false;                 // a last line without its end was left out
};

// The journals in `dir`: every regular file named CODE.k4j (CODE a room code). A file
// that cannot be read, or holds a line that is no JSON object, is named in `problems`
// and left out; a last line torn by a crash is left out quietly.
std::vector<ReadJournal> ReadJournals(const QString& dir, QStringList* problems);

// Whether `dir` holds a journal for `code` already (a new room's code must be free).
bool JournalExists(const QString& dir, const QString& code);

}  // namespace korvel::net
