// The browser page on the authority's own port: request heads read strictly, answers only
// from the fixed table (nothing else of the file system), the security headers on every
// answer, and the WebSocket clients on the same port as before. Real sockets on 127.0.0.1,
// every wait bounded.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>
#include <memory>

#include "net/server.h"
#include "net/web_page.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

using testing::WaitFor;

// A page folder with every file of the table, each holding its own name.
std::unique_ptr<QTemporaryDir> PageFolder() {
  auto dir = std::make_unique<QTemporaryDir>();
  for (const PageFile& f : PageFiles()) {
    const QString path = dir->filePath(f.file);
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("file " + f.file.toUtf8());
  }
  return dir;
}

QByteArray Get(const QByteArray& target, const QByteArray& method = "GET") {
  return method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: t\r\n\r\n";
}

TEST(WebPageHeads, AreReadStrictly) {
  const auto r = ParseRequestHead("GET /app.js?room=ABCDEF HTTP/1.1\r\nHost: a:1\r\n"
                                  "Upgrade: WebSocket\r\nX-Empty:\r\n\r\n");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->method, "GET");
  EXPECT_EQ(r->path, "/app.js");
  EXPECT_EQ(r->Header("host"), "a:1");
  EXPECT_EQ(r->Header("x-empty"), "");
  EXPECT_TRUE(r->WantsWebSocket());
  EXPECT_FALSE(ParseRequestHead(Get("/"))->WantsWebSocket());
  for (const QByteArray& bad : {
           QByteArray("GET / HTTP/1.1\r\nHost: a\r\n"),           // not ended
           QByteArray("GET / HTTP/2\r\n\r\n"),                      // not HTTP/1.x
           QByteArray("GET  / HTTP/1.1\r\n\r\n"),                   // two spaces
           QByteArray("GET http://a/ HTTP/1.1\r\n\r\n"),            // not a path
           QByteArray("G(T / HTTP/1.1\r\n\r\n"),                    // not a method
           QByteArray("GET / HTTP/1.1\r\nNo colon\r\n\r\n"),
           QByteArray("GET / HTTP/1.1\r\n: empty name\r\n\r\n"),
           QByteArray("GET / HTTP/1.1\r\nA\rB: c\r\n\r\n"),         // a lone CR
           QByteArray("GET /\0 HTTP/1.1\r\n\r\n", 20),              // a NUL
       })
    EXPECT_FALSE(ParseRequestHead(bad)) << bad.toStdString();
  EXPECT_EQ(RequestHeadLength("GET / HTTP/1.1\r\n\r\nextra"), 18);
  EXPECT_EQ(RequestHeadLength("GET / HTTP/1.1\r\n"), 0);
}

