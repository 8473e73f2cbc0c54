// 検討 in the window: ヒント (level 4's move for the person to move, marked over the board,
// never played) and 棋譜解析 (the game's record weighed move by move, shown as a graph beside
// the move list). Both think on a thread of their own with a copy of the game
// (play/analysis.h), so the window goes on meanwhile; both are off in a network game.
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "play/analysis.h"

class QListWidget;
class QPainter;

class QTimer;

namespace korvel {

class MainWindow;

// The evaluation graph: the score after each move for 下 and 上 (up) against 左 and 右
// (down), the moves that lost the most marked, the position the game stands at as a line.
// A press on the graph asks to step to the position under it.
class AnalysisGraph : public QWidget {
  Q_OBJECT
 public:
  explicit AnalysisGraph(QWidget* parent);

  void Show(std::vector<MoveAnalysis> moves, std::vector<int> worst);
  // The position (moves played) the game stands at, marked by a line; -1 for none.
  void SetCurrent(int count);
  const std::vector<MoveAnalysis>& Moves() const { return moves_; }
  const std::vector<int>& Worst() const { return worst_; }
  // The position a point of the widget stands for: 0 the start, k after the k-th move.
  int PositionAt(double x) const;
  // Told the position pressed: the number of moves of the history to stand at.
  std::function<void(int count)> onPick;

  QSize sizeHint() const override { return QSize(240, 150); }
  QSize minimumSizeHint() const override { return QSize(170, 110); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QRectF Plot() const;
  double XOf(int position) const;

  std::vector<MoveAnalysis> moves_;
  std::vector<int> worst_;
  int current_ = -1;
};

// The dock beside the move list: the graph and, under it, the moves that lost the most (a
// click steps to one).
class AnalysisDock : public QDockWidget {
  Q_OBJECT
 public:
  explicit AnalysisDock(QWidget* parent);
  void Show(std::vector<MoveAnalysis> moves);
  void Recaption();
  AnalysisGraph* Graph() const { return graph_; }
  QListWidget* WorstList() const { return worst_; }
  std::function<void(int count)> onPick;

 private:
  AnalysisGraph* graph_;
  QListWidget* worst_;
};

class Study : public QObject {
  Q_OBJECT
 public:
  explicit Study(MainWindow& window);
  ~Study() override;

  // The node budgets: the hint thinks as level 4 plays, the analysis at its own budget.
  std::uint64_t hintNodes = kDeepDefaultNodes;
  std::uint64_t analysisNodes = kAnalysisDefaultNodes;

  void AskHint();
  void Analyse();
  // The hint shown now, if any (cleared when anything moves).
  const std::optional<ChosenMove>& Hint() const { return hint_; }
  bool HintThinking() const { return hintWorker_.joinable(); }
  bool Analysing() const { return analysisWorker_.joinable(); }
  AnalysisDock* Dock() const { return dock_; }
  QProgressDialog* Progress() const { return progress_; }
  // Stops the analysis running (as the progress box's 中止 does).
  void CancelAnalysis();

 signals:
  void hintReady();
  void analysisFinished(bool cancelled);

 private:
  // What a hint belongs to: the position and the history; anything moved, it goes.
  struct Where {
    std::uint64_t key = 0;
    int turns = 0, played = 0, count = 0;
    bool operator==(const Where&) const = default;
  };
  Where Now() const;
  bool Available() const;
  void Poll();
  void DrawHint(QPainter& p);
  // The analysis shown still belongs to the game: its moves begin the game's history.
  bool StillOurs() const;
  void Follow();
  // The costliest moves marked in the move list, or no longer.
  void MarkMoves(bool on);

  MainWindow& window_;
  QTimer* poll_;

  std::thread hintWorker_;
  std::atomic<bool> hintStop_{false}, hintDone_{false};
  std::optional<ChosenMove> hintResult_;  // written by the worker before hintDone_
  Where hintAt_;
  std::optional<ChosenMove> hint_;

  std::thread analysisWorker_;
  std::atomic<bool> analysisStop_{false}, analysisDone_{false};
  std::atomic<int> analysisCount_{0}, analysisTotal_{0};
  GameAnalysis analysisResult_;  // written by the worker before analysisDone_
  QPointer<QProgressDialog> progress_;
  AnalysisDock* dock_ = nullptr;
};

// Adds 検討 to the window: its two entries and the marks it draws over the board.
Study* InstallStudy(MainWindow& window);

}  // namespace korvel
