// One run of computer turns, three players of it: the window (Form1 on the test ports, the
// computers started by a press on an opened record), the network authority (a Room without
// sockets) and korvel4-match's game. The same all-computer game, opened by the same seeded
// people's moves, must go the same way in each and end the same way, and that end must be
// what the rules say when the game is replayed by itself.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game/play_move.h"
#include "net/room.h"
#include "play/game_record.h"
#include "play/repetition.h"
#include "support/fake_ports.h"
#include "tools/match/match_game.h"
#include "view/board_drawing.h"
#include "support/turns.h"

namespace korvel {
namespace {

using testing::InFreshFolder;

struct PlayedTurn {
  int seat = NO_SEAT;
  bool pass = false;
  Move move;
};

std::string Text(const std::vector<PlayedTurn>& turns) {
  std::ostringstream out;
  for (const PlayedTurn& t : turns) {
    out << t.seat;
    if (t.pass) out << " pass\n";
    else
      out << " " << t.move.fromX << t.move.fromY << "-" << t.move.toX << t.move.toY << " "
          << t.move.placed.ToString() << "\n";
  }
  return out.str();
}

// How a game ended: by a king taken or by repetition, and the winning seat (NO_SEAT none).
struct End {
  bool over = false;
  bool king = false;
  int winner = NO_SEAT;
  bool operator==(const End&) const = default;
};

std::string Text(const End& e) {
  return !e.over ? "not over"
                 : std::string(e.king ? "king" : "repetition") + " winner " +
                       std::to_string(e.winner);
}

// The end the rules give: the turns replayed from `start` on a game of their own, as a
// record replays them (net::ApplyTurn); a king
// taken by the last move, or the position after the last turn standing before an earlier
// turn of the run, judged on the checks given since then.
End Expected(const GameState& start, const std::vector<PlayedTurn>& turns) {
  Game g;
  g.Fix().LoadState(start);
  std::vector<PositionKey> before;
  std::vector<TurnTaken> taken;
  End e;
  for (const PlayedTurn& t : turns) {
    EXPECT_FALSE(g.State().GameOver) << "a turn after the end";
    EXPECT_EQ(g.State().CurrentSeat, t.seat);
    before.push_back(KeyOf(g.State()));
    net::Turn turn;
    turn.seat = t.seat;
    turn.pass = t.pass;
    turn.byComputer = true;
    turn.move = t.move;
    MoveOutcome o;
    EXPECT_TRUE(net::ApplyTurn(g, turn, &o));
    if (!t.pass && o.kingTaken) return {true, true, g.State().WinnerSeat};
    taken.push_back({t.seat, !t.pass && o.checked != NO_SEAT});
  }
  const PositionKey last = KeyOf(g.State());
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] == last)
      return {true, false,
              RepetitionWinner(std::vector<TurnTaken>(taken.begin() + static_cast<long>(i),
                                                      taken.end()))};
  return e;
}

// One seeded game: people open it with `opening` moves, then the computers take every seat.
struct Seeded {
  unsigned seed;
  int level;
  int opening;
};

// The window's ports, with a bound on the computers' run: after that many moves the player
// asks to end, which stops the run (a run that never ends is a fault).
struct WindowRig {
  struct BoundedHost : testing::FakeHost {
    Form1* form = nullptr;
    int pauses = 0;
    void Pause(double) override {
      if (++pauses > kBound && form) form->RequestEnd();
    }
  };
  static constexpr int kBound = 3000;
  testing::RecordingCanvas canvas;
  testing::FakeDialogs dialogs;
  testing::FakeSound sound;
  testing::FakeIcons icons;
  BoundedHost host;
  DiskFiles files;
  Form1 form{canvas, dialogs, sound, icons, host, files};
  WindowRig() { host.form = &form; }
};

