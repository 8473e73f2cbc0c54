// The back buffer's drawing, the Qt message boxes and the about box, and the runner's
// snapshot against the same picture drawn directly.
#include "shell/painter_canvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <fstream>

#include "shell/about_box.h"
#include "shell/qt_ports.h"
#include "shell_fakes.h"
#include "view/board_drawing.h"

namespace korvel::testing {
namespace {

const QRgb GREEN = qRgb(0, 128, 0);

TEST(PainterCanvas, TwipsFallInThePixelTheyName) {
  struct Case {
    double twips;
    int pixel;
  } cases[] = {{0, 0},
               {14.99, 0},
               {15, 1},
               {-0.5, -1},
               {CellX(0), 93},
               {CellX(1), 140},
               {CellX(10.8), 600},
               {CellX(0.1), 98},
               {CellX(-0.9) + 120, 59},
               {CellY(-2), -61}};
  for (const Case& c : cases) EXPECT_EQ(TwipsToPixel(c.twips), c.pixel) << c.twips;
}

TEST(PainterCanvas, StartsGreenAndFramesAreOnePixelOutlinesOfTheCell) {
  PainterCanvas canvas;
  EXPECT_EQ(canvas.Image().size(), QSize(745, 580));
  EXPECT_EQ(canvas.Image().pixel(0, 0), GREEN);
  FrameCell(canvas, COLOUR_WHITE, 1, 1);  // pixels 140..187 both ways
  const QImage& img = canvas.Image();
  const QRgb white = qRgb(255, 255, 255);
  for (int i = 140; i <= 187; ++i) {
    EXPECT_EQ(img.pixel(i, 80), white);
    EXPECT_EQ(img.pixel(i, 127), white);
    EXPECT_EQ(img.pixel(140, i - 60), white);
    EXPECT_EQ(img.pixel(187, i - 60), white);
  }
  EXPECT_EQ(img.pixel(141, 81), GREEN);  // not filled
  EXPECT_EQ(img.pixel(188, 80), GREEN);
  EXPECT_EQ(img.pixel(139, 80), GREEN);
}

TEST(PainterCanvas, PicturesAtNaturalSizeAndUnknownCodesDrawNothing) {
  PainterCanvas canvas;
  DrawCell(canvas, PieceCode(15), 5, 9);
  const QImage& king = PictureOf(PieceCode(15));
  ASSERT_EQ(king.size(), QSize(47, 47));
  EXPECT_EQ(canvas.Image().copy(93 + 47 * 5, 33 + 47 * 9, 47, 47), king);
  // Every code that has a picture has one of its size.
  EXPECT_EQ(PictureOf(BG_UCHU).size(), QSize(48, 48));
  EXPECT_EQ(PictureOf(LOGO).size(), QSize(105, 27));
  for (int seat = 1; seat <= 4; ++seat)
    for (int kind = 1; kind <= 5; ++kind) {
      EXPECT_EQ(PictureOf(Code(seat, kind)).size(), QSize(47, 47));
      if (kind != KIN && kind != OU) {
        EXPECT_EQ(PictureOf(Code(seat, kind, true)).size(), QSize(47, 47));
      }
    }
  const QImage before = canvas.Image().copy();
  for (PieceCode none : {PieceCode(16), PieceCode(7), 13.5_pc, PieceCode(46), PieceCode(-1)})
    canvas.DrawPicture(none, CellX(1), CellY(1));
  EXPECT_EQ(canvas.Image(), before);
  EXPECT_EQ(IconPicture(TurnIcon::MAN).size(), QSize(32, 32));
  EXPECT_EQ(BannerPicture().size(), QSize(337, 106));
}

TEST(PainterCanvas, TextHangsBelowAndRightOfItsPointInItsPaletteColour) {
  PainterCanvas canvas;
  canvas.SetBold(true);
  const int x = 200, y = 200;
  canvas.PrintText(x * 15, y * 15, "思考中", COLOUR_LIGHT_YELLOW, 12);
  const QImage& img = canvas.Image();
  int inside = 0, outside = 0;
  for (int py = y - 20; py < y + 40; ++py)
    for (int px = x - 20; px < x + 80; ++px) {
      if (img.pixel(px, py) != qRgb(255, 255, 0)) continue;
      if (px >= x && py >= y && py < y + 16 + 4)
        ++inside;
      else
        ++outside;
    }
  EXPECT_GT(inside, 30);
  EXPECT_EQ(outside, 0);
  EXPECT_TRUE(canvas.TextFont(12).bold());
  EXPECT_EQ(canvas.TextFont(12).pixelSize(), 16);
  EXPECT_EQ(canvas.TextFont(10).pixelSize(), 13);
  EXPECT_EQ(PaletteColour(2), QColor(0, 128, 0));
  EXPECT_EQ(PaletteColour(12), QColor(255, 0, 0));
  EXPECT_EQ(PaletteColour(7), QColor(192, 192, 192));
}

TEST(PainterCanvas, HighDensityBufferKeepsTheLayoutInLogicalPixels) {
  PainterCanvas canvas(2.0);
  EXPECT_EQ(canvas.Image().size(), QSize(1490, 1160));
  FrameCell(canvas, COLOUR_LIGHT_RED, 1, 1);
  DrawCell(canvas, PieceCode(11), 2, 2);
  const QImage& img = canvas.Image();
  // The frame is one logical pixel: two device pixels.
  EXPECT_EQ(img.pixel(280, 200), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(281, 200), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(282, 200), GREEN);
  // The pawn fills its 94 device pixels from (187 * 2, 127 * 2).
  EXPECT_NE(img.pixel(374, 254), GREEN);
  EXPECT_NE(img.pixel(374 + 93, 254 + 93), GREEN);
  EXPECT_EQ(img.pixel(374 + 94, 254 + 94), GREEN);
}

// A window smaller than the design: frames and pictures shrink together, every frame on
// the cell it outlines.
TEST(PainterCanvas, BelowTheDesignSizeFramesStayOnTheirCells) {
  for (const qreal ratio : {0.5, 0.75}) {
    PainterCanvas canvas(ratio);
    FrameCell(canvas, COLOUR_LIGHT_RED, 1, 1);  // design pixels 140..187 x 80..127
    const QImage& img = canvas.Image();
    auto at = [ratio](int v) { return static_cast<int>(std::lround(v * ratio)); };
    QRect red;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) == qRgb(255, 0, 0)) red |= QRect(x, y, 1, 1);
    EXPECT_EQ(red, QRect(QPoint(at(140), at(80)), QPoint(at(187), at(127)))) << ratio;
    EXPECT_EQ(img.pixel(at(160), at(100)), GREEN) << "the frame is an outline";
  }
}

