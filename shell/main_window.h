// The main window: the menu bar, the drawing area that shows the back buffer, and the
// wiring of presses, keys, menu entries and closing to the application object.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>
#include <vector>

#include "play/form1.h"
#include "play/menu.h"
#include "shell/move_list.h"
#include "shell/notice.h"
#include "shell/painter_canvas.h"
#include "shell/qt_ports.h"

class QAction;
class QMenu;
class QPainterPath;
class QTimer;

namespace korvel {

// Text drawn over the picture: white with a black outline, readable on any background.
void DrawOutlined(QPainter& p, const QPainterPath& path);

// The drawing area: shows the back buffer scaled to its size (proportions kept, the rest
// left dark) and reports presses in twips of the design size.
class BoardView : public QWidget {
  Q_OBJECT
 public:
  BoardView(PainterCanvas& canvas, QWidget* parent);

  // Design pixels to the area's pixels, and where the drawing's top-left corner is.
  qreal Scale() const { return scale_; }
  QPointF Origin() const { return origin_; }
  // A point of the area in twips of the design size (the pixel's centre).
  QPointF ToTwips(QPointF areaPoint) const;
  Notice& Notices() { return *notice_; }

  QSize sizeHint() const override { return QSize(CANVAS_WIDTH, CANVAS_HEIGHT); }

 signals:
  // A press, in twips of the design size at the centre of the pixel it fell in; `shift`:
  // 1 Shift, 2 Ctrl, 4 Alt.
  void pressed(MouseButton button, int shift, double xTwips, double yTwips);
  // After every paint (the start-up timing waits for the first one).
  void painted();
  // The scale or the placement of the drawing changed.
  void placed();
  // Paint over the picture, in design pixels (the painter is scaled and placed), in the
  // order the receivers were connected.
  void painting(QPainter& painter);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fit();

  PainterCanvas& canvas_;
  Notice* notice_;
  // Started by every resize: when the size has settled, the pictures stretched meanwhile
  // are drawn at their own resolution.
  QTimer* sharpen_;
  qreal scale_ = 1.0;
  QPointF origin_;
};

class MainWindow : public QMainWindow, public MessageRouter {
  Q_OBJECT
 public:
  // `dpr`: the device pixel ratio of the screen the window opens on.
  explicit MainWindow(qreal dpr = 1.0);
  ~MainWindow() override;

  // The application object is made with the window's canvas and icons, then attached.
  void Attach(Form1& form);
  // Reads the extra options, then runs the application object's load handler as the
  // window's first event; false when the program ended during it.
  bool Load();

  PainterCanvas& Canvas() { return *canvas_; }
  QtTurnIcons& Icons() { return *icons_; }
  BoardView* DrawingArea() const { return view_; }
  // Menu entries and menus by control name (null for unknown names).
  QAction* Action(const QString& control) const;
  QMenu* Menu(const QString& control) const;
  // The entry that does a task of the window's own (null when it is not built).
  QAction* TaskAction(WindowTask task) const;
  // Adds the entries of the network game (ネット対局...) to their menu; once.
  void AddNetworkEntries();
  // While a network game is on, the entries that would change the shared game are off
  // and ネット対局を終える is on.
  void SetNetworkGameOn(bool on);

  // Records: the file the player chooses to open (save false) or save to; empty when the
  // choice was cancelled. The desktop's file dialog unless replaced (the tests replace it).
  // One owner, not a signal: the window needs the answer back.
  std::function<QString(bool save)> choosePath;
  // Where the file dialogs of 棋譜を開く and 棋譜を保存 start: the folder last chosen in one
  // (kept in the options file) while it is there, else the records folder of the user's
  // data area, made when it is missing.
  QString RecordDialogFolder();
  MoveList* Moves() const { return moveList_; }
  // The application object attached (null before), and whether a handler of it runs now
  // (the computers' turns): the window's own tasks wait for it to return.
  Form1* Form() const { return form_; }
  bool Busy() const { return busy_ > 0; }

