// Whole self-play games at each level, replayed and compared move by move with the games
// recorded before the search was made fast: a speed-up may not change a single choice.
// Run with KORVEL4_RECORD_TRANSCRIPTS=1 to write the recordings anew (only after a change
// to the rules or the scoring that is meant to change the computer's play).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ai/self_play.h"

namespace korvel {
namespace {

constexpr int MAX_TURNS = 300;
constexpr int SCRAMBLED_GAMES = 12;
constexpr int SCRAMBLE_TURNS = 8;

std::filesystem::path TranscriptPath(int level) {
  return std::filesystem::path(__FILE__).parent_path() / "transcripts" /
         ("level" + std::to_string(level) + ".txt");
}

// The recording of one level: the game from the initial position, then games from
// scrambled openings. Only the turns played by the search are recorded.
std::vector<std::string> PlayLevel(int level) {
  std::vector<std::string> lines;
  for (int game = 0; game <= SCRAMBLED_GAMES; ++game) {
    GameState s;
    StartSelfPlay(s, level);
    if (game == 0) {
      lines.push_back("# game from the initial position");
    } else {
      ScrambleOpening(s, game, SCRAMBLE_TURNS);
      lines.push_back("# game from scrambled opening " + std::to_string(game));
    }
    for (const SelfPlayTurn& t : PlaySelfPlay(s, MAX_TURNS)) lines.push_back(TurnLine(t));
  }
  return lines;
}

class Transcript : public ::testing::TestWithParam<int> {};

TEST_P(Transcript, EveryChosenMoveMatchesTheRecording) {
  const int level = GetParam();
  const std::vector<std::string> played = PlayLevel(level);
  const std::filesystem::path path = TranscriptPath(level);

  const char* record = std::getenv("KORVEL4_RECORD_TRANSCRIPTS");
  if (record && std::string(record) == "1") {
    std::ofstream out(path);
    for (const std::string& line : played) out << line << '\n';
    ASSERT_TRUE(out.good()) << "could not write " << path;
    GTEST_SKIP() << "recorded " << played.size() << " lines into " << path;
  }

  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << "no recording at " << path;
  std::vector<std::string> recorded;
  for (std::string line; std::getline(in, line);) recorded.push_back(line);

  std::string game;
  for (size_t i = 0; i < played.size() && i < recorded.size(); ++i) {
    if (played[i].starts_with("#")) game = played[i];
    ASSERT_EQ(played[i], recorded[i])
        << "level " << level << ", line " << i + 1 << " (" << game << ")";
  }
  EXPECT_EQ(played.size(), recorded.size());
}

INSTANTIATE_TEST_SUITE_P(Levels, Transcript, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace korvel
