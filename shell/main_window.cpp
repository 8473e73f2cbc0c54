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

const std::vector<MenuEntry>& MenuTable() {
  // One entry a line, as the menu editor lists them.
  // clang-format off
  static const std::vector<MenuEntry> table = {
      {"TAIKYOKU", "対局", 1},
      {"TAIKYOKU_SYURUI", "対局", 2},
      {"PLAY_1", "1_PLAY", 3},
      {"JYUNBAN_1", "１番目", 4},
      {"JYUNBAN_2", "2番目", 4},
      {"JYUNBAN_3", "3番目", 4},
      {"JYUNBAN_4", "4番目", 4},
      {"PLAY_2", "2_PLAY", 3},
      {"PLAY_TOIMEN", "対面", 4},
      {"PLAY_TONARI", "隣面", 4},
      {"PLAY_4", "4_PLAY", 3},
      {"LEVEL", "COM対局ﾚﾍﾞﾙ", 2},
      {"LEVEL1", "LEVEL1", 3},
      {"LEVEL2", "LEVEL2", 3},
      {"LEVEL3", "LEVEL3", 3},
      {"OWARI", "終わり", 2},
      {"STOP", "局面", 1},
      {"CANCEL", "最初", 2},
      {"KAITEN", "回転", 2},
      {"REPLAY", "戻", 2},
      {"AFTER", "進", 2},
      {"OPTION", "ｵﾌﾟｼｮﾝ", 1},
      {"SIDOU", "移動指導", 2},
      {"AICON", "ｱｲｺﾝ表示", 2},
      {"HAIKEI_GA", "背景画", 2},
      {"MIDORI", "緑", 3},
      {"TATAMI", "畳", 3},
      {"TAKE", "竹", 3},
      {"UCHU", "宇宙", 3},
      {"RENGA", "煉瓦", 3},
      {"BGM", "BGM", 2},
      {"SONOTA", "その他", 1},
      {"KAISETU", "解説", 2},
      {"VER", "バージョン情報", 2},
  };
  // clang-format on
  return table;
}

namespace {

using Handler = void (Form1::*)();
const QMap<QString, Handler>& Handlers() {
  static const QMap<QString, Handler> m = {
      {"JYUNBAN_1", &Form1::JYUNBAN_1_Click},
      {"JYUNBAN_2", &Form1::JYUNBAN_2_Click},
      {"JYUNBAN_3", &Form1::JYUNBAN_3_Click},
      {"JYUNBAN_4", &Form1::JYUNBAN_4_Click},
      {"PLAY_TOIMEN", &Form1::PLAY_TOIMEN_Click},
      {"PLAY_TONARI", &Form1::PLAY_TONARI_Click},
      {"PLAY_4", &Form1::PLAY_4_Click},
      {"LEVEL1", &Form1::LEVEL1_Click},
      {"LEVEL2", &Form1::LEVEL2_Click},
      {"LEVEL3", &Form1::LEVEL3_Click},
      {"OWARI", &Form1::OWARI_Click},
      {"CANCEL", &Form1::CANCEL_Click},
      {"KAITEN", &Form1::KAITEN_Click},
      {"REPLAY", &Form1::REPLAY_Click},
      {"AFTER", &Form1::AFTER_Click},
      {"SIDOU", &Form1::SIDOU_Click},
      {"AICON", &Form1::AICON_Click},
      {"MIDORI", &Form1::MIDORI_Click},
      {"TATAMI", &Form1::TATAMI_Click},
      {"TAKE", &Form1::TAKE_Click},
      {"UCHU", &Form1::UCHU_Click},
      {"RENGA", &Form1::RENGA_Click},
      {"BGM", &Form1::BGM_Click},
      {"KAISETU", &Form1::KAISETU_Click},
      {"VER", &Form1::VER_Click},
  };
  return m;
}

// The entries that carry a check mark, and the option each one shows.
const QMap<QString, bool MenuChecks::*>& CheckMarks() {
  static const QMap<QString, bool MenuChecks::*> m = {
      {"LEVEL1", &MenuChecks::LEVEL1}, {"LEVEL2", &MenuChecks::LEVEL2},
      {"LEVEL3", &MenuChecks::LEVEL3}, {"SIDOU", &MenuChecks::SIDOU},
      {"AICON", &MenuChecks::AICON},   {"MIDORI", &MenuChecks::MIDORI},
      {"TATAMI", &MenuChecks::TATAMI}, {"TAKE", &MenuChecks::TAKE},
      {"UCHU", &MenuChecks::UCHU},     {"RENGA", &MenuChecks::RENGA},
      {"BGM", &MenuChecks::BGM},
  };
  return m;
}

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
    if (CheckMarks().contains(control)) action->setCheckable(true);
    const Handler handler = Handlers().value(control, nullptr);
    if (!handler) continue;
    connect(action, &QAction::triggered, this, [this, handler] {
      if (form_) Dispatch([this, handler] { (form_->*handler)(); });
    });
  }
  // The marks the menu editor gives before any option is read.
  const MenuChecks initial;
  for (auto it = CheckMarks().begin(); it != CheckMarks().end(); ++it)
    actions_.value(it.key())->setChecked(initial.*(it.value()));
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

void MainWindow::SyncChecks() {
  if (!form_) return;
  for (auto it = CheckMarks().begin(); it != CheckMarks().end(); ++it)
    actions_.value(it.key())->setChecked(form_->Checks.*(it.value()));
}

void MainWindow::Dispatch(const std::function<void()>& handler) {
  if (!form_ || ended_) return;
  ++busy_;
  handler();
  --busy_;
  SyncChecks();
  if (busy_ == 0 && closeWaiting_ && !form_->Ended) form_->Form_Unload();
  if (form_->Ended && busy_ == 0) {
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
