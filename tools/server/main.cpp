// korvel4-server: the authority of network games without a window. It holds many rooms,
// plays the computer seats, keeps each room in a journal when told where (and takes the
// rooms back from it when started again), and on SIGTERM (or SIGINT) tells every player it
// is going, saves every game in progress as a game record (.k4k) and ends.
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "io/disk_files.h"
#include "net/links.h"
#include "net/protocol.h"
#include "net/record_files.h"
#include "net/server.h"
#include "net/web_page.h"
#include "play/record_keeper.h"
#include "play/texts.h"

using namespace korvel;
using namespace korvel::net;

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &c, 1);
}

void Usage() {
  std::fputs(
      "usage: korvel4-server [--port P] [--listen ADDRESS] [--room CODE] [--people SEATS]\n"
      "                      [--level 1-4] [--pause SECONDS] [--wait SECONDS]\n"
      "                      [--records DIR] [--cert FILE --key FILE] [--no-create]\n"
      "                      [--thinkers N] [--address-connections N] [--address-rooms N]\n"
      "                      [--max-turns N] [--from FILE.k4k] [--web DIR]\n"
      "                      [--journal DIR] [--shard X] [--no-penalty-box]\n"
      "  --port P        the port to listen on (default 4650; 0 picks a free one)\n"
      "  --listen ADDR   the address to listen on (default: every address)\n"
      "  --room CODE     open one room with this code (6-16 of A-Z, 0-9) at start\n"
      "  --people SEATS  that room's seats played by people, e.g. 13 (default 1234); the\n"
      "                  first of them is the host's\n"
      "  --level N       that room's computer level (default 3)\n"
      "  --from FILE     that room goes on from this game record (.k4k): its position,\n"
      "                  turns and level; its seats' people (人) unless --people says\n"
      "                  otherwise, and --level overrides the record's level\n"
      "  --pause S       the pause before each computer move (default 0.6)\n"
      "  --wait S        how long a missing player is awaited before the host may give\n"
      "                  the seat to the computer (default 60)\n"
      "  --records DIR   where SIGTERM saves the games in progress as .k4k records\n"
      "                  (default: .); with this option every finished game is saved\n"
      "                  there too\n"
      "  --cert/--key    PEM certificate and private key: listen with TLS (wss://)\n"
      "  --no-create     players may only join the rooms opened with --room\n"
      "  --thinkers N    threads for level 4's turns (default: the processors, 2 to 4);\n"
      "                  one more thinks the turns of levels 1-3\n"
      "  --address-connections N  connections from one address at a time (default 64)\n"
      "  --address-rooms N        rooms one address may have open (default 20; twice as\n"
      "                  many may be created from it in 10 minutes)\n"
      "  --no-penalty-box  never refuse an address's new connections at accept for its\n"
      "                  misbehaving (behind a proxy, where every player has its address)\n"
      "  --max-turns N   a game reaching N turns ends there as a draw by length\n"
      "                  (default 2000; 0: no limit)\n"
      "  --web DIR       the browser page's folder, served on the same port (default: web\n"
      "                  beside the program, else the installed one)\n"
      "  --journal DIR   keep every room in a journal in this folder (one file each,\n"
      "                  written at every turn); started again with the same folder, the\n"
      "                  server takes every room back and its players rejoin\n"
      "  --shard X       every room code this server makes begins with the letter X\n"
      "                  (A-Z), for a proxy in front of several servers (docs/haproxy.cfg)\n",
      stderr);
}

