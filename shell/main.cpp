// korvel4: the game in its window.
#include <QApplication>
#include <vector>

#include "shell/program.h"
#include "shell/translations.h"

int main(int argc, char** argv) {
  // A message box titled "" must show an empty title. Qt puts the application's name in
  // an empty title, and takes that name from the first argument: so Qt is given an empty
  // one (it finds the program's folder by itself).
  static char noName[] = "";
  std::vector<char*> args(argv, argv + argc);
  if (!args.empty()) args[0] = noName;
  args.push_back(nullptr);
  int qtArgc = argc;
  QApplication app(qtArgc, args.data());
  korvel::InstallQtTranslations(app);
  korvel::EnterProgramFolder();
  korvel::Program program;
  if (!program.Start()) return 0;
  return app.exec();
}
