// The main window: the menu bar, the drawing area that shows the back buffer, and the
// wiring of presses, keys, menu entries and closing to the application object.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>
#include <vector>

#include "play/form1.h"
#include "play/menu.h"
#include "shell/painter_canvas.h"
#include "shell/qt_ports.h"

class QAction;
class QMenu;

namespace korvel {

// The drawing area: shows the back buffer and reports presses in twips.
class BoardView : public QWidget {
  Q_OBJECT
 public:
  BoardView(PainterCanvas& canvas, QWidget* parent);

  std::function<void(MouseButton, int shift, double xTwips, double yTwips)> onPress;
  // Told after every paint (the start-up timing waits for the first one).
  std::function<void()> onPainted;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  PainterCanvas& canvas_;
};

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `dpr`: the device pixel ratio of the screen the window opens on.
  explicit MainWindow(qreal dpr = 1.0);
  ~MainWindow() override;

  // The application object is made with the window's canvas and icons, then attached.
  void Attach(Form1& form);
  // Runs the application object's load handler as the window's first event; false when
  // the program ended during it.
  bool Load();

  PainterCanvas& Canvas() { return *canvas_; }
  QtTurnIcons& Icons() { return *icons_; }
  BoardView* DrawingArea() const { return view_; }
  // Menu entries and menus by control name (null for unknown names).
  QAction* Action(const QString& control) const;
  QMenu* Menu(const QString& control) const;

  // Called once the application object has ended the program; quits the event loop
  // unless replaced (the tests replace it).
  std::function<void()> onEnded;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  // Runs one event handler of the application object, then mirrors its check marks and
  // ends the window if the handler ended the program.
  void Dispatch(const std::function<void()>& handler);
  void SyncChecks(const MenuChecks& checks);

  std::unique_ptr<PainterCanvas> canvas_;
  BoardView* view_;
  std::unique_ptr<QtTurnIcons> icons_;
  QMap<QString, QAction*> actions_;
  QMap<QString, QMenu*> menus_;
  Form1* form_ = nullptr;
  int busy_ = 0;               // handlers running (a pause lets the window close meanwhile)
  bool closeWaiting_ = false;  // closed during a handler: ended once it returns
  bool ended_ = false;
};

}  // namespace korvel
