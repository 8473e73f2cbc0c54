#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "play/game_record.h"
#include "shell/qt_texts.h"
#include "shell/time_dialog.h"
#include "shell/translations.h"

namespace korvel {

void DrawOutlined(QPainter& p, const QPainterPath& path) {
  p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(path);
}

namespace {

// How strongly the last move's squares take the mover's colour (of 255).
constexpr int LAST_MOVE_ALPHA = 90;

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

// The smallest drawing area: half the design size.
constexpr int MIN_AREA_WIDTH = CANVAS_WIDTH / 2;
constexpr int MIN_AREA_HEIGHT = CANVAS_HEIGHT / 2;

// An entry's caption with its mnemonic: "対局(&G)" after a Japanese caption; in English the
// letter is marked where the caption holds it ("&Game"), or added after it.
QString CaptionOf(const MenuEntry& e) {
  QString caption = QText(e.caption);
  if (!e.mnemonic) return caption;
  if (CurrentLanguage() != Language::JAPANESE) {
    const int at = static_cast<int>(caption.indexOf(QLatin1Char(e.mnemonic), 0, Qt::CaseInsensitive));
    if (at >= 0) return caption.insert(at, QLatin1Char('&'));
    return caption + QStringLiteral(" (&%1)").arg(QLatin1Char(e.mnemonic));
  }
  return caption + QStringLiteral("(&%1)").arg(QLatin1Char(e.mnemonic));
}

int HumanSeats(const GameState& s, int* seat) {
  int n = 0;
  for (int k = SITA; k <= MIGI; ++k)
    if (s.PlayerKind[k] == HUMAN) {
      ++n;
      *seat = k;
    }
  return n;
}

}  // namespace

BoardView::BoardView(PainterCanvas& canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas), notice_(new Notice(this)), sharpen_(new QTimer(this)) {
  setObjectName(QStringLiteral("DrawingArea"));
  sharpen_->setObjectName(QStringLiteral("Sharpen"));
  sharpen_->setSingleShot(true);
  sharpen_->setInterval(150);
  connect(sharpen_, &QTimer::timeout, this, [this] {
    if (canvas_.Sharpen()) update();
  });
  setMinimumSize(MIN_AREA_WIDTH, MIN_AREA_HEIGHT);
  resize(CANVAS_WIDTH, CANVAS_HEIGHT);
  // Everything is painted from the back buffer: nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardView::Fit() {
  const qreal s = std::min(static_cast<qreal>(width()) / CANVAS_WIDTH,
                           static_cast<qreal>(height()) / CANVAS_HEIGHT);
  if (s <= 0) return;
  const qreal dpr = devicePixelRatioF();
  // The drawing is centred, its corner on a whole device pixel.
  const QPointF origin(std::floor((width() - CANVAS_WIDTH * s) / 2 * dpr) / dpr,
                       std::floor((height() - CANVAS_HEIGHT * s) / 2 * dpr) / dpr);
  const bool moved = s != scale_ || origin != origin_;
  scale_ = s;
  origin_ = origin;
  // While the window is being resized the pictures are stretched; once it rests they are
  // drawn at the new size.
  canvas_.SetRatio(s * dpr, true);
  if (canvas_.Stretched()) sharpen_->start();
  // The notice stands over the middle of the board.
  notice_->Place(origin_ + QPointF((CellX(5) + CELL_TWIPS / 2) / TWIPS_PER_PIXEL,
                                   (CellY(5) + CELL_TWIPS / 2) / TWIPS_PER_PIXEL) *
                               s,
                 s);
  if (moved) emit placed();
}

QPointF BoardView::ToTwips(QPointF p) const {
  // The press is reported at the centre of the area's pixel it fell in.
  return QPointF((std::floor(p.x()) + 0.5 - origin_.x()) / scale_ * TWIPS_PER_PIXEL,
                 (std::floor(p.y()) + 0.5 - origin_.y()) / scale_ * TWIPS_PER_PIXEL);
}

void BoardView::resizeEvent(QResizeEvent*) {
  Fit();
}

void BoardView::paintEvent(QPaintEvent*) {
  const qreal dpr = devicePixelRatioF();
  // Moved to a screen of another pixel ratio: drawn again for it.
  if (canvas_.DevicePixelRatio() != scale_ * dpr) Fit();
  {
    QPainter p(this);
    const QImage& img = canvas_.Image();
    const QRectF target(origin_, QSizeF(img.width() / dpr, img.height() / dpr));
    if (!target.contains(QRectF(rect()))) {
      const QColor dark(18, 22, 18);
      p.fillRect(QRectF(0, 0, width(), target.top()), dark);
      p.fillRect(QRectF(0, target.bottom(), width(), height() - target.bottom()), dark);
      p.fillRect(QRectF(0, 0, target.left(), height()), dark);
      p.fillRect(QRectF(target.right(), 0, width() - target.right(), height()), dark);
    }
    p.drawImage(target, img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(origin_);
    p.scale(scale_, scale_);
    emit painting(p);
  }
  canvas_.MarkShown();
  emit painted();
}

void BoardView::mousePressEvent(QMouseEvent* event) {
  const QPointF t = ToTwips(event->position());
  emit pressed(ButtonOf(event->button()), ShiftOf(event->modifiers()), t.x(), t.y());
}

MainWindow::MainWindow(qreal dpr) : canvas_(std::make_unique<PainterCanvas>(dpr)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(Text(TextId::WINDOW_TITLE)));
  view_ = new BoardView(*canvas_, this);
  setCentralWidget(view_);
  icons_ = std::make_unique<QtTurnIcons>(view_);
  BuildEntries(false);
  BuildKeys();
  BuildRecordEntries();
  connect(view_, &BoardView::placed, this, [this] {
    icons_->Place(view_->Scale(), view_->Origin(), view_->devicePixelRatioF());
    RememberSize();
  });
  connect(view_, &BoardView::painting, this, [this](QPainter& p) {
    DrawKeyCursor(p);
    if (form_ && form_->PresentsNetworkGame()) {
      DrawNetworkNames(p);
      return;
    }
    DrawLastMove(p);
    DrawSeatNames(p);
    DrawThinkingTime(p);
  });
  // The clocks, over either game: drawn last, beside the armies.
  connect(view_, &BoardView::painting, this, [this](QPainter& p) { DrawClocks(p); });
  clockTick_ = new QTimer(this);
  clockTick_->setInterval(200);
  connect(clockTick_, &QTimer::timeout, this, [this] {
    if (!form_ || ended_) return;
    // A handler that waits (a box, the computers' turn) is left alone: the computer's turn
    // checks its own time, and a person's runs out once the handler returns.
    if (busy_ == 0 && !form_->PresentsNetworkGame() && form_->Clocks())
      Dispatch([this] { form_->ClockTick(); });
    UpdateClockTimer();
    view_->update();
  });
  thinkingTick_ = new QTimer(this);
  thinkingTick_->setInterval(100);
  connect(thinkingTick_, &QTimer::timeout, view_, [this] { view_->update(); });
  resize(CANVAS_WIDTH, CANVAS_HEIGHT + menuBar()->sizeHint().height());

  // The computer thinks inside a handler: its caption and move must be seen at once.
  canvas_->onFlush = [this] {
    if (form_ && moveList_->isVisible()) moveList_->Show(form_->TheGame());
    view_->repaint();
  };
  canvas_->onChange = [this] { view_->update(); };
  // Esc while the computers play (and the gate drops every other key) ends the program.
  InputGate::OnEscape(this, [this] {
    if (busy_ > 0 && MayEnd()) RequestEnd();
  });
  // The keys of the entries that work while a computer thinks pass the closed gate.
  for (const MenuEntry& e : MenuTable()) {
    if (!e.Has(WHILE_THINKING) || !e.shortcut) continue;
    const QKeySequence key(QString::fromLatin1(e.shortcut), QKeySequence::PortableText);
    InputGate::OnKey(this, key[0], [this, control = QString::fromLatin1(e.control)] {
      if (QAction* a = Action(control); a && a->isEnabled()) a->trigger();
    });
  }
}

MainWindow::~MainWindow() {
  InputGate::ForgetEscape(this);
  canvas_->onFlush = nullptr;
  canvas_->onChange = nullptr;
  view_->disconnect(this);
}

void MainWindow::BuildEntries(bool network) {
  const std::vector<MenuEntry>& table = MenuTable();
  std::vector<QMenu*> open;  // open[k]: the menu that takes the entries of level k + 2
  for (size_t i = 0; i < table.size(); ++i) {
    const MenuEntry& e = table[i];
    const QString control = QString::fromLatin1(e.control);
    const QString caption = CaptionOf(e);
    open.resize(std::max(e.level - 1, 0));
    if (OpensMenu(i)) {
      QMenu* menu = menus_.value(control);
      if (!menu) {
        menu = e.level == 1 ? menuBar()->addMenu(caption) : open.back()->addMenu(caption);
        menu->setObjectName(control);
        menu->menuAction()->setObjectName(control);
        menus_.insert(control, menu);
        actions_.insert(control, menu->menuAction());
      }
      open.push_back(menu);
      continue;
    }
    if (e.Has(NETWORK) != network) continue;
    QAction* action = nullptr;
    if (e.level == 0) {
      action = new QAction(caption, this);
      addAction(action);
    } else if (e.level == 1) {
      if (e.Has(SEPARATED)) menuBar()->addSeparator();
      action = menuBar()->addAction(caption);
    } else {
      if (e.Has(SEPARATED)) open.back()->addSeparator();
      action = open.back()->addAction(caption);
    }
    action->setObjectName(control);
    actions_.insert(control, action);
    if (e.shortcut)
      action->setShortcut(
          QKeySequence(QString::fromLatin1(e.shortcut), QKeySequence::PortableText));
    if (e.check) action->setCheckable(true);
    if (e.Has(NETWORK_ON) || e.Has(WHILE_THINKING) || e.task == WindowTask::NEW_GAME)
      action->setEnabled(false);
    Wire(action, e);
  }
  // The marks the menu bar starts with, before any option is read.
  if (!network) SyncChecks(Options());
}

void MainWindow::Wire(QAction* action, const MenuEntry& e) {
  if (const auto handler = e.handler) {
    const QString control = QString::fromLatin1(e.control);
    const bool mode = e.Has(GAME_MODE), whileBusy = e.Has(WHILE_BUSY);
    connect(action, &QAction::triggered, this, [this, handler, mode, control, whileBusy] {
      if (!form_) return;
      // The menus work while the computers play, so that 終わり can end the program then;
      // every other entry chosen meanwhile is dropped, as a press would be.
      if (whileBusy && !MayEnd()) return;
      if (busy_ > 0) {
        if (whileBusy) RequestEnd();
        return;
      }
      if (mode) {
        lastMode_ = control;
        EnableNewGame();
      }
      Dispatch([this, handler] { (form_->*handler)(); });
    });
    return;
  }
  switch (e.task) {
    case WindowTask::OPEN_RECORD:
      connect(action, &QAction::triggered, this, [this] { ChooseRecord(false); });
      break;
    case WindowTask::SAVE_RECORD:
      connect(action, &QAction::triggered, this, [this] { ChooseRecord(true); });
      break;
    case WindowTask::NEW_GAME:
      connect(action, &QAction::triggered, this, [this] { NewGame(); });
      break;
    case WindowTask::MOVE_NOW:
      connect(action, &QAction::triggered, this, [this] {
        if (thinking_) emit moveNowRequested();
      });
      break;
    case WindowTask::OPEN_MENUS:
      connect(action, &QAction::triggered, this, [this] {
        if (!menuBar()->actions().isEmpty())
          menuBar()->setActiveAction(menuBar()->actions().first());
      });
      break;
    case WindowTask::TIME_CONTROL:
      connect(action, &QAction::triggered, this, [this] {
        if (!form_ || ended_ || busy_ > 0) return;
        if (const auto chosen = AskTimeControl(this, form_->ChosenTimeControl()))
          form_->SetTimeControl(*chosen);
        UpdateClockTimer();
      });
      break;
    case WindowTask::NONE:
    case WindowTask::NET_GAME:  // the network session does these (shell/net_session.cpp)
    case WindowTask::NET_LEAVE:
    case WindowTask::HINT:  // 検討 does these (shell/study.cpp)
    case WindowTask::ANALYZE:
      break;
  }
}

void MainWindow::AddNetworkEntries() {
  if (networkEntries_) return;
  networkEntries_ = true;
  BuildEntries(true);
}

void MainWindow::SetNetworkGameOn(bool on) {
  networkOn_ = on;
  for (const MenuEntry& e : MenuTable()) {
    QAction* a = actions_.value(QString::fromLatin1(e.control));
    if (!a) continue;
    if (e.Has(LOCAL_GAME)) a->setEnabled(!on);
    if (e.Has(NETWORK_ON)) a->setEnabled(on);
  }
  EnableNewGame();
}

void MainWindow::EnableNewGame() {
  // No game mode is kept from an earlier run: 新しい対局 waits for the first one chosen.
  if (QAction* a = TaskAction(WindowTask::NEW_GAME))
    a->setEnabled(!networkOn_ && FindMenuHandler(lastMode_.toStdString()));
}

void MainWindow::AddEndQuestion(std::function<bool()> mayEnd) {
  endQuestions_.push_back(std::move(mayEnd));
}

bool MainWindow::MayEnd() {
  if (endQuestions_.empty()) return true;
  // A question asked while the computers play must take its answer.
  int closed = 0;
  for (; InputGate::IsClosed(); ++closed) InputGate::Open();
  bool may = true;
  for (const std::function<bool()>& ask : endQuestions_)
    if (!ask()) {
      may = false;
      break;
    }
  while (closed-- > 0) InputGate::Close();
  return may;
}

void MainWindow::SetThinking(bool thinking) {
  thinking_ = thinking;
  if (thinking) {
    thinkingFor_.start();
    thinkingTick_->start();
  } else {
    thinkingTick_->stop();
  }
  for (const MenuEntry& e : MenuTable())
    if (e.Has(WHILE_THINKING))
      if (QAction* a = actions_.value(QString::fromLatin1(e.control))) a->setEnabled(thinking);
  view_->update();
}

// Under the caption 思考中: how long the computer has thought, in tenths of a second.
void MainWindow::DrawThinkingTime(QPainter& p) {
  if (!thinking_) return;
  const QString seconds = QString::number(thinkingFor_.elapsed() / 1000.0, 'f', 1);
  const QString text =
      QString::fromStdString(Fill(TextId::THINKING_TIME, {seconds.toStdString()}));
  QFont font = canvas_->TextFont(12);
  font.setPixelSize(14);
  QPainterPath path;
  path.addText(QPointF(CellX(-1.3) / TWIPS_PER_PIXEL + 2, CellY(0.2) / TWIPS_PER_PIXEL + 42), font,
               text);
  DrawOutlined(p, path);
}

QAction* MainWindow::TaskAction(WindowTask task) const {
  for (const MenuEntry& e : MenuTable())
    if (e.task == task) return actions_.value(QString::fromLatin1(e.control));
  return nullptr;
}

// A new game in the game mode chosen last (Ctrl+N).
void MainWindow::NewGame() {
  const MenuEntry* mode = FindMenuHandler(lastMode_.toStdString());
  if (!form_ || !mode || busy_ > 0) return;
  const auto handler = mode->handler;
  Dispatch([this, handler] {
    form_->CANCEL_Click();
    (form_->*handler)();
  });
}

namespace {

// Esc on the menu bar when no menu is open: the bar keeps the keyboard after Esc closed
// its menu, and the player's next Esc must still reach the window.
class EscapeFromBar : public QObject {
 public:
  EscapeFromBar(QMenuBar* bar, std::function<void()> escape)
      : QObject(bar), bar_(bar), escape_(std::move(escape)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != bar_ || event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape ||
        QApplication::activePopupWidget())
      return false;
    // Out of the bar's keyboard mode first, as its own Esc would have done.
    bar_->setActiveAction(nullptr);
    if (QWidget* window = bar_->window()) window->setFocus(Qt::OtherFocusReason);
    escape_();
    return true;
  }

