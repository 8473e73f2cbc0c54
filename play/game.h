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
  void SetStarted(bool started) { s_.GameStarted = started; }
  void SetSeatToMove(int seat) { s_.CurrentSeat = seat; }
  void ResetMoveNumber() { moveNumber_ = 0; }
  // A whole state to go on from (matches, records); the history starts empty.
  void LoadState(const GameState& s);
  // Fixtures for scripts and tests: the board or a hand set directly, without history.
  void SetBoard(const PieceCode board[10][10]);
  void SetHand(int seat, const int counts[4]);

  const SeatController* Controller(int seat) const;
  bool IsPersonSeat(int seat) const;
  bool IsComputerSeat(int seat) const;

  // --- the rules as a person's move meets them ------------------------------------------
  // The moments at which the cached king squares and pawn lines are refreshed.
  void RefreshKings();
  void RefreshPawnLines();
  // Would this move of the seat to move attack its partner's king?
  bool ChecksPartner(const Move& m);

  // --- moves ----------------------------------------------------------------------------
  // A person's move: recorded, played and handed on. With computers in the game the
  // attack tables are rebuilt and the mate test asked before the hand-off. A person who
  // takes a king ends the game for the presenter, but the model keeps GameOver and
  // WinnerSeat as they were: the question that follows starts a new game or ends the
  // program either way.
  MoveOutcome PlayPersonMove(const Move& m);
  // The computer's choice for the seat to move at the game's level. Levels 1-3 search the
  // state itself and refresh caches on their way; level 4 searches a copy within `limits`
  // and then finds the kings afresh, since the hand-off reads them.
  ChosenMove ChooseComputerMove(int seat, const ComputerLimits& limits = {});
  // A computer's move: recorded, played, the attack tables rebuilt; a king taken ends the
  // game (GameOver, WinnerSeat); otherwise the mate test and the hand-off.
  MoveOutcome PlayComputerMove(const Move& m);
  // A computer seat with no move passes the turn on. Where moves were taken back, the pass
  // replaces them, as a move would.
  void Pass(int seat);
  const MoveRecord& LastRecord() const { return history_[historyCount_]; }

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

  int MoveNumber() const { return moveNumber_; }
  int HistoryCount() const { return historyCount_; }
  int HistoryTop() const { return historyTop_; }
  const std::vector<MoveRecord>& History() const { return history_; }  // entry 0 unused

  // After stepping through the history the next press asks before play resumes.
  bool ResumePending() const { return resumePending_; }
  void SetResumePending(bool pending) { resumePending_ = pending; }

  // The passes of the game, each after how many records of the history it came (records).
  struct PassRecord {
    int after;
    int seat;
    bool operator==(const PassRecord&) const = default;
  };
  const std::vector<PassRecord>& Passes() const { return passes_; }
  // The move number a loaded start position carries (records).
  void SetMoveNumber(int n) { moveNumber_ = n; }

  // The game as the computer turns end it (repetition): over, with this winner. The game
  // ends where it stands: moves taken back before it are no longer its future.
  void EndByRepetition(int winner);
  // Whether the game has ended where it stands: over, or standing at its newest move when
  // that move took a king or the game ended by repetition after it (a step back and
  // forward again does not start it again). No move may follow.
  bool Finished() const;
  // How a finished game ended: by a king taken (else by repetition), and the winning seat
  // (NO_SEAT for none). A king-taking move in the history is the end of the game wherever
  // the game stands; `kingMove` is its index in the history (0 for none).
  struct Ending {
    bool over = false;
    bool kingTaken = false;
    int winner = NO_SEAT;
    int kingMove = 0;
  };
  Ending EndingOfGame() const;

 private:
  const MoveRecord& Record(const Move& m);

  GameState s_;
  std::vector<MoveRecord> history_ = std::vector<MoveRecord>(1);
  int historyCount_ = 0;
  int historyTop_ = 0;
  int moveNumber_ = 0;
  bool resumePending_ = false;
  std::vector<PassRecord> passes_;
  // The game ended by repetition after its newest move, with this winner.
  bool repetition_ = false;
  int repetitionWinner_ = NO_SEAT;
};

}  // namespace korvel
