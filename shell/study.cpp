#include "shell/study.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressDialog>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "play/game_record.h"
#include "shell/main_window.h"
#include "shell/qt_texts.h"

namespace korvel {

namespace {

// The moves marked as the costliest: at most this many, each of at least this loss.
constexpr int WORST_SHOWN = 3;
constexpr int WORST_LEAST = 200;
// The graph squeezes a score s to s / (|s| + SCALE): a pawn or two stays readable, a won
// game reaches the edge.
constexpr double SCALE = 800.0;

double Squeezed(int score) {
  return score / (std::abs(score) + SCALE);
}

// The score of the position after `k` moves of the analysis (k = 0: the start).
std::optional<int> ScoreAt(const std::vector<MoveAnalysis>& moves, int k) {
  if (moves.empty()) return std::nullopt;
  return k == 0 ? moves.front().before : moves[static_cast<size_t>(k - 1)].after;
}

QString SignedScore(int score) {
  return score > 0 ? QStringLiteral("+%1").arg(score) : QString::number(score);
}

// The moves of the game's history in order (passes left out), as the move list has them.
std::vector<MoveRecord> HistoryMoves(const Game& game) {
  std::vector<MoveRecord> moves;
  for (const Game::Turn& t : game.Turns())
    if (!t.pass) moves.push_back(t.move);
  return moves;
}

const QColor HINT_COLOUR(255, 140, 0);

}  // namespace

// --- the graph -------------------------------------------------------------------------

AnalysisGraph::AnalysisGraph(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ANALYSIS_GRAPH"));
  setCursor(Qt::PointingHandCursor);
}

void AnalysisGraph::Show(std::vector<MoveAnalysis> moves, std::vector<int> worst) {
  moves_ = std::move(moves);
  worst_ = std::move(worst);
  update();
}

void AnalysisGraph::SetCurrent(int count) {
  if (count == current_) return;
  current_ = count;
  update();
}

QRectF AnalysisGraph::Plot() const {
  return QRectF(6, 18, std::max(width() - 12, 10), std::max(height() - 36, 10));
}

double AnalysisGraph::XOf(int position) const {
  const QRectF r = Plot();
  const int n = std::max(static_cast<int>(moves_.size()), 1);
  return r.left() + r.width() * position / n;
}

int AnalysisGraph::PositionAt(double x) const {
  const QRectF r = Plot();
  const int n = static_cast<int>(moves_.size());
  if (n == 0) return 0;
  const int k = static_cast<int>(std::lround((x - r.left()) / r.width() * n));
  return std::clamp(k, 0, n);
}

void AnalysisGraph::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || moves_.empty()) return;
  if (onPick) onPick(PositionAt(event->position().x()));
}

void AnalysisGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = Plot();
  const double mid = r.center().y(), half = r.height() / 2;
  auto yOf = [&](int score) { return mid - Squeezed(score) * half; };
  p.fillRect(rect(), palette().color(QPalette::Base));
  // The upper half is the team of 下 and 上's, the lower 左 and 右's, each in a pale tint.
  p.fillRect(QRectF(r.left(), r.top(), r.width(), half), QColor(255, 236, 236));
  p.fillRect(QRectF(r.left(), mid, r.width(), half), QColor(232, 240, 255));
  QFont small = font();
  small.setPixelSize(11);
  p.setFont(small);
  p.setPen(palette().color(QPalette::Text));
  p.drawText(QRectF(r.left(), 2, r.width(), 14), Qt::AlignLeft | Qt::AlignVCenter,
             QText(TextId::ANALYSIS_FIRST_AHEAD));
  p.drawText(QRectF(r.left(), r.bottom() + 2, r.width(), 14), Qt::AlignLeft | Qt::AlignVCenter,
             QText(TextId::ANALYSIS_SECOND_AHEAD));
  p.setPen(QPen(QColor(150, 150, 150), 1));
  p.drawLine(QPointF(r.left(), mid), QPointF(r.right(), mid));
  const int n = static_cast<int>(moves_.size());
  if (n == 0) return;
  // The position the game stands at.
  if (current_ >= 0 && current_ <= n) {
    p.setPen(QPen(QColor(40, 90, 200), 1.5));
    p.drawLine(QPointF(XOf(current_), r.top()), QPointF(XOf(current_), r.bottom()));
    if (const std::optional<int> s = ScoreAt(moves_, current_))
      p.drawText(QRectF(r.left(), 2, r.width(), 14), Qt::AlignRight | Qt::AlignVCenter,
                 SignedScore(*s));
  }
  // The scores, a line broken where a position has none.
  p.setPen(QPen(QColor(30, 30, 30), 1.6));
  std::optional<QPointF> last;
  for (int k = 0; k <= n; ++k) {
    const std::optional<int> s = ScoreAt(moves_, k);
    if (!s) {
      last.reset();
      continue;
    }
    const QPointF point(XOf(k), yOf(*s));
    if (last) p.drawLine(*last, point);
    last = point;
  }
  // The costliest moves: a red ring where each left the game, with its rank.
  for (size_t rank = 0; rank < worst_.size(); ++rank) {
    const int k = worst_[rank] + 1;
    const std::optional<int> s = ScoreAt(moves_, k);
    const QPointF at(XOf(k), s ? yOf(*s) : mid);
    p.setPen(QPen(QColor(210, 20, 20), 2));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(at, 6, 6);
    p.setPen(QColor(210, 20, 20));
    p.drawText(QRectF(at.x() - 6, at.y() - 6, 12, 12), Qt::AlignCenter,
               QString::number(static_cast<int>(rank) + 1));
  }
}

