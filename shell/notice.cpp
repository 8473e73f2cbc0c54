#include "shell/notice.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "shell/qt_texts.h"

namespace korvel {

namespace {

constexpr int MAX_LINES = 3;

QFont NoticeFont(qreal scale) {
  QFont f;
  f.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic")});
  f.setPixelSize(std::max(8, static_cast<int>(std::lround(18 * scale))));
  f.setBold(true);
  return f;
}

}  // namespace

Notice::Notice(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Notice"));
  // Presses go through to the board: a notice never stands in the player's way.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_TranslucentBackground);
  tick_.setInterval(40);
  connect(&tick_, &QTimer::timeout, this, [this] { Tick(); });
  hide();
}

void Notice::Post(const QString& title, const QString& text) {
  const QString t = title.trimmed();
  lines_.append(t.isEmpty() ? text : QFill(TextId::NOTICE_TITLED, {t, text}));
  while (lines_.size() > MAX_LINES) lines_.removeFirst();
  since_.start();
  tick_.start();
  Relayout();
  show();
  raise();
  update();
}

void Notice::Dismiss() {
  lines_.clear();
  tick_.stop();
  hide();
}

void Notice::Place(QPointF centre, qreal scale) {
  centre_ = centre;
  scale_ = scale;
  Relayout();
}

qreal Notice::Opacity() const {
  if (!since_.isValid()) return 1.0;
  const qint64 t = since_.elapsed();
  if (t <= HOLD_MS) return 1.0;
  return std::clamp(1.0 - static_cast<qreal>(t - HOLD_MS) / FADE_MS, 0.0, 1.0);
}

void Notice::Tick() {
  if (Opacity() <= 0.0) {
    Dismiss();
    return;
  }
  update();
}

void Notice::Relayout() {
  const QFontMetricsF fm(NoticeFont(scale_));
  qreal w = 0;
  for (const QString& l : lines_) w = std::max(w, fm.horizontalAdvance(l));
  const qreal pad = 14 * scale_;
  const qreal h = fm.lineSpacing() * std::max<qsizetype>(1, lines_.size());
  const QSizeF size(w + 2 * pad, h + 2 * pad * 0.7);
  setGeometry(QRectF(centre_ - QPointF(size.width() / 2, size.height() / 2), size).toAlignedRect());
}

void Notice::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(Opacity());
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(QColor(255, 255, 255, 200), std::max(1.0, 1.5 * scale_)));
  p.setBrush(QColor(20, 20, 28, 215));
  p.drawRoundedRect(r, 8 * scale_, 8 * scale_);
  p.setFont(NoticeFont(scale_));
  p.setPen(Qt::white);
  const QFontMetricsF fm(p.font());
  const qreal pad = 14 * scale_;
  qreal y = pad * 0.7 + fm.ascent();
  for (const QString& l : lines_) {
    p.drawText(QPointF((width() - fm.horizontalAdvance(l)) / 2, y), l);
    y += fm.lineSpacing();
  }
}

}  // namespace korvel
