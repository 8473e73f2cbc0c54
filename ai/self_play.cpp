#include "ai/self_play.h"

#include "game/apply_move.h"
#include "game/attack_maps.h"
#include "game/check.h"
#include "game/movement.h"

namespace korvel {

void StartSelfPlay(GameState& s, int level) {
  s = GameState{};
  NewGameModel(s);
  for (int seat = 1; seat <= 4; ++seat) s.PlayerKind[seat] = COMPUTER;
  s.GameMode = 1;
  s.GameStarted = true;
  s.Level = level;
  s.CurrentSeat = SITA;
}

SelfPlayTurn PlaySelfPlayTurn(GameState& s) {
  const int seat = s.CurrentSeat;
  SelfPlayTurn t{seat, SearchBestMove(s, seat)};
  const ChosenMove& m = t.move;
  if (!m.found) {
    s.CurrentSeat = NextSeat(seat);
    return t;
  }
  const PieceCode captured = s.Board[m.toX][m.toY];
  ApplyMove(s, m.fromX, m.fromY, m.toX, m.toY, m.placed);
  // As after a move in play: the maps describe the new position before the check rule.
  ComputeAttackMaps(s);
  if (KingCaptured(s, captured)) {
    s.GameOver = true;
    return t;
  }
  const int next = CheckedOpponent(s, m.toX, m.toY, seat);
  s.CurrentSeat = next != seat ? next : NextSeat(seat);
  return t;
}

std::vector<SelfPlayTurn> PlaySelfPlay(GameState& s, int maxTurns) {
  std::vector<SelfPlayTurn> turns;
  turns.reserve(maxTurns > 0 ? maxTurns : 0);
  while (!s.GameOver && static_cast<int>(turns.size()) < maxTurns)
    turns.push_back(PlaySelfPlayTurn(s));
  return turns;
}

namespace {

// A 64-bit linear congruential generator: fixed arithmetic, so identical everywhere.
struct Lcg {
  std::uint64_t x;
  std::uint32_t Next() {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(x >> 33);
  }
};

}  // namespace

void ScrambleOpening(GameState& s, std::uint64_t seed, int turns) {
  Lcg r{seed};
  struct Candidate {
    int fx, fy, tx, ty;
  };
  std::vector<Candidate> candidates;
  for (int turn = 0; turn < turns && !s.GameOver; ++turn) {
    const int seat = s.CurrentSeat;
    FindAllKings(s);
    candidates.clear();
    for (int fx = 1; fx <= 9; ++fx)
      for (int fy = 1; fy <= 9; ++fy) {
        const PieceCode c = s.Board[fx][fy];
        if (SeatOfCode(c) != seat) continue;
        for (int tx = 1; tx <= 9; ++tx)
          for (int ty = 1; ty <= 9; ++ty)
            if (CanMove(s, fx, fy, tx, ty, c) && !IsKingCode(s.Board[tx][ty]) &&
                !ChecksPartner(s, fx, fy, tx, ty))
              candidates.push_back({fx, fy, tx, ty});
      }
    if (candidates.empty()) {
      s.CurrentSeat = NextSeat(seat);
      continue;
    }
    const Candidate m = candidates[r.Next() % candidates.size()];
    PieceCode placed = s.Board[m.fx][m.fy], promoted;
    if (CanPromote(m.fx, m.fy, m.tx, m.ty, placed, &promoted) &&
        (!MayStayUnpromoted(m.tx, m.ty, placed) || r.Next() % 2 == 1))
      placed = promoted;
    ApplyMove(s, m.fx, m.fy, m.tx, m.ty, placed);
    ComputeAttackMaps(s);
    const int next = CheckedOpponent(s, m.tx, m.ty, seat);
    s.CurrentSeat = next != seat ? next : NextSeat(seat);
  }
}

std::string TurnLine(const SelfPlayTurn& t) {
  std::string line = std::to_string(t.seat);
  const ChosenMove& m = t.move;
  if (!m.found) return line.append(" pass");
  for (int v : {m.fromX, m.fromY, m.toX, m.toY}) line.append(" ").append(std::to_string(v));
  for (PieceCode c : {m.before, m.placed, m.captured}) line.append(" ").append(c.ToString());
  return line;
}

}  // namespace korvel
