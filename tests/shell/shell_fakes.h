// Ports for driving the real window in tests: nothing modal, nothing audible, every call
// written down.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "io/disk_files.h"
#include "play/form1.h"
#include "shell/main_window.h"

namespace korvel::testing {

struct RecordingDialogs : Dialogs {
  std::vector<std::string> lines;
  std::deque<bool> answers;
  void Message(const std::string& t, const std::string& p) override {
    lines.push_back("message \"" + t + "\" \"" + p + "\"");
  }
  void Warning(const std::string& t, const std::string& p) override {
    lines.push_back("warning \"" + t + "\" \"" + p + "\"");
  }
  bool Question(const std::string& t, const std::string& p) override {
    const bool yes = answers.empty() ? true : answers.front();
    if (!answers.empty()) answers.pop_front();
    lines.push_back("question \"" + t + "\" \"" + p + "\"");
    return yes;
  }
};

struct RecordingSound : SoundLibrary {
  std::vector<std::string> lines;
  Handle next = 1;
  Handle dsInitialize(std::uintptr_t) override { return 1; }
  Handle dsCreateDSB(Handle, const std::uint8_t*, std::size_t, int, const char*) override {
    return next++;
  }
  void dsPlay(Handle, const char* f) override { lines.push_back(std::string("sound ") + f); }
  void dsPlayLooping(Handle, const char* f) override { lines.push_back(std::string("loop ") + f); }
  void dsStop(Handle, const char* f) override { lines.push_back(std::string("stop ") + f); }
  void dsFree(Handle) override {}
  void dsTerminate(Handle) override { lines.push_back("terminate"); }
};

struct RecordingHost : Host {
  std::vector<std::string> lines;
  AboutChoice about = AboutChoice::OK;
  std::function<void()> onPause;
  void Pause(double) override {
    if (onPause) onPause();
  }
  void OpenPage(const std::string& t) override { lines.push_back("browse " + t); }
  AboutChoice ShowAbout() override {
    lines.push_back("about");
    return about;
  }
  void EndProgram() override { lines.push_back("exit"); }
};

// The real window with recording ports, loaded in a scratch folder of its own (the
// settings file is read and written there).
struct WindowUnderTest {
  QTemporaryDir dir;
  QString oldDir = QDir::currentPath();
  bool cwdSet = QDir::setCurrent(dir.path());
  MainWindow window;
  RecordingDialogs dialogs;
  RecordingSound sound;
  RecordingHost host;
  DiskFiles files;
  Form1 form{window.Canvas(), dialogs, sound, window.Icons(), host, files};
  int endedCalls = 0;

  WindowUnderTest() {
    QObject::connect(&window, &MainWindow::ended, &window, [this] { ++endedCalls; });
    window.Attach(form);
    window.Load();
    window.show();
  }
  ~WindowUnderTest() { QDir::setCurrent(oldDir); }
};

// The centre of cell (c, r) in the drawing area's pixels.
inline QPoint CellCentre(int c, int r) {
  return QPoint(93 + 47 * c + 23, 33 + 47 * r + 23);
}

}  // namespace korvel::testing
