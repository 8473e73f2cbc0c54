#include "net/links.h"

#include <QNetworkInterface>
#include <QUrl>
#include <QUrlQuery>

namespace korvel::net {

QStringList OwnAddresses() {
  QStringList list;
  for (const QHostAddress& a : QNetworkInterface::allAddresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) list << a.toString();
  if (list.isEmpty()) list << QStringLiteral("127.0.0.1");
  return list;
}

QString LinkHost(const QHostAddress& listen) {
  if (listen.isNull() || listen == QHostAddress::Any || listen == QHostAddress::AnyIPv4 ||
      listen == QHostAddress::AnyIPv6)
    return OwnAddresses().first();
  return listen.toString();
}

QString PageLink(const QString& host, quint16 port, bool tls, const QString& code, int seat) {
  QUrl url;
  url.setScheme(tls ? QStringLiteral("https") : QStringLiteral("http"));
  url.setHost(host);  // an IPv6 address is put in brackets
  url.setPort(port);
  url.setPath(QStringLiteral("/"));
  QUrlQuery q;
  q.addQueryItem(QStringLiteral("room"), code);
  if (seat >= 1 && seat <= 4)
    q.addQueryItem(QStringLiteral("seat"), QString::number(seat));
  else if (seat == kWatchLink)
    q.addQueryItem(QStringLiteral("watch"), QStringLiteral("1"));
  url.setQuery(q);
  return url.toString();
}

}  // namespace korvel::net
