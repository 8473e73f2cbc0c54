#include "shell/qt_ports.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <thread>
#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "shell/about_box.h"
#include "shell/painter_canvas.h"
#include "shell/qt_texts.h"

namespace korvel {

namespace {

// A turn icon takes the presses on it, as a picture element on the window does: they never
// reach the board behind it.
class IconLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
};

// Tells the window that Esc was pressed in a box, or its close button used; the box then
// closes as it always does.
class EndKeys : public QObject {
 public:
  explicit EndKeys(MessageRouter* router) : router_(router) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::KeyPress &&
         static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) ||
        event->type() == QEvent::Close)
      router_->EndFromBox();
    return QObject::eventFilter(watched, event);
  }

 private:
  MessageRouter* router_;
};

// Swallows Esc and the close button of a box that has no Cancel.
class NoEscape : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
      return true;
    if (event->type() == QEvent::Close) {
      event->ignore();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

// The top-level widget a window of the window system shows, or that a widget lies in.
QWidget* TopLevelOf(QObject* target) {
  if (target->isWidgetType()) return static_cast<QWidget*>(target)->window();
  if (!target->isWindowType()) return nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowHandle() == target) return w;
  return nullptr;
}

bool InMenuBar(QWidget* w) {
  for (; w; w = w->parentWidget())
    if (qobject_cast<QMenuBar*>(w)) return true;
  return false;
}

// Input for the menu bar or an open menu, which a closed gate lets through.
bool ForMenus(QObject* target, QEvent* event) {
  const bool mouse = event->type() == QEvent::MouseButtonPress ||
                     event->type() == QEvent::MouseButtonRelease ||
                     event->type() == QEvent::MouseButtonDblClick;
  const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
  if (!mouse && !key) return false;
  // An open menu takes every press and key; what it passes on is filtered again.
  if (qobject_cast<QMenu*>(QApplication::activePopupWidget())) return true;
  if (!mouse) return false;
  if (target->isWidgetType()) return InMenuBar(static_cast<QWidget*>(target));
  QWidget* top = target->isWindowType() ? TopLevelOf(target) : nullptr;
  if (!top) return false;
  const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
  return InMenuBar(top->childAt(at));
}

// The application-wide filter behind InputGate.
class GateFilter : public QObject {
 public:
  int closed = 0;
  QHash<QWidget*, std::function<void()>> onEscape;
  QMultiHash<QWidget*, std::pair<QKeyCombination, std::function<void()>>> onKey;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (closed > 0 && InputGate::IsInput(event)) {
      if (ForMenus(watched, event)) return QObject::eventFilter(watched, event);
      if (event->type() == QEvent::KeyPress &&
          static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
          !static_cast<QKeyEvent*>(event)->isAutoRepeat())
        Escaped(watched);
      else if (event->type() == QEvent::KeyPress &&
               !static_cast<QKeyEvent*>(event)->isAutoRepeat())
        Pressed(watched, static_cast<QKeyEvent*>(event));
      // A shortcut override accepted here keeps the key from becoming a shortcut; the key
      // itself is dropped next.
      event->accept();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Escaped(QObject* target) {
    const auto it = onEscape.constFind(TopLevelOf(target));
    if (it == onEscape.constEnd()) return;
    const std::function<void()> tell = it.value();  // it may forget itself meanwhile
    tell();
  }
  void Pressed(QObject* target, const QKeyEvent* event) {
    const QKeyCombination key(event->modifiers() & ~Qt::KeypadModifier,
                              static_cast<Qt::Key>(event->key()));
    std::function<void()> tell;
    for (const auto& [k, f] : onKey.values(TopLevelOf(target)))
      if (k == key) tell = f;
    if (tell) tell();
  }
};

GateFilter& Filter() {
  static GateFilter* filter = [] {
    auto* f = new GateFilter;
    if (QCoreApplication* app = QCoreApplication::instance()) {
      f->setParent(app);
      app->installEventFilter(f);
    }
    return f;
  }();
  return *filter;
}

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

int Box(QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
        QMessageBox::StandardButtons buttons, QObject* filter = nullptr) {
  QMessageBox box(icon, Q(title), Q(text), buttons, parent);
  // Prompts are plain text: a "<" in one must not start markup.
  box.setTextFormat(Qt::PlainText);
  if (filter) box.installEventFilter(filter);
  return box.exec();
}

}  // namespace

