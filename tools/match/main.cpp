// korvel4-match: whole games between two team configurations without a window.
//
//   korvel4-match --a LEVEL[,LEVEL] --b LEVEL[,LEVEL] --games N --seed S
//                 [--a-nodes N] [--b-nodes N] [--openings K] [--jobs J]
//                 [--openings-file PATH] [--write-openings COUNT]
//                 [--a-eval FILE] [--b-eval FILE] [--print-eval]
//                 [--a-engine CMD] [--b-engine CMD] [--a-movetime MS] [--b-movetime MS]
//
// Team A plays 先手組み (SITA and UE) in the even games and 後手組み in the odd ones; each pair
// starts from the same opening of K random legal moves. "4,3" gives the team's first seat in
// turn order level 4 and its second level 3. One line per game on stderr, the summary as one
// JSON object on the last line of stdout. --a-eval/--b-eval give a team's level-4 seats other
// evaluation weights (the text --print-eval prints), for tuning them by matches; --help
// lists the options and the range of each weight. --a-engine/--b-engine CMD let an engine
// program (docs/engine-protocol.md, started with /bin/sh -c for each game) play a team's
// seats instead of its levels; --a-movetime/--b-movetime give level 4 or the engine a time
// per move instead of the node budget. An engine that fails (no answer, an error, a move
// the rules refuse) loses that game by forfeit, said on its line.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ai/deep_eval.h"
#include "tools/bounded_lines.h"
#include "tools/match/engine_process.h"
#include "tools/match/match_game.h"

