// korvel4-engine's protocol: the notation read and written, and a session fed what a
// careless or hostile front end sends (garbage, illegal moves, commands out of order,
// commands while it thinks).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "ai/deep_search.h"
#include "ai/self_play.h"
#include "game/play_move.h"
#include "play/game.h"
#include "tools/engine/engine_session.h"
#include "tools/engine/notation.h"

namespace korvel::engine {
namespace {

// The lines a session wrote, waited for with a bound.
class Lines {
 public:
  EngineSession::Output Sink() {
    return [this](const std::string& line) {
      std::lock_guard<std::mutex> l(m_);
      lines_.push_back(line);
      cv_.notify_all();
    };
  }
  // Waits (at most 60 s) for a line starting with `prefix` after the first `from` lines;
  // answers its index or -1.
  int WaitFor(const std::string& prefix, std::size_t from = 0) {
    std::unique_lock<std::mutex> l(m_);
    int found = -1;
    cv_.wait_for(l, std::chrono::seconds(60), [&] {
      for (std::size_t i = from; i < lines_.size(); ++i)
        if (lines_[i].rfind(prefix, 0) == 0) {
          found = static_cast<int>(i);
          return true;
        }
      return false;
    });
    return found;
  }
  bool Has(const std::string& prefix, std::size_t from) {
    std::lock_guard<std::mutex> l(m_);
    for (std::size_t i = from; i < lines_.size(); ++i)
      if (lines_[i].rfind(prefix, 0) == 0) return true;
    return false;
  }
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> l(m_);
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
  }
  std::size_t Size() {
    std::lock_guard<std::mutex> l(m_);
    return lines_.size();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::string> lines_;
};

// Feeds one line and answers what it wrote at once (no search involved).
std::vector<std::string> Say(EngineSession& s, Lines& out, const std::string& line) {
  out.Take();
  s.Handle(line);
  return out.Take();
}

GameState Start() {
  GameState s;
  StartSelfPlay(s, 4);
  return s;
}

TEST(EngineNotation, PositionsAndMovesReadBackAsWritten) {
  GameState s = Start();
  const std::string start = PositionText(s);
  // As docs/engine-protocol.md shows it: rows from the top, cells from column 9.
  EXPECT_EQ(start, "board 2tStGtKtGtS2/3tPtRtP3/lS3tP3rS/lGlP5rPrG/lKlRlP3rPrRrK/lGlP5rPrG/lS3bP3rS/3bPbRbP3/2bSbGbKbGbS2 -/-/-/- b");

  // A position with promoted pieces, hands and another seat to move survives the trip.
  Position p = s;
  p.Board[5][5] = Code(UE, SYA, true);
  p.Board[1][1] = Code(MIGI, HU, true);
  p.Hand[HIDARI][HU] = 12;
  p.Hand[MIGI][KIN] = 1;
  p.CurrentSeat = MIGI;
  const std::string text = PositionText(p);
  std::string words[4];
  std::size_t at = 0;
  for (std::string& w : words) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    w = text.substr(at, end - at);
    at = end + 1;
  }
  ASSERT_EQ(words[0], "board");
  std::string why;
  const std::optional<Position> back = ParsePositionText(words[1], words[2], words[3], &why);
  ASSERT_TRUE(back) << why;
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) EXPECT_EQ(back->Board[x][y], p.Board[x][y]) << x << "," << y;
  for (int seat = 1; seat <= 4; ++seat)
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(back->Hand[seat][k], p.Hand[seat][k]);
  EXPECT_EQ(back->CurrentSeat, MIGI);

  // Every legal move of the start, written and read back, is the same move.
  s.CurrentSeat = SITA;
  FindAllKings(s);
  UpdatePawnLines(s);
  s.Hand[SITA][KIN] = 1;
  for (const Move& m : LegalMoves(s)) {
    const std::string t = MoveText(m);
    const std::optional<Move> r = ParseMoveText(s, t, &why);
    ASSERT_TRUE(r) << t << ": " << why;
    EXPECT_EQ(*r, m) << t;
  }
}

