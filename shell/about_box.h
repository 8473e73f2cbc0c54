// Form2, the about box: the banner, a button to the home page and one to close it.
#pragma once

#include <QDialog>
#include <QPushButton>

#include "play/ports.h"

namespace korvel {

class Form2 : public QDialog {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);

  QPushButton* Command1() const { return command1_; }
  QPushButton* Command2() const { return command2_; }
  // Shows the box modally; closing it any other way than by ホームページ counts as O K.
  AboutChoice Run();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPushButton* command1_;
  QPushButton* command2_;
};

}  // namespace korvel