// --- the dock --------------------------------------------------------------------------

AnalysisDock::AnalysisDock(QWidget* parent) : QDockWidget(QText(TextId::ANALYSIS_TITLE), parent) {
  setObjectName(QStringLiteral("ANALYSIS"));
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(2, 2, 2, 2);
  graph_ = new AnalysisGraph(box);
  layout->addWidget(graph_, 3);
  auto* head = new QLabel(QText(TextId::ANALYSIS_WORST_HEAD), box);
  head->setObjectName(QStringLiteral("ANALYSIS_WORST_HEAD"));
  layout->addWidget(head);
  worst_ = new QListWidget(box);
  worst_->setObjectName(QStringLiteral("ANALYSIS_WORST"));
  worst_->setMaximumHeight(80);
  layout->addWidget(worst_, 1);
  setWidget(box);
  graph_->onPick = [this](int count) {
    if (onPick) onPick(count);
  };
  connect(worst_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = worst_->row(item);
    const std::vector<int>& worst = graph_->Worst();
    if (onPick && row >= 0 && row < static_cast<int>(worst.size()))
      onPick(worst[static_cast<size_t>(row)] + 1);
  });
}

void AnalysisDock::Show(std::vector<MoveAnalysis> moves) {
  std::vector<int> worst = WorstMoves(moves, WORST_SHOWN, WORST_LEAST);
  worst_->clear();
  for (int i : worst) {
    const MoveAnalysis& m = moves[static_cast<size_t>(i)];
    worst_->addItem(QFill(TextId::ANALYSIS_WORST,
                          {QString::number(m.number), SeatWordOf(m.seat),
                           QString::fromStdString(MoveNotation(m.played)),
                           QString::number(m.loss.value_or(0))}));
  }
  graph_->Show(std::move(moves), std::move(worst));
}

void AnalysisDock::Recaption() {
  setWindowTitle(QText(TextId::ANALYSIS_TITLE));
  if (auto* head = findChild<QLabel*>(QStringLiteral("ANALYSIS_WORST_HEAD")))
    head->setText(QText(TextId::ANALYSIS_WORST_HEAD));
  // The rows name the seats in the window's language.
  if (!graph_->Moves().empty()) Show(graph_->Moves());
}

// --- 検討 ------------------------------------------------------------------------------

Study::Study(MainWindow& window) : QObject(&window), window_(window), poll_(new QTimer(this)) {
  poll_->setInterval(50);
  connect(poll_, &QTimer::timeout, this, [this] { Poll(); });
  if (QAction* hint = window.TaskAction(WindowTask::HINT))
    connect(hint, &QAction::triggered, this, [this] { AskHint(); });
  if (QAction* analyse = window.TaskAction(WindowTask::ANALYZE))
    connect(analyse, &QAction::triggered, this, [this] { Analyse(); });
  connect(window.DrawingArea(), &BoardView::painting, this, [this](QPainter& p) {
    Form1* form = window_.Form();
    if (form && !form->PresentsNetworkGame()) DrawHint(p);
  });
  connect(window.DrawingArea(), &BoardView::painted, this, [this] { Follow(); });
  connect(&window, &MainWindow::languageChanged, this, [this] {
    if (dock_) dock_->Recaption();
  });
}

Study::~Study() {
  hintStop_ = true;
  analysisStop_ = true;
  if (hintWorker_.joinable()) hintWorker_.join();
  if (analysisWorker_.joinable()) analysisWorker_.join();
}

