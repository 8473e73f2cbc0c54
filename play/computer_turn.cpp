// The computer's turns as the window plays them: search, record, pause, place, hand off.
#include <vector>

#include "ai/search.h"
#include "game/apply_move.h"
#include "game/attack_maps.h"
#include "game/check.h"
#include "play/form1.h"
#include "play/repetition.h"
#include "view/board_drawing.h"

namespace korvel {


void Form1::RunComputerTurns() {
  if (Ended) return;
  auto isHuman = [this](int seat) {
    return seat >= 1 && seat <= 4 && State.PlayerKind[seat] == HUMAN;
  };
  // A computer seat with no kind at all (no game chosen) never plays.
  auto isComputer = [this](int seat) {
    return seat >= 1 && seat <= 4 && State.PlayerKind[seat] == COMPUTER;
  };
  bool done = isHuman(State.CurrentSeat) || !isComputer(State.CurrentSeat);

  // The computer's choice depends only on the position, so a position that comes back
  // within one run would come back for ever: the game ends there by repetition.
  std::vector<PositionKey> seen;
  std::vector<TurnTaken> turns;
  while (!done) {
    const PositionKey key = KeyOf(State);
    for (size_t i = 0; i < seen.size(); ++i) {
      if (!(seen[i] == key)) continue;
      const std::vector<TurnTaken> since(turns.begin() + static_cast<long>(i), turns.end());
      const int winner = RepetitionWinner(since);
      State.GameOver = true;
      State.WinnerSeat = winner;
      if (winner != NO_SEAT) AnnounceWinner(TeamName(winner));
      else EndOfGame("千日手です");
      return;
    }
    seen.push_back(key);

    const int seat = State.CurrentSeat;
    ShowTurnIcon(seat);
    com_ban(seat);
    if (Ended) return;
    turns.push_back({seat, LastTurnGaveCheck});
    ShowTurnIcon(State.CurrentSeat);
    done = State.GameOver || isHuman(State.CurrentSeat) || !isComputer(State.CurrentSeat);
  }
}

void Form1::com_ban(int seat) {
  LastTurnGaveCheck = false;
  if (seat < 1 || seat > 4) return;
  EraseStatusCorner(canvas_, CurrentBackground);
  PrintEdgedAtCell(canvas_, -1.3, 0.2, "思考中", COLOUR_WHITE, 12);
  canvas_.Flush();

  const ChosenMove m = SearchBestMove(State, seat);

  if (!m.found) {
    // No qualifying move at all: the seat passes.
    State.CurrentSeat = NextSeat(seat);
    EraseStatusCorner(canvas_, CurrentBackground);
    ShowLevel(canvas_, State.Level);
    ShowMoveNumber(canvas_, MoveNumber);
    canvas_.Flush();
    host_.ComputerPassed(seat);
    return;
  }

  RecordMove(m.fromX, m.fromY, m.toX, m.toY, m.before, m.placed);
  ++MoveNumber;
  EraseStatusCorner(canvas_, CurrentBackground);
  ShowLevel(canvas_, State.Level);
  ShowMoveNumber(canvas_, MoveNumber);
  const PieceCode taken = State.Board[m.toX][m.toY];
  canvas_.Flush();
  host_.Pause(0.6);
  PlayPlace();
  ApplyMoveAndDraw(m.fromX, m.fromY, m.toX, m.toY, m.placed);
  FrameCell(canvas_, COLOUR_WHITE, m.toX, m.toY);
  ComputeAttackMaps(State);
  const Square anchor = MoveTextAnchor(m.placed);
  ShowMoveText(canvas_, CurrentBackground, anchor.x, anchor.y, m.toX, m.toY, m.placed,
               COLOUR_WHITE);

  if (KingCaptured(State, taken)) {
    State.GameOver = true;
    return;
  }
  if (IsMate(State, seat, AttackedOpponent(State, seat))) dialogs_.Message("詰め ?", "よし！!");
  LastTurnGaveCheck = HandOff(m.toX, m.toY);
}

}  // namespace korvel