TEST(EngineNotation, RefusesWhatIsNoMoveOrPosition) {
  const GameState s = Start();
  std::string why;
  for (const char* bad : {"", "57", "575", "575656", "5056", "5706", "a756", "5756-", "5756++",
                          "K*55", "X*55", "G*5", "G*50", "G-55", "pass", "\xff\xfe\x01\x02",
                          "5554"}) {
    EXPECT_FALSE(ParseMoveText(s, bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
  // A king or a gold does not promote.
  std::string promoteKing = "5958+";
  EXPECT_FALSE(ParseMoveText(s, promoteKing, &why));

  const std::string rows = "9/9/9/9/4bK4/9/9/9/9";
  EXPECT_TRUE(ParsePositionText(rows, "-/-/-/-", "b", &why)) << why;
  struct Bad {
    const char* rows;
    const char* hands;
    const char* seat;
  };
  for (const Bad& b : {Bad{"9/9/9/9/4bK4/9/9/9", "-/-/-/-", "b"},      // eight rows
                       Bad{"9/9/9/9/4bK4/9/9/9/9/9", "-/-/-/-", "b"},  // ten rows
                       Bad{"9/9/9/9/4bK5/9/9/9/9", "-/-/-/-", "b"},    // ten cells
                       Bad{"9/9/9/9/4bK3/9/9/9/9", "-/-/-/-", "b"},    // eight cells
                       Bad{"9/9/9/9/4xK4/9/9/9/9", "-/-/-/-", "b"},    // no seat x
                       Bad{"9/9/9/9/4bQ4/9/9/9/9", "-/-/-/-", "b"},    // no piece Q
                       Bad{"9/9/9/9/4b+G4/9/9/9/9", "-/-/-/-", "b"},   // a promoted gold
                       Bad{"9/9/9/9/3bKbK3/9/9/9/9", "-/-/-/-", "b"},  // two kings
                       Bad{"9/9/9/9/4bK3b/9/9/9/9", "-/-/-/-", "b"},   // a seat letter alone
                       Bad{rows.c_str(), "-/-/-", "b"},
                       Bad{rows.c_str(), "-/-/-/-/-", "b"},
                       Bad{rows.c_str(), "-//-/-", "b"},
                       Bad{rows.c_str(), "2K/-/-/-", "b"},
                       Bad{rows.c_str(), "P/-/-/-", "b"},
                       Bad{rows.c_str(), "2/-/-/-", "b"},
                       Bad{rows.c_str(), "-2P/-/-/-", "b"},
                       Bad{rows.c_str(), "1000000P/-/-/-", "b"},
                       Bad{rows.c_str(), "99999999999999999999P/-/-/-", "b"},
                       Bad{rows.c_str(), "-/-/-/-", "x"},
                       Bad{rows.c_str(), "-/-/-/-", "bl"}}) {
    EXPECT_FALSE(ParsePositionText(b.rows, b.hands, b.seat, &why))
        << b.rows << " " << b.hands << " " << b.seat;
  }
}

TEST(EngineSession, AnswersEveryBadLineWithAnErrorAndGoesOn) {
  Lines out;
  EngineSession s(out.Sink());
  std::vector<std::string> r = Say(s, out, "hello");
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].rfind("id name ", 0), 0u);
  EXPECT_EQ(r[1].rfind("id version ", 0), 0u);
  EXPECT_EQ(r[2], "id protocol 1");
  EXPECT_EQ(r[3], "hello ok");

  for (const std::string bad :
       {"bogus", "\x01\x02\xff", "go nodes", "go nodes 0", "go nodes -5", "go nodes 1x",
        "go nodes 99999999999999999999999", "go movetime", "go depth 3", "go fast",
        "position", "position startpos 5756", "position nowhere", "position board 9/9 -/-/-/- b",
        "position startpos moves 5755", "position startpos moves 1111",
        "position startpos moves G*55", "position startpos moves pass",
        "position startpos moves 5756 5756", "position startpos moves 7978+"}) {
    r = Say(s, out, bad);
    ASSERT_EQ(r.size(), 1u) << bad;
    EXPECT_EQ(r[0].rfind("error ", 0), 0u) << bad << " -> " << r[0];
    // An error quotes nothing but printable ASCII.
    for (const char c : r[0]) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << bad;
  }
  // An illegal move says why, and names the move.
  r = Say(s, out, "position startpos moves 5756 5755");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0].find("move 2 '5755'"), std::string::npos) << r[0];
  // The refused position leaves none: go says so instead of answering another position.
  r = Say(s, out, "go nodes 100");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], "error go: no position (the last one was refused)");
  s.TooLong();
  r = out.Take();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].rfind("error a line longer than", 0), 0u);

  // And it goes on: blank lines say nothing, a good position is taken and searched.
  EXPECT_TRUE(Say(s, out, "   \t ").empty());
  EXPECT_TRUE(Say(s, out, "isready") == std::vector<std::string>{"readyok"});
  EXPECT_TRUE(Say(s, out, "position startpos moves 5756").empty());
  EXPECT_TRUE(Say(s, out, "stop").empty());  // nothing to stop
  s.Handle("go nodes 2000");
  ASSERT_GE(out.WaitFor("bestmove "), 0);
  EXPECT_TRUE(s.Handle("quit") == false);
}

