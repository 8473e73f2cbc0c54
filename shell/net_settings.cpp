#include "shell/net_settings.h"

#include <QJsonObject>

#include "net/protocol.h"

namespace korvel {

namespace {
constexpr const char* kGroup = "return";
}  // namespace

QSettings NetworkSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("korvel4"),
                   QStringLiteral("network"));
}

bool KeptSeat::Matches(const QString& a, quint16 p, const QString& r, int s) const {
  return address.compare(a, Qt::CaseInsensitive) == 0 && port == p && room == r && seat == s;
}

std::optional<KeptSeat> LoadKeptSeat() {
  QSettings st = NetworkSettings();
  st.beginGroup(kGroup);
  const QJsonObject o{{"address", st.value("address").toString()},
                      {"port", st.value("port").toInt()},
                      {"room", st.value("room").toString()},
                      {"seat", st.value("seat").toInt()},
                      {"token", st.value("token").toString()}};
  // The file is the user's to edit: a seat is used only when every part of it is valid.
  const auto port = net::IntField(o, "port", 1, 65535);
  const auto room = net::CodeField(o, "room");
  const auto seat = net::SeatField(o, "seat");
  const auto token = net::TokenField(o, "token");
  const QString address = o.value("address").toString().trimmed();
  if (address.isEmpty() || !port || !room || !seat || !token) return std::nullopt;
  return KeptSeat{address, static_cast<quint16>(*port), *room, *seat, *token};
}

void KeepSeat(const KeptSeat& kept) {
  QSettings st = NetworkSettings();
  st.beginGroup(kGroup);
  st.setValue("address", kept.address);
  st.setValue("port", kept.port);
  st.setValue("room", kept.room);
  st.setValue("seat", kept.seat);
  st.setValue("token", kept.token);
}

void ForgetKeptSeat() {
  QSettings st = NetworkSettings();
  st.remove(kGroup);
}

}  // namespace korvel
