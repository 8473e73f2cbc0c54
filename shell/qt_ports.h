// The application object's ports on Qt: message boxes, the turn icons, and the host's
// pause, browser, about box and end.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "play/ports.h"

namespace korvel {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void Message(const std::string& title, const std::string& prompt) override;
  void Warning(const std::string& title, const std::string& text) override;
  bool Question(const std::string& title, const std::string& prompt) override;

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
  // uncovered meanwhile, but presses and keys wait until the computer has moved.
  void Pause(double seconds) override;
  void OpenPage(const std::string& target) override;
  AboutChoice ShowAbout() override;
  // The window quits once the handler that ended the program has returned.
  void EndProgram() override {}

 private:
  QPointer<QWidget> parent_;
};

}  // namespace korvel
