// korvel4-load: many rooms of four scripted players against one korvel4-server on
// 127.0.0.1, run by hand. It starts the server itself (beside this program), opens the
// rooms, lets every player move at random when its turn comes, and measures the moves
// relayed per second, the delay from a move's intention to its arrival at the other three
// players (median, 99th percentile), and the server's memory per room.
//
// With --think 0 (the default) everyone moves the moment the turn comes, which finds what
// the server can carry at most (the delay is then mostly time spent queueing). With
// --think MS each player thinks for a random time of 0 to 2*MS milliseconds first, as
// people at a board do, which measures the delay at a realistic load.
//
// As on the internet, every player connects from an address of its own and the server
// runs with its default caps per address: Linux gives the whole of 127.0.0.0/8 to the
// loopback, and each player's socket is bound to one of 127.0.1.1, 127.0.1.2, ... before it
// connects (the --deep rooms' players to 127.2.x.y). The hostile company is one client on an
// address of its own, 127.1.0.1, under the same caps and penalty box as anyone.
// --lift-caps starts the server with every limit per address lifted (its caps, the penalty
// box), as behind a proxy, while the players keep their own addresses; --one-address runs
// the old way: everyone, hostile or not, on 127.0.0.1, and the limits per address lifted
// (they would turn the players away).
//
// Hostile company while it measures: --flood ping keeps one connection sending WebSocket
// ping frames as fast as it can without reading anything (it connects again whenever the
// server closes it); --flood idle keeps 200 TCP connections open that never send a byte
// (each opened again when the server cuts it off); --flood create keeps 4 connections
// opening a room each and leaving at once, again and again; --flood nonreader keeps 20
// connections that each open a room and then send `ping` messages as fast as they like
// while reading nothing; --flood big keeps 4 connections sending 60 KB text messages (and
// frames that claim a gigabyte) as fast as they can. Every one of them connects again at
// once whenever its connection ends, however the server ended it. The flood runs as a
// program of its own (this one again, --flood-only), as a hostile client would on a machine
// of its own, though here it shares the processors. --deep N adds N rooms of
// one scripted player and three level-4 computers, for the memory of the computer's
// thinking.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

#include "net/autoplay.h"
#include "net/client.h"

using namespace korvel;
using namespace korvel::net;

