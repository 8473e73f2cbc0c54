// The search runs thousands of times a game and must not touch the heap. This test binary
// counts every allocation through operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "ai/search.h"
#include "ai/search_plain.h"
#include "ai/self_play.h"
#include "random_positions.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace korvel {
namespace {

TEST(Search, AllocatesNothing) {
  // Positions prepared first; only the searches are counted.
  GameState positions[60];
  for (int i = 0; i < 40; ++i) positions[i] = testing::RandomPosition(i + 1);
  for (int i = 40; i < 60; ++i) {
    StartSelfPlay(positions[i], 3);
    ScrambleOpening(positions[i], i, 8);
    PlaySelfPlay(positions[i], 30);
  }
  const long start = allocations.load();
  for (GameState& s : positions) {
    SearchBestMove(s, s.CurrentSeat);
    SearchBestMovePlain(s, s.CurrentSeat);
  }
  EXPECT_EQ(allocations.load() - start, 0);
}

}  // namespace
}  // namespace korvel
