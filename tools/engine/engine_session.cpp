#include "tools/engine/engine_session.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>

#include "ai/deep_eval.h"
#include "ai/self_play.h"
#include "game/play_move.h"
#include "play/computer_run.h"
#include "play/game.h"
#include "tools/engine/notation.h"

#ifndef KORVEL4_ENGINE_VERSION
#define KORVEL4_ENGINE_VERSION "1.0"
#endif

namespace korvel::engine {

namespace {

// Words of a line, split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> w;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t from = line.find_first_not_of(" \t\r", at);
    if (from == std::string_view::npos) break;
    const std::size_t to = std::min(line.find_first_of(" \t\r", from), line.size());
    w.push_back(line.substr(from, to - from));
    at = to;
  }
  return w;
}

// A word as an error quotes it: printable ASCII, the rest as \xNN, 40 bytes at most.
std::string Quoted(std::string_view word) { return deep::QuotedBytes(word, 40); }

}  // namespace

const char* RefusalText(Refusal r) {
  switch (r) {
    case Refusal::NONE: return "allowed";
    case Refusal::NOT_STARTED: return "no game has started";
    case Refusal::GAME_OVER: return "the game is over";
    case Refusal::NOT_YOUR_TURN: return "another seat is to move";
    case Refusal::NOT_YOUR_PIECE: return "not a piece of the seat to move";
    case Refusal::EMPTY_HAND: return "the hand holds no such piece";
    case Refusal::CANNOT_MOVE: return "the piece cannot go there";
    case Refusal::CANNOT_PROMOTE: return "the piece may not promote there";
    case Refusal::PARTNER_CHECK: return "it would attack the partner's king";
    case Refusal::MUST_PROMOTE: return "a pawn must promote on its last line";
  }
  return "refused";
}

namespace {

// A count of 1..hi, or nothing.
std::optional<std::uint64_t> Count(std::string_view word, std::uint64_t hi) {
  std::uint64_t v = 0;
  const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
  if (r.ec != std::errc{} || r.ptr != word.data() + word.size() || v < 1 || v > hi)
    return std::nullopt;
  return v;
}

std::string ScoreText(int score) {
  constexpr int kMate = 30000, kMateBound = 29000;
  if (score > kMateBound) return "mate " + std::to_string(kMate - score);
  if (score < -kMateBound) return "mate -" + std::to_string(kMate + score);
  return "cp " + std::to_string(score);
}

std::string Milliseconds(double seconds) {
  return std::to_string(static_cast<long long>(seconds * 1000));
}

}  // namespace

EngineSession::EngineSession(Output out) : out_(std::move(out)) {
  // The start position until another is set.
  Handle("position startpos");
  worker_ = std::thread([this] { Worker(); });
}

EngineSession::~EngineSession() {
  {
    std::lock_guard<std::mutex> l(lock_);
    quitting_ = true;
  }
  stop_ = true;
  wake_.notify_all();
  worker_.join();
}

void EngineSession::Say(const std::string& line) {
  std::lock_guard<std::mutex> l(outLock_);
  out_(line);
}

void EngineSession::Error(const std::string& what) { Say("error " + what); }

void EngineSession::TooLong() {
  Error("a line longer than " + std::to_string(kMaxLineBytes) + " bytes, ignored");
}

bool EngineSession::Handle(std::string_view line) {
  const std::vector<std::string_view> w = Words(line);
  if (w.empty()) return true;
  const std::string_view cmd = w[0];
  bool busy;
  {
    std::lock_guard<std::mutex> l(lock_);
    busy = thinking_;
  }
  if (cmd == "quit") {
    Stop();
    Wait();
    return false;
  }
  if (cmd == "stop") {
    Stop();
    return true;
  }
  if (cmd == "isready") {
    Say("readyok");
    return true;
  }
  if (cmd == "hello") {
    Say("id name korvel4-engine LEVEL4");
    Say(std::string("id version ") + KORVEL4_ENGINE_VERSION);
    Say("id protocol " + std::to_string(kProtocolVersion));
    Say("hello ok");
    return true;
  }
  if (cmd == "newgame" || cmd == "position" || cmd == "go") {
    if (busy) {
      Error(std::string(cmd) + ": still thinking (stop first)");
      return true;
    }
    if (cmd == "newgame")
      Handle("position startpos");
    else if (cmd == "position")
      Position(w);
    else
      Go(w);
    return true;
  }
  Error("unknown command " + Quoted(cmd));
  return true;
}

