// The program put together: the window, its ports, the sound device and the application
// object, started as the window starts.
#pragma once

#include "io/disk_files.h"
#include "play/form1.h"
#include "shell/main_window.h"
#include "shell/qt_ports.h"
#include "shell/sdl_sound.h"

namespace korvel {

class Program {
 public:
  // Needs a QApplication. The picture is held at the primary screen's pixel ratio. The
  // files are those of `files` (the default: the current directory, i.e. portable).
  explicit Program(DiskFiles files = DiskFiles());
  // Loads the window (sound, settings, the first picture) and shows it. False when the
  // program already ended during the load.
  bool Start();

  MainWindow& Window() { return window_; }
  Form1& Form() { return form_; }

 private:
  MainWindow window_;
  QtDialogs dialogs_;
  QtHost host_;
  SdlSound sound_;
  DiskFiles files_;
  Form1 form_;
};

// Makes the program's own folder the current directory, so that the settings file, the
// wave files and the help page are found beside it however it was started.
void EnterProgramFolder();

}  // namespace korvel