TEST(WebPageAnswers, ComeOnlyFromTheTableWithTheSecurityHeaders) {
  const auto dir = PageFolder();
  // A file beside the page's, reachable only by a path that leaves the table.
  QFile secret(dir->filePath("secret.txt"));
  ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
  secret.write("secret");
  secret.close();
  WebPage page;
  QStringList missing;
  ASSERT_TRUE(page.Load(dir->path(), &missing)) << missing.join(' ').toStdString();

  const QByteArray index = page.Answer(ParseRequestHead(Get("/?room=ABCDEF&seat=1")));
  EXPECT_TRUE(index.startsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(index.contains("\r\nContent-Type: text/html; charset=utf-8\r\n"));
  EXPECT_TRUE(index.endsWith("\r\n\r\nfile index.html"));
  EXPECT_TRUE(index.contains("\r\nContent-Length: 15\r\n"));
  const QByteArray script = page.Answer(ParseRequestHead(Get("/app.js")));
  EXPECT_TRUE(script.contains("Content-Type: text/javascript"));
  EXPECT_TRUE(script.endsWith("file app.js"));
  EXPECT_TRUE(page.Answer(ParseRequestHead(Get("/pieces/SITA_OU.png")))
                  .contains("Content-Type: image/png"));
  // HEAD: the same head, no body.
  const QByteArray head = page.Answer(ParseRequestHead(Get("/app.js", "HEAD")));
  EXPECT_TRUE(head.contains("Content-Length: 11\r\n"));
  EXPECT_TRUE(head.endsWith("\r\n\r\n"));

  for (const char* path : {"/secret.txt", "/../secret.txt", "/pieces/../secret.txt",
                                "/pieces/", "/index.html/", "//app.js", "/APP.JS", "/%61pp.js",
                                "/favicon.ico", "/web/index.html"}) {
    const QByteArray a = page.Answer(ParseRequestHead(Get(path)));
    EXPECT_TRUE(a.startsWith("HTTP/1.1 404 ")) << path;
    EXPECT_FALSE(a.contains("secret")) << path;
  }
  const QByteArray post = page.Answer(ParseRequestHead(Get("/", "POST")));
  EXPECT_TRUE(post.startsWith("HTTP/1.1 405 "));
  EXPECT_TRUE(post.contains("\r\nAllow: GET, HEAD\r\n"));
  EXPECT_TRUE(page.Answer(std::nullopt).startsWith("HTTP/1.1 400 "));
  EXPECT_TRUE(WebPage::TooLarge().startsWith("HTTP/1.1 431 "));

  for (const QByteArray& a : {index, head, post, page.Answer(std::nullopt), WebPage::TooLarge(),
                              page.Answer(ParseRequestHead(Get("/nothing")))}) {
    EXPECT_TRUE(a.contains("\r\nContent-Security-Policy: default-src 'none'; script-src 'self';"));
    EXPECT_TRUE(a.contains("frame-ancestors 'none'"));
    EXPECT_TRUE(a.contains("\r\nX-Content-Type-Options: nosniff\r\n"));
    EXPECT_TRUE(a.contains("\r\nX-Frame-Options: DENY\r\n"));
    EXPECT_TRUE(a.contains("\r\nReferrer-Policy: no-referrer\r\n"));
    EXPECT_TRUE(a.contains("\r\nConnection: close\r\n"));
  }
}

TEST(WebPageAnswers, MissingOrOversizedFilesAreNotServed) {
  const auto dir = PageFolder();
  ASSERT_TRUE(QFile::remove(dir->filePath("style.css")));
  ASSERT_TRUE(QDir().mkpath(dir->filePath("style.css")));  // a folder where the file was
  QFile big(dir->filePath("app.js"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
  big.write(QByteArray(kMaxPageFileBytes + 1, 'x'));
  big.close();
  WebPage page;
  QStringList missing;
  EXPECT_FALSE(page.Load(dir->path(), &missing));
  EXPECT_TRUE(missing.contains("style.css"));
  EXPECT_TRUE(missing.contains("app.js"));
  EXPECT_TRUE(page.Answer(ParseRequestHead(Get("/style.css"))).startsWith("HTTP/1.1 404 "));
  EXPECT_TRUE(page.Answer(ParseRequestHead(Get("/app.js"))).startsWith("HTTP/1.1 404 "));
  EXPECT_TRUE(page.Answer(ParseRequestHead(Get("/"))).startsWith("HTTP/1.1 200 "));
  // No folder at all: every path is 404.
  WebPage none;
  EXPECT_TRUE(none.Answer(ParseRequestHead(Get("/"))).startsWith("HTTP/1.1 404 "));
}

TEST(WebPageFolder, BesideTheProgramWinsOverTheInstalledOne) {
  QTemporaryDir root;
  const QString program = root.filePath("games");
  const QString installed = root.filePath("share/korvel4/web");
  QDir().mkpath(program);
  QDir().mkpath(installed);
  EXPECT_EQ(FindWebFolder(program, "../share/korvel4"), "");
  QFile(installed + "/index.html").open(QIODevice::WriteOnly);
  EXPECT_EQ(FindWebFolder(program, "../share/korvel4"), installed);
  EXPECT_EQ(FindWebFolder(program, root.filePath("share/korvel4")), installed);
  QDir().mkpath(program + "/web");
  QFile(program + "/web/index.html").open(QIODevice::WriteOnly);
  EXPECT_EQ(FindWebFolder(program, "../share/korvel4"), program + "/web");
}

// ------------------------------------------------------------------ on the port ---------

std::unique_ptr<Server> PageServer(const QString& folder, int handshakeMs = 5000) {
  ServerOptions so;
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.pauseSeconds = 0;
  so.webFolder = folder;
  so.handshakeMs = handshakeMs;
  auto server = std::make_unique<Server>(so);
  QString error;
  EXPECT_TRUE(server->Listen(&error)) << error.toStdString();
  return server;
}

// Sends `bytes` and reads until the server closes the connection (or 10 s).
QByteArray Exchange(quint16 port, const QByteArray& bytes, bool* closed = nullptr) {
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, port);
  if (!WaitFor([&] { return s.state() == QAbstractSocket::ConnectedState; })) return {};
  s.write(bytes);
  QByteArray got;
  const bool ended = WaitFor([&] {
    got += s.readAll();
    return s.state() == QAbstractSocket::UnconnectedState;
  });
  got += s.readAll();
  if (closed) *closed = ended;
  return got;
}

TEST(WebPageOnThePort, PlainRequestsAreAnsweredAndWebSocketsStillJoin) {
  const auto dir = PageFolder();
  auto server = PageServer(dir->path());
  ASSERT_TRUE(server->ServesPage());
  const quint16 port = server->Port();
  server->OpenRoom("WEBPAGE1", RoomOptions{});

  bool closed = false;
  const QByteArray index = Exchange(port, Get("/?room=WEBPAGE1&seat=1&name=a"), &closed);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(index.startsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(index.endsWith("file index.html"));
  EXPECT_TRUE(Exchange(port, Get("/../../etc/passwd")).startsWith("HTTP/1.1 404 "));
  EXPECT_TRUE(Exchange(port, Get("/", "DELETE")).startsWith("HTTP/1.1 405 "));
  EXPECT_TRUE(Exchange(port, "not http at all\r\n\r\n").startsWith("HTTP/1.1 400 "));
  // A head that never ends within the bound.
  const QByteArray huge = "GET / HTTP/1.1\r\nX: " + QByteArray(kMaxRequestHead, 'a');
  EXPECT_TRUE(Exchange(port, huge).startsWith("HTTP/1.1 431 "));
  // Sent in pieces: the head is read when it is whole.
  {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(WaitFor([&] { return s.state() == QAbstractSocket::ConnectedState; }));
    s.write("GET /style.css HT");
    s.flush();
    QByteArray got;
    WaitFor([&] { got += s.readAll(); return !got.isEmpty(); }, 300);
    EXPECT_TRUE(got.isEmpty());
    s.write("TP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_TRUE(WaitFor([&] { got += s.readAll(); return got.endsWith("file style.css"); }));
  }
  EXPECT_GE(server->PagesAnswered(), 6);

  // A WebSocket on the same port, at the page's path and at /, joins as before.
  for (const char* path : {"/ws?room=WEBPAGE1", "/"}) {
    QWebSocket ws;
    QStringList got;
    QObject::connect(&ws, &QWebSocket::textMessageReceived, [&](const QString& t) { got << t; });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
    ASSERT_TRUE(WaitFor([&] { return ws.state() == QAbstractSocket::ConnectedState; })) << path;
    ws.sendTextMessage(R"({"t":"ping"})");
    ASSERT_TRUE(WaitFor([&] { return !got.isEmpty(); })) << path;
    EXPECT_EQ(got.front(), R"({"t":"pong"})");
    ws.close();
    WaitFor([&] { return ws.state() == QAbstractSocket::UnconnectedState; });
  }
  // Every answered socket is gone: the caps count none of them.
  EXPECT_TRUE(WaitFor([&] { return server->SocketCount() == 0; }));
}

QByteArray Upgrade(const QByteArray& extra) {
  return "GET /ws?room=WEBPAGE2 HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\nUpgrade: websocket\r\n"
         "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
         "Sec-WebSocket-Version: 13\r\n" + extra + "\r\n";
}

// The first line the server answers an upgrade with.
QByteArray UpgradeStatus(quint16 port, const QByteArray& extra) {
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, port);
  if (!WaitFor([&] { return s.state() == QAbstractSocket::ConnectedState; })) return {};
  s.write(QByteArray(Upgrade(extra)).replace("%PORT%", QByteArray::number(port)));
  QByteArray got;
  WaitFor([&] {
    got += s.readAll();
    return got.contains("\r\n") || s.state() == QAbstractSocket::UnconnectedState;
  });
  return got.left(got.indexOf("\r\n"));
}

TEST(WebPageOnThePort, AnotherSitesPageIsRefusedBeforeItsWebSocketExists) {
  const auto dir = PageFolder();
  auto server = PageServer(dir->path());
  const quint16 port = server->Port();
  const QByteArray own = "Origin: http://127.0.0.1:" + QByteArray::number(port) + "\r\n";
  EXPECT_EQ(UpgradeStatus(port, ""), "HTTP/1.1 101 Switching Protocols");
  EXPECT_EQ(UpgradeStatus(port, own), "HTTP/1.1 101 Switching Protocols");
  EXPECT_EQ(UpgradeStatus(port, "Origin: http://evil.example\r\n"), "HTTP/1.1 403 Forbidden");
  EXPECT_EQ(UpgradeStatus(port, "Origin: https://127.0.0.1:" + QByteArray::number(port) + "\r\n"),
            "HTTP/1.1 403 Forbidden");
  EXPECT_EQ(UpgradeStatus(port, "Origin: null\r\n"), "HTTP/1.1 403 Forbidden");
  EXPECT_TRUE(WaitFor([&] { return server->ConnectionCount() == 0; }));
  EXPECT_TRUE(WaitFor([&] { return server->SocketCount() == 0; }));
}

TEST(WebPageOnThePort, AVersion2ConnectionGetsTheRecordAVersion1OneDoesNot) {
  auto server = PageServer(QString());
  RoomOptions ro;
  server->OpenRoom("WEBPAGE3", ro);
  for (const int v : {1, 2}) {
    QWebSocket ws;
    QStringList got;
    QObject::connect(&ws, &QWebSocket::textMessageReceived, [&](const QString& t) { got << t; });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(server->Port())));
    ASSERT_TRUE(WaitFor([&] { return ws.state() == QAbstractSocket::ConnectedState; }));
    ws.sendTextMessage(QStringLiteral(R"({"t":"record"})"));
    ASSERT_TRUE(WaitFor([&] { return !got.isEmpty(); }));
    // Before a join no version is known: an unknown message.
    EXPECT_TRUE(got.takeFirst().startsWith(R"({"code":"unknown")"));
    ws.sendTextMessage(
        QStringLiteral(R"({"t":"hello","v":%1,"room":"WEBPAGE3","seat":%2,"name":"n"})").arg(v).arg(v));
    ASSERT_TRUE(WaitFor([&] { return got.size() >= 2; }));  // welcome and room
    got.clear();
    ws.sendTextMessage(QStringLiteral(R"({"t":"record"})"));
    ASSERT_TRUE(WaitFor([&] { return !got.isEmpty(); }));
    if (v == 1) {
      EXPECT_TRUE(got.front().startsWith(R"({"code":"unknown")")) << got.front().toStdString();
    } else {
      const QJsonObject o = QJsonDocument::fromJson(got.front().toUtf8()).object();
      EXPECT_EQ(o.value("t").toString(), "record");
      EXPECT_EQ(o.value("text").toString().toStdString(), server->FindRoom("WEBPAGE3")->Record());
      EXPECT_TRUE(o.value("text").toString().startsWith(QStringLiteral("Korvel4人将棋 棋譜 1\n")));
    }
    ws.close();
    WaitFor([&] { return ws.state() == QAbstractSocket::UnconnectedState; });
  }
}

TEST(WebPageOnThePort, OverTlsThePageAndTheWebSocketShareThePort) {
  const auto dir = PageFolder();
  ServerOptions so;
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.webFolder = dir->path();
  so.certFile = QStringLiteral(KORVEL4_TEST_CERTS "/localhost-cert.pem");
  so.keyFile = QStringLiteral(KORVEL4_TEST_CERTS "/localhost-key.pem");
  Server server(so);
  QString error;
  ASSERT_TRUE(server.Listen(&error)) << error.toStdString();
  const auto trust = QSslCertificate::fromPath(so.certFile);
  {
    QSslSocket s;
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(trust);
    s.setSslConfiguration(ssl);
    s.connectToHostEncrypted(QStringLiteral("localhost"), server.Port());
    ASSERT_TRUE(WaitFor([&] { return s.isEncrypted(); }));
    s.write(Get("/app.js"));
    QByteArray got;
    ASSERT_TRUE(WaitFor([&] {
      got += s.readAll();
      return got.endsWith("file app.js");
    }));
    EXPECT_TRUE(got.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(got.contains("Content-Security-Policy: "));
  }
  QWebSocket ws;
  QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
  ssl.setCaCertificates(trust);
  ws.setSslConfiguration(ssl);
  QStringList texts;
  QObject::connect(&ws, &QWebSocket::textMessageReceived, [&](const QString& t) { texts << t; });
  ws.open(QUrl(QStringLiteral("wss://localhost:%1/ws?room=ANY").arg(server.Port())));
  ASSERT_TRUE(WaitFor([&] { return ws.state() == QAbstractSocket::ConnectedState; }));
  ws.sendTextMessage(R"({"t":"ping"})");
  ASSERT_TRUE(WaitFor([&] { return !texts.isEmpty(); }));
  EXPECT_EQ(texts.front(), R"({"t":"pong"})");
  EXPECT_GE(server.PagesAnswered(), 1);
}

TEST(WebPageOnThePort, AHeadThatNeverEndsIsCutOffAtTheDeadline) {
  const auto dir = PageFolder();
  auto server = PageServer(dir->path(), 300);
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, server->Port());
  ASSERT_TRUE(WaitFor([&] { return s.state() == QAbstractSocket::ConnectedState; }));
  s.write("GET / HTTP/1.1\r\nHost: x\r\n");
  EXPECT_TRUE(WaitFor([&] { return s.state() == QAbstractSocket::UnconnectedState; }, 5000));
  EXPECT_EQ(server->HandshakesExpired(), 1);
  EXPECT_TRUE(WaitFor([&] { return server->SocketCount() == 0; }));
}

}  // namespace
}  // namespace korvel::net
