#include "shell/piece_art.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QStringList>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

namespace korvel::art {

int DeviceSide(int design, double scale) {
  return std::max(1, static_cast<int>(std::ceil(design * scale - 1e-6)));
}

namespace {

// Samples per device pixel: `base` at the design size, fewer for larger pictures, so
// that the work stays about the same at every size.
int Samples(int base, double scale) {
  return std::max(2, static_cast<int>(std::ceil(base / scale - 1e-9)));
}

constexpr double kPi = 3.14159265358979323846;
constexpr int kCell = 47;  // a board square, and the pitch of everything
constexpr int kTile = 48;  // background tiles overlap their neighbours by one pixel

// ---------------------------------------------------------------- noise ----

uint32_t hash3(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

double hashUnit(int x, int y, uint32_t seed) {
  return hash3(x, y, seed) / 4294967296.0;
}

int wrapInt(int v, int period) {
  const int r = v % period;
  return r < 0 ? r + period : r;
}

double wrapReal(double v, double period) {
  const double r = std::fmod(v, period);
  return r < 0 ? r + period : r;
}

double fade(double t) {
  return t * t * (3.0 - 2.0 * t);
}

// Value noise on a lattice of cellsX x cellsY cells per unit square; it wraps
// at the unit square, which is what makes the background tiles seamless.
double periodicNoise(double u, double v, int cellsX, int cellsY, uint32_t seed) {
  const double x = u * cellsX, y = v * cellsY;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = fade(x - x0), fy = fade(y - y0);
  const int xa = wrapInt(x0, cellsX), xb = wrapInt(x0 + 1, cellsX);
  const int ya = wrapInt(y0, cellsY), yb = wrapInt(y0 + 1, cellsY);
  const double a = hashUnit(xa, ya, seed), b = hashUnit(xb, ya, seed);
  const double c = hashUnit(xa, yb, seed), d = hashUnit(xb, yb, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double periodicFbm(double u, double v, int cellsX, int cellsY, uint32_t seed, int octaves) {
  double sum = 0, norm = 0, amp = 1;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * periodicNoise(u, v, cellsX << i, cellsY << i, seed + 101u * i);
    norm += amp;
    amp *= 0.5;
  }
  return sum / norm;
}

// Noise that does not need to wrap (piece wood, banner clouds).
double plainNoise(double x, double y, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = fade(x - x0), fy = fade(y - y0);
  const double a = hashUnit(x0, y0, seed), b = hashUnit(x0 + 1, y0, seed);
  const double c = hashUnit(x0, y0 + 1, seed), d = hashUnit(x0 + 1, y0 + 1, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double plainFbm(double x, double y, uint32_t seed, int octaves) {
  double sum = 0, norm = 0, amp = 1, f = 1;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * plainNoise(x * f, y * f, seed + 101u * i);
    norm += amp;
    amp *= 0.5;
    f *= 2;
  }
  return sum / norm;
}

// --------------------------------------------------------------- colour ----

Rgb mix(Rgb a, Rgb b, double t) {
  return Mix(a, b, t);
}
double clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

QRgb toQRgb(Rgb c, double alpha = 1.0) {
  auto ch = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
  return qRgba(ch(c.r), ch(c.g), ch(c.b), ch(alpha * 255.0));
}

Rgb fromQColor(const QColor& c) {
  return {double(c.red()), double(c.green()), double(c.blue())};
}

// Fills an opaque image from a colour function of continuous design-pixel
// coordinates, averaging ss x ss samples per device pixel.
QImage shadeImage(int w, int h, int ss, double scale, const std::function<Rgb(double, double)>& f) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      Rgb sum{0, 0, 0};
      for (int sy = 0; sy < ss; ++sy)
        for (int sx = 0; sx < ss; ++sx)
          sum = sum + f((x + (sx + 0.5) / ss) / scale, (y + (sy + 0.5) / ss) / scale);
      line[x] = toQRgb(sum * (1.0 / (ss * ss)));
    }
  }
  return img;
}

QImage scaleDown(const QImage& big, int w, int h) {
  return big.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Separable Gaussian blur of the alpha channel only (for soft shadows).
std::vector<double> blurAlpha(const QImage& src, double sigma) {
  const int w = src.width(), h = src.height();
  std::vector<double> a(size_t(w) * h), tmp(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) a[size_t(y) * w + x] = qAlpha(src.pixel(x, y)) / 255.0;
  const int r = static_cast<int>(std::ceil(sigma * 3));
  std::vector<double> k(2 * r + 1);
  double ks = 0;
  for (int i = -r; i <= r; ++i) ks += k[i + r] = std::exp(-i * i / (2 * sigma * sigma));
  for (double& v : k) v /= ks;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double s = 0;
      for (int i = -r; i <= r; ++i) {
        const int xx = x + i;
        if (xx >= 0 && xx < w) s += k[i + r] * a[size_t(y) * w + xx];
      }
      tmp[size_t(y) * w + x] = s;
    }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double s = 0;
      for (int i = -r; i <= r; ++i) {
        const int yy = y + i;
        if (yy >= 0 && yy < h) s += k[i + r] * tmp[size_t(yy) * w + x];
      }
      a[size_t(y) * w + x] = s;
    }
  return a;
}

// Unsharp mask on the coverage of single-coloured lettering: scaled-down
// strokes fall between pixels, and this gives their edges back some bite.
QImage sharpenInk(const QImage& layer, const QColor& ink, double sigma = 0.5, double amount = 0.7) {
  const std::vector<double> soft = blurAlpha(layer, sigma);
  QImage out(layer.size(), QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < layer.height(); ++y)
    for (int x = 0; x < layer.width(); ++x) {
      const double a0 = qAlpha(layer.pixel(x, y)) / 255.0;
      const double a = clamp01(a0 + amount * (a0 - soft[size_t(y) * layer.width() + x]));
      out.setPixel(
          x, y, qRgba(int(ink.red() * a), int(ink.green() * a), int(ink.blue() * a), int(255 * a)));
    }
  return out;
}

// ---------------------------------------------------------------- fonts ----

QString gMincho;  // family of the Mincho face the pieces are written in

bool loadMinchoOnce() {
  const char* candidates[] = {
      "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf",
      "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
      "/usr/share/fonts/truetype/fonts-japanese-mincho.ttf",
  };
  for (const char* path : candidates) {
    if (!QFile::exists(path)) continue;
    const int id = QFontDatabase::addApplicationFont(path);
    if (id < 0) continue;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) {
      gMincho = families.first();
      return true;
    }
  }
  for (const char* family : {"IPAPMincho", "IPAMincho"}) {
    if (QFontDatabase::families().contains(family)) {
      gMincho = family;
      return true;
    }
  }
  return false;
}

