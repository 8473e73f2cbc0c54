// The certificate files of wss://: the server's certificate and private key, and the
// certificates a player trusts besides the system's. Read as any file the program reads:
// only a regular file, bounded in size, never blocking on a pipe.
#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <optional>

namespace korvel::net {

// Every certificate of a PEM file (at least one); empty with the reason in `error`.
std::optional<QList<QSslCertificate>> ReadCertificates(const QString& path, QString* error);
// The private key of a PEM file (RSA or EC, not protected by a pass phrase); empty with the
// reason in `error`.
std::optional<QSslKey> ReadPrivateKey(const QString& path, QString* error);

}  // namespace korvel::net