class ComputerCallers : public InFreshFolder {
 protected:
  // The room: four people join, play the opening, leave, and the host gives every seat to
  // the computer, which plays until the game ends.
  void PlayInRoom(const Seeded& g) {
    room_ = std::make_unique<net::Room>("CALLERS", net::RoomOptions{{false, true, true, true, true},
                                                                    g.level});
    room_->SetClock([this] { return now_; });
    for (int s = 1; s <= 4; ++s) {
      const net::Room::JoinAnswer a = room_->Join(s, QString("P%1").arg(s));
      ASSERT_TRUE(a.ok);
      token_[s] = a.token;
    }
    room_->Start(1);
    ASSERT_NO_FATAL_FAILURE(OpenAndGiveAway(g));
    start_ = room_->TheGame().State();
    record_ = room_->Record();
    roomTurns_ = ComputersInRoom(g, &roomEnd_);
  }

  // The same game again in the same room: the host asks for another game, the people come
  // back, play the same opening and give their seats away again. Nothing of the first
  // game's run of computer turns may count in the second.
  std::vector<PlayedTurn> AgainInRoom(const Seeded& g, End* end) {
    room_->Again(1, true);
    for (int s = 1; s <= 4; ++s) EXPECT_TRUE(room_->Rejoin(s, token_[s]).ok);
    OpenAndGiveAway(g);
    EXPECT_TRUE(KeyOf(room_->TheGame().State()) == KeyOf(start_));
    return ComputersInRoom(g, end);
  }

  void OpenAndGiveAway(const Seeded& g) {
    std::mt19937 rng(g.seed);
    for (int i = 0; i < g.opening; ++i) {
      std::vector<Move> moves;
      for (const Move& m : LegalMoves(room_->TheGame().State()))
        if (!IsKingCode(room_->TheGame().State().Board[m.toX][m.toY])) moves.push_back(m);
      ASSERT_FALSE(moves.empty());
      const Move m = moves[rng() % moves.size()];
      room_->Intend(room_->TheGame().State().CurrentSeat,
                    static_cast<int>(room_->Turns().size()) + 1, {m.fromX, m.fromY},
                    {m.toX, m.toY}, m.Promotes());
      ASSERT_EQ(room_->Turns().size(), static_cast<size_t>(i + 1)) << "refused";
    }
    // The host leaves last: with nobody left to take the role, it stays the host's.
    for (int s = 4; s >= 1; --s) room_->Left(s);
    now_ += 3600 * 1000;
    for (int s = 1; s <= 4; ++s) room_->GiveToComputer(1, s);
    ASSERT_TRUE(room_->ComputerToMove());
  }

  std::vector<PlayedTurn> ComputersInRoom(const Seeded& g, End* end) {
    room_->TakeOutgoing();
    for (int i = 0; i < WindowRig::kBound && room_->ComputerToMove(); ++i)
      room_->PlayComputerTurn();
    std::vector<PlayedTurn> turns;
    for (size_t i = static_cast<size_t>(g.opening); i < room_->Turns().size(); ++i) {
      const Game::Turn& t = room_->Turns()[i];
      EXPECT_TRUE(t.by == Game::Mover::COMPUTER);
      turns.push_back({t.seat, t.pass, t.pass ? Move{} : Move(t.move)});
    }
    *end = {};
    for (const net::Outgoing& o : room_->TakeOutgoing())
      if (o.msg.value("t").toString() == "over") {
        const int winner = o.msg.value("winner").toInt();
        const int n = room_->TheGame().HistoryCount();
        *end = {true, n > 0 && IsKingCode(NthMove(room_->TheGame(), n).captured),
                winner == 0 ? NO_SEAT : winner};
      }
    return turns;
  }

  // The window: the room's record (every seat a computer's) opened, and a press on the
  // board starts the computers, who play to the end; the player then declines another game.
  void PlayInWindow(const Seeded& g) {
    std::ofstream(dir_ / "callers.k4k", std::ios::binary) << record_;
    rig_ = std::make_unique<WindowRig>();
    rig_->form.Form_Load();
    ASSERT_TRUE(rig_->form.OpenRecord((dir_ / "callers.k4k").string()));
    ASSERT_EQ(rig_->form.TheGame().HistoryCount(), g.opening);
    ASSERT_TRUE(KeyOf(rig_->form.State()) == KeyOf(start_));
    rig_->dialogs.answers = {false};
    rig_->form.Form_MouseDown(MouseButton::LEFT, 0, CellX(5) + 352, CellY(5) + 352);
    const Game& game = rig_->form.TheGame();
    int moves = 0;
    for (const Game::Turn& t : game.Turns()) {
      if (moves >= g.opening) windowTurns_.push_back({t.seat, t.pass, t.pass ? Move{} : Move(t.move)});
      moves += !t.pass;
    }
    const Game::Ending ending = game.EndingOfGame();
    windowEnd_ = {ending.over, ending.kingTaken, ending.winner};
    EXPECT_TRUE(rig_->form.Ended()) << "the player declined another game";
  }

