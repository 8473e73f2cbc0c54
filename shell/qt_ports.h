// The application object's ports on Qt: message boxes, the turn icons, and the host's
// pause, browser, about box and end.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "play/ports.h"

class QEventLoop;
class QUrl;

namespace korvel {

// Holds the player's input back while the computer plays. Presses, keys, wheel turns and
// shortcuts that arrive while it is closed are dropped, never delivered later: a press
// made while the computers move must not become a move of its own afterwards. Two things
// still get through, so that the player can always end the program: Esc pressed in a
// window that asked to hear of it (OnEscape) is told to that window, and the menu bar
// and its menus work as ever (the window then takes 終わり alone).
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
  // Esc pressed in `window` (or a widget inside it) while the gate is closed calls
  // `escaped`, once per press; the key is dropped all the same. Forget before the window goes.
  static void OnEscape(QWidget* window, std::function<void()> escaped);
  // Likewise `key` (今すぐ指す's) pressed in `window` while the gate is closed calls `pressed`.
  static void OnKey(QWidget* window, QKeyCombination key, std::function<void()> pressed);
  // Forgets the window's Esc and keys.
  static void ForgetEscape(QWidget* window);
};

// What the window the boxes belong to may do with a message (the main window does).
class MessageRouter {
 public:
  virtual ~MessageRouter() = default;
  // True when the window showed the message itself (as a notice): no box then.
  virtual bool TakeNotice(const std::string& title, const std::string& prompt) = 0;
  // A line to add under a message's prompt; empty for none.
  virtual std::string Addendum(const std::string& title, const std::string& prompt) = 0;
  // Whether Esc or the close button of a message box shown now asks the program to end
  // (the box comes from the computers' turns, which the player may end at any moment).
  virtual bool BoxEscapeEnds() { return false; }
  // The player pressed Esc in such a box, or closed it.
  virtual void EndFromBox() {}
};

// Message boxes on the parent window. A parent that is a MessageRouter may take a message
// as a notice instead; questions and warnings are always boxes.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void Message(const std::string& title, const std::string& prompt) override;
  void Warning(const std::string& title, const std::string& text) override;
  bool Question(const std::string& title, const std::string& prompt) override;
  Answer QuestionOr(const std::string& title, const std::string& prompt,
                    const std::string& third) override;

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
  // The drawing's scale and where its top-left corner stands in the drawing area; the
  // icons follow it at their size of 32 design pixels, drawn for the screen's ratio.
  void Place(qreal scale, QPointF origin, qreal dpr);

 private:
  void Put(TurnIcon icon);

  QLabel* man_;
  QLabel* com_;
  QPoint twips_[2];
  qreal scale_ = 1.0, dpr_ = 0;
  QPointF origin_;
};

// Called on a thread that thinks beside the window (level 4's turn, 検討): the window's
// thread comes first whenever both want the processor, so the window answers at once even
// on a busy machine.
void YieldToWindow();

class QtHost : public Host {
 public:
  explicit QtHost(QWidget* parent) : parent_(parent) {}
  // Waits without taking the player's input: the window still repaints itself if it is
  // uncovered meanwhile, but presses, keys and menu choices made meanwhile are dropped.
  void Pause(double seconds) override;
  // The thinking runs on a thread of its own while this thread repaints; presses are
  // dropped. It is stopped when the window is closed (StopThinking) or after kThinkCap.
  double Think(const std::function<void(const std::atomic<bool>& stop)>& work) override;
  // The program is ending: the thinking stops at once, a pause ends now, and every later
  // thinking or pause is cut short.
  void StopThinking();
  // 今すぐ指す: the thinking under way stops at once and its best move so far is played;
  // nothing when no thinking runs.
  void MoveNow();
  bool Thinking() const { return thinking_; }
  // Whether the thinking under way was asked to stop (今すぐ指す, the cap, the end).
  bool StopAsked() const { return thinking_ && stop_; }
  // Told when a thinking begins (true) and when it has ended (false).
  std::function<void(bool thinking)> onThinking;
  static constexpr double kThinkCap = 3.0;
  // A page that no browser could open is reported in a box that says where it is.
  void OpenPage(const std::string& target) override;
  // Opens a page; replaced by tests. True when a browser took it.
  std::function<bool(const QUrl&)> openUrl;
  AboutChoice ShowAbout() override;
  // The window quits once the handler that ended the program has returned.
  void EndProgram() override {}

 private:
  QPointer<QWidget> parent_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> closing_{false};  // once the window is closing, every thinking is cut short
  QEventLoop* pause_ = nullptr;       // the pause under way
  bool thinking_ = false;
};

}  // namespace korvel
