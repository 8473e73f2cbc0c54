// The search's answers on seeded odd positions at every level, compared with the answers
// recorded before the search was made fast: the chosen move, its score to the last bit,
// and a digest of the whole state it leaves (board, hands and every cache it refreshes).
// KORVEL4_RECORD_TRANSCRIPTS=1 writes the recording anew.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ai/search.h"
#include "ai/self_play.h"
#include "random_positions.h"

namespace korvel {
namespace {

constexpr int POSITIONS = 1000;

std::string Answer(std::uint64_t seed, int level) {
  GameState s = testing::RandomPosition(seed);
  s.Level = level;
  const int seat = s.CurrentSeat;
  const ChosenMove m = SearchBestMove(s, seat);
  char tail[80];
  std::snprintf(tail, sizeof tail, " %a %016" PRIx64, m.score, testing::StateDigest(s));
  return std::to_string(seed) + " L" + std::to_string(level) + " " + TurnLine({seat, m}) + tail;
}

TEST(RandomRecording, EveryAnswerMatchesTheRecording) {
  std::vector<std::string> answers;
  for (int seed = 1; seed <= POSITIONS; ++seed)
    for (int level = 1; level <= 3; ++level) answers.push_back(Answer(seed, level));

  const auto path = std::filesystem::path(__FILE__).parent_path() / "transcripts" / "random.txt";
  const char* record = std::getenv("KORVEL4_RECORD_TRANSCRIPTS");
  if (record && std::string(record) == "1") {
    std::ofstream out(path);
    for (const std::string& a : answers) out << a << '\n';
    ASSERT_TRUE(out.good()) << "could not write " << path;
    GTEST_SKIP() << "recorded " << answers.size() << " answers into " << path;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << "no recording at " << path;
  size_t i = 0;
  for (std::string line; std::getline(in, line); ++i) {
    ASSERT_LT(i, answers.size());
    ASSERT_EQ(answers[i], line) << "line " << i + 1;
  }
  EXPECT_EQ(i, answers.size());
}

}  // namespace
}  // namespace korvel
