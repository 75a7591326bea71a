// Shaping the bin window at its built-in size: our banded scan beside Qt's own route from a
// picture to a mask (QImage::createMaskFromColor, then QRegion(QBitmap)), in the same run.
#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "shape/FitPictureToBox.h"
#include "shape/PictureBox.h"
#include "shape/RegionData.h"
#include "shape/clsTransForm.h"

namespace {

constexpr QRgb kKey = 0xFF808080;

// A 64 x 64 waste bin with a transparent surround, like a skin picture.
QImage BinPicture() {
  QImage image(64, 64, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  QPainterPath body;
  body.moveTo(14, 14);
  body.lineTo(50, 14);
  body.lineTo(46, 61);
  body.lineTo(18, 61);
  body.closeSubpath();
  p.fillPath(body, QColor(70, 90, 110));
  p.fillRect(10, 8, 44, 6, QColor(40, 50, 60));
  p.fillRect(27, 4, 10, 4, QColor(40, 50, 60));
  for (int x = 22; x <= 42; x += 7) p.fillRect(x, 20, 2, 36, QColor(120, 140, 160));
  return image;
}

// Like the bin window: the key colour with the picture unscaled at the top-left corner.
class BinWindow : public QWidget {
 public:
  QImage picture;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(kKey));
    p.drawImage(0, 0, picture);
  }
};

// The window's own drawing, as the region builder reads it.
QImage Render(QWidget* w) {
  QImage image(w->size(), QImage::Format_RGB32);
  w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::IgnoreMask);
  return image;
}

// Microseconds per call: the best of several batches, so other work on the machine counts less.
double Measure(const std::function<int()>& work, int perBatch, int batches, long* sink) {
  double best = 1e300;
  for (int b = 0; b < batches; ++b) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < perBatch; ++i) *sink += work();
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count() / perBatch);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  // The bin window's built-in client area: 5580 x 5085 twips at 15 twips to the pixel.
  BinWindow form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.resize(5580 / 15, 5085 / 15);
  form.picture = BinPicture();
  QPalette palette = form.palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(kKey));
  form.setPalette(palette);
  form.setAutoFillBackground(true);
  shape::PictureBox main(&form);
  main.setGeometry(0, 0, 64, 64);
  shape::FitPictureToBox(main, form.picture);
  form.show();

  const QImage image = Render(&form);
  const shape::RegionRect base{0, 0, image.width(), image.height()};
  auto ours = [&] { return shape::ToQRegion(shape::BuildRegionRects(image, kKey, base)); };
  // Through QBitmap, MaskInColor is the mode that leaves the key colour out.
  auto qts = [&] {
    return QRegion(QBitmap::fromImage(image.createMaskFromColor(kKey, Qt::MaskInColor)));
  };
  auto literal = [&] {
    QRegion region(0, 0, image.width(), image.height());
    for (const shape::Run& run : shape::ScanRuns(image, kKey))
      region -= QRegion(run.first, run.y, run.last - run.first + 1, 1);
    return region;
  };

  const QRegion a = ours();
  const QRegion b = qts();
  const QRegion c = literal();
  if (!a.xored(b).isEmpty() || !a.xored(c).isEmpty()) {
    std::fprintf(stderr, "outlines differ: ours %d rects, Qt %d, literal %d\n", a.rectCount(),
                 b.rectCount(), c.rectCount());
    return 1;
  }

  long sink = 0;
  const int n = 400;
  const int batches = 15;
  const double tOurs = Measure([&] { return ours().rectCount(); }, n, batches, &sink);
  const double tQt = Measure([&] { return qts().rectCount(); }, n, batches, &sink);
  const double tLiteral = Measure([&] { return literal().rectCount(); }, n / 4, batches, &sink);

  shape::clsTransForm shaper;
  const double tShapeMe = Measure(
      [&] {
        shaper.ShapeMe(&form, kKey, true, "");
        return shaper.region().rectCount();
      },
      n / 4, batches, &sink);
  const double tQtRendered = Measure(
      [&] {
        const QImage shown = Render(&form);
        return QRegion(QBitmap::fromImage(shown.createMaskFromColor(kKey, Qt::MaskInColor)))
            .rectCount();
      },
      n / 4, batches, &sink);

  std::printf("bin window %dx%d, 64x64 picture at top-left, outline %d rectangles\n", image.width(),
              image.height(), a.rectCount());
  std::printf("from the rendered picture:\n");
  std::printf("  ours (banded scan)                        %9.1f us\n", tOurs);
  std::printf("  Qt (createMaskFromColor + QRegion(QBitmap)) %7.1f us\n", tQt);
  std::printf("  one subtraction per run (for reference)   %9.1f us\n", tLiteral);
  std::printf("  ratio Qt / ours                           %9.2f  (above 1: ours faster)\n",
              tQt / tOurs);
  std::printf("with the render:\n");
  std::printf("  ours (ShapeMe: render, scan, setMask)     %9.1f us\n", tShapeMe);
  std::printf("  Qt route (render, mask, region)           %9.1f us\n", tQtRendered);
  std::printf("  ratio Qt / ours                           %9.2f\n", tQtRendered / tShapeMe);
  std::printf("(checksum %ld)\n", sink);
  return 0;
}