void EngineSession::Position(const std::vector<std::string_view>& w) {
  // A refused position leaves none: a move for another position than the one asked would
  // be worse than no move.
  current_.reset();
  auto fail = [this](const std::string& why) { Error("position: " + why); };
  std::size_t at = 1;
  GameState start;
  StartSelfPlay(start, 4);
  if (w.size() > at && w[at] == "startpos") {
    ++at;
  } else if (w.size() > at && w[at] == "board") {
    if (w.size() < at + 4) return fail("board takes ROWS HANDS SEAT");
    std::string why;
    const std::optional<korvel::Position> p = ParsePositionText(w[at + 1], w[at + 2], w[at + 3], &why);
    if (!p) return fail(why);
    static_cast<korvel::Position&>(start) = *p;
    at += 4;
  } else {
    return fail(w.size() > at ? "unknown position " + Quoted(w[at]) : "startpos or board expected");
  }
  FindAllKings(start);
  UpdatePawnLines(start);
  Game game;
  game.Fix().LoadState(start);
  game.SetLevel(4);
  // The turns since the position were one run of computer turns, as a match plays them: a
  // position that comes back starts the run afresh.
  ComputerRun run(ComputerRun::DeepKeys::EVERY_TURN);
  if (w.size() > at) {
    if (w[at] != "moves") return fail("expected moves, not " + Quoted(w[at]));
    ++at;
  }
  for (std::size_t i = at; i < w.size(); ++i) {
    const std::string where = "move " + std::to_string(i - at + 1) + " " + Quoted(w[i]) + ": ";
    if (game.State().GameOver) return fail(where + "the game is over (a king was taken)");
    ComputerRun::Step step = run.Before(game.State());
    if (step.repeated) {
      run.Restart();
      step = run.Before(game.State());
    }
    const int seat = game.State().CurrentSeat;
    if (w[i] == "pass") {
      if (!LegalMoves(game.State()).empty()) return fail(where + "the seat to move has a move");
      game.Pass(seat);
      run.After(step, nullptr);
      continue;
    }
    std::string why;
    const std::optional<Move> m = ParseMoveText(game.State(), w[i], &why);
    if (!m) return fail(where + why);
    game.RefreshKings();
    game.RefreshPawnLines();
    if (const Refusal r = game.Check(seat, *m); r != Refusal::NONE)
      return fail(where + "not legal: " + RefusalText(r));
    const Game::Played played = game.Play(seat, *m, Game::Mover::COMPUTER);
    run.After(step, &played.outcome);
  }
  game.RefreshKings();
  game.RefreshPawnLines();
  current_ = Current{game.State(), run.History(), game.State().GameOver};
}

void EngineSession::Go(const std::vector<std::string_view>& w) {
  if (!current_) return Error("go: no position (the last one was refused)");
  if (current_->over) return Error("go: the game is over (a king was taken)");
  Job job;
  job.limits.nodes = 0;
  double seconds = 0;
  for (std::size_t i = 1; i < w.size(); ++i) {
    if (w[i] == "infinite") {
      job.infinite = true;
      continue;
    }
    if (w[i] != "nodes" && w[i] != "movetime")
      return Error("go: unknown limit " + Quoted(w[i]));
    if (i + 1 >= w.size()) return Error("go: " + std::string(w[i]) + " takes a number");
    const bool nodes = w[i] == "nodes";
    const std::optional<std::uint64_t> v = Count(w[i + 1], nodes ? 1ULL << 40 : 86'400'000);
    if (!v)
      return Error("go: " + std::string(w[i]) + " " + Quoted(w[i + 1]) + " is not a number in 1.." +
                   (nodes ? std::to_string(1ULL << 40) : std::string("86400000")));
    if (nodes)
      job.limits.nodes = *v;
    else
      seconds = static_cast<double>(*v) / 1000;
    ++i;
  }
  if (job.infinite) {
    job.limits.nodes = UINT64_MAX / 2;
    seconds = 0;
  } else if (job.limits.nodes == 0) {
    job.limits.nodes = seconds > 0 ? UINT64_MAX / 2 : kDeepDefaultNodes;
  }
  job.limits.maxSeconds = seconds;
  job.state = current_->state;
  job.history = current_->history;
  std::lock_guard<std::mutex> l(lock_);
  stop_ = false;
  infinite_ = job.infinite;
  thinking_ = true;
  job_ = std::move(job);
  wake_.notify_all();
}

void EngineSession::Stop() {
  std::lock_guard<std::mutex> l(lock_);
  if (thinking_) stop_ = true;
}

void EngineSession::Wait() {
  std::unique_lock<std::mutex> l(lock_);
  done_.wait(l, [this] { return !thinking_; });
}

void EngineSession::Finish() {
  {
    std::lock_guard<std::mutex> l(lock_);
    if (thinking_ && infinite_) stop_ = true;
  }
  Wait();
}

void EngineSession::Worker() {
  std::unique_lock<std::mutex> l(lock_);
  for (;;) {
    wake_.wait(l, [this] { return quitting_ || job_.has_value(); });
    if (quitting_) return;
    Job job = std::move(*job_);
    job_.reset();
    l.unlock();
    const std::vector<std::string> answer = Think(job);
    l.lock();
    // The answer is written once the session is free again, so that a front end may send
    // its next search as soon as it reads it.
    thinking_ = false;
    for (const std::string& line : answer) Say(line);
    done_.notify_all();
  }
}

std::vector<std::string> EngineSession::Think(Job& job) {
  job.limits.stop = &stop_;
  job.limits.history = &job.history;
  const std::function<void(const DeepProgress&)> progress = [this](const DeepProgress& p) {
    std::string line = "info depth " + std::to_string(p.depth) + " score " + ScoreText(p.score) +
                       " nodes " + std::to_string(p.nodes) + " time " + Milliseconds(p.seconds);
    if (!p.line.empty()) {
      line += " pv";
      for (const ChosenMove& m : p.line) line += " " + MoveText(m);
    }
    Say(line);
  };
  job.limits.progress = &progress;
  const int seat = job.state.CurrentSeat;
  DeepStats stats;
  const ChosenMove m = SearchDeep(job.state, seat, job.limits, &stats);
  // A search without limits answers only once it is stopped.
  if (job.infinite)
    while (!stop_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return {"info depth " + std::to_string(stats.depth) + " score " + ScoreText(stats.score) +
              " nodes " + std::to_string(stats.nodes) + " time " + Milliseconds(stats.seconds) +
              (stats.fallback ? " fallback" : ""),
          "bestmove " + (m.found ? MoveText(m) : std::string("pass"))};
}

}  // namespace korvel::engine
