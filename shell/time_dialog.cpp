#include "shell/time_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/qt_texts.h"

namespace korvel {

std::optional<GameTimeControl> AskTimeControl(QWidget* parent, const GameTimeControl& now) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("TimeControl"));
  dialog.setWindowTitle(QText(TextId::TIME_DIALOG_TITLE));
  auto* layout = new QVBoxLayout(&dialog);
  auto* use = new QCheckBox(QText(TextId::TIME_DIALOG_USE), &dialog);
  use->setObjectName(QStringLiteral("use"));
  use->setChecked(now.On());
  layout->addWidget(use);

  auto* table = new QWidget(&dialog);
  auto* grid = new QGridLayout(table);
  grid->addWidget(new QLabel(QText(TextId::TIME_DIALOG_SEAT)), 0, 0);
  grid->addWidget(new QLabel(QText(TextId::TIME_DIALOG_MAIN)), 0, 1);
  grid->addWidget(new QLabel(QText(TextId::TIME_DIALOG_BYOYOMI)), 0, 2);
  // Ten minutes and thirty seconds for everyone unless another choice was made before.
  const GameTimeControl start = now.On() ? now : GameTimeControl::Every({10 * 60 * 1000, 30 * 1000});
  QSpinBox* mains[5]{};
  QSpinBox* byoyomis[5]{};
  for (int seat = 1; seat <= 4; ++seat) {
    grid->addWidget(new QLabel(SeatWordOf(seat)), seat, 0);
    mains[seat] = new QSpinBox(table);
    mains[seat]->setObjectName(QStringLiteral("main%1").arg(seat));
    mains[seat]->setRange(0, static_cast<int>(MAX_MAIN_MS / 60000));
    mains[seat]->setValue(static_cast<int>(start.seat[seat].mainMs / 60000));
    byoyomis[seat] = new QSpinBox(table);
    byoyomis[seat]->setObjectName(QStringLiteral("byoyomi%1").arg(seat));
    byoyomis[seat]->setRange(0, static_cast<int>(MAX_BYOYOMI_MS / 1000));
    byoyomis[seat]->setValue(static_cast<int>(start.seat[seat].byoyomiMs / 1000));
    grid->addWidget(mains[seat], seat, 1);
    grid->addWidget(byoyomis[seat], seat, 2);
  }
  // A change in the first row is everyone's while the rows were alike.
  for (QSpinBox* const* column : {mains, byoyomis}) {
    QObject::connect(column[1], &QSpinBox::valueChanged, &dialog, [column](int v) {
      for (int seat = 2; seat <= 4; ++seat)
        if (column[seat]->property("followsFirst").toBool()) column[seat]->setValue(v);
    });
    for (int seat = 2; seat <= 4; ++seat) {
      column[seat]->setProperty("followsFirst", column[seat]->value() == column[1]->value());
      QObject::connect(column[seat], &QSpinBox::editingFinished, column[seat], [column, seat] {
        column[seat]->setProperty("followsFirst", column[seat]->value() == column[1]->value());
      });
    }
  }
  table->setEnabled(use->isChecked());
  QObject::connect(use, &QCheckBox::toggled, table, &QWidget::setEnabled);
  layout->addWidget(table);
  auto* note = new QLabel(QText(TextId::TIME_DIALOG_NOTE), &dialog);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  GameTimeControl chosen;
  if (!use->isChecked()) return chosen;
  for (int seat = 1; seat <= 4; ++seat)
    chosen.seat[seat] = {mains[seat]->value() * 60000LL, byoyomis[seat]->value() * 1000LL};
  return chosen;
}

}  // namespace korvel
