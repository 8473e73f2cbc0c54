// The browser page, served by the authority on the port of its WebSocket: the gate looks at
// the head of every request it accepts; one asking for a WebSocket goes on to the WebSocket
// server, a plain GET or HEAD is answered here from a fixed table of the page's files. No
// path from a request ever reaches the file system: the files are read once, when the
// server starts, by the names in the table, and a request only picks one of them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvel::net {

// A request head is at most this long (the request line and every header); a longer one is
// answered with 431 and closed.
inline constexpr int kMaxRequestHead = 8192;
// No file of the page is larger (a larger one is not served).
inline constexpr qint64 kMaxPageFileBytes = 1 << 20;

// One file of the page: the path a browser asks for, the file's name in the page's folder,
// its content type.
struct PageFile {
  QByteArray path;
  QString file;
  QByteArray type;
};
// The whole table ("/" is index.html).
const std::vector<PageFile>& PageFiles();

struct RequestHead {
  QByteArray method;
  QByteArray path;  // the target without its query
  std::vector<std::pair<QByteArray, QByteArray>> headers;  // names in lowercase
  // The value of a header (the first of that name), empty when absent.
  QByteArray Header(const QByteArray& lowercaseName) const;
  // A WebSocket upgrade: an `Upgrade` header naming websocket.
  bool WantsWebSocket() const;
};

// Parses a request head ending with an empty line (CRLF CRLF). Empty when it is not an
// HTTP/1.x request head.
std::optional<RequestHead> ParseRequestHead(const QByteArray& head);

// Where the end of a request head is in what arrived so far: the number of bytes of the head
// with its empty line, 0 when it has not all come yet.
int RequestHeadLength(const QByteArray& seen);

// The headers every answer carries: the content security policy and its companions.
QByteArray SecurityHeaders();

class WebPage {
 public:
  // Reads every file of the table from `folder`; the names of those missing, unreadable or
  // too large are listed in `missing` (their paths answer 404). True when every file is there.
  bool Load(const QString& folder, QStringList* missing);
  bool Loaded() const { return loaded_; }
  // The whole answer to a request (status line, headers, body). An empty head stands for one
  // that could not be read (400).
  QByteArray Answer(const std::optional<RequestHead>& head) const;
  // The answer to a head that grew past kMaxRequestHead.
  static QByteArray TooLarge();
  // The answer to a WebSocket upgrade from another site's page.
  static QByteArray Forbidden();

 private:
  std::vector<QByteArray> bodies_;  // one per PageFiles() entry; null when missing
  bool loaded_ = false;
};

// The page's folder: `web` beside the program (a build folder, an unpacked archive) when it
// holds the page, else `web` in the installed data folder (`dataFromProgram`, relative to the
// program's folder or absolute). Empty when neither holds it.
QString FindWebFolder(const QString& programDir, const QString& dataFromProgram);

}  // namespace korvel::net