namespace korvel::match {
namespace {

constexpr std::uint64_t kDefaultSeed = 1;
constexpr int kDefaultOpeningPlies = 8;

struct Options {
  int a[2] = {0, 0};
  int b[2] = {0, 0};
  std::uint64_t aNodes = kDeepDefaultNodes;
  std::uint64_t bNodes = kDeepDefaultNodes;
  int games = 0;
  std::uint64_t seed = kDefaultSeed;
  bool seedGiven = false;
  int openings = kDefaultOpeningPlies;
  int jobs = 2;
  std::string openingsFile;
  int writeOpenings = 0;
  deep::EvalParams aEval = deep::DefaultEvalParams();
  deep::EvalParams bEval = deep::DefaultEvalParams();
  bool printEval = false;
  std::string aEngine, bEngine;
  int aMovetime = 0, bMovetime = 0;
  DeepSearchOptions aSearch, bSearch;
  bool aSearchGiven = false, bSearchGiven = false;
};

constexpr const char* kUsage =
    "usage: korvel4-match --a LEVEL[,LEVEL] --b LEVEL[,LEVEL] --games N --seed S "
    "[--a-nodes N] [--b-nodes N] [--openings K] [--jobs J] [--openings-file PATH] "
    "[--write-openings COUNT] [--a-eval FILE] [--b-eval FILE] [--print-eval] "
    "[--a-engine CMD] [--b-engine CMD] [--a-movetime MS] [--b-movetime MS] "
    "[--a-search LIST] [--b-search LIST] [--help]\n";

// The list of accepted openings: lines "seed plies candidate" of at most this many bytes,
// a file of at most this many.
constexpr std::size_t kOpeningsLineLimit = 4096;
constexpr std::size_t kOpeningsSizeLimit = 64 * 1024 * 1024;
// A weights file.
constexpr std::size_t kEvalFileLimit = 65536;

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "korvel4-match: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  std::exit(2);
}

void Help() {
  std::fputs(kUsage, stdout);
  std::printf(
      "\n--a/--b: the levels of a team's two seats (1..4); --games: games to play, teams\n"
      "swapping sides every game; --seed: chooses the openings; --openings K: random plies\n"
      "before the game (8); --a-nodes/--b-nodes: level 4's node budget (%llu);\n"
      "--jobs: games at a time (2); --openings-file: the list of accepted openings\n"
      "(\"seed plies candidate\" lines); --write-openings COUNT prints such a list.\n"
      "--a-eval/--b-eval FILE: level 4's weights for a team, in the form --print-eval\n"
      "prints (a file of at most %zu bytes; a field left out keeps its default).\n"
      "--a-engine/--b-engine CMD: an engine program plays the team's seats instead of\n"
      "its levels (docs/engine-protocol.md; started with /bin/sh -c for every game);\n"
      "--a-movetime/--b-movetime MS: milliseconds a move for level 4 or the engine\n"
      "instead of the node budget.\n"
      "--a-search/--b-search LIST: search techniques for level 4 to try, comma-separated:\n"
      "null, futility, lmr, aspiration (none is level 4's own).\n"
      "Each weight lies in its range:\n",
      static_cast<unsigned long long>(kDeepDefaultNodes), kEvalFileLimit);
  for (const char* field : {"board", "hand", "near", "drop", "defender", "nextPercent",
                            "quadratic", "rookMobility", "tempo"}) {
    const deep::WeightRange r = deep::RangeOf(field);
    std::printf("  %-13s %d..%d\n", field, r.lo, r.hi);
  }
}

// A line of a file as a message quotes it: printable ASCII, the rest as \xNN, 60 bytes.
std::string Quoted(const std::string& line) { return deep::QuotedBytes(line, 60); }

std::uint64_t Number(const std::string& flag, const std::string& text, std::uint64_t lo,
                     std::uint64_t hi) {
  if (text.empty() || text.size() > 19 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    Fail(flag + ": not a number: '" + text + "'");
  const std::uint64_t v = std::stoull(text);
  if (v < lo || v > hi)
    Fail(flag + ": " + text + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
  return v;
}

// Weights from a file of at most 64 KB; only a regular file is opened, so a pipe or a device
// cannot hold the tool up.
deep::EvalParams EvalFile(const std::string& flag, const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) Fail(flag + ": " + path + " is not a file");
  if (std::filesystem::file_size(path, ec) > kEvalFileLimit)
    Fail(flag + ": " + path + " is too large");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(flag + ": cannot read " + path);
  // Read within the limit, should the file have grown meanwhile.
  std::string text(kEvalFileLimit + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) Fail(flag + ": cannot read " + path);
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kEvalFileLimit) Fail(flag + ": " + path + " is too large");
  deep::EvalParams p = deep::DefaultEvalParams();
  std::string error;
  if (!deep::ParseEvalParams(text, p, error)) Fail(flag + ": " + path + ": " + error);
  return p;
}

void Levels(const std::string& flag, const std::string& text, int out[2]) {
  const size_t comma = text.find(',');
  const std::string first = text.substr(0, comma);
  const std::string second = comma == std::string::npos ? first : text.substr(comma + 1);
  out[0] = static_cast<int>(Number(flag, first, 1, 4));
  out[1] = static_cast<int>(Number(flag, second, 1, 4));
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--help") {
      Help();
      std::exit(0);
    }
    if (flag == "--print-eval") {
      o.printEval = true;
      continue;
    }
    static const char* const kFlags[] = {
        "--a",       "--b",        "--games", "--seed",          "--a-nodes",
        "--b-nodes", "--openings", "--jobs",  "--openings-file", "--write-openings", "--a-eval", "--b-eval",
        "--a-engine", "--b-engine", "--a-movetime", "--b-movetime", "--a-search", "--b-search"};
    if (std::find(std::begin(kFlags), std::end(kFlags), flag) == std::end(kFlags))
      Fail(flag.rfind("--", 0) == 0 ? "unknown flag '" + flag + "'" : "unexpected '" + flag + "'");
    if (i + 1 >= argc) Fail(flag + ": missing value");
    const std::string v = argv[++i];
    if (flag == "--a")
      Levels(flag, v, o.a);
    else if (flag == "--b")
      Levels(flag, v, o.b);
    else if (flag == "--games")
      o.games = static_cast<int>(Number(flag, v, 1, 1000000));
    else if (flag == "--seed") {
      o.seed = Number(flag, v, 0, UINT64_MAX / 2000000);
      o.seedGiven = true;
    } else if (flag == "--a-nodes")
      o.aNodes = Number(flag, v, 1, 1ULL << 40);
    else if (flag == "--b-nodes")
      o.bNodes = Number(flag, v, 1, 1ULL << 40);
    else if (flag == "--openings")
      o.openings = static_cast<int>(Number(flag, v, 0, 200));
    else if (flag == "--jobs")
      o.jobs = static_cast<int>(Number(flag, v, 1, 64));
    else if (flag == "--openings-file")
      o.openingsFile = v;
    else if (flag == "--a-eval")
      o.aEval = EvalFile(flag, v);
    else if (flag == "--b-eval")
      o.bEval = EvalFile(flag, v);
    else if (flag == "--a-engine" || flag == "--b-engine") {
      if (v.empty()) Fail(flag + ": an empty command");
      (flag == "--a-engine" ? o.aEngine : o.bEngine) = v;
    } else if (flag == "--a-movetime")
      o.aMovetime = static_cast<int>(Number(flag, v, 1, 3600000));
    else if (flag == "--b-movetime")
      o.bMovetime = static_cast<int>(Number(flag, v, 1, 3600000));
    else if (flag == "--a-search" || flag == "--b-search") {
      DeepSearchOptions& so = flag == "--a-search" ? o.aSearch : o.bSearch;
      (flag == "--a-search" ? o.aSearchGiven : o.bSearchGiven) = true;
      std::stringstream list(v);
      std::string item;
      while (std::getline(list, item, ',')) {
        if (item == "null")
          so.nullMove = true;
        else if (item == "futility")
          so.futility = true;
        else if (item == "lmr")
          so.lateMoveTable = true;
        else if (item == "aspiration")
          so.aspiration = true;
        else
          Fail(flag + ": unknown technique " + Quoted(item) + " (null, futility, lmr, aspiration)");
      }
    } else if (flag == "--write-openings")
      o.writeOpenings = static_cast<int>(Number(flag, v, 1, 100000));
    else
      Fail("unknown flag '" + flag + "'");
  }
  if (o.writeOpenings > 0 || o.printEval) return o;
  if (o.a[0] == 0 && o.aEngine.empty()) Fail("--a or --a-engine is required");
  if (o.b[0] == 0 && o.bEngine.empty()) Fail("--b or --b-engine is required");
  if (o.a[0] != 0 && !o.aEngine.empty()) Fail("--a and --a-engine both name team A's players");
  if (o.b[0] != 0 && !o.bEngine.empty()) Fail("--b and --b-engine both name team B's players");
  if (o.games == 0) Fail("--games is required");
  if (!o.seedGiven) Fail("--seed is required");
  return o;
}

