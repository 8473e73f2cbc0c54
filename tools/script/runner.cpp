#include "tools/script/runner.h"

#include <charconv>
#include <cmath>
#include <deque>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

#include "io/disk_files.h"
#include "play/form1.h"
#include "play/menu.h"
#include "tools/bounded_lines.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

std::string Quote(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

struct ScriptDialogs : Dialogs {
  std::ostream& out;
  std::deque<Answer> answers;
  explicit ScriptDialogs(std::ostream& o) : out(o) {}
  Answer Next() {
    if (answers.empty()) return Answer::YES;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void Message(const std::string& t, const std::string& p) override {
    out << "message " << Quote(t) << " " << Quote(p) << "\n";
  }
  void Warning(const std::string& t, const std::string& p) override {
    out << "warning " << Quote(t) << " " << Quote(p) << "\n";
  }
  // A Yes/No question takes a queued `review` as yes: it has no third button.
  bool Question(const std::string& t, const std::string& p) override {
    const bool yes = Next() != Answer::NO;
    out << "question " << Quote(t) << " " << Quote(p) << (yes ? " yes" : " no") << "\n";
    return yes;
  }
  Answer QuestionOr(const std::string& t, const std::string& p, const std::string&) override {
    const Answer a = Next();
    out << "question " << Quote(t) << " " << Quote(p)
        << (a == Answer::YES ? " yes" : a == Answer::NO ? " no" : " review") << "\n";
    return a;
  }
};

// No device is opened: every sound call is printed instead.
struct ScriptSound : SoundLibrary {
  std::ostream& out;
  Handle next = 1;
  explicit ScriptSound(std::ostream& o) : out(o) {}
  Handle dsInitialize(std::uintptr_t) override { return 1; }
  Handle dsCreateDSB(Handle context, const std::uint8_t*, std::size_t, int, const char*) override {
    return context == 0 ? 0 : next++;
  }
  void dsPlay(Handle, const char* f) override { out << "sound " << f << "\n"; }
  void dsPlayLooping(Handle, const char* f) override { out << "loop " << f << "\n"; }
  void dsStop(Handle, const char* f) override { out << "stop " << f << "\n"; }
  void dsFree(Handle) override {}
  void dsTerminate(Handle) override {}
};

struct ScriptIcons : TurnIcons {
  void Move(TurnIcon, int, int) override {}
  void SetVisible(TurnIcon, bool) override {}
};

struct ScriptHost : Host {
  std::ostream& out;
  std::deque<AboutChoice> about;
  bool ended = false;
  // The game clocks' time: it moves only by the pauses before the computers' moves (which
  // the runner does not wait) and the script's `advance`.
  std::int64_t now = 0;
  explicit ScriptHost(std::ostream& o) : out(o) {}
  void Pause(double seconds) override { now += std::llround(seconds * 1000); }
  std::int64_t NowMs() override { return now; }
  void OpenPage(const std::string& target) override { out << "browse " << target << "\n"; }
  AboutChoice ShowAbout() override {
    out << "about\n";
    AboutChoice c = AboutChoice::OK;
    if (!about.empty()) {
      c = about.front();
      about.pop_front();
    }
    return c;
  }
  void EndProgram() override {
    out << "exit\n";
    ended = true;
  }
  void MoveRecorded(const MoveRecord& r) override {
    out << "move " << r.mover << " " << r.fromX << " " << r.fromY << " " << r.toX << " " << r.toY
        << " " << r.before.ToString() << " " << r.placed.ToString() << " "
        << r.captured.ToString() << "\n";
  }
  void SeatPassed(int seat) override { out << "pass " << seat << "\n"; }
};

struct ScriptError {
  std::string reason;
};

std::vector<std::string> Words(const std::string& line) {
  std::istringstream ss(line);
  std::vector<std::string> w;
  for (std::string s; ss >> s;) w.push_back(s);
  return w;
}

long ParseInt(const std::string& s, const char* what) {
  long v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size())
    throw ScriptError{std::string("not a whole number for ") + what + ": " + s};
  return v;
}

double ParseNumber(const std::string& s, const char* what) {
  // Plain decimals only: an optional sign, digits, an optional fraction.
  size_t i = (s.size() > 0 && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
  bool digits = false, dot = false;
  for (size_t k = i; k < s.size(); ++k) {
    if (s[k] >= '0' && s[k] <= '9') digits = true;
    else if (s[k] == '.' && !dot) dot = true;
    else digits = false, k = s.size();
  }
  std::istringstream ss(s);
  double v = 0;
  if (!digits || !(ss >> v) || !ss.eof() || !std::isfinite(v))
    throw ScriptError{std::string("not a number for ") + what + ": " + s};
  return v;
}

PieceCode ParseCode(const std::string& s) {
  std::string whole = s, half;
  const size_t dot = s.find('.');
  if (dot != std::string::npos) {
    whole = s.substr(0, dot);
    half = s.substr(dot + 1);
  }
  const long n = ParseInt(whole.empty() ? std::string("x") : whole, "a piece code");
  if (n == 0 && half.empty()) return EMPTY;
  const int seat = static_cast<int>(n / 10), kind = static_cast<int>(n % 10);
  const bool valid = seat >= 1 && seat <= 4 && kind >= 1 && kind <= 5;
  if (!valid || (!half.empty() && (half != "5" || kind == KIN || kind == OU)))
    throw ScriptError{"no such piece code: " + s};
  return Code(seat, kind, !half.empty());
}

int ParseSeat(const std::string& s) {
  const long v = ParseInt(s, "a seat");
  if (v < 1 || v > 4) throw ScriptError{"no such seat: " + s};
  return static_cast<int>(v);
}

MouseButton ParseButton(const std::vector<std::string>& w, size_t at) {
  if (w.size() <= at || w[at] == "left") return MouseButton::LEFT;
  if (w[at] == "right") return MouseButton::RIGHT;
  throw ScriptError{"the button is left or right: " + w[at]};
}

void Arity(const std::vector<std::string>& w, size_t lo, size_t hi) {
  if (w.size() < lo || w.size() > hi)
    throw ScriptError{"wrong number of words for " + w[0]};
}

void Dump(const Form1& f, std::ostream& out, std::int64_t now) {
  const GameState& s = f.State();
  const Game& g = f.TheGame();
  const Form1::Look look = f.Looks();
  out << "state seat=" << s.CurrentSeat << " mode=" << s.GameMode << " level=" << s.Level
      << " started=" << s.GameStarted << " over=" << s.GameOver << " winner=" << s.WinnerSeat
      << " movenumber=" << g.MoveNumber() << " history=" << g.HistoryCount() << "/"
      << g.HistoryTop() << " selected=" << look.pieceSelected << " resume=" << g.ResumePending()
      << "\n";
  out << "kinds " << s.PlayerKind[1] << " " << s.PlayerKind[2] << " " << s.PlayerKind[3] << " "
      << s.PlayerKind[4] << "\n";
  for (int seat = 1; seat <= 4; ++seat)
    out << "hand " << seat << " " << s.Hand[seat][1] << " " << s.Hand[seat][2] << " "
        << s.Hand[seat][3] << " " << s.Hand[seat][4] << "\n";
  out << "options guidance=" << look.guidanceOn << " icons=" << f.TheOptions().AICON
      << " background=" << look.background.Whole() << " bgm=" << f.TheOptions().BGM << "\n";
  if (look.iconShown)
    out << "icon " << (look.iconKind == TurnIcon::MAN ? "MAN" : "COM") << " " << look.iconLeft
        << " " << look.iconTop << "\n";
  else
    out << "icon none\n";
  out << "board\n";
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9; ++x) out << s.Board[x][y].ToString() << (x == 9 ? "\n" : " ");
  // A game played with clocks: each seat's main time and 秒読み left, in milliseconds.
  if (const SeatClocks* c = f.Clocks()) {
    out << "clocks running=" << c->Running();
    for (int seat = 1; seat <= 4; ++seat) {
      const SeatClocks::Left l = c->LeftAt(seat, now);
      out << " " << seat << ":" << l.mainMs << "+" << l.byoyomiMs;
    }
    out << "\n";
  }
  out << "end\n";
}

bool Ignored(const std::string& line) {
  const size_t p = line.find_first_not_of(" \t\r");
  return p == std::string::npos || line[p] == '#';
}

}  // namespace

