// korvel4-picgen: draws every picture the game shows (the wooden square, the
// 32 pieces, the five background tiles, the logo, the two turn icons and the
// about banner) and writes them as PNG files with a Qt resource list.
//
//   QT_QPA_PLATFORM=offscreen korvel4-picgen OUTDIR
//   QT_QPA_PLATFORM=offscreen korvel4-picgen --preview OUT.png [BACKGROUND 2..6]
//   QT_QPA_PLATFORM=offscreen korvel4-picgen --sheet OUT.png
//   QT_QPA_PLATFORM=offscreen korvel4-picgen --icon OUTDIR
//
// Everything is drawn from fixed seeds, so running it twice gives the same
// pixels. Small pictures are drawn several times larger and scaled down
// smoothly: at 47 pixels a piece name is only about fourteen pixels tall, and
// only a supersampled outline keeps the thin Mincho strokes legible.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCell = 47;      // a board square, and the pitch of everything
constexpr int kTile = 48;      // background tiles overlap their neighbours by one pixel

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

double hashUnit(int x, int y, uint32_t seed) { return hash3(x, y, seed) / 4294967296.0; }

int wrapInt(int v, int period) {
  const int r = v % period;
  return r < 0 ? r + period : r;
}

double wrapReal(double v, double period) {
  const double r = std::fmod(v, period);
  return r < 0 ? r + period : r;
}

double fade(double t) { return t * t * (3.0 - 2.0 * t); }

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

struct Rgb {
  double r, g, b;
};

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb mix(Rgb a, Rgb b, double t) { return a * (1 - t) + b * t; }
double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

QRgb toQRgb(Rgb c, double alpha = 1.0) {
  auto ch = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
  return qRgba(ch(c.r), ch(c.g), ch(c.b), ch(alpha * 255.0));
}

Rgb fromQColor(const QColor& c) { return {double(c.red()), double(c.green()), double(c.blue())}; }

// Fills an opaque image from a colour function of continuous pixel
// coordinates, averaging ss x ss samples per pixel.
QImage shadeImage(int w, int h, int ss, const std::function<Rgb(double, double)>& f) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      Rgb sum{0, 0, 0};
      for (int sy = 0; sy < ss; ++sy)
        for (int sx = 0; sx < ss; ++sx)
          sum = sum + f(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss);
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
      out.setPixel(x, y, qRgba(int(ink.red() * a), int(ink.green() * a), int(ink.blue() * a), int(255 * a)));
    }
  return out;
}

// ---------------------------------------------------------------- fonts ----

QString gMincho;  // family of the Mincho face the pieces are written in

