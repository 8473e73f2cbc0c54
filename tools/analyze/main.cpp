// korvel4-analyze FILE.k4k [--nodes N]: level 4's analysis of a game record, one JSON line
// per move of its history (play/analysis.h), read by the program's own record reader.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/disk_files.h"
#include "play/analysis.h"
#include "play/record_keeper.h"

namespace {

constexpr const char* USAGE =
    "usage: korvel4-analyze FILE.k4k [--nodes N]\n"
    "  Weighs every move of a game record with level 4's search and prints one JSON line\n"
    "  per move: its number, seat, the move played, level 4's move, the score before and\n"
    "  after it (hundredths of a pawn for the team of 下 and 上) and the loss (what the\n"
    "  move gave away for its own team).\n"
    "  --nodes N   the search's nodes for each position (1..1000000000, default 200000)\n";

bool ParseCount(const char* text, std::uint64_t* value) {
  if (!text || !*text || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < 1 || v > 1'000'000'000ULL) return false;
  *value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvel;
  std::string path;
  std::uint64_t nodes = kAnalysisDefaultNodes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(USAGE, stdout);
      return 0;
    }
    if (arg == "--nodes") {
      if (!ParseCount(i + 1 < argc ? argv[i + 1] : nullptr, &nodes)) {
        std::fprintf(stderr, "korvel4-analyze: --nodes takes a number from 1 to 1000000000\n");
        return 2;
      }
      ++i;
      continue;
    }
    if (arg.starts_with("-") || !path.empty()) {
      std::fprintf(stderr, "korvel4-analyze: unexpected argument '%s'\n%s", arg.c_str(), USAGE);
      return 2;
    }
    path = arg;
  }
  if (path.empty()) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  DiskFiles disk;
  RecordKeeper records(disk);
  const RecordKeeper::Opened opened = records.Open(path);
  if (!opened.record) {
    // The reader names the file in what it says, but for a missing one.
    const bool named = opened.error.find(path) != std::string::npos;
    std::fprintf(stderr, "korvel4-analyze: %s%s%s\n", named ? "" : path.c_str(),
                 named ? "" : ": ", opened.error.c_str());
    return 1;
  }
  AnalysisLimits limits;
  limits.nodes = nodes;
  const GameAnalysis analysis = AnalyseGame(opened.record->game, limits);
  for (const MoveAnalysis& m : analysis.moves) std::printf("%s\n", AnalysisJson(m).c_str());
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "korvel4-analyze: cannot write the output\n");
    return 1;
  }
  return 0;
}