  // MessageRouter: with the notice option on, messages that only inform become notices;
  // with the colour option on in a game of one person, the result says who won.
  bool TakeNotice(const std::string& title, const std::string& prompt) override;
  std::string Addendum(const std::string& title, const std::string& prompt) override;
  // While the computers take their turns, Esc or the close button of their box ends.
  bool BoxEscapeEnds() override;
  void EndFromBox() override;

  // Asked, in the order added, before the program ends at the player's word (a close, Esc,
  // 終わり): false keeps everything running. The input gate is open while they ask.
  void AddEndQuestion(std::function<bool()> mayEnd);
  // A computer thinks (or has stopped): 今すぐ指す is on meanwhile, and how long it has
  // thought is written under the caption 思考中 (over the picture, not into it).
  void SetThinking(bool thinking);
  bool Thinking() const { return thinking_; }
  // The clocks' timer runs while the game shown has clocks (the window's own or a network
  // game's): it repaints them and lets a seat whose time ran out lose. Called after every
  // handler, and by the network session when its game changes.
  void UpdateClockTimer();

 signals:
  // The application object has ended the program (the program quits its event loop).
  void ended();
  // The player asked to end (a close, Esc, 終わり, Esc in the computers' box) while a
  // handler runs: the deeper computer then stops thinking, a pause ends.
  void endRequestedWhileBusy();
  // 今すぐ指す: the computer thinking now should play its best move so far.
  void moveNowRequested();
  // The window's language changed (言語): every caption was written again; the window's
  // dialogs read their words anew.
  void languageChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Builds the table's entries: those of the network game, or all the others.
  void BuildEntries(bool network);
  void Wire(QAction* action, const MenuEntry& entry);
  void NewGame();
  void BuildKeys();
  // Whether the program may end now (AddEndQuestion).
  bool MayEnd();
  // 新しい対局 is on once a game mode was chosen, while no network game is on.
  void EnableNewGame();
  void DrawThinkingTime(QPainter& p);
  // Runs one event handler of the application object, then mirrors its check marks and
  // ends the window if the handler ended the program. Input that arrived while it ran
  // (while the computers played) is dropped.
  void Dispatch(const std::function<void()>& handler);
  void SyncChecks(const Options& options);
  // Every menu's and entry's caption, the title and the move list's words in the language
  // now chosen, when it is not the one they show.
  void Recaption();
  // The player asked to end while a handler runs: the application object stops the
  // computers' run and ends the program before the handler returns.
  void RequestEnd();
  // Applies the options of the options file that the application object holds now.
  void ApplyOptions();
  void RememberSize();
  void DrawSeatNames(QPainter& p);
  // The names of the players beside their armies in a network game.
  void DrawNetworkNames(QPainter& p);
  void DrawKeyCursor(QPainter& p);
  // Each seat's clock beside its army (Form1::ClockLabels).
  void DrawClocks(QPainter& p);
  // Records, the move list and the last move's mark.
  void BuildRecordEntries();
  void ChooseRecord(bool save);
  void DrawLastMove(QPainter& p);
  QString ChooseRecordPath(bool save);

  std::unique_ptr<PainterCanvas> canvas_;
  BoardView* view_;
  std::unique_ptr<QtTurnIcons> icons_;
  QMap<QString, QAction*> actions_;
  QMap<QString, QMenu*> menus_;
  QString lastMode_;           // the game-mode entry last chosen
  bool networkOn_ = false;
  std::vector<std::function<bool()>> endQuestions_;
  bool thinking_ = false;
  QElapsedTimer thinkingFor_;
  QTimer* thinkingTick_ = nullptr;
  QTimer* clockTick_ = nullptr;
  std::string storedOptions_;  // what the options file holds
  bool networkEntries_ = false;
  Language captions_ = Language::JAPANESE;  // the language the captions are written in
  Form1* form_ = nullptr;
  int busy_ = 0;               // handlers running (a pause lets the window close meanwhile)
  bool closeWaiting_ = false;  // closed during a handler: ended once it returns
  bool ended_ = false;
  bool loaded_ = false;
  MoveList* moveList_ = nullptr;
};

// The window and the host that thinks for it: 今すぐ指す and an end asked for while the
// computers play reach the thinking, and the window hears when a thinking begins and ends.
void ConnectThinking(MainWindow& window, QtHost& host);

}  // namespace korvel
