#include "play/game.h"

#include "game/attack_maps.h"
#include "game/check.h"
#include "game/play_move.h"

namespace korvel {

Game::Game() = default;

void Game::NewGame() {
  s_.GameOver = false;
  s_.GameMode = NO_SEAT;
  s_.CurrentSeat = NO_SEAT;
  historyCount_ = 0;
  moveNumber_ = 0;
  historyTop_ = historyCount_;
  passes_.clear();
  repetition_ = false;
  NewGameModel(s_);
}

void Game::SetSeats(int sita, int hidari, int ue, int migi, int mode) {
  s_.PlayerKind[SITA] = sita;
  s_.PlayerKind[HIDARI] = hidari;
  s_.PlayerKind[UE] = ue;
  s_.PlayerKind[MIGI] = migi;
  s_.GameStarted = true;
  s_.GameMode = mode;
}

void Game::Fixture::SetBoard(const PieceCode board[10][10]) {
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) g_.s_.Board[x][y] = board[x][y];
  FindAllKings(g_.s_);
}

void Game::Fixture::SetHand(int seat, const int counts[4]) {
  for (int k = 0; k < 4; ++k) g_.s_.Hand[seat][k + 1] = counts[k];
}

const SeatController* Game::Controller(int seat) const {
  return seat >= 1 && seat <= 4 ? ControllerOf(s_.PlayerKind[seat]) : nullptr;
}
bool Game::IsPersonSeat(int seat) const {
  const SeatController* c = Controller(seat);
  return c && c->TakesPresses();
}
bool Game::IsComputerSeat(int seat) const {
  const SeatController* c = Controller(seat);
  return c && c->MovesByItself();
}

void Game::RefreshKings() { FindAllKings(s_); }
void Game::RefreshPawnLines() { UpdatePawnLines(s_); }

Refusal Game::MayMove(int seat) const {
  if (!s_.GameStarted) return Refusal::NOT_STARTED;
  if (Finished()) return Refusal::GAME_OVER;
  if (seat != s_.CurrentSeat) return Refusal::NOT_YOUR_TURN;
  return Refusal::NONE;
}

Refusal Game::Check(int seat, const Move& m, Owner owner) {
  const Refusal r = MayMove(seat);
  return r != Refusal::NONE ? r : MoveRefusal(s_, m, owner, true);
}

Game::Played Game::Play(int seat, const Move& m, Mover who, Owner owner) {
  Played p;
  if (who == Mover::COMPUTER) {
    if (seat != s_.CurrentSeat) p.refusal = Refusal::NOT_YOUR_TURN;
    else p.outcome = PlayComputerMove(m);
    return p;
  }
  p.refusal = Check(seat, m, owner);
  if (p.refusal == Refusal::NONE) p.outcome = PlayPersonMove(m);
  return p;
}

const MoveRecord& Game::Record(const Move& m) {
  // The history grows with the game: no move is ever refused for lack of room.
  ++historyCount_;
  const int n = historyCount_;
  if (static_cast<int>(history_.size()) <= n) history_.resize(n + 1);
  MoveRecord& r = history_[n];
  static_cast<Move&>(r) = m;
  r.captured = OnBoard(m.toX, m.toY) ? s_.Board[m.toX][m.toY] : EMPTY;
  r.mover = s_.CurrentSeat;
  historyTop_ = historyCount_;
  std::erase_if(passes_, [n](const PassRecord& p) { return p.after >= n; });
  repetition_ = false;
  return r;
}

Refusal Game::Pass(int seat) {
  if (seat != s_.CurrentSeat) return Refusal::NOT_YOUR_TURN;
  s_.CurrentSeat = NextSeat(seat);
  const int n = historyCount_;
  historyTop_ = n;
  std::erase_if(passes_, [n](const PassRecord& p) { return p.after > n; });
  passes_.push_back({n, seat});
  repetition_ = false;
  return Refusal::NONE;
}

