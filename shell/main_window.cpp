#include "shell/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace korvel {

namespace {

MouseButton ButtonOf(Qt::MouseButton b) {
  if (b == Qt::LeftButton) return MouseButton::LEFT;
  if (b == Qt::RightButton) return MouseButton::RIGHT;
  return MouseButton::OTHER;
}

// The Shift argument of a press: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftOf(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
         (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

BoardView::BoardView(PainterCanvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
  setObjectName(QStringLiteral("DrawingArea"));
  setFixedSize(CANVAS_WIDTH, CANVAS_HEIGHT);
  // Everything is painted from the back buffer: nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardView::paintEvent(QPaintEvent*) {
  {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(0, 0, CANVAS_WIDTH, CANVAS_HEIGHT), canvas_.Image());
  }
  canvas_.MarkShown();
  if (onPainted) onPainted();
}

void BoardView::mousePressEvent(QMouseEvent* event) {
  if (!onPress) return;
  // The press is reported at the centre of the pixel it fell in.
  const QPointF pos = event->position();
  const double x = (std::floor(pos.x()) + 0.5) * TWIPS_PER_PIXEL;
  const double y = (std::floor(pos.y()) + 0.5) * TWIPS_PER_PIXEL;
  onPress(ButtonOf(event->button()), ShiftOf(event->modifiers()), x, y);
}

MainWindow::MainWindow(qreal dpr) : canvas_(std::make_unique<PainterCanvas>(dpr)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)"));
  view_ = new BoardView(*canvas_, this);
  setCentralWidget(view_);
  icons_ = std::make_unique<QtTurnIcons>(view_);
  BuildMenus();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

  // The computer thinks inside a handler: its caption and move must be seen at once.
  canvas_->onFlush = [this] { view_->repaint(); };
  canvas_->onChange = [this] { view_->update(); };
  onEnded = [] { QCoreApplication::exit(0); };
}

MainWindow::~MainWindow() {
  canvas_->onFlush = nullptr;
  canvas_->onChange = nullptr;
}

void MainWindow::BuildMenus() {
  const std::vector<MenuEntry>& table = MenuTable();
  std::vector<QMenu*> open;  // open[k]: the menu that takes the entries of level k + 2
  for (size_t i = 0; i < table.size(); ++i) {
    const MenuEntry& e = table[i];
    const QString control = QString::fromLatin1(e.control);
    const QString caption = QString::fromUtf8(e.caption);
    const bool hasChildren = i + 1 < table.size() && table[i + 1].level > e.level;
    open.resize(e.level - 1);
    if (hasChildren) {
      QMenu* menu = e.level == 1 ? menuBar()->addMenu(caption) : open.back()->addMenu(caption);
      menu->setObjectName(control);
      menu->menuAction()->setObjectName(control);
      menus_.insert(control, menu);
      actions_.insert(control, menu->menuAction());
      open.push_back(menu);
      continue;
    }
    QAction* action =
        e.level == 1 ? menuBar()->addAction(caption) : open.back()->addAction(caption);
    action->setObjectName(control);
    actions_.insert(control, action);
    if (e.check) action->setCheckable(true);
    const auto handler = e.handler;
    if (!handler) continue;
    connect(action, &QAction::triggered, this, [this, handler] {
      if (form_) Dispatch([this, handler] { (form_->*handler)(); });
    });
  }
  // The marks the menu bar starts with, before any option is read.
  SyncChecks(MenuChecks());
}

void MainWindow::Attach(Form1& form) {
  form_ = &form;
  view_->onPress = [this](MouseButton button, int shift, double x, double y) {
    Dispatch([=, this] { form_->Form_MouseDown(button, shift, x, y); });
  };
}

bool MainWindow::Load() {
  Dispatch([this] { form_->Form_Load(); });
  return !ended_;
}

QAction* MainWindow::Action(const QString& control) const {
  return actions_.value(control);
}
QMenu* MainWindow::Menu(const QString& control) const {
  return menus_.value(control);
}

void MainWindow::SyncChecks(const MenuChecks& checks) {
  for (const MenuEntry& e : MenuTable())
    if (e.check) actions_.value(QString::fromLatin1(e.control))->setChecked(checks.*(e.check));
}

void MainWindow::Dispatch(const std::function<void()>& handler) {
  if (!form_ || ended_) return;
  ++busy_;
  handler();
  --busy_;
  SyncChecks(form_->Checks());
  if (busy_ == 0 && closeWaiting_ && !form_->Ended()) form_->Form_Unload();
  if (form_->Ended() && busy_ == 0) {
    ended_ = true;
    hide();
    if (onEnded) onEnded();
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  int code = -1;
  if (event->key() == Qt::Key_Escape)
    code = 27;
  else if (!event->text().isEmpty())
    code = event->text().at(0).unicode();
  if (code < 0 || !form_) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  Dispatch([this, code] { form_->Form_KeyPress(code); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!form_ || ended_) {
    event->accept();
    return;
  }
  // A close while the computer pauses waits until its turn is over.
  if (busy_ > 0) {
    closeWaiting_ = true;
    event->ignore();
    return;
  }
  event->ignore();  // the window goes when the program ends, not before
  Dispatch([this] { form_->Form_Unload(); });
}

}  // namespace korvel
