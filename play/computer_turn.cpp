// The computer's turns as the window plays them: search, record, pause, place, hand off.
// A person's seat whose every move the rules refuse (the partner's king in the line of the
// seat's own rook, the rook held in that line) takes its turn the same way: it passes, with
// a notice, as part of the run.
// A turn is two halves around the search: the caption is shown, the seat's controller
// chooses, and the chosen move is played and shown when it is ready, so that a search
// could run apart from the window without changing what is shown. A request to end that
// arrives while a turn waits (RequestEnd) stops the run at the next step.
#include <optional>
#include <vector>

#include "play/computer_run.h"
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

void Form1::RunComputerTurns() {
  if (ended_) return;
  // A seat nobody plays (no game chosen) never moves by itself either, nor does any seat
  // of a game that has ended.
  bool done = !TakesTurnByItself(game_.State().CurrentSeat) || game_.Finished();

  // Each run of the window's computers begins afresh: a person moved, or a game began or
  // went on.
  ComputerRun run;
  deepHistory_ = &run.History();
  struct Forget {
    const std::vector<DeepPastTurn>*& history;
    ~Forget() { history = nullptr; }
  } forget{deepHistory_};
  while (!done) {
    if (endRequested_) {
      EndProgram();
      return;
    }
    const ComputerRun::Step step = run.Before(game_.State());
    if (step.repeated) {
      game_.EndByRepetition(step.winner);
      if (step.winner != NO_SEAT) AnnounceWinner(TeamName(step.winner));
      else EndOfGame(Text(TextId::REPETITION_END));
      return;
    }

    ShowTurnIcon(step.seat);
    SyncClock();
    const std::optional<MoveOutcome> played =
        game_.IsComputerSeat(step.seat) ? com_ban(step.seat) : PassWithoutMove(step.seat);
    if (ended_) return;
    if (endRequested_) {
      EndProgram();
      return;
    }
    // The seat's time ran out before its move could be played.
    if (clocks_ && game_.State().GameOver && game_.EndingOfGame().timeLoser != NO_SEAT) {
      AnnounceTimeUp();
      return;
    }
    run.After(step, played ? &*played : nullptr);
    ShowTurnIcon(game_.State().CurrentSeat);
    done = game_.State().GameOver || !TakesTurnByItself(game_.State().CurrentSeat);
  }
  SyncClock();
}

bool Form1::TakesTurnByItself(int seat) const {
  return game_.IsComputerSeat(seat) || (game_.IsPersonSeat(seat) && game_.MustPass(seat));
}

std::optional<MoveOutcome> Form1::PassWithoutMove(int seat) {
  game_.Pass(seat, Game::Mover::PERSON);
  host_.SeatPassed(seat);
  dialogs_.Message(Text(TextId::TITLE_PASS), Fill(TextId::NO_MOVE_PASS, {Text(SeatWordId(seat))}));
  return std::nullopt;
}

std::optional<MoveOutcome> Form1::com_ban(int seat) {
  if (seat < 1 || seat > 4 || endRequested_) return std::nullopt;
  struct Playing {
    int& count;
    explicit Playing(int& c) : count(c) { ++count; }
    ~Playing() { --count; }
  } playing(computersPlaying_);
  EraseStatusCorner(canvas_, currentBackground_);
  PrintEdgedAtCell(canvas_, -1.3, 0.2, Text(TextId::THINKING), COLOUR_WHITE, 12);
  canvas_.Flush();

  // The deeper computer thinks apart from the window; the pause before its move is shown
  // counts from the start of its thinking.
  ChosenMove m;
  double thought = 0;
  if (game_.State().Level == 4) {
    ComputerLimits limits;
    limits.history = deepHistory_;
    thought = host_.Think([&](const std::atomic<bool>& stop) {
      limits.stop = &stop;
      m = game_.ChooseComputerMove(seat, limits);
    });
    // Thinking cut short by the end is no choice of this level: nothing is played, and the
    // game is kept with this seat to move.
    if (endRequested_) return std::nullopt;
  } else {
    m = game_.ChooseComputerMove(seat);
  }

  const GameState& state = game_.State();
  // The computer's clock runs through its search and the pause before its move is shown.
  const double pause = thought < 0.6 ? 0.6 - thought : 0.0;
  if (OutOfTimeWithin(seat, m.found ? static_cast<std::int64_t>(pause * 1000) : 0)) {
    EndOnTime(seat);
    return std::nullopt;
  }
  if (!m.found) {
    // No qualifying move at all: the seat passes.
    game_.Pass(seat);
    SyncClock();
    EraseStatusCorner(canvas_, currentBackground_);
    ShowLevel(canvas_, state.Level);
    ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
    canvas_.Flush();
    host_.SeatPassed(seat);
    return std::nullopt;
  }

  EraseStatusCorner(canvas_, currentBackground_);
  ShowLevel(canvas_, state.Level);
  ShowMoveNumber(canvas_, game_.MoveNumber() + 1, WordsOfBoard());
  canvas_.Flush();
  // The move is recorded (and reported) before the pause, played after it.
  const MoveOutcome o = game_.Play(seat, m, Game::Mover::COMPUTER).outcome;
  ReportRecorded();
  host_.Pause(pause);
  SyncClock();
  if (endRequested_) return o;  // played and recorded; the program ends without showing it
  PlayPlace();
  DrawMovePlayed(m, o);
  FrameCell(canvas_, COLOUR_WHITE, m.toX, m.toY);
  const Square anchor = MoveTextAnchor(m.placed);
  ShowMoveText(canvas_, currentBackground_, anchor.x, anchor.y, m.toX, m.toY, m.placed,
               COLOUR_WHITE, WordsOfBoard());

  if (o.kingTaken) return o;
  if (o.mate) dialogs_.Message(Text(TextId::TITLE_MATE), Text(TextId::MATE));
  if (endRequested_) return o;
  ShowHandOff(o);
  return o;
}

}  // namespace korvel