TEST(EngineSession, ChoosesLevelFoursMoveAndShowsItsLine) {
  // The position after two moves, searched as a match searches it: the same move.
  Game g;
  GameState st = Start();
  FindAllKings(st);
  UpdatePawnLines(st);
  g.Fix().LoadState(st);
  g.SetLevel(4);
  std::vector<DeepPastTurn> history;
  std::string moves;
  for (int i = 0; i < 2; ++i) {
    const int seat = g.State().CurrentSeat;
    history.push_back({DeepPositionKey(g.State(), seat), seat, false});
    DeepLimits limits;
    limits.nodes = 3000;
    limits.history = &history;
    const ChosenMove m = g.ChooseComputerMove(seat, limits);
    moves += ' ';  // not " " + string: GCC 12 warns falsely of an overlap there
    moves += MoveText(m);
    const Game::Played p = g.Play(seat, m, Game::Mover::COMPUTER);
    history.back().gaveCheck = p.outcome.checked != NO_SEAT;
  }
  DeepLimits limits;
  limits.nodes = 20000;
  limits.history = &history;
  DeepStats stats;
  const ChosenMove expected = SearchDeep(g.State(), g.State().CurrentSeat, limits, &stats);

  Lines out;
  EngineSession s(out.Sink());
  s.Handle("position startpos moves" + moves);
  s.Handle("go nodes 20000");
  const int at = out.WaitFor("bestmove ");
  ASSERT_GE(at, 0);
  const std::vector<std::string> r = out.Take();
  EXPECT_EQ(r[at], "bestmove " + MoveText(expected));
  // One info line per finished iteration, deeper each time, with the line starting at the
  // move it then preferred; a summary line before the answer.
  int depth = 0;
  for (int i = 0; i + 1 < at; ++i) {
    ASSERT_EQ(r[i].rfind("info depth " + std::to_string(depth + 1) + " score ", 0), 0u) << r[i];
    EXPECT_NE(r[i].find(" nodes "), std::string::npos);
    EXPECT_NE(r[i].find(" pv "), std::string::npos);
    ++depth;
  }
  EXPECT_GE(depth, 2);
  EXPECT_NE(r[at - 2].find(" pv " + MoveText(expected)), std::string::npos) << r[at - 2];
  // The summary is the search's own: its depth, score and nodes.
  EXPECT_EQ(r[at - 1].rfind("info depth " + std::to_string(stats.depth) + " score cp " +
                                std::to_string(stats.score) + " nodes " +
                                std::to_string(stats.nodes) + " time ",
                            0),
            0u)
      << r[at - 1];
  EXPECT_EQ(stats.depth, depth);
  // The same search twice answers the same.
  s.Handle("go nodes 20000");
  const int again = out.WaitFor("bestmove ");
  ASSERT_GE(again, 0);
  EXPECT_EQ(out.Take()[again], "bestmove " + MoveText(expected));
}

TEST(EngineSession, StopAndQuitAreHeardWhileItThinks) {
  Lines out;
  EngineSession s(out.Sink());
  s.Handle("go infinite");
  // While it thinks: isready is answered, a new position or search is refused.
  std::size_t seen = out.Size();
  s.Handle("isready");
  ASSERT_GE(out.WaitFor("readyok", seen), 0);
  s.Handle("position startpos");
  s.Handle("go nodes 10");
  ASSERT_GE(out.WaitFor("error go: still thinking", seen), 0);
  ASSERT_GE(out.WaitFor("error position: still thinking", seen), 0);
  EXPECT_FALSE(out.Has("bestmove", seen));  // an endless search answers only when stopped
  s.Handle("stop");
  ASSERT_GE(out.WaitFor("bestmove ", seen), 0);
  // Again, ended by quit: it answers, then the session ends.
  seen = out.Size();
  s.Handle("go infinite");
  EXPECT_FALSE(s.Handle("quit"));
  EXPECT_GE(out.WaitFor("bestmove ", seen), 0);
  // The end of the input stops an endless search and waits for a bounded one.
  seen = out.Size();
  s.Handle("go nodes 5000");
  s.Finish();
  EXPECT_GE(out.WaitFor("bestmove ", seen), 0);
}

TEST(EngineSession, FollowsTheGameToItsEnd) {
  Lines out;
  EngineSession s(out.Sink());
  // 下 alone with its king and a rook next to 左's king: taking it ends the game.
  const std::string board = "position board 9/9/9/9/lKbR7/9/9/9/4bK4 -/-/-/- b";
  EXPECT_TRUE(Say(s, out, board).empty());
  s.Handle("go nodes 1000");
  ASSERT_GE(out.WaitFor("bestmove "), 0);
  EXPECT_EQ(out.Take().back(), "bestmove 8595");
  EXPECT_TRUE(Say(s, out, board + " moves 8595").empty());
  std::vector<std::string> r = Say(s, out, "go nodes 1000");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], "error go: the game is over (a king was taken)");
  r = Say(s, out, board + " moves 8595 5958");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0].find("the game is over"), std::string::npos) << r[0];
  // A seat without a move passes, and only then.
  EXPECT_TRUE(Say(s, out, "position board 9/9/9/9/lK8/9/9/9/4bK4 -/-/-/- t moves pass").empty());
  r = Say(s, out, "position board 9/9/9/9/lK8/9/9/9/4bK4 -/-/-/- b moves pass");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0].find("has a move"), std::string::npos) << r[0];
  s.Handle("position board 9/9/9/9/lK8/9/9/9/4bK4 -/-/-/- t");
  s.Handle("go nodes 1000");
  ASSERT_GE(out.WaitFor("bestmove "), 0);
  EXPECT_EQ(out.Take().back(), "bestmove pass");
}

}  // namespace
}  // namespace korvel::engine
