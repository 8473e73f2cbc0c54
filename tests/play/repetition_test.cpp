// Who loses when computer seats repeat a position: the team that forced it with checks.
#include <gtest/gtest.h>

#include "play/repetition.h"

namespace korvel {
namespace {

TEST(Repetition, JudgedOverTheTurnsSinceTheEarlierOccurrence) {
  struct Case {
    const char* name;
    std::vector<TurnTaken> turns;
    int winner;
  };
  const Case cases[] = {
      {"UE checks every time, HIDARI never", {{HIDARI, false}, {UE, true}}, HIDARI},
      {"MIGI checks every time, UE never", {{UE, false}, {MIGI, true}, {UE, false}, {MIGI, true}},
       SITA},
      {"both teams check every time", {{UE, true}, {MIGI, true}}, NO_SEAT},
      {"nobody checks", {{HIDARI, false}, {UE, false}, {MIGI, false}}, NO_SEAT},
      {"the checking team missed once", {{UE, true}, {HIDARI, false}, {UE, false}}, NO_SEAT},
      {"a pass gives no check", {{HIDARI, false}, {UE, true}, {MIGI, false}}, HIDARI},
      {"the other team took no turn", {{UE, true}, {SITA, true}}, NO_SEAT},
      {"no turns at all", {}, NO_SEAT},
  };
  for (const Case& c : cases) EXPECT_EQ(RepetitionWinner(c.turns), c.winner) << c.name;
}

TEST(Repetition, PositionKeyCoversBoardHandsAndSeat) {
  GameState a;
  SetInitialPosition(a);
  a.CurrentSeat = SITA;
  GameState b = a;
  EXPECT_TRUE(KeyOf(a) == KeyOf(b));
  b.CurrentSeat = UE;
  EXPECT_FALSE(KeyOf(a) == KeyOf(b));
  b = a;
  b.Hand[MIGI][4] = 1;
  EXPECT_FALSE(KeyOf(a) == KeyOf(b));
  b = a;
  b.Hand[MIGI][0] = 1;  // a taken king is no droppable piece
  EXPECT_TRUE(KeyOf(a) == KeyOf(b));
  b = a;
  b.Board[5][5] = 11.5_pc;
  EXPECT_FALSE(KeyOf(a) == KeyOf(b));
  b = a;
  b.Level = 1;  // the level is not part of the position
  EXPECT_TRUE(KeyOf(a) == KeyOf(b));
}

}  // namespace
}  // namespace korvel
