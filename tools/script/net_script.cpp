#include "tools/script/net_script.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUrl>
#include <charconv>
#include <cmath>
#include <deque>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "io/disk_files.h"
#include "net/autoplay.h"
#include "net/client.h"
#include "net/protocol.h"
#include "play/press_entry.h"
#include "play/record_keeper.h"
#include "play/texts.h"
#include "tools/bounded_lines.h"
#include "view/canvas.h"

namespace korvel {

namespace {

struct NetScriptError {
  std::string reason;
};

std::string Quote(const QString& text) {
  std::string q = "\"";
  for (char c : text.toStdString()) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream ss(line);
  std::vector<std::string> w;
  for (std::string s; ss >> s;) w.push_back(s);
  return w;
}

long Whole(const std::string& s, const char* what, long lo, long hi) {
  long v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size())
    throw NetScriptError{std::string("not a whole number for ") + what + ": " + s};
  if (v < lo || v > hi)
    throw NetScriptError{std::string(what) + " is " + std::to_string(lo) + ".." +
                         std::to_string(hi) + ": " + s};
  return v;
}

double Decimal(const std::string& s, const char* what) {
  std::istringstream ss(s);
  double v = 0;
  if (s.empty() || !(ss >> v) || !ss.eof() || !std::isfinite(v))
    throw NetScriptError{std::string("not a number for ") + what + ": " + s};
  return v;
}

bool RightButton(const std::vector<std::string>& w, size_t at) {
  if (w.size() <= at || w[at] == "left") return false;
  if (w[at] == "right") return true;
  throw NetScriptError{"the button is left or right: " + w[at]};
}

void Arity(const std::vector<std::string>& w, size_t lo, size_t hi) {
  if (w.size() < lo || w.size() > hi) throw NetScriptError{"wrong number of words for " + w[0]};
}

// One seat's player: the connection, the half-entered move, and the printing of what the
// authority announces.
class Player {
 public:
  Player(std::ostream& out, int seat) : out_(out), seat_(seat) {
    Listen();
    // A lost connection is told once; the player comes back to its seat by itself.
    client_.KeepSeat(kRejoinTries);
    QObject::connect(&client_, &net::Client::reconnecting, &client_, [this](int attempt) {
      if (attempt == 1 && !leaving_) TellCut();
    });
    QObject::connect(&client_, &net::Client::disconnected, &client_, [this] {
      if (!leaving_ && !gone_ && !cutTold_) TellCut();
      gone_ = true;
    });
  }
  ~Player() { client_.disconnect(); }

  void Trust(const std::string& pemFile) {
    QString error;
    if (!client_.TrustCertificates(QString::fromLocal8Bit(pemFile.c_str()), &error))
      throw NetScriptError{error.toStdString()};
  }

  void Join(const QUrl& url, const QString& code, const QString& name) {
    QObject::connect(&client_, &net::Client::connected, &client_,
                     [this, code, name] {
                       if (seat_ == 0)
                         client_.Watch(code);  // seat 0: watch without a seat
                       else
                         client_.Hello(code, name, seat_);
                     });
    client_.Open(net::RoomUrl(url, code));
    Wait("the welcome", [this] { return client_.Welcomed() || !joinError_.empty() || gone_; });
    if (!client_.Welcomed()) {
      leaving_ = true;
      if (!joinError_.empty())
        throw NetScriptError{"the authority refused the join: " + joinError_};
      throw NetScriptError{"no connection to the authority" +
                           (client_.ConnectionError().isEmpty()
                                ? std::string()
                                : ": " + client_.ConnectionError().toStdString())};
    }
  }

  // A press on the unturned board, through the window's own press entry.
  void Press(double x, double y, bool right) {
    std::optional<Move> m;
    if (entry_.PressAt(client_.TheGame().State(), seat_, x, y, 0, right, &m) && m) Send(*m);
  }

  // The computer's choice for our own seat, sent as our intention, when our turn comes.
  // False once the game it was asked in has ended (a new game may already have begun).
  bool PlayOwnTurnByComputer(int endings) {
    Wait("our turn", [&] { return client_.MyTurn() || Finished() || endings_ != endings; });
    if (Finished() || endings_ != endings) return false;
    const auto m = net::ChooseOwnMove(client_.TheGame(), level_, rng_);
    if (!m) throw NetScriptError{"no move for our seat"};
    Send(*m);
    return true;
  }