Study::Where Study::Now() const {
  const Form1* form = window_.Form();
  if (!form) return {};
  const Game& g = form->TheGame();
  return {DeepPositionKey(g.State(), g.State().CurrentSeat), static_cast<int>(g.Turns().size()),
          g.TurnsPlayed(), g.HistoryCount()};
}

bool Study::Available() const {
  const Form1* form = window_.Form();
  return form && !form->Ended() && !window_.Busy() && !form->PresentsNetworkGame();
}

void Study::AskHint() {
  if (!Available() || HintThinking()) return;
  const Game& game = window_.Form()->TheGame();
  hint_.reset();
  if (!HintPossible(game)) {
    window_.DrawingArea()->Notices().Post(QText(TextId::HINT_TITLE), QText(TextId::HINT_NONE));
    window_.DrawingArea()->update();
    return;
  }
  hintAt_ = Now();
  hintStop_ = false;
  hintDone_ = false;
  hintResult_.reset();
  hintWorker_ = std::thread([this, game, nodes = hintNodes] {
    YieldToWindow();
    hintResult_ = SuggestMove(game, nodes, &hintStop_);
    hintDone_ = true;
  });
  poll_->start();
  window_.DrawingArea()->update();
}

void Study::Analyse() {
  if (!Available()) return;
  if (Analysing()) {
    if (progress_) progress_->raise();
    return;
  }
  const Game& game = window_.Form()->TheGame();
  if (!game.State().GameStarted || game.HistoryTop() == 0) {
    window_.DrawingArea()->Notices().Post(QText(TextId::ANALYSIS_TITLE),
                                         QText(TextId::ANALYSIS_NONE));
    window_.DrawingArea()->update();
    return;
  }
  const int total = game.HistoryTop() + 1;
  analysisStop_ = false;
  analysisDone_ = false;
  analysisCount_ = 0;
  analysisTotal_ = total;
  analysisResult_ = {};
  progress_ = new QProgressDialog(QFill(TextId::ANALYSIS_PROGRESS, {QStringLiteral("0"),
                                                                   QString::number(total)}),
                                  QText(TextId::ANALYSIS_CANCEL), 0, total, &window_);
  progress_->setObjectName(QStringLiteral("ANALYSIS_PROGRESS"));
  progress_->setWindowTitle(QText(TextId::ANALYSIS_TITLE));
  progress_->setWindowModality(Qt::NonModal);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  progress_->setMinimumDuration(0);
  progress_->setAttribute(Qt::WA_DeleteOnClose);
  connect(progress_, &QProgressDialog::canceled, this, [this] { CancelAnalysis(); });
  progress_->setValue(0);
  progress_->show();
  analysisWorker_ = std::thread([this, game, nodes = analysisNodes] {
    YieldToWindow();
    AnalysisLimits limits;
    limits.nodes = nodes;
    limits.stop = &analysisStop_;
    limits.progress = [this](int done, int) { analysisCount_ = done; };
    analysisResult_ = AnalyseGame(game, limits);
    analysisDone_ = true;
  });
  poll_->start();
}

void Study::CancelAnalysis() {
  analysisStop_ = true;
}

void Study::Poll() {
  if (hintWorker_.joinable() && hintDone_) {
    hintWorker_.join();
    // Anything moved meanwhile: the hint belongs to a position that is gone.
    if (hintResult_ && Now() == hintAt_) hint_ = hintResult_;
    hintResult_.reset();
    window_.DrawingArea()->update();
    emit hintReady();
  }
  if (analysisWorker_.joinable()) {
    const int done = analysisCount_, total = analysisTotal_;
    if (progress_ && !analysisDone_) {
      progress_->setValue(done);
      progress_->setLabelText(
          QFill(TextId::ANALYSIS_PROGRESS, {QString::number(done), QString::number(total)}));
    }
    if (analysisDone_) {
      analysisWorker_.join();
      if (progress_) {
        progress_->disconnect(this);
        progress_->close();
      }
      const bool cancelled = analysisResult_.cancelled;
      if (!cancelled && !analysisResult_.moves.empty()) {
        if (!dock_) {
          dock_ = new AnalysisDock(&window_);
          window_.addDockWidget(Qt::RightDockWidgetArea, dock_);
          dock_->onPick = [this](int count) {
            if (StillOurs() && window_.Moves()->onPick) window_.Moves()->onPick(count);
          };
          // The costliest moves are marked in the move list while the graph is shown.
          connect(dock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
            MarkMoves(visible && StillOurs());
          });
        }
        if (window_.Moves()->isVisible()) window_.splitDockWidget(window_.Moves(), dock_, Qt::Vertical);
        dock_->Show(std::move(analysisResult_.moves));
        dock_->show();
        dock_->raise();
        MarkMoves(true);
        Follow();
        // The move list, shorter now, keeps the current move in view.
        QTimer::singleShot(0, window_.Moves(), [list = window_.Moves()->List()] {
          if (QListWidgetItem* item = list->currentItem()) list->scrollToItem(item);
        });
      }
      analysisResult_ = {};
      emit analysisFinished(cancelled);
    }
  }
  if (!hintWorker_.joinable() && !analysisWorker_.joinable()) poll_->stop();
}

