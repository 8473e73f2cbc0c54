// A player's end of the network game: one WebSocket to the authority, the intentions it
// sends, and a copy of the game kept by playing every turn the authority announces with
// the same rules. The copy is what a window shows, and what stays when the authority goes.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "net/game_record.h"
#include "play/game.h"

class QWebSocket;

namespace korvel::net {

class Client : public QObject {
 public:
  explicit Client(QObject* parent = nullptr);
  ~Client() override;

  // Opens the connection (ws:// or wss://); `onOpen` runs when it is up.
  void Open(const QUrl& url);
  // For wss://: the certificates in this PEM file are trusted besides the system's (a
  // server's own self-signed certificate). False with the reason when the file cannot be
  // used.
  bool TrustCertificates(const QString& pemFile, QString* error);
  // Why the connection failed or was lost (a refused connection, a certificate that is not
  // trusted); empty when nothing went wrong.
  const QString& ConnectionError() const { return connectionError_; }
  bool IsOpen() const;
  // Ends the connection abruptly, as a lost network would (no closing handshake).
  void Drop();
  void Close();

  // --- intentions -----------------------------------------------------------------------
  void Hello(const QString& room, const QString& name, int seat);
  void Create(const QString& name, int seat, const std::vector<int>& people, int level);
  void Rejoin();  // the room, seat and token of the last welcome
  // A seat taken by an earlier connection (a window started again), with its token.
  void Rejoin(const QString& room, int seat, const QString& token);
  void SendMove(const Move& m);
  void Start();
  void Again(bool yes);
  void Give(int seat);
  void SendText(const QString& text);  // anything at all (tests)

  // --- what the authority said ----------------------------------------------------------
  const Game& TheGame() const { return game_; }
  const std::vector<Turn>& Turns() const { return turns_; }
  const QString& Room() const { return room_; }
  const QString& Token() const { return token_; }
  int Seat() const { return seat_; }
  int Host() const { return host_; }
  bool Welcomed() const { return welcomed_; }
  bool Started() const { return started_; }
  bool Over() const { return over_; }
  bool Closed() const { return closed_; }
  int Winner() const { return winner_; }
  bool Asked() const { return asked_; }
  bool MyTurn() const;
  // The authority announced something the copy could not follow.
  bool Desynced() const { return desynced_; }
  QJsonArray SeatsJson() const { return seats_; }
  const QStringList& Notices() const { return notices_; }
  const std::vector<QJsonObject>& Refusals() const { return refusals_; }
  const std::vector<QJsonObject>& Errors() const { return errors_; }
  void ClearAsked() { asked_ = false; }
  // The game so far as a game record (.k4k text), kept when the authority goes.
  std::string Record() const;

  std::function<void()> onOpen;
  std::function<void()> onClosed;
  // Every message after the copy has taken it in.
  std::function<void(const QJsonObject&)> onMessage;

 private:
  void OnText(const QString& text);
  void Send(const QJsonObject& msg);
  void TakeSeats(const QJsonArray& seats);
  void NewCopy();

  QWebSocket* ws_;
  Game game_;
  std::vector<Turn> turns_;
  bool person_[5] = {};
  QString names_[5];
  QJsonArray seats_;
  int level_ = 3;
  std::string startedAt_;  // the local date and time the first move arrived
  QString room_, token_;
  int seat_ = 0, host_ = 0, winner_ = 0;
  bool welcomed_ = false, started_ = false, over_ = false, closed_ = false, asked_ = false;
  bool desynced_ = false;
  QStringList notices_;
  std::vector<QJsonObject> refusals_, errors_;
  QString connectionError_;
};

}  // namespace korvel::net