  void Start() {
    const size_t refused = client_.Refusals().size();
    const int games = games_;
    client_.Start();
    Wait("the start",
         [&] { return games_ > games || client_.Refusals().size() > refused || gone_; });
  }

  void WaitFor(const std::vector<std::string>& w) {
    Arity(w, 2, 3);
    const std::string& what = w[1];
    if (what == "turn") {
      Arity(w, 2, 2);
      Wait("our turn", [this] { return client_.MyTurn() || Finished(); });
    } else if (what == "over") {
      Arity(w, 2, 2);
      // A game that ended since the last `wait over` counts, even when the next has begun.
      Wait("the end of the game",
           [&] { return client_.Closed() || gone_ || endings_ > endingsWaited_; });
      endingsWaited_ = endings_;
    } else if (what == "start") {
      Arity(w, 2, 2);
      Wait("a game in progress",
           [this] { return (client_.Started() && !client_.Over()) || client_.Closed() || gone_; });
    } else if (what == "moves") {
      Arity(w, 3, 3);
      const size_t n = static_cast<size_t>(Whole(w[2], "N", 0, 100000));
      Wait("the moves", [this, n] { return client_.Turns().size() >= n || Finished(); });
    } else if (what == "seats") {
      Arity(w, 2, 2);
      Wait("every seat", [this] { return client_.SeatsFilled() || gone_; });
    } else {
      throw NetScriptError{"wait turn, over, start, moves N or seats, not wait " + what};
    }
  }

  void Dump() const {
    const GameState& s = client_.TheGame().State();
    out_ << "state seat=" << s.CurrentSeat << " me=" << seat_ << " host=" << client_.Host()
         << " started=" << client_.Started() << " over=" << client_.Over()
         << " winner=" << client_.Winner() << " turns=" << client_.Turns().size()
         << " selected=" << entry_.Picked() << "\n";
    out_ << "kinds " << s.PlayerKind[1] << " " << s.PlayerKind[2] << " " << s.PlayerKind[3] << " "
         << s.PlayerKind[4] << "\n";
    for (int seat = 1; seat <= 4; ++seat)
      out_ << "hand " << seat << " " << s.Hand[seat][1] << " " << s.Hand[seat][2] << " "
           << s.Hand[seat][3] << " " << s.Hand[seat][4] << "\n";
    out_ << "board\n";
    for (int y = 1; y <= 9; ++y)
      for (int x = 1; x <= 9; ++x) out_ << s.Board[x][y].ToString() << (x == 9 ? "\n" : " ");
    out_ << "end\n";
  }

  void Record(const std::string& file) {
    std::string error;
    if (!records_.SaveText(file, lastEnded_.empty() ? client_.Record() : lastEnded_, &error))
      throw NetScriptError{"cannot write the record: " + file + ": " + error};
  }

  // The script has ended: the connection goes with the program, without a message.
  void Quiet() { leaving_ = true; }
  int Endings() const { return endings_; }
  void Give(int seat) { client_.Give(seat); }
  void Answer(bool yes) { answers_.push_back(yes); }
  void SetTimeout(double seconds) { timeoutMs_ = static_cast<qint64>(seconds * 1000); }
  void SetLevel(int level, std::uint64_t seed) {
    level_ = level;
    rng_ = seed;
  }
  void Leave() {
    leaving_ = true;
    client_.Close();
    Wait("the closing", [this] { return gone_ || !client_.IsOpen(); });
  }
  // Let what is already on its way arrive (a short quiet moment).
  void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }

 private:
  bool Finished() const { return client_.Over() || client_.Closed() || gone_; }

  // Sends one intention and waits for the authority's answer to it: the move played, or
  // the refusal.
  void Send(const Move& m) {
    const size_t n = client_.Turns().size() + 1;
    const size_t refused = client_.Refusals().size();
    const int games = games_, endings = endings_;
    client_.SendMove(m);
    Wait("the answer to the move", [&] {
      return client_.Turns().size() >= n || client_.Refusals().size() > refused || Finished() ||
             games_ != games || endings_ != endings;
    });
  }