int RunScript(std::istream& in, std::ostream& out, std::ostream& err, const RunnerOptions& opts) {
  NullCanvas nullCanvas;
  Canvas& canvas = opts.canvas ? *opts.canvas : nullCanvas;
  ScriptDialogs dialogs(out);
  ScriptSound sound(out);
  ScriptIcons icons;
  ScriptHost host(out);
  DiskFiles files;
  Form1 form(canvas, dialogs, sound, icons, host, files);
  // The window's options are read as the window reads them, so that the entries that save
  // them (最終手表示, 棋譜ウィンドウ...) keep what the window chose.
  form.LoadOptionsFile();
  form.Form_Load();

  BoundedLines lines(in, SCRIPT_LINE_LIMIT, SCRIPT_SIZE_LIMIT);
  int lineNo = 0;
  std::string line;
  auto nextLine = [&]() -> bool {
    const BoundedLines::Result r = lines.Next(line);
    lineNo = lines.LineNo();
    if (r == BoundedLines::Result::LINE) return true;
    if (r == BoundedLines::Result::END) return false;
    throw ScriptError{lines.Reason(r, "the script")};
  };

  while (!host.ended) {
    try {
      if (!nextLine()) break;
      if (Ignored(line)) continue;
      const std::vector<std::string> w = Words(line);
      const std::string& cmd = w[0];
      if (cmd == "menu") {
        Arity(w, 2, 2);
        const MenuEntry* entry = FindMenuHandler(w[1]);
        if (!entry) throw ScriptError{"no such menu entry: " + w[1]};
        (form.*(entry->handler))();
      } else if (cmd == "press") {
        Arity(w, 3, 4);
        const double x = ParseNumber(w[1], "X"), y = ParseNumber(w[2], "Y");
        form.Form_MouseDown(ParseButton(w, 3), 0, x, y);
      } else if (cmd == "click") {
        Arity(w, 3, 4);
        const long c = ParseInt(w[1], "C"), r = ParseInt(w[2], "R");
        if (std::labs(c) > 100000 || std::labs(r) > 100000)
          throw ScriptError{"cell out of range: " + w[1] + " " + w[2]};
        form.Form_MouseDown(ParseButton(w, 3), 0, 1400.0 + 705.0 * c + 352,
                            500.0 + 705.0 * r + 352);
      } else if (cmd == "key") {
        Arity(w, 2, 2);
        form.Form_KeyPress(static_cast<int>(ParseInt(w[1], "CODE")));
      } else if (cmd == "close") {
        Arity(w, 1, 1);
        form.Form_Unload();
      } else if (cmd == "answer") {
        Arity(w, 2, 2);
        if (w[1] == "yes") dialogs.answers.push_back(Answer::YES);
        else if (w[1] == "no") dialogs.answers.push_back(Answer::NO);
        else if (w[1] == "review") dialogs.answers.push_back(Answer::THIRD);
        else if (w[1] == "home") host.about.push_back(AboutChoice::HOME_PAGE);
        else if (w[1] == "ok") host.about.push_back(AboutChoice::OK);
        else throw ScriptError{"the answer is yes, no, review, home or ok: " + w[1]};
      } else if (cmd == "computer") {
        Arity(w, 1, 2);
        const long n = w.size() == 2 ? ParseInt(w[1], "N") : 1;
        if (n < 1) throw ScriptError{"N must be at least 1: " + w[1]};
        for (long i = 0; i < n && !host.ended; ++i)
          if (!form.PlayComputerTurnForSeatToMove()) break;
      } else if (cmd == "lang") {
        // The words shown from here on, for tests: no file changes (言語's entries save it).
        Arity(w, 2, 2);
        if (w[1] == "en") SetLanguage(Language::ENGLISH);
        else if (w[1] == "ja") SetLanguage(Language::JAPANESE);
        else throw ScriptError{"the language is en or ja: " + w[1]};
      } else if (cmd == "dump") {
        Arity(w, 1, 1);
        Dump(form, out, host.now);
      } else if (cmd == "clock") {
        // What 持ち時間... sets once its dialog is answered: the games started after it.
        Arity(w, 2, 4);
        GameTimeControl control = form.ChosenTimeControl();
        if (w[1] == "off") {
          Arity(w, 2, 2);
          control = {};
        } else {
          Arity(w, 3, 4);
          const double main = ParseNumber(w[1], "MAIN"), byoyomi = ParseNumber(w[2], "BYOYOMI");
          if (!(main >= 0 && main * 1000 <= MAX_MAIN_MS))
            throw ScriptError{"the main time is 0 to 36000 seconds: " + w[1]};
          if (!(byoyomi >= 0 && byoyomi * 1000 <= MAX_BYOYOMI_MS))
            throw ScriptError{"the byo-yomi is 0 to 3600 seconds: " + w[2]};
          const TimeControl c{std::llround(main * 1000), std::llround(byoyomi * 1000)};
          if (w.size() == 4) control.seat[ParseSeat(w[3])] = c;
          else control = GameTimeControl::Every(c);
        }
        form.SetTimeControl(control);
      } else if (cmd == "advance") {
        // The clocks' time goes on, as the window's timer would see it.
        Arity(w, 2, 2);
        const double seconds = ParseNumber(w[1], "SECONDS");
        if (!(seconds >= 0 && seconds <= 1e6))
          throw ScriptError{"the seconds are 0 to 1000000: " + w[1]};
        host.now += std::llround(seconds * 1000);
        form.ClockTick();
      } else if (cmd == "snapshot") {
        Arity(w, 2, 2);
        if (!opts.snapshot) throw ScriptError{"snapshot is not available in this build"};
        const Form1::Look look = form.Looks();
        if (!opts.snapshot(w[1], look.iconShown, look.iconKind == TurnIcon::MAN ? 0 : 1,
                           look.iconLeft, look.iconTop))
          throw ScriptError{"cannot write the picture: " + w[1]};
      } else if (cmd == "set") {
        if (w.size() < 2) throw ScriptError{"wrong number of words for set"};
        if (w[1] == "board") {
          Arity(w, 2, 2);
          PieceCode rows[10][10]{};
          for (int y = 1; y <= 9; ++y) {
            do {
              if (!nextLine()) throw ScriptError{"set board needs 9 lines of 9 codes"};
            } while (Ignored(line));
            const std::vector<std::string> codes = Words(line);
            if (codes.size() != 9) throw ScriptError{"a board line needs 9 codes"};
            for (int x = 1; x <= 9; ++x) rows[x][y] = ParseCode(codes[x - 1]);
          }
          form.SetBoard(rows);
        } else if (w[1] == "hand") {
          Arity(w, 7, 7);
          const int seat = ParseSeat(w[2]);
          int n[4];
          for (int k = 0; k < 4; ++k) {
            const long v = ParseInt(w[3 + k], "a hand count");
            if (v < 0 || v > 1000000) throw ScriptError{"a hand count is 0..1000000: " + w[3 + k]};
            n[k] = static_cast<int>(v);
          }
          form.SetHand(seat, n);
        } else if (w[1] == "seat") {
          Arity(w, 3, 3);
          form.SetSeatToMove(ParseSeat(w[2]));
        } else {
          throw ScriptError{"set board, set hand or set seat, not set " + w[1]};
        }
      } else if (cmd == "save" || cmd == "load") {
        // The path is the rest of the line, blanks inside it kept.
        const size_t at = line.find(cmd) + cmd.size();
        const size_t from = line.find_first_not_of(" \t", at);
        const size_t to = line.find_last_not_of(" \t");
        if (from == std::string::npos) throw ScriptError{"wrong number of words for " + cmd};
        const std::string path = line.substr(from, to + 1 - from);
        if (cmd == "save") form.SaveRecord(path);
        else form.OpenRecord(path);
      } else if (cmd == "join") {
        if (!opts.join) throw ScriptError{"join is not available in this build"};
        out.flush();
        return opts.join(w, lines, out, err);
      } else {
        throw ScriptError{"unknown command: " + cmd};
      }
    } catch (const ScriptError& e) {
      out.flush();
      err << "error: line " << lineNo << ": " << e.reason << "\n";
      return 2;
    }
  }
  out.flush();
  return 0;
}

}  // namespace korvel
