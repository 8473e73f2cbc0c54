#include "shell/about_box.h"

#include <QPainter>

#include "shell/painter_canvas.h"
#include "shell/qt_texts.h"

namespace korvel {

namespace {

// The box was laid out in twips at 15 to a pixel.
QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

}  // namespace

Form2::Form2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QText(TextId::ABOUT_TITLE));
  setModal(true);
  setFixedSize(4995 / 15, 1530 / 15);

  command1_ = new QPushButton(QText(TextId::ABOUT_HOME_PAGE), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setGeometry(TwipsRect(600, 1080, 1575, 375));
  command1_->setAutoDefault(false);
  command2_ = new QPushButton(QText(TextId::ABOUT_OK), this);
  command2_->setObjectName(QStringLiteral("Command2"));
  command2_->setGeometry(TwipsRect(2880, 1080, 1575, 375));
  command2_->setDefault(true);

  connect(command1_, &QPushButton::clicked, this, [this] { done(1); });
  connect(command2_, &QPushButton::clicked, this, [this] { done(0); });
}

AboutChoice Form2::Run() {
  return exec() == 1 ? AboutChoice::HOME_PAGE : AboutChoice::OK;
}

void Form2::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const QImage& banner = BannerPicture();
  // The banner is a little larger than the box and is cut at the right and the bottom. On
  // a finer screen it is drawn at the screen's pixels.
  const QImage fine = BannerPictureAt(devicePixelRatioF());
  if (!banner.isNull()) p.drawImage(QRect(QPoint(0, 0), banner.size()), fine);
}

}  // namespace korvel