bool loadMincho() {
  static const bool loaded = loadMinchoOnce();
  return loaded;
}

QFont minchoPx(double px) {
  loadMincho();
  QFont f(gMincho);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

// Text as an outline (baseline at y = 0), so that it can be placed by its ink
// rather than by its font box, and thickened by a stroke.
QPainterPath textPath(const QString& text, double px) {
  QPainterPath p;
  p.addText(0, 0, minchoPx(px), text);
  return p;
}

// Places a path so that the centre of its ink lies on (cx, cy).
QPainterPath centredOnInk(const QPainterPath& p, double cx, double cy, double sx = 1,
                          double sy = 1) {
  const QRectF b = p.boundingRect();
  QTransform t;
  t.translate(cx, cy);
  t.scale(sx, sy);
  t.translate(-b.center().x(), -b.center().y());
  return t.map(p);
}

// Fills text and strokes it with the same colour, which thickens the hairline
// horizontals of the Mincho face just enough to survive scaling down.
void paintInk(QPainter& p, const QPainterPath& path, const QColor& colour, double weight) {
  p.setBrush(colour);
  if (weight > 0) {
    QPen pen(colour, weight);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
  } else {
    p.setPen(Qt::NoPen);
  }
  p.drawPath(path);
}

// ------------------------------------------------------- board square ----

// The empty square: pale kaya wood with straight grain running from top to
// bottom. It is a function of the position modulo one square, so that squares
// laid side by side continue each other's grain.
Rgb boardWood(double x, double y) {
  const double u = x / kCell, v = y / kCell;
  const double warp = periodicFbm(u, v, 2, 1, 11, 3) - 0.5;
  const double g1 = std::sin(2 * kPi * (5 * u + 0.9 * warp));
  const double g2 = std::sin(2 * kPi * (11 * u + 1.6 * warp) + 1.3);
  const double g3 = std::sin(2 * kPi * (23 * u + 2.4 * warp) + 0.4);
  const double rings = std::pow(0.5 + 0.5 * (0.55 * g1 + 0.3 * g2 + 0.15 * g3), 4.0);
  const double fibre = periodicNoise(u, v, 47, 3, 12) - 0.5;
  const double blotch = periodicFbm(u, v, 2, 2, 13, 2) - 0.5;
  const Rgb light{234, 194, 124}, dark{198, 148, 82};
  const double t = clamp01(0.18 + 0.42 * rings + 0.35 * fibre + 0.45 * blotch);
  return mix(light, dark, t);
}

QImage makeKaraMasu(double scale) {
  const int side = DeviceSide(kCell, scale);
  return shadeImage(side, side, Samples(4, scale), scale, boardWood);
}

// The square a piece stands on, drawn once for each scale in a row.
const QImage& karaMasuAt(double scale) {
  static double drawnScale = 0;
  static QImage square;
  if (square.isNull() || drawnScale != scale) {
    square = makeKaraMasu(scale);
    drawnScale = scale;
  }
  return square;
}

// ----------------------------------------------------------------- pieces ----

enum class Seat { SITA, HIDARI, UE, MIGI };
enum class Kind { HU, TO, GIN, GINNARI, KIN, SYA, SYANARI, OU };

struct SeatInfo {
  Seat seat;
  const char* name;
  double angle;  // clockwise, in degrees: the piece points away from its owner
};

const std::array<SeatInfo, 4> kSeats{{
    {Seat::SITA, "SITA", 0},
    {Seat::HIDARI, "HIDARI", 90},
    {Seat::UE, "UE", 180},
    {Seat::MIGI, "MIGI", 270},
}};

struct KindInfo {
  Kind kind;
  const char* name;
  const char* text;  // UTF-8, written top to bottom
  bool promoted;
  double height;  // piece length in pixels: a king is a little larger than a pawn
};

const std::array<KindInfo, 8> kKinds{{
    {Kind::HU, "HU", "歩兵", false, 38.5},
    {Kind::TO, "TO", "と", true, 38.5},
    {Kind::GIN, "GIN", "銀将", false, 40.5},
    {Kind::GINNARI, "GINNARI", "全", true, 40.5},
    {Kind::KIN, "KIN", "金将", false, 40.5},
    {Kind::SYA, "SYA", "飛車", false, 41.5},
    {Kind::SYANARI, "SYANARI", "龍王", true, 41.5},
    {Kind::OU, "OU", "玉将", false, 43.0},
}};

// The pentagon of a piece pointing up, centred on the origin, in pixels.
std::vector<QPointF> piecePolygon(double h) {
  const double wb = 0.86 * h;        // width at the base
  const double ws = 0.88 * wb;       // width at the shoulders
  const double shoulder = 0.27 * h;  // from the tip down to the shoulders
  const double top = -h / 2, bottom = h / 2;
  return {{0, top},
          {ws / 2, top + shoulder},
          {wb / 2, bottom},
          {-wb / 2, bottom},
          {-ws / 2, top + shoulder}};
}

QPainterPath polygonPath(const std::vector<QPointF>& pts) {
  QPainterPath p;
  p.moveTo(pts[0]);
  for (size_t i = 1; i < pts.size(); ++i) p.lineTo(pts[i]);
  p.closeSubpath();
  return p;
}

// Boxwood of a piece, in the piece's own coordinates (tip up); the grain runs
// along the piece.
Rgb pieceWood(double lx, double ly, uint32_t seed) {
  const double warp = plainFbm(lx * 0.05, ly * 0.02, seed, 3) - 0.5;
  const double g =
      std::sin(lx * 0.9 + 6.0 * warp) * 0.6 + std::sin(lx * 2.3 + 9.0 * warp + 1.7) * 0.4;
  const double lines = std::pow(0.5 + 0.5 * g, 5.0);
  const double fibre = plainNoise(lx * 1.2, ly * 0.12, seed + 7) - 0.5;
  const double cloud = plainFbm(lx * 0.08, ly * 0.08, seed + 13, 2) - 0.5;
  const Rgb light{247, 226, 178}, dark{222, 188, 128};
  return mix(light, dark, clamp01(0.15 + 0.35 * lines + 0.3 * fibre + 0.5 * cloud));
}

struct PieceLayer {
  QImage body;     // the wooden piece, premultiplied, scaled down
  QImage letters;  // its name
  QImage shadow;   // its soft shadow on the board
};

constexpr int kSuper = 8;  // pieces at the design size are drawn this many times larger

PieceLayer renderPiece(const SeatInfo& seat, const KindInfo& kind, uint32_t seed, double scale) {
  const int side = DeviceSide(kCell, scale);
  const int super = Samples(kSuper, scale);
  const double k = scale * super;  // large image pixels to the design pixel
  const int big = side * super;
  const double h = kind.height;
  const std::vector<QPointF> poly = piecePolygon(h);
  const QPainterPath local = polygonPath(poly);

  // Local piece pixels -> large image pixels. The piece sits in the middle of
  // the square, a touch up and left so that its shadow has room.
  QTransform toBig;
  toBig.translate(23.2 * k, 23.2 * k);
  toBig.rotate(seat.angle);
  toBig.scale(k, k);
  const QTransform toLocal = toBig.inverted();
  QTransform turn;
  turn.rotate(seat.angle);

  // Coverage of the piece, antialiased by the painter.
  QImage mask(big, big, QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(toBig.map(local));
  }

  // Edge normals for the bevel, turned into screen space where the light is.
  struct Edge {
    QPointF a, n;  // a point on the edge and the inward normal (local)
    double light;  // how much the bevel on this edge faces the light
  };
  std::vector<Edge> edges;
  const QPointF lightDir = QPointF(-0.55, -0.83);  // from the upper left
  for (size_t i = 0; i < poly.size(); ++i) {
    const QPointF a = poly[i], b = poly[(i + 1) % poly.size()];
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    const QPointF inward(-d.y() / len, d.x() / len);
    const QPointF outward = turn.map(-inward);
    edges.push_back({a, inward, outward.x() * lightDir.x() + outward.y() * lightDir.y()});
  }

  QImage body(big, big, QImage::Format_ARGB32_Premultiplied);
  body.fill(Qt::transparent);
  const double bevel = 1.6;
  for (int y = 0; y < big; ++y) {
    const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(body.scanLine(y));
    for (int x = 0; x < big; ++x) {
      const int a = qAlpha(m[x]);
      if (a == 0) continue;
      const QPointF sp(x + 0.5, y + 0.5);
      const QPointF lp = toLocal.map(sp);
      Rgb c = pieceWood(lp.x(), lp.y(), seed);
      // The face is lit a little more towards the light.
      const double sx = sp.x() / big - 0.5, sy = sp.y() / big - 0.5;
      c = c * (1.0 - 0.10 * (sx * -lightDir.x() + sy * -lightDir.y()));
      // The rounded rim: the nearest edge decides the slope.
      double best = 1e9, light = 0;
      for (const Edge& e : edges) {
        const double dist = (lp.x() - e.a.x()) * e.n.x() + (lp.y() - e.a.y()) * e.n.y();
        if (dist < best) {
          best = dist;
          light = e.light;
        }
      }
      if (best < bevel) {
        const double slope = 1.0 - clamp01(best / bevel);
        const double s = slope * slope * light;
        c = s > 0 ? mix(c, Rgb{255, 248, 230}, 0.55 * s) : c * (1.0 + 0.30 * s);
      }
      const double al = a / 255.0;
      out[x] = qRgba(int(std::clamp(c.r, 0.0, 255.0) * al), int(std::clamp(c.g, 0.0, 255.0) * al),
                     int(std::clamp(c.b, 0.0, 255.0) * al), a);
    }
  }

  QPainter p(&body);
  p.setRenderHint(QPainter::Antialiasing);
  // A thin darker outline keeps neighbouring pieces apart.
  {
    QPen pen(QColor(110, 72, 34, 230), 0.75 * k);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(toBig.map(local));
  }

  p.end();

  // The name, written along the piece, on a layer of its own so that it can
  // be sharpened after scaling down without sharpening the wood.
  QImage letters(big, big, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  QPainter lp(&letters);
  lp.setRenderHint(QPainter::Antialiasing);
  lp.setTransform(toBig);
  const QString text = QString::fromUtf8(kind.text);
  const QColor ink = kind.promoted ? QColor(196, 22, 18) : QColor(22, 16, 10);
  const double top = -h / 2 + 0.24 * h, bottom = h / 2 - 0.07 * h;
  const double maxWidth = 0.62 * 0.86 * h;
  if (text.size() == 1) {
    const double em = 0.52 * h;
    QPainterPath g = textPath(text, em * k);
    g = QTransform::fromScale(1.0 / k, 1.0 / k).map(g);
    const double sx = std::min(1.0, maxWidth * 1.1 / g.boundingRect().width());
    g = centredOnInk(g, 0, (top + bottom) / 2 + 0.3, sx, 1.0);
    paintInk(lp, g, ink, 0.6);
  } else {
    const double slot = (bottom - top) / text.size();
    const double em = slot * 1.04;
    for (int i = 0; i < text.size(); ++i) {
      QPainterPath g = textPath(text.mid(i, 1), em * k);
      g = QTransform::fromScale(1.0 / k, 1.0 / k).map(g);
      const double sx = std::min(1.12, maxWidth / g.boundingRect().width());
      g = centredOnInk(g, 0, top + slot * (i + 0.5), sx, 0.96);
      paintInk(lp, g, ink, 0.55);
    }
  }
  lp.end();

  // Shadow: the outline shifted down and to the right, softened.
  QImage shadowMask(side, side, QImage::Format_ARGB32_Premultiplied);
  shadowMask.fill(Qt::transparent);
  {
    QPainter sp(&shadowMask);
    sp.setRenderHint(QPainter::Antialiasing);
    sp.setPen(Qt::NoPen);
    sp.setBrush(Qt::black);
    QTransform t;
    t.translate((23.2 + 1.3) * scale, (23.2 + 1.7) * scale);
    t.rotate(seat.angle);
    t.scale(scale, scale);
    sp.drawPath(t.map(local));
  }
  const std::vector<double> soft = blurAlpha(shadowMask, 1.1 * scale);
  QImage shadow(side, side, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double a = 0.55 * soft[size_t(y) * side + x];
      shadow.setPixel(x, y, qRgba(int(40 * a), int(24 * a), int(8 * a), int(255 * a)));
    }

  // The lettering is sharpened by half a device pixel at every size: its edges stay crisp.
  return {scaleDown(body, side, side), sharpenInk(scaleDown(letters, side, side), ink), shadow};
}

QImage composePiece(const QImage& square, const PieceLayer& layer) {
  QImage out = square.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter p(&out);
  p.drawImage(0, 0, layer.shadow);
  p.drawImage(0, 0, layer.body);
  p.drawImage(0, 0, layer.letters);
  p.end();
  return out.convertToFormat(QImage::Format_RGB888);
}

// ------------------------------------------------------ background tiles ----

// Every tile is a function with period kCell in both directions, drawn on 48
// pixels: the 48th column and row repeat the first, so the one-pixel overlap
// of neighbouring tiles never shows a seam.
QImage makeTile(const std::function<Rgb(double, double)>& f, double scale) {
  const int side = DeviceSide(kTile, scale);
  return shadeImage(side, side, Samples(4, scale), scale,
                    [&](double x, double y) { return f(wrapReal(x, kCell), wrapReal(y, kCell)); })
      .convertToFormat(QImage::Format_RGB888);
}

Rgb feltGreen(double x, double y) {
  const double u = x / kCell, v = y / kCell;
  const int px = wrapInt(int(std::floor(x)), kCell), py = wrapInt(int(std::floor(y)), kCell);
  const double speck = hashUnit(px, py, 21) - 0.5;
  const double fibre = periodicNoise(u, v, 23, 23, 22) - 0.5;
  const double cloud = periodicFbm(u, v, 2, 2, 23, 3) - 0.5;
  const Rgb base{34, 110, 54};
  return base * (1.0 + 0.07 * speck + 0.08 * fibre + 0.10 * cloud);
}

Rgb bamboo(double x, double y) {
  const double stalkW = kCell / 3.0;
  const int k = int(std::floor(x / stalkW)) % 3;
  const double s = x / stalkW - std::floor(x / stalkW);  // 0..1 across the stalk
  const double u = x / kCell, v = y / kCell;
  // The node of each stalk sits at its own height.
  const double nodeY = kCell * (0.15 + 0.33 * k + 0.1 * hashUnit(k, 0, 31));
  double dy = wrapReal(y - nodeY, kCell);
  if (dy > kCell / 2.0) dy -= kCell;
  const double tone = 0.92 + 0.12 * hashUnit(k, 1, 31);
  const Rgb green{104, 150, 62}, deep{50, 90, 36}, shine{196, 218, 146};
  const double nx = 2 * s - 1;
  const double round = std::sqrt(std::max(0.0, 1 - nx * nx));
  Rgb c = mix(deep, green, 0.25 + 0.75 * round) * tone;
  c = mix(c, shine, 0.55 * std::exp(-std::pow((s - 0.32) / 0.10, 2)));
  const double streak = periodicNoise(u, v, 94, 3, 32 + k) - 0.5;
  c = c * (1.0 + 0.10 * streak);
  // The node: a pale ridge over a dark groove, with the stalk swelling round it.
  c = c * (1.0 - 0.12 * std::exp(-dy * dy / 6.0));
  c = mix(c, Rgb{226, 232, 170}, 0.6 * std::exp(-std::pow((dy + 0.7) / 0.55, 2)) * round);
  c = mix(c, Rgb{40, 62, 24}, 0.75 * std::exp(-std::pow((dy - 0.6) / 0.5, 2)));
  // The dark gap between two stalks.
  const double edge = std::min(s, 1 - s);
  c = mix(c, Rgb{30, 44, 20}, clamp01(1.0 - edge / 0.06));
  return c;
}

Rgb tatami(double x, double y) {
  const double u = x / kCell, v = y / kCell;
  const int reeds = 16, warps = 4;
  const double ry = y * reeds / kCell, wx = x * warps / kCell;
  const int reed = wrapInt(int(std::floor(ry)), reeds);
  const int seg = wrapInt(int(std::floor(wx)), warps);
  const double fr = ry - std::floor(ry), fw = wx - std::floor(wx);
  // Each rush is round, and pinched where a warp thread binds it.
  const double across = std::pow(std::sin(kPi * fr), 0.7);
  const double along = std::pow(std::sin(kPi * fw), 0.35);
  const double tone = hashUnit(reed, seg, 41) - 0.5;
  const double grain = periodicNoise(u, v, 47, reeds, 42) - 0.5;
  const Rgb light{178, 194, 110}, dark{96, 116, 52};
  Rgb c = mix(dark, light,
              clamp01(0.15 + 0.75 * across * (0.35 + 0.65 * along) + 0.12 * tone + 0.12 * grain));
  const double thread = std::exp(-std::pow(std::min(fw, 1 - fw) / 0.04, 2));
  c = mix(c, Rgb{118, 128, 74}, 0.3 * thread);
  return c;
}

struct Star {
  double x, y, brightness, size;
  Rgb colour;
};

std::vector<Star> makeStars() {
  std::vector<Star> stars;
  const Rgb colours[] = {{255, 255, 255}, {200, 215, 255}, {255, 236, 200}, {255, 255, 235}};
  for (int i = 0; i < 22; ++i) {
    const double r = hashUnit(i, 3, 51);
    Star s;
    s.x = kCell * hashUnit(i, 0, 51);
    s.y = kCell * hashUnit(i, 1, 51);
    s.brightness = 0.18 + 0.82 * std::pow(r, 3.0);
    s.size = 0.35 + 0.45 * std::pow(r, 2.0);
    s.colour = colours[hash3(i, 2, 51) % 4];
    stars.push_back(s);
  }
  return stars;
}

Rgb space(double x, double y) {
  static const std::vector<Star> stars = makeStars();
  const double u = x / kCell, v = y / kCell;
  const double n = periodicFbm(u, v, 2, 2, 52, 4);
  const double haze = std::pow(clamp01((n - 0.45) * 2.2), 2.0);
  Rgb c = Rgb{3, 4, 12} + Rgb{14, 8, 30} * haze;
  for (const Star& s : stars) {
    double dx = wrapReal(x - s.x, kCell), dy = wrapReal(y - s.y, kCell);
    if (dx > kCell / 2.0) dx -= kCell;
    if (dy > kCell / 2.0) dy -= kCell;
    const double d2 = dx * dx + dy * dy;
    double i = s.brightness * std::exp(-d2 / (2 * s.size * s.size));
    if (s.brightness > 0.8) {  // the brightest twinkle with a small cross
      i += 0.35 * s.brightness * std::exp(-dy * dy / 0.08) * std::exp(-std::fabs(dx) / 1.1);
      i += 0.35 * s.brightness * std::exp(-dx * dx / 0.08) * std::exp(-std::fabs(dy) / 1.1);
    }
    c = mix(c, s.colour, clamp01(i));
  }
  return c;
}

Rgb brick(double fx, double fy) {
  const int x = wrapInt(int(std::floor(fx)), kCell), y = wrapInt(int(std::floor(fy)), kCell);
  const int rowHeights[] = {12, 12, 11, 12};  // 47 rows in all
  int row = 0, top = 0;
  while (y >= top + rowHeights[row]) top += rowHeights[row++];
  const int inRow = y - top, height = rowHeights[row];
  // Joints: two bricks of 23 and 24 pixels per row, every other row half a brick along.
  const int shift = (row % 2) ? 12 : 0;
  const int bx = wrapInt(x - shift, kCell);  // 0 is a joint, so is 23
  const Rgb mortar{176, 166, 150};
  const double mnoise = hashUnit(x, y, 61) - 0.5;
  if (inRow == height - 1 || bx == 0 || bx == 23) return mortar * (1.0 + 0.10 * mnoise);
  const int id = row * 2 + (bx > 23 ? 1 : 0);
  const double t = hashUnit(id, 0, 62);
  const Rgb base = mix(Rgb{150, 56, 38}, Rgb{176, 78, 50}, t) * (0.92 + 0.12 * hashUnit(id, 1, 62));
  const double u = fx / kCell, v = fy / kCell;
  const double grit = hashUnit(x, y, 63) - 0.5;
  const double mottle = periodicFbm(u, v, 6, 6, 64, 2) - 0.5;
  Rgb c = base * (1.0 + 0.10 * grit + 0.18 * mottle);
  // Worn edges: lit from the upper left.
  const int left = (bx == 1 || bx == 24), right = (bx == 22 || bx == 46);
  if (inRow == 0 || left) c = c * 1.12;
  if (inRow == height - 2 || right) c = c * 0.80;
  return c;
}

// ----------------------------------------------------------- logo, banner ----

QImage makeLogo(double scale) {
  constexpr int W = 105, H = 27;
  const int S = Samples(4, scale);
  const double k = S * scale;  // large image pixels to the design pixel
  const int w = DeviceSide(W, scale), h = DeviceSide(H, scale);
  QImage big(w * S, h * S, QImage::Format_RGB32);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(big.rect(), QColor(236, 128, 24));  // orange border
  QLinearGradient plate(0, 0, 0, H * k);
  plate.setColorAt(0, QColor(255, 252, 206));
  plate.setColorAt(1, QColor(255, 238, 150));
  p.setPen(Qt::NoPen);
  p.setBrush(plate);
  p.drawRect(QRectF(2 * k, 2 * k, (W - 4) * k, (H - 4) * k));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 190, 110), 0.8 * k));
  p.drawRect(QRectF(2.6 * k, 2.6 * k, (W - 5.2) * k, (H - 5.2) * k));

  // Set the title as large as the plate allows.
  const QString title = QString::fromUtf8("Korvel 四人将棋");
  double px = 17 * k;
  QPainterPath t;
  for (; px > 8 * k; px -= 0.25 * k) {
    t = textPath(title, px);
    if (t.boundingRect().width() <= (W - 9) * k && t.boundingRect().height() <= (H - 9) * k) break;
  }
  t = centredOnInk(t, W * k / 2.0, H * k / 2.0);
  p.end();
  QImage letters(w * S, h * S, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  QPainter lp(&letters);
  lp.setRenderHint(QPainter::Antialiasing);
  const QColor ink(10, 10, 10);
  paintInk(lp, t, ink, 0.35 * k);
  lp.end();
  QImage out = scaleDown(big, w, h).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter op(&out);
  op.drawImage(0, 0, sharpenInk(scaleDown(letters, w, h), ink));
  op.end();
  return out.convertToFormat(QImage::Format_RGB888);
}

