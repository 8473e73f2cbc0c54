#include "shell/painter_canvas.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "shell/piece_art.h"

// Outside any namespace, as the resource system asks.
static void InitPictureResources() {
  Q_INIT_RESOURCE(pictures);
}

namespace korvel {

namespace {

// Picture codes are small: the largest is MIGI's king, 45, i.e. 90 half steps.
constexpr int PICTURE_SLOTS = 92;

const char* PictureName(int halves) {
  static constexpr const char* SEATS[] = {"SITA", "HIDARI", "UE", "MIGI"};
  static constexpr const char* KINDS[][2] = {
      {"HU", "TO"}, {"GIN", "GINNARI"}, {"KIN", nullptr}, {"SYA", "SYANARI"}, {"OU", nullptr}};
  static const std::array<std::string, PICTURE_SLOTS> names = [] {
    std::array<std::string, PICTURE_SLOTS> n;
    n[0] = "KARA_MASU";
    n[2] = "KORVELSHOGI";
    n[4] = "HAIKEI_MIDORI";
    n[6] = "HAIKEI_TATAMI";
    n[8] = "HAIKEI_TAKE";
    n[10] = "HAIKEI_UCHU";
    n[12] = "HAIKEI_RENGA";
    for (int seat = 1; seat <= 4; ++seat)
      for (int kind = 1; kind <= 5; ++kind)
        for (int promoted = 0; promoted < 2; ++promoted)
          if (const char* k = KINDS[kind - 1][promoted])
            n[(seat * 10 + kind) * 2 + promoted] = std::string(SEATS[seat - 1]) + "_" + k;
    return n;
  }();
  return names[halves].empty() ? nullptr : names[halves].c_str();
}

QImage LoadPicture(const QString& name, QImage::Format format) {
  InitPictureResources();
  QImage img(QStringLiteral(":/pictures/") + name + QStringLiteral(".png"));
  return img.isNull() ? img : img.convertToFormat(format);
}

// Font sizes become whole pixel heights at 96 dots per inch, as the pictures were laid out.
int PixelSizeOf(int sizePt) {
  return std::max(1, static_cast<int>(std::lround(sizePt * 96.0 / 72)));
}

// The ascent of the face the window was laid out with (IPA P Mincho) at a pixel size; the
// text is set in a face with a real bold weight when there is one, on the same baseline.
int LayoutAscent(int pixelSize) {
  QFont layout(QStringLiteral("IPAPMincho"));
  layout.setPixelSize(pixelSize);
  if (QFontInfo(layout).family() != QLatin1String("IPAPMincho"))
    layout.setFamilies({QStringLiteral("Noto Serif CJK JP")});
  return QFontMetrics(layout).ascent();
}

// A picture drawn afresh at `ratio` device pixels to the design pixel (null for codes
// without one).
QImage DrawArt(int halves, qreal ratio) {
  if (halves == 0) return art::EmptySquare(ratio);
  if (halves == 2) return art::Logo(ratio);
  switch (halves) {
    case 4:
      return art::Tile(art::Background::MIDORI, ratio);
    case 6:
      return art::Tile(art::Background::TATAMI, ratio);
    case 8:
      return art::Tile(art::Background::TAKE, ratio);
    case 10:
      return art::Tile(art::Background::UCHU, ratio);
    case 12:
      return art::Tile(art::Background::RENGA, ratio);
    default:
      break;
  }
  // Pieces: seat * 10 + kind, a half more when promoted.
  const int seat = halves / 20, kind = (halves / 2) % 10, promoted = halves % 2;
  if (seat < SITA || seat > MIGI) return QImage();
  static constexpr int ART_KIND[5][2] = {{0, 1}, {2, 3}, {4, -1}, {5, 6}, {7, -1}};
  if (kind < 1 || kind > 5 || ART_KIND[kind - 1][promoted] < 0) return QImage();
  return art::Piece(seat - SITA, ART_KIND[kind - 1][promoted], ratio);
}

}  // namespace

namespace {

// The pictures of the last few ratios: a window and a second canvas at one ratio share
// them, and a window resized back and forth draws nothing twice.
struct Drawn {
  qreal ratio;
  std::array<QImage, PICTURE_SLOTS> pictures;
};
std::vector<std::unique_ptr<Drawn>> drawnSets;

bool DrawnAt(qreal ratio) {
  return ratio == 1.0 || std::any_of(drawnSets.begin(), drawnSets.end(),
                                     [ratio](const auto& d) { return d->ratio == ratio; });
}

}  // namespace

const QImage& PictureAt(PieceCode code, qreal ratio) {
  if (ratio == 1.0) return PictureOf(code);
  static const QImage none;
  const int h = code.Halves();
  if (h < 0 || h >= PICTURE_SLOTS || PictureOf(code).isNull()) return none;
  auto it = std::find_if(drawnSets.begin(), drawnSets.end(),
                         [ratio](const std::unique_ptr<Drawn>& d) { return d->ratio == ratio; });
  if (it == drawnSets.end()) {
    if (drawnSets.size() == 3) drawnSets.erase(drawnSets.begin());
    drawnSets.push_back(std::make_unique<Drawn>());
    drawnSets.back()->ratio = ratio;
    it = drawnSets.end() - 1;
  }
  QImage& pic = (*it)->pictures[h];
  if (pic.isNull()) pic = DrawArt(h, ratio).convertToFormat(QImage::Format_RGB32);
  return pic;
}

int TwipsToPixel(double twips) {
  // A hair of tolerance so that positions built from decimal fractions of a cell land on
  // the pixel they name.
  return static_cast<int>(std::floor(twips / TWIPS_PER_PIXEL + 1e-9));
}

QColor PaletteColour(int index) {
  static constexpr QRgb PALETTE[16] = {
      qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
      qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
      qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)};
  return QColor(index >= 0 && index < 16 ? PALETTE[index] : PALETTE[0]);
}