  void Wait(const char* what, const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > timeoutMs_)
        throw NetScriptError{std::string("waited too long for ") + what};
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
  }

  // What the authority announces, printed as the runner prints moves and messages.
  void Listen() {
    using net::Client;
    auto message = [this](const QString& text) { out_ << "message \"\" " << Quote(text) << "\n"; };
    QObject::connect(&client_, &Client::welcomed, &client_, [this](const QString& room) {
      cutTold_ = false;
      out_ << "joined " << room.toStdString() << " " << seat_ << "\n";
    });
    QObject::connect(&client_, &Client::started, &client_, [this] {
      ++games_;
      out_ << "start\n";
    });
    QObject::connect(
        &client_, &Client::moved, &client_,
        [this](int, const net::Turn& turn, PieceCode captured) { PrintTurn(turn, captured); });
    // As the window's own refusals: a title and a prompt.
    QObject::connect(&client_, &Client::refused, &client_, [this](const net::Refusal& r) {
      out_ << "message " << Quote(r.text) << " " << Quote(r.detail) << "\n";
    });
    QObject::connect(&client_, &Client::noticed, &client_,
                     [message](const QString&, const QString& text) { message(text); });
    QObject::connect(&client_, &Client::over, &client_, [this, message](int, const QString& text) {
      lastEnded_ = client_.Record();
      ++endings_;
      message(text);
    });
    QObject::connect(&client_, &Client::roomClosed, &client_, message);
    QObject::connect(&client_, &Client::errorReceived, &client_,
                     [this, message](const net::ErrorReply& e) {
                       if (!client_.Welcomed())
                         joinError_ = e.text.toStdString();
                       else
                         message(e.text);
                     });
    QObject::connect(&client_, &Client::asked, &client_, [this](const QString& text) {
      bool yes = true;
      if (!answers_.empty()) {
        yes = answers_.front();
        answers_.pop_front();
      }
      out_ << "question \"\" " << Quote(text) << (yes ? " yes" : " no") << "\n";
      client_.ClearAsked();
      client_.Again(yes);
    });
  }

  void PrintTurn(const net::Turn& turn, PieceCode captured) {
    if (turn.pass) {
      out_ << "pass " << turn.seat << "\n";
      return;
    }
    const Move& mv = turn.move;
    out_ << "move " << turn.seat << " " << mv.fromX << " " << mv.fromY << " " << mv.toX << " "
         << mv.toY << " " << mv.before.ToString() << " " << mv.placed.ToString() << " "
         << captured.ToString() << "\n";
  }

  void TellCut() {
    out_ << "message \"\" \"" << Text(TextId::NET_CONNECTION_CUT) << "\"\n";
    cutTold_ = true;
  }

  static constexpr int kRejoinTries = 8;
  std::ostream& out_;
  int seat_;
  bool cutTold_ = false;  // the lost connection was told (once until the next welcome)
  net::Client client_;
  PressEntry entry_;
  bool leaving_ = false, gone_ = false;
  int games_ = 0;
  int endings_ = 0;        // games seen to end
  int endingsWaited_ = 0;  // ... of which `wait over` has returned for
  int level_ = 1;
  std::uint64_t rng_ = 1;
  std::string joinError_;
  std::deque<bool> answers_;
  std::string lastEnded_;  // the record of the last game that ended
  DiskFiles disk_;
  RecordKeeper records_{disk_};
  qint64 timeoutMs_ = 30000;
};

bool Ignored(const std::string& line) {
  const size_t p = line.find_first_not_of(" \t\r");
  return p == std::string::npos || line[p] == '#';
}

}  // namespace