MoveOutcome Game::PlayPersonMove(const Move& m) {
  ++moveNumber_;
  Record(m);
  MoveOutcome o = PlayMove(s_, m);
  if (o.kingTaken) return o;
  if (s_.GameMode == 1) {
    ComputeAttackMaps(s_);
    o.mate = IsMate(s_, o.mover, AttackedOpponent(s_, o.mover));
    HandOff(s_, m, o);
  } else if (s_.GameMode == 0) {
    HandOff(s_, m, o);
  }
  return o;
}

ChosenMove Game::ChooseComputerMove(int seat, const ComputerLimits& limits) {
  if (s_.Level != 4) return SearchBestMove(s_, seat);
  const ChosenMove m = SearchDeep(s_, seat, limits);
  FindAllKings(s_);
  return m;
}

void Game::Fixture::LoadState(const GameState& s) {
  g_.s_ = s;
  g_.history_.assign(1, MoveRecord{});
  g_.historyCount_ = g_.historyTop_ = g_.moveNumber_ = 0;
  g_.resumePending_ = false;
  g_.passes_.clear();
  g_.repetition_ = false;
}

MoveOutcome Game::PlayComputerMove(const Move& m) {
  Record(m);
  ++moveNumber_;
  MoveOutcome o = PlayMove(s_, m);
  ComputeAttackMaps(s_);
  if (o.kingTaken) {
    RecordKingTaken(s_, o);
    return o;
  }
  o.mate = IsMate(s_, o.mover, AttackedOpponent(s_, o.mover));
  HandOff(s_, m, o);
  return o;
}

std::optional<MoveRecord> Game::StepBack() {
  if (historyCount_ < 1) return std::nullopt;
  const MoveRecord r = history_[historyCount_];
  MoveOutcome o;
  o.captured = r.captured;
  o.mover = r.mover;
  UndoMove(s_, r, o);
  --historyCount_;
  --moveNumber_;
  resumePending_ = true;
  s_.GameOver = false;
  return r;
}

std::optional<MoveRecord> Game::StepForward() {
  if (historyCount_ >= historyTop_) return std::nullopt;
  ++historyCount_;
  const int n = historyCount_;
  const MoveRecord r = history_[n];
  RedoMove(s_, r, r.captured);
  if (n == historyTop_) {
    // The newest record: the seat to move follows the check rule on freshly found kings.
    s_.CurrentSeat = r.mover;
    FindAllKings(s_);
    MoveOutcome o;
    o.mover = r.mover;
    HandOff(s_, r, o);
    // Seats that passed after it pass again.
    for (const PassRecord& p : passes_)
      if (p.after == n) s_.CurrentSeat = NextSeat(p.seat);
  } else {
    s_.CurrentSeat = history_[n + 1].mover;
  }
  ++moveNumber_;
  resumePending_ = true;
  return r;
}

void Game::Rotate() {
  RotatePosition(s_);
  historyCount_ = 0;
  historyTop_ = 0;
  passes_.clear();
  repetition_ = false;
}

void Game::EndByRepetition(int winner) {
  s_.GameOver = true;
  s_.WinnerSeat = winner;
  historyTop_ = historyCount_;
  repetition_ = true;
  repetitionWinner_ = winner;
}

bool Game::Finished() const {
  if (s_.GameOver) return true;
  const int n = historyCount_;
  return n == historyTop_ && (repetition_ || (n > 0 && IsKingCode(history_[n].captured)));
}

Game::Ending Game::EndingOfGame() const {
  Ending e;
  for (int i = 1; i <= historyTop_ && !e.kingMove; ++i)
    if (IsKingCode(history_[i].captured)) e.kingMove = i;
  const bool atEnd = historyCount_ == (e.kingMove ? e.kingMove : historyTop_);
  if (e.kingMove) {
    e.over = true;
    e.kingTaken = true;
    // The model records a computer's capture; a person's is the mover's win.
    e.winner = s_.GameOver && atEnd ? s_.WinnerSeat : history_[e.kingMove].mover;
  } else if (repetition_) {
    e.over = true;
    e.winner = repetitionWinner_;
  } else if (s_.GameOver) {
    e.over = true;
    e.winner = s_.WinnerSeat;
  }
  return e;
}

}  // namespace korvel
