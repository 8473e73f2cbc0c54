// The shell tests run inside one application object, on the off-screen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The off-screen platform remarks on every fixed-size window; nothing to see there.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (!msg.contains(QLatin1String("propagateSizeHints")))
      fprintf(stderr, "%s\n", qPrintable(msg));
    if (type == QtFatalMsg) abort();
  });
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