bool loadMincho() {
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

QFont minchoPx(double px) {
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
QPainterPath centredOnInk(const QPainterPath& p, double cx, double cy, double sx = 1, double sy = 1) {
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

QImage makeKaraMasu() { return shadeImage(kCell, kCell, 4, boardWood); }

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
  const double wb = 0.86 * h;          // width at the base
  const double ws = 0.88 * wb;         // width at the shoulders
  const double shoulder = 0.27 * h;    // from the tip down to the shoulders
  const double top = -h / 2, bottom = h / 2;
  return {{0, top}, {ws / 2, top + shoulder}, {wb / 2, bottom}, {-wb / 2, bottom}, {-ws / 2, top + shoulder}};
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
  const double g = std::sin(lx * 0.9 + 6.0 * warp) * 0.6 + std::sin(lx * 2.3 + 9.0 * warp + 1.7) * 0.4;
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

constexpr int kSuper = 8;  // pieces are drawn this many times larger

PieceLayer renderPiece(const SeatInfo& seat, const KindInfo& kind, uint32_t seed) {
  const int big = kCell * kSuper;
  const double h = kind.height;
  const std::vector<QPointF> poly = piecePolygon(h);
  const QPainterPath local = polygonPath(poly);

  // Local piece pixels -> large image pixels. The piece sits in the middle of
  // the square, a touch up and left so that its shadow has room.
  QTransform toBig;
  toBig.translate(23.2 * kSuper, 23.2 * kSuper);
  toBig.rotate(seat.angle);
  toBig.scale(kSuper, kSuper);
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
    QPen pen(QColor(110, 72, 34, 230), 0.75 * kSuper);
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
    QPainterPath g = textPath(text, em * kSuper);
    g = QTransform::fromScale(1.0 / kSuper, 1.0 / kSuper).map(g);
    const double sx = std::min(1.0, maxWidth * 1.1 / g.boundingRect().width());
    g = centredOnInk(g, 0, (top + bottom) / 2 + 0.3, sx, 1.0);
    paintInk(lp, g, ink, 0.6);
  } else {
    const double slot = (bottom - top) / text.size();
    const double em = slot * 1.04;
    for (int i = 0; i < text.size(); ++i) {
      QPainterPath g = textPath(text.mid(i, 1), em * kSuper);
      g = QTransform::fromScale(1.0 / kSuper, 1.0 / kSuper).map(g);
      const double sx = std::min(1.12, maxWidth / g.boundingRect().width());
      g = centredOnInk(g, 0, top + slot * (i + 0.5), sx, 0.96);
      paintInk(lp, g, ink, 0.55);
    }
  }
  lp.end();

  // Shadow: the outline shifted down and to the right, softened.
  QImage shadowMask(kCell, kCell, QImage::Format_ARGB32_Premultiplied);
  shadowMask.fill(Qt::transparent);
  {
    QPainter sp(&shadowMask);
    sp.setRenderHint(QPainter::Antialiasing);
    sp.setPen(Qt::NoPen);
    sp.setBrush(Qt::black);
    QTransform t;
    t.translate(23.2 + 1.3, 23.2 + 1.7);
    t.rotate(seat.angle);
    sp.drawPath(t.map(local));
  }
  const std::vector<double> soft = blurAlpha(shadowMask, 1.1);
  QImage shadow(kCell, kCell, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) {
      const double a = 0.55 * soft[size_t(y) * kCell + x];
      shadow.setPixel(x, y, qRgba(int(40 * a), int(24 * a), int(8 * a), int(255 * a)));
    }

  return {scaleDown(body, kCell, kCell), sharpenInk(scaleDown(letters, kCell, kCell), ink), shadow};
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
QImage makeTile(const std::function<Rgb(double, double)>& f, int ss = 4) {
  return shadeImage(kTile, kTile, ss, [&](double x, double y) { return f(wrapReal(x, kCell), wrapReal(y, kCell)); })
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
  Rgb c = mix(dark, light, clamp01(0.15 + 0.75 * across * (0.35 + 0.65 * along) + 0.12 * tone + 0.12 * grain));
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

QImage makeLogo() {
  constexpr int W = 105, H = 27, S = 4;
  QImage big(W * S, H * S, QImage::Format_RGB32);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(big.rect(), QColor(236, 128, 24));  // orange border
  QLinearGradient plate(0, 0, 0, H * S);
  plate.setColorAt(0, QColor(255, 252, 206));
  plate.setColorAt(1, QColor(255, 238, 150));
  p.setPen(Qt::NoPen);
  p.setBrush(plate);
  p.drawRect(QRectF(2 * S, 2 * S, (W - 4) * S, (H - 4) * S));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 190, 110), 0.8 * S));
  p.drawRect(QRectF(2.6 * S, 2.6 * S, (W - 5.2) * S, (H - 5.2) * S));

  // Set the title as large as the plate allows.
  const QString title = QString::fromUtf8("Korvel 四人将棋");
  double px = 17 * S;
  QPainterPath t;
  for (; px > 8 * S; px -= 0.25 * S) {
    t = textPath(title, px);
    if (t.boundingRect().width() <= (W - 9) * S && t.boundingRect().height() <= (H - 9) * S) break;
  }
  t = centredOnInk(t, W * S / 2.0, H * S / 2.0);
  p.end();
  QImage letters(W * S, H * S, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  QPainter lp(&letters);
  lp.setRenderHint(QPainter::Antialiasing);
  const QColor ink(10, 10, 10);
  paintInk(lp, t, ink, 0.35 * S);
  lp.end();
  QImage out = scaleDown(big, W, H).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter op(&out);
  op.drawImage(0, 0, sharpenInk(scaleDown(letters, W, H), ink));
  op.end();
  return out.convertToFormat(QImage::Format_RGB888);
}

// Cloud cover of the banner's sky: a few soft blobs, frayed by noise.
double cloudDensity(double x, double y) {
  struct Blob {
    double x, y, rx, ry;
  };
  static const Blob blobs[] = {
      {20, 104, 70, 22},  {110, 110, 60, 20}, {190, 104, 70, 18}, {290, 100, 80, 24},
      {26, 66, 38, 12},   {312, 58, 42, 13},  {70, 84, 36, 11},   {250, 80, 34, 10},
      {168, 88, 28, 8},   {8, 20, 30, 8},     {330, 14, 26, 7},
  };
  double d = 0;
  for (const Blob& b : blobs) {
    const double dx = (x - b.x) / b.rx, dy = (y - b.y) / b.ry;
    d = std::max(d, std::exp(-(dx * dx + dy * dy)));
  }
  return d + 0.55 * (plainFbm(x / 22.0, y / 14.0, 71, 4) - 0.5);
}

QImage makeBanner() {
  constexpr int W = 337, H = 106, S = 3;
  const QImage sky = shadeImage(W, H, 2, [](double x, double y) {
    const double t = y / H;
    Rgb c = mix(Rgb{52, 118, 212}, Rgb{160, 206, 244}, std::pow(t, 0.85));
    const double d = cloudDensity(x, y);
    const double cover = fade(clamp01((d - 0.32) / 0.38));
    // Lit from above: the tops of the clouds are white, their bellies grey-blue.
    const double lit = clamp01(0.6 + 2.2 * (cloudDensity(x, y + 3) - cloudDensity(x, y - 3)));
    return mix(c, mix(Rgb{196, 212, 234}, Rgb{255, 255, 255}, lit), 0.92 * cover);
  });

  const QString title = QString::fromUtf8("Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)");
  QPainterPath t = textPath(title, 27 * S);
  const double fit = (W - 24) * S / t.boundingRect().width();
  if (fit < 1) t = QTransform::fromScale(fit, fit).map(t);
  t = centredOnInk(t, W * S / 2.0, 24 * S);
  QPainterPath v = textPath(QStringLiteral("Version 1.0"), 15 * S);
  v = centredOnInk(v, W * S / 2.0, 52 * S);

  // A soft white halo under the letters keeps them readable over any cloud.
  QImage halo(W * S, H * S, QImage::Format_ARGB32_Premultiplied);
  halo.fill(Qt::transparent);
  {
    QPainter hp(&halo);
    hp.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::white, 5.0 * S);
    pen.setJoinStyle(Qt::RoundJoin);
    hp.setPen(pen);
    hp.setBrush(Qt::white);
    hp.drawPath(t);
    hp.drawPath(v);
  }
  const std::vector<double> soft = blurAlpha(scaleDown(halo, W, H), 1.6);
  QImage out(W, H, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const double a = std::min(1.0, 1.3 * soft[size_t(y) * W + x]) * 0.7;
      out.setPixel(x, y, toQRgb(mix(fromQColor(QColor::fromRgb(sky.pixel(x, y))), Rgb{255, 255, 255}, a)));
    }

  QImage letters(W * S, H * S, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  QPainter lp(&letters);
  lp.setRenderHint(QPainter::Antialiasing);
  paintInk(lp, t, QColor(18, 36, 92), 0.5 * S);
  paintInk(lp, v, QColor(30, 52, 110), 0.35 * S);
  lp.end();
  QPainter op(&out);
  op.drawImage(0, 0, scaleDown(letters, W, H));
  op.end();
  return out.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------- icons ----

QImage makeManIcon() {
  constexpr int N = 32, S = 8;
  QImage big(N * S, N * S, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(S, S);
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
  return scaleDown(big, N, N).convertToFormat(QImage::Format_ARGB32);
}

QImage makeComIcon() {
  constexpr int N = 32, S = 8;
  QImage big(N * S, N * S, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(S, S);
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
  return scaleDown(big, N, N).convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------- output ----

struct Picture {
  QString name;
  QImage image;
};

std::vector<Picture> makeAll() {
  std::vector<Picture> all;
  const QImage square = makeKaraMasu();
  // The empty square carries the board's green line on its top and left edges: a square a
  // piece has just left is painted without a frame, and its grid line must not vanish.
  // (The right and bottom edges belong to the next squares' pictures and frames.)
  QImage empty = square.convertToFormat(QImage::Format_RGB888);
  for (int i = 0; i < empty.width(); ++i) empty.setPixelColor(i, 0, QColor(0, 128, 0));
  for (int i = 0; i < empty.height(); ++i) empty.setPixelColor(0, i, QColor(0, 128, 0));
  all.push_back({"KARA_MASU", empty});
  uint32_t seed = 1000;
  for (const SeatInfo& s : kSeats)
    for (const KindInfo& k : kKinds) {
      const PieceLayer layer = renderPiece(s, k, seed++);
      all.push_back({QString("%1_%2").arg(s.name, k.name), composePiece(square, layer)});
    }
  all.push_back({"HAIKEI_MIDORI", makeTile(feltGreen)});
  all.push_back({"HAIKEI_TAKE", makeTile(bamboo)});
  all.push_back({"HAIKEI_TATAMI", makeTile(tatami)});
  all.push_back({"HAIKEI_UCHU", makeTile(space)});
  all.push_back({"HAIKEI_RENGA", makeTile(brick)});
  all.push_back({"KORVELSHOGI", makeLogo()});
  all.push_back({"ICO_MAN", makeManIcon()});
  all.push_back({"ICO_COM", makeComIcon()});
  all.push_back({"BANNER", makeBanner()});
  return all;
}

bool writeAll(const QString& dirPath) {
  QDir dir(dirPath);
  if (!dir.exists() && !QDir().mkpath(dirPath)) {
    std::fprintf(stderr, "korvel4-picgen: cannot create the folder %s\n", qPrintable(dirPath));
    return false;
  }
  const std::vector<Picture> all = makeAll();
  QString qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/pictures\">\n";
  for (const Picture& pic : all) {
    const QString file = dir.filePath(pic.name + ".png");
    if (!pic.image.save(file, "PNG")) {
      std::fprintf(stderr, "korvel4-picgen: cannot write %s\n", qPrintable(file));
      return false;
    }
    qrc += QString("  <file>%1.png</file>\n").arg(pic.name);
    std::printf("%-22s %3dx%-3d\n", qPrintable(pic.name + ".png"), pic.image.width(), pic.image.height());
  }
  qrc += "</qresource>\n</RCC>\n";
  QSaveFile out(dir.filePath("pictures.qrc"));
  if (!out.open(QIODevice::WriteOnly) || out.write(qrc.toUtf8()) < 0 || !out.commit()) {
    std::fprintf(stderr, "korvel4-picgen: cannot write pictures.qrc\n");
    return false;
  }
  return true;
}

// ------------------------------------------------------------ the icon ----

// The program's icon: one large piece bearing 四, the game's own number, standing on
// nothing, so that it reads on light and dark panels alike. The file name is the
// program's desktop id.
const char* const kIconName = "org.korvel.korvel4";
const char* const kIconText = "四";
constexpr int kIconSizes[] = {48, 64, 128, 256};

// The icon's geometry on a square of side 1: the piece's centre, height and tilt.
constexpr double kIconCx = 0.49, kIconCy = 0.50, kIconH = 0.92;
const QColor kIconInk(22, 16, 10);
const QColor kIconRim(96, 60, 26);

// The piece's outline and its name, in the icon's unit square.
QPainterPath iconPiece() {
  QTransform t;
  t.translate(kIconCx, kIconCy);
  return t.map(polygonPath(piecePolygon(kIconH)));
}

QPainterPath iconLetter() {
  // Laid out at a large size so that the outline is exact, then brought to the unit square.
  constexpr double big = 1000;
  QPainterPath g = textPath(QString::fromUtf8(kIconText), 0.50 * kIconH * big);
  g = QTransform::fromScale(1.0 / big, 1.0 / big).map(g);
  const double width = 0.60 * 0.86 * kIconH;
  const double sx = width / g.boundingRect().width();
  return centredOnInk(g, kIconCx, kIconCy + 0.07 * kIconH, sx, sx * 0.98);
}

QImage makeIcon(int size) {
  const int ss = size >= 128 ? 4 : 8;
  const int big = size * ss;
  const QTransform toBig = QTransform::fromScale(big, big);
  const QPainterPath piece = toBig.map(iconPiece());
  // Lines are never thinner than about one pixel of the finished icon.
  const double rim = std::max(1.1, size / 40.0) * ss;

  QImage body(big, big, QImage::Format_ARGB32_Premultiplied);
  body.fill(Qt::transparent);
  {
    QImage mask(big, big, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(piece);
    p.end();
    // The wood of a game piece, its grain at the scale the board shows it.
    const double toWood = 41.0 / (kIconH * big);
    for (int y = 0; y < big; ++y) {
      const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
      auto* out = reinterpret_cast<QRgb*>(body.scanLine(y));
      for (int x = 0; x < big; ++x) {
        const int a = qAlpha(m[x]);
        if (a == 0) continue;
        const double u = double(x) / big, v = double(y) / big;
        Rgb c = pieceWood((u - kIconCx) * big * toWood, (v - kIconCy) * big * toWood, 4242);
        // Lit from the upper left.
        c = c * (1.06 - 0.16 * (u + v) / 2.0);
        const double al = a / 255.0;
        out[x] = qRgba(int(std::clamp(c.r, 0.0, 255.0) * al), int(std::clamp(c.g, 0.0, 255.0) * al),
                       int(std::clamp(c.b, 0.0, 255.0) * al), a);
      }
    }
  }
  QPainter p(&body);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(kIconRim, rim);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawPath(piece);
  p.end();

  QImage letters(big, big, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  QPainter lp(&letters);
  lp.setRenderHint(QPainter::Antialiasing);
  paintInk(lp, toBig.map(iconLetter()), kIconInk, std::max(0.6, size / 64.0) * ss);
  lp.end();

  // A soft shadow below and to the right keeps the edge visible on a wooden panel.
  const QImage small = scaleDown(body, size, size);
  QImage shadowMask(size, size, QImage::Format_ARGB32_Premultiplied);
  shadowMask.fill(Qt::transparent);
  {
    QPainter sp(&shadowMask);
    sp.setRenderHint(QPainter::Antialiasing);
    sp.setPen(Qt::NoPen);
    sp.setBrush(Qt::black);
    sp.translate(size * 0.012, size * 0.02);
    sp.drawPath(QTransform::fromScale(size, size).map(iconPiece()));
  }
  const std::vector<double> soft = blurAlpha(shadowMask, std::max(0.8, size / 60.0));
  QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double a = 0.45 * soft[size_t(y) * size + x];
      out.setPixel(x, y, qRgba(int(30 * a), int(18 * a), int(6 * a), int(255 * a)));
    }
  QPainter op(&out);
  op.drawImage(0, 0, small);
  op.drawImage(0, 0, sharpenInk(scaleDown(letters, size, size), kIconInk));
  op.end();
  return out.convertToFormat(QImage::Format_ARGB32);
}

// A path as SVG path data, in the units of a viewBox of side `scale`.
QString svgPathData(const QPainterPath& path, double scale) {
  QString d;
  auto pt = [scale](double x, double y) {
    return QString("%1 %2").arg(x * scale, 0, 'f', 2).arg(y * scale, 0, 'f', 2);
  };
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (e.isMoveTo()) {
      if (i > 0) d += "Z";
      d += "M" + pt(e.x, e.y);
    } else if (e.isLineTo()) {
      d += "L" + pt(e.x, e.y);
    } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
      const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
      d += "C" + pt(e.x, e.y) + " " + pt(c2.x, c2.y) + " " + pt(end.x, end.y);
      i += 2;
    }
  }
  return d + "Z";
}

// The same icon as a drawing: the wood as a gradient, the name as outlines (no font
// needed to show it).
QString makeIconSvg() {
  constexpr double S = 256;
  const QPainterPath letter = iconLetter();
  return QString(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
             "viewBox=\"0 0 256 256\">\n"
             "  <defs>\n"
             "    <linearGradient id=\"wood\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">\n"
             "      <stop offset=\"0\" stop-color=\"#f9e6b8\"/>\n"
             "      <stop offset=\"0.55\" stop-color=\"#eccf95\"/>\n"
             "      <stop offset=\"1\" stop-color=\"#d2ae70\"/>\n"
             "    </linearGradient>\n"
             "    <filter id=\"soft\" x=\"-0.1\" y=\"-0.1\" width=\"1.2\" height=\"1.2\">\n"
             "      <feGaussianBlur stdDeviation=\"3\"/>\n"
             "    </filter>\n"
             "  </defs>\n"
             "  <path d=\"%1\" transform=\"translate(2 3)\" fill=\"#1e1206\" "
             "fill-opacity=\"0.45\" filter=\"url(#soft)\"/>\n"
             "  <path d=\"%1\" fill=\"url(#wood)\" stroke=\"%2\" stroke-width=\"%3\" "
             "stroke-linejoin=\"miter\"/>\n"
             "  <path d=\"%4\" fill=\"%5\" fill-rule=\"%6\" stroke=\"%5\" stroke-width=\"4\" "
             "stroke-linejoin=\"round\"/>\n"
             "</svg>\n")
      .arg(svgPathData(iconPiece(), S), kIconRim.name())
      .arg(S / 40.0, 0, 'f', 2)
      .arg(svgPathData(letter, S), kIconInk.name(),
           letter.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd");
}

bool saveFile(const QString& path, const QByteArray& bytes) {
  QSaveFile out(path);
  if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit()) return true;
  std::fprintf(stderr, "korvel4-picgen: cannot write %s\n", qPrintable(path));
  return false;
}

// OUTDIR/SIZExSIZE/apps/NAME.png for every size and OUTDIR/scalable/apps/NAME.svg: the
// layout of an icon theme, so that installing is copying.
bool writeIcons(const QString& dirPath) {
  for (int size : kIconSizes) {
    const QString sub = QString("%1/%2x%2/apps").arg(dirPath).arg(size);
    if (!QDir().mkpath(sub)) {
      std::fprintf(stderr, "korvel4-picgen: cannot create the folder %s\n", qPrintable(sub));
      return false;
    }
    const QString file = QString("%1/%2.png").arg(sub, kIconName);
    if (!makeIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "korvel4-picgen: cannot write %s\n", qPrintable(file));
      return false;
    }
    std::printf("%s\n", qPrintable(file));
  }
  const QString sub = dirPath + "/scalable/apps";
  if (!QDir().mkpath(sub)) {
    std::fprintf(stderr, "korvel4-picgen: cannot create the folder %s\n", qPrintable(sub));
    return false;
  }
  const QString file = QString("%1/%2.svg").arg(sub, kIconName);
  if (!saveFile(file, makeIconSvg().toUtf8())) return false;
  std::printf("%s\n", qPrintable(file));
  return true;
}

// ---------------------------------------------------------- preview mode ----

// The window as the game paints it: cell (x, y) has its top-left corner at
// (1400 + 705x, 500 + 705y) twips, 15 twips to the pixel.
QPoint cellPixel(double x, double y) {
  return QPoint(int(std::floor((1400 + 705 * x) / 15.0)), int(std::floor((500 + 705 * y) / 15.0)));
}

QImage find(const std::vector<Picture>& all, const QString& name) {
  for (const Picture& p : all)
    if (p.name == name) return p.image;
  return QImage();
}

void label(QPainter& p, double x, double y, const QString& text, const QColor& colour, double points) {
  QFont f(gMincho);
  f.setBold(true);
  f.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
  p.setFont(f);
  p.setPen(colour);
  const QPoint at = cellPixel(x, y);
  p.drawText(QRect(at.x(), at.y(), 200, 100), Qt::AlignLeft | Qt::AlignTop, text);
}

QImage makePreview(int background) {
  const std::vector<Picture> all = makeAll();
  const char* backgrounds[] = {"", "", "HAIKEI_MIDORI", "HAIKEI_TATAMI", "HAIKEI_TAKE", "HAIKEI_UCHU", "HAIKEI_RENGA"};
  const QImage tile = find(all, backgrounds[std::clamp(background, 2, 6)]);
  QImage win(745, 585, QImage::Format_RGB32);
  win.fill(QColor(0, 128, 0));
  QPainter p(&win);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (int x = -3; x <= 20; ++x)
    for (int y = -2; y <= 15; ++y) p.drawImage(cellPixel(x, y), tile);

  const char* kinds[] = {"", "HU", "GIN", "KIN", "SYA", "OU"};
  const char* seats[] = {"", "SITA", "HIDARI", "UE", "MIGI"};
  auto pieceName = [&](int code, bool promoted) {
    const int kind = code % 10;
    QString k = kinds[kind];
    if (promoted) k = kind == 1 ? "TO" : kind == 2 ? "GINNARI" : "SYANARI";
    return QString("%1_%2").arg(seats[code / 10], k);
  };
  const int grid[9][9] = {
      {0, 0, 32, 33, 35, 33, 32, 0, 0},   {0, 0, 0, 31, 34, 31, 0, 0, 0},     {22, 0, 0, 0, 31, 0, 0, 0, 42},
      {23, 21, 0, 0, 0, 0, 0, 41, 43},    {25, 24, 21, 0, 0, 0, 41, 44, 45}, {23, 21, 0, 0, 0, 0, 0, 41, 43},
      {22, 0, 0, 0, 11, 0, 0, 0, 42},     {0, 0, 0, 11, 14, 11, 0, 0, 0},     {0, 0, 12, 13, 15, 13, 12, 0, 0},
  };
  const QPen frame(QColor(0, 128, 0));
  auto frameCell = [&](double x, double y) {
    const QPoint a = cellPixel(x, y), b = cellPixel(x + 1, y + 1);
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(a, b - QPoint(1, 1)));
  };
  // Coordinate labels, with their shadows.
  const char* numerals[] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  for (int i = 1; i <= 9; ++i) {
    label(p, i + 0.2, 0.5, QString(" %1 ").arg(10 - i), Qt::black, 16);
    label(p, i + 0.1, 0.4, QString(" %1 ").arg(10 - i), QColor(255, 255, 0), 16);
    label(p, 10.2, i + 0.4, QString::fromUtf8(numerals[i]), Qt::black, 12);
    label(p, 10.1, i + 0.3, QString::fromUtf8(numerals[i]), QColor(255, 255, 0), 12);
  }
  // Hands: a few captured pieces, so that the side panels can be judged too.
  struct HandShow {
    int column, countColumn, codeBase, rowSign, rowBase;
    int counts[5];
  };
  const HandShow hands[] = {
      {11, 12, 10, +1, 5, {0, 2, 1, 0, 1}},
      {-1, 0, 30, -1, 5, {0, 1, 0, 1, 0}},
      {11, 12, 40, -1, 5, {0, 3, 0, 0, 0}},
      {-1, 0, 20, +1, 5, {0, 0, 1, 12, 0}},
  };
  for (const HandShow& h : hands)
    for (int k = 1; k <= 4; ++k) {
      const int r = h.rowBase + h.rowSign * k;
      p.drawImage(cellPixel(h.column, r), find(all, "KARA_MASU"));
      if (h.counts[k] > 0) {
        p.drawImage(cellPixel(h.column, r), find(all, pieceName(h.codeBase + k, false)));
        label(p, h.countColumn + 0.1, r + 0.3, QString(" %1 ").arg(h.counts[k]), Qt::black, 14);
        label(p, h.countColumn, r + 0.2, QString(" %1 ").arg(h.counts[k]), QColor(255, 0, 0), 14);
      }
      frameCell(h.column, r);
    }
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9; ++x) {
      const int code = grid[y - 1][x - 1];
      p.drawImage(cellPixel(x, y), find(all, code ? pieceName(code, false) : QString("KARA_MASU")));
      frameCell(x, y);
    }
  p.drawImage(cellPixel(10.8, 0), find(all, "KORVELSHOGI"));
  p.drawImage(QPoint(5000 / 15, 7700 / 15), find(all, "ICO_MAN"));
  p.drawImage(QPoint(8800 / 15, 4100 / 15), find(all, "ICO_COM"));
  p.end();
  return win;
}

// Every piece enlarged, with the background tiles repeated 3 x 3 beside them.
QImage makeSheet() {
  const std::vector<Picture> all = makeAll();
  constexpr int Z = 3;
  QImage sheet(8 * kCell * Z + 40, 4 * kCell * Z + 60 + 3 * kCell, QImage::Format_RGB32);
  sheet.fill(QColor(60, 60, 60));
  QPainter p(&sheet);
  int row = 0;
  for (const SeatInfo& s : kSeats) {
    int col = 0;
    for (const KindInfo& k : kKinds) {
      const QImage img = find(all, QString("%1_%2").arg(s.name, k.name));
      p.drawImage(20 + col * kCell * Z, 20 + row * kCell * Z, img.scaled(kCell * Z, kCell * Z));
      ++col;
    }
    ++row;
  }
  const char* tiles[] = {"HAIKEI_MIDORI", "HAIKEI_TAKE", "HAIKEI_TATAMI", "HAIKEI_UCHU", "HAIKEI_RENGA"};
  for (int i = 0; i < 5; ++i) {
    const QImage t = find(all, tiles[i]);
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b)
        p.drawImage(20 + i * (3 * kCell + 12) + a * kCell, 40 + 4 * kCell * Z + b * kCell, t);
  }
  p.end();
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  auto usage = [] {
    std::fprintf(stderr,
                 "usage: korvel4-picgen OUTDIR\n"
                 "       korvel4-picgen --preview OUT.png [BACKGROUND 2..6]\n"
                 "       korvel4-picgen --sheet OUT.png\n"
                 "       korvel4-picgen --icon OUTDIR\n");
    return 2;
  };
  if (args.size() < 2) return usage();
  if (!loadMincho()) {
    std::fprintf(stderr, "korvel4-picgen: no Mincho face found (install fonts-ipafont-mincho)\n");
    return 1;
  }
  if (args[1] == "--icon") {
    if (args.size() != 3) return usage();
    return writeIcons(args[2]) ? 0 : 1;
  }
  if (args[1] == "--preview" || args[1] == "--sheet") {
    if (args.size() < 3) return usage();
    int background = 2;
    if (args.size() >= 4) {
      bool ok = false;
      background = args[3].toInt(&ok);
      if (!ok || background < 2 || background > 6) {
        std::fprintf(stderr, "korvel4-picgen: the background is a number from 2 to 6, not %s\n",
                     qPrintable(args[3]));
        return 2;
      }
    }
    const QImage img = args[1] == "--preview" ? makePreview(background) : makeSheet();
    if (!img.save(args[2], "PNG")) {
      std::fprintf(stderr, "korvel4-picgen: cannot write %s\n", qPrintable(args[2]));
      return 1;
    }
    return 0;
  }
  if (args[1].startsWith("-")) return usage();
  return writeAll(args[1]) ? 0 : 1;
}
