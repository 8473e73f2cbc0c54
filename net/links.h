// The links that open the game page on a room (served by the authority on its own port):
// one per person's seat and one to watch, for the server's log and the host's dialog.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace korvel::net {

// The addresses others may use to reach this machine (IPv4, not the loopback), or
// 127.0.0.1 when there is none.
QStringList OwnAddresses();
// The host a link names for a server listening on `listen`: that address when it is one,
// else this machine's first address (OwnAddresses).
QString LinkHost(const QHostAddress& listen);
// http(s)://HOST:PORT/?room=CODE&seat=N for a seat 1..4, with kWatchLink ?room=CODE&watch=1,
// with kRoomLink ?room=CODE alone (the page offers the free seats and watching).
inline constexpr int kWatchLink = 0;
inline constexpr int kRoomLink = -1;
QString PageLink(const QString& host, quint16 port, bool tls, const QString& code, int seat);

}  // namespace korvel::net