bool InputGate::IsInput(const QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

void InputGate::Close() {
  ++Filter().closed;
}

void InputGate::Open() {
  if (Filter().closed > 0) --Filter().closed;
}

bool InputGate::IsClosed() {
  return Filter().closed > 0;
}

void InputGate::OnEscape(QWidget* window, std::function<void()> escaped) {
  Filter().onEscape.insert(window, std::move(escaped));
}

void InputGate::OnKey(QWidget* window, QKeyCombination key, std::function<void()> pressed) {
  Filter().onKey.insert(window, {key, std::move(pressed)});
}

void InputGate::ForgetEscape(QWidget* window) {
  Filter().onEscape.remove(window);
  Filter().onKey.remove(window);
}

void InputGate::Drain() {
  Close();
  // Posted events first, then what the window system has queued meanwhile.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  Open();
}

void QtDialogs::Message(const std::string& title, const std::string& prompt) {
  auto* router = dynamic_cast<MessageRouter*>(parent_.data());
  if (router && router->TakeNotice(title, prompt)) return;
  const std::string extra = router ? router->Addendum(title, prompt) : std::string();
  EndKeys endKeys(router);
  Box(parent_, QMessageBox::NoIcon, title, extra.empty() ? prompt : prompt + "\n" + extra,
      QMessageBox::Ok, router && router->BoxEscapeEnds() ? &endKeys : nullptr);
}

void QtDialogs::Warning(const std::string& title, const std::string& text) {
  Box(parent_, QMessageBox::Warning, title, text, QMessageBox::Ok);
}

bool QtDialogs::Question(const std::string& title, const std::string& prompt) {
  QMessageBox box(QMessageBox::NoIcon, Q(title), Q(prompt), QMessageBox::Yes | QMessageBox::No,
                  parent_);
  box.setTextFormat(Qt::PlainText);
  // The question has no Cancel: Esc or the window's close button must not answer No,
  // which would end the program. Only the two buttons answer.
  box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
  NoEscape filter;
  box.installEventFilter(&filter);
  int answer;
  do {
    answer = box.exec();
  } while (answer != QMessageBox::Yes && answer != QMessageBox::No);
  return answer == QMessageBox::Yes;
}

Answer QtDialogs::QuestionOr(const std::string& title, const std::string& prompt,
                            const std::string& third) {
  QMessageBox box(QMessageBox::NoIcon, Q(title), Q(prompt), QMessageBox::Yes | QMessageBox::No,
                  parent_);
  box.setTextFormat(Qt::PlainText);
  QPushButton* thirdButton = box.addButton(Q(third), QMessageBox::ActionRole);
  thirdButton->setObjectName(QStringLiteral("third"));
  // As the Yes/No question: only the buttons answer, never Esc or the close button.
  box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
  NoEscape filter;
  box.installEventFilter(&filter);
  for (;;) {
    const int answer = box.exec();
    if (box.clickedButton() == thirdButton) return Answer::THIRD;
    if (answer == QMessageBox::Yes) return Answer::YES;
    if (answer == QMessageBox::No) return Answer::NO;
  }
}

QtTurnIcons::QtTurnIcons(QWidget* drawingArea)
    : man_(new IconLabel(drawingArea)), com_(new IconLabel(drawingArea)) {
  man_->setObjectName(QStringLiteral("ICO_MAN"));
  com_->setObjectName(QStringLiteral("ICO_COM"));
  for (TurnIcon icon : {TurnIcon::MAN, TurnIcon::COM}) {
    QLabel* label = Label(icon);
    label->setPixmap(QPixmap::fromImage(IconPicture(icon)));
    label->setFixedSize(32, 32);
    label->hide();
  }
}

void QtTurnIcons::Move(TurnIcon icon, int leftTwips, int topTwips) {
  twips_[icon == TurnIcon::MAN ? 0 : 1] = QPoint(leftTwips, topTwips);
  Put(icon);
}

void QtTurnIcons::Put(TurnIcon icon) {
  const QPoint t = twips_[icon == TurnIcon::MAN ? 0 : 1];
  Label(icon)->move((origin_ + QPointF(TwipsToPixel(t.x()), TwipsToPixel(t.y())) * scale_)
                        .toPoint());
}

void QtTurnIcons::Place(qreal scale, QPointF origin, qreal dpr) {
  const bool resized = scale != scale_ || dpr != dpr_;
  scale_ = scale;
  origin_ = origin;
  dpr_ = dpr;
  for (TurnIcon icon : {TurnIcon::MAN, TurnIcon::COM}) {
    if (resized) {
      const int side = static_cast<int>(std::lround(32 * scale));
      // Drawn at the screen's pixels, not stretched.
      QImage pic = IconPictureAt(icon, static_cast<int>(std::lround(side * dpr)));
      pic.setDevicePixelRatio(dpr);
      Label(icon)->setPixmap(QPixmap::fromImage(pic));
      Label(icon)->setFixedSize(side, side);
    }
    Put(icon);
  }
}

void QtTurnIcons::SetVisible(TurnIcon icon, bool visible) {
  Label(icon)->setVisible(visible);
}

void QtHost::Pause(double seconds) {
  if (closing_) return;
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  QEventLoop* outer = std::exchange(pause_, &loop);
  InputGate::Close();
  loop.exec();
  InputGate::Open();
  pause_ = outer;
}

void QtHost::MoveNow() {
  if (thinking_) stop_ = true;
}

void QtHost::StopThinking() {
  closing_ = true;
  stop_ = true;
  if (pause_) pause_->quit();
}

void YieldToWindow() {
#ifdef __linux__
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, tid);
  if (errno == 0) setpriority(PRIO_PROCESS, tid, std::min(nice + 5, 19));
#endif
}