 private:
  QMenuBar* bar_;
  std::function<void()> escape_;
};

}  // namespace

void MainWindow::BuildKeys() {
  menuBar()->installEventFilter(new EscapeFromBar(menuBar(), [this] {
    if (!MayEnd()) return;
    if (busy_ > 0) RequestEnd();
    else if (form_) Dispatch([this] { form_->Form_KeyPress(27); });
  }));
}

void MainWindow::Attach(Form1& form) {
  form_ = &form;
  connect(view_, &BoardView::pressed, this,
          [this](MouseButton button, int shift, double x, double y) {
            if (!form_) return;
            // A press on a network game only sends an intention: the window's own game and
            // its menus, notices and move list stay as they are.
            if (form_->PresentsNetworkGame()) {
              if (!ended_) form_->Form_MouseDown(button, shift, x, y);
              return;
            }
            if (busy_ > 0) return;  // a press let through while the computers play is no move
            view_->Notices().Dismiss();
            Dispatch([=, this] {
              // A press on the picked piece again drops the pick, quietly.
              if (!form_->Unpick(x, y)) form_->Form_MouseDown(button, shift, x, y);
            });
          });
}

bool MainWindow::Load() {
  if (form_) {
    form_->LoadOptionsFile();
    storedOptions_ = FormatOptionsFile(form_->TheOptions());
    const int w = form_->TheOptions().windowWidth, h = form_->TheOptions().windowHeight;
    resize(w, h + menuBar()->sizeHint().height());
    Recaption();
    ApplyOptions();
  }
  Dispatch([this] { form_->Form_Load(); });
  loaded_ = true;
  return !ended_;
}

