// The art of every picture the game shows (the wooden square, the 32 pieces, the five
// background tiles, the logo, the two turn icons, the about banner), drawn at any pixel
// size. korvel4-picgen writes the design-size pictures with it; the painter draws with it
// when the window's pixels are larger or smaller than the design's, so that a piece is as
// sharp at twice the size as at the design size. Qt Gui only.
//
// Everything is drawn from fixed seeds, so drawing twice gives the same pixels. Small
// pictures are drawn several times larger and scaled down smoothly: at 47 pixels a piece
// name is only about fourteen pixels tall, and only a supersampled outline keeps the thin
// Mincho strokes legible.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <vector>

namespace korvel::art {

// A board square, and the pitch of everything, in design pixels.
inline constexpr int CELL = 47;
// Background tiles overlap their neighbours by one pixel.
inline constexpr int TILE = 48;

// `design` pixels at `scale` device pixels to the design pixel, rounded up: pictures placed
// at rounded positions then leave no seam.
int DeviceSide(int design, double scale);

// Loads the Mincho face the pieces are written in (once); false when there is none, and the
// names are then written in the default face.
bool LoadMincho();
QString MinchoFamily();

// Seats in the order SITA, HIDARI, UE, MIGI; kinds HU, TO, GIN, GINNARI, KIN, SYA,
// SYANARI, OU.
inline constexpr int SEATS = 4;
inline constexpr int KINDS = 8;
const char* SeatName(int seat);
const char* KindName(int kind);

enum class Background { MIDORI, TAKE, TATAMI, UCHU, RENGA };
inline constexpr int BACKGROUNDS = 5;
const char* BackgroundName(Background b);

// Each picture at `scale` (1 is the design size). The square, the pieces, the tiles, the
// logo and the banner are opaque (RGB888); the icons have alpha (ARGB32).
QImage EmptySquare(double scale);
QImage Piece(int seat, int kind, double scale);
QImage Tile(Background b, double scale);
QImage Logo(double scale);
QImage ManIcon(double scale);
QImage ComIcon(double scale);
QImage Banner(double scale);

// ---- the tools the pictures are drawn with, shared with the program's own icon ----

struct Rgb {
  double r, g, b;
};
Rgb operator+(Rgb a, Rgb b);
Rgb operator*(Rgb a, double k);
Rgb Mix(Rgb a, Rgb b, double t);

// The pentagon of a piece of length `h` pointing up, centred on the origin.
std::vector<QPointF> PiecePolygon(double h);
QPainterPath PolygonPath(const std::vector<QPointF>& pts);
// Boxwood of a piece, in the piece's own pixels (tip up); the grain runs along the piece.
Rgb PieceWood(double lx, double ly, unsigned seed);
// Text in the Mincho face as an outline, baseline at y = 0.
QPainterPath TextPath(const QString& text, double px);
// Places a path so that the centre of its ink lies on (cx, cy).
QPainterPath CentredOnInk(const QPainterPath& p, double cx, double cy, double sx = 1,
                          double sy = 1);
// Fills a path and strokes it in the same colour, `weight` wide.
void PaintInk(QPainter& p, const QPainterPath& path, const QColor& colour, double weight);
QImage ScaleDown(const QImage& big, int w, int h);
// A Gaussian blur of the alpha channel, row after row.
std::vector<double> BlurAlpha(const QImage& src, double sigma);
// Unsharp mask on the coverage of single-coloured lettering.
QImage SharpenInk(const QImage& layer, const QColor& ink, double sigma = 0.5, double amount = 0.7);

}  // namespace korvel::art