// The frozen list: lines "seed plies candidate" of accepted openings, '#' for comments.
std::vector<int> FrozenCandidates(const Options& o) {
  std::vector<int> out;
  std::string path = o.openingsFile;
#ifdef KORVEL4_MATCH_OPENINGS
  if (path.empty()) path = KORVEL4_MATCH_OPENINGS;
#endif
  if (path.empty()) return out;
  // Only a regular file is opened: a folder would read as an empty list, a pipe or a
  // device could hold the tool up. The list built in is simply left out when missing.
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(st)) {
    if (!o.openingsFile.empty()) Fail("--openings-file: " + path + " does not exist");
    return out;
  }
  if (!std::filesystem::is_regular_file(st))
    Fail("--openings-file: " + path + " is not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("--openings-file: cannot read " + path);
  BoundedLines lines(in, kOpeningsLineLimit, kOpeningsSizeLimit);
  std::string line;
  for (;;) {
    const BoundedLines::Result read = lines.Next(line);
    if (read == BoundedLines::Result::END) break;
    if (read != BoundedLines::Result::LINE)
      Fail("--openings-file: " + lines.Reason(read, path) + " (line " +
           std::to_string(lines.LineNo()) + ")");
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::uint64_t seed;
    int plies, candidate;
    if (!(fields >> seed >> plies >> candidate) || candidate < 0)
      Fail(path + ": line " + std::to_string(lines.LineNo()) + ": bad line " + Quoted(line));
    if (seed == o.seed && plies == o.openings) out.push_back(candidate);
  }
  return out;
}