QAction* MainWindow::Action(const QString& control) const {
  return actions_.value(control);
}
QMenu* MainWindow::Menu(const QString& control) const {
  return menus_.value(control);
}

void MainWindow::SyncChecks(const Options& options) {
  for (const MenuEntry& e : MenuTable())
    if (e.check) actions_.value(QString::fromLatin1(e.control))->setChecked(options.*(e.check));
}

void MainWindow::Recaption() {
  const Language now = CurrentLanguage();
  if (now == captions_) return;
  captions_ = now;
  UseQtTranslations(now == Language::JAPANESE);
  setWindowTitle(QText(TextId::WINDOW_TITLE));
  for (const MenuEntry& e : MenuTable()) {
    const QString control = QString::fromLatin1(e.control);
    if (QMenu* menu = menus_.value(control)) menu->setTitle(CaptionOf(e));
    else if (QAction* a = actions_.value(control)) a->setText(CaptionOf(e));
  }
  moveList_->Recaption();
  emit languageChanged();
}

void MainWindow::ApplyOptions() {
  if (!form_) return;
  const Options& o = form_->TheOptions();
  canvas_->SetTint(o.IROWAKE);
  if (!o.OSHIRASE) view_->Notices().Dismiss();
  moveList_->setVisible(o.KIFU_WINDOW);
  if (o.KIFU_WINDOW) moveList_->Show(form_->TheGame());
  view_->update();
}

