// The window's network game: 対局 → ネット対局... opens the dialog (shell/net_dialog.*) to
// open a room, this window being the authority, or to join one. While a network game is
// on, the window shows this player's copy of the game turned so that their own army is at
// the bottom, with the players' names beside the armies and whose turn it is; presses
// become intentions sent to the authority, and 戻/進/最初/回転 are disabled (they would
// change the shared game). What the authority announces sounds as in the window's own
// game. A joiner's seat and token are kept in the network settings file while the game
// goes on, so that the window started again goes back to the seat.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "net/client.h"
#include "net/press_entry.h"
#include "net/server.h"
#include "play/form1.h"

class QPainter;

namespace korvel {

class MainWindow;
class NetDialog;

struct HostSettings {
  QHostAddress listen = QHostAddress::Any;  // where the authority takes connections
  quint16 port = 4650;
  bool person[5] = {false, true, true, true, true};
  int seat = 1;  // the host's own seat
  int level = 3;
  QString name;
};

struct JoinSettings {
  QString address;
  quint16 port = 4650;
  QString code;
  QString name;
  int seat = 1;
};

class NetSession : public QObject {
  Q_OBJECT
 public:
  NetSession(MainWindow& window, Form1& form);
  ~NetSession() override;

  bool Active() const { return client_ != nullptr; }
  bool Hosting() const { return server_ != nullptr; }
  const net::Client* TheClient() const { return client_.get(); }
  QString RoomCode() const { return code_; }
  quint16 Port() const;

  // Opens a room on this window (the authority) and takes the host's seat; false with
  // the reason in `error`.
  bool Host(const HostSettings& s, QString* error);
  // Joins a room of another window or server; with the seat kept for that room (address,
  // port, room code and seat), goes back to it with its token.
  void Join(const JoinSettings& s);
  // The host starts the game.
  void Start();
  // Leaves the network game (the room closes when this window is its authority).
  void Leave();
  // How long a missing player is waited for before the host is asked whether the computer
  // should take the seat (for a room opened after it).
  void SetWaitSeconds(int seconds) { waitSeconds_ = seconds; }
  // Ends the connection abruptly, as a lost network would (the session then reconnects).
  void DropConnection() {
    if (client_) client_->Drop();
  }

 signals:
  // Anything the authority announced (who joined, the game started, a move...), the
  // session left, or the connection changed.
  void changed();
  // The join was answered: `ok`, or the reason.
  void joined(bool ok, const QString& why);

 private:
  void OnWelcome();
  void OnError(const net::ErrorReply& e);
  void OnStart();
  void OnMoved(const net::Turn& turn);
  void OnNotice(const QString& code, const QString& text, int seat);
  void OnRefused(const net::Refusal& r);
  void OnOver(const QString& text);
  void OnAsk(const QString& text);
  void OnRoomClosed(const QString& text);
  void OnClosed();
  void Press(MouseButton button, double x, double y);
  void Redraw();
  void DrawNames(QPainter& p);
  void SetLocalEntries(bool enabled);
  void KeepOwnSeat();
  void ForgetOwnSeat();
  void TryRejoin();
  int Quarters() const;
  QString NameOf(int seat) const;

  MainWindow& window_;
  Form1& form_;
  // The drawing area's own handlers, given back when the session goes.
  QPointer<QWidget> view_;
  std::function<void(MouseButton, int, double, double)> oldPress_;
  std::function<void(QPainter&)> oldOverlay_;
  QPointer<NetDialog> dialog_;
  std::unique_ptr<net::Server> server_;
  std::unique_ptr<net::Client> client_;
  net::PressEntry press_;
  QString code_;
  QUrl url_;
  JoinSettings joined_;
  // Going back to a kept seat: the rejoin sent, not yet answered.
  bool returning_ = false;
  // The last game ended (the next start is another game, as after 続けますか？).
  bool gameEnded_ = false;
  int waitSeconds_ = 60;
  int rejoinTries_ = 0;
  bool leaving_ = false;
};

// Adds ネット対局... to the 対局 menu and the network game to the window.
void InstallNetworkGame(MainWindow& window, Form1& form);

}  // namespace korvel