const QImage& PictureOf(PieceCode code) {
  static const std::array<QImage, PICTURE_SLOTS> pictures = [] {
    std::array<QImage, PICTURE_SLOTS> p;
    for (int h = 0; h < PICTURE_SLOTS; ++h)
      if (const char* name = PictureName(h))
        p[h] = LoadPicture(QString::fromLatin1(name), QImage::Format_RGB32);
    return p;
  }();
  static const QImage none;
  const int h = code.Halves();
  return h >= 0 && h < PICTURE_SLOTS ? pictures[h] : none;
}

const QImage& IconPicture(TurnIcon icon) {
  static const QImage man = LoadPicture("ICO_MAN", QImage::Format_ARGB32_Premultiplied);
  static const QImage com = LoadPicture("ICO_COM", QImage::Format_ARGB32_Premultiplied);
  return icon == TurnIcon::MAN ? man : com;
}

QImage IconPictureAt(TurnIcon icon, int pixels) {
  const QImage& design = IconPicture(icon);
  if (pixels == design.width() || pixels <= 0) return design;
  static std::array<QImage, 2> drawn;
  QImage& pic = drawn[icon == TurnIcon::MAN ? 0 : 1];
  if (pic.width() != pixels) {
    const double scale = pixels / static_cast<double>(design.width());
    pic = (icon == TurnIcon::MAN ? art::ManIcon(scale) : art::ComIcon(scale))
              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return pic;
}

const QImage& BannerPicture() {
  static const QImage banner = LoadPicture("BANNER", QImage::Format_RGB32);
  return banner;
}

QImage BannerPictureAt(qreal ratio) {
  if (ratio == 1.0) return BannerPicture();
  static qreal drawnRatio = 0;
  static QImage drawn;
  if (drawn.isNull() || drawnRatio != ratio) {
    drawn = art::Banner(ratio).convertToFormat(QImage::Format_RGB32);
    drawnRatio = ratio;
  }
  return drawn;
}

PainterCanvas::PainterCanvas(qreal dpr)
    : image_(static_cast<int>(std::ceil(CANVAS_WIDTH * dpr)),
             static_cast<int>(std::ceil(CANVAS_HEIGHT * dpr)), QImage::Format_RGB32) {
  image_.setDevicePixelRatio(dpr);
  // 96 dots per inch, so that point sizes come out as they were designed.
  image_.setDotsPerMeterX(3780);
  image_.setDotsPerMeterY(3780);
  image_.fill(PaletteColour(COLOUR_GREEN));
}

QColor PainterCanvas::SeatColour(int seat) {
  // Blue and bluish green for the first team, vermilion and reddish purple for the second.
  switch (seat) {
    case SITA:
      return QColor(0x00, 0x72, 0xB2);
    case UE:
      return QColor(0x00, 0x9E, 0x73);
    case HIDARI:
      return QColor(0xD5, 0x5E, 0x00);
    case MIGI:
      return QColor(0xCC, 0x79, 0xA7);
    default:
      return QColor();
  }
}

namespace {

// A piece's picture with its seat's colour laid over the piece itself: where the picture
// differs from the empty square, the piece is.
QImage Tinted(const QImage& pic, const QImage& square, int seat) {
  const QColor tint = PainterCanvas::SeatColour(seat);
  if (pic.isNull() || square.size() != pic.size() || !tint.isValid()) return pic;
  QImage out = pic.copy();
  constexpr int ALPHA = 70;  // of 255: a quiet tint, the piece's name stays black
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    const auto* empty = reinterpret_cast<const QRgb*>(square.constScanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb p = line[x], e = empty[x];
      const int diff = std::abs(qRed(p) - qRed(e)) + std::abs(qGreen(p) - qGreen(e)) +
                       std::abs(qBlue(p) - qBlue(e));
      if (diff < 24) continue;
      auto mix = [](int a, int b) { return (a * (255 - ALPHA) + b * ALPHA) / 255; };
      line[x] =
          qRgb(mix(qRed(p), tint.red()), mix(qGreen(p), tint.green()), mix(qBlue(p), tint.blue()));
    }
  }
  return out;
}

}  // namespace

