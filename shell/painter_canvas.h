// The window's picture: a back buffer that keeps everything drawn on it, so that covering,
// minimising or moving the window never loses the board, and the headless runner can save
// it as a PNG.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <array>
#include <functional>
#include <string>
#include <vector>

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
// The picture of a picture code at `ratio` device pixels to the design pixel, drawn at
// that resolution (above or below 1) and kept; at 1 the design-size picture itself.
const QImage& PictureAt(PieceCode code, qreal ratio);
// The 32 x 32 turn icon pictures.
const QImage& IconPicture(TurnIcon icon);
// A turn icon `pixels` wide, drawn at that size.
QImage IconPictureAt(TurnIcon icon, int pixels);
// The about box's banner.
const QImage& BannerPicture();
// The banner drawn at `ratio` device pixels to the design pixel.
QImage BannerPictureAt(qreal ratio);

class PainterCanvas : public Canvas {
 public:
  // `dpr` is the device pixel ratio the picture is held at: everything is drawn in logical
  // pixels and comes out sharp on a screen of that ratio.
  explicit PainterCanvas(qreal dpr = 1.0);

  // Holds the picture at another ratio of device pixels to design pixels (a larger window,
  // a finer screen) and draws all of it again there: sharp at any size. `quick` (a window
  // being resized): pictures not yet drawn at this ratio are stretched from the design size
  // for now, since drawing them all takes a good part of a second; Sharpen finishes them.
  void SetRatio(qreal ratio, bool quick = false);
  // Draws again, at their own resolution, the pictures a quick SetRatio stretched; false
  // when nothing was stretched.
  bool Sharpen();
  bool Stretched() const { return stretched_; }
  // Gives each army's pieces a quiet tint of its seat's colour; everything is drawn again.
  void SetTint(bool tint);
  bool Tint() const { return tint_; }
  // The seat colours of the tint (four colours told apart by colour-blind players too).
  static QColor SeatColour(int seat);

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
  // How many drawing operations are kept for drawing again at another ratio.
  size_t Remembered() const { return ops_.size(); }

 private:
  // What was drawn, kept so that it can be drawn again at another ratio. An operation
  // that a later opaque picture covers completely is forgotten.
  struct Op {
    enum Kind { PICTURE, FRAME, BOLD, TEXT } kind = PICTURE;
    PieceCode code;
    double x = 0, y = 0, w = 0, h = 0;
    int colour = 0, sizePt = 0;
    bool bold = false;
    std::string text;
    QRect bounds;  // in design pixels; empty for BOLD
  };
  void Record(Op op);
  // Forgets what the opaque pictures drawn after it cover together (a full repaint covers
  // the last one's frames and labels, which no single picture covers).
  void Compact();
  void Do(const Op& op);
  void Redraw();
  void DoPicture(PieceCode code, double x, double y);
  void DoFrame(int colour, double x, double y, double w, double h);
  void DoText(double x, double y, std::string_view text, int colour, int sizePt);

  // A picture at the device's pixels, drawn there once (at the ratio 1 the originals), with
  // its seat's tint when that is on.
  const QImage& DevicePicture(PieceCode code);

  void Changed() {
    if (changed_) return;
    changed_ = true;
    if (onChange) onChange();
  }

  QImage image_;
  bool bold_ = false;
  bool changed_ = false;
  bool tint_ = false;
  bool stretched_ = false;
  std::array<QImage, 92> devicePictures_;
  std::vector<Op> ops_;
  size_t compactAt_ = 1024;
};

}  // namespace korvel
