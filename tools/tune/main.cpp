// korvel4-tune: level 4's evaluation weights fitted to the results of fast self-play games.
//
//   korvel4-tune --games N --seed S --out FILE [--nodes N] [--jobs J] [--passes P]
//                [--from FILE]
//
// Plays N games of level 4 against itself at N nodes a decision (5,000) from the match's
// openings of seed S, keeps the quiet positions (tools/tune/texel.h) with each game's result,
// fits every weight at once to nine tenths of them and writes the weights to FILE in the
// form korvel4-match --a-eval reads (through a temporary file and a rename). The last tenth
// is kept apart to show that the fit holds on positions it did not see. One JSON line on
// stdout says what was done; progress goes to stderr. The weights become level 4's only when
// a match says so (README, "Tuning the weights").
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ai/deep_eval.h"
#include "play/game.h"
#include "tools/match/match_game.h"
#include "tools/tune/texel.h"

namespace korvel::tune {
namespace {

constexpr const char* kUsage =
    "usage: korvel4-tune --games N --seed S --out FILE [--nodes N] [--jobs J] [--passes P] "
    "[--from FILE] [--help]\n";
constexpr std::size_t kEvalFileLimit = 65536;

struct Options {
  int games = 0;
  std::uint64_t seed = 0;
  bool seedGiven = false;
  std::string out;
  std::uint64_t nodes = 5000;
  int jobs = 2;
  int passes = 60;
  deep::EvalParams from = deep::DefaultEvalParams();
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "korvel4-tune: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  std::exit(2);
}

std::uint64_t Number(const std::string& flag, const std::string& text, std::uint64_t lo,
                     std::uint64_t hi) {
  if (text.empty() || text.size() > 19 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    Fail(flag + ": not a number: " + deep::QuotedBytes(text, 40));
  const std::uint64_t v = std::stoull(text);
  if (v < lo || v > hi)
    Fail(flag + ": " + text + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
  return v;
}

deep::EvalParams EvalFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) Fail("--from: " + path + " is not a file");
  std::ifstream in(path, std::ios::binary);
  std::string text(kEvalFileLimit + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) Fail("--from: cannot read " + path);
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kEvalFileLimit) Fail("--from: " + path + " is too large");
  deep::EvalParams p = deep::DefaultEvalParams();
  std::string error;
  if (!deep::ParseEvalParams(text, p, error)) Fail("--from: " + path + ": " + error);
  return p;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--help") {
      std::fputs(kUsage, stdout);
      std::puts(
          "\n--games: self-play games of level 4; --seed: the match openings they start from;\n"
          "--out: the weights file written; --nodes: level 4's budget a decision (5000);\n"
          "--jobs: games at a time (2); --passes: passes of the fit over the weights (60);\n"
          "--from: the weights the games are played with and the fit starts from.");
      std::exit(0);
    }
    if (flag != "--games" && flag != "--seed" && flag != "--out" && flag != "--nodes" &&
        flag != "--jobs" && flag != "--passes" && flag != "--from")
      Fail("unknown flag " + deep::QuotedBytes(flag, 40));
    if (i + 1 >= argc) Fail(flag + ": missing value");
    const std::string v = argv[++i];
    if (flag == "--games")
      o.games = static_cast<int>(Number(flag, v, 1, 1000000));
    else if (flag == "--seed") {
      o.seed = Number(flag, v, 0, UINT64_MAX / 2000000);
      o.seedGiven = true;
    } else if (flag == "--out")
      o.out = v;
    else if (flag == "--nodes")
      o.nodes = Number(flag, v, 1, 1ULL << 40);
    else if (flag == "--jobs")
      o.jobs = static_cast<int>(Number(flag, v, 1, 64));
    else if (flag == "--passes")
      o.passes = static_cast<int>(Number(flag, v, 0, 100000));
    else
      o.from = EvalFile(v);
  }
  if (o.games == 0) Fail("--games is required");
  if (!o.seedGiven) Fail("--seed is required");
  if (o.out.empty()) Fail("--out is required");
  return o;
}

// The quiet positions of one game, each before its turn, with the result for the team to
// move. The turns are replayed through the game as the match played them.
void Collect(const GameState& start, const std::vector<match::MatchTurn>& turns,
             const match::GameResult& r, std::vector<Sample>& out) {
  Game g;
  g.Fix().LoadState(start);
  for (const match::MatchTurn& t : turns) {
    Sample s;
    if (s.board.Load(g.State(), t.seat) && IsQuiet(s.board)) {
      s.result = r.winnerSeat == NO_SEAT ? 0.5f
                 : IsFirstTeam(r.winnerSeat) == IsFirstTeam(t.seat) ? 1.0f
                                                                    : 0.0f;
      out.push_back(s);
    }
    if (!t.move.found) {
      g.Pass(t.seat);
      continue;
    }
    g.RefreshKings();
    g.Play(t.seat, t.move, Game::Mover::COMPUTER);
  }
}