void MainWindow::RememberSize() {
  // A maximised window keeps the size it had before, to come back to.
  if (!form_ || !loaded_ || isMaximized() || isFullScreen()) return;
  form_->TheOptions().windowWidth = std::clamp(view_->width(), MIN_WINDOW_SIDE, MAX_WINDOW_SIDE);
  form_->TheOptions().windowHeight = std::clamp(view_->height(), MIN_WINDOW_SIDE, MAX_WINDOW_SIDE);
}

void MainWindow::Dispatch(const std::function<void()>& handler) {
  if (!form_ || ended_) return;
  const std::string before = FormatOptionsFile(form_->TheOptions());
  ++busy_;
  handler();
  // Presses, keys and menu choices made while the handler ran (the computers' turns) are
  // dropped here, not replayed as the player's next move.
  if (busy_ == 1) InputGate::Drain();
  --busy_;
  SyncChecks(form_->TheOptions());
  Recaption();
  if (moveList_->isVisible()) moveList_->Show(form_->TheGame());
  const std::string after = FormatOptionsFile(form_->TheOptions());
  if (after != before) {
    storedOptions_ = after;  // the option handlers save what they change
    ApplyOptions();
  }
  if (busy_ == 0) UpdateClockTimer();
  if (busy_ == 0 && closeWaiting_ && !form_->Ended()) form_->Form_Unload();
  if (form_->Ended() && busy_ == 0) {
    ended_ = true;
    // The window's size is kept for the next start when it changed.
    if (storedOptions_ != FormatOptionsFile(form_->TheOptions())) form_->SaveOptionsFile();
    hide();
    emit ended();
  }
}