// The squared brightness steps between neighbouring pixels, per design pixel: a picture
// drawn at a finer resolution has as steep edges as at the design size, over longer edges;
// a stretched one spreads every edge over more pixels.
double EdgeEnergy(const QImage& img, qreal ratio) {
  double sum = 0;
  for (int y = 0; y + 1 < img.height(); ++y)
    for (int x = 0; x + 1 < img.width(); ++x) {
      const int g = qGray(img.pixel(x, y));
      sum +=
          std::pow(qGray(img.pixel(x + 1, y)) - g, 2) + std::pow(qGray(img.pixel(x, y + 1)) - g, 2);
    }
  return sum / (ratio * ratio);
}

TEST(PainterCanvas, AboveTheDesignSizePiecesAreDrawnAtTheirPixelsNotStretched) {
  for (const PieceCode code : {PieceCode(15), Code(UE, GIN, true), PieceCode(43), PieceCode(21)}) {
    const QImage& design = PictureOf(code);
    for (const qreal ratio : {1.5, 2.0}) {
      PainterCanvas canvas(ratio);
      DrawCell(canvas, code, 2, 2);
      const int side = static_cast<int>(std::ceil(47 * ratio));
      const QPoint at(static_cast<int>(std::lround(187 * ratio)),
                      static_cast<int>(std::lround(127 * ratio)));
      const QImage drawn = canvas.Image().copy(QRect(at, QSize(side, side)));
      const QImage stretched =
          design.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      const std::string what = code.ToString() + " at " + std::to_string(ratio);
      EXPECT_GT(EdgeEnergy(drawn, ratio), 2 * EdgeEnergy(stretched, ratio)) << what;
      // The same picture all the same: brought back to the design size it is the design.
      const QImage back = drawn.scaled(47, 47, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      double diff = 0;
      for (int y = 0; y < 47; ++y)
        for (int x = 0; x < 47; ++x)
          diff += std::abs(qGray(back.pixel(x, y)) - qGray(design.pixel(x, y)));
      EXPECT_LT(diff / (47 * 47), 10.0) << what;
    }
  }
}

// The seat tint at the window's resolution: the piece takes its seat's colour, the wood
// around it and an empty square stay as they were.
TEST(PainterCanvas, TheTintColoursThePiecesDrawnAtAnyRatio) {
  for (const qreal ratio : {1.0, 2.0}) {
    PainterCanvas canvas(ratio);
    DrawCell(canvas, Code(SITA, OU), 2, 2);
    DrawCell(canvas, EMPTY, 3, 2);
    const QImage plain = canvas.Image().copy();
    canvas.SetTint(true);
    const QImage& tinted = canvas.Image();
    auto at = [ratio](int v) { return static_cast<int>(std::lround(v * ratio)); };
    const QRect piece(QPoint(at(187), at(127)), QSize(at(47), at(47)));
    const QRect empty = piece.translated(at(47), 0);
    int changed = 0, bluer = 0;
    for (int y = piece.top(); y <= piece.bottom(); ++y)
      for (int x = piece.left(); x <= piece.right(); ++x) {
        const QRgb a = plain.pixel(x, y), b = tinted.pixel(x, y);
        if (a == b) continue;
        ++changed;
        if (qBlue(b) > qBlue(a) && qRed(b) < qRed(a))
          ++bluer;  // the darkest ink gains some red too
      }
    EXPECT_GT(changed, piece.width() * piece.height() / 3) << ratio;
    EXPECT_GT(bluer, changed * 8 / 10) << "SITA's colour is blue, at " << ratio;
    EXPECT_EQ(tinted.copy(empty), plain.copy(empty)) << ratio;
  }
}

// Full repaints over a long game: what is kept for drawing again does not grow, and
// drawing again still gives the picture.
TEST(PainterCanvas, RepaintsDoNotPileUpWhatIsKeptToDrawAgain) {
  WindowUnderTest w;
  w.window.Action("PLAY_4")->trigger();
  PainterCanvas canvas;
  RedrawAll(canvas, w.form.State(), w.form.Looks().background);
  RedrawAll(canvas, w.form.State(), w.form.Looks().background);
  const size_t afterTwo = canvas.Remembered();
  for (int i = 0; i < 40; ++i) RedrawAll(canvas, w.form.State(), w.form.Looks().background);
  EXPECT_LE(canvas.Remembered(), 2 * afterTwo + 1024);
  const QImage drawn = canvas.Image().copy();
  canvas.SetRatio(2.0);
  canvas.SetRatio(1.0);
  EXPECT_EQ(canvas.Image(), drawn);
}

// A window being resized stretches the pictures for the moment; once it rests they are
// drawn at the new size, the same picture as a canvas made at that ratio.
TEST(PainterCanvas, AQuickRatioStretchesUntilSharpened) {
  WindowUnderTest w;
  w.window.Action("PLAY_4")->trigger();
  PainterCanvas canvas;
  RedrawAll(canvas, w.form.State(), w.form.Looks().background);
  const qreal ratio = 1.25;  // drawn by no other test
  canvas.SetRatio(ratio, true);
  EXPECT_TRUE(canvas.Stretched());
  const QImage quick = canvas.Image().copy();
  EXPECT_TRUE(canvas.Sharpen());
  EXPECT_FALSE(canvas.Stretched());
  EXPECT_FALSE(canvas.Sharpen());
  PainterCanvas reference(ratio);
  RedrawAll(reference, w.form.State(), w.form.Looks().background);
  EXPECT_EQ(canvas.Image(), reference.Image());
  EXPECT_NE(canvas.Image(), quick);
  // Back to a ratio whose pictures are drawn: sharp at once.
  canvas.SetRatio(1.0, true);
  EXPECT_FALSE(canvas.Stretched());
  canvas.SetRatio(ratio, true);
  EXPECT_FALSE(canvas.Stretched());
  EXPECT_EQ(canvas.Image(), reference.Image());
}

TEST(PainterCanvas, SnapshotAddsTheVisibleIconOnly) {
  PainterCanvas canvas;
  EXPECT_EQ(canvas.WithIcon(false, TurnIcon::COM, 5000, 7700), canvas.Image());
  const QImage with = canvas.WithIcon(true, TurnIcon::COM, 5000, 7700);
  const QImage& icon = IconPicture(TurnIcon::COM);
  int changed = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (qAlpha(icon.pixel(x, y)) == 255) {
        EXPECT_EQ(with.pixel(333 + x, 513 + y), icon.pixel(x, y) | 0xff000000u);
        ++changed;
      }
  EXPECT_GT(changed, 100);
  EXPECT_EQ(with.pixel(332, 513), GREEN);
}

// The runner's snapshot is painted late, from what was drawn: it must be the picture the
// window itself would show.
TEST(ScriptSnapshot, EqualsTheSamePlayDrawnDirectly) {
  QTemporaryDir dir;
  const std::string script =
      "menu TAKE\nmenu PLAY_4\nclick 5 7\nclick 5 6\nclick 1 6\nsnapshot shot.png\n";
  { std::ofstream(dir.filePath("play.script").toStdString()) << script; }
  QProcess runner;
  runner.setWorkingDirectory(dir.path());
  runner.start(KORVEL4_SCRIPT, {"play.script"});
  ASSERT_TRUE(runner.waitForFinished(30000));
  ASSERT_EQ(runner.exitCode(), 0) << runner.readAllStandardError().toStdString();
  const QImage shot(dir.filePath("shot.png"));
  ASSERT_EQ(shot.size(), QSize(745, 580));

  // The same play on the window's own canvas, in a fresh folder of its own.
  WindowUnderTest w;
  w.window.Action("TAKE")->trigger();
  w.window.Action("PLAY_4")->trigger();
  w.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(5) + 352, CellY(7) + 352);
  w.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(5) + 352, CellY(6) + 352);
  w.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(1) + 352, CellY(6) + 352);
  ASSERT_TRUE(w.form.Looks().iconShown);
  const QImage direct = w.window.Canvas().WithIcon(true, w.form.Looks().iconKind,
                                                   w.form.Looks().iconLeft, w.form.Looks().iconTop);
  EXPECT_EQ(shot.convertToFormat(QImage::Format_RGB32),
            direct.convertToFormat(QImage::Format_RGB32));
}

