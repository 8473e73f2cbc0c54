// One game: the position, who plays it, the history and whether it is over. Every move
// enters here, whoever makes it (a press, the computer, a step through the history, a
// script), and the presenter (Form1) shows what the game answers. It does no drawing,
// sound or I/O, so a record file, a deeper search or a remote seat can hold it alone.
#pragma once

#include <optional>
#include <vector>

#include "ai/deep_search.h"
#include "ai/search.h"
#include "game/move.h"
#include "game/play_move.h"
#include "play/clock.h"
#include "play/ports.h"
#include "play/seats.h"

namespace korvel {

// How long the deeper computer may think: its node budget, an optional time cap, a flag
// that stops it at once, and the turns of this computer run (for repetition).
using ComputerLimits = DeepLimits;

class Game {
 public:
  Game();

  const GameState& State() const { return s_; }

  // --- setting up -----------------------------------------------------------------------
  // The model of a new game: no mode, no seat to move, empty hands, the initial position,
  // an empty history. Player kinds and level stay.
  void NewGame();
  // Who plays each seat, and the mode (0 four people, 1 with computers); starts the game.
  void SetSeats(int sita, int hidari, int ue, int migi, int mode);
  void SetLevel(int level) { s_.Level = level; }
  // The game's time control (play/clock.h), off unless set; the record notes it. Kept, as
  // the level is, until it is set again.
  void SetTimeControl(const GameTimeControl& control) { timeControl_ = control; }
  const GameTimeControl& TimeControlOf() const { return timeControl_; }

  // Everything that sets the game directly, past the rules: the runner's `set` commands,
  // the tests, a record's start, the menus that start or stop play, the network replay's
  // seat to move. Reached only through Game::Fix(), so that every such write says so.
  class Fixture;
  Fixture Fix();
  const SeatController* Controller(int seat) const;
  bool IsPersonSeat(int seat) const;
  bool IsComputerSeat(int seat) const;

  // --- the rules: the door every move passes ------------------------------------------
  // The moments at which the cached king squares and pawn lines are refreshed outside a
  // move: the kings before a network computer's move and a record's move, the pawn lines
  // when a hand cell is pressed (and the network's and a record's stand-ins for it).
  void RefreshKings();
  void RefreshPawnLines();

  // May `seat` move now? NOT_STARTED, GAME_OVER (Finished), NOT_YOUR_TURN, or NONE.
  Refusal MayMove(int seat) const;
  // The seat may move now, but the door accepts none of its board moves and drops (the
  // rules of LegalMoves, on the caches found afresh as a press finds them): it can only
  // pass, a person as a computer does.
  bool MustPass(int seat) const;
  // The rules' answer for a move of `seat`, as a person's move meets them: MayMove, then
  // MoveRefusal (game/play_move.h) on the game's caches as they stand; the king squares
  // are found afresh once the piece's own move passed, before the partner test.
  Refusal Check(int seat, const Move& m, Owner owner = Owner::WITH_MOVE);

  // The two kinds of move differ on purpose, and only here. A person's move is checked as
  // above; recorded, played and handed on; with computers in the game the attack tables
  // are rebuilt and the mate test asked before the hand-off. A person who takes a king
  // ends the game for the presenter, but the model keeps GameOver and WinnerSeat as they
  // were: the question that follows starts a new game or ends the program either way.
  // A computer's move is its search's choice, which follows the search's own rules: the
  // door only asks that it is the seat's turn. It is recorded, played, the attack tables
  // rebuilt; a king taken ends the game (GameOver, WinnerSeat); otherwise the mate test and
  // the hand-off.
  enum class Mover { PERSON, COMPUTER };
  struct Played {
    Refusal refusal = Refusal::NONE;  // NONE: played, and `outcome` says what happened
    MoveOutcome outcome;
  };
  Played Play(int seat, const Move& m, Mover who, Owner owner = Owner::WITH_MOVE);
  // The computer's choice for the seat to move at the game's level. Levels 1-3 search the
  // state itself and refresh caches on their way; level 4 searches a copy within `limits`
  // and then finds the kings afresh, since the hand-off reads them.
  ChosenMove ChooseComputerMove(int seat, const ComputerLimits& limits = {});
  // The seat to move passes the turn on (NOT_YOUR_TURN for another seat, and nothing
  // changes). Where moves were taken back, the pass replaces them, as a move would.
  Refusal Pass(int seat, Mover who = Mover::PERSON);
  // The move the game stands after (an empty record before the first).
  const MoveRecord& LastRecord() const;

