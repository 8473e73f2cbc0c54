// The window's network game: 対局 → ネット対局... opens the dialog (shell/net_dialog.*) to
// open a room, this window being the authority, or to join one. The session connects (the
// server of a room this window opens, the client, going back after a lost connection),
// shows the lobby dialog and writes its status line over the picture. It is the presenter's
// Authority (play/authority.h) through the client: while a network game is on, Form1 shows
// the client's copy of the game turned so that this player's army is at the bottom, with
// the players' names beside the armies, and turns presses into intentions sent through
// here; 戻/進/最初/回転 are disabled (they would change the shared game). What the authority announces sounds as in the window's own
// game. A joiner's seat and token are kept in the network settings file while the game
// goes on, so that the window started again goes back to the seat.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "net/client.h"
#include "net/server.h"
#include "play/authority.h"
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
  // This player holds the room's host role (the room's opener, or the one it passed to
  // when the host went): starts, gives missing seats, answers 続けますか？.
  bool RoomHost() const {
    return client_ && client_->Welcomed() && client_->Host() == client_->Seat();
  }
  const net::Client* TheClient() const { return client_.get(); }
  // The words of the status line under the board (empty without a network game).
  QString StatusLine() const;
  QString RoomCode() const { return code_; }
  quint16 Port() const;

  // Before 部屋を作る: a game of the window's own in progress (a move played, not ended) is
  // kept as it stands while the network game is on; the player is asked first (over
  // `parent`). False when the answer was いいえ.
  bool MayHostNow(QWidget* parent);
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
  // After the waiting time, asks whether the missing player's seat goes to the computer.
  void OfferGive(int seat);
  void OnRefused(const net::Refusal& r);
  void OnOver(const QString& text);
  void OnAsk(const QString& text);
  void OnRoomClosed(const QString& text);
  void OnClosed();
  void Redraw();
  void DrawStatus(QPainter& p);
  void SetLocalEntries(bool enabled);
  void KeepOwnSeat();
  void ForgetOwnSeat();
  void TryRejoin();
  QString NameOf(int seat) const;

  // The presenter's Authority through the client; Form1 holds it weakly, so that either may
  // go first.
  class ClientSide;
  MainWindow& window_;
  Form1& form_;
  std::shared_ptr<ClientSide> side_;
  QPointer<QWidget> view_;
  QPointer<NetDialog> dialog_;
  Language dialogLanguage_ = Language::JAPANESE;
  std::unique_ptr<net::Server> server_;
  std::unique_ptr<net::Client> client_;
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
