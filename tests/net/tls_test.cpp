// The authority over TLS (wss://) on 127.0.0.1 with the committed self-signed certificate
// for localhost: players who trust it join and play, a plain ws:// connection and a player
// who does not trust it are turned away cleanly, and certificate or key files that cannot
// be used are refused with the file and the reason. Every wait is bounded.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fstream>

#include "net/autoplay.h"
#include "net/client.h"
#include "net/server.h"
#include "support/wait_for.h"

namespace korvel::net {
namespace {

const QString kCert = QStringLiteral(KORVEL4_TEST_CERTS "/localhost-cert.pem");
const QString kKey = QStringLiteral(KORVEL4_TEST_CERTS "/localhost-key.pem");

using testing::WaitFor;

std::unique_ptr<Server> TlsServer(const QString& cert, const QString& key, QString* error) {
  ServerOptions so;
  so.address = QHostAddress::LocalHost;
  so.port = 0;
  so.pauseSeconds = 0;
  so.certFile = cert;
  so.keyFile = key;
  auto server = std::make_unique<Server>(so);
  if (!server->Listen(error)) return nullptr;
  return server;
}

QUrl At(const char* scheme, quint16 port) {
  return QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port));
}

TEST(Tls, PlayersWhoTrustTheCertificatePlayAndOthersAreTurnedAway) {
  QString error;
  auto server = TlsServer(kCert, kKey, &error);
  ASSERT_TRUE(server) << error.toStdString();
  RoomOptions ro;
  for (int s = 0; s <= 4; ++s) ro.person[s] = s == SITA || s == UE;
  ro.level = 1;
  ro.hostSeat = SITA;
  Room* room = server->OpenRoom("TLSROOM", ro);

  // A plain connection to the TLS port: the handshake fails, the connection ends.
  Client plain;
  bool plainGone = false;
  QObject::connect(&plain, &Client::connected, &plain,
                   [&] { plain.Hello("TLSROOM", "Plain", UE); });
  QObject::connect(&plain, &Client::disconnected, &plain, [&] { plainGone = true; });
  plain.Open(At("ws", server->Port()));
  // A player who does not trust the certificate ends the connection itself, saying why.
  Client stranger;
  stranger.Open(At("wss", server->Port()));
  ASSERT_TRUE(WaitFor([&] {
    return (plainGone || !plain.ConnectionError().isEmpty()) &&
           !stranger.ConnectionError().isEmpty();
  }));
  EXPECT_FALSE(plain.Welcomed());
  EXPECT_FALSE(stranger.Welcomed());
  EXPECT_TRUE(stranger.ConnectionError().startsWith("TLS: "))
      << stranger.ConnectionError().toStdString();

  // Two players who trust it join and play a few moves; the computers answer.
  Client players[2];
  const int seats[2] = {SITA, UE};
  std::uint64_t rng = 7;
  for (int i = 0; i < 2; ++i) {
    Client& c = players[i];
    ASSERT_TRUE(c.TrustCertificates(kCert, &error)) << error.toStdString();
    QObject::connect(&c, &Client::connected, &c, [&c, i, &seats] {
      c.Hello("TLSROOM", QStringLiteral("P%1").arg(i), seats[i]);
    });
    QObject::connect(&c, &Client::updated, &c, [&c, &rng] {
      if (c.MyTurn() && c.Turns().size() < 8)
        if (const auto m = ChooseOwnMove(c.TheGame(), 1, rng)) c.SendMove(*m);
    });
    c.Open(At("wss", server->Port()));
    ASSERT_TRUE(WaitFor([&c] { return c.Welcomed(); })) << c.ConnectionError().toStdString();
  }
  EXPECT_EQ(plain.Welcomed() + stranger.Welcomed(), 0);
  players[0].Start();
  ASSERT_TRUE(WaitFor([&] { return room->Turns().size() >= 8 || room->Over(); }));
  ASSERT_TRUE(WaitFor([&] {
    return players[0].Turns().size() == room->Turns().size() &&
           players[1].Turns().size() == room->Turns().size();
  }));
  for (const Client& c : players) {
    EXPECT_EQ(TurnsJson(c.Turns()), TurnsJson(room->Turns()));
    EXPECT_FALSE(c.Desynced());
  }
  // Only the two players' connections are left.
  EXPECT_TRUE(WaitFor([&] { return server->ConnectionCount() == 2; }));
}

TEST(Tls, CertificateAndKeyFilesThatCannotBeUsedAreRefusedWithTheReason) {
  QTemporaryDir dir;
  const QString garbage = dir.filePath("garbage.pem"), pipe = dir.filePath("pipe.pem");
  std::ofstream(garbage.toStdString()) << "-----BEGIN CERTIFICATE-----\nnot base64\n";
  ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
  struct Case {
    QString cert, key;
    const char* reason;
  };
  const Case cases[] = {
      {dir.filePath("none.pem"), kKey, "no such file"},
      {dir.path(), kKey, "not a regular file"},
      {pipe, kKey, "not a regular file"},
      {garbage, kKey, "no PEM certificate"},
      {kCert, garbage, "no PEM private key"},
      {kCert, kCert, "no PEM private key"},
      {kKey, kKey, "no PEM certificate"},
      {kCert, pipe, "not a regular file"},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_FALSE(TlsServer(c.cert, c.key, &error)) << c.reason;
    EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
  }
  Client player;
  QString error;
  EXPECT_FALSE(player.TrustCertificates(garbage, &error));
  EXPECT_TRUE(error.contains("no PEM certificate")) << error.toStdString();
  EXPECT_FALSE(player.TrustCertificates(pipe, &error));
  EXPECT_TRUE(error.contains("not a regular file")) << error.toStdString();
}

}  // namespace
}  // namespace korvel::net
