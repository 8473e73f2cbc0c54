// Every source of a person's move asks the game's door and shows the reason it gets: the
// same illegal move, met at the window's mouse, at the network authority and in a game
// record, is refused for the same reason.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "game/play_move.h"
#include "net/game_record.h"
#include "net/room.h"
#include "play/game_record.h"
#include "support/fake_ports.h"
#include "view/board_drawing.h"

namespace korvel::net {
namespace {

// A position reached by legal turns from the start, and a move of the seat to move there.
struct Sample {
  std::vector<Turn> turns;
  Move move;
  Refusal refusal;
};

constexpr Refusal kReasons[] = {Refusal::CANNOT_MOVE, Refusal::CANNOT_PROMOTE,
                                Refusal::PARTNER_CHECK, Refusal::MUST_PROMOTE};

// The rules' answer on a copy whose caches are fresh, as every source has them.
Refusal Fresh(const GameState& s, const Move& m) {
  GameState w = s;
  UpdatePawnLines(w);
  FindAllKings(w);
  return MoveRefusal(w, m, Owner::WITH_MOVE, false);
}

// Board moves of the seat to move, onto no piece of its own, from random games of four
// people: up to `perReason` samples of each refusal, at different moments.
std::vector<Sample> FindSamples(int perReason) {
  const bool people[5] = {false, true, true, true, true};
  std::vector<Sample> samples;
  std::map<Refusal, int> found;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    Game g;
    StartNetGame(g, people, 1);
    std::vector<Turn> turns;
    for (int ply = 0; ply < 300 && !g.Finished(); ++ply) {
      const GameState& s = g.State();
      const int seat = s.CurrentSeat;
      std::map<Refusal, bool> thisPly;
      for (int fx = 1; fx <= 9; ++fx)
        for (int fy = 1; fy <= 9; ++fy) {
          const PieceCode p = s.Board[fx][fy];
          if (!BelongsTo(p, seat)) continue;
          for (int tx = 1; tx <= 9; ++tx)
            for (int ty = 1; ty <= 9; ++ty) {
              if (BelongsTo(s.Board[tx][ty], seat)) continue;
              std::vector<Move> tries{{fx, fy, tx, ty, p, p}};
              if (!p.IsPromoted() && KindOf(p) != KIN && KindOf(p) != OU)
                tries.push_back({fx, fy, tx, ty, p, p.Promoted()});
              for (const Move& m : tries) {
                const Refusal r = Fresh(s, m);
                if (r == Refusal::NONE || thisPly[r] || found[r] >= perReason) continue;
                thisPly[r] = true;
                ++found[r];
                samples.push_back({turns, m, r});
              }
            }
        }
      const std::vector<Move> legal = LegalMoves(s);
      Turn t;
      t.seat = seat;
      if (legal.empty()) {
        t.pass = true;
      } else {
        t.move = legal[rng() % legal.size()];
      }
      if (!ApplyTurn(g, t)) break;
      turns.push_back(t);
    }
    bool all = true;
    for (Refusal r : kReasons) all = all && found[r] >= perReason;
    if (all) break;
  }
  return samples;
}

// The authority: four people replay the turns; the reason of the move's refusal.
Refusal AtTheRoom(const Sample& s) {
  RoomOptions o;
  o.level = 1;
  Room room("DOOR", o);
  for (int seat = 1; seat <= 4; ++seat) room.Join(seat, "P");
  room.Start(room.HostSeat());
  for (const Turn& t : s.turns) {
    if (t.pass) return Refusal::NONE;  // the authority's people never pass
    room.Intend(t.seat, static_cast<int>(room.Turns().size()) + 1, {t.move.fromX, t.move.fromY},
                {t.move.toX, t.move.toY}, t.move.Promotes());
  }
  if (room.Turns().size() != s.turns.size()) return Refusal::NONE;
  room.TakeOutgoing();
  const Move& m = s.move;
  room.Intend(room.TheGame().State().CurrentSeat, static_cast<int>(room.Turns().size()) + 1,
              {m.fromX, m.fromY}, {m.toX, m.toY}, m.Promotes());
  for (const Outgoing& out : room.TakeOutgoing()) {
    if (out.msg.value("t").toString() != "refused") continue;
    const QString code = out.msg.value("code").toString();
    const QString detail = out.msg.value("detail").toString();
    if (code == "partner" && detail == "味方に王手はできません") return Refusal::PARTNER_CHECK;
    if (code == "promote" && detail == "成らなければなりません") return Refusal::MUST_PROMOTE;
    if (code == "illegal" && detail == "成れません") return Refusal::CANNOT_PROMOTE;
    if (code == "illegal" && detail == "動かせません") return Refusal::CANNOT_MOVE;
    return Refusal::NOT_STARTED;  // words the protocol does not have for a move
  }
  return Refusal::NONE;
}

// A record of the turns with the move as its last line: the reason the reader gives.
Refusal InARecord(const Sample& s) {
  const bool people[5] = {false, true, true, true, true};
  Game g;
  StartNetGame(g, people, 1);
  for (const Turn& t : s.turns)
    if (!ApplyTurn(g, t)) return Refusal::NOT_STARTED;
  const std::string text = WriteRecord(g, "") + std::to_string(g.MoveNumber() + 1) + " " +
                           SeatName(g.State().CurrentSeat) + " " + MoveNotation(s.move) + "\n";
  const RecordReading read = ReadRecord(text);
  if (read.record) return Refusal::NONE;
  EXPECT_NE(read.error.reason.find("指せない手です"), std::string::npos) << read.error.Text();
  return read.error.refusal;
}

// Two presses at the window on the same position: what the window shows, as a reason.
Refusal AtTheMouse(const Sample& s) {
  const bool people[5] = {false, true, true, true, true};
  Game g;
  StartNetGame(g, people, 1);
  for (const Turn& t : s.turns)
    if (!ApplyTurn(g, t)) return Refusal::NOT_STARTED;
  korvel::testing::FormRig rig;
  rig.form.Form_Load();
  rig.form.PLAY_4_Click();
  rig.form.SetBoard(g.State().Board);
  for (int seat = 1; seat <= 4; ++seat) {
    const int counts[4] = {g.State().Hand[seat][1], g.State().Hand[seat][2],
                           g.State().Hand[seat][3], g.State().Hand[seat][4]};
    rig.form.SetHand(seat, counts);
  }
  rig.form.SetSeatToMove(g.State().CurrentSeat);
  rig.dialogs.shown.clear();
  const Move& m = s.move;
  auto press = [&](int c, int r, MouseButton b) {
    rig.form.Form_MouseDown(b, 0, CellX(c) + 352, CellY(r) + 352);
  };
  press(m.fromX, m.fromY, MouseButton::LEFT);
  press(m.toX, m.toY, m.Promotes() ? MouseButton::RIGHT : MouseButton::LEFT);
  const auto& shown = rig.dialogs.shown;
  auto has = [&](const char* line) {
    return std::find(shown.begin(), shown.end(), line) != shown.end();
  };
  if (has("message 禁手|味方に王手はできません")) return Refusal::PARTNER_CHECK;
  if (has("message 成り|マウスの右をクリックして下さい")) return Refusal::MUST_PROMOTE;
  if (rig.form.TheGame().HistoryCount() == 0 && rig.form.Looks().pieceSelected == 0)
    return Refusal::CANNOT_MOVE;
  return Refusal::NONE;
}

TEST(DoorSources, TheMouseTheRoomAndARecordRefuseAMoveForTheSameReason) {
  const std::vector<Sample> samples = FindSamples(4);
  std::map<Refusal, int> seen;
  for (const Sample& s : samples) {
    const std::string at = "after " + std::to_string(s.turns.size()) + " turns, " +
                           MoveNotation(s.move) + ", reason " +
                           std::to_string(static_cast<int>(s.refusal));
    ++seen[s.refusal];
    EXPECT_EQ(AtTheRoom(s), s.refusal) << at;
    EXPECT_EQ(InARecord(s), s.refusal) << at;
    // The mouse promotes only where a piece may: it cannot ask for a promotion it may not
    // make.
    if (s.refusal != Refusal::CANNOT_PROMOTE) {
      EXPECT_EQ(AtTheMouse(s), s.refusal) << at;
    }
  }
  for (Refusal r : kReasons) EXPECT_EQ(seen[r], 4) << static_cast<int>(r);
}

// The replay finds the pawn lines before a person's drop, as the press on the hand cell
// does: a second pawn on a line is refused though nothing refreshed them since the start.
TEST(DoorSources, APersonsDropInAReplayReadsThePawnLinesWhereTheyStand) {
  const bool people[5] = {false, true, true, true, true};
  Game g;
  StartNetGame(g, people, 1);
  const int pawn[4] = {1, 0, 0, 0};
  g.Fix().SetHand(SITA, pawn);
  const Square cell = HandCellOf(SITA, 1);
  Turn t;
  t.seat = SITA;
  t.move = {cell.x, cell.y, 5, 5, 11_pc, 11_pc};  // SITA's pawn stands on 5七
  Refusal why = Refusal::NONE;
  EXPECT_FALSE(ApplyTurn(g, t, nullptr, &why));
  EXPECT_EQ(why, Refusal::CANNOT_MOVE);
  EXPECT_EQ(g.HistoryCount(), 0);
  t.move.toX = 2;  // a line with no pawn of SITA's
  t.move.toY = 2;
  EXPECT_TRUE(ApplyTurn(g, t, nullptr, &why));
  EXPECT_EQ(g.State().Board[2][2], 11_pc);
}

}  // namespace
}  // namespace korvel::net
