// korvel4-script [FILE]: the headless runner (its commands and output: docs/script-format.md).
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "tools/script/runner.h"
#ifdef KORVEL4_SCRIPT_NET
#include "tools/script/net_script.h"
#endif

#ifdef KORVEL4_SCRIPT_PICTURES
#include <QGuiApplication>

#include "shell/painter_canvas.h"

namespace {

// Starting Qt and its fonts costs more than most scripts take to run, and most never ask
// for a picture. The drawing is therefore written down and only painted, on a real
// off-screen canvas, when the first snapshot is taken; from then on it is painted at once.
class DeferredCanvas : public korvel::Canvas {
 public:
  DeferredCanvas(int& argc, char** argv) : argc_(argc), argv_(argv) {}

  void DrawPicture(korvel::PieceCode code, double x, double y) override {
    if (real_) return real_->DrawPicture(code, x, y);
    // The background tiling starts in its top-left corner and covers the whole window:
    // nothing drawn before it can show any more.
    if (code >= korvel::BG_MIDORI && code <= korvel::BG_RENGA && x == korvel::CellX(-3) &&
        y == korvel::CellY(-2)) {
      ops_.clear();
      ops_.emplace_back(Bold{bold_});
    }
    Record(Picture{code, x, y});
  }
  void FrameRect(int colour, double x, double y, double w, double h) override {
    if (real_) return real_->FrameRect(colour, x, y, w, h);
    Record(Frame{colour, x, y, w, h});
  }
  void SetBold(bool bold) override {
    if (real_) return real_->SetBold(bold);
    bold_ = bold;
    Record(Bold{bold});
  }
  void PrintText(double x, double y, std::string_view text, int colour, int sizePt) override {
    if (real_) return real_->PrintText(x, y, text, colour, sizePt);
    Record(Text{x, y, std::string(text), colour, sizePt});
  }
  void Flush() override {}

  korvel::PainterCanvas& Real() {
    if (!real_) {
      if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      // Standard error carries the script's errors only, not Qt's remarks on its setting.
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (type == QtFatalMsg || type == QtCriticalMsg) std::cerr << msg.toStdString() << "\n";
      });
      app_ = std::make_unique<QGuiApplication>(argc_, argv_);
      real_ = std::make_unique<korvel::PainterCanvas>(1.0);
      for (const Op& op : ops_) std::visit([this](const auto& o) { Replay(o); }, op);
      ops_.clear();
      ops_.shrink_to_fit();
    }
    return *real_;
  }

 private:
  struct Picture {
    korvel::PieceCode code;
    double x, y;
  };
  struct Frame {
    int colour;
    double x, y, w, h;
  };
  struct Bold {
    bool bold;
  };
  struct Text {
    double x, y;
    std::string text;
    int colour, sizePt;
  };
  using Op = std::variant<Picture, Frame, Bold, Text>;

  template <class T>
  void Record(T op) {
    ops_.emplace_back(std::move(op));
    // A script that never repaints the whole window still keeps a bounded record.
    if (ops_.size() > 1'000'000) Real();
  }
  void Replay(const Picture& o) { real_->DrawPicture(o.code, o.x, o.y); }
  void Replay(const Frame& o) { real_->FrameRect(o.colour, o.x, o.y, o.w, o.h); }
  void Replay(const Bold& o) { real_->SetBold(o.bold); }
  void Replay(const Text& o) { real_->PrintText(o.x, o.y, o.text, o.colour, o.sizePt); }

  int& argc_;
  char** argv_;
  bool bold_ = false;
  std::vector<Op> ops_;
  std::unique_ptr<QGuiApplication> app_;
  std::unique_ptr<korvel::PainterCanvas> real_;
};

}  // namespace
#endif

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: korvel4-script [FILE]\n";
    return 2;
  }
  std::ios::sync_with_stdio(false);
  // Qt is given the program name alone: the script file is no option of its.
  korvel::RunnerOptions opts;
#ifdef KORVEL4_SCRIPT_PICTURES
  int qtArgc = 1;
  DeferredCanvas canvas(qtArgc, argv);
  opts.canvas = &canvas;
  opts.snapshot = [&canvas](const std::string& file, bool iconShown, int iconKind, int left,
                            int top) {
    const QImage picture = canvas.Real().WithIcon(
        iconShown, iconKind == 0 ? korvel::TurnIcon::MAN : korvel::TurnIcon::COM, left, top);
    return picture.save(QString::fromLocal8Bit(file.c_str()), "PNG");
  };
#endif
#ifdef KORVEL4_SCRIPT_NET
  opts.join = korvel::RunNetScript;
#endif
  if (argc == 2) {
    // FILE is a regular file: a folder would read as an empty script, and a pipe or a
    // device could hold the runner up before the first line (they go to standard input).
    struct stat st {};
    if (stat(argv[1], &st) != 0) {
      std::cerr << "korvel4-script: cannot read " << argv[1] << ": " << std::strerror(errno)
                << "\n";
      return 2;
    }
    if (S_ISDIR(st.st_mode)) {
      std::cerr << "korvel4-script: " << argv[1] << " is a folder, not a script\n";
      return 2;
    }
    if (!S_ISREG(st.st_mode)) {
      std::cerr << "korvel4-script: " << argv[1]
                << " is not a regular file (a pipe is read from standard input: "
                   "korvel4-script < FILE)\n";
      return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
      std::cerr << "korvel4-script: cannot read " << argv[1] << "\n";
      return 2;
    }
    return korvel::RunScript(in, std::cout, std::cerr, opts);
  }
  return korvel::RunScript(std::cin, std::cout, std::cerr, opts);
}