bool MainWindow::TakeNotice(const std::string& title, const std::string& prompt) {
  if (!form_ || !form_->TheOptions().OSHIRASE) return false;
  // The result of a game and the word before play resumes are read before going on.
  if (title == Text(TextId::TITLE_END) || title == Text(TextId::TITLE_RESUME)) return false;
  view_->Notices().Post(QString::fromStdString(title), QString::fromStdString(prompt));
  return true;
}

std::string MainWindow::Addendum(const std::string& title, const std::string& prompt) {
  if (!form_ || !form_->TheOptions().IROWAKE || title != Text(TextId::TITLE_END)) return "";
  const GameState& s = form_->State();
  int seat = NO_SEAT;
  if (s.GameMode != 1 || HumanSeats(s, &seat) != 1) return "";
  for (int team : {SITA, HIDARI}) {
    if (prompt == Fill(TextId::WINS, {TeamName(team)}))
      return IsFirstTeam(team) == IsFirstTeam(seat) ? Text(TextId::YOU_WIN) : Text(TextId::YOU_LOSE);
  }
  return "";
}

void MainWindow::DrawSeatNames(QPainter& p) {
  if (!form_ || !form_->TheOptions().IROWAKE) return;
  const GameState& s = form_->State();
  int human = NO_SEAT;
  const int humans = HumanSeats(s, &human);
  if (!s.GameStarted || s.GameMode != 1 || humans < 1 || humans > 2) return;
  struct Place {
    int seat;
    double x, y;  // cells
  };
  static constexpr Place PLACES[] = {
      {SITA, 2.0, 10.15}, {UE, 2.0, -0.62}, {HIDARI, -1.0, 4.98}, {MIGI, 11.0, 4.98}};
  QFont font = canvas_->TextFont(12);
  font.setPixelSize(14);
  for (const Place& pl : PLACES) {
    const int seat = pl.seat;
    const int partner = seat == SITA ? UE : seat == UE ? SITA : seat == HIDARI ? MIGI : HIDARI;
    const char* name = s.PlayerKind[seat] == HUMAN      ? Text(TextId::SEAT_SELF)
                       : s.PlayerKind[partner] == HUMAN ? Text(TextId::SEAT_PARTNER)
                                                        : Text(TextId::SEAT_OPPONENT);
    const QPointF at(CellX(pl.x) / TWIPS_PER_PIXEL, CellY(pl.y) / TWIPS_PER_PIXEL);
    // A dot of the seat's colour, then the name, white with a dark edge.
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(PainterCanvas::SeatColour(seat));
    p.drawEllipse(QRectF(at.x(), at.y() + 4, 11, 11));
    QPainterPath path;
    path.addText(at + QPointF(15, 15), font, QString::fromUtf8(name));
    DrawOutlined(p, path);
  }
}

