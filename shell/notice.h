// A notice over the board: the messages that only inform, shown without stopping play.
// It fades by itself, or goes at the next press.
#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace korvel {

class Notice : public QWidget {
 public:
  explicit Notice(QWidget* parent);

  // Adds a message (the newest last; a few are kept at once) and starts the fading again.
  void Post(const QString& title, const QString& text);
  void Dismiss();
  // The messages shown now, "title: text" (the title left out when blank).
  const QStringList& Lines() const { return lines_; }
  bool Showing() const { return !lines_.isEmpty(); }
  // Centres the notice on a point of the parent at a scale of the design size.
  void Place(QPointF centre, qreal scale);

  static constexpr int HOLD_MS = 2200;
  static constexpr int FADE_MS = 600;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Tick();
  void Relayout();
  qreal Opacity() const;

  QStringList lines_;
  QTimer tick_;
  QElapsedTimer since_;
  QPointF centre_{351, 291};
  qreal scale_ = 1.0;
};

}  // namespace korvel
