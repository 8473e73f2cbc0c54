// The clocks of the window's own game: made from the time control chosen when a game
// begins, following the seat to move, and ending the game of a seat whose time ran out.
// The model is play/clock.h; the time is the host's (a fake one in the runner and tests).
#include "play/form1.h"

namespace korvel {

void Form1::BeginClocks(bool fresh) {
  if (!fresh) return;
  game_.SetTimeControl(chosenClock_);
  clockTurns_ = -1;
  if (chosenClock_.On()) clocks_.emplace(chosenClock_);
  else clocks_.reset();
}

void Form1::SyncClock() {
  if (!clocks_) return;
  const std::int64_t now = host_.NowMs();
  const GameState& s = game_.State();
  const int seat = s.CurrentSeat;
  const bool runs = s.GameStarted && !s.GameOver && !game_.Finished() && !game_.ResumePending() &&
                    !reviewing_ && !ended_ && seat >= 1 && seat <= 4;
  if (!runs) {
    clocks_->Stop(now);
    return;
  }
  // A new turn (a move or a pass played, even one that gives the same seat the turn again).
  if (clocks_->Running() != seat || clockTurns_ != game_.TurnsPlayed()) {
    clocks_->TurnTo(seat, now);
    clockTurns_ = game_.TurnsPlayed();
  }
}

bool Form1::OutOfTimeWithin(int seat, std::int64_t laterMs) {
  if (!clocks_) return false;
  SyncClock();
  return clocks_->Running() == seat && clocks_->OutOfTime(host_.NowMs() + laterMs) == seat;
}

void Form1::EndOnTime(int seat) {
  const std::int64_t now = host_.NowMs();
  clocks_->Stop(now);
  pieceSelected_ = 0;
  game_.EndByTime(seat);
  canvas_.Flush();  // the clocks are seen stopped under the box that tells the end
}

void Form1::AnnounceTimeUp() {
  const Game::Ending e = game_.EndingOfGame();
  if (e.timeLoser == NO_SEAT || e.winner == NO_SEAT) return;
  static constexpr TextId WORDS[] = {TextId::NONE, TextId::SEAT_WORD_SITA, TextId::SEAT_WORD_HIDARI,
                                     TextId::SEAT_WORD_UE, TextId::SEAT_WORD_MIGI};
  EndOfGame(Fill(TextId::TIME_UP_WINS, {Text(WORDS[e.timeLoser]), TeamName(e.winner)}));
}

void Form1::ClockTick() {
  if (ended_ || !clocks_ || computersPlaying_ > 0) return;
  // The window's own game stands still while a network game is shown instead.
  if (PresentsNetworkGame()) {
    clocks_->Pause(host_.NowMs());
    return;
  }
  clocks_->Resume(host_.NowMs());
  SyncClock();
  const int seat = clocks_->OutOfTime(host_.NowMs());
  if (seat == NO_SEAT) return;
  EndOnTime(seat);
  AnnounceTimeUp();
}

}  // namespace korvel