double QtHost::Think(const std::function<void(const std::atomic<bool>& stop)>& work) {
  QElapsedTimer clock;
  clock.start();
  stop_ = closing_.load();
  QEventLoop loop;
  std::atomic<bool> done{false};
  QTimer cap;
  cap.setSingleShot(true);
  QObject::connect(&cap, &QTimer::timeout, [this] { stop_ = true; });
  cap.start(static_cast<int>(kThinkCap * 1000));
  thinking_ = true;
  if (onThinking) onThinking(true);
  std::thread thinker([&] {
    YieldToWindow();
    work(stop_);
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  InputGate::Close();
  if (!done) loop.exec();
  thinker.join();
  InputGate::Open();
  cap.stop();
  thinking_ = false;
  if (onThinking) onThinking(false);
  return clock.elapsed() / 1000.0;
}

void QtHost::OpenPage(const std::string& target) {
  const QString t = Q(target);
  const bool local = !t.contains(QStringLiteral("://"));
  const QUrl url = local ? QUrl::fromLocalFile(t) : QUrl(t);
  const bool opened = openUrl ? openUrl(url) : QDesktopServices::openUrl(url);
  if (opened) return;
  const QString where = local ? QDir::toNativeSeparators(t) : t;
  QMessageBox box(QMessageBox::Information, QText(TextId::HELP_TITLE),
                  QFill(TextId::HELP_NOT_OPENED, {where}),
                  QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.exec();
}

AboutChoice QtHost::ShowAbout() {
  Form2 box(parent_);
  return box.Run();
}

}  // namespace korvel