void PainterCanvas::SetRatio(qreal ratio, bool quick) {
  if (ratio <= 0 || ratio == image_.devicePixelRatio()) return;
  stretched_ = quick && !DrawnAt(ratio);
  image_ = QImage(static_cast<int>(std::ceil(CANVAS_WIDTH * ratio)),
                  static_cast<int>(std::ceil(CANVAS_HEIGHT * ratio)), QImage::Format_RGB32);
  image_.setDevicePixelRatio(ratio);
  image_.setDotsPerMeterX(3780);
  image_.setDotsPerMeterY(3780);
  Redraw();
}

bool PainterCanvas::Sharpen() {
  if (!stretched_) return false;
  stretched_ = false;
  Redraw();
  return true;
}

void PainterCanvas::SetTint(bool tint) {
  if (tint == tint_) return;
  tint_ = tint;
  Redraw();
}

void PainterCanvas::Redraw() {
  for (QImage& pic : devicePictures_) pic = QImage();
  image_.fill(PaletteColour(COLOUR_GREEN));
  const bool bold = bold_;
  bold_ = false;
  for (const Op& op : ops_) Do(op);
  bold_ = bold;
  changed_ = false;
  Changed();
}

void PainterCanvas::Record(Op op) {
  // An opaque picture hides everything that lies wholly under it.
  if (op.kind == Op::PICTURE && !op.bounds.isEmpty()) {
    const QRect r = op.bounds;
    ops_.erase(
        std::remove_if(ops_.begin(), ops_.end(),
                       [&r](const Op& o) { return o.kind != Op::BOLD && r.contains(o.bounds); }),
        ops_.end());
    // Of bold switches with nothing left between them, only the last counts.
    std::vector<Op> kept;
    kept.reserve(ops_.size());
    for (Op& o : ops_) {
      if (o.kind == Op::BOLD && !kept.empty() && kept.back().kind == Op::BOLD) kept.pop_back();
      kept.push_back(std::move(o));
    }
    ops_.swap(kept);
  }
  ops_.push_back(std::move(op));
  Do(ops_.back());
  if (ops_.size() >= compactAt_) {
    Compact();
    compactAt_ = std::max<size_t>(1024, ops_.size() * 2);
  }
}

