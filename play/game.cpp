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
  ClearTurns();
  moveNumber_ = 0;
  repetition_ = false;
  timeLoser_ = NO_SEAT;
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

bool Game::MustPass(int seat) const {
  return MayMove(seat) == Refusal::NONE && LegalMoves(s_).empty();
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
  } else {
    p.refusal = Check(seat, m, owner);
    if (p.refusal == Refusal::NONE) p.outcome = PlayPersonMove(m);
  }
  if (p.refusal == Refusal::NONE) NoteNext(p.outcome);
  return p;
}

// The move joins the list before it is played: its capture and mover are read from the
// position it is played on.
Game::Turn& Game::RecordMove(const Move& m, Mover who) {
  Turn& t = Append(s_.CurrentSeat, false, who);
  static_cast<Move&>(t.move) = m;
  t.move.captured = OnBoard(m.toX, m.toY) ? s_.Board[m.toX][m.toY] : EMPTY;
  t.move.mover = s_.CurrentSeat;
  historyCount_ = ++historyTop_;
  return t;
}

void Game::NoteNext(const MoveOutcome& o) {
  turns_[played_ - 1].next = o.kingTaken ? NO_SEAT : s_.CurrentSeat;
}

void Game::ClearTurns() {
  turns_.clear();
  played_ = historyCount_ = historyTop_ = 0;
}

Game::Turn& Game::Append(int seat, bool pass, Mover who) {
  // The list grows with the game: no turn is ever refused for lack of room.
  turns_.resize(static_cast<size_t>(played_));
  historyTop_ = historyCount_;
  Turn& t = turns_.emplace_back();
  t.seat = seat;
  t.pass = pass;
  t.by = who;
  played_ = static_cast<int>(turns_.size());
  repetition_ = false;
  timeLoser_ = NO_SEAT;
  return t;
}

Refusal Game::Pass(int seat, Mover who) {
  if (seat != s_.CurrentSeat) return Refusal::NOT_YOUR_TURN;
  s_.CurrentSeat = NextSeat(seat);
  Append(seat, true, who).next = s_.CurrentSeat;
  return Refusal::NONE;
}

const MoveRecord& Game::LastRecord() const {
  static const MoveRecord none{};
  for (int i = played_ - 1; i >= 0 && historyCount_ > 0; --i)
    if (!turns_[i].pass) return turns_[i].move;
  return none;
}

void Game::Fixture::FollowSeatToMove(int seat) {
  g_.s_.CurrentSeat = seat;
  if (g_.played_ > 0) g_.turns_[g_.played_ - 1].next = seat;
}

MoveOutcome Game::PlayPersonMove(const Move& m) {
  ++moveNumber_;
  RecordMove(m, Mover::PERSON);
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
  g_.ClearTurns();
  g_.moveNumber_ = 0;
  g_.resumePending_ = false;
  g_.repetition_ = false;
  g_.timeLoser_ = NO_SEAT;
}

MoveOutcome Game::PlayComputerMove(const Move& m) {
  RecordMove(m, Mover::COMPUTER);
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
  // The passes that followed the move go back with it.
  int i = played_ - 1;
  while (turns_[i].pass) --i;
  const MoveRecord r = turns_[i].move;
  played_ = i;
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
  const MoveRecord r = turns_[played_++].move;
  // The passes that followed it come again with it.
  const int passesFrom = played_;
  while (played_ < static_cast<int>(turns_.size()) && turns_[played_].pass) ++played_;
  RedoMove(s_, r, r.captured);
  if (n == historyTop_) {
    // The newest record: the seat to move follows the check rule on freshly found kings.
    s_.CurrentSeat = r.mover;
    FindAllKings(s_);
    MoveOutcome o;
    o.mover = r.mover;
    HandOff(s_, r, o);
    // Seats that passed after it pass again.
    for (int i = passesFrom; i < played_; ++i) s_.CurrentSeat = NextSeat(turns_[i].seat);
  } else {
    s_.CurrentSeat = turns_[played_].move.mover;
  }
  ++moveNumber_;
  resumePending_ = true;
  return r;
}

void Game::Rotate() {
  RotatePosition(s_);
  ClearTurns();
  repetition_ = false;
  timeLoser_ = NO_SEAT;
}

void Game::EndByRepetition(int winner) {
  s_.GameOver = true;
  s_.WinnerSeat = winner;
  turns_.resize(static_cast<size_t>(played_));
  historyTop_ = historyCount_;
  repetition_ = true;
  repetitionWinner_ = winner;
  timeLoser_ = NO_SEAT;
}

void Game::EndByTime(int loser) {
  EndByRepetition(loser >= 1 && loser <= 4 ? loser % 4 + 1 : NO_SEAT);
  timeLoser_ = loser;
}

bool Game::Finished() const {
  if (s_.GameOver) return true;
  const int n = historyCount_;
  return n == historyTop_ && (repetition_ || (n > 0 && IsKingCode(LastRecord().captured)));
}

Game::Ending Game::EndingOfGame() const {
  Ending e;
  const MoveRecord* king = nullptr;
  int moves = 0;
  for (const Turn& t : turns_) {
    if (t.pass) continue;
    ++moves;
    if (IsKingCode(t.move.captured)) {
      e.kingMove = moves;
      king = &t.move;
      break;
    }
  }
  const bool atEnd = historyCount_ == (e.kingMove ? e.kingMove : historyTop_);
  if (e.kingMove) {
    e.over = true;
    e.kingTaken = true;
    // The model records a computer's capture; a person's is the mover's win.
    e.winner = s_.GameOver && atEnd ? s_.WinnerSeat : king->mover;
  } else if (repetition_) {
    e.over = true;
    e.winner = repetitionWinner_;
    e.timeLoser = timeLoser_;
  } else if (s_.GameOver) {
    e.over = true;
    e.winner = s_.WinnerSeat;
  }
  return e;
}

}  // namespace korvel
