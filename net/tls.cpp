#include "net/tls.h"

#include <QFile>

#include "io/disk_files.h"

namespace korvel::net {

namespace {

constexpr std::size_t kPemLimit = 1024 * 1024;

std::optional<QByteArray> ReadPem(const QString& path, const char* what, QString* error) {
  const FileRead r = ReadRegularFile(QFile::encodeName(path).toStdString(), kPemLimit);
  QString why;
  switch (r.status) {
    case FileRead::Status::OK:
      return QByteArray::fromStdString(r.bytes);
    case FileRead::Status::MISSING:
      why = QStringLiteral("no such file");
      break;
    case FileRead::Status::NOT_A_FILE:
      why = QStringLiteral("not a regular file");
      break;
    case FileRead::Status::UNREADABLE:
      why = QStringLiteral("cannot be read");
      break;
    case FileRead::Status::TOO_LARGE:
      why = QStringLiteral("larger than 1 MB");
      break;
  }
  *error = QStringLiteral("the %1 file %2: %3").arg(QLatin1String(what), path, why);
  return std::nullopt;
}

}  // namespace

std::optional<QList<QSslCertificate>> ReadCertificates(const QString& path, QString* error) {
  const auto pem = ReadPem(path, "certificate", error);
  if (!pem) return std::nullopt;
  QList<QSslCertificate> certs = QSslCertificate::fromData(*pem, QSsl::Pem);
  certs.removeIf([](const QSslCertificate& c) { return c.isNull(); });
  if (certs.isEmpty()) {
    *error = QStringLiteral("the certificate file %1: no PEM certificate in it").arg(path);
    return std::nullopt;
  }
  return certs;
}

std::optional<QSslKey> ReadPrivateKey(const QString& path, QString* error) {
  const auto pem = ReadPem(path, "key", error);
  if (!pem) return std::nullopt;
  for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
    QSslKey key(*pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
    if (!key.isNull()) return key;
  }
  *error = QStringLiteral(
               "the key file %1: no PEM private key in it (RSA or EC, without a "
               "pass phrase)")
               .arg(path);
  return std::nullopt;
}

}  // namespace korvel::net
