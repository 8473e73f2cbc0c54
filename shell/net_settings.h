// The network game's own settings file, korvel4/network.ini in the user's configuration
// folder (the game's settings file is never touched): what the dialog was given last
// time, and the seat this window may go back to.
#pragma once

#include <QSettings>
#include <QString>
#include <optional>

namespace korvel {

QSettings NetworkSettings();

// A seat taken in a room of another window or server, with the token that proves it. It
// is kept while its game goes on, so that the player who closes the window and starts it
// again can take the seat back and get the game so far.
struct KeptSeat {
  QString address;
  quint16 port = 0;
  QString room;
  int seat = 0;
  QString token;

  bool Matches(const QString& address, quint16 port, const QString& room, int seat) const;
};

// The kept seat; nothing when none is kept or what the file holds is not a valid one.
std::optional<KeptSeat> LoadKeptSeat();
void KeepSeat(const KeptSeat& kept);
void ForgetKeptSeat();

}  // namespace korvel