  // --- the history ----------------------------------------------------------------------
  // One move back (nothing when there is none): the position before it, that seat to
  // move; the game is no longer over.
  std::optional<MoveRecord> StepBack();
  // One move forward again (nothing at the newest): at the newest the seat to move follows
  // the check rule on freshly found kings, else it is the next record's mover.
  std::optional<MoveRecord> StepForward();
  // The whole position a quarter turn: every army moves to the next seat and is recoded;
  // the history is dropped.
  void Rotate();

  // The one list of the game's turns, in the order they were played: every move and pass
  // up to the newest, those taken back included. A pass is no step of 戻/進: the game
  // stands after `count` moves and every pass that followed the last of them.
  struct Turn {
    int seat = NO_SEAT;
    bool pass = false;
    Mover by = Mover::PERSON;  // which door played it
    MoveRecord move;           // a move's record (its mover is `seat`); empty for a pass
    // The seat to move after it, NO_SEAT when it took a king (a network replay sets the
    // authority's, Fixture::FollowSeatToMove).
    int next = NO_SEAT;
  };
  const std::vector<Turn>& Turns() const { return turns_; }
  // How many turns of the list the game stands after.
  int TurnsPlayed() const { return played_; }

  int MoveNumber() const { return moveNumber_; }
  // The moves of the list the game stands after, and all the moves of the list.
  int HistoryCount() const { return historyCount_; }
  int HistoryTop() const { return historyTop_; }

  // After stepping through the history the next press asks before play resumes.
  bool ResumePending() const { return resumePending_; }
  // The press that asked has been answered: play resumes.
  void Resume() { resumePending_ = false; }

  // The game as the computer turns end it (repetition): over, with this winner. The game
  // ends where it stands: moves taken back before it are no longer its future.
  void EndByRepetition(int winner);
  // The game as a clock ends it: `loser`'s time ran out where the game stands, and the
  // other team wins (the winner named is the seat after the loser). Otherwise as above.
  void EndByTime(int loser);
  // Whether the game has ended where it stands: over, or standing at its newest move when
  // that move took a king or the game ended by repetition after it (a step back and
  // forward again does not start it again). No move may follow.
  bool Finished() const;
  // How a finished game ended: by a king taken (else by repetition), and the winning seat
  // (NO_SEAT for none). A king-taking move in the history is the end of the game wherever
  // the game stands; `kingMove` is its number among the moves of the list (0 for none).
  struct Ending {
    bool over = false;
    bool kingTaken = false;
    int winner = NO_SEAT;
    int kingMove = 0;
    // The seat whose time ran out, when that ended the game (NO_SEAT otherwise).
    int timeLoser = NO_SEAT;
  };
  Ending EndingOfGame() const;

 private:
  friend class Fixture;
  // A new turn where the game stands: the turns after it are no longer its future.
  Turn& Append(int seat, bool pass, Mover who);
  void ClearTurns();
  Turn& RecordMove(const Move& m, Mover who);
  // The seat to move after the newest turn, kept with it.
  void NoteNext(const MoveOutcome& o);
  MoveOutcome PlayPersonMove(const Move& m);
  MoveOutcome PlayComputerMove(const Move& m);

  GameState s_;
  std::vector<Turn> turns_;
  int played_ = 0;  // the turns the game stands after
  int historyCount_ = 0;
  int historyTop_ = 0;
  int moveNumber_ = 0;
  bool resumePending_ = false;
  // The game ended by repetition after its newest move, with this winner.
  bool repetition_ = false;
  int repetitionWinner_ = NO_SEAT;
  // The game ended after its newest move because this seat's time ran out.
  int timeLoser_ = NO_SEAT;
  GameTimeControl timeControl_;
};

// For scripts, tests and replays only: sets the game directly, past the rules and the
// history. Production code reaches it where a value is not a move: a record's start and
// move number, a new game's first seat and started flag, the network replay's seat to
// move as the authority found it, a menu's end of resuming, the end by repetition.
class Game::Fixture {
 public:
  explicit Fixture(Game& g) : g_(g) {}
  // The board (the kings found afresh) or one seat's hand counts (slots 1..4).
  void SetBoard(const PieceCode board[10][10]);
  void SetHand(int seat, const int counts[4]);
  void SetSeatToMove(int seat) { g_.s_.CurrentSeat = seat; }
  // The network replay: the seat to move after the newest turn as the authority found it,
  // kept with the turn.
  void FollowSeatToMove(int seat);
  void SetStarted(bool started) { g_.s_.GameStarted = started; }
  void SetMoveNumber(int n) { g_.moveNumber_ = n; }
  void ResetMoveNumber() { g_.moveNumber_ = 0; }
  void SetResumePending(bool pending) { g_.resumePending_ = pending; }
  // A whole state to go on from (matches, records); the history starts empty.
  void LoadState(const GameState& s);

 private:
  Game& g_;
};

inline Game::Fixture Game::Fix() { return Fixture(*this); }

}  // namespace korvel
