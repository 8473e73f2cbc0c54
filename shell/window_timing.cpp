// korvel4-window-timing: prints how long the window takes to show its first picture, how
// long a full repaint of the back buffer takes, and how much memory the window holds.
// With --level4 [ROUNDS]: plays ROUNDS rounds (default 3) of three LEVEL4 computers and a
// fourth computer turn for the person's seat, and prints the longest time the window's event
// loop was kept from running (a timer every 5 ms notes how late it comes).
// Run by hand in a scratch folder (it reads and writes the settings file there), under a
// display or Xvfb, with SDL_AUDIODRIVER=dummy where there is no sound card.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>

#include "shell/program.h"
#include "view/board_drawing.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::string StatusLine(const char* key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) return line;
  return key;
}

// Milliseconds a full repaint takes on a canvas: the best of five averages, since the
// machine is shared and only the least disturbed batch tells the cost.
double RedrawMs(korvel::Canvas& canvas, const korvel::Form1& form, int rounds) {
  double best = 1e9;
  for (int batch = 0; batch < 5; ++batch) {
    const auto t0 = Clock::now();
    for (int i = 0; i < rounds; ++i)
      korvel::RedrawAll(canvas, form.State(), form.Looks().background);
    best = std::min(best, Ms(Clock::now() - t0) / rounds);
  }
  return best;
}

// The longest wait of the event loop while LEVEL4 computers play `rounds` rounds. Every box
// the game shows is answered by its default button after a moment, as a player would.
int Level4Lateness(korvel::Program& program, int rounds) {
  korvel::MainWindow& window = program.Window();
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(5);
  Clock::time_point last = Clock::now();
  double worst = 0, total = 0;
  long ticks = 0;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    const double late = std::max(0.0, Ms(now - last) - 5.0);
    worst = std::max(worst, late);
    if (std::getenv("K4_GAPS") && late > 20) std::fprintf(stderr, "gap %.1f at %.3f\n", late, Ms(now - Clock::time_point{}) / 1000);
    total += late;
    ++ticks;
    last = now;
  });
  QTimer boxes;
  boxes.setInterval(300);
  QObject::connect(&boxes, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      QAbstractButton* b = box->defaultButton();
      if (!b) b = box->buttons().value(0);
      if (b) b->click();
    }
  });
  boxes.start();
  window.Action(QStringLiteral("LEVEL4"))->trigger();
  const auto t0 = Clock::now();
  last = Clock::now();
  ticker.start();
  int turns = 0;
  for (int r = 0; r < rounds && !program.Form().Ended(); ++r) {
    // The person sits fourth: the three computers before that seat play first.
    window.Action(QStringLiteral("JYUNBAN_4"))->trigger();
    turns += 3;
    if (program.Form().Ended() || program.Form().State().GameOver) break;
    // The person's turn, played by the computer's procedure.
    program.Form().PlayComputerTurnForSeatToMove();
    ++turns;
  }
  ticker.stop();
  std::printf("LEVEL4, %d turns in %.1f s: event loop late by at most %.1f ms "
              "(mean %.2f ms over %ld ticks)\n",
              turns, Ms(Clock::now() - t0) / 1000, worst, ticks ? total / ticks : 0.0, ticks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = Clock::now();
  QApplication app(argc, argv);
  const auto appMade = Clock::now();
  korvel::Program program;
  Clock::time_point firstPaint{};
  QObject::connect(program.Window().DrawingArea(), &korvel::BoardView::painted, &app, [&] {
    if (firstPaint != Clock::time_point{}) return;
    firstPaint = Clock::now();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
  });
  const auto windowMade = Clock::now();
  if (!program.Start()) return 1;
  const auto started = Clock::now();
  app.exec();
  if (argc >= 2 && std::string(argv[1]) == "--level4")
    return Level4Lateness(program, argc >= 3 ? std::max(1, std::atoi(argv[2])) : 3);

  // The wall clock at the first frame, for a caller that took the time before starting us:
  // loading the program and its libraries comes before main.
  const auto sinceEpoch =
      std::chrono::system_clock::now().time_since_epoch() -
      std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - firstPaint);
  std::printf("first frame at wall clock:  %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count()));
  std::printf("QApplication made:          %7.1f ms after main\n", Ms(appMade - start));
  std::printf("window and menus made:      %7.1f ms after main\n", Ms(windowMade - start));
  std::printf("loaded (sound, settings):   %7.1f ms after main\n", Ms(started - start));
  std::printf("first frame painted:        %7.1f ms after main\n", Ms(firstPaint - start));
  std::printf("memory after first frame:   %s, %s\n", StatusLine("VmRSS").c_str(),
              StatusLine("VmHWM").c_str());

  korvel::Form1& form = program.Form();
  // A window resized to a ratio not seen before: the pictures are drawn at it first.
  {
    korvel::PainterCanvas canvas(1.0);
    korvel::RedrawAll(canvas, form.State(), form.Looks().background);
    const auto t0 = Clock::now();
    canvas.SetRatio(1.37);
    std::printf("redraw at a new ratio 1.37: %7.1f ms\n", Ms(Clock::now() - t0));
  }
  const int rounds = 100;
  RedrawMs(program.Window().Canvas(), form, 10);  // warm the glyph caches
  std::printf("RedrawAll, ratio 1:         %7.3f ms\n",
              RedrawMs(program.Window().Canvas(), form, rounds));
  for (qreal dpr : {1.5, 2.0}) {
    korvel::PainterCanvas canvas(dpr);
    RedrawMs(canvas, form, 10);
    std::printf("RedrawAll, ratio %.1f:       %7.3f ms\n", dpr, RedrawMs(canvas, form, rounds));
  }
  return 0;
}