int RunNetScript(const std::vector<std::string>& join, BoundedLines& lines, std::ostream& out,
                 std::ostream& err) {
  std::unique_ptr<QCoreApplication> app;
  static int argc = 1;
  static char name[] = "korvel4-script";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

  std::unique_ptr<Player> player;
  std::string line;
  try {
    if (join.size() != 6 && join.size() != 7)
      throw NetScriptError{"join [wss://]HOST PORT CODE NAME SEAT [CERTFILE]"};
    // wss://HOST: the connection is made with TLS, trusting the certificates of CERTFILE
    // besides the system's.
    const bool tls = join[1].starts_with("wss://");
    const QString host = QString::fromStdString(tls ? join[1].substr(6) : join[1]);
    if (join.size() == 7 && !tls) throw NetScriptError{"a CERTFILE goes with wss://HOST"};
    const long port = Whole(join[2], "PORT", 1, 65535);
    const QString code = QString::fromStdString(join[3]);
    if (!net::IsRoomCode(code))
      throw NetScriptError{"a room code is 6..16 of A-Z and 0-9: " + join[3]};
    const auto playerName = net::CheckedName(QString::fromStdString(join[4]));
    if (!playerName) throw NetScriptError{"not a usable name: " + join[4]};
    const int seat = join[5] == "0" ? 0 : static_cast<int>(Whole(join[5], "SEAT", 1, 4));
    QUrl url;
    url.setScheme(tls ? "wss" : "ws");
    url.setHost(host);
    url.setPort(static_cast<int>(port));
    if (!url.isValid() || host.isEmpty()) throw NetScriptError{"not a host: " + join[1]};
    player = std::make_unique<Player>(out, seat);
    if (join.size() == 7) player->Trust(join[6]);
    player->Join(url, code, *playerName);

    for (;;) {
      const BoundedLines::Result read = lines.Next(line);
      if (read == BoundedLines::Result::END) break;
      if (read != BoundedLines::Result::LINE) throw NetScriptError{lines.Reason(read, "the script")};
      if (Ignored(line)) continue;
      const std::vector<std::string> w = Words(line);
      const std::string& cmd = w[0];
      if (cmd == "click") {
        Arity(w, 3, 4);
        const long c = Whole(w[1], "C", -100000, 100000), r = Whole(w[2], "R", -100000, 100000);
        player->Press(GRID_X0 + CELL_TWIPS * static_cast<double>(c) + 352,
                      GRID_Y0 + CELL_TWIPS * static_cast<double>(r) + 352, RightButton(w, 3));
      } else if (cmd == "press") {
        Arity(w, 3, 4);
        player->Press(Decimal(w[1], "X"), Decimal(w[2], "Y"), RightButton(w, 3));
      } else if (cmd == "computer") {
        Arity(w, 1, 2);
        const long n = w.size() == 2 ? Whole(w[1], "N", 1, 1000000) : 1;
        const int endings = player->Endings();
        for (long i = 0; i < n; ++i)
          if (!player->PlayOwnTurnByComputer(endings)) break;
      } else if (cmd == "level") {
        Arity(w, 2, 3);
        player->SetLevel(
            static_cast<int>(Whole(w[1], "LEVEL", 0, 3)),
            w.size() == 3 ? static_cast<std::uint64_t>(Whole(w[2], "SEED", 0, 1L << 40)) : 1);
      } else if (cmd == "start") {
        Arity(w, 1, 1);
        player->Start();
      } else if (cmd == "wait") {
        player->WaitFor(w);
      } else if (cmd == "give") {
        Arity(w, 2, 2);
        player->Give(static_cast<int>(Whole(w[1], "SEAT", 1, 4)));
        player->Settle(200);
      } else if (cmd == "answer") {
        Arity(w, 2, 2);
        if (w[1] != "yes" && w[1] != "no") throw NetScriptError{"the answer is yes or no: " + w[1]};
        player->Answer(w[1] == "yes");
      } else if (cmd == "timeout") {
        Arity(w, 2, 2);
        const double s = Decimal(w[1], "SECONDS");
        if (s <= 0 || s > 3600) throw NetScriptError{"the timeout is above 0 and at most 3600"};
        player->SetTimeout(s);
      } else if (cmd == "dump") {
        Arity(w, 1, 1);
        player->Dump();
      } else if (cmd == "record") {
        Arity(w, 2, 2);
        player->Record(w[1]);
      } else if (cmd == "leave") {
        Arity(w, 1, 1);
        player->Leave();
        break;
      } else {
        throw NetScriptError{"unknown command in a network game: " + cmd};
      }
    }
    player->Quiet();
  } catch (const NetScriptError& e) {
    if (player) player->Quiet();
    out.flush();
    err << "error: line " << lines.LineNo() << ": " << e.reason << "\n";
    return 2;
  }
  out.flush();
  return 0;
}

}  // namespace korvel