// Runs `show` while `inspect` looks at the modal box it opens and closes it.
template <class Show>
void WithModal(Show show, const std::function<void(QWidget*)>& inspect) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    seen = true;
    inspect(modal);
  });
  show();
  EXPECT_TRUE(seen);
}

TEST(QtAdapters, MessageBoxesKeepTitlesExactlyWithTheirIconAndButtons) {
  QWidget parent;
  QtDialogs dialogs(&parent);
  struct Seen {
    QString title, text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
  } seen;
  auto look = [&](QMessageBox::StandardButton press) {
    return [&, press](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
      box->button(press)->click();
    };
  };
  WithModal([&] { dialogs.Message("", "下の番です"); }, look(QMessageBox::Ok));
  EXPECT_EQ(seen.title, "");
  EXPECT_EQ(seen.text, "下の番です");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.buttons, QMessageBox::Ok);

  WithModal([&] { dialogs.Message(" ", "<b>x</b>"); }, look(QMessageBox::Ok));
  EXPECT_EQ(seen.title, " ");
  EXPECT_EQ(seen.text, "<b>x</b>");

  WithModal([&] { dialogs.Warning("Korvel4人将棋.dll", "パス/ファイル アクセス エラーです。"); },
            look(QMessageBox::Ok));
  EXPECT_EQ(seen.title, "Korvel4人将棋.dll");
  EXPECT_EQ(seen.icon, QMessageBox::Warning);

  bool answer = true;
  WithModal([&] { answer = dialogs.Question("再ゲーム", "続けますか？"); }, look(QMessageBox::No));
  EXPECT_FALSE(answer);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  WithModal([&] { answer = dialogs.Question("再ゲーム", "続けますか？"); }, look(QMessageBox::Yes));
  EXPECT_TRUE(answer);

  // The end question's third button answers THIRD; Yes and No answer as before, and Esc
  // answers nothing (the box stays until a button is pressed).
  auto three = [&](const char* press) {
    return [&, press](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
      QTest::keyClick(box, Qt::Key_Escape);
      ASSERT_TRUE(box->isVisible());
      auto* third = box->findChild<QPushButton*>(QStringLiteral("third"));
      ASSERT_NE(third, nullptr);
      EXPECT_EQ(third->text(), "棋譜を見る");
      if (std::string(press) == "third") third->click();
      else box->button(std::string(press) == "yes" ? QMessageBox::Yes : QMessageBox::No)->click();
    };
  };
  for (const auto& [press, want] : {std::pair{"third", Answer::THIRD}, std::pair{"yes", Answer::YES},
                                    std::pair{"no", Answer::NO}}) {
    Answer got{};
    WithModal([&] { got = dialogs.QuestionOr("再ゲーム", "続けますか？", "棋譜を見る"); },
              three(press));
    EXPECT_EQ(got, want) << press;
    EXPECT_EQ(seen.title, "再ゲーム");
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  }
}