namespace {

long Status(qint64 pid, const char* field) {
  QFile f(QStringLiteral("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray name = QByteArray(field) + ':';
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(name))
      return line.mid(name.size()).trimmed().split(' ').first().toLong();
  return -1;
}

long RssKb(qint64 pid) {
  return Status(pid, "VmRSS");
}

// The processor time a process has used so far, in clock ticks (user and system).
long long CpuTicks(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray stat = f.readAll();
  // The fields after the command's name (which is in parentheses): utime is the 12th.
  const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return -1;
  return fields[11].toLongLong() + fields[12].toLongLong();
}

// A WebSocket frame from a client (masked): opcode 1 text, 9 ping.
QByteArray ClientFrame(int opcode, const QByteArray& payload) {
  QByteArray f;
  f.append(static_cast<char>(0x80 | opcode));
  const qint64 n = payload.size();
  if (n < 126) {
    f.append(static_cast<char>(0x80 | n));
  } else if (n < 65536) {
    f.append(static_cast<char>(0x80 | 126));
    f.append(static_cast<char>(n >> 8));
    f.append(static_cast<char>(n & 0xff));
  } else {
    f.append(static_cast<char>(0x80 | 127));
    for (int i = 7; i >= 0; --i) f.append(static_cast<char>((n >> (8 * i)) & 0xff));
  }
  const char mask[4] = {0x01, 0x02, 0x03, 0x04};
  f.append(mask, 4);
  for (qint64 i = 0; i < n; ++i) f.append(static_cast<char>(payload[i] ^ mask[i % 4]));
  return f;
}

// A WebSocket ping frame from a client (masked), 100 bytes of payload.
QByteArray PingFrame() {
  QByteArray f;
  f.append(static_cast<char>(0x89));
  f.append(static_cast<char>(0x80 | 100));
  const char mask[4] = {0x01, 0x02, 0x03, 0x04};
  f.append(mask, 4);
  for (int i = 0; i < 100; ++i) f.append(static_cast<char>('p' ^ mask[i % 4]));
  return f;
}

// The loopback address of the `index`-th player of a range: 127.<first>.<x>.<y>, with x and
// y from 1 to 254.
QHostAddress LoopbackAddress(int first, long index) {
  const quint32 x = 1 + static_cast<quint32>(index / 254) % 254, y = 1 + static_cast<quint32>(index % 254);
  return QHostAddress((127u << 24) | (static_cast<quint32>(first) << 16) | (x << 8) | y);
}

// The address a player's connection leaves from. Qt's WebSocket has no way to bind its
// socket: the socket it makes is bound, before it connects, when the WebSocket says it is
// connecting (Qt 6.4 says so just before it connects). `Mismatches` counts the connections
// that came up from another address all the same, which the run does not go on with.
struct Binder {
  int mismatches = 0;
  void LeaveFrom(Client* client, const QHostAddress& local) {
    QWebSocket* ws = client->findChild<QWebSocket*>();
    if (!ws) {
      ++mismatches;
      return;
    }
    QObject::connect(
        ws, &QWebSocket::stateChanged, ws,
        [ws, local](QAbstractSocket::SocketState state) {
          if (state != QAbstractSocket::ConnectingState) return;
          for (QAbstractSocket* s : ws->findChildren<QAbstractSocket*>())
            if (s->state() == QAbstractSocket::UnconnectedState) s->bind(local);
        },
        Qt::DirectConnection);
    QObject::connect(ws, &QWebSocket::connected, ws, [this, ws, local] {
      if (ws->localAddress() != local) ++mismatches;
    });
  }
};

// The hostile company of --flood: connections opened again whenever they end, from one
// address (`from`; null: the system's choice).
struct Flood {
  QUrl url;
  QHostAddress from;
  std::string kind;
  bool ping = false;
  int ended = 0;  // connections that ended, however the server ended them
  std::vector<std::unique_ptr<QTcpSocket>> sockets;
  QByteArray burst;

  void Open(size_t i) {
    auto s = std::make_unique<QTcpSocket>();
    QTcpSocket* sp = s.get();
    sp->setReadBufferSize(1);  // reads nothing: what the server sends backs up
    auto over = std::make_shared<bool>(false);
    QObject::connect(sp, &QTcpSocket::connected, sp, [this, sp] {
      if (kind == "idle") return;
      sp->write(QStringLiteral("GET / HTTP/1.1\r\nHost: %1:%2\r\nUpgrade: websocket\r\n"
                               "Connection: Upgrade\r\nSec-WebSocket-Key: "
                               "dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
                    .arg(url.host())
                    .arg(url.port())
                    .toLatin1());
      if (kind == "create") {
        sp->write(ClientFrame(1, R"({"t":"create","v":1,"name":"F","seat":1,"people":[1],"level":1})"));
        // Gone at once: the room stays behind, unstarted.
        QTimer::singleShot(20, sp, [sp] { sp->abort(); });
        return;
      }
      if (kind == "nonreader")
        sp->write(ClientFrame(1, R"({"t":"create","v":1,"name":"F","seat":1,"people":[1],"level":1})"));
      sp->write(burst);
    });
    QObject::connect(sp, &QTcpSocket::bytesWritten, sp, [this, sp] {
      if (kind != "idle" && kind != "create" && sp->bytesToWrite() < 64 * 1024) sp->write(burst);
    });
    // Ended by the server (closed, reset, or reset before it was even seen as connected):
    // opened again at once.
    auto again = [this, i, over] {
      if (*over) return;
      *over = true;
      ++ended;
      QTimer::singleShot(0, [this, i] { Open(i); });
    };
    QObject::connect(sp, &QTcpSocket::disconnected, sp, again);
    QObject::connect(sp, &QTcpSocket::errorOccurred, sp, [sp, again] {
      if (sp->state() == QAbstractSocket::UnconnectedState) again();
    });
    if (!from.isNull()) sp->bind(from);
    sp->connectToHost(url.host(), static_cast<quint16>(url.port()));
    if (sockets.size() <= i) sockets.resize(i + 1);
    if (sockets[i]) sockets[i].release()->deleteLater();
    sockets[i] = std::move(s);
  }
  void Start(const std::string& kind, const QUrl& at, const QHostAddress& address) {
    url = at;
    from = address;
    this->kind = kind;
    ping = kind == "ping";
    if (ping)
      for (int i = 0; i < 1000; ++i) burst += PingFrame();
    if (kind == "nonreader")
      for (int i = 0; i < 100; ++i) burst += ClientFrame(1, R"({"t":"ping"})");
    if (kind == "big") {
      burst += ClientFrame(1, QByteArray(60000, 'x'));
      // A frame that claims a gigabyte and never brings it.
      QByteArray huge;
      huge.append(static_cast<char>(0x81));
      huge.append(static_cast<char>(0x80 | 127));
      const qint64 n = qint64{1} << 30;
      for (int i = 7; i >= 0; --i) huge.append(static_cast<char>((n >> (8 * i)) & 0xff));
      huge.append("\x01\x02\x03\x04", 4);
      burst += huge;
      burst += QByteArray(60000, 'y');
    }
    const size_t n = kind == "idle" ? 200 : kind == "nonreader" ? 20 : kind == "ping" ? 1 : 4;
    for (size_t i = 0; i < n; ++i) Open(i);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  long rooms = 250, seconds = 20, think = 0, deep = 0;
  std::string flood;
  bool oneAddress = false, liftCaps = false;
  long floodPort = 0;  // --flood-only: this is the flood's own process
  // --flood-yields: the flood's process runs at the lowest priority, so that on a machine of
  // two processors it takes what the server and the players leave, as a hostile client on
  // a machine of its own would take none of theirs.
  bool floodYields = false;
  auto usage = [] {
    std::fputs(
        "usage: korvel4-load [--rooms N] [--seconds S] [--think MS]\n"
        "                    [--flood ping|idle|create|nonreader|big]\n"
        "                    [--deep N] [--lift-caps] [--one-address] [--flood-yields]\n",
        stderr);
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--one-address") {
      oneAddress = liftCaps = true;
      continue;
    }
    if (a == "--lift-caps") {
      liftCaps = true;
      continue;
    }
    if (a == "--flood-yields") {
      floodYields = true;
      continue;
    }
    if (i + 1 >= argc) return usage();
    ++i;
    if (a == "--flood" || a == "--flood-only") {
      flood = argv[i];
      if (a == "--flood-only") floodPort = -1;
      if (flood != "ping" && flood != "idle" && flood != "create" && flood != "nonreader" &&
          flood != "big") {
        std::fputs("korvel4-load: --flood: ping, idle, create, nonreader or big\n", stderr);
        return 2;
      }
      continue;
    }
    char* end = nullptr;
    const long v = std::strtol(argv[i], &end, 10);
    if (*end != '\0' || v < (a == "--think" || a == "--deep" ? 0 : 1) || v > 100000) {
      std::fprintf(stderr, "korvel4-load: %s: a number 1..100000\n", a.c_str());
      return 2;
    }
    if (a == "--rooms")
      rooms = v;
    else if (a == "--seconds")
      seconds = v;
    else if (a == "--think")
      think = v;
    else if (a == "--deep")
      deep = v;
    else if (a == "--port" && floodPort == -1 && v <= 65535)
      floodPort = v;
    else
      return usage();
  }
  if (floodPort == -1) return usage();
  if (floodPort > 0) {
    // The hostile client, as a program of its own: it floods for the seconds given, then
    // tells how many of its connections ended.
    if (floodYields && nice(19) == -1) std::perror("korvel4-load: nice");
    Flood hostile;
    hostile.Start(flood, QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(floodPort)),
                  oneAddress ? QHostAddress() : QHostAddress(QStringLiteral("127.1.0.1")));
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();
    std::printf("ended %d cpu %lld\n", hostile.ended, CpuTicks(QCoreApplication::applicationPid()));
    std::fflush(stdout);
    std::_Exit(0);  // the flood's sockets are not taken down one by one
  }

  QProcess server;
  server.setProgram(QCoreApplication::applicationDirPath() + "/korvel4-server");
  QStringList serverArguments{"--listen", "127.0.0.1", "--port", "0", "--pause", "0"};
  if (liftCaps)
    serverArguments << "--address-connections" << "100000" << "--address-rooms" << "100000"
                    << "--no-penalty-box";
  server.setArguments(serverArguments);
  server.start();
  if (!server.waitForStarted(5000) || !server.waitForReadyRead(5000)) {
    std::fputs("korvel4-load: cannot start korvel4-server beside this program\n", stderr);
    return 1;
  }
  const QByteArray first = server.readLine();
  const int port = first.mid(first.indexOf("port ") + 5).trimmed().toInt();
  if (port <= 0) return 1;
  // Each player's own address (none: 127.0.0.1 for everyone).
  Binder binder;
  auto spread = [&](Client* c, int range, long index) {
    if (!oneAddress) binder.LeaveFrom(c, LoopbackAddress(range, index));
  };
  const long rssStart = RssKb(server.processId());
  const QUrl url(QStringLiteral("ws://127.0.0.1:%1").arg(port));

  struct Table {
    std::unique_ptr<Client> c[5];
    std::uint64_t seed = 1;
  };
  std::vector<std::unique_ptr<Table>> tables;
  QElapsedTimer clock;
  clock.start();
  // When each move's intention left, keyed by room and turn number.
  std::vector<std::vector<qint64>> sentAt(static_cast<size_t>(rooms));
  std::vector<double> delays;
  delays.reserve(1 << 20);
  long long relayed = 0;
  bool measuring = false;
  int gamesDone = 0;

  auto send = [&](long r, Client& c, Table& t) {
    if (!c.MyTurn() || !measuring) return;
    const auto m = ChooseOwnMove(c.TheGame(), 0, t.seed);
    if (!m) return;
    auto& at = sentAt[static_cast<size_t>(r)];
    at.resize(c.Turns().size() + 2);
    at[c.Turns().size() + 1] = clock.nsecsElapsed() / 1000;
    c.SendMove(*m);
  };
  auto play = [&](long r, Client& c, Table& t) {
    if (!c.MyTurn() || !measuring) return;
    if (think == 0) return send(r, c, t);
    // Think first; the turn is still ours when the time is up unless the game moved on.
    t.seed = t.seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const int wait = static_cast<int>((t.seed >> 33) % static_cast<std::uint64_t>(2 * think + 1));
    const size_t turn = c.Turns().size();
    QTimer::singleShot(wait, &c, [&, r, cp = &c, tp = &t, turn] {
      if (cp->Turns().size() == turn) send(r, *cp, *tp);
    });
  };

  int welcomed = 0;
  for (long r = 0; r < rooms; ++r) {
    auto t = std::make_unique<Table>();
    t->seed = static_cast<std::uint64_t>(r + 1);
    Table* tp = t.get();
    for (int s = 1; s <= 4; ++s) {
      t->c[s] = std::make_unique<Client>();
      Client* c = t->c[s].get();
      spread(c, 0, r * 4 + (s - 1));
      QObject::connect(c, &Client::welcomed, c, [&, s, c, tp] {
        ++welcomed;
        if (s == 1) {  // the creator opens the room for the other three
          for (int o = 2; o <= 4; ++o) {
            Client* other = tp->c[o].get();
            const QString code = c->Room();
            QObject::connect(other, &Client::connected, other,
                             [other, code, o] { other->Hello(code, QString("P%1").arg(o), o); });
            other->Open(url);
          }
        }
      });
      QObject::connect(c, &Client::roomChanged, c, [s, c] {
        if (s == 1 && !c->Started()) {
          bool full = true;
          for (const SeatInfo& v : c->Seats())
            if (!v.connected) full = false;
          if (full) c->Start();
        }
      });
      QObject::connect(c, &Client::moved, c, [&, r, s](int n, const Turn& turn) {
        const int mover = turn.seat;
        auto& at = sentAt[static_cast<size_t>(r)];
        if (mover != s && n < static_cast<int>(at.size()) && at[n] > 0) {
          delays.push_back((clock.nsecsElapsed() / 1000 - at[n]) / 1000.0);
          if (s == mover % 4 + 1) ++relayed;
        }
      });
      QObject::connect(c, &Client::over, c, [&, s] {
        if (s == 1) ++gamesDone;
      });
      // After every message: the host starts the next game at once, and the seat moves when
      // its turn has come.
      QObject::connect(c, &Client::updated, c, [&, r, c, tp] {
        if (c->Asked()) {
          c->ClearAsked();
          c->Again(true);
        }
        play(r, *c, *tp);
      });
    }
    Client* creator = t->c[1].get();
    QObject::connect(creator, &Client::connected, creator, [creator] {
      creator->Create("P1", 1, {1, 2, 3, 4}, 1);
    });
    creator->Open(url);
    tables.push_back(std::move(t));
    // Open the rooms gradually: the listener's backlog is small.
    if (r % 20 == 19) {
      QElapsedTimer w;
      w.start();
      while (welcomed < (r + 1) * 4 && w.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
  }
  QElapsedTimer w;
  w.start();
  while (welcomed < rooms * 4 && w.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const long rssRooms = RssKb(server.processId());
  std::printf(
      "rooms %ld, players welcomed %d, server memory %ld kB before, %ld kB with the rooms\n", rooms,
      welcomed, rssStart, rssRooms);
  if (oneAddress)
    std::printf("every player on 127.0.0.1; the server's limits per address lifted\n");
  else
    std::printf("each player on an address of its own (127.0.1.1 on), a flood on 127.1.0.1; the "
                "server's limits per address %s\n",
                liftCaps ? "lifted (caps, penalty box)" : "as by default");

  // Rooms of one scripted player and three level-4 computers.
  std::vector<std::unique_ptr<Client>> deepPlayers;
  std::uint64_t deepSeed = 99;
  for (long r = 0; r < deep; ++r) {
    auto c = std::make_unique<Client>();
    Client* cp = c.get();
    spread(cp, 2, r);
    QObject::connect(cp, &Client::connected, cp, [cp] { cp->Create("D", 1, {1}, 4); });
    QObject::connect(cp, &Client::welcomed, cp, [cp] { cp->Start(); });
    QObject::connect(cp, &Client::updated, cp, [cp, &deepSeed] {
      if (cp->Asked()) {
        cp->ClearAsked();
        cp->Again(true);
      }
      if (cp->MyTurn())
        if (const auto m = ChooseOwnMove(cp->TheGame(), 0, deepSeed)) cp->SendMove(*m);
    });
    cp->Open(url);
    deepPlayers.push_back(std::move(c));
  }
  if (binder.mismatches > 0) {
    std::fprintf(stderr,
                 "korvel4-load: %d players did not connect from their own address (this Qt "
                 "WebSocket cannot be bound; --one-address runs without)\n",
                 binder.mismatches);
    server.terminate();
    server.waitForFinished(5000);
    return 1;
  }
  // The hostile client runs as a program of its own (this one again), as it would on a
  // machine of its own; it shares this machine's processors all the same.
  QProcess hostile;
  if (!flood.empty()) {
    QStringList arguments{"--flood-only", QString::fromStdString(flood), "--port",
                          QString::number(port), "--seconds", QString::number(seconds)};
    if (oneAddress) arguments << "--one-address";
    if (floodYields) arguments << "--flood-yields";
    hostile.start(QCoreApplication::applicationFilePath(), arguments);
    if (!hostile.waitForStarted(5000)) {
      std::fputs("korvel4-load: cannot start the flood\n", stderr);
      return 1;
    }
  }
  const long long cpuStart = CpuTicks(server.processId());

  // Everyone moves as soon as their turn comes; restarted games keep the load up.
  measuring = true;
  const qint64 t0 = clock.elapsed();
  for (auto& t : tables)
    for (int s = 1; s <= 4; ++s) play(static_cast<long>(&t - &tables[0]), *t->c[s], *t);
  while (clock.elapsed() - t0 < seconds * 1000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  measuring = false;
  const double elapsed = (clock.elapsed() - t0) / 1000.0;
  const long rssEnd = RssKb(server.processId());
  const long long cpuEnd = CpuTicks(server.processId());

  std::sort(delays.begin(), delays.end());
  auto pct = [&](double p) {
    return delays.empty() ? 0.0 : delays[static_cast<size_t>(p * (delays.size() - 1))];
  };
  std::printf("players think 0-%ld ms\n", 2 * think);
  std::printf("moves relayed %lld in %.1f s: %.0f moves/s (%zu deliveries)\n", relayed, elapsed,
              relayed / elapsed, delays.size());
  std::printf("delay intention -> other players: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
              pct(0.5), pct(0.99), delays.empty() ? 0.0 : delays.back());
  std::printf("games finished %d; server memory %ld kB at the end: %.1f kB per room\n", gamesDone,
              rssEnd, rooms > 0 ? (rssEnd - rssStart) / static_cast<double>(rooms) : 0);
  std::printf("server threads %ld; server processor time %.0f%% of one core while measuring\n",
              Status(server.processId(), "Threads"),
              100.0 * (cpuEnd - cpuStart) / static_cast<double>(sysconf(_SC_CLK_TCK)) / elapsed);
  if (deep > 0) {
    long turns = 0;
    for (const auto& c : deepPlayers) turns += static_cast<long>(c->Turns().size());
    std::printf("level-4 rooms %ld: %ld turns played\n", deep, turns);
  }
  if (!flood.empty()) {
    hostile.waitForFinished(10000);
    const QByteArray said = hostile.readAllStandardOutput();
    const QList<QByteArray> words = said.trimmed().split(' ');
    const long ended = words.size() == 4 ? words[1].toLong() : -1;
    const double cpu = words.size() == 4 ? words[3].toDouble() / sysconf(_SC_CLK_TCK) : -1;
    std::printf("flood %s: its connections ended %ld times (%.0f a second); the flood's own "
                "processor time %.0f%% of one core\n",
                flood.c_str(), ended, ended / elapsed, 100.0 * cpu / elapsed);
  }
  std::fflush(stdout);
  tables.clear();
  server.terminate();
  server.waitForFinished(5000);
  return 0;
}
