// The application object's ports on Qt: message boxes, the turn icons, and the host's
// pause, browser, about box and end.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "play/ports.h"

class QUrl;

namespace korvel {

// Holds the player's input back while the computer plays. Presses, keys, wheel turns and
// shortcuts that arrive while it is closed are dropped, never delivered later: a press
// made while the computers move must not become a move of its own afterwards.
class InputGate {
 public:
  static void Close();
  static void Open();
  static bool IsClosed();
  // Handles whatever waits in the event queue now with the gate closed: input dropped,
  // everything else (paints, timers, a close) delivered.
  static void Drain();
  // Whether an event is input that a closed gate drops.
  static bool IsInput(const QEvent* event);
};

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void Message(const std::string& title, const std::string& prompt) override;
  void Warning(const std::string& title, const std::string& text) override;
  bool Question(const std::string& title, const std::string& prompt) override;

  // When set and answering true for a message, the message goes there instead of a box
  // (the notice over the board); questions and warnings are always boxes.
  std::function<bool(const std::string& title, const std::string& prompt)> onNotice;
  // When set, may add a line to a message before it is shown.
  std::function<std::string(const std::string& title, const std::string& prompt)> addendum;

 private:
  QPointer<QWidget> parent_;
};

// Two 32 x 32 labels over the drawing area; they keep their own picture, so the back
// buffer under them is never touched.
class QtTurnIcons : public TurnIcons {
 public:
  explicit QtTurnIcons(QWidget* drawingArea);
  void Move(TurnIcon icon, int leftTwips, int topTwips) override;
  void SetVisible(TurnIcon icon, bool visible) override;
  QLabel* Label(TurnIcon icon) const { return icon == TurnIcon::MAN ? man_ : com_; }

 private:
  QLabel* man_;
  QLabel* com_;
};

class QtHost : public Host {
 public:
  explicit QtHost(QWidget* parent) : parent_(parent) {}
  // Waits without taking the player's input: the window still repaints itself if it is
  // uncovered meanwhile, but presses, keys and menu choices made meanwhile are dropped.
  void Pause(double seconds) override;
  // A page that no browser could open is reported in a box that says where it is.
  void OpenPage(const std::string& target) override;
  // Opens a page; replaced by tests. True when a browser took it.
  std::function<bool(const QUrl&)> openUrl;
  AboutChoice ShowAbout() override;
  // The window quits once the handler that ended the program has returned.
  void EndProgram() override {}

 private:
  QPointer<QWidget> parent_;
};

}  // namespace korvel
