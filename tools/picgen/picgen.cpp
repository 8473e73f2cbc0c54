// korvel4-picgen: draws every picture the game shows (the wooden square, the
// 32 pieces, the five background tiles, the logo, the two turn icons and the
// about banner) and writes them as PNG files with a Qt resource list.
//
//   QT_QPA_PLATFORM=offscreen korvel4-picgen OUTDIR
//   QT_QPA_PLATFORM=offscreen korvel4-picgen --preview OUT.png [BACKGROUND 2..6]
//   QT_QPA_PLATFORM=offscreen korvel4-picgen --sheet OUT.png
//   QT_QPA_PLATFORM=offscreen korvel4-picgen --icon OUTDIR
//
// The drawing itself is shell/piece_art, which the painter also uses to draw the
// same pictures at the window's own resolution.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QStringList>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "shell/piece_art.h"

namespace {

using namespace korvel::art;

constexpr int kCell = CELL;

// ---------------------------------------------------------------- output ----

struct Picture {
  QString name;
  QImage image;
};

// Every picture at `scale` (1: the design size, as committed).
std::vector<Picture> makeAll(double scale = 1.0) {
  std::vector<Picture> all;
  all.push_back({"KARA_MASU", EmptySquare(scale)});
  for (int s = 0; s < SEATS; ++s)
    for (int k = 0; k < KINDS; ++k)
      all.push_back({QString("%1_%2").arg(SeatName(s), KindName(k)), Piece(s, k, scale)});
  for (Background b : {Background::MIDORI, Background::TAKE, Background::TATAMI, Background::UCHU,
                       Background::RENGA})
    all.push_back({BackgroundName(b), Tile(b, scale)});
  all.push_back({"KORVELSHOGI", Logo(scale)});
  all.push_back({"ICO_MAN", ManIcon(scale)});
  all.push_back({"ICO_COM", ComIcon(scale)});
  all.push_back({"BANNER", Banner(scale)});
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
    std::printf("%-22s %3dx%-3d\n", qPrintable(pic.name + ".png"), pic.image.width(),
                pic.image.height());
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
  return t.map(PolygonPath(PiecePolygon(kIconH)));
}

QPainterPath iconLetter() {
  // Laid out at a large size so that the outline is exact, then brought to the unit square.
  constexpr double big = 1000;
  QPainterPath g = TextPath(QString::fromUtf8(kIconText), 0.50 * kIconH * big);
  g = QTransform::fromScale(1.0 / big, 1.0 / big).map(g);
  const double width = 0.60 * 0.86 * kIconH;
  const double sx = width / g.boundingRect().width();
  return CentredOnInk(g, kIconCx, kIconCy + 0.07 * kIconH, sx, sx * 0.98);
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
        Rgb c = PieceWood((u - kIconCx) * big * toWood, (v - kIconCy) * big * toWood, 4242);
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
  PaintInk(lp, toBig.map(iconLetter()), kIconInk, std::max(0.6, size / 64.0) * ss);
  lp.end();

  // A soft shadow below and to the right keeps the edge visible on a wooden panel.
  const QImage small = ScaleDown(body, size, size);
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
  const std::vector<double> soft = BlurAlpha(shadowMask, std::max(0.8, size / 60.0));
  QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double a = 0.45 * soft[size_t(y) * size + x];
      out.setPixel(x, y, qRgba(int(30 * a), int(18 * a), int(6 * a), int(255 * a)));
    }
  QPainter op(&out);
  op.drawImage(0, 0, small);
  op.drawImage(0, 0, SharpenInk(ScaleDown(letters, size, size), kIconInk));
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
  if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
    return true;
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

void label(QPainter& p, double x, double y, const QString& text, const QColor& colour,
           double points) {
  QFont f(MinchoFamily());
  f.setBold(true);
  f.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
  p.setFont(f);
  p.setPen(colour);
  const QPoint at = cellPixel(x, y);
  p.drawText(QRect(at.x(), at.y(), 200, 100), Qt::AlignLeft | Qt::AlignTop, text);
}

QImage makePreview(int background) {
  const std::vector<Picture> all = makeAll();
  const char* backgrounds[] = {
      "", "", "HAIKEI_MIDORI", "HAIKEI_TATAMI", "HAIKEI_TAKE", "HAIKEI_UCHU", "HAIKEI_RENGA"};
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
      {0, 0, 32, 33, 35, 33, 32, 0, 0},  {0, 0, 0, 31, 34, 31, 0, 0, 0},
      {22, 0, 0, 0, 31, 0, 0, 0, 42},    {23, 21, 0, 0, 0, 0, 0, 41, 43},
      {25, 24, 21, 0, 0, 0, 41, 44, 45}, {23, 21, 0, 0, 0, 0, 0, 41, 43},
      {22, 0, 0, 0, 11, 0, 0, 0, 42},    {0, 0, 0, 11, 14, 11, 0, 0, 0},
      {0, 0, 12, 13, 15, 13, 12, 0, 0},
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
  for (int s = 0; s < SEATS; ++s) {
    int col = 0;
    for (int k = 0; k < KINDS; ++k) {
      const QImage img = find(all, QString("%1_%2").arg(SeatName(s), KindName(k)));
      p.drawImage(20 + col * kCell * Z, 20 + row * kCell * Z, img.scaled(kCell * Z, kCell * Z));
      ++col;
    }
    ++row;
  }
  const char* tiles[] = {"HAIKEI_MIDORI", "HAIKEI_TAKE", "HAIKEI_TATAMI", "HAIKEI_UCHU",
                         "HAIKEI_RENGA"};
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
  if (!LoadMincho()) {
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
