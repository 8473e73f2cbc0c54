// The window's picture: a back buffer that keeps everything drawn on it, so that covering,
// minimising or moving the window never loses the board, and the headless runner can save
// it as a PNG.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <array>
#include <functional>

#include "play/ports.h"
#include "view/canvas.h"

namespace korvel {

// The window's drawing area in pixels at the design resolution (15 twips to a pixel).
inline constexpr int CANVAS_WIDTH = 745;
inline constexpr int CANVAS_HEIGHT = 580;

// A window point in twips to the pixel it falls in (rounded toward minus infinity).
int TwipsToPixel(double twips);
// The colour of an index of the classic 16-colour palette (black for anything else).
QColor PaletteColour(int index);
// The picture of a picture code at its natural size (a null image for codes without one).
const QImage& PictureOf(PieceCode code);
// The 32 x 32 turn icon pictures.
const QImage& IconPicture(TurnIcon icon);
// The about box's banner.
const QImage& BannerPicture();

class PainterCanvas : public Canvas {
 public:
  // `dpr` is the device pixel ratio the picture is held at: everything is drawn in logical
  // pixels and comes out sharp on a screen of that ratio.
  explicit PainterCanvas(qreal dpr = 1.0);

  void DrawPicture(PieceCode code, double x, double y) override;
  void FrameRect(int colour, double x, double y, double w, double h) override;
  void SetBold(bool bold) override;
  void PrintText(double x, double y, std::string_view text, int colour, int sizePt) override;
  void Flush() override;

  const QImage& Image() const { return image_; }
  qreal DevicePixelRatio() const { return image_.devicePixelRatio(); }
  // A copy of the picture with the turn icon drawn over it where the window shows it.
  QImage WithIcon(bool shown, TurnIcon icon, int leftTwips, int topTwips) const;
  // The font the text of a size is printed in (the window's Mincho face).
  QFont TextFont(int sizePt) const;

  // Called by Flush: the window repaints itself from the picture there and then.
  std::function<void()> onFlush;
  // Called on the first change after the picture was last shown (MarkShown): the window
  // schedules a repaint, so that what a handler draws appears as soon as events are
  // processed again, e.g. under a message box it opens.
  std::function<void()> onChange;
  void MarkShown() { changed_ = false; }

 private:
  // A picture at the device's pixels, scaled once (the ratio 1 draws the originals).
  const QImage& DevicePicture(PieceCode code);

  void Changed() {
    if (changed_) return;
    changed_ = true;
    if (onChange) onChange();
  }

  QImage image_;
  bool bold_ = false;
  bool changed_ = false;
  std::array<QImage, 92> devicePictures_;
};

}  // namespace korvel