TEST(QtAdapters, AboutBoxLayoutAndTheButtonThatClosedIt) {
  Form2 box;
  EXPECT_EQ(box.windowTitle(), "バージョン情報");
  EXPECT_EQ(box.size(), QSize(333, 102));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
  EXPECT_EQ(box.Command1()->text(), "ホームページ");
  EXPECT_EQ(box.Command1()->geometry(), QRect(40, 72, 105, 25));
  EXPECT_EQ(box.Command2()->text(), "O K");
  EXPECT_EQ(box.Command2()->geometry(), QRect(192, 72, 105, 25));

  struct Case {
    std::function<void(Form2&)> close;
    AboutChoice expected;
  } cases[] = {{[](Form2& f) { f.Command1()->click(); }, AboutChoice::HOME_PAGE},
               {[](Form2& f) { f.Command2()->click(); }, AboutChoice::OK},
               {[](Form2& f) { f.reject(); }, AboutChoice::OK}};
  for (const Case& c : cases) {
    Form2 f;
    AboutChoice got = AboutChoice::HOME_PAGE;
    WithModal([&] { got = f.Run(); },
              [&](QWidget* w) {
                EXPECT_EQ(w, &f);
                EXPECT_TRUE(f.isModal());
                c.close(f);
              });
    EXPECT_EQ(got, c.expected);
  }
}

}  // namespace
}  // namespace korvel::testing