// The keyboard's cursor, only once its keys were used: a frame of its own colour inside the
// cell, over the picture (so the runner's picture knows nothing of it).
void MainWindow::DrawKeyCursor(QPainter& p) {
  if (!form_ || !form_->KeyCursorShown()) return;
  const Square c = form_->KeyCursor();
  const QRectF cell(CellX(c.x) / TWIPS_PER_PIXEL, CellY(c.y) / TWIPS_PER_PIXEL,
                    CELL_TWIPS / TWIPS_PER_PIXEL, CELL_TWIPS / TWIPS_PER_PIXEL);
  p.save();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(20, 20, 20), 5));
  p.drawRect(cell.adjusted(3, 3, -3, -3));
  p.setPen(QPen(QColor(80, 220, 255), 3));
  p.drawRect(cell.adjusted(3, 3, -3, -3));
  p.restore();
}

void MainWindow::UpdateClockTimer() {
  // Only a game with clocks wakes the window: without them nothing runs, as before.
  const bool any = form_ && !ended_ && !form_->ClockLabels().empty();
  if (any && !clockTick_->isActive()) clockTick_->start();
  if (!any && clockTick_->isActive()) {
    clockTick_->stop();
    view_->update();
  }
}

void MainWindow::DrawClocks(QPainter& p) {
  if (!form_) return;
  QFont font = canvas_->TextFont(12);
  font.setPixelSize(14);
  font.setBold(true);
  for (const Form1::ClockLabel& label : form_->ClockLabels()) {
    const QPointF at(CellX(label.x) / TWIPS_PER_PIXEL, CellY(label.y) / TWIPS_PER_PIXEL);
    // A dot of the seat's colour, ringed while its clock runs, then the time.
    p.setPen(label.running ? QPen(QColor(255, 230, 80), 2.0) : QPen(Qt::black, 1.2));
    p.setBrush(PainterCanvas::SeatColour(label.seat));
    p.drawEllipse(QRectF(at.x(), at.y() - 10, 9, 9));
    QPainterPath path;
    path.addText(at + QPointF(12, 0), font, QString::fromStdString(label.text));
    p.setPen(QPen(QColor(20, 20, 20), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(label.byoyomi ? QColor(255, 150, 60)
               : label.running ? QColor(255, 230, 80)
                               : QColor(Qt::white));
    p.drawPath(path);
  }
}

void MainWindow::DrawNetworkNames(QPainter& p) {
  QFont font = canvas_->TextFont(12);
  font.setPixelSize(14);
  p.setFont(font);
  for (const Form1::NameLabel& label : form_->NetworkNameLabels()) {
    QString text = QString::fromStdString(label.name);
    if (label.own) text = QFill(TextId::NET_OWN_MARK, {text});
    if (label.missing) text = QFill(TextId::NET_MISSING_MARK, {text});
    if (label.toMove) text = QStringLiteral("▶ ") + text;
    const QPointF point(CellX(label.x) / TWIPS_PER_PIXEL, CellY(label.y) / TWIPS_PER_PIXEL);
    p.setPen(QPen(Qt::black));
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if (dx || dy) p.drawText(point + QPointF(dx, dy), text);
    // A player who has gone is greyed until they come back or the computer takes the seat.
    p.setPen(label.missing  ? QColor(150, 150, 150)
             : label.toMove ? QColor(255, 230, 80)
                            : QColor(Qt::white));
    p.drawText(point, text);
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
  if (code == 27 && !MayEnd()) return;
  if (busy_ > 0) {
    if (code == 27) RequestEnd();
    return;
  }
  Dispatch([this, code] { form_->Form_KeyPress(code); });
  // The keyboard's cursor is drawn over the picture.
  if (form_->KeyCursorShown()) view_->update();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!form_ || ended_) {
    event->accept();
    return;
  }
  if (!MayEnd()) {
    event->ignore();
    return;
  }
  // A close while the computers play ends their run at its next step (a thinking is
  // stopped at once, a pause cut short); the program ends when the handler returns.
  if (busy_ > 0) {
    RequestEnd();
    event->ignore();
    return;
  }
  event->ignore();  // the window goes when the program ends, not before
  Dispatch([this] { form_->Form_Unload(); });
}

void MainWindow::RequestEnd() {
  if (!form_ || ended_ || busy_ == 0) return;
  closeWaiting_ = true;
  form_->RequestEnd();
  emit endRequestedWhileBusy();
}

bool MainWindow::BoxEscapeEnds() {
  return form_ && busy_ > 0 && form_->ComputersPlaying();
}

void MainWindow::EndFromBox() {
  if (MayEnd()) RequestEnd();
}

// --- records, the move list, the last move ------------------------------------------------

void MainWindow::BuildRecordEntries() {
  choosePath = [this](bool save) { return ChooseRecordPath(save); };
  // 前回の続き is offered only when a game was kept.
  if (QMenu* games = Menu(QStringLiteral("TAIKYOKU")))
    connect(games, &QMenu::aboutToShow, this, [this] {
      if (QAction* a = Action(QStringLiteral("ZENKAI")))
        a->setEnabled(form_ && form_->HasUnfinishedGame());
    });

  moveList_ = new MoveList(this);
  addDockWidget(Qt::RightDockWidgetArea, moveList_);
  moveList_->hide();
  moveList_->onPick = [this](int count) {
    if (busy_ > 0) return;
    Dispatch([this, count] { form_->StepHistoryTo(count); });
  };
}

// 棋譜を開く... and 棋譜を保存...: the file dialog, then the application object's part.
void MainWindow::ChooseRecord(bool save) {
  if (!form_ || ended_ || busy_ > 0) return;
  const QString path = choosePath ? choosePath(save) : QString();
  if (path.isEmpty()) return;
  if (save)
    Dispatch([this, p = path.toStdString()] { form_->SaveRecord(p); });
  else
    Dispatch([this, p = path.toStdString()] { form_->OpenRecord(p); });
}

QString MainWindow::ChooseRecordPath(bool save) {
  QFileDialog dialog(this, QText(save ? TextId::FILE_DIALOG_SAVE : TextId::FILE_DIALOG_OPEN));
  dialog.setNameFilters({QFill(TextId::FILE_FILTER_RECORDS, {QLatin1String(RECORD_EXTENSION)}),
                         QText(TextId::FILE_FILTER_ALL)});
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save) dialog.setDefaultSuffix(QLatin1String(RECORD_EXTENSION));
  dialog.setDirectory(RecordDialogFolder());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString chosen = dialog.selectedFiles().first();
  if (form_) form_->NoteRecordFolder(QFileInfo(chosen).absolutePath().toStdString());
  return chosen;
}

QString MainWindow::RecordDialogFolder() {
  if (!form_) return QString();
  const std::string remembered = form_->TheOptions().recordFolder;
  if (!remembered.empty() && QFileInfo(QString::fromStdString(remembered)).isDir())
    return QString::fromStdString(remembered);
  // The records folder in the user's data area, made when it is missing.
  const QString records =
      QFileInfo(QString::fromStdString(form_->UserDataPath(RECORDS_FOLDER))).absoluteFilePath();
  QDir().mkpath(records);
  return records;
}

// The squares of the last move, tinted in the mover's colour over whatever is drawn there.
void MainWindow::DrawLastMove(QPainter& p) {
  if (!form_ || !form_->TheOptions().SAISYUTE) return;
  const Game& g = form_->TheGame();
  if (!g.State().GameStarted || g.HistoryCount() < 1) return;
  const MoveRecord& r = g.LastRecord();
  QColor tint = PainterCanvas::SeatColour(r.mover);
  if (!tint.isValid()) return;
  tint.setAlpha(LAST_MOVE_ALPHA);
  const qreal side = CELL_TWIPS / TWIPS_PER_PIXEL;
  auto mark = [&](int x, int y) {
    p.fillRect(QRectF(CellX(x) / TWIPS_PER_PIXEL, CellY(y) / TWIPS_PER_PIXEL, side, side), tint);
  };
  mark(r.toX, r.toY);
  if (OnBoard(r.fromX, r.fromY)) mark(r.fromX, r.fromY);
}

void ConnectThinking(MainWindow& window, QtHost& host) {
  QObject::connect(&window, &MainWindow::endRequestedWhileBusy, &window,
                   [&host] { host.StopThinking(); });
  QObject::connect(&window, &MainWindow::moveNowRequested, &window, [&host] { host.MoveNow(); });
  host.onThinking = [&window](bool thinking) { window.SetThinking(thinking); };
}

}  // namespace korvel