bool ParseNumber(const char* text, double lo, double hi, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(v >= lo && v <= hi)) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ServerOptions options;
  options.port = 4650;
  QString roomCode, recordsDir = QStringLiteral("."), fromFile;
  bool peopleGiven = false, levelGiven = false;
  bool saveFinished = false;  // with --records, every game is saved when it ends too
  RoomOptions roomOptions;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    const char* v = hasValue ? argv[i + 1] : "";
    double d = 0;
    auto bad = [&](const char* what) {
      std::fprintf(stderr, "korvel4-server: %s: %s\n", a.c_str(), what);
      Usage();
      return 2;
    };
    if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    } else if (a == "--no-create") {
      options.allowCreate = false;
      continue;
    } else if (a == "--no-penalty-box") {
      options.penalty.offences = 0;
      continue;
    }
    if (!hasValue) return bad("needs a value");
    ++i;
    if (a == "--port") {
      if (!ParseNumber(v, 0, 65535, &d) || d != static_cast<int>(d)) return bad("0..65535");
      options.port = static_cast<quint16>(d);
    } else if (a == "--listen") {
      if (!options.address.setAddress(QString::fromLocal8Bit(v))) return bad("not an address");
    } else if (a == "--room") {
      const auto code = CodeField(QJsonObject{{"c", QString::fromLocal8Bit(v)}}, "c");
      if (!code) return bad("6-16 characters of A-Z and 0-9");
      roomCode = *code;
    } else if (a == "--people") {
      peopleGiven = true;
      std::fill(std::begin(roomOptions.person), std::end(roomOptions.person), false);
      for (const char* p = v; *p; ++p) {
        if (*p < '1' || *p > '4') return bad("seats 1..4, e.g. 13");
        roomOptions.person[*p - '0'] = true;
      }
    } else if (a == "--level") {
      if (!ParseNumber(v, 1, 4, &d) || d != static_cast<int>(d)) return bad("1..4");
      roomOptions.level = static_cast<int>(d);
      levelGiven = true;
    } else if (a == "--from") {
      fromFile = QString::fromLocal8Bit(v);
    } else if (a == "--pause") {
      if (!ParseNumber(v, 0, 60, &d)) return bad("0..60 seconds");
      options.pauseSeconds = d;
    } else if (a == "--wait") {
      if (!ParseNumber(v, 0, 86400, &d)) return bad("0..86400 seconds");
      options.waitSeconds = static_cast<int>(d);
    } else if (a == "--records") {
      recordsDir = QString::fromLocal8Bit(v);
      saveFinished = true;
    } else if (a == "--thinkers") {
      if (!ParseNumber(v, 1, 64, &d) || d != static_cast<int>(d)) return bad("1..64");
      options.deepThinkers = static_cast<int>(d);
    } else if (a == "--address-connections") {
      if (!ParseNumber(v, 1, 100000, &d) || d != static_cast<int>(d)) return bad("1..100000");
      options.maxPerAddress = static_cast<int>(d);
    } else if (a == "--address-rooms") {
      if (!ParseNumber(v, 1, 100000, &d) || d != static_cast<int>(d)) return bad("1..100000");
      options.roomsPerAddress = static_cast<int>(d);
      options.createsPerAddress = 2 * static_cast<int>(d);
    } else if (a == "--max-turns") {
      if (!ParseNumber(v, 0, 1000000, &d) || d != static_cast<int>(d)) return bad("0..1000000");
      options.maxTurns = static_cast<int>(d);
    } else if (a == "--journal") {
      options.journalDir = QString::fromLocal8Bit(v);
    } else if (a == "--shard") {
      const QString x = QString::fromLocal8Bit(v);
      if (x.size() != 1 || x[0] < QLatin1Char('A') || x[0] > QLatin1Char('Z'))
        return bad("one letter A-Z");
      options.shard = x;
    } else if (a == "--web") {
      options.webFolder = QString::fromLocal8Bit(v);
      if (!QDir(options.webFolder).exists()) return bad("no such folder");
    } else if (a == "--cert") {
      options.certFile = QString::fromLocal8Bit(v);
    } else if (a == "--key") {
      options.keyFile = QString::fromLocal8Bit(v);
    } else {
      --i;
      return bad("unknown option");
    }
  }
  if (options.certFile.isEmpty() != options.keyFile.isEmpty()) {
    std::fputs("korvel4-server: --cert and --key go together\n", stderr);
    return 2;
  }
  if (!QDir(recordsDir).exists()) {
    std::fprintf(stderr, "korvel4-server: no folder %s for the records\n",
                 recordsDir.toLocal8Bit().constData());
    return 2;
  }

  if (!options.journalDir.isEmpty() && !QDir(options.journalDir).exists()) {
    std::fprintf(stderr, "korvel4-server: no folder %s for the journal\n",
                 options.journalDir.toLocal8Bit().constData());
    return 2;
  }
  if (!options.shard.isEmpty() && !roomCode.isEmpty() && !roomCode.startsWith(options.shard)) {
    std::fprintf(stderr, "korvel4-server: --room %s does not begin with the shard's letter %s\n",
                 roomCode.toLocal8Bit().constData(), options.shard.toLocal8Bit().constData());
    return 2;
  }

  if (options.webFolder.isEmpty())
    options.webFolder =
        FindWebFolder(QCoreApplication::applicationDirPath(), KORVEL4_DATA_FROM_PROGRAM);
  // A room that goes on from a record: read by the program's one record reader, which
  // replays every move through the game's own rules.
  std::optional<LoadedRecord> from;
  if (!fromFile.isEmpty()) {
    if (roomCode.isEmpty()) {
      std::fputs("korvel4-server: --from goes with --room\n", stderr);
      return 2;
    }
    DiskFiles disk;
    RecordKeeper keeper(disk);
    RecordKeeper::Opened opened = keeper.Open(fromFile.toLocal8Bit().toStdString());
    if (!opened.record) {
      // The reader's words name the file for what is in it; the others get its name here.
      const std::string path = fromFile.toLocal8Bit().toStdString();
      if (opened.error.find(path) == std::string::npos)
        std::fprintf(stderr, "korvel4-server: --from %s: %s\n", path.c_str(), opened.error.c_str());
      else
        std::fprintf(stderr, "korvel4-server: --from %s\n", opened.error.c_str());
      return 2;
    }
    from = std::move(opened.record);
    const Game& g = from->game;
    if (!peopleGiven)
      for (int seat = 1; seat <= 4; ++seat) roomOptions.person[seat] = g.IsPersonSeat(seat);
    if (!levelGiven && g.State().Level >= 1 && g.State().Level <= 4)
      roomOptions.level = g.State().Level;
  }

  Server server(options);
  QStringList problems;
  const int restored = server.Restore(&problems);
  for (const QString& p : problems)
    std::fprintf(stderr, "korvel4-server: journal: %s\n", p.toLocal8Bit().constData());
  if (options.webFolder.isEmpty())
    std::fputs("korvel4-server: the browser page was not found; only WebSocket clients can join\n",
               stderr);
  else if (!server.PageFilesMissing().isEmpty())
    std::fprintf(stderr, "korvel4-server: the browser page lacks %s\n",
                 server.PageFilesMissing().join(QStringLiteral(", ")).toLocal8Bit().constData());
  roomOptions.waitSeconds = options.waitSeconds;
  roomOptions.deepSeconds = options.deepSeconds;
  roomOptions.maxTurns = options.maxTurns;
  // The fixed room's host is the player of its first person's seat.
  for (int seat = 4; seat >= 1; --seat)
    if (roomOptions.person[seat]) roomOptions.hostSeat = seat;
  // A room the journal kept is taken back as it was (its record's game included).
  if (!roomCode.isEmpty() && !server.FindRoom(roomCode)) {
    Room* room = server.OpenRoom(roomCode, roomOptions);
    QString why;
    if (from && !room->ContinueFrom(from->game, from->started, &why)) {
      std::fprintf(stderr, "korvel4-server: --from %s: %s\n",
                   fromFile.toLocal8Bit().constData(), why.toLocal8Bit().constData());
      return 2;
    }
    if (from) room->PassIfNoMove();
  }
  QString error;
  if (!server.Listen(&error)) {
    std::fprintf(stderr, "korvel4-server: %s\n", error.toLocal8Bit().constData());
    return 1;
  }

  // Records are named by the server's clock and a count, never by anything a client sent.
  auto save = [&](const std::string& record, const char* what) {
    std::string error;
    const std::string path = SaveNewRecord(
        [&](const std::string& name) {
          return QDir(recordsDir).filePath(QString::fromStdString(name)).toStdString();
        },
        std::string("-") + what, record, &error);
    if (!path.empty())
      std::printf("saved %s\n", path.c_str());
    else
      std::fprintf(stderr, "korvel4-server: cannot save a record in %s: %s\n",
                   recordsDir.toLocal8Bit().constData(), error.c_str());
    std::fflush(stdout);
  };
  if (saveFinished)
    server.onGameEnded = [&](const QString&, const std::string& record) {
      save(record, "finished");
    };

  if (pipe(signalPipe) != 0) return 1;
  QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
    char c;
    [[maybe_unused]] const ssize_t n = read(signalPipe[0], &c, 1);
    // Everyone is told first; the journal stays as it is, for a server started again.
    server.Farewell(QString::fromUtf8(TextIn(Language::JAPANESE, TextId::SERVER_STOPPING)),
                    QStringLiteral("stopping"));
    for (const auto& [code, record] : server.GamesInProgress()) save(record, "unfinished");
    std::fflush(stdout);
    server.CloseAll();
    app.quit();
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);

  std::printf("listening on port %u%s\n", server.Port(),
              options.certFile.isEmpty() ? "" : " (TLS)");
  if (!roomCode.isEmpty()) {
    std::printf("room %s\n", roomCode.toLocal8Bit().constData());
    // The game page's links for the room: each person's seat, and to watch.
    const QString host = LinkHost(options.address);
    const bool tls = !options.certFile.isEmpty();
    for (int seat = 1; seat <= 4; ++seat)
      if (roomOptions.person[seat])
        std::printf("link seat %d %s\n", seat,
                    PageLink(host, server.Port(), tls, roomCode, seat).toLocal8Bit().constData());
    std::printf("link watch %s\n",
                PageLink(host, server.Port(), tls, roomCode, kWatchLink).toLocal8Bit().constData());
  }
  if (!options.journalDir.isEmpty())
    std::printf("journal %s: %d rooms taken back\n", options.journalDir.toLocal8Bit().constData(),
                restored);
  std::fflush(stdout);
  return app.exec();
}