bool Study::StillOurs() const {
  const Form1* form = window_.Form();
  if (!form || !dock_) return false;
  const std::vector<MoveAnalysis>& analysed = dock_->Graph()->Moves();
  const std::vector<MoveRecord> moves = HistoryMoves(form->TheGame());
  if (analysed.size() > moves.size()) return false;
  for (size_t i = 0; i < analysed.size(); ++i)
    if (static_cast<const Move&>(analysed[i].played) != static_cast<const Move&>(moves[i]) ||
        analysed[i].seat != moves[i].mover)
      return false;
  return true;
}

void Study::Follow() {
  if (!dock_ || !dock_->isVisible()) return;
  if (!StillOurs()) {
    // Another game, or other moves played where moves were taken back.
    dock_->hide();
    MarkMoves(false);
    return;
  }
  dock_->Graph()->SetCurrent(window_.Form()->TheGame().HistoryCount());
}

void Study::MarkMoves(bool on) {
  QList<int> rows;
  if (on && dock_)
    for (int i : dock_->Graph()->Worst()) rows << i + 1;
  window_.Moves()->Mark(rows);
}

// The hint over the board: the piece's square (or hand cell) and its destination framed,
// an arrow between them, and the move written under the board; while it is thought, a line
// saying so.
void Study::DrawHint(QPainter& p) {
  QFont font = window_.Canvas().TextFont(12);
  font.setPixelSize(14);
  // Under the board, between the left army's last move text and the turn icon.
  const QPointF textAt(CellX(0.95) / TWIPS_PER_PIXEL, CellY(10.55) / TWIPS_PER_PIXEL);
  if (HintThinking()) {
    if (Now() != hintAt_) {
      hintStop_ = true;  // the position it was asked for is gone
      return;
    }
    QPainterPath path;
    path.addText(textAt, font, QText(TextId::HINT_THINKING));
    DrawOutlined(p, path);
    return;
  }
  if (!hint_) return;
  if (Now() != hintAt_) {
    hint_.reset();
    return;
  }
  const Move& m = *hint_;
  const qreal side = CELL_TWIPS / TWIPS_PER_PIXEL;
  auto cell = [&](int x, int y) {
    return QRectF(CellX(x) / TWIPS_PER_PIXEL, CellY(y) / TWIPS_PER_PIXEL, side, side);
  };
  const QRectF from = cell(m.fromX, m.fromY), to = cell(m.toX, m.toY);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 0, 160), 5));
  p.drawRect(from.adjusted(2, 2, -2, -2));
  p.drawRect(to.adjusted(2, 2, -2, -2));
  p.setPen(QPen(HINT_COLOUR, 2.5, Qt::DashLine));
  p.drawRect(from.adjusted(2, 2, -2, -2));
  p.setPen(QPen(HINT_COLOUR, 3));
  p.drawRect(to.adjusted(2, 2, -2, -2));
  // The arrow from the piece to its destination.
  const QPointF a = from.center(), b = to.center();
  const QPointF d = b - a;
  const double length = std::hypot(d.x(), d.y());
  if (length > 1) {
    const QPointF u = d / length, normal(-u.y(), u.x());
    const QPointF tip = b - u * 6;
    const QPointF start = a + u * 14;
    QPainterPath arrow;
    arrow.moveTo(start);
    arrow.lineTo(tip - u * 9);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - u * 12 + normal * 7);
    head.lineTo(tip - u * 12 - normal * 7);
    head.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 0, 160), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arrow);
    p.setPen(QPen(HINT_COLOUR, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arrow);
    p.setPen(QPen(QColor(0, 0, 0, 160), 1.5));
    p.setBrush(HINT_COLOUR);
    p.drawPath(head);
  }
  QPainterPath path;
  path.addText(textAt, font,
               QFill(TextId::HINT_MOVE, {QString::fromStdString(MoveNotation(m))}));
  DrawOutlined(p, path);
}

Study* InstallStudy(MainWindow& window) {
  return new Study(window);
}

}  // namespace korvel