// The accepted openings, `count` of them: first the frozen ones, then fresh ones searched.
std::vector<int> Openings(const Options& o, int count) {
  std::vector<int> chosen = FrozenCandidates(o);
  if (static_cast<int>(chosen.size()) > count) chosen.resize(count);
  int next = chosen.empty() ? 0 : *std::max_element(chosen.begin(), chosen.end()) + 1;
  while (static_cast<int>(chosen.size()) < count) {
    if (AcceptableOpening(OpeningPosition(o.seed, next, o.openings))) chosen.push_back(next);
    ++next;
  }
  return chosen;
}

std::string LevelsText(const int l[2]) {
  if (l[0] == 0) return "engine";
  return l[0] == l[1] ? std::to_string(l[0]) : std::to_string(l[0]) + "," + std::to_string(l[1]);
}

// Elo from a score, clamped so that a clean sweep stays finite.
double Elo(double score, int games) {
  const double eps = 0.5 / games;
  score = std::clamp(score, eps, 1 - eps);
  return -400.0 * std::log10(1.0 / score - 1.0);
}

// The result for people. A clean sweep has no spread to measure: "elo" and "elo_ci95" then
// only follow the game count, so it reads as the bound the games prove, at 95 %: the
// expected score p with p^games = 0.05 (all won), or its mirror (all lost).
std::string EloText(int aWins, int bWins, int games, double elo, double ci) {
  char text[96];
  const double p = std::pow(0.05, 1.0 / games);
  const double bound = -400.0 * std::log10(1.0 / p - 1.0);
  if (aWins == games)
    std::snprintf(text, sizeof text, "elo > %.0f (all %d games won)", bound, games);
  else if (bWins == games)
    std::snprintf(text, sizeof text, "elo < %.0f (all %d games lost)", -bound, games);
  else
    std::snprintf(text, sizeof text, "elo %.0f \u00b1 %.0f", std::round(elo) + 0.0, ci);
  return text;
}

