#include "shell/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace korvel {

namespace {
QPointer<QTranslator> installed;
}  // namespace

bool InstallQtTranslations(QCoreApplication& app) {
  // The window is Japanese whatever the desktop's language: so are Qt's own buttons.
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  auto* translator = new QTranslator(&app);
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), dir)) {
    delete translator;
    return false;
  }
  installed = translator;
  return QCoreApplication::installTranslator(translator);
}

void UseQtTranslations(bool japanese) {
  if (!installed) return;
  if (japanese)
    QCoreApplication::installTranslator(installed);
  else
    QCoreApplication::removeTranslator(installed);
}

}  // namespace korvel