// Writes the text beside the target and renames it over.
bool WriteFile(const std::string& path, const std::string& text, std::string& error) {
  const std::filesystem::path target(path);
  const std::filesystem::path temp =
      target.parent_path() / ("." + target.filename().string() + ".korvel4-tune");
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    f << text;
    f.flush();
    if (!f) {
      error = "cannot write " + temp.string();
      std::filesystem::remove(temp);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    error = "cannot rename over " + path + ": " + ec.message();
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

int Run(const Options& o) {
  // The target's folder must take a file before any game is played.
  const std::filesystem::path target(o.out);
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) Fail("--out: " + o.out + " is a folder");
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  if (!std::filesystem::is_directory(folder, ec)) Fail("--out: no folder " + folder.string());

  constexpr int kOpeningPlies = 8;
  std::vector<int> openings;
  for (int c = 0; static_cast<int>(openings.size()) < o.games; ++c)
    if (match::AcceptableOpening(match::OpeningPosition(o.seed, c, kOpeningPlies)))
      openings.push_back(c);

  std::vector<std::vector<Sample>> perGame(o.games);
  std::vector<match::GameResult> results(o.games);
  std::atomic<int> next{0}, done{0};
  std::mutex printLock;
  auto worker = [&] {
    for (int g = next++; g < o.games; g = next++) {
      // An opening of its own for each game: level 4 against itself plays one game from one.
      const GameState start = match::OpeningPosition(o.seed, openings[g], kOpeningPlies);
      match::SeatPlayer players[5];
      for (int seat = 1; seat <= 4; ++seat) players[seat] = {4, o.nodes, &o.from};
      std::vector<match::MatchTurn> turns;
      results[g] = match::PlayGame(start, players, &turns);
      Collect(start, turns, results[g], perGame[g]);
      const int n = ++done;
      if (n % 50 == 0 || n == o.games) {
        std::lock_guard<std::mutex> l(printLock);
        std::fprintf(stderr, "korvel4-tune: %d of %d games\n", n, o.games);
      }
    }
  };
  std::vector<std::thread> threads;
  for (int j = 1; j < std::min(o.jobs, o.games); ++j) threads.emplace_back(worker);
  worker();
  for (std::thread& t : threads) t.join();

  // Every tenth game is kept apart, whole, so that no position of it helps the fit.
  std::vector<Sample> train, held;
  int decided = 0;
  for (int g = 0; g < o.games; ++g) {
    decided += results[g].winnerSeat != NO_SEAT;
    auto& to = g % 10 == 9 ? held : train;
    to.insert(to.end(), perGame[g].begin(), perGame[g].end());
  }
  if (train.empty()) Fail("no quiet position to learn from");
  const double k = FitScale(train, o.from);
  const double before = Loss(train, o.from, k), heldBefore = Loss(held, o.from, k);
  const deep::EvalParams fitted = Fit(train, o.from, k, o.passes, [](int pass, double loss) {
    std::fprintf(stderr, "korvel4-tune: pass %d, loss %.6f\n", pass, loss);
  });
  const double after = Loss(train, fitted, k), heldAfter = Loss(held, fitted, k);

  std::string text = "# korvel4-tune: " + std::to_string(o.games) + " games at " +
                     std::to_string(o.nodes) + " nodes, seed " + std::to_string(o.seed) + ", " +
                     std::to_string(train.size()) + " positions fitted\n";
  text += deep::FormatEvalParams(fitted);
  std::string error;
  if (!WriteFile(o.out, text, error)) {
    std::fprintf(stderr, "korvel4-tune: %s\n", error.c_str());
    return 1;
  }
  std::printf(
      "{\"games\":%d,\"decided\":%d,\"positions\":%zu,\"held_out\":%zu,\"k\":%.4f,"
      "\"loss_before\":%.6f,\"loss_after\":%.6f,\"held_loss_before\":%.6f,"
      "\"held_loss_after\":%.6f,\"out\":\"%s\"}\n",
      o.games, decided, train.size(), held.size(), k, before, after, heldBefore, heldAfter,
      deep::QuotedBytes(o.out, 200).c_str());
  return 0;
}

}  // namespace
}  // namespace korvel::tune

int main(int argc, char** argv) {
  return korvel::tune::Run(korvel::tune::Parse(argc, argv));
}
