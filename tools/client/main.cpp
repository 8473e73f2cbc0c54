// korvel4-client: a scripted player of the network game. It joins (or opens) a room, plays
// its own seat by itself (the computer's choice at a level, or a seeded random legal
// move), and when the game ends, the authority goes or the bound is reached writes its copy
// of the game as a game record (.k4k).
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "io/disk_files.h"
#include "net/autoplay.h"
#include "net/client.h"
#include "net/protocol.h"
#include "play/record_keeper.h"

using namespace korvel;
using namespace korvel::net;

namespace {

void Usage() {
  std::fputs(
      "usage: korvel4-client --port P (--room CODE | --create SEATS) --seat S [--name N]\n"
      "       korvel4-client --port P --room CODE --watch [--timeout S] [--record FILE]\n"
      "                      [--host H] [--level 1-4] [--play 0-3] [--seed N] [--start]\n"
      "                      [--max-turns N] [--timeout S] [--record FILE]\n"
      "                      [--tls [--trust CERT]] [--rejoin N]\n"
      "  --room CODE      join this room;  --create SEATS  open one (people's seats, e.g. 13)\n"
      "  --seat S         the seat to play (1 下, 2 左, 3 上, 4 右)\n"
      "  --watch          watch the room without a seat (the game is printed as it goes)\n"
      "  --start          as the host, start the game when every person's seat is taken\n"
      "  --play L         own moves: the computer's choice at level L, 0 random (default 1)\n"
      "  --max-turns N    leave when the game has N turns (default 600)\n"
      "  --timeout S      give up after S seconds (default 60; exit 3)\n"
      "  --record FILE    write the game as this client saw it at the end, as a .k4k\n"
      "                   record the window and korvel4-script open and continue\n"
      "  --rejoin N       when the connection is lost, come back to the seat by itself, at\n"
      "                   most N tries in a row, 0.25 s to 4 s apart (default 8; 0: never)\n"
      "  --tls            connect with TLS (wss://)\n"
      "  --trust CERT     trust the certificates of this PEM file besides the system's\n"
      "                   (a server's self-signed certificate)\n",
      stderr);
}

long Number(const char* text, long lo, long hi, bool* ok) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  *ok = end != text && *end == '\0' && v >= lo && v <= hi;
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString host = "127.0.0.1", room, name = "client", recordFile, trustFile;
  long port = -1, seat = 0, level = 1, play = 1, maxTurns = 600, timeout = 60, rejoin = 8;
  std::uint64_t seed = 1;
  QString createSeats;
  bool start = false, tls = false, watch = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto bad = [&](const char* what) {
      std::fprintf(stderr, "korvel4-client: %s: %s\n", a.c_str(), what);
      Usage();
      return 2;
    };
    if (a == "--start") {
      start = true;
      continue;
    }
    if (a == "--tls") {
      tls = true;
      continue;
    }
    if (a == "--watch") {
      watch = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    }
    if (i + 1 >= argc) return bad("needs a value");
    const char* v = argv[++i];
    bool ok = true;
    if (a == "--host")
      host = QString::fromLocal8Bit(v);
    else if (a == "--port")
      port = Number(v, 1, 65535, &ok);
    else if (a == "--room")
      room = QString::fromLocal8Bit(v);
    else if (a == "--create")
      createSeats = QString::fromLocal8Bit(v);
    else if (a == "--seat")
      seat = Number(v, 1, 4, &ok);
    else if (a == "--name")
      name = CheckedName(QString::fromLocal8Bit(v)).value_or(QString());
    else if (a == "--level")
      level = Number(v, 1, 4, &ok);
    else if (a == "--play")
      play = Number(v, 0, 3, &ok);
    else if (a == "--seed")
      seed = static_cast<std::uint64_t>(Number(v, 0, 1L << 40, &ok));
    else if (a == "--max-turns")
      maxTurns = Number(v, 0, 100000, &ok);
    else if (a == "--timeout")
      timeout = Number(v, 1, 86400, &ok);
    else if (a == "--record")
      recordFile = QString::fromLocal8Bit(v);
    else if (a == "--rejoin")
      rejoin = Number(v, 0, 1000, &ok);
    else if (a == "--trust")
      trustFile = QString::fromLocal8Bit(v);
    else
      return bad("unknown option");
    if (!ok) return bad("out of range");
    if (name.isEmpty()) return bad("1-24 characters, no control characters");
  }
  std::vector<int> people;
  for (const QChar c : createSeats) {
    if (c < QLatin1Char('1') || c > QLatin1Char('4')) {
      std::fputs("korvel4-client: --create takes seats 1..4, e.g. 13\n", stderr);
      return 2;
    }
    people.push_back(c.digitValue());
  }
  if (port < 0 || (seat == 0) != watch || room.isEmpty() == people.empty() ||
      (watch && room.isEmpty())) {
    Usage();
    return 2;
  }

  if (!trustFile.isEmpty() && !tls) {
    std::fputs("korvel4-client: --trust goes with --tls\n", stderr);
    return 2;
  }

  Client client;
  client.KeepSeat(static_cast<int>(rejoin));
  if (!trustFile.isEmpty()) {
    QString error;
    if (!client.TrustCertificates(trustFile, &error)) {
      std::fprintf(stderr, "korvel4-client: %s\n", error.toLocal8Bit().constData());
      return 2;
    }
  }
  DiskFiles disk;
  RecordKeeper records(disk);
  int exitCode = 0;
  bool finished = false;
  auto finish = [&](int code) {
    if (finished) return;
    finished = true;
    exitCode = code;
    std::printf("turns %zu\n", client.Turns().size());
    std::string error;
    if (!recordFile.isEmpty() && client.Welcomed() &&
        !records.SaveText(recordFile.toLocal8Bit().toStdString(), client.Record(), &error)) {
      std::fprintf(stderr, "korvel4-client: cannot write %s: %s\n",
                   recordFile.toLocal8Bit().constData(), error.c_str());
      if (exitCode == 0) exitCode = 6;
    }
    std::fflush(stdout);
    client.Close();
    QTimer::singleShot(0, &app, [&] { app.exit(exitCode); });
  };
  QObject::connect(&client, &Client::connected, &client, [&] {
    if (watch)
      client.Watch(room);
    else if (people.empty())
      client.Hello(room, name, static_cast<int>(seat));
    else
      client.Create(name, static_cast<int>(seat), people, static_cast<int>(level));
  });
  QObject::connect(&client, &Client::disconnected, &client, [&] {
    if (finished) return;  // closed by this client at its end
    if (!client.Welcomed()) {
      std::fprintf(stderr, "korvel4-client: no connection: %s\n",
                   client.ConnectionError().toLocal8Bit().constData());
      return finish(1);
    }
    if (!client.Over() && !client.Closed())
      std::puts("the authority has gone; the game so far is kept");
    finish(client.Over() || client.Closed() ? 0 : 4);
  });
  bool startSent = false;
  bool turnMayHaveCome = false;  // the message just taken was a welcome, a start or a move
  // After every message, once what it says was printed.
  auto carryOn = [&] {
    const bool mayMove = std::exchange(turnMayHaveCome, false);
    if (client.Desynced()) {
      std::fputs("korvel4-client: the copy of the game could not follow the authority\n", stderr);
      return finish(5);
    }
    if (client.Asked()) {
      client.ClearAsked();
      client.Again(false);
    }
    if (client.Over() && client.Host() != client.Seat()) return finish(0);
    if (client.Closed()) return finish(0);
    if (static_cast<long>(client.Turns().size()) >= maxTurns) return finish(0);
    if (start && !startSent && !client.Started() && client.Host() == client.Seat() &&
        client.SeatsFilled()) {
      startSent = true;
      client.Start();
    }
    if (client.MyTurn() && mayMove) {
      const auto m = ChooseOwnMove(client.TheGame(), static_cast<int>(play), seed);
      if (m) client.SendMove(*m);
    }
  };
  QObject::connect(&client, &Client::welcomed, &client, [&] {
    std::printf("welcome seat %d room %s\n", client.Seat(),
                client.Room().toLocal8Bit().constData());
    std::fflush(stdout);
    turnMayHaveCome = true;
  });
  QObject::connect(&client, &Client::started, &client, [&] { turnMayHaveCome = true; });
  // How many watch, each time it changes (nothing while nobody does).
  int watchersShown = 0;
  QObject::connect(&client, &Client::roomChanged, &client, [&] {
    if (client.Watchers() == watchersShown) return;
    watchersShown = client.Watchers();
    std::printf("watchers %d\n", watchersShown);
    std::fflush(stdout);
  });
  QObject::connect(&client, &Client::moved, &client, [&] {
    if (!client.Desynced()) {
      std::printf("moved %zu\n", client.Turns().size());
      std::fflush(stdout);
    }
    turnMayHaveCome = true;
  });
  QObject::connect(&client, &Client::refused, &client, [](const net::Refusal& r) {
    std::fprintf(stderr, "korvel4-client: refused: %s %s\n", r.text.toLocal8Bit().constData(),
                 r.detail.toLocal8Bit().constData());
  });
  QObject::connect(&client, &Client::reconnecting, &client, [](int attempt) {
    std::printf("connection lost; coming back (try %d)\n", attempt);
    std::fflush(stdout);
  });
  QObject::connect(&client, &Client::roomClosed, &client, [&](const QString& text) {
    std::printf("closed %s\n", text.toLocal8Bit().constData());
    // The server itself is stopping during a game: the game so far is what stays.
    if (client.ClosedReason() == "stopping" && client.Started() && !client.Over())
      std::puts("the authority has gone; the game so far is kept");
  });
  QObject::connect(&client, &Client::over, &client, [&](int winner, const QString& text) {
    std::printf("over %d %s\n", winner, text.toLocal8Bit().constData());
  });
  QObject::connect(&client, &Client::updated, &client, carryOn);
  QObject::connect(&client, &Client::errorReceived, &client, [&](const ErrorReply& e) {
    std::fprintf(stderr, "korvel4-client: %s\n", e.text.toLocal8Bit().constData());
    if (!client.Welcomed()) return finish(1);
    carryOn();
  });
  QTimer::singleShot(static_cast<int>(timeout * 1000), &app, [&] {
    std::fputs("korvel4-client: timed out\n", stderr);
    finish(3);
  });
  // The room's code in the address, for a proxy in front of several servers.
  client.Open(RoomUrl(QUrl(QStringLiteral("%1://%2:%3").arg(tls ? "wss" : "ws", host).arg(port)),
                      room));
  const int status = app.exec();
  client.disconnect();  // nothing more is told to the handlers above as it goes
  return status;
}
