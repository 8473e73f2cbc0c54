// The network game's dialog: 部屋を作る (this window is the authority: the port, who plays
// each seat, the level; then the room code and addresses to pass on, who has joined, and
// 開始) or 参加する (address, port, room code, name, seat). What was entered is kept in
// the user's configuration folder (korvel4/network.ini) for the next time, and with it a
// joined seat whose game goes on: 参加する then offers to go back to it (席に戻る).
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace korvel {

class NetSession;

class NetDialog : public QDialog {
 public:
  NetDialog(QWidget* parent, NetSession& session);

 private:
  void OpenRoom();
  void JoinRoom();
  void Refresh();
  void Save(const QString& name) const;
  void ShowKeptSeat();
  void showEvent(QShowEvent* event) override;

  NetSession& session_;
  // 部屋を作る
  QLineEdit* hostName_;
  QSpinBox* hostPort_;
  QComboBox* hostSeat_;
  QCheckBox* person_[5] = {};
  QComboBox* level_;
  QPushButton* open_;
  QLabel* roomInfo_;
  QLabel* seats_;
  QPushButton* start_;
  // 参加する
  QLineEdit* address_;
  QSpinBox* joinPort_;
  QLineEdit* code_;
  QLineEdit* joinName_;
  QComboBox* joinSeat_;
  QPushButton* join_;
  QLabel* joinInfo_;
  bool keptShown_ = false;  // joinInfo_ offers the kept seat
};

}  // namespace korvel
