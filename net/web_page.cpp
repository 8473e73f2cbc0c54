#include "net/web_page.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvel::net {

namespace {

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 431: return "Request Header Fields Too Large";
    default: return "Error";
  }
}

QByteArray Response(int status, const QByteArray& type, const QByteArray& body, bool withBody,
                    const QByteArray& extra = {}) {
  QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
  r += "Content-Type: " + type + "\r\n";
  r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
  r += SecurityHeaders();
  r += status == 200 ? "Cache-Control: no-cache\r\n" : "Cache-Control: no-store\r\n";
  r += extra;
  r += "Connection: close\r\n\r\n";
  if (withBody) r += body;
  return r;
}

QByteArray Plain(int status, bool withBody, const QByteArray& extra = {}) {
  return Response(status, "text/plain; charset=utf-8",
                  QByteArray::number(status) + ' ' + Reason(status) + '\n', withBody, extra);
}

bool IsTokenChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

}  // namespace

const std::vector<PageFile>& PageFiles() {
  static const std::vector<PageFile> files = [] {
    std::vector<PageFile> f = {
        {"/", "index.html", "text/html; charset=utf-8"},
        {"/index.html", "index.html", "text/html; charset=utf-8"},
        {"/app.js", "app.js", "text/javascript; charset=utf-8"},
        {"/style.css", "style.css", "text/css; charset=utf-8"},
        {"/icon.png", "icon.png", "image/png"},
        {"/pieces/KARA_MASU.png", "pieces/KARA_MASU.png", "image/png"},
    };
    for (const char* seat : {"SITA", "HIDARI", "UE", "MIGI"})
      for (const char* kind : {"HU", "TO", "GIN", "GINNARI", "KIN", "SYA", "SYANARI", "OU"}) {
        const QString name = QStringLiteral("pieces/%1_%2.png").arg(seat, kind);
        f.push_back({'/' + name.toLatin1(), name, "image/png"});
      }
    for (const char* sound : {"move", "refused", "end", "other"}) {
      const QString name = QStringLiteral("sounds/%1.wav").arg(sound);
      f.push_back({'/' + name.toLatin1(), name, "audio/wav"});
    }
    return f;
  }();
  return files;
}

QByteArray RequestHead::Header(const QByteArray& lowercaseName) const {
  for (const auto& [name, value] : headers)
    if (name == lowercaseName) return value;
  return {};
}

bool RequestHead::WantsWebSocket() const {
  for (const auto& [name, value] : headers)
    if (name == "upgrade" && value.toLower().contains("websocket")) return true;
  return false;
}

int RequestHeadLength(const QByteArray& seen) {
  const int end = static_cast<int>(seen.indexOf("\r\n\r\n"));
  return end < 0 ? 0 : end + 4;
}

std::optional<RequestHead> ParseRequestHead(const QByteArray& head) {
  if (!head.endsWith("\r\n\r\n")) return std::nullopt;
  QByteArray text = head.left(head.size() - 4);
  text.replace("\r\n", "\n");
  // Lines end with CRLF; a lone CR or a NUL anywhere is not a request.
  if (text.contains('\r') || text.contains('\0')) return std::nullopt;
  const QList<QByteArray> lines = text.split('\n');
  RequestHead r;
  // The request line: METHOD SP target SP HTTP/1.x
  const QList<QByteArray> parts = lines.front().split(' ');
  if (parts.size() != 3 || parts[0].isEmpty() || !parts[2].startsWith("HTTP/1."))
    return std::nullopt;
  for (char c : parts[0])
    if (!IsTokenChar(c)) return std::nullopt;
  r.method = parts[0];
  QByteArray target = parts[1];
  if (!target.startsWith('/')) return std::nullopt;
  const qsizetype query = target.indexOf('?');
  r.path = query < 0 ? target : target.left(query);
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray& line = lines[i];
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) return std::nullopt;
    const QByteArray name = line.left(colon);
    for (char c : name)
      if (!IsTokenChar(c)) return std::nullopt;
    r.headers.emplace_back(name.toLower(), line.mid(colon + 1).trimmed());
  }
  return r;
}

QByteArray SecurityHeaders() {
  return "Content-Security-Policy: default-src 'none'; script-src 'self'; style-src 'self'; "
         "img-src 'self' data:; media-src 'self'; connect-src 'self'; base-uri 'none'; "
         "form-action 'self'; frame-ancestors 'none'\r\n"
         "X-Content-Type-Options: nosniff\r\n"
         "X-Frame-Options: DENY\r\n"
         "Referrer-Policy: no-referrer\r\n"
         "Cross-Origin-Opener-Policy: same-origin\r\n"
         "Cross-Origin-Resource-Policy: same-origin\r\n";
}

bool WebPage::Load(const QString& folder, QStringList* missing) {
  const auto& files = PageFiles();
  bodies_.assign(files.size(), QByteArray());
  bool all = true;
  for (size_t i = 0; i < files.size(); ++i) {
    QFile f(QDir(folder).filePath(files[i].file));
    const QFileInfo info(f);
    if (!info.isFile() || info.size() > kMaxPageFileBytes || !f.open(QIODevice::ReadOnly)) {
      if (missing && !missing->contains(files[i].file)) missing->append(files[i].file);
      all = false;
      continue;
    }
    bodies_[i] = f.read(kMaxPageFileBytes + 1);
    if (bodies_[i].size() > kMaxPageFileBytes) {
      bodies_[i] = QByteArray();
      if (missing) missing->append(files[i].file);
      all = false;
    } else if (bodies_[i].isNull()) {
      bodies_[i] = QByteArray("");  // an empty file is a file
    }
  }
  loaded_ = true;
  return all;
}

QByteArray WebPage::Answer(const std::optional<RequestHead>& head) const {
  if (!head) return Plain(400, true);
  const bool isHead = head->method == "HEAD";
  if (head->method != "GET" && !isHead) return Plain(405, true, "Allow: GET, HEAD\r\n");
  const auto& files = PageFiles();
  for (size_t i = 0; i < files.size() && i < bodies_.size(); ++i)
    if (files[i].path == head->path && !bodies_[i].isNull())
      return Response(200, files[i].type, bodies_[i], !isHead);
  return Plain(404, !isHead);
}

QByteArray WebPage::Forbidden() {
  return Plain(403, true);
}

QByteArray WebPage::TooLarge() {
  return Plain(431, true);
}

QString FindWebFolder(const QString& programDir, const QString& dataFromProgram) {
  const QString beside = QDir(programDir).filePath(QStringLiteral("web"));
  if (QFileInfo(QDir(beside).filePath(QStringLiteral("index.html"))).isFile()) return beside;
  if (dataFromProgram.isEmpty()) return {};
  const QString installed = QDir::cleanPath(
      QDir(QDir(programDir).filePath(dataFromProgram)).filePath(QStringLiteral("web")));
  if (QFileInfo(QDir(installed).filePath(QStringLiteral("index.html"))).isFile())
    return installed;
  return {};
}

}  // namespace korvel::net