// Cloud cover of the banner's sky: a few soft blobs, frayed by noise.
double cloudDensity(double x, double y) {
  struct Blob {
    double x, y, rx, ry;
  };
  static const Blob blobs[] = {
      {20, 104, 70, 22}, {110, 110, 60, 20}, {190, 104, 70, 18}, {290, 100, 80, 24},
      {26, 66, 38, 12},  {312, 58, 42, 13},  {70, 84, 36, 11},   {250, 80, 34, 10},
      {168, 88, 28, 8},  {8, 20, 30, 8},     {330, 14, 26, 7},
  };
  double d = 0;
  for (const Blob& b : blobs) {
    const double dx = (x - b.x) / b.rx, dy = (y - b.y) / b.ry;
    d = std::max(d, std::exp(-(dx * dx + dy * dy)));
  }
  return d + 0.55 * (plainFbm(x / 22.0, y / 14.0, 71, 4) - 0.5);
}

QImage makeBanner(double scale) {
  constexpr int W = 337, H = 106;
  const int S = Samples(3, scale);
  const double k = S * scale;  // large image pixels to the design pixel
  const int w = DeviceSide(W, scale), h = DeviceSide(H, scale);
  const QImage sky = shadeImage(w, h, 2, scale, [](double x, double y) {
    const double t = y / H;
    Rgb c = mix(Rgb{52, 118, 212}, Rgb{160, 206, 244}, std::pow(t, 0.85));
    const double d = cloudDensity(x, y);
    const double cover = fade(clamp01((d - 0.32) / 0.38));
    // Lit from above: the tops of the clouds are white, their bellies grey-blue.
    const double lit = clamp01(0.6 + 2.2 * (cloudDensity(x, y + 3) - cloudDensity(x, y - 3)));
    return mix(c, mix(Rgb{196, 212, 234}, Rgb{255, 255, 255}, lit), 0.92 * cover);
  });

  const QString title = QString::fromUtf8("Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)");
  QPainterPath t = textPath(title, 27 * k);
  const double fit = (W - 24) * k / t.boundingRect().width();
  if (fit < 1) t = QTransform::fromScale(fit, fit).map(t);
  t = centredOnInk(t, W * k / 2.0, 24 * k);
  QPainterPath v = textPath(QStringLiteral("Version 1.0"), 15 * k);
  v = centredOnInk(v, W * k / 2.0, 52 * k);

  // A soft white halo under the letters keeps them readable over any cloud.
  QImage halo(w * S, h * S, QImage::Format_ARGB32_Premultiplied);
  halo.fill(Qt::transparent);
  {
    QPainter hp(&halo);
    hp.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::white, 5.0 * k);
    pen.setJoinStyle(Qt::RoundJoin);
    hp.setPen(pen);
    hp.setBrush(Qt::white);
    hp.drawPath(t);
    hp.drawPath(v);
  }
  const std::vector<double> soft = blurAlpha(scaleDown(halo, w, h), 1.6 * scale);
  QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double a = std::min(1.0, 1.3 * soft[size_t(y) * w + x]) * 0.7;
      out.setPixel(
          x, y, toQRgb(mix(fromQColor(QColor::fromRgb(sky.pixel(x, y))), Rgb{255, 255, 255}, a)));
    }

  QImage letters(w * S, h * S, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  QPainter lp(&letters);
  lp.setRenderHint(QPainter::Antialiasing);
  paintInk(lp, t, QColor(18, 36, 92), 0.5 * k);
  paintInk(lp, v, QColor(30, 52, 110), 0.35 * k);
  lp.end();
  QPainter op(&out);
  op.drawImage(0, 0, scaleDown(letters, w, h));
  op.end();
  return out.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------- icons ----

QImage makeManIcon(double scale) {
  const int n = DeviceSide(32, scale), S = Samples(8, scale);
  QImage big(n * S, n * S, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(S * scale, S * scale);
  const QColor line(34, 30, 48);
  // Shoulders.
  QPainterPath body;
  body.moveTo(3.5, 31);
  body.cubicTo(3.5, 23, 8.5, 20.5, 16, 20.5);
  body.cubicTo(23.5, 20.5, 28.5, 23, 28.5, 31);
  body.closeSubpath();
  QLinearGradient shirt(0, 20, 0, 31);
  shirt.setColorAt(0, QColor(84, 150, 236));
  shirt.setColorAt(1, QColor(38, 92, 186));
  p.setPen(QPen(line, 1.2));
  p.setBrush(shirt);
  p.drawPath(body);
  // Neck and collar.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(236, 186, 146));
  p.drawRect(QRectF(13.6, 15, 4.8, 6.6));
  QPainterPath collar;
  collar.moveTo(12.4, 21);
  collar.lineTo(16, 24.6);
  collar.lineTo(19.6, 21);
  p.setPen(QPen(QColor(240, 244, 255), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(collar);
  // Head.
  QRadialGradient skin(14.5, 9.5, 8);
  skin.setColorAt(0, QColor(255, 230, 204));
  skin.setColorAt(1, QColor(242, 196, 156));
  p.setPen(QPen(line, 1.1));
  p.setBrush(skin);
  p.drawEllipse(QPointF(16, 10.6), 6.8, 7.2);
  // Hair, with a fringe over the forehead.
  QPainterPath hair;
  hair.moveTo(9.0, 11.2);
  hair.cubicTo(7.6, 1.6, 24.4, 1.6, 23.0, 11.2);
  hair.cubicTo(22.2, 8.6, 20.6, 7.4, 19.4, 7.2);
  hair.cubicTo(17.4, 8.8, 13.0, 9.0, 11.2, 7.8);
  hair.cubicTo(10.2, 8.6, 9.4, 9.6, 9.0, 11.2);
  p.setBrush(QColor(74, 48, 30));
  p.setPen(QPen(line, 0.9));
  p.drawPath(hair);
  // A friendly face.
  p.setPen(Qt::NoPen);
  p.setBrush(line);
  p.drawEllipse(QPointF(13.4, 10.9), 0.9, 1.1);
  p.drawEllipse(QPointF(18.6, 10.9), 0.9, 1.1);
  p.setBrush(QColor(255, 140, 130, 70));
  p.drawEllipse(QPointF(11.8, 13.3), 1.2, 0.8);
  p.drawEllipse(QPointF(20.2, 13.3), 1.2, 0.8);
  QPainterPath smile;
  smile.moveTo(13.9, 13.4);
  smile.quadTo(16, 15.4, 18.1, 13.4);
  p.setPen(QPen(QColor(120, 50, 40), 0.9, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(smile);
  p.end();
  return scaleDown(big, n, n).convertToFormat(QImage::Format_ARGB32);
}

QImage makeComIcon(double scale) {
  const int n = DeviceSide(32, scale), S = Samples(8, scale);
  QImage big(n * S, n * S, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(S * scale, S * scale);
  const QColor line(34, 36, 48);
  // Stand.
  QPainterPath stand;
  stand.moveTo(13, 23);
  stand.lineTo(19, 23);
  stand.lineTo(20, 27.5);
  stand.lineTo(12, 27.5);
  stand.closeSubpath();
  p.setPen(QPen(line, 1.1));
  p.setBrush(QColor(160, 164, 176));
  p.drawPath(stand);
  QLinearGradient foot(0, 27, 0, 30.5);
  foot.setColorAt(0, QColor(214, 218, 226));
  foot.setColorAt(1, QColor(150, 154, 166));
  p.setBrush(foot);
  p.drawRoundedRect(QRectF(7.5, 27, 17, 3.6), 1.6, 1.6);
  // Monitor case.
  QLinearGradient shell(0, 3, 0, 24);
  shell.setColorAt(0, QColor(242, 244, 248));
  shell.setColorAt(1, QColor(190, 194, 204));
  p.setBrush(shell);
  p.drawRoundedRect(QRectF(1.8, 3.2, 28.4, 20.6), 2.4, 2.4);
  // Screen.
  QLinearGradient screen(6, 6, 24, 20);
  screen.setColorAt(0, QColor(110, 196, 255));
  screen.setColorAt(1, QColor(28, 80, 190));
  p.setPen(QPen(QColor(40, 52, 80), 0.8));
  p.setBrush(screen);
  p.drawRoundedRect(QRectF(4.6, 6, 22.8, 15), 1.0, 1.0);
  // A shogi piece on the screen: this computer plays shogi.
  QPainterPath piece = polygonPath(piecePolygon(9.4));
  piece = QTransform::fromTranslate(16, 13.6).map(piece);
  p.setPen(QPen(QColor(110, 72, 34), 0.6));
  p.setBrush(QColor(247, 224, 170));
  p.drawPath(piece);
  // Glare across the upper left of the glass.
  QPainterPath glare;
  glare.moveTo(4.6, 6);
  glare.lineTo(14, 6);
  glare.lineTo(4.6, 14);
  glare.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 60));
  p.drawPath(glare);
  // Power light.
  p.setBrush(QColor(80, 210, 90));
  p.drawEllipse(QPointF(26.6, 22.3), 0.8, 0.8);
  p.end();
  return scaleDown(big, n, n).convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

Rgb operator+(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb operator*(Rgb a, double k) {
  return {a.r * k, a.g * k, a.b * k};
}
Rgb Mix(Rgb a, Rgb b, double t) {
  return a * (1 - t) + b * t;
}

bool LoadMincho() {
  return loadMincho();
}
QString MinchoFamily() {
  loadMincho();
  return gMincho;
}

const char* SeatName(int seat) {
  return seat >= 0 && seat < SEATS ? kSeats[seat].name : "";
}
const char* KindName(int kind) {
  return kind >= 0 && kind < KINDS ? kKinds[kind].name : "";
}

const char* BackgroundName(Background b) {
  switch (b) {
    case Background::MIDORI:
      return "HAIKEI_MIDORI";
    case Background::TAKE:
      return "HAIKEI_TAKE";
    case Background::TATAMI:
      return "HAIKEI_TATAMI";
    case Background::UCHU:
      return "HAIKEI_UCHU";
    case Background::RENGA:
      return "HAIKEI_RENGA";
  }
  return "";
}

QImage EmptySquare(double scale) {
  // The empty square carries the board's green line on its top and left edges: a square a
  // piece has just left is painted without a frame, and its grid line must not vanish.
  // (The right and bottom edges belong to the next squares' pictures and frames.) The line
  // is as wide as the frames drawn at this scale.
  QImage empty = karaMasuAt(scale).convertToFormat(QImage::Format_RGB888);
  const int line = std::clamp(static_cast<int>(std::lround(scale)), 1, empty.width());
  for (int k = 0; k < line; ++k) {
    for (int i = 0; i < empty.width(); ++i) empty.setPixelColor(i, k, QColor(0, 128, 0));
    for (int i = 0; i < empty.height(); ++i) empty.setPixelColor(k, i, QColor(0, 128, 0));
  }
  return empty;
}

QImage Piece(int seat, int kind, double scale) {
  if (seat < 0 || seat >= SEATS || kind < 0 || kind >= KINDS) return QImage();
  // Each piece has a grain of its own, from its place in the list.
  const auto seed = static_cast<uint32_t>(1000 + seat * KINDS + kind);
  const PieceLayer layer = renderPiece(kSeats[seat], kKinds[kind], seed, scale);
  return composePiece(karaMasuAt(scale), layer);
}

QImage Tile(Background b, double scale) {
  switch (b) {
    case Background::MIDORI:
      return makeTile(feltGreen, scale);
    case Background::TAKE:
      return makeTile(bamboo, scale);
    case Background::TATAMI:
      return makeTile(tatami, scale);
    case Background::UCHU:
      return makeTile(space, scale);
    case Background::RENGA:
      return makeTile(brick, scale);
  }
  return QImage();
}

QImage Logo(double scale) {
  return makeLogo(scale);
}
QImage ManIcon(double scale) {
  return makeManIcon(scale);
}
QImage ComIcon(double scale) {
  return makeComIcon(scale);
}
QImage Banner(double scale) {
  return makeBanner(scale);
}

std::vector<QPointF> PiecePolygon(double h) {
  return piecePolygon(h);
}
QPainterPath PolygonPath(const std::vector<QPointF>& pts) {
  return polygonPath(pts);
}
Rgb PieceWood(double lx, double ly, unsigned seed) {
  return pieceWood(lx, ly, seed);
}
QPainterPath TextPath(const QString& text, double px) {
  return textPath(text, px);
}
QPainterPath CentredOnInk(const QPainterPath& p, double cx, double cy, double sx, double sy) {
  return centredOnInk(p, cx, cy, sx, sy);
}
void PaintInk(QPainter& p, const QPainterPath& path, const QColor& colour, double weight) {
  paintInk(p, path, colour, weight);
}
QImage ScaleDown(const QImage& big, int w, int h) {
  return scaleDown(big, w, h);
}
std::vector<double> BlurAlpha(const QImage& src, double sigma) {
  return blurAlpha(src, sigma);
}
QImage SharpenInk(const QImage& layer, const QColor& ink, double sigma, double amount) {
  return sharpenInk(layer, ink, sigma, amount);
}

}  // namespace korvel::art
