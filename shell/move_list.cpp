#include "shell/move_list.h"

#include <QListWidget>

#include "play/game_record.h"
#include "shell/qt_texts.h"

namespace korvel {

MoveList::MoveList(QWidget* parent) : QDockWidget(QText(TextId::MOVE_LIST_TITLE), parent) {
  setObjectName(QStringLiteral("MOVE_LIST"));
  // Shown and hidden from the menu only, where the choice is remembered.
  setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("MOVE_LIST_ROWS"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumWidth(170);
  setWidget(list_);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (onPick) onPick(list_->row(item));
  });
}

void MoveList::Recaption() { setWindowTitle(QText(TextId::MOVE_LIST_TITLE)); }

void MoveList::Show(const Game& game) {
  QStringList rows;
  const int count = game.HistoryCount();
  const int first = game.MoveNumber() - count;
  rows << (game.State().GameStarted ? QText(TextId::MOVE_LIST_START) : QString());
  int i = 0;
  for (const Game::Turn& t : game.Turns()) {
    if (t.pass) continue;
    const MoveRecord& r = t.move;
    rows << QString::number(first + ++i) + QStringLiteral(" ") +
                QString::fromStdString(SeatName(r.mover) + " " + MoveNotation(r));
  }
  if (rows != shown_) {
    list_->clear();
    list_->addItems(rows);
    shown_ = rows;
    current_ = -1;
    ApplyMarks();
  }
  if (current_ != count) {
    for (int i = 0; i < list_->count(); ++i)
      list_->item(i)->setForeground(i > count ? palette().color(QPalette::Disabled, QPalette::Text)
                                              : palette().color(QPalette::Text));
    current_ = count;
  }
  if (list_->currentRow() != count) list_->setCurrentRow(count);
  if (QListWidgetItem* item = list_->item(count)) list_->scrollToItem(item);
}

void MoveList::Mark(const QList<int>& rows) {
  if (rows == marked_) return;
  for (int row : marked_)
    if (QListWidgetItem* item = list_->item(row)) item->setBackground(QBrush());
  marked_ = rows;
  ApplyMarks();
}

void MoveList::ApplyMarks() {
  for (int row : marked_)
    if (QListWidgetItem* item = list_->item(row)) item->setBackground(QColor(255, 205, 205));
}

}  // namespace korvel
