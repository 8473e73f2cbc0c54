#include "shell/program.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <utility>

#include "shell/study.h"

#ifdef KORVEL4_NET
#include "shell/net_session.h"
#endif

namespace korvel {

namespace {

qreal ScreenRatio() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->devicePixelRatio() : 1.0;
}

}  // namespace

Program::Program(DiskFiles files)
    : window_(ScreenRatio()),
      dialogs_(&window_),
      host_(&window_),
      files_(std::move(files)),
      form_(window_.Canvas(), dialogs_, sound_, window_.Icons(), host_, files_) {
  window_.Attach(form_);
  ConnectThinking(window_, host_);
  InstallStudy(window_);
  // The program ends when the application object ends it.
  QObject::connect(&window_, &MainWindow::ended, &window_, [] { QCoreApplication::exit(0); });
#ifdef KORVEL4_NET
  InstallNetworkGame(window_, form_);
#endif
}

bool Program::Start() {
  if (!window_.Load()) return false;
  // The window opens in the top-left corner of the screen.
  window_.move(0, 0);
  window_.show();
  return true;
}

void EnterProgramFolder() {
  const QByteArray dir = QCoreApplication::applicationDirPath().toLocal8Bit();
  if (!dir.isEmpty() && chdir(dir.constData()) != 0) {
    // Staying where we were started is the best that can be done.
  }
}

}  // namespace korvel
