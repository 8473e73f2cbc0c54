// The move list (棋譜ウィンドウ): a dock beside the board listing every move of the history
// as the record writes it, the current one selected and kept in view. A click on a row
// asks for the history to be stepped to it.
#pragma once

#include <QDockWidget>
#include <QStringList>
#include <functional>

#include "play/game.h"

class QListWidget;

namespace korvel {

class MoveList : public QDockWidget {
  Q_OBJECT
 public:
  explicit MoveList(QWidget* parent);

  // Shows the game's history: row 0 the start, row N the position after the N-th move of
  // the history; rows past the current one are moves taken back.
  void Show(const Game& game);
  // Rows marked with a red tint (棋譜解析's costliest moves: row N is the N-th move); none
  // clears them. Kept until marked again.
  void Mark(const QList<int>& rows);
  const QList<int>& Marked() const { return marked_; }
  // Told the row clicked: the number of moves of the history to stand at.
  std::function<void(int count)> onPick;
  // The title in the window's language (the rows follow at the next Show).
  void Recaption();
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
  void ApplyMarks();

  QStringList shown_;
  int current_ = -1;
  QList<int> marked_;
};

}  // namespace korvel
