// korvel4-window-timing: prints how long the window takes to show its first picture, how
// long a full repaint of the back buffer takes, and how much memory the window holds.
// Run by hand in a scratch folder (it reads and writes the settings file there), under a
// display or Xvfb, with SDL_AUDIODRIVER=dummy where there is no sound card.
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
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