void PainterCanvas::Compact() {
  // From the newest back: an operation wholly under the pictures drawn after it is gone.
  QRegion covered;
  std::vector<Op> kept;
  kept.reserve(ops_.size());
  for (auto it = ops_.rbegin(); it != ops_.rend(); ++it) {
    if (it->kind != Op::BOLD && QRegion(it->bounds).subtracted(covered).isEmpty()) continue;
    if (it->kind == Op::PICTURE) covered += it->bounds;
    // Of bold switches with nothing left between them, only the last counts.
    if (it->kind == Op::BOLD && !kept.empty() && kept.back().kind == Op::BOLD) continue;
    kept.push_back(std::move(*it));
  }
  std::reverse(kept.begin(), kept.end());
  ops_.swap(kept);
}

void PainterCanvas::Do(const Op& op) {
  switch (op.kind) {
    case Op::PICTURE:
      DoPicture(op.code, op.x, op.y);
      break;
    case Op::FRAME:
      DoFrame(op.colour, op.x, op.y, op.w, op.h);
      break;
    case Op::BOLD:
      bold_ = op.bold;
      break;
    case Op::TEXT:
      DoText(op.x, op.y, op.text, op.colour, op.sizePt);
      break;
  }
}

const QImage& PainterCanvas::DevicePicture(PieceCode code) {
  const QImage& pic = PictureOf(code);
  const qreal dpr = image_.devicePixelRatio();
  const int seat = SeatOfCode(code);
  const bool tinted = tint_ && seat >= SITA && seat <= MIGI;
  if (pic.isNull() || (dpr == 1.0 && !tinted)) return pic;
  QImage& drawn = devicePictures_[code.Halves()];
  if (drawn.isNull()) {
    // Drawn at the device's pixels, not stretched: as sharp at any size as at the design
    // size. Rounded up, so that neighbouring squares placed at rounded positions leave no
    // seam.
    if (stretched_) {
      const QImage base = tinted ? Tinted(pic, PictureOf(EMPTY), seat) : pic;
      drawn =
          base.scaled(QSize(art::DeviceSide(pic.width(), dpr), art::DeviceSide(pic.height(), dpr)),
                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
      const QImage& base = PictureAt(code, dpr);
      drawn = tinted ? Tinted(base, PictureAt(EMPTY, dpr), seat) : base;
    }
  }
  return drawn;
}

void PainterCanvas::DrawPicture(PieceCode code, double x, double y) {
  const QImage& pic = PictureOf(code);
  if (pic.isNull()) return;
  Op op;
  op.code = code;
  op.x = x;
  op.y = y;
  op.bounds = QRect(QPoint(TwipsToPixel(x), TwipsToPixel(y)), pic.size());
  Record(std::move(op));
}

void PainterCanvas::DoPicture(PieceCode code, double x, double y) {
  const QImage& pic = DevicePicture(code);
  if (pic.isNull()) return;
  Changed();
  const qreal dpr = image_.devicePixelRatio();
  const QPoint at(TwipsToPixel(x), TwipsToPixel(y));
  if (dpr == 1.0) {
    QPainter(&image_).drawImage(at, pic);
    return;
  }
  // Scaled once, placed in device pixels: a plain copy, and no seams between tiles.
  image_.setDevicePixelRatio(1.0);
  QPainter(&image_).drawImage(QPoint(static_cast<int>(std::lround(at.x() * dpr)),
                                     static_cast<int>(std::lround(at.y() * dpr))),
                              pic);
  image_.setDevicePixelRatio(dpr);
}

void PainterCanvas::FrameRect(int colour, double x, double y, double w, double h) {
  Op op;
  op.kind = Op::FRAME;
  op.x = x;
  op.y = y;
  op.w = w;
  op.h = h;
  op.colour = colour;
  op.bounds = QRect(QPoint(TwipsToPixel(x), TwipsToPixel(y)),
                    QPoint(TwipsToPixel(x + w), TwipsToPixel(y + h)));
  Record(std::move(op));
}

void PainterCanvas::DoFrame(int colour, double x, double y, double w, double h) {
  const int left = TwipsToPixel(x), top = TwipsToPixel(y);
  const int right = TwipsToPixel(x + w), bottom = TwipsToPixel(y + h);
  const QColor c = PaletteColour(colour);
  Changed();
  // Filled strips one design pixel wide (at least one device pixel), placed in device
  // pixels as the pictures are: exact at any ratio, below 1 too, where a painter on the
  // buffer would not scale them down.
  const qreal dpr = image_.devicePixelRatio();
  auto at = [dpr](int v) { return static_cast<int>(std::lround(v * dpr)); };
  const int line = std::max(1, static_cast<int>(std::lround(dpr)));
  const int x0 = at(left), y0 = at(top), x1 = at(right + 1), y1 = at(bottom + 1);
  image_.setDevicePixelRatio(1.0);
  {
    QPainter p(&image_);
    p.fillRect(QRect(x0, y0, x1 - x0, line), c);
    p.fillRect(QRect(x0, at(bottom), x1 - x0, line), c);
    p.fillRect(QRect(x0, y0, line, y1 - y0), c);
    p.fillRect(QRect(at(right), y0, line, y1 - y0), c);
  }
  image_.setDevicePixelRatio(dpr);
}

void PainterCanvas::SetBold(bool bold) {
  Op op;
  op.kind = Op::BOLD;
  op.bold = bold;
  Record(std::move(op));
}

QFont PainterCanvas::TextFont(int sizePt) const {
  QFont f;
  // Noto Serif CJK has a drawn bold weight: firmer and clearer at these sizes than the
  // synthetic bold of IPA P Mincho, which stays as the fallback.
  f.setFamilies({QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAPMincho"),
                 QStringLiteral("IPA P明朝"), QStringLiteral("IPAMincho")});
  f.setPixelSize(PixelSizeOf(sizePt));
  f.setBold(bold_);
  return f;
}

void PainterCanvas::PrintText(double x, double y, std::string_view text, int colour, int sizePt) {
  if (text.empty()) return;
  Op op;
  op.kind = Op::TEXT;
  op.x = x;
  op.y = y;
  op.colour = colour;
  op.sizePt = sizePt;
  op.text = std::string(text);
  // Generously bounded: text is forgotten only when a picture covers all it could touch.
  const QFontMetricsF fm(TextFont(sizePt));
  const QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const int w = static_cast<int>(std::ceil(fm.horizontalAdvance(q) + fm.height() * 0.5)) + 4;
  const int h = static_cast<int>(std::ceil(fm.height())) + 4;
  op.bounds = QRect(TwipsToPixel(x) - 2, TwipsToPixel(y) - 2, w, h);
  Record(std::move(op));
}

void PainterCanvas::DoText(double x, double y, std::string_view text, int colour, int sizePt) {
  Changed();
  // Text is set in device pixels: under a scaling painter the face's synthetic bold is
  // lost, and the window's text is bold.
  const qreal dpr = image_.devicePixelRatio();
  QFont font = TextFont(sizePt);
  font.setPixelSize(static_cast<int>(std::lround(PixelSizeOf(sizePt) * dpr)));
  image_.setDevicePixelRatio(1.0);
  {
    QPainter p(&image_);
    p.setFont(font);
    p.setPen(PaletteColour(colour));
    // The point is the top-left corner of the text's line: the baseline is one ascent of
    // the layout's face below, whichever face draws it, so that every text keeps its place.
    const int left = static_cast<int>(std::lround(TwipsToPixel(x) * dpr));
    const int top = static_cast<int>(std::lround(TwipsToPixel(y) * dpr));
    p.drawText(QPoint(left, top + LayoutAscent(font.pixelSize())),
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  image_.setDevicePixelRatio(dpr);
}

void PainterCanvas::Flush() {
  if (onFlush) onFlush();
}

QImage PainterCanvas::WithIcon(bool shown, TurnIcon icon, int leftTwips, int topTwips) const {
  QImage out = image_.copy();
  if (!shown) return out;
  const qreal dpr = image_.devicePixelRatio();
  const QImage pic = IconPictureAt(icon, art::DeviceSide(32, dpr));
  if (pic.isNull()) return out;
  QPainter p(&out);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRectF(QPointF(TwipsToPixel(leftTwips), TwipsToPixel(topTwips)),
                     QSizeF(pic.width() / dpr, pic.height() / dpr)),
              pic);
  return out;
}

}  // namespace korvel
