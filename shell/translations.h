// Qt's own Japanese texts for its standard buttons and dialogs (はい / いいえ, the file
// dialogs), from the translations Debian installs with Qt.
#pragma once

class QCoreApplication;

namespace korvel {

// Installs Qt's Japanese translation on the application; false when it is not installed
// (the buttons then keep Qt's built-in English).
bool InstallQtTranslations(QCoreApplication& app);
// Qt's buttons follow the window's language: the Japanese translation installed above is
// put back (true) or taken away (false, Qt's built-in English).
void UseQtTranslations(bool japanese);

}  // namespace korvel
