// korvel4: the game in its window.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/install_paths.h"
#include "shell/program.h"
#include "shell/translations.h"

// The installed data folder seen from the installed program; the build sets it from the
// install folders it was configured with.
#ifndef KORVEL4_DATA_FROM_PROGRAM
#define KORVEL4_DATA_FROM_PROGRAM "../share/korvel4"
#endif

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
  // Task bars and window lists show this icon and match the window to its desktop entry.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/korvel4.png")));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.korvel.korvel4"));

  std::vector<std::string> problems;
  const korvel::FilePlaces places =
      korvel::FindFilePlaces(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString(),
                             KORVEL4_DATA_FROM_PROGRAM, &problems);
  for (const std::string& problem : problems)
    std::fprintf(stderr, "korvel4: %s; the options will not be kept\n", problem.c_str());
  if (places.mode == korvel::RunMode::PORTABLE) korvel::EnterProgramFolder();

  korvel::Program program(korvel::DiskFiles(places.config, places.data, places.userData));
  if (!program.Start()) return 0;
  return app.exec();
}