  // korvel4-match's game, from the position the computers took over at.
  void PlayInMatch(const Seeded& g) {
    match::SeatPlayer players[5];
    for (int s = 1; s <= 4; ++s) players[s].level = g.level;
    std::vector<match::MatchTurn> played;
    const match::GameResult r = match::PlayGame(start_, players, &played);
    for (const match::MatchTurn& t : played) matchTurns_.push_back({t.seat, !t.move.found, t.move});
    matchEnd_ = {r.how != "limit", r.how == "king", r.winnerSeat};
  }

  qint64 now_ = 1000;
  QString token_[5];
  std::unique_ptr<net::Room> room_;
  std::unique_ptr<WindowRig> rig_;
  GameState start_;
  std::string record_;
  std::vector<PlayedTurn> roomTurns_, windowTurns_, matchTurns_;
  End roomEnd_, windowEnd_, matchEnd_;
};

TEST_F(ComputerCallers, TheWindowTheRoomAndAMatchPlayTheSameGameToTheSameEnd) {
  // Kings taken, repetitions won by either team, and a repetition nobody is to blame for,
  // at levels 1-3.
  const Seeded games[] = {{1, 1, 4},  {3, 3, 5},   {4, 2, 7},  {60, 1, 3},
                          {32, 3, 5}, {151, 2, 4}, {93, 1, 6}};
  int kings = 0, won = 0, drawn = 0;
  for (const Seeded& g : games) {
    SCOPED_TRACE("seed " + std::to_string(g.seed) + " level " + std::to_string(g.level));
    roomTurns_.clear();
    windowTurns_.clear();
    matchTurns_.clear();
    roomEnd_ = windowEnd_ = matchEnd_ = {};
    ASSERT_NO_FATAL_FAILURE(PlayInRoom(g));
    ASSERT_NO_FATAL_FAILURE(PlayInWindow(g));
    PlayInMatch(g);

    // Each plays the game to the end the rules give it, and all play the same game.
    const End expected = Expected(start_, roomTurns_);
    EXPECT_TRUE(expected.over) << "the room\n" << Text(roomTurns_);
    EXPECT_EQ(Text(roomEnd_), Text(expected)) << "the room";
    EXPECT_EQ(Text(windowEnd_), Text(Expected(start_, windowTurns_))) << "the window";
    EXPECT_TRUE(windowEnd_.over) << "the window";
    EXPECT_EQ(Text(matchEnd_), Text(Expected(start_, matchTurns_))) << "the match";
    EXPECT_TRUE(matchEnd_.over) << "the match";
    EXPECT_EQ(Text(windowTurns_), Text(roomTurns_)) << "the window";
    EXPECT_EQ(Text(windowEnd_), Text(roomEnd_)) << "the window";
    EXPECT_EQ(Text(matchTurns_), Text(roomTurns_)) << "the match";
    EXPECT_EQ(Text(matchEnd_), Text(roomEnd_)) << "the match";
    End again;
    EXPECT_EQ(Text(AgainInRoom(g, &again)), Text(roomTurns_)) << "the room's second game";
    EXPECT_EQ(Text(again), Text(roomEnd_)) << "the room's second game";
    kings += expected.king;
    won += !expected.king && expected.winner != NO_SEAT;
    drawn += !expected.king && expected.winner == NO_SEAT;
  }
  // Every kind of end was met.
  EXPECT_GT(kings, 0);
  EXPECT_GT(won, 1);
  EXPECT_GT(drawn, 0);
}

}  // namespace
}  // namespace korvel