int Run(const Options& o) {
  if (o.printEval) {
    std::fputs(deep::FormatEvalParams(deep::DefaultEvalParams()).c_str(), stdout);
    return 0;
  }
  if (o.writeOpenings > 0) {
    std::printf("# Accepted openings: seed, plies, candidate number (see korvel4-match).\n");
    int found = 0;
    for (int c = 0; found < o.writeOpenings; ++c)
      if (AcceptableOpening(OpeningPosition(o.seed, c, o.openings))) {
        std::printf("%llu %d %d\n", static_cast<unsigned long long>(o.seed), o.openings, c);
        ++found;
      }
    return 0;
  }

  const int pairs = (o.games + 1) / 2;
  const std::vector<int> openings = Openings(o, pairs);
  // 1: team A won, -1: team B won, 0: a draw.
  std::vector<int> outcome(o.games, 0);
  std::atomic<int> nextGame{0};
  std::mutex printLock;

  auto worker = [&] {
    for (int g = nextGame++; g < o.games; g = nextGame++) {
      const bool aFirst = g % 2 == 0;
      const GameState start = OpeningPosition(o.seed, openings[g / 2], o.openings);
      SeatPlayer players[5];
      const int* first = aFirst ? o.a : o.b;
      const int* second = aFirst ? o.b : o.a;
      const std::uint64_t firstNodes = aFirst ? o.aNodes : o.bNodes;
      const std::uint64_t secondNodes = aFirst ? o.bNodes : o.aNodes;
      const deep::EvalParams* firstEval = aFirst ? &o.aEval : &o.bEval;
      const deep::EvalParams* secondEval = aFirst ? &o.bEval : &o.aEval;
      const int firstTime = aFirst ? o.aMovetime : o.bMovetime;
      const int secondTime = aFirst ? o.bMovetime : o.aMovetime;
      const DeepSearchOptions* aSearch = o.aSearchGiven ? &o.aSearch : nullptr;
      const DeepSearchOptions* bSearch = o.bSearchGiven ? &o.bSearch : nullptr;
      const DeepSearchOptions* firstSearch = aFirst ? aSearch : bSearch;
      const DeepSearchOptions* secondSearch = aFirst ? bSearch : aSearch;
      players[SITA] = {first[0], firstNodes, firstEval, firstTime, firstSearch};
      players[UE] = {first[1], firstNodes, firstEval, firstTime, firstSearch};
      players[HIDARI] = {second[0], secondNodes, secondEval, secondTime, secondSearch};
      players[MIGI] = {second[1], secondNodes, secondEval, secondTime, secondSearch};
      // A team's engine program, started for this game and ended with it.
      std::unique_ptr<EngineProcess> engines[2];
      std::string startError;
      int failed = NO_SEAT;  // a seat of the team whose engine did not start
      for (int t = 0; t < 2 && failed == NO_SEAT; ++t) {
        const std::string& cmd = (t == 0) == aFirst ? o.aEngine : o.bEngine;
        if (cmd.empty()) continue;
        const int seats[2][2] = {{SITA, UE}, {HIDARI, MIGI}};
        engines[t] = EngineProcess::Start(cmd, 60, &startError);
        if (!engines[t]) failed = seats[t][0];
        for (int seat : seats[t]) players[seat].engine = engines[t].get();
      }
      GameResult r;
      if (failed != NO_SEAT) {
        r.how = "forfeit";
        r.forfeitSeat = failed;
        r.winnerSeat = NextSeat(failed);
        r.forfeit = startError;
      } else {
        r = PlayGame(start, players);
      }
      engines[0].reset();
      engines[1].reset();
      int result = 0;
      if (r.winnerSeat != NO_SEAT) result = (IsFirstTeam(r.winnerSeat) == aFirst) ? 1 : -1;
      outcome[g] = result;
      std::lock_guard<std::mutex> lock(printLock);
      const std::string how =
          r.forfeitSeat == NO_SEAT
              ? r.how
              : r.how + " (" + (IsFirstTeam(r.forfeitSeat) == aFirst ? "A" : "B") + ": " +
                    r.forfeit + ")";
      std::fprintf(stderr, "game %d: A %s (%s), opening %d, %d moves, %s: %s\n", g + 1,
                   aFirst ? "先手組み" : "後手組み", LevelsText(o.a).c_str(), openings[g / 2],
                   r.moves, how.c_str(),
                   result > 0   ? "A wins"
                   : result < 0 ? "B wins"
                                : "draw");
    }
  };
  std::vector<std::thread> threads;
  const int jobs = std::min(o.jobs, o.games);
  for (int j = 1; j < jobs; ++j) threads.emplace_back(worker);
  worker();
  for (std::thread& t : threads) t.join();

  int aWins = 0, bWins = 0, draws = 0;
  for (int r : outcome) (r > 0 ? aWins : r < 0 ? bWins : draws)++;
  const double n = o.games;
  const double score = (aWins + 0.5 * draws) / n;
  // The 95% interval of the score from the spread of the game results, turned into Elo.
  double var = 0;
  for (int r : outcome) {
    const double x = r > 0 ? 1.0 : r < 0 ? 0.0 : 0.5;
    var += (x - score) * (x - score);
  }
  // A clean sweep shows no spread; then the binomial spread of the clamped score stands in.
  const double clamped = std::clamp(score, 0.5 / n, 1 - 0.5 / n);
  if (var == 0) var = clamped * (1 - clamped) * n;
  const double se = std::sqrt(var / n / n);
  const double ci = (Elo(score + 1.96 * se, o.games) - Elo(score - 1.96 * se, o.games)) / 2;
  std::printf(
      "{\"games\":%d,\"a_wins\":%d,\"b_wins\":%d,\"draws\":%d,\"score_a\":%.4f,\"elo\":%.1f,"
      "\"elo_ci95\":%.1f,\"elo_text\":\"%s\"}\n",
      o.games, aWins, bWins, draws, score, Elo(score, o.games), ci,
      EloText(aWins, bWins, o.games, Elo(score, o.games), ci).c_str());
  return 0;
}

}  // namespace
}  // namespace korvel::match

int main(int argc, char** argv) {
  return korvel::match::Run(korvel::match::Parse(argc, argv));
}
